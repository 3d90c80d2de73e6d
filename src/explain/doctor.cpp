// The doctor's checks, each one row of a table that adds its findings, over one reading of the
// lists and the desktop files, and how a finding reads.
#include "explain/doctor.h"

#include <algorithm>
#include <cstring>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <map>
#include <set>
#include <string_view>
#include <unistd.h>

#include "catalog/item.h"
#include "explain/doctor_scan.h"
#include "explain/lookup.h"
#include "registry/aliases.h"
#include "registry/origin.h"
#include "registry/terminal.h"
#include "settings/mimeapps.h"
#include "util/files.h"
#include "util/paths.h"
#include "util/text.h"

namespace {

// How many findings xdg-mime is asked about, a process each.
constexpr size_t DOCTOR_XDG_MIME_MOST = 16;
// How many types a finding's first line names before it counts the rest.
constexpr size_t DOCTOR_TYPES_SHOWN = 10;
constexpr const char *DOCTOR_FIX = "quarve doctor --fix";

std::string quoted(const std::string &text) {
    g_autofree char *q = g_shell_quote(text.c_str());
    return q;
}

// A word of a command as it can be typed: as it is when the shell takes it so.
std::string word(const std::string &text) {
    bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return g_ascii_isalnum(c) || strchr("+-./_:=@", c) != nullptr;
    });
    return plain ? text : quoted(text);
}

// The replay ends where GIO does: what it says of the lists explains GIO's answer.
bool agrees(Scan *scan, const std::string &type, const LookupAnswer &found) {
    const std::optional<ScanAnswer> &a = scan_answer(scan, type);
    if (!a || !found.id)
        return !a && !found.id;
    return a->file.empty() ? *found.id == a->id : found.file == a->file;
}

// "sudo " when the user cannot write path, so that the command given is the one that works.
std::string as_who(const std::string &path) {
    return access(path.c_str(), W_OK) == 0 ? "" : "sudo ";
}

std::string udd_command(const std::string &folder) {
    return as_who(folder) + "update-desktop-database " + word(folder);
}

// The fix of an entry of the user's list: the repair, once the list can be written.
std::string list_fix(const std::string &path) {
    if (auto refusal = files_refusal(path.c_str()))
        return "make it writable (" + *refusal + "), then " + DOCTOR_FIX;
    return DOCTOR_FIX;
}

// Making GIO's choice the list's own, or choosing: the command for TYPE.
std::string choose(const std::string &id) {
    return "quarve set TYPE " + (id.empty() ? std::string("APP") : word(id));
}

// The defaults the lists name for type itself, in GIO's order, until one GIO loads: each one a
// folder holds but GIO cannot load, which GIO passes over.
const std::vector<ScanSkipped> &skipped_defaults(Scan *scan, const std::string &type) {
    auto [it, added] = scan->skipped.try_emplace(type);
    if (!added)
        return it->second;
    std::vector<LookupEntry> entries = lookup_entries(scan->lookup, {type});
    std::vector<std::string> seen;
    for (const LookupEntry &e : entries) {
        if (!e.read || e.shown.group != MIMEAPPS_DEFAULTS)
            continue;
        for (const std::string &id : e.ids) {
            if (scan_has(seen, id))
                continue;
            seen.push_back(id);
            if (lookup_loads(&scan->lookup, id))
                return it->second;
            std::optional<std::string> path = scan_held(scan->lookup, id);
            if (path && id != scan_answer_id(scan, type))
                it->second.push_back({id, e.shown.file, *path});
        }
    }
    return it->second;
}

// A finding that names no answer and leaves no status: the checks add those where they have them.
DoctorFinding finding(const char *check, DoctorSeverity severity, std::vector<std::string> types,
                      std::string file, std::string app, std::string message, std::string fix) {
    return {check,
            severity,
            std::move(types),
            std::move(file),
            std::move(app),
            std::move(message),
            std::nullopt,
            std::nullopt,
            std::move(fix),
            ""};
}

