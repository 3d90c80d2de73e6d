// The doctor's checks, each one row of a table that adds its findings, over one reading of the
// lists and the desktop files; and the repairs of what is safe to mend.
#include "explain/doctor.h"

#include <algorithm>
#include <cstring>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <map>
#include <set>
#include <string_view>
#include <unistd.h>

#include "catalog/catalog.h"
#include "catalog/item.h"
#include "explain/lookup.h"
#include "registry/aliases.h"
#include "registry/origin.h"
#include "registry/terminal.h"
#include "settings/change.h"
#include "settings/journal.h"
#include "settings/list_text.h"
#include "settings/mimeapps.h"
#include "util/files.h"
#include "util/keyfile.h"
#include "util/paths.h"
#include "util/text.h"

namespace {

// How many findings xdg-mime is asked about, a process each.
constexpr size_t DOCTOR_XDG_MIME_MOST = 16;
// How many types a finding's first line names before it counts the rest.
constexpr size_t DOCTOR_TYPES_SHOWN = 10;
// What the journal and an undo call the repairs.
constexpr const char *DOCTOR_WHAT = "the doctor's repairs";
constexpr const char *DOCTOR_FIX = "quarve doctor --fix";
// Media types update-desktop-database takes into a cache; any other but "x-…" it leaves out.
constexpr const char *DOCTOR_MEDIA[] = {"application", "audio", "chemical", "font",
                                        "image",       "inode", "message",  "model",
                                        "multipart",   "text",  "video"};

// A desktop file as GIO loads it and as update-desktop-database reads its types.
struct Desktop {
    bool parses = false;
    bool broken = false;   // it does not load for what the file is (not for a program missing)
    std::string fault;     // why GIO does not load it, "" when it does
    std::string missing;   // the program it lacks, for a fault of TryExec or Exec
    bool hidden = false;   // Hidden=true
    bool terminal = false; // Terminal=true: GIO starts it in a terminal it looks for itself
    bool bus = false;      // GIO starts it through D-Bus, whatever its Exec says
    bool has_exec = false; // a non-empty Exec line
    std::string codes;     // the field codes of its Exec line, in order
    std::vector<std::string> declared; // the MimeType= entries a cache lists, each once
    std::vector<std::string> patterns; // MimeType= entries with a "*"
};

// GIO's answer for a type.
struct Answer {
    std::string id;
    std::string file;
};

// A default the lists name for a type that GIO passes over, though a folder holds its file.
struct Skipped {
    std::string id;
    std::string list; // the list that names it
    std::string path; // its desktop file
};

// Everything the checks read, each read once.
struct Scan {
    Lookup lookup;
    std::vector<std::string> types; // the types looked at one by one, canonical, sorted
    size_t user_apps = SIZE_MAX;    // the user's application folder among lookup.folders
    std::unordered_map<std::string, Desktop> desktops;
    std::unordered_map<std::string, std::optional<Answer>> answers;
    std::unordered_map<std::string, std::vector<Skipped>> skipped;
};

bool has(const std::vector<std::string> &list, const std::string &item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

bool wildcard(const std::string &type) {
    return type.find('*') != std::string::npos;
}

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

// The field codes of an Exec line as GIO expands them: "%%" is a percent sign.
std::string field_codes(const char *exec) {
    std::string codes;
    for (const char *p = exec; *p != '\0'; p++)
        if (p[0] == '%' && p[1] != '\0') {
            if (p[1] != '%')
                codes += p[1];
            p++;
        }
    return codes;
}

// A MimeType= entry as update-desktop-database judges it: a registered media type (or one
// beginning with "x-"), a "/" and a subtype without blanks, controls or RFC 2045's specials.
bool cache_type_valid(const std::string &type) {
    size_t slash = type.find('/');
    if (slash == std::string::npos || slash + 1 == type.size())
        return false;
    std::string media = type.substr(0, slash);
    bool known = g_ascii_strncasecmp(media.c_str(), "x-", 2) == 0 ||
                 std::any_of(std::begin(DOCTOR_MEDIA), std::end(DOCTOR_MEDIA),
                             [&](const char *m) { return media == m; });
    return known &&
           std::none_of(type.begin() + static_cast<long>(slash) + 1, type.end(), [](char c) {
               auto u = static_cast<unsigned char>(c);
               return u <= ' ' || u == 127 || strchr("()<>@,;:\\\"/[]?=", c);
           });
}

bool found(const char *program) {
    g_autofree char *path = g_find_program_in_path(program);
    return path != nullptr;
}

// The file as GIO's g_desktop_app_info_new_from_filename reads it, in the same order of tests.
Desktop desktop_read(const std::string &path) {
    Desktop d;
    const char *group = G_KEY_FILE_DESKTOP_GROUP;
    g_autoptr(GKeyFile) kf = g_key_file_new();
    if (!g_key_file_load_from_file(kf, path.c_str(), G_KEY_FILE_NONE, nullptr)) {
        d.broken = true;
        d.fault = "its desktop file does not parse";
        return d;
    }
    d.parses = true;
    d.hidden = g_key_file_get_boolean(kf, group, G_KEY_FILE_DESKTOP_KEY_HIDDEN, nullptr);
    d.terminal = g_key_file_get_boolean(kf, group, G_KEY_FILE_DESKTOP_KEY_TERMINAL, nullptr);
    g_auto(GStrv) types =
        g_key_file_get_string_list(kf, group, G_KEY_FILE_DESKTOP_KEY_MIME_TYPE, nullptr, nullptr);
    for (char **t = types; t != nullptr && *t != nullptr && !d.hidden; t++) {
        if (wildcard(*t) && !has(d.patterns, *t))
            d.patterns.push_back(*t);
        if (cache_type_valid(*t) && !has(d.declared, *t))
            d.declared.push_back(*t);
    }
    g_autofree char *exec = g_key_file_get_string(kf, group, G_KEY_FILE_DESKTOP_KEY_EXEC, nullptr);
    d.has_exec = exec != nullptr && *exec != '\0';
    d.codes = field_codes(exec != nullptr ? exec : "");
    g_autofree char *base = g_path_get_basename(path.c_str());
    std::string name = base;
    name.resize(name.size() - std::min(name.size(), strlen(".desktop")));
    d.bus = g_key_file_get_boolean(kf, group, G_KEY_FILE_DESKTOP_KEY_DBUS_ACTIVATABLE, nullptr) &&
            g_dbus_is_name(name.c_str()) && name[0] != ':';
    g_autofree char *start = g_key_file_get_start_group(kf);
    g_autofree char *type = g_key_file_get_string(kf, group, G_KEY_FILE_DESKTOP_KEY_TYPE, nullptr);
    g_autofree char *try_exec =
        g_key_file_get_string(kf, group, G_KEY_FILE_DESKTOP_KEY_TRY_EXEC, nullptr);
    if (g_strcmp0(start, group) != 0) {
        d.broken = true;
        d.fault = "its first group is not [Desktop Entry]";
    } else if (g_strcmp0(type, G_KEY_FILE_DESKTOP_TYPE_APPLICATION) != 0) {
        d.broken = true;
        d.fault = "it is not Type=Application";
    } else if (try_exec != nullptr && *try_exec != '\0' && !found(try_exec)) {
        d.fault = std::string("its TryExec program ") + try_exec + " is not in PATH";
        d.missing = try_exec;
    } else if (d.has_exec) {
        int argc = 0;
        g_auto(GStrv) argv = nullptr;
        if (!g_shell_parse_argv(exec, &argc, &argv, nullptr)) {
            d.fault = "its Exec line cannot be read as a command";
        } else if (!found(argv[0])) {
            d.fault = std::string("its Exec program ") + argv[0] + " is not found";
            d.missing = argv[0];
        }
    }
    return d;
}

const Desktop &desktop_of(Scan *scan, const std::string &path) {
    auto it = scan->desktops.find(path);
    if (it == scan->desktops.end())
        it = scan->desktops.emplace(path, desktop_read(path)).first;
    return it->second;
}

// GIO's own answer for type, asked once.
const std::optional<Answer> &answer_of(Scan *scan, const std::string &type) {
    auto [it, added] = scan->answers.try_emplace(type);
    if (added) {
        g_autoptr(GAppInfo) app = g_app_info_get_default_for_type(type.c_str(), FALSE);
        if (app != nullptr) {
            const char *id = g_app_info_get_id(app);
            const char *file = G_IS_DESKTOP_APP_INFO(app)
                                   ? g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app))
                                   : nullptr;
            it->second = Answer{id ? id : "", file ? file : ""};
        }
    }
    return it->second;
}

