// GIO's default lookup replayed over the lists it reads and the desktop files it finds.
#include "explain/lookup.h"

#include <algorithm>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "registry/aliases.h"
#include "settings/mimeapps.h"

namespace {

// The desktop IDs of a folder as GIO lists them: every file whose name ends in ".desktop", and
// in each subfolder the same with the subfolder's name and "-" before the file's.
void scan_apps(const std::string &dir, const std::string &prefix,
               std::unordered_map<std::string, std::string> *apps) {
    g_autoptr(GDir) handle = g_dir_open(dir.c_str(), 0, nullptr);
    for (const char *name; handle != nullptr && (name = g_dir_read_name(handle)) != nullptr;) {
        std::string path = dir + "/" + name;
        if (g_str_has_suffix(name, ".desktop"))
            (*apps)[prefix + name] = path;
        else if (g_file_test(path.c_str(), G_FILE_TEST_IS_DIR))
            scan_apps(path, prefix + name + "-", apps);
    }
}

std::vector<std::string> ids_in(GKeyFile *kf, const char *group, const char *key) {
    std::vector<std::string> ids;
    g_auto(GStrv) list = g_key_file_get_string_list(kf, group, key, nullptr, nullptr);
    for (char **p = list; p != nullptr && *p != nullptr; p++)
        if (**p != '\0')
            ids.push_back(*p);
    return ids;
}

bool has(const std::vector<std::string> &list, const std::string &id) {
    return std::find(list.begin(), list.end(), id) != list.end();
}

bool association(const LookupEntry &e) {
    return e.shown.group == MIMEAPPS_ADDED || e.cache;
}

} // namespace

Lookup lookup_read() {
    Lookup lookup;
    lookup.folders = paths_list_folders();
    lookup.files = paths_list_files(lookup.folders);
    lookup.apps.resize(lookup.folders.size());
    for (size_t i = 0; i < lookup.folders.size(); i++)
        if (lookup.folders[i].applications)
            scan_apps(lookup.folders[i].path, "", &lookup.apps[i]);
    for (size_t f = 0; f < lookup.files.size(); f++) {
        const ListFile &file = lookup.files[f];
        g_autoptr(GKeyFile) kf = g_key_file_new();
        bool parsed = g_key_file_load_from_file(kf, file.path.c_str(), G_KEY_FILE_NONE, nullptr);
        lookup.parsed.push_back(parsed);
        if (!parsed)
            continue;
        std::vector<const char *> groups{MIMEAPPS_DEFAULTS, MIMEAPPS_ADDED, MIMEAPPS_REMOVED};
        if (file.kind == LIST_CACHE)
            groups = {PATHS_GROUP_CACHE};
        for (const char *group : groups) {
            g_auto(GStrv) keys = g_key_file_get_keys(kf, group, nullptr, nullptr);
            for (char **k = keys; k != nullptr && *k != nullptr; k++) {
                g_autofree char *value = g_key_file_get_value(kf, group, *k, nullptr);
                lookup.by_type[aliases_unalias(*k)].push_back(lookup.keys.size());
                lookup.keys.push_back({f, group, *k, value ? value : "", ids_in(kf, group, *k)});
            }
        }
    }
    return lookup;
}

std::optional<std::string> lookup_app_file(const Lookup &lookup, size_t folder,
                                           const std::string &id) {
    const auto &apps = lookup.apps[folder];
    auto it = apps.find(id);
    if (it == apps.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::string> lookup_loads(Lookup *lookup, const std::string &id) {
    auto [known, added] = lookup->memo.try_emplace(id);
    if (!added)
        return known->second;
    for (size_t i = 0; i < lookup->folders.size(); i++) {
        std::optional<std::string> path = lookup_app_file(*lookup, i, id);
        if (!path)
            continue;
        g_autoptr(GDesktopAppInfo) app = g_desktop_app_info_new_from_filename(path->c_str());
        if (app != nullptr) {
            known->second = path;
            break;
        }
    }
    return known->second;
}

bool lookup_masked(const Lookup &lookup, size_t folder, const std::string &id) {
    for (size_t i = 0; i < folder; i++)
        if (lookup_app_file(lookup, i, id))
            return true;
    return false;
}

std::vector<LookupEntry> lookup_entries(const Lookup &lookup, const std::vector<std::string> &chain,
                                        size_t without) {
    std::vector<LookupEntry> out;
    for (size_t level = 0; level < chain.size(); level++) {
        auto found = lookup.by_type.find(chain[level]);
        if (found == lookup.by_type.end())
            continue;
        for (size_t index : found->second) {
            const ListKey &k = lookup.keys[index];
            if (k.file == without)
                continue;
            const ListFile &f = lookup.files[k.file];
            out.push_back({{f.path, k.group, k.key + "=" + k.value, "", ""},
                           index,
                           f.folder,
                           level,
                           f.kind != LIST_DEFAULTS_ONLY || k.group == MIMEAPPS_DEFAULTS,
                           f.kind == LIST_CACHE,
                           k.ids,
                           {},
                           {},
                           {}});
        }
    }
    return out;
}

LookupAnswer lookup_replay(Lookup *lookup, std::vector<LookupEntry> &entries, size_t levels) {
    const size_t folders = lookup->folders.size();
    std::vector<std::string> removed; // GIO keeps it from one parent type to the next
    for (size_t level = 0; level < levels; level++) {
        std::vector<std::pair<std::string, int>> candidates;
        auto taken = [&](const std::string &id) {
            return std::any_of(candidates.begin(), candidates.end(),
                               [&](const auto &c) { return c.first == id; });
        };
        for (size_t i = 0; i < entries.size(); i++) {
            LookupEntry &e = entries[i];
            if (e.level != level || !e.read || e.shown.group != MIMEAPPS_DEFAULTS)
                continue;
            for (const std::string &id : e.ids)
                if (!taken(id)) {
                    candidates.push_back({id, static_cast<int>(i)});
                    e.taken.push_back(id);
                }
        }
        for (size_t folder = 0; folder < folders; folder++) {
            // A folder's lists are merged as GIO reads them (expand_strv): mimeapps.list's
            // associations, its removals, then mimeinfo.cache's associations. Only a list that
            // is merged into one already there leaves out what the other one names: the cache
            // passes an ID mimeapps.list removes unless mimeapps.list also adds some.
            std::vector<std::string> added_here, removed_here;
            bool adds = false, removes = false;
            for (LookupEntry &e : entries)
                if (e.level == level && e.folder == folder && e.read &&
                    e.shown.group == MIMEAPPS_ADDED) {
                    added_here.insert(added_here.end(), e.ids.begin(), e.ids.end());
                    adds = true;
                }
            for (LookupEntry &e : entries)
                if (e.level == level && e.folder == folder && e.read &&
                    e.shown.group == MIMEAPPS_REMOVED) {
                    for (const std::string &id : e.ids)
                        if (!removes || !has(added_here, id))
                            removed_here.push_back(id);
                    removes = true;
                }
            for (size_t i = 0; i < entries.size(); i++) {
                LookupEntry &e = entries[i];
                if (e.level != level || e.folder != folder || !e.read || !association(e))
                    continue;
                for (const std::string &id : e.ids) {
                    if (lookup_masked(*lookup, folder, id))
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
                if (!lookup_masked(*lookup, folder, id) && !has(removed, id) && !taken(id))
                    removed.push_back(id);
        }
        for (const auto &[id, entry] : candidates)
            if (std::optional<std::string> file = lookup_loads(lookup, id))
                return {id, *file, entry, level};
    }
    return {};
}
