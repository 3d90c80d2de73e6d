#include "appdb/mimeapps.h"

#include <algorithm>
#include <cstring>
#include <gio/gio.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "appdb/list_text.h"
#include "util/files.h"

namespace {

// The file made and removed at once beside the settings so that GIO reads them again.
constexpr const char *MIMEAPPS_MARKER = ".quarve-reread-";

// How long GIO may take to notice a write before quarve stops waiting.
constexpr guint MIMEAPPS_REREAD_MS = 3000;

// Writable by whoever runs quarve, and not made read-only by its owner (which root could
// still write through, against the user's wish).
bool writable_file(const char *path) {
    struct stat st;
    return stat(path, &st) == 0 && (st.st_mode & 0222) != 0 && access(path, W_OK) == 0;
}

bool writable_folder(const char *path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & 0222) != 0 &&
           access(path, W_OK | X_OK) == 0;
}

GKeyFile *parse(const std::string &bytes) {
    GKeyFile *kf = g_key_file_new();
    g_key_file_load_from_data(kf, bytes.data(), bytes.size(), G_KEY_FILE_NONE, nullptr);
    return kf;
}

std::vector<std::string> list_of(GKeyFile *kf, const char *group, const char *key) {
    std::vector<std::string> out;
    g_auto(GStrv) list = g_key_file_get_string_list(kf, group, key, nullptr, nullptr);
    for (char **l = list; l != nullptr && *l != nullptr; l++)
        out.push_back(*l);
    return out;
}

// A list as a key-file value ("a.desktop;b.desktop;"); nullopt for an empty one, whose key goes.
std::optional<std::string> list_value(const std::vector<std::string> &list) {
    if (list.empty())
        return std::nullopt;
    std::string value;
    for (const std::string &item : list)
        value += item + ";";
    return value;
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

} // namespace

std::string mimeapps_user_path() {
    g_autofree char *path = g_build_filename(g_get_user_config_dir(), "mimeapps.list", nullptr);
    return path;
}

std::vector<std::string> mimeapps_desktop_paths() {
    std::vector<std::string> paths;
    const char *current = g_getenv("XDG_CURRENT_DESKTOP");
    g_auto(GStrv) names = g_strsplit(current ? current : "", ":", -1);
    for (char **n = names; *n != nullptr; n++) {
        if (**n == '\0')
            continue;
        g_autofree char *lower = g_ascii_strdown(*n, -1);
        g_autofree char *name = g_strconcat(lower, "-mimeapps.list", nullptr);
        g_autofree char *path = g_build_filename(g_get_user_config_dir(), name, nullptr);
        paths.push_back(path);
    }
    return paths;
}

std::optional<std::string> mimeapps_open(const char *where, MimeappsFile *file) {
    const std::string kept = where; // where may point into file, which is about to change
    const char *path = kept.c_str();
    *file = MimeappsFile{kept, "", false};
    g_autofree char *target = files_link_target(path);
    if (g_file_test(path, G_FILE_TEST_IS_SYMLINK)) {
        g_autofree char *folder = target ? g_path_get_dirname(target) : nullptr;
        bool ok = target != nullptr &&
                  (g_file_test(target, G_FILE_TEST_EXISTS) ? writable_file(target)
                                                           : writable_folder(folder));
        if (!ok)
            return std::string(path) + " is a link to a file that cannot be written";
    } else if (g_file_test(path, G_FILE_TEST_EXISTS) && !writable_file(path)) {
        return std::string(path) + " is read-only";
    }
    if (!g_file_test(path, G_FILE_TEST_EXISTS))
        return std::nullopt;
    g_autofree char *contents = nullptr;
    gsize length = 0;
    // A file that does not parse would be replaced by one holding only this change, losing
    // every other default: it is left as it is.
    g_autoptr(GKeyFile) kf = g_key_file_new();
    if (!g_file_get_contents(path, &contents, &length, nullptr) ||
        !g_key_file_load_from_data(kf, contents, length, G_KEY_FILE_NONE, nullptr))
        return std::string(path) + " cannot be read";
    file->bytes.assign(contents, length);
    file->exists = true;
    return std::nullopt;
}