// 1: a user's list names an application no data folder holds; GIO passes over it.
void check_missing(Scan *scan, std::vector<DoctorFinding> *out) {
    const Lookup &lookup = scan->lookup;
    for (const ListKey &k : lookup.keys) {
        const ListFile &file = lookup.files[k.file];
        if (file.kind == LIST_CACHE || !scan_users(*scan, file.folder) ||
            !scan_reads(file.kind, k.group) || k.group == MIMEAPPS_REMOVED)
            continue;
        for (const std::string &id : k.ids) {
            if (scan_held(lookup, id))
                continue;
            DoctorFinding f =
                finding("missing-application", DoctorSeverity::error, {k.key}, file.path, id,
                        "the list's [" + k.group + "] names " + id +
                            ", which no data folder holds: GIO passes over it "
                            "without a word",
                        list_fix(file.path));
            if (!scan_wildcard(k.key))
                f.gio_answer = scan_answer_id(scan, aliases_unalias(k.key.c_str()));
            out->push_back(std::move(f));
        }
    }
}

// 2: a default GIO passes over because a program it needs is not there.
void check_skipped(Scan *scan, std::vector<DoctorFinding> *out) {
    for (const std::string &type : scan->types)
        for (const ScanSkipped &s : skipped_defaults(scan, type)) {
            const ScanDesktop &d = scan_desktop(scan, s.path);
            if (d.broken)
                continue;
            std::string answer = scan_answer_id(scan, type);
            DoctorFinding f = finding(
                "skipped-default", DoctorSeverity::error, {type}, s.path, s.id,
                s.id + ", the default " + s.list + " names, is passed over by GIO: " + d.fault,
                (d.missing.empty() ? "mend its Exec line" : "install " + word(d.missing)) +
                    ", or choose another: " + choose(answer));
            f.gio_answer = answer;
            out->push_back(std::move(f));
        }
}

// 3: a default whose entry GIO cannot load (it passes over it), or one GIO answers with that
// is Hidden=true (it starts it all the same) or has no Exec (it cannot start it).
void check_entry(Scan *scan, std::vector<DoctorFinding> *out) {
    for (const std::string &type : scan->types) {
        std::string answer = scan_answer_id(scan, type);
        for (const ScanSkipped &s : skipped_defaults(scan, type)) {
            const ScanDesktop &d = scan_desktop(scan, s.path);
            if (!d.broken)
                continue;
            DoctorFinding f = finding(
                "broken-entry", DoctorSeverity::error, {type}, s.path, s.id,
                s.id + ", the default " + s.list + " names, is passed over by GIO: " + d.fault,
                "mend " + word(s.path) + ", or choose another: " + choose(answer));
            f.gio_answer = answer;
            out->push_back(std::move(f));
        }
        const std::optional<ScanAnswer> &a = scan_answer(scan, type);
        if (!a || a->file.empty())
            continue;
        const ScanDesktop &d = scan_desktop(scan, a->file);
        if (d.hidden)
            out->push_back(finding("hidden-default", DoctorSeverity::warning, {type}, a->file,
                                   a->id,
                                   "GIO answers " + a->id +
                                       ", whose entry says Hidden=true (deleted, by the "
                                       "desktop-entry rules), and starts it all the same",
                                   "choose another: " + choose("")));
        if (!d.has_exec && !d.bus) {
            DoctorFinding f =
                finding("broken-entry", DoctorSeverity::error, {type}, a->file, a->id,
                        "GIO answers " + a->id + ", whose entry has no Exec: it cannot start it",
                        "choose another: " + choose(""));
            f.status = "it will not start: its entry has no Exec";
            out->push_back(std::move(f));
        }
    }
}

