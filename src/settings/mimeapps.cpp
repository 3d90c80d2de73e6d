#include "settings/mimeapps.h"

#include <algorithm>
#include <cstring>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

#include "registry/aliases.h"
#include "util/files.h"
#include "util/keyfile.h"
#include "util/paths.h"

namespace {

// The file made and removed at once beside the settings so that GIO reads them again.
constexpr const char *MIMEAPPS_MARKER = ".quarve-reread-";

// How long GIO may take to notice a write before quarve stops waiting.
constexpr guint MIMEAPPS_REREAD_MS = 3000;

// Events GIO may still have queued for earlier writes; more than this many ready at once is a
// source that stays ready, which must not keep the wait going.
constexpr int MIMEAPPS_DRAIN_MAX = 64;

// A list as a key-file value ("a.desktop;b.desktop;"); nullopt for an empty one, whose key goes.
std::optional<std::string> list_value(const std::vector<std::string> &list) {
    if (list.empty())
        return std::nullopt;
    std::string value;
    for (const std::string &item : list)
        value += item + ";";
    return value;
}

std::vector<std::string> list_of(const ListText &list, const char *group, const char *type) {
    std::optional<std::string> raw = list_text_get(list, group, type);
    return raw ? keyfile_split_list(*raw) : std::vector<std::string>{};
}

// Where the file's bytes live: the end of its chain of links.
std::string target_of(const std::string &path) {
    g_autofree char *target = files_link_target(path.c_str());
    return target != nullptr ? target : path;
}

bool reread_done = false;

void on_registry_changed(GAppInfoMonitor *, gpointer) {
    reread_done = true;
}

gboolean on_reread_timeout(gpointer flag) {
    *static_cast<bool *>(flag) = true;
    return G_SOURCE_REMOVE;
}

// Makes a file in folder and removes it at once: GIO, which watches the folder, reads what it
// holds again. False when the file could not be made.
bool touch_marker(const char *folder) {
    std::string name = std::string(MIMEAPPS_MARKER) + "XXXXXX";
    g_autofree char *marker = g_build_filename(folder, name.c_str(), nullptr);
    int fd = g_mkstemp(marker);
    if (fd < 0)
        return false;
    close(fd);
    g_unlink(marker);
    return true;
}

// Waits for GIO's word that it has read again, a few seconds at most.
bool wait_reread() {
    bool timed_out = false;
    guint timeout = g_timeout_add(MIMEAPPS_REREAD_MS, on_reread_timeout, &timed_out);
    while (!reread_done && !timed_out)
        g_main_context_iteration(nullptr, TRUE);
    if (!timed_out)
        g_source_remove(timeout);
    return reread_done;
}

} // namespace

std::optional<std::string> mimeapps_open(const char *path, std::optional<std::string> *bytes) {
    *bytes = std::nullopt;
    if (g_file_test(path, G_FILE_TEST_IS_SYMLINK)) {
        if (files_refusal(path))
            return std::string(path) + " is a link to a file that cannot be written";
    } else if (g_file_test(path, G_FILE_TEST_EXISTS)) {
        if (auto refusal = files_refusal(path))
            return refusal;
    }
    if (!g_file_test(path, G_FILE_TEST_EXISTS))
        return std::nullopt;
    // A file that does not parse would be replaced by one holding only this change, losing
    // every other default: it is left as it is.
    std::optional<std::string> now = files_read(path);
    g_autoptr(GKeyFile) kf = g_key_file_new();
    if (!now || !g_key_file_load_from_data(kf, now->data(), now->size(), G_KEY_FILE_NONE, nullptr))
        return std::string(path) + " cannot be read";
    *bytes = std::move(now);
    return std::nullopt;
}

MimeappsEntry mimeapps_entry(const ListText &list, const char *type) {
    MimeappsEntry entry;
    for (size_t g = 0; g < MIMEAPPS_GROUPS.size(); g++)
        entry.values[g] = list_text_get(list, MIMEAPPS_GROUPS[g], type);
    return entry;
}

MimeappsEntry mimeapps_entry(const std::string &bytes, const char *type) {
    return mimeapps_entry(list_text_parse(bytes), type);
}

