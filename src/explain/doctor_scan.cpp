// What the doctor reads: desktop files as GIO loads them, GIO's answers, and application
// folders' caches as update-desktop-database writes them.
#include "explain/doctor_scan.h"

#include <algorithm>
#include <cstring>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "catalog/catalog.h"
#include "catalog/item.h"
#include "registry/aliases.h"
#include "settings/mimeapps.h"
#include "util/paths.h"

namespace {

// Media types update-desktop-database takes into a cache; any other but "x-…" it leaves out.
constexpr const char *DOCTOR_MEDIA[] = {"application", "audio", "chemical", "font",
                                        "image",       "inode", "message",  "model",
                                        "multipart",   "text",  "video"};

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
ScanDesktop desktop_read(const std::string &path) {
    ScanDesktop d;
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
        if (scan_wildcard(*t) && !scan_has(d.patterns, *t))
            d.patterns.push_back(*t);
        if (cache_type_valid(*t) && !scan_has(d.declared, *t))
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
        if (!scan_wildcard(type))
            types.insert(type);
    return {types.begin(), types.end()};
}

} // namespace

bool scan_has(const std::vector<std::string> &list, const std::string &item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

bool scan_wildcard(const std::string &type) {
    return type.find('*') != std::string::npos;
}

const ScanDesktop &scan_desktop(Scan *scan, const std::string &path) {
    auto it = scan->desktops.find(path);
    if (it == scan->desktops.end())
        it = scan->desktops.emplace(path, desktop_read(path)).first;
    return it->second;
}

const std::optional<ScanAnswer> &scan_answer(Scan *scan, const std::string &type) {
    auto [it, added] = scan->answers.try_emplace(type);
    if (added) {
        g_autoptr(GAppInfo) app = g_app_info_get_default_for_type(type.c_str(), FALSE);
        if (app != nullptr) {
            const char *id = g_app_info_get_id(app);
            const char *file = G_IS_DESKTOP_APP_INFO(app)
                                   ? g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app))
                                   : nullptr;
            it->second = ScanAnswer{id ? id : "", file ? file : ""};
        }
    }
    return it->second;
}

std::string scan_answer_id(Scan *scan, const std::string &type) {
    const std::optional<ScanAnswer> &a = scan_answer(scan, type);
    return a ? a->id : "";
}

std::optional<std::string> scan_held(const Lookup &lookup, const std::string &id) {
    for (size_t i = 0; i < lookup.folders.size(); i++)
        if (std::optional<std::string> path = lookup_app_file(lookup, i, id))
            return path;
    return std::nullopt;
}

bool scan_users(const Scan &scan, size_t folder) {
    return folder == 0 || folder == scan.user_apps;
}

bool scan_reads(ListKind kind, const std::string &group) {
    return kind == LIST_FULL || (kind == LIST_DEFAULTS_ONLY && group == MIMEAPPS_DEFAULTS);
}

std::map<std::string, std::set<std::string>> scan_expected_cache(Scan *scan, size_t folder) {
    std::map<std::string, std::set<std::string>> cache;
    for (const auto &[id, path] : scan->lookup.apps[folder]) {
        const ScanDesktop &d = scan_desktop(scan, path);
        if (d.parses && !d.hidden)
            for (const std::string &type : d.declared)
                cache[type].insert(id);
    }
    return cache;
}

std::map<std::string, std::vector<std::string>> scan_read_cache(const Lookup &lookup,
                                                                size_t folder) {
    std::map<std::string, std::vector<std::string>> cache;
    for (const ListKey &k : lookup.keys)
        if (lookup.files[k.file].folder == folder && lookup.files[k.file].kind == LIST_CACHE) {
            std::vector<std::string> &ids = cache[aliases_unalias(k.key.c_str())];
            for (const std::string &id : k.ids)
                if (!scan_has(ids, id))
                    ids.push_back(id);
        }
    return cache;
}

std::string scan_cache_text(const std::map<std::string, std::set<std::string>> &cache) {
    std::string text = std::string("[") + PATHS_GROUP_CACHE + "]\n";
    for (const auto &[type, ids] : cache) {
        text += type + "=";
        for (const std::string &id : ids)
            text += id + ";";
        text += "\n";
    }
    return text;
}

std::string scan_cache_path(const Lookup &lookup, size_t folder) {
    return lookup.folders[folder].path + "/mimeinfo.cache";
}

std::map<std::string, std::vector<std::string>> scan_rebuilt_read(Scan *scan, size_t folder) {
    std::map<std::string, std::vector<std::string>> read;
    std::string text = scan_cache_text(scan_expected_cache(scan, folder));
    g_autoptr(GKeyFile) kf = g_key_file_new();
    if (!g_key_file_load_from_data(kf, text.data(), text.size(), G_KEY_FILE_NONE, nullptr))
        return read;
    g_auto(GStrv) keys = g_key_file_get_keys(kf, PATHS_GROUP_CACHE, nullptr, nullptr);
    for (char **k = keys; k != nullptr && *k != nullptr; k++) {
        std::vector<std::string> &ids = read[aliases_unalias(*k)];
        g_auto(GStrv) list =
            g_key_file_get_string_list(kf, PATHS_GROUP_CACHE, *k, nullptr, nullptr);
        for (char **id = list; id != nullptr && *id != nullptr; id++)
            if (**id != '\0' && !scan_has(ids, *id))
                ids.push_back(*id);
    }
    return read;
}

ScanCacheDrift scan_cache_drift(Scan *scan, size_t folder) {
    ScanCacheDrift drift;
    std::map<std::string, std::vector<std::string>> now = scan_read_cache(scan->lookup, folder);
    std::map<std::string, std::vector<std::string>> next = scan_rebuilt_read(scan, folder);
    for (const auto &[type, ids] : next)
        for (const std::string &id : ids)
            if (!scan_has(now[type], id))
                drift.unlisted[id].push_back(type);
    for (const auto &[type, ids] : now)
        for (const std::string &id : ids)
            if (!scan_has(next[type], id))
                drift.extra[id].push_back(type);
    return drift;
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

bool scan_concerns(const std::string &key, const std::vector<std::string> *scope) {
    if (scope == nullptr)
        return true;
    return std::any_of(scope->begin(), scope->end(), [&](const std::string &s) {
        return aliases_unalias(key.c_str()) == s ||
               (scan_wildcard(key) && g_pattern_match_simple(key.c_str(), s.c_str()));
    });
}