// 4: GIO answers with an application that runs in a terminal, and none of the terminals the
// running GLib looks for is in PATH: GIO refuses to start it ("Unable to find terminal required
// for application"). One started through D-Bus needs no terminal.
void check_terminal(Scan *scan, std::vector<DoctorFinding> *out) {
    for (const std::string &type : scan->types) {
        const std::optional<ScanAnswer> &a = scan_answer(scan, type);
        if (!a || a->file.empty())
            continue;
        const ScanDesktop &d = scan_desktop(scan, a->file);
        if (!d.terminal || d.bus)
            continue;
        g_autoptr(GDesktopAppInfo) app = g_desktop_app_info_new_from_filename(a->file.c_str());
        if (app == nullptr || !terminal_missing(G_APP_INFO(app)))
            continue;
        TerminalFound found = terminal_gio(G_APP_INFO(app));
        DoctorFinding f = finding(
            "no-terminal", DoctorSeverity::error, {type}, a->file, a->id,
            "GIO answers " + a->id + ", which runs in a terminal (Terminal=true), and none of " +
                terminal_glib() + "'s terminals is in PATH (" + text_join(found.known) +
                "): GIO refuses to start it",
            "install one of those terminals, or choose another: " + choose(""));
        f.status = "it will not start: no terminal found";
        out->push_back(std::move(f));
    }
}

// 5: the default does not get what it is asked to open: a link handler without %u or %U (GIO
// passes a link to the others only as a local file, which a link of the web has not), or a
// file's default whose Exec passes only the file's folder or name. An Exec with no field code
// at all gets the file: GIO adds it as %f.
void check_passed(Scan *scan, std::vector<DoctorFinding> *out) {
    const std::string scheme_prefix = "x-scheme-handler/";
    for (const std::string &type : scan->types) {
        const std::optional<ScanAnswer> &a = scan_answer(scan, type);
        if (!a || a->file.empty())
            continue;
        const ScanDesktop &d = scan_desktop(scan, a->file);
        if (d.bus || !d.has_exec)
            continue;
        auto codes = [&](const char *set) {
            return d.codes.find_first_of(set) != std::string::npos;
        };
        DoctorFinding f;
        if (type.rfind(scheme_prefix, 0) == 0) {
            std::string scheme = type.substr(scheme_prefix.size());
            if (scheme == "file" || codes("uU"))
                continue;
            f = finding("not-passed", DoctorSeverity::error, {type}, a->file, a->id,
                        scheme + ": links open in " + a->id +
                            ", whose Exec has no %u or %U: GIO passes it a link only as a local "
                            "file, so it starts without the link",
                        "choose an application that takes links: " + choose(""));
            f.status = "it will not get the link: its Exec has no %u or %U";
        } else if (!codes("fFuU") && codes("dDnN")) {
            f = finding("not-passed", DoctorSeverity::error, {type}, a->file, a->id,
                        "files of this type open in " + a->id +
                            ", whose Exec passes only their folder or name (%d, %D, %n or %N), "
                            "not the file",
                        "choose another: " + choose(""));
            f.status = "it will not get the file: its Exec passes only its folder or name";
        } else {
            continue;
        }
        out->push_back(std::move(f));
    }
}

// 6: an application folder's cache is missing, or does not list what its desktop files declare
// (GIO never offers those applications for those types), or lists what none of them declares
// (GIO offers it all the same).
void check_cache(Scan *scan, std::vector<DoctorFinding> *out) {
    const Lookup &lookup = scan->lookup;
    for (size_t folder = 0; folder < lookup.folders.size(); folder++) {
        if (!lookup.folders[folder].applications)
            continue;
        std::string path = scan_cache_path(lookup, folder), dir = lookup.folders[folder].path;
        bool there = g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
        std::string fix = folder == scan->user_apps
                              ? std::string(DOCTOR_FIX) + " (or " + udd_command(dir) + ")"
                              : udd_command(dir);
        ScanCacheDrift drift = scan_cache_drift(scan, folder);
        if (!there && !drift.unlisted.empty()) {
            // One finding for the folder, which the applications it names all lack.
            std::vector<std::string> ids, types;
            for (const auto &[id, declared] : drift.unlisted) {
                ids.push_back(id);
                for (const std::string &t : declared)
                    if (!scan_has(types, t))
                        types.push_back(t);
            }
            std::sort(types.begin(), types.end());
            out->push_back(finding("stale-cache", DoctorSeverity::warning, types, path, "",
                                   "the folder has no mimeinfo.cache: GIO never offers " +
                                       text_join(ids) + " for the types they declare",
                                   fix));
            continue;
        }
        for (const auto &[id, types] : drift.unlisted)
            out->push_back(finding("stale-cache", DoctorSeverity::warning, types, path, id,
                                   "mimeinfo.cache does not list " + id +
                                       " for these types: GIO never offers it for them",
                                   fix));
        for (const auto &[id, types] : drift.extra)
            out->push_back(finding("stale-cache", DoctorSeverity::warning, types, path, id,
                                   "mimeinfo.cache lists " + id +
                                       " for these types, which no desktop file of the folder "
                                       "declares: GIO offers it for them all the same",
                                   fix));
    }
}

