#include "util/files.h"

#include <cerrno>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// As many links as the kernel follows in one path lookup before it reports ELOOP.
constexpr int FILES_MAX_LINKS = 40;

} // namespace

char *files_link_target(const char *path) {
    g_autofree char *current = g_strdup(path);
    for (int hops = 0; hops <= FILES_MAX_LINKS; hops++) {
        g_autofree char *link = g_file_read_link(current, nullptr);
        if (link == nullptr)
            return g_steal_pointer(&current);
        if (g_path_is_absolute(link)) {
            g_free(current);
            current = g_steal_pointer(&link);
        } else {
            g_autofree char *dir = g_path_get_dirname(current);
            g_free(current);
            current = g_build_filename(dir, link, nullptr);
        }
    }
    return nullptr;
}

bool files_replace(const char *path, const char *contents, gsize length, GError **error) {
    g_autofree char *target = files_link_target(path);
    if (target == nullptr) {
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_LOOP, "%s: %s", path, g_strerror(ELOOP));
        return false;
    }
    struct stat st;
    bool exists = stat(target, &st) == 0;
    // The rename would go through a file the user made read-only (root included, who could
    // write it anyway): that is the user saying no.
    if (exists && ((st.st_mode & 0222) == 0 || access(target, W_OK) != 0)) {
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_ACCES, "%s is read-only", target);
        return false;
    }
    int mode = exists ? static_cast<int>(st.st_mode & 07777) : 0666;
    return g_file_set_contents_full(target, contents, static_cast<gssize>(length),
                                    G_FILE_SET_CONTENTS_CONSISTENT, mode, error);
}