MimeappsEntry mimeapps_entry(const std::string &bytes, const char *type) {
    MimeappsEntry entry;
    g_autoptr(GKeyFile) kf = parse(bytes);
    for (size_t g = 0; g < MIMEAPPS_GROUPS.size(); g++) {
        g_autofree char *value = g_key_file_get_value(kf, MIMEAPPS_GROUPS[g], type, nullptr);
        if (value != nullptr)
            entry.values[g] = value;
    }
    return entry;
}

std::string mimeapps_with_default(const std::string &bytes, const std::vector<std::string> &types,
                                  const char *app_id) {
    std::string text = bytes;
    for (const std::string &type : types) {
        const char *t = type.c_str();
        g_autoptr(GKeyFile) kf = parse(text);
        text = list_text_set(text, MIMEAPPS_GROUPS[0], t, std::string(app_id));
        std::vector<std::string> added = list_of(kf, MIMEAPPS_GROUPS[1], t);
        if (std::find(added.begin(), added.end(), app_id) == added.end()) {
            added.push_back(app_id);
            text = list_text_set(text, MIMEAPPS_GROUPS[1], t, list_value(added));
        }
        std::vector<std::string> removed = list_of(kf, MIMEAPPS_GROUPS[2], t);
        auto at = std::find(removed.begin(), removed.end(), app_id);
        if (at != removed.end()) {
            removed.erase(at);
            text = list_text_set(text, MIMEAPPS_GROUPS[2], t, list_value(removed));
        }
    }
    return text;
}

std::string mimeapps_with_entries(const std::string &bytes, const std::vector<std::string> &types,
                                  const std::vector<MimeappsEntry> &entries) {
    std::string text = bytes;
    for (size_t i = 0; i < types.size(); i++)
        for (size_t g = 0; g < MIMEAPPS_GROUPS.size(); g++)
            text = list_text_set(text, MIMEAPPS_GROUPS[g], types[i].c_str(), entries[i].values[g]);
    return text;
}

std::optional<std::string> mimeapps_commit(MimeappsFile *file, const std::string &bytes,
                                           bool *changed) {
    *changed = false;
    std::string target = target_of(file->path);
    // Another program may have written the file since it was read: the change must then be
    // made again on what is there now, never over it.
    g_autofree char *now = nullptr;
    gsize length = 0;
    bool exists = g_file_get_contents(target.c_str(), &now, &length, nullptr);
    if (exists != file->exists || (exists && std::string(now, length) != file->bytes)) {
        *changed = true;
        return file->path + " changed while quarve was writing it";
    }
    g_autoptr(GError) error = nullptr;
    if (!files_replace(file->path.c_str(), bytes.data(), bytes.size(), &error))
        return std::string(error->message);
    file->bytes = bytes;
    file->exists = true;
    return std::nullopt;
}

void mimeapps_sweep(const char *path) {
    files_sweep(path);
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
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    reread_done = false;
}

bool mimeapps_reread(const MimeappsFile *file) {
    // GIO watches the configuration folder, not the folder a link points into: a file made and
    // removed there tells it to read its settings again.
    std::string name = std::string(MIMEAPPS_MARKER) + "XXXXXX";
    g_autofree char *marker = g_build_filename(g_get_user_config_dir(), name.c_str(), nullptr);
    int fd = g_mkstemp(marker);
    if (fd >= 0) {
        close(fd);
        g_unlink(marker);
    } else if (target_of(file->path) != file->path) {
        return false; // the write went past GIO's watch, and nothing else can reach it
    }
    bool timed_out = false;
    guint timeout = g_timeout_add(MIMEAPPS_REREAD_MS, on_reread_timeout, &timed_out);
    while (!reread_done && !timed_out)
        g_main_context_iteration(nullptr, TRUE);
    if (!timed_out)
        g_source_remove(timeout);
    return reread_done;
}