// 7: a deprecated list of the user's (in the user's application folder) that GIO still reads
// decides an answer: without it GIO would answer something else.
void check_deprecated(Scan *scan, std::vector<DoctorFinding> *out) {
    Lookup &lookup = scan->lookup;
    for (size_t f = 0; f < lookup.files.size(); f++) {
        const ListFile &file = lookup.files[f];
        if (file.folder != scan->user_apps || file.kind == LIST_CACHE)
            continue;
        std::vector<std::string> types;
        for (const ListKey &k : lookup.keys)
            if (k.file == f && scan_reads(file.kind, k.group) && !scan_wildcard(k.key) &&
                !scan_has(types, aliases_unalias(k.key.c_str())))
                types.push_back(aliases_unalias(k.key.c_str()));
        for (const std::string &type : types) {
            std::vector<std::string> chain = aliases_ancestry(type.c_str());
            std::vector<LookupEntry> all = lookup_entries(lookup, chain);
            LookupAnswer with = lookup_replay(&lookup, all, chain.size());
            if (!agrees(scan, type, with))
                continue;
            std::vector<LookupEntry> rest = lookup_entries(lookup, chain, f);
            LookupAnswer without = lookup_replay(&lookup, rest, chain.size());
            if (with.id == without.id)
                continue;
            out->push_back(finding(
                "deprecated-list", DoctorSeverity::warning, {type}, file.path, with.id.value_or(""),
                "a deprecated list, which GIO still reads, decides these types: without it GIO "
                "would answer " +
                    without.id.value_or("nothing"),
                with.id ? "make it your own list's choice: " + choose(*with.id)
                        : "take these types out of " + word(file.path)));
        }
    }
}