// GIO's answer as a finding gives it: the desktop ID, "" for none.
std::string answer_id(Scan *scan, const std::string &type) {
    const std::optional<Answer> &a = answer_of(scan, type);
    return a ? a->id : "";
}

// The replay ends where GIO does: what it says of the lists explains GIO's answer.
bool agrees(Scan *scan, const std::string &type, const LookupAnswer &found) {
    const std::optional<Answer> &a = answer_of(scan, type);
    if (!a || !found.id)
        return !a && !found.id;
    return a->file.empty() ? *found.id == a->id : found.file == a->file;
}

// The first desktop file of id in any application folder, loadable or not.
std::optional<std::string> held(const Lookup &lookup, const std::string &id) {
    for (size_t i = 0; i < lookup.folders.size(); i++)
        if (std::optional<std::string> path = lookup_app_file(lookup, i, id))
            return path;
    return std::nullopt;
}

// The user's own folders: the configuration folder and the user's application folder.
bool users(const Scan &scan, size_t folder) {
    return folder == 0 || folder == scan.user_apps;
}

// Whether GIO takes group from a list of kind.
bool reads(ListKind kind, const std::string &group) {
    return kind == LIST_FULL || (kind == LIST_DEFAULTS_ONLY && group == MIMEAPPS_DEFAULTS);
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
const std::vector<Skipped> &skipped_defaults(Scan *scan, const std::string &type) {
    auto [it, added] = scan->skipped.try_emplace(type);
    if (!added)
        return it->second;
    std::vector<LookupEntry> entries = lookup_entries(scan->lookup, {type});
    std::vector<std::string> seen;
    for (const LookupEntry &e : entries) {
        if (!e.read || e.shown.group != MIMEAPPS_DEFAULTS)
            continue;
        for (const std::string &id : e.ids) {
            if (has(seen, id))
                continue;
            seen.push_back(id);
            if (lookup_loads(&scan->lookup, id))
                return it->second;
            std::optional<std::string> path = held(scan->lookup, id);
            if (path && id != answer_id(scan, type))
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
        if (file.kind == LIST_CACHE || !users(*scan, file.folder) || !reads(file.kind, k.group) ||
            k.group == MIMEAPPS_REMOVED)
            continue;
        for (const std::string &id : k.ids) {
            if (held(lookup, id))
                continue;
            DoctorFinding f =
                finding("missing-application", DoctorSeverity::error, {k.key}, file.path, id,
                        "the list's [" + k.group + "] names " + id +
                            ", which no data folder holds: GIO passes over it "
                            "without a word",
                        list_fix(file.path));
            if (!wildcard(k.key))
                f.gio_answer = answer_id(scan, aliases_unalias(k.key.c_str()));
            out->push_back(std::move(f));
        }
    }
}

// 2: a default GIO passes over because a program it needs is not there.
void check_skipped(Scan *scan, std::vector<DoctorFinding> *out) {
    for (const std::string &type : scan->types)
        for (const Skipped &s : skipped_defaults(scan, type)) {
            const Desktop &d = desktop_of(scan, s.path);
            if (d.broken)
                continue;
            std::string answer = answer_id(scan, type);
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
        std::string answer = answer_id(scan, type);
        for (const Skipped &s : skipped_defaults(scan, type)) {
            const Desktop &d = desktop_of(scan, s.path);
            if (!d.broken)
                continue;
            DoctorFinding f = finding(
                "broken-entry", DoctorSeverity::error, {type}, s.path, s.id,
                s.id + ", the default " + s.list + " names, is passed over by GIO: " + d.fault,
                "mend " + word(s.path) + ", or choose another: " + choose(answer));
            f.gio_answer = answer;
            out->push_back(std::move(f));
        }
        const std::optional<Answer> &a = answer_of(scan, type);
        if (!a || a->file.empty())
            continue;
        const Desktop &d = desktop_of(scan, a->file);
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
        const std::optional<Answer> &a = answer_of(scan, type);
        if (!a || a->file.empty())
            continue;
        const Desktop &d = desktop_of(scan, a->file);
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
        const std::optional<Answer> &a = answer_of(scan, type);
        if (!a || a->file.empty())
            continue;
        const Desktop &d = desktop_of(scan, a->file);
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

// What update-desktop-database writes into folder's cache: each type a desktop file of it
// declares, with the IDs that declare it.
std::map<std::string, std::set<std::string>> expected_cache(Scan *scan, size_t folder) {
    std::map<std::string, std::set<std::string>> cache;
    for (const auto &[id, path] : scan->lookup.apps[folder]) {
        const Desktop &d = desktop_of(scan, path);
        if (d.parses && !d.hidden)
            for (const std::string &type : d.declared)
                cache[type].insert(id);
    }
    return cache;
}

// What GIO reads from folder's cache: each canonical type's IDs in the cache's order.
std::map<std::string, std::vector<std::string>> read_cache(const Lookup &lookup, size_t folder) {
    std::map<std::string, std::vector<std::string>> cache;
    for (const ListKey &k : lookup.keys)
        if (lookup.files[k.file].folder == folder && lookup.files[k.file].kind == LIST_CACHE) {
            std::vector<std::string> &ids = cache[aliases_unalias(k.key.c_str())];
            for (const std::string &id : k.ids)
                if (!has(ids, id))
                    ids.push_back(id);
        }
    return cache;
}

// The cache as update-desktop-database writes it: types and IDs in byte order.
std::string cache_text(const std::map<std::string, std::set<std::string>> &cache) {
    std::string text = std::string("[") + PATHS_GROUP_CACHE + "]\n";
    for (const auto &[type, ids] : cache) {
        text += type + "=";
        for (const std::string &id : ids)
            text += id + ";";
        text += "\n";
    }
    return text;
}

std::string cache_path(const Lookup &lookup, size_t folder) {
    return lookup.folders[folder].path + "/mimeinfo.cache";
}

// What GIO would read from folder's cache once it is rebuilt: the rebuilt text read back as GIO
// reads it, so that an ID no cache can hold as it is (a ";" in its name) is the same on both
// sides of a comparison.
std::map<std::string, std::vector<std::string>> rebuilt_read(Scan *scan, size_t folder) {
    std::map<std::string, std::vector<std::string>> read;
    std::string text = cache_text(expected_cache(scan, folder));
    g_autoptr(GKeyFile) kf = g_key_file_new();
    if (!g_key_file_load_from_data(kf, text.data(), text.size(), G_KEY_FILE_NONE, nullptr))
        return read;
    g_auto(GStrv) keys = g_key_file_get_keys(kf, PATHS_GROUP_CACHE, nullptr, nullptr);
    for (char **k = keys; k != nullptr && *k != nullptr; k++) {
        std::vector<std::string> &ids = read[aliases_unalias(*k)];
        g_auto(GStrv) list =
            g_key_file_get_string_list(kf, PATHS_GROUP_CACHE, *k, nullptr, nullptr);
        for (char **id = list; id != nullptr && *id != nullptr; id++)
            if (**id != '\0' && !has(ids, *id))
                ids.push_back(*id);
    }
    return read;
}

// Where a folder's cache and its desktop files disagree, each an ID with its types.
struct CacheDrift {
    // Declared but not listed: GIO never offers the application for these types.
    std::map<std::string, std::vector<std::string>> unlisted;
    // Listed but declared by no desktop file of the folder: GIO offers the ID all the same,
    // loaded from a later folder where this one no longer holds it.
    std::map<std::string, std::vector<std::string>> extra;
};

CacheDrift cache_drift(Scan *scan, size_t folder) {
    CacheDrift drift;
    std::map<std::string, std::vector<std::string>> now = read_cache(scan->lookup, folder);
    std::map<std::string, std::vector<std::string>> next = rebuilt_read(scan, folder);
    for (const auto &[type, ids] : next)
        for (const std::string &id : ids)
            if (!has(now[type], id))
                drift.unlisted[id].push_back(type);
    for (const auto &[type, ids] : now)
        for (const std::string &id : ids)
            if (!has(next[type], id))
                drift.extra[id].push_back(type);
    return drift;
}

// 6: an application folder's cache is missing, or does not list what its desktop files declare
// (GIO never offers those applications for those types), or lists what none of them declares
// (GIO offers it all the same).
void check_cache(Scan *scan, std::vector<DoctorFinding> *out) {
    const Lookup &lookup = scan->lookup;
    for (size_t folder = 0; folder < lookup.folders.size(); folder++) {
        if (!lookup.folders[folder].applications)
            continue;
        std::string path = cache_path(lookup, folder), dir = lookup.folders[folder].path;
        bool there = g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
        std::string fix = folder == scan->user_apps
                              ? std::string(DOCTOR_FIX) + " (or " + udd_command(dir) + ")"
                              : udd_command(dir);
        CacheDrift drift = cache_drift(scan, folder);
        if (!there && !drift.unlisted.empty()) {
            // One finding for the folder, which the applications it names all lack.
            std::vector<std::string> ids, types;
            for (const auto &[id, declared] : drift.unlisted) {
                ids.push_back(id);
                for (const std::string &t : declared)
                    if (!has(types, t))
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
            if (k.file == f && reads(file.kind, k.group) && !wildcard(k.key) &&
                !has(types, aliases_unalias(k.key.c_str())))
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
        if (!loaded || desktop_of(scan, *loaded).hidden)
            continue;
        const std::string &first = paths.front();
        if (*loaded != first) {
            // GIO offers the ID for what the first copy declares (its folder's cache hides the
            // others'), then starts a later copy: two files make one application. A first copy
            // that says Hidden=true is how an application is deleted, and is meant.
            const Desktop &d = desktop_of(scan, first);
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
            for (const std::string &t : desktop_of(scan, path).declared)
                if (!has(types, t))
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
            if (k.file == f && wildcard(k.key) && !has(keys, k.key))
                keys.push_back(k.key);
        if (keys.empty())
            continue;
        out->push_back(finding("wildcard", DoctorSeverity::warning, keys, file.path, "",
                               "wildcard keys in a list have no effect: GIO looks every type up "
                               "by its exact name",
                               users(*scan, file.folder) ? list_fix(file.path)
                                                         : remove_keys(file.path, keys)));
    }
    for (size_t folder = 0; folder < lookup.folders.size(); folder++) {
        std::map<std::string, std::string> apps(lookup.apps[folder].begin(),
                                                lookup.apps[folder].end());
        for (const auto &[id, path] : apps) {
            if (lookup_masked(lookup, folder, id))
                continue;
            const Desktop &d = desktop_of(scan, path);
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
        if (!answer_of(scan, type))
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

// Every type looked at one by one: the item's, or the catalogue's and every list's.
std::vector<std::string> scope_types(const Catalog *catalog, const Item *item,
                                     const Lookup &lookup) {
    std::set<std::string> types;
    if (item != nullptr) {
        for (const char *t : item->types)
            types.insert(aliases_unalias(t));
        return {types.begin(), types.end()};
    }
    if (catalog != nullptr) {
        for (guint i = 0; i < catalog->categories->len; i++) {
            auto c = static_cast<Category *>(g_ptr_array_index(catalog->categories, i));
            for (char **t = c->mime_types; *t != nullptr; t++)
                types.insert(aliases_unalias(*t));
        }
        for (guint i = 0; i < catalog->mime_types->len; i++)
            types.insert(
                aliases_unalias(static_cast<char *>(g_ptr_array_index(catalog->mime_types, i))));
    }
    for (const auto &[type, keys] : lookup.by_type)
        if (!wildcard(type))
            types.insert(type);
    return {types.begin(), types.end()};
}

Scan scan_new(const Catalog *catalog, const Item *item) {
    Scan scan;
    scan.lookup = lookup_read();
    scan.types = scope_types(catalog, item, scan.lookup);
    std::string apps = paths_user_applications();
    for (size_t i = 0; i < scan.lookup.folders.size(); i++)
        if (scan.lookup.folders[i].path == apps)
            scan.user_apps = i;
    return scan;
}

// True when key (a type or a wildcard) concerns one of scope's types; every key does without a
// scope.
bool concerns(const std::string &key, const std::vector<std::string> *scope) {
    if (scope == nullptr)
        return true;
    return std::any_of(scope->begin(), scope->end(), [&](const std::string &s) {
        return aliases_unalias(key.c_str()) == s ||
               (wildcard(key) && g_pattern_match_simple(key.c_str(), s.c_str()));
    });
}

// True when the finding is about one of scope's types.
bool about(const DoctorFinding &f, const std::vector<std::string> &scope) {
    return std::any_of(f.types.begin(), f.types.end(),
                       [&](const std::string &t) { return concerns(t, &scope); });
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
            if (!has(out[it->second].types, t))
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
            if (!f.gio_answer || f.types.size() != 1 || wildcard(f.types[0]))
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

namespace {

// IDs as a key-file list value, as GIO writes one: each followed by ";", separators escaped.
std::string list_value(const std::vector<std::string> &ids) {
    std::string value;
    for (const std::string &id : ids) {
        for (char c : id) {
            if (c == ';' || c == '\\')
                value += '\\';
            value += c;
        }
        value += ';';
    }
    return value;
}

// Takes out of a user's list (text, parsed from bytes) the wildcard keys and the IDs of
// applications no data folder holds that concern scope. One line for each mend, or none.
std::vector<std::string> mend_list(const ListFile &file, const std::string &bytes, ListText *text,
                                   const Lookup &lookup, const std::vector<std::string> *scope) {
    g_autoptr(GKeyFile) kf = g_key_file_new();
    if (!g_key_file_load_from_data(kf, bytes.data(), bytes.size(), G_KEY_FILE_NONE, nullptr))
        return {};
    // What was taken out, as its line says it: each ID (or the wildcard keys) of a group, with
    // the keys it was taken from.
    std::vector<std::pair<std::string, std::vector<std::string>>> mends;
    auto mended = [&](const std::string &what, const std::string &key) {
        auto it = std::find_if(mends.begin(), mends.end(),
                               [&](const auto &m) { return m.first == what; });
        if (it == mends.end())
            mends.push_back({what, {key}});
        else
            it->second.push_back(key);
    };
    for (const char *group : MIMEAPPS_GROUPS) {
        g_auto(GStrv) keys = g_key_file_get_keys(kf, group, nullptr, nullptr);
        for (char **k = keys; k != nullptr && *k != nullptr; k++) {
            if (!concerns(*k, scope))
                continue;
            std::string where = file.path + " [" + group + "]";
            if (wildcard(*k)) {
                list_text_put(text, group, *k, std::nullopt);
                mended("Removed the wildcard keys from " + where, *k);
                continue;
            }
            if (std::string_view(group) == MIMEAPPS_REMOVED || !reads(file.kind, group))
                continue;
            std::optional<std::string> raw = list_text_get(*text, group, *k);
            std::vector<std::string> keep, gone;
            for (const std::string &id : keyfile_split_list(raw.value_or("")))
                if (!id.empty())
                    (held(lookup, id) ? keep : gone).push_back(id);
            if (gone.empty())
                continue;
            list_text_put(text, group, *k,
                          keep.empty() ? std::nullopt : std::optional(list_value(keep)));
            for (const std::string &id : gone)
                mended("Removed " + id + " from " + where, *k);
        }
    }
    std::vector<std::string> lines;
    for (const auto &[what, keys] : mends)
        lines.push_back(what + ": " + text_join(keys));
    return lines;
}

// The types whose GIO answer a rebuilt cache may change: each type whose ancestry holds a type
// the cache gives other IDs (or another order of them).
std::vector<std::string> touched_types(Scan *scan) {
    if (scan->user_apps == SIZE_MAX)
        return {};
    std::map<std::string, std::vector<std::string>> now = read_cache(scan->lookup, scan->user_apps);
    std::map<std::string, std::vector<std::string>> next = rebuilt_read(scan, scan->user_apps);
    std::set<std::string> changed, all;
    for (const auto &[type, ids] : now)
        if (next[type] != ids)
            changed.insert(type);
    for (const auto &[type, ids] : next)
        if (now[type] != ids)
            changed.insert(type);
    if (changed.empty())
        return {};
    all.insert(scan->types.begin(), scan->types.end());
    all.insert(changed.begin(), changed.end());
    std::vector<std::string> touched;
    for (const std::string &type : all) {
        if (wildcard(type))
            continue;
        std::vector<std::string> chain = aliases_ancestry(type.c_str());
        if (std::any_of(chain.begin(), chain.end(),
                        [&](const std::string &t) { return changed.count(t) > 0; }))
            touched.push_back(type);
    }
    return touched;
}

std::string joined(const std::string &a, const std::string &b) {
    return a.empty() ? b : b.empty() ? a : a + "; " + b;
}

} // namespace

DoctorRepairs doctor_fix(const Catalog *catalog, const Item *item) {
    DoctorRepairs repairs;
    std::vector<std::string> scope_list;
    const std::vector<std::string> *scope = nullptr;
    if (item != nullptr) {
        for (const char *t : item->types)
            scope_list.push_back(aliases_unalias(t));
        scope = &scope_list;
    }
    // GIO's answers before, for every type a rebuilt cache may change, whatever the item.
    Scan first = scan_new(catalog, nullptr);
    std::vector<std::string> touched = touched_types(&first);
    std::vector<std::string> before;
    for (const std::string &type : touched)
        before.push_back(answer_id(&first, type));
    std::string journal_warning;
    Change change{DOCTOR_WHAT, {}, {}, ""};
    auto make = [&](Change *c) -> std::optional<std::string> {
        repairs.done.clear();
        repairs.left.clear();
        Scan scan = scan_new(catalog, item);
        const Lookup &lookup = scan.lookup;
        JournalEntry entry{"", "", "doctor", {}, {}, "", "", DOCTOR_WHAT};
        for (size_t f = 0; f < lookup.files.size(); f++) {
            const ListFile &file = lookup.files[f];
            if (file.kind == LIST_CACHE || !users(scan, file.folder) || !lookup.parsed[f])
                continue;
            std::optional<std::string> bytes;
            if (auto refusal = mimeapps_open(file.path.c_str(), &bytes)) {
                // Named only when there was something to mend in it.
                std::optional<std::string> now = files_read(file.path.c_str());
                ListText text = list_text_parse(now.value_or(""));
                if (now && !mend_list(file, *now, &text, lookup, scope).empty())
                    repairs.left.push_back(*refusal + ": its entries stay as they are");
                continue;
            }
            if (!bytes)
                continue;
            ListText text = list_text_parse(*bytes);
            std::vector<std::string> lines = mend_list(file, *bytes, &text, lookup, scope);
            if (lines.empty())
                continue;
            std::string after = list_text_join(text);
            c->files.push_back({file.path, bytes, after, true, false});
            entry.files.push_back({file.path, bytes, journal_sum(after)});
            repairs.done.insert(repairs.done.end(), lines.begin(), lines.end());
        }
        if (scan.user_apps != SIZE_MAX) {
            bool stale = false;
            CacheDrift drift = cache_drift(&scan, scan.user_apps);
            for (const auto *side : {&drift.unlisted, &drift.extra})
                for (const auto &[id, types] : *side)
                    stale = stale || std::any_of(types.begin(), types.end(),
                                                 [&](const auto &t) { return concerns(t, scope); });
            std::string path = cache_path(lookup, scan.user_apps);
            if (stale) {
                if (auto refusal = files_refusal(path.c_str())) {
                    repairs.left.push_back(*refusal + ": " + path + " stays as it is");
                } else {
                    std::optional<std::string> was = files_read(path.c_str());
                    std::string after = cache_text(expected_cache(&scan, scan.user_apps));
                    // The same bytes again would be a repair claimed and nothing for undo.
                    if (was != after) {
                        c->files.push_back({path, was, after, false, false});
                        entry.files.push_back({path, was, journal_sum(after)});
                        repairs.done.push_back("Rebuilt " + path);
                    }
                }
            }
        }
        journal_warning.clear();
        if (change_changes(*c))
            if (auto why = change_add_journal(c, entry))
                journal_warning = "it cannot be undone: " + *why;
        return std::nullopt;
    };
    if (auto error = change_run(&change, make, nullptr)) {
        repairs.ok = false;
        repairs.error = *error;
        return repairs;
    }
    bool rebuilt = std::any_of(change.files.begin(), change.files.end(),
                               [](const ChangeFile &f) { return f.written && !f.list; });
    if (rebuilt) {
        // GIO reads the folder's cache again only once it has noticed the new one.
        mimeapps_watch();
        mimeapps_reread_folder(paths_user_applications());
        for (size_t i = 0; i < touched.size(); i++) {
            g_autoptr(GAppInfo) now = g_app_info_get_default_for_type(touched[i].c_str(), FALSE);
            std::string after =
                now != nullptr && g_app_info_get_id(now) != nullptr ? g_app_info_get_id(now) : "";
            if (after != before[i])
                repairs.changed.push_back(touched[i] + ": " +
                                          (before[i].empty() ? "nothing" : before[i]) + " -> " +
                                          (after.empty() ? "nothing" : after));
        }
    }
    if (!change.journal.error.empty())
        journal_warning = "it cannot be undone: " + change.journal.error;
    repairs.warning = joined(change.recovered, journal_warning);
    return repairs;
}