void mimeapps_set_default(ListText *list, const std::vector<std::string> &types,
                          const char *app_id) {
    for (const std::string &type : types) {
        const char *t = type.c_str();
        list_text_put(list, MIMEAPPS_GROUPS[0], t, std::string(app_id));
        std::vector<std::string> added = list_of(*list, MIMEAPPS_GROUPS[1], t);
        if (std::find(added.begin(), added.end(), app_id) == added.end()) {
            added.push_back(app_id);
            list_text_put(list, MIMEAPPS_GROUPS[1], t, list_value(added));
        }
        std::vector<std::string> removed = list_of(*list, MIMEAPPS_GROUPS[2], t);
        auto at = std::find(removed.begin(), removed.end(), app_id);
        if (at != removed.end()) {
            removed.erase(at);
            list_text_put(list, MIMEAPPS_GROUPS[2], t, list_value(removed));
        }
    }
}

std::string mimeapps_with_default(const std::string &bytes, const std::vector<std::string> &types,
                                  const char *app_id) {
    ListText list = list_text_parse(bytes);
    mimeapps_set_default(&list, types, app_id);
    return list_text_join(list);
}

void mimeapps_set_entry(ListText *list, const char *type, const MimeappsEntry &entry) {
    for (size_t g = 0; g < MIMEAPPS_GROUPS.size(); g++)
        list_text_put(list, MIMEAPPS_GROUPS[g], type, entry.values[g]);
}

std::string mimeapps_with_entries(const std::string &bytes, const std::vector<std::string> &types,
                                  const std::vector<MimeappsEntry> &entries) {
    ListText list = list_text_parse(bytes);
    for (size_t i = 0; i < types.size(); i++)
        mimeapps_set_entry(&list, types[i].c_str(), entries[i]);
    return list_text_join(list);
}

std::optional<std::string> mimeapps_first_loading(const std::string &value) {
    for (const std::string &id : keyfile_split_list(value)) {
        if (id.empty())
            continue;
        g_autoptr(GDesktopAppInfo) app = g_desktop_app_info_new(id.c_str());
        if (app != nullptr)
            return id;
    }
    return std::nullopt;
}

std::optional<std::string> mimeapps_first_installed(const std::string &value) {
    if (std::optional<std::string> id = mimeapps_first_loading(value))
        return id;
    for (const std::string &id : keyfile_split_list(value))
        if (!id.empty())
            return id;
    return std::nullopt;
}

std::vector<std::string> mimeapps_read_order() {
    std::vector<std::string> desktops = paths_desktops(), files;
    for (const ListFolder &folder : paths_list_folders()) {
        for (const std::string &desktop : desktops)
            files.push_back(folder.path + "/" + desktop + "-mimeapps.list");
        files.push_back(folder.path + "/mimeapps.list");
        if (folder.applications)
            files.push_back(folder.path + "/defaults.list");
    }
    return files;
}

std::vector<std::optional<MimeappsDefault>>
mimeapps_first_defaults(const std::vector<std::string> &types,
                        const std::vector<std::pair<std::string, std::string>> &replaced) {
    // Every list read once: each type's named defaults in GIO's order, keys by their canonical
    // names as GIO reads them.
    std::unordered_map<std::string, std::vector<MimeappsDefault>> named;
    for (const std::string &path : mimeapps_read_order()) {
        auto given = std::find_if(replaced.begin(), replaced.end(),
                                  [&](const auto &r) { return r.first == path; });
        std::optional<std::string> bytes =
            given != replaced.end() ? given->second : files_read(path.c_str());
        g_autoptr(GKeyFile) kf = g_key_file_new();
        if (!bytes ||
            !g_key_file_load_from_data(kf, bytes->data(), bytes->size(), G_KEY_FILE_NONE, nullptr))
            continue;
        g_auto(GStrv) keys = g_key_file_get_keys(kf, MIMEAPPS_GROUPS[0], nullptr, nullptr);
        for (char **k = keys; k != nullptr && *k != nullptr; k++) {
            g_auto(GStrv) ids =
                g_key_file_get_string_list(kf, MIMEAPPS_GROUPS[0], *k, nullptr, nullptr);
            std::vector<MimeappsDefault> &list = named[aliases_unalias(*k)];
            for (char **id = ids; id != nullptr && *id != nullptr; id++)
                if (**id != '\0')
                    list.push_back({*id, path});
        }
    }
    std::unordered_map<std::string, bool> installed;
    std::vector<std::optional<MimeappsDefault>> out;
    for (const std::string &type : types) {
        out.emplace_back();
        for (const MimeappsDefault &d : named[aliases_unalias(type.c_str())]) {
            auto [known, added] = installed.try_emplace(d.id, false);
            if (added) {
                g_autoptr(GDesktopAppInfo) app = g_desktop_app_info_new(d.id.c_str());
                known->second = app != nullptr;
            }
            if (known->second) {
                out.back() = d;
                break;
            }
        }
    }
    return out;
}