// 8: one desktop ID in several application folders: GIO starts the first copy that loads and
// ignores the others, their MimeType= and their cache entries too. Copies with the same bytes
// change nothing, and a copy of the user's that says Hidden=true is how an application is
// deleted: neither is a finding.
void check_shadowed(Scan *scan, std::vector<DoctorFinding> *out) {
    Lookup &lookup = scan->lookup;
    std::map<std::string, std::vector<std::string>> copies; // sorted, so the findings are too
    for (size_t folder = 0; folder < lookup.folders.size(); folder++)
        for (const auto &[id, path] : lookup.apps[folder]) {
            std::vector<std::string> &known = copies[id];
            if (std::none_of(known.begin(), known.end(),
                             [&](const std::string &k) { return origin_same_file(k, path); }))
                known.push_back(path);
        }
    for (const auto &[id, paths] : copies) {
        if (paths.size() < 2)
            continue;
        std::optional<std::string> loaded = lookup_loads(&lookup, id);
        if (!loaded || scan_desktop(scan, *loaded).hidden)
            continue;
        const std::string &first = paths.front();
        if (*loaded != first) {
            // GIO offers the ID for what the first copy declares (its folder's cache hides the
            // others'), then starts a later copy: two files make one application. A first copy
            // that says Hidden=true is how an application is deleted, and is meant.
            const ScanDesktop &d = scan_desktop(scan, first);
            if (d.hidden)
                continue;
            std::vector<std::string> types = d.declared;
            std::sort(types.begin(), types.end());
            out->push_back(finding(
                "shadowed-application", DoctorSeverity::warning, types, *loaded, id,
                id + ": its first copy, " + first + origin_after(first.c_str()) +
                    ", does not load (" + (d.fault.empty() ? "GIO cannot read it" : d.fault) +
                    "): GIO starts the copy below instead, for the types the first copy declares",
                "mend " + word(first) + ", or remove it"));
            continue;
        }
        std::optional<std::string> bytes = files_read(loaded->c_str());
        std::vector<std::string> ignored, types;
        for (const std::string &path : paths) {
            for (const std::string &t : scan_desktop(scan, path).declared)
                if (!scan_has(types, t))
                    types.push_back(t);
            if (path != *loaded && files_read(path.c_str()) != bytes)
                ignored.push_back(path + origin_after(path.c_str()));
        }
        if (ignored.empty())
            continue;
        std::sort(types.begin(), types.end());
        g_autofree char *folder = g_path_get_dirname(loaded->c_str());
        out->push_back(finding(
            "shadowed-application", DoctorSeverity::warning, types, *loaded, id,
            id + " is in several application folders: GIO starts the copy below" +
                origin_after(loaded->c_str()) + " and ignores " + text_join(ignored) + "; what " +
                (ignored.size() == 1 ? "that copy declares plays" : "those copies declare play") +
                " no part",
            "keep the copy you want: to use the next one, " + as_who(folder) + "mv " +
                word(*loaded) + " " + word(*loaded + ".disabled")));
    }
}

// The command that takes keys out of a list the user cannot mend with quarve.
std::string remove_keys(const std::string &path, const std::vector<std::string> &keys) {
    std::string command = as_who(path) + "sed -i";
    for (const std::string &key : keys) {
        std::string pattern;
        for (char c : key) {
            if (strchr("\\/.*[]^$", c) != nullptr)
                pattern += '\\';
            pattern += c;
        }
        command += " -e " + quoted("/^" + pattern + "=/d");
    }
    return command + " " + word(path);
}

// 9: a wildcard key in a list, or a wildcard in an application's MimeType=: GIO looks every
// type up by its exact name, so neither ever matches.
void check_wildcard(Scan *scan, std::vector<DoctorFinding> *out) {
    const Lookup &lookup = scan->lookup;
    for (size_t f = 0; f < lookup.files.size(); f++) {
        const ListFile &file = lookup.files[f];
        if (file.kind == LIST_CACHE)
            continue;
        std::vector<std::string> keys;
        for (const ListKey &k : lookup.keys)
            if (k.file == f && scan_wildcard(k.key) && !scan_has(keys, k.key))
                keys.push_back(k.key);
        if (keys.empty())
            continue;
        out->push_back(finding("wildcard", DoctorSeverity::warning, keys, file.path, "",
                               "wildcard keys in a list have no effect: GIO looks every type up "
                               "by its exact name",
                               scan_users(*scan, file.folder) ? list_fix(file.path)
                                                              : remove_keys(file.path, keys)));
    }
    for (size_t folder = 0; folder < lookup.folders.size(); folder++) {
        std::map<std::string, std::string> apps(lookup.apps[folder].begin(),
                                                lookup.apps[folder].end());
        for (const auto &[id, path] : apps) {
            if (lookup_masked(lookup, folder, id))
                continue;
            const ScanDesktop &d = scan_desktop(scan, path);
            if (d.patterns.empty())
                continue;
            out->push_back(finding("wildcard", DoctorSeverity::warning, d.patterns, path, id,
                                   "MimeType= of " + id +
                                       " names patterns, which GIO never matches: it is offered "
                                       "for none of those types",
                                   "name the types themselves in its MimeType=, then " +
                                       udd_command(lookup.folders[folder].path)));
        }
    }
}

