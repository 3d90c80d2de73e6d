// Why a type opens where it does: GIO's own lookup replayed over every list it reads.
#include "explain/why.h"

#include <algorithm>
#include <cstring>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "registry/aliases.h"
#include "registry/origin.h"
#include "settings/mimeapps.h"
#include "util/paths.h"
#include "util/text.h"

namespace {

// One key of a list file for one type of the ancestry, with what GIO made of it.
struct Entry {
    WhyList shown;
    size_t folder;
    size_t level; // the type's place in the ancestry
    bool read;    // GIO takes this group from this file
    bool cache;   // from mimeinfo.cache: a declaration, not a list the user sees
    std::vector<std::string> ids;
    std::vector<std::string> taken;   // what it put among the candidates
    std::vector<std::string> removed; // IDs GIO left out: Removed Associations name them
    std::vector<std::string> masked;  // IDs GIO ignores here: a folder before has the file
};

// GIO's answer as the replay finds it.
struct Lookup {
    std::optional<std::string> id;
    std::string file; // the desktop file that loads
    int entry = -1;   // the entry that gave it
    size_t level = 0;
};

// The desktop file GIO would start id from: the first folder where it loads as an
// application, hidden or not (GIO answers with a Hidden=true application all the same).
std::optional<std::string> loads(const std::vector<ListFolder> &folders, const std::string &id) {
    for (const ListFolder &f : folders) {
        if (!f.applications)
            continue;
        std::optional<std::string> path = origin_app_file(f.path, id);
        if (!path)
            continue;
        g_autoptr(GDesktopAppInfo) app = g_desktop_app_info_new_from_filename(path->c_str());
        if (app != nullptr)
            return path;
    }
    return std::nullopt;
}

// GIO ignores an association for an application whose desktop file an earlier folder holds.
bool masked(const std::vector<ListFolder> &folders, size_t folder, const std::string &id) {
    for (size_t i = 0; i < folder; i++)
        if (folders[i].applications && origin_app_file(folders[i].path, id))
            return true;
    return false;
}

std::vector<std::string> ids_in(GKeyFile *kf, const char *group, const char *key) {
    std::vector<std::string> ids;
    g_auto(GStrv) list = g_key_file_get_string_list(kf, group, key, nullptr, nullptr);
    for (char **p = list; p != nullptr && *p != nullptr; p++)
        if (**p != '\0')
            ids.push_back(*p);
    return ids;
}

// The entries every file gives the types of the ancestry (chain), in GIO's reading order; each
// file is read once.
std::vector<Entry> entries_for(const std::vector<ListFile> &files,
                               const std::vector<std::string> &chain) {
    std::vector<Entry> out;
    for (const ListFile &f : files) {
        g_autoptr(GKeyFile) kf = g_key_file_new();
        if (!g_key_file_load_from_file(kf, f.path.c_str(), G_KEY_FILE_NONE, nullptr))
            continue;
        std::vector<const char *> groups{MIMEAPPS_DEFAULTS, MIMEAPPS_ADDED, MIMEAPPS_REMOVED};
        if (f.kind == LIST_CACHE)
            groups = {PATHS_GROUP_CACHE};
        for (const char *group : groups) {
            g_auto(GStrv) keys = g_key_file_get_keys(kf, group, nullptr, nullptr);
            for (char **k = keys; k != nullptr && *k != nullptr; k++) {
                auto level = std::find(chain.begin(), chain.end(), aliases_unalias(*k));
                if (level == chain.end())
                    continue;
                g_autofree char *value = g_key_file_get_value(kf, group, *k, nullptr);
                Entry e{{f.path, group, std::string(*k) + "=" + (value ? value : ""), "", ""},
                        f.folder,
                        static_cast<size_t>(level - chain.begin()),
                        f.kind != LIST_DEFAULTS_ONLY || group == MIMEAPPS_DEFAULTS,
                        f.kind == LIST_CACHE,
                        ids_in(kf, group, *k),
                        {},
                        {},
                        {}};
                out.push_back(std::move(e));
            }
        }
    }
    // Each type's entries together, the type's own first, as GIO tries them.
    std::stable_sort(out.begin(), out.end(),
                     [](const Entry &a, const Entry &b) { return a.level < b.level; });
    return out;
}

bool has(const std::vector<std::string> &list, const std::string &id) {
    return std::find(list.begin(), list.end(), id) != list.end();
}

bool association(const Entry &e) {
    return e.shown.group == MIMEAPPS_ADDED || e.cache;
}

// GIO's lookup (g_app_info_get_default_for_type) replayed: for the type and then each parent in
// turn, every folder's defaults, then every folder's associations less those removed, and the
// first of them that loads is the answer. Records on each entry what it contributed.
Lookup replay(std::vector<Entry> &entries, const std::vector<ListFolder> &folders, size_t levels) {
    std::vector<std::string> removed; // GIO keeps it from one parent type to the next
    for (size_t level = 0; level < levels; level++) {
        std::vector<std::pair<std::string, int>> candidates;
        auto taken = [&](const std::string &id) {
            return std::any_of(candidates.begin(), candidates.end(),
                               [&](const auto &c) { return c.first == id; });
        };
        for (size_t i = 0; i < entries.size(); i++) {
            Entry &e = entries[i];
            if (e.level != level || !e.read || e.shown.group != MIMEAPPS_DEFAULTS)
                continue;
            for (const std::string &id : e.ids)
                if (!taken(id)) {
                    candidates.push_back({id, static_cast<int>(i)});
                    e.taken.push_back(id);
                }
        }
        for (size_t folder = 0; folder < folders.size(); folder++) {
            // A folder's lists are merged as GIO reads them (expand_strv): mimeapps.list's
            // associations, its removals, then mimeinfo.cache's associations. Only a list that
            // is merged into one already there leaves out what the other one names: the cache
            // passes an ID mimeapps.list removes unless mimeapps.list also adds some.
            std::vector<std::string> added_here, removed_here;
            bool adds = false, removes = false;
            for (Entry &e : entries)
                if (e.level == level && e.folder == folder && e.read &&
                    e.shown.group == MIMEAPPS_ADDED) {
                    added_here.insert(added_here.end(), e.ids.begin(), e.ids.end());
                    adds = true;
                }
            for (Entry &e : entries)
                if (e.level == level && e.folder == folder && e.read &&
                    e.shown.group == MIMEAPPS_REMOVED) {
                    for (const std::string &id : e.ids)
                        if (!removes || !has(added_here, id))
                            removed_here.push_back(id);
                    removes = true;
                }
            for (size_t i = 0; i < entries.size(); i++) {
                Entry &e = entries[i];
                if (e.level != level || e.folder != folder || !e.read || !association(e))
                    continue;
                for (const std::string &id : e.ids) {
                    if (masked(folders, folder, id))
                        e.masked.push_back(id);
                    else if ((e.cache && adds && has(removed_here, id)) || has(removed, id))
                        e.removed.push_back(id);
                    else if (!taken(id)) {
                        candidates.push_back({id, static_cast<int>(i)});
                        e.taken.push_back(id);
                    }
                }
            }
            for (const std::string &id : removed_here)
                if (!masked(folders, folder, id) && !has(removed, id) && !taken(id))
                    removed.push_back(id);
        }
        for (const auto &[id, entry] : candidates)
            if (std::optional<std::string> file = loads(folders, id))
                return {id, *file, entry, level};
    }
    return {};
}

// Gives each entry up to level last its verdict: the one that gave GIO's answer decides
// (decider, or nullptr when none of them did), every other is outranked by it or skipped, with
// the reason.
void judge(std::vector<Entry> &entries, size_t last, const std::vector<ListFolder> &folders,
           const Entry *decider, const std::string &answer) {
    for (Entry &e : entries) {
        if (e.cache || e.level > last)
            continue;
        WhyList &w = e.shown;
        if (&e == decider) {
            w.verdict = "decides";
            continue;
        }
        w.verdict = "skipped";
        if (!e.read) {
            w.reason = "GIO reads only defaults from this list";
            continue;
        }
        if (w.group == MIMEAPPS_REMOVED) {
            w.reason = decider && decider->shown.group == MIMEAPPS_DEFAULTS
                           ? "Removed Associations do not undo a default"
                           : "takes applications out of the candidates";
            continue;
        }
        std::vector<std::string> installed, left_out;
        for (const std::string &id : e.ids)
            if (loads(folders, id)) {
                installed.push_back(id);
                if (has(e.removed, id) || has(e.masked, id))
                    left_out.push_back(id);
            }
        if (e.ids.empty()) {
            w.reason = "names no application";
        } else if (installed.empty()) {
            w.reason = e.ids.size() == 1 ? e.ids[0] + " is not installed"
                                         : "none of " + text_join(e.ids) + " is installed";
        } else if (left_out.size() == installed.size()) {
            w.reason = has(e.removed, left_out[0])
                           ? "Removed Associations take " + left_out[0] + " out"
                           : "GIO takes it only from the folder of " + left_out[0];
        } else {
            w.verdict = "outranked";
            if (decider == nullptr)
                w.reason = answer.empty() ? "GIO answers nothing" : "GIO answers " + answer;
            else if (decider->cache)
                w.reason = "an application that declares the type comes first";
            else if (decider->shown.group == MIMEAPPS_ADDED)
                w.reason = "an earlier association comes first";
            else
                w.reason =
                    w.group == MIMEAPPS_DEFAULTS ? "an earlier list decides" : "a default decides";
        }
    }
}

// The Exec line as GIO expands it for one URI (expand_application_parameters): %f a local path
// (a link without one is dropped), %u the local path too unless the link has an anchor or the
// application says X-GIO-NoFuse, else the link, %d and %n the path's folder and name, %i the
// icon, %c the name, %k the desktop file; without any of the file codes the URI goes at the end
// as %f. passed says whether the URI reached the command.
std::string command_for(GAppInfo *app, const std::string &uri, bool *passed) {
    GDesktopAppInfo *desktop = G_IS_DESKTOP_APP_INFO(app) ? G_DESKTOP_APP_INFO(app) : nullptr;
    bool no_fuse = desktop && g_desktop_app_info_get_boolean(desktop, "X-GIO-NoFuse");
    g_autoptr(GFile) file = g_file_new_for_uri(uri.c_str());
    g_autofree char *path = g_file_get_path(file);
    auto quoted = [](const char *s) {
        g_autofree char *q = g_shell_quote(s);
        return std::string(q);
    };
    auto one = [&](char code) -> std::optional<std::string> {
        switch (code) {
        case 'u':
        case 'U':
            return quoted(uri.c_str());
        case 'd':
        case 'D':
        case 'n':
        case 'N': {
            if (path == nullptr)
                return std::nullopt;
            g_autofree char *part =
                g_ascii_tolower(code) == 'd' ? g_path_get_dirname(path) : g_path_get_basename(path);
            return quoted(part);
        }
        default:
            return path ? std::optional(quoted(path)) : std::nullopt;
        }
    };
    bool consumed = false;
    *passed = false;
    auto expand = [&](char code, std::string *out) {
        if (consumed)
            return;
        consumed = true;
        std::optional<std::string> text;
        if (g_ascii_tolower(code) == 'u' && !no_fuse && uri.find('#') == std::string::npos)
            text = one(code == 'u' ? 'f' : 'F');
        if (!text)
            text = one(code);
        if (text) {
            *out += *text;
            *passed = true;
        }
    };
    const char *exec = g_app_info_get_commandline(app);
    std::string out;
    for (const char *p = exec ? exec : ""; *p != '\0'; p++) {
        if (*p != '%' || p[1] == '\0') {
            out += *p;
            continue;
        }
        char code = *++p;
        if (strchr("fFuUdDnN", code) != nullptr) {
            expand(code, &out);
        } else if (code == 'i' && desktop != nullptr) {
            g_autofree char *icon = g_desktop_app_info_get_locale_string(desktop, "Icon");
            if (icon != nullptr) {
                std::string name = icon;
                // GIO drops an image suffix from a themed icon's name.
                for (const char *suffix : {".png", ".xpm", ".svg"})
                    if (!g_path_is_absolute(icon) && g_str_has_suffix(icon, suffix))
                        name.resize(name.size() - strlen(suffix));
                out += "--icon " + quoted(name.c_str());
            }
        } else if (code == 'c' && desktop != nullptr) {
            g_autofree char *name = g_desktop_app_info_get_locale_string(desktop, "Name");
            if (name != nullptr)
                out += quoted(name);
        } else if (code == 'k' && desktop != nullptr &&
                   g_desktop_app_info_get_filename(desktop) != nullptr) {
            out += quoted(g_desktop_app_info_get_filename(desktop));
        } else if (code == '%') {
            out += '%';
        }
    }
    if (!consumed) {
        out += ' ';
        expand('f', &out);
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

} // namespace

WhyType why_type(const char *type) {
    WhyType why;
    why.type = type;
    g_autoptr(GAppInfo) app = g_app_info_get_default_for_type(type, FALSE);
    const char *gio_file = nullptr;
    if (app != nullptr) {
        const char *id = g_app_info_get_id(app);
        why.id = id ? id : "";
        why.name = g_app_info_get_name(app);
        if (G_IS_DESKTOP_APP_INFO(app))
            gio_file = g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app));
        if (gio_file != nullptr)
            why.file = gio_file;
        why.declared = aliases_covers(g_app_info_get_supported_types(app), type);
        why.hidden_copies = origin_hidden_copies(app);
    }
    std::vector<ListFolder> folders = paths_list_folders();
    std::vector<ListFile> files = paths_list_files(folders);
    std::vector<std::string> chain = aliases_ancestry(type);
    std::vector<Entry> entries = entries_for(files, chain);
    Lookup found = replay(entries, folders, chain.size());
    // GIO is the judge: a replay that ends elsewhere explains nothing.
    bool agrees = found.id.has_value() == (app != nullptr) &&
                  (!found.id || (gio_file ? found.file == gio_file : *found.id == *why.id));
    const Entry *decider = agrees && found.entry >= 0 ? &entries[found.entry] : nullptr;
    // Shown: the lists of every type GIO tried, up to the one it answered for.
    size_t last = agrees && found.id ? found.level : 0;
    judge(entries, last, folders, decider, why.id.value_or(""));
    for (const Entry &e : entries)
        if (!e.cache && e.level <= last)
            why.lists.push_back(e.shown);
    if (app == nullptr) {
        why.decision = "no application opens it";
        return why;
    }
    if (!agrees) {
        why.decision = "GIO answers " + *why.id + "; no list shown explains it";
        return why;
    }
    std::string by = "GIO's own choice: the first application that declares it";
    if (!decider->cache) {
        why.decided_file = decider->shown.file;
        why.decided_group = decider->shown.group;
        by = "decided by " + decider->shown.file + " [" + decider->shown.group + "]";
    }
    if (found.level == 0) {
        why.decision = by;
        return why;
    }
    why.inherited_from = chain[found.level];
    why.decision = "inherited from " + chain[found.level] + ", " +
                   (decider->cache ? "GIO's own choice for it" : by);
    return why;
}

