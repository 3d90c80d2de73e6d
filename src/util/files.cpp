#include "util/files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <glib/gstdio.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// As many links as the kernel follows in one path lookup before it reports ELOOP.
constexpr int FILES_MAX_LINKS = 40;

// What the temporary files of a write are called beside their target: "<name>.quarve-XXXXXX".
constexpr const char *FILES_TEMP_MARK = ".quarve-";

// Pause between two tries of a lock another process holds.
constexpr int FILES_LOCK_STEP_MS = 20;

bool write_all(int fd, const char *data, gsize length) {
    while (length > 0) {
        ssize_t n = write(fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        data += n;
        length -= static_cast<gsize>(n);
    }
    return true;
}

void set_errno_error(GError **error, const char *path) {
    int err = errno;
    g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(err), "%s: %s", path, g_strerror(err));
}

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
    g_autofree char *folder = g_path_get_dirname(target);
    struct stat folder_st;
    // A folder the user made read-only is a no as well, also to root.
    if (stat(folder, &folder_st) == 0 && (folder_st.st_mode & 0222) == 0) {
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_ACCES, "%s is read-only", folder);
        return false;
    }
    std::string temp = std::string(target) + FILES_TEMP_MARK + "XXXXXX";
    int fd = g_mkstemp_full(temp.data(), O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EACCES || errno == EROFS || errno == EPERM)
            g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_ACCES, "%s is read-only", folder);
        else
            set_errno_error(error, folder);
        return false;
    }
    // The new file takes the old one's place whole: its permissions and, where the system
    // lets us (root writing a user's file), its owner.
    if (exists) {
        fchmod(fd, st.st_mode & 07777);
        if (fchown(fd, st.st_uid, st.st_gid) != 0 && geteuid() == 0)
            g_debug("cannot keep the owner of %s", target);
    }
    bool ok = write_all(fd, contents, length) && fsync(fd) == 0;
    if (!ok)
        set_errno_error(error, target);
    if (close(fd) != 0 && ok) {
        set_errno_error(error, target);
        ok = false;
    }
    if (ok && rename(temp.c_str(), target) != 0) {
        set_errno_error(error, target);
        ok = false;
    }
    if (!ok)
        unlink(temp.c_str());
    return ok;
}

int files_sweep(const char *path) {
    g_autofree char *target = files_link_target(path);
    if (target == nullptr)
        return 0;
    g_autofree char *folder = g_path_get_dirname(target);
    g_autofree char *base = g_path_get_basename(target);
    std::string prefix = std::string(base) + FILES_TEMP_MARK;
    g_autoptr(GDir) dir = g_dir_open(folder, 0, nullptr);
    int removed = 0;
    for (const char *name; dir != nullptr && (name = g_dir_read_name(dir)) != nullptr;) {
        if (!g_str_has_prefix(name, prefix.c_str()) || strlen(name) != prefix.size() + 6)
            continue;
        g_autofree char *leftover = g_build_filename(folder, name, nullptr);
        if (g_file_test(leftover, G_FILE_TEST_IS_REGULAR) && g_unlink(leftover) == 0)
            removed++;
    }
    return removed;
}

bool files_lock(const char *path, int timeout_ms, int *fd, GError **error) {
    g_autofree char *folder = g_path_get_dirname(path);
    g_mkdir_with_parents(folder, 0700);
    *fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (*fd < 0) {
        set_errno_error(error, path);
        return false;
    }
    for (int waited = 0;; waited += FILES_LOCK_STEP_MS) {
        if (flock(*fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            set_errno_error(error, path);
            break;
        }
        if (waited >= timeout_ms) {
            g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_AGAIN, "%s is held", path);
            break;
        }
        g_usleep(FILES_LOCK_STEP_MS * 1000);
    }
    close(*fd);
    *fd = -1;
    return false;
}

void files_unlock(int fd) {
    if (fd >= 0)
        close(fd); // closing the last descriptor releases the lock
}
