#include "appdb/mimeapps.h"

#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/files.h"

namespace {

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

// GIO re-reads the user's settings at once only after a write of its own; a file written by
// anyone else is noticed later, through a file monitor. Resetting a type that no file names is
// a write of GIO's that changes nothing, so its answers follow the file right away.
void gio_reread_settings() {
    g_app_info_reset_type_associations("application/x-quarve-reread");
}

} // namespace

std::string mimeapps_user_path() {
    g_autofree char *path = g_build_filename(g_get_user_config_dir(), "mimeapps.list", nullptr);
    return path;
}

std::optional<std::string> mimeapps_begin(const char *path, MimeappsSession *session) {
    *session = MimeappsSession{path, std::nullopt, path};
    // GIO would start from an empty file and replace this one, losing every other default.
    if (g_file_test(path, G_FILE_TEST_EXISTS)) {
        g_autoptr(GKeyFile) kf = g_key_file_new();
        if (!g_key_file_load_from_file(kf, path, G_KEY_FILE_NONE, nullptr))
            return std::string(path) + " cannot be read";
    }
    if (g_file_test(path, G_FILE_TEST_IS_SYMLINK)) {
        g_autofree char *text = g_file_read_link(path, nullptr);
        g_autofree char *target = files_link_target(path);
        g_autofree char *folder = target ? g_path_get_dirname(target) : nullptr;
        bool ok = text != nullptr && target != nullptr &&
                  (g_file_test(target, G_FILE_TEST_EXISTS) ? writable_file(target)
                                                           : writable_folder(folder));
        if (!ok)
            return std::string(path) + " is a link to a file that cannot be written";
        session->link_text = text;
        session->target = target;
        return std::nullopt;
    }
    if (g_file_test(path, G_FILE_TEST_EXISTS) && !writable_file(path))
        return std::string(path) + " is read-only";
    return std::nullopt;
}

MimeappsEntry mimeapps_read(const MimeappsSession *session, const char *type) {
    MimeappsEntry entry;
    g_autoptr(GKeyFile) kf = g_key_file_new();
    if (!g_key_file_load_from_file(kf, session->path.c_str(), G_KEY_FILE_NONE, nullptr))
        return entry;
    for (size_t g = 0; g < MIMEAPPS_GROUPS.size(); g++) {
        g_autofree char *value = g_key_file_get_value(kf, MIMEAPPS_GROUPS[g], type, nullptr);
        if (value != nullptr)
            entry.values[g] = value;
    }
    return entry;
}

bool mimeapps_restore(const MimeappsSession *session, const char *const *types,
                      const MimeappsEntry *entries, size_t count, std::string *error) {
    const char *path = session->path.c_str();
    g_autoptr(GKeyFile) kf = g_key_file_new();
    g_autoptr(GError) err = nullptr;
    auto flags =
        static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);
    if (g_file_test(path, G_FILE_TEST_EXISTS) &&
        !g_key_file_load_from_file(kf, path, flags, &err)) {
        *error = err->message;
        return false;
    }
    for (size_t i = 0; i < count; i++) {
        for (size_t g = 0; g < MIMEAPPS_GROUPS.size(); g++) {
            const auto &value = entries[i].values[g];
            if (value)
                g_key_file_set_value(kf, MIMEAPPS_GROUPS[g], types[i], value->c_str());
            else
                g_key_file_remove_key(kf, MIMEAPPS_GROUPS[g], types[i], nullptr);
        }
    }
    // GIO made the group for the keys it added; with them gone, so is the group.
    for (const char *group : MIMEAPPS_GROUPS) {
        g_auto(GStrv) keys = g_key_file_get_keys(kf, group, nullptr, nullptr);
        if (keys != nullptr && keys[0] == nullptr)
            g_key_file_remove_group(kf, group, nullptr);
    }
    gsize length = 0;
    g_autofree char *data = g_key_file_to_data(kf, &length, nullptr);
    if (!files_replace(path, data, length, &err)) {
        *error = err->message;
        return false;
    }
    gio_reread_settings();
    return true;
}

bool mimeapps_end(const MimeappsSession *session, std::string *error) {
    const char *path = session->path.c_str();
    if (!session->link_text || g_file_test(path, G_FILE_TEST_IS_SYMLINK) ||
        !g_file_test(path, G_FILE_TEST_EXISTS))
        return true;
    g_autofree char *contents = nullptr;
    gsize length = 0;
    g_autoptr(GError) err = nullptr;
    if (!g_file_get_contents(path, &contents, &length, &err) ||
        !files_replace(session->target.c_str(), contents, length, &err)) {
        *error = err->message;
        return false;
    }
    // The link comes back in one step: made beside the file, then renamed over it.
    std::string fresh = session->path + ".quarve-link";
    unlink(fresh.c_str());
    if (symlink(session->link_text->c_str(), fresh.c_str()) != 0 ||
        rename(fresh.c_str(), path) != 0) {
        *error = std::string(path) + ": " + g_strerror(errno);
        unlink(fresh.c_str());
        return false;
    }
    return true;
}