std::optional<WhyType> why_target(const char *target, std::string *error) {
    g_autofree char *given_scheme = g_uri_parse_scheme(target);
    std::string uri = target;
    if (given_scheme == nullptr) {
        g_autoptr(GFile) file = g_file_new_for_commandline_arg(target);
        g_autofree char *u = g_file_get_uri(file);
        uri = u;
    }
    // As gio open: the link's scheme first (file: too), then the file it points to.
    g_autofree char *scheme = g_uri_parse_scheme(uri.c_str());
    g_autofree char *lower = g_ascii_strdown(scheme ? scheme : "", -1);
    std::string type = std::string("x-scheme-handler/") + lower;
    g_autoptr(GAppInfo) app = g_app_info_get_default_for_type(type.c_str(), FALSE);
    g_autoptr(GFile) file = g_file_new_for_uri(uri.c_str());
    g_autofree char *path = g_file_get_path(file);
    if (app == nullptr && path != nullptr) {
        // GIO's own reading of the file: a pipe, a device or a socket by what stat says, an
        // empty file as text, the rest by name and, where that is unsure, by content.
        g_autoptr(GError) failed = nullptr;
        g_autoptr(GFileInfo) info = g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                                      G_FILE_QUERY_INFO_NONE, nullptr, &failed);
        if (info == nullptr) {
            *error = g_error_matches(failed, G_IO_ERROR, G_IO_ERROR_NOT_FOUND)
                         ? std::string("no such file: ") + target
                         : std::string(target) + ": " + failed->message;
            return std::nullopt;
        }
        const char *content = g_file_info_get_content_type(info);
        g_autofree char *mime = content ? g_content_type_get_mime_type(content) : nullptr;
        type = mime ? mime : content ? content : "application/octet-stream";
        app = g_app_info_get_default_for_type(type.c_str(), FALSE);
    }
    WhyType why = why_type(type.c_str());
    if (app != nullptr) {
        why.command = command_for(app, uri, &why.passed);
        why.terminal = G_IS_DESKTOP_APP_INFO(app) &&
                       g_desktop_app_info_get_boolean(G_DESKTOP_APP_INFO(app), "Terminal");
    }
    return why;
}

std::vector<std::string> why_text(const WhyType &why) {
    std::vector<std::string> lines;
    if (why.id)
        lines.push_back(why.type + ": " + *why.id + " (" + why.name.value_or("") + ")");
    else
        lines.push_back(why.type + ": no default");
    if (why.file)
        lines.push_back("  file: " + *why.file);
    for (const std::string &copy : why.hidden_copies)
        lines.push_back("  hides: " + copy + " (" + origin_label(origin_of_file(copy.c_str())) +
                        ")");
    lines.push_back("  " + why.decision);
    if (why.id)
        lines.push_back(std::string("  declared: ") + (why.declared ? "yes" : "no"));
    // The file first and the entry below it, so that a narrow screen loses neither.
    for (const WhyList &e : why.lists) {
        lines.push_back("  " + e.verdict + ": " + e.file + " [" + e.group + "]");
        lines.push_back("      " + e.value + (e.reason.empty() ? "" : " (" + e.reason + ")"));
    }
    if (why.command)
        lines.push_back("  command: " + *why.command + (why.terminal ? " (in a terminal)" : "") +
                        (why.passed ? ""
                                    : " (the link is not passed: the application takes "
                                      "files only)"));
    return lines;
}