// 10: a type that nothing is set or declared for, whose default GIO takes from a parent type.
void check_parent(Scan *scan, std::vector<DoctorFinding> *out) {
    for (const std::string &type : scan->types) {
        if (!scan_answer(scan, type))
            continue;
        std::vector<std::string> chain = aliases_ancestry(type.c_str());
        if (chain.size() < 2)
            continue;
        std::vector<LookupEntry> entries = lookup_entries(scan->lookup, chain);
        LookupAnswer found = lookup_replay(&scan->lookup, entries, chain.size());
        if (!agrees(scan, type, found) || found.level == 0)
            continue;
        out->push_back(finding("parent-default", DoctorSeverity::note, {type}, "", *found.id,
                               "nothing is set or declared for these types: GIO opens them with "
                               "the default of " +
                                   chain[found.level] + ", " + *found.id,
                               "to choose one: " + choose("")));
    }
}

// 11: a list of the user's that a set writes is read-only, or a link to a file that cannot be
// written: a later set will be refused.
void check_read_only(Scan *, std::vector<DoctorFinding> *out) {
    std::vector<std::string> lists = {paths_settings()};
    for (const std::string &path : paths_desktop_lists())
        if (g_file_test(path.c_str(), G_FILE_TEST_EXISTS))
            lists.push_back(path);
    for (const std::string &path : lists) {
        std::optional<std::string> refusal = files_refusal(path.c_str());
        if (!refusal)
            continue;
        bool link = g_file_test(path.c_str(), G_FILE_TEST_IS_SYMLINK);
        std::string reason = link ? path + " is a link to a file that cannot be written" : *refusal;
        // What is read-only, a file or a folder, is what the refusal names.
        const std::string read_only = " is read-only";
        bool named = g_str_has_suffix(refusal->c_str(), read_only.c_str());
        std::string fix =
            named ? "chmod u+w " + word(refusal->substr(0, refusal->size() - read_only.size()))
                  : "make " + word(path) + " a file you can write";
        out->push_back(finding("read-only-list", DoctorSeverity::note, {}, path, "",
                               reason + ": a later set will be refused", fix));
    }
}

// The checks, one row each.
using DoctorRun = void (*)(Scan *scan, std::vector<DoctorFinding> *out);
constexpr DoctorRun DOCTOR_CHECKS[] = {
    check_missing,    check_skipped,  check_entry,    check_terminal, check_passed,    check_cache,
    check_deprecated, check_shadowed, check_wildcard, check_parent,   check_read_only,
};

// True when the finding is about one of scope's types.
bool about(const DoctorFinding &f, const std::vector<std::string> &scope) {
    return std::any_of(f.types.begin(), f.types.end(),
                       [&](const std::string &t) { return scan_concerns(t, &scope); });
}

// What xdg-mime answers for type, "" for nothing; nullopt without xdg-mime.
std::optional<std::string> xdg_mime_default(const std::string &type) {
    g_autofree char *program = g_find_program_in_path("xdg-mime");
    if (program == nullptr)
        return std::nullopt;
    const char *argv[] = {program, "query", "default", type.c_str(), nullptr};
    g_autofree char *said = nullptr;
    if (!g_spawn_sync(nullptr, const_cast<char **>(argv), nullptr, G_SPAWN_STDERR_TO_DEV_NULL,
                      nullptr, nullptr, &said, nullptr, nullptr, nullptr))
        return std::nullopt;
    std::string answer = said != nullptr ? said : "";
    return answer.substr(0, answer.find('\n'));
}

// Findings that differ only in their types as one.
std::vector<DoctorFinding> merged(std::vector<DoctorFinding> found) {
    std::vector<DoctorFinding> out;
    std::map<std::string, size_t> at;
    for (DoctorFinding &f : found) {
        std::string key = text_join({f.check, f.file, f.app, f.message, f.gio_answer.value_or("\1"),
                                     f.xdg_mime_answer.value_or("\1"), f.fix, f.status},
                                    "\n");
        auto [it, added] = at.try_emplace(key, out.size());
        if (added) {
            out.push_back(std::move(f));
            continue;
        }
        for (const std::string &t : f.types)
            if (!scan_has(out[it->second].types, t))
                out[it->second].types.push_back(t);
    }
    return out;
}