namespace {

// Each key of [Default Applications] in the user's own lists (the configuration folder's and
// XDG_DATA_HOME/applications'), in GIO's order of the lists, with its raw value.
template <typename Visit> void user_default_keys(Visit visit) {
    const std::string config = std::string(g_get_user_config_dir()) + "/";
    const std::string data = paths_user_applications() + "/";
    for (const std::string &path : mimeapps_read_order()) {
        if (!g_str_has_prefix(path.c_str(), config.c_str()) &&
            !g_str_has_prefix(path.c_str(), data.c_str()))
            continue;
        g_autoptr(GKeyFile) kf = g_key_file_new();
        if (!g_key_file_load_from_file(kf, path.c_str(), G_KEY_FILE_NONE, nullptr))
            continue;
        g_auto(GStrv) keys = g_key_file_get_keys(kf, MIMEAPPS_DEFAULTS, nullptr, nullptr);
        for (char **k = keys; k != nullptr && *k != nullptr; k++) {
            g_autofree char *value = g_key_file_get_value(kf, MIMEAPPS_DEFAULTS, *k, nullptr);
            visit(*k, value);
        }
    }
}

} // namespace

std::vector<std::string> mimeapps_user_default_types() {
    std::vector<std::string> types;
    user_default_keys(
        [&](const char *key, const char *) { types.push_back(aliases_unalias(key)); });
    return types;
}

std::vector<std::pair<std::string, std::string>> mimeapps_user_defaults() {
    std::vector<std::pair<std::string, std::string>> defaults;
    std::unordered_set<std::string> named;
    user_default_keys([&](const char *key, const char *value) {
        std::optional<std::string> id = value ? mimeapps_first_loading(value) : std::nullopt;
        // A value that names nothing GIO can load is one GIO reads past, to the next list.
        std::string type = aliases_unalias(key);
        if (id && named.insert(type).second)
            defaults.emplace_back(type, *id);
    });
    return defaults;
}

void mimeapps_sweep() {
    // Markers of a reread that was interrupted; GIO only needed them to exist for a moment.
    const char *config = g_get_user_config_dir();
    g_autoptr(GDir) dir = g_dir_open(config, 0, nullptr);
    for (const char *name; dir != nullptr && (name = g_dir_read_name(dir)) != nullptr;) {
        if (!g_str_has_prefix(name, MIMEAPPS_MARKER) || strlen(name) != strlen(MIMEAPPS_MARKER) + 6)
            continue;
        g_autofree char *marker = g_build_filename(config, name, nullptr);
        g_unlink(marker);
    }
}

void mimeapps_watch() {
    // Held for the life of the process: the signal is GIO's word that it has read again.
    static GAppInfoMonitor *monitor = nullptr;
    if (monitor == nullptr) {
        monitor = g_app_info_monitor_get();
        g_signal_connect(monitor, "changed", G_CALLBACK(on_registry_changed), nullptr);
    }
    // GIO reports a change only after a question since the last report, and only for the
    // settings it holds: one question arms it.
    if (GAppInfo *armed = g_app_info_get_default_for_type("text/plain", FALSE))
        g_object_unref(armed);
    // What GIO has queued for earlier writes goes first, so that it is not taken for word of
    // this one. Bounded: a source that is always ready (input nobody reads yet) would make a
    // drain "until nothing is pending" last for ever.
    for (int i = 0; i < MIMEAPPS_DRAIN_MAX && g_main_context_pending(nullptr); i++)
        g_main_context_iteration(nullptr, FALSE);
    reread_done = false;
}

bool mimeapps_reread(const std::string &path) {
    // GIO watches the configuration folder, not the folder a link points into: a file made and
    // removed there tells it to read its settings again.
    if (!touch_marker(g_get_user_config_dir()) && target_of(path) != path)
        return false; // the write went past GIO's watch, and nothing else can reach it
    return wait_reread();
}

bool mimeapps_reread_folder(const std::string &folder) {
    touch_marker(folder.c_str());
    return wait_reread();
}