// "quarve set TYPE" in a fix stands for the finding's type when it has one.
void fill_type(DoctorFinding *f) {
    const std::string command = "quarve set ";
    size_t at = f->fix.find(command + "TYPE");
    if (f->types.size() == 1 && at != std::string::npos)
        f->fix.replace(at + command.size(), strlen("TYPE"), word(f->types[0]));
}

} // namespace

std::vector<DoctorFinding> doctor_check(const Catalog *catalog, const Item *item, bool xdg_mime) {
    Scan scan = scan_new(catalog, item);
    std::vector<DoctorFinding> found;
    for (DoctorRun run : DOCTOR_CHECKS)
        run(&scan, &found);
    if (item != nullptr)
        found.erase(std::remove_if(found.begin(), found.end(),
                                   [&](const DoctorFinding &f) { return !about(f, scan.types); }),
                    found.end());
    found = merged(std::move(found));
    // xdg-mime is a shell script that takes a quarter of a second a question: asked after the
    // merge, for findings of one type only, and for so many at the most.
    if (xdg_mime) {
        std::map<std::string, std::optional<std::string>> asked;
        for (DoctorFinding &f : found) {
            if (!f.gio_answer || f.types.size() != 1 || scan_wildcard(f.types[0]))
                continue;
            auto [it, added] = asked.try_emplace(f.types[0]);
            if (added && asked.size() > DOCTOR_XDG_MIME_MOST)
                break;
            if (added)
                it->second = xdg_mime_default(f.types[0]);
            if (it->second && *it->second != *f.gio_answer)
                f.xdg_mime_answer = it->second;
        }
    }
    for (DoctorFinding &f : found)
        fill_type(&f);
    std::stable_sort(
        found.begin(), found.end(),
        [](const DoctorFinding &a, const DoctorFinding &b) { return a.severity > b.severity; });
    return found;
}

const char *doctor_severity_name(DoctorSeverity severity) {
    switch (severity) {
    case DoctorSeverity::error:
        return "error";
    case DoctorSeverity::warning:
        return "warning";
    case DoctorSeverity::note:
        break;
    }
    return "note";
}

std::vector<std::string> doctor_text(const DoctorFinding &f) {
    std::string head = std::string(doctor_severity_name(f.severity)) + " " + f.check;
    if (!f.types.empty()) {
        std::vector<std::string> shown(
            f.types.begin(),
            f.types.begin() + static_cast<long>(std::min(f.types.size(), DOCTOR_TYPES_SHOWN)));
        head += ": " + text_join(shown);
        if (f.types.size() > shown.size())
            head += ", … (" + std::to_string(f.types.size()) + " types)";
    }
    std::vector<std::string> lines = {head, "  " + f.message};
    if (!f.file.empty())
        lines.push_back("  file: " + f.file);
    if (f.gio_answer) {
        std::string said = "  GIO answers " + (f.gio_answer->empty() ? "nothing" : *f.gio_answer);
        if (f.xdg_mime_answer)
            said += "; xdg-mime answers " +
                    (f.xdg_mime_answer->empty() ? "nothing" : *f.xdg_mime_answer);
        lines.push_back(said);
    }
    if (!f.fix.empty())
        lines.push_back("  fix: " + f.fix);
    return lines;
}

std::string doctor_status(const Item &item, const char *app_id) {
    std::string said;
    for (const DoctorFinding &f : doctor_check(nullptr, &item, false))
        // The assignment itself warns of a missing terminal, on the command line too.
        if (f.severity == DoctorSeverity::error && f.app == app_id && !f.status.empty() &&
            f.check != "no-terminal" && said.find(f.status) == std::string::npos)
            said += "; " + f.status;
    return said;
}
