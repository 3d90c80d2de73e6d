#include "util/files.h"

#include <cerrno>
#include <cstdio>
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

namespace {

// Makes a rename or a removal in folder durable: without it a crash of the machine could bring
// the old entry back after the new bytes were reported written.
void sync_folder(const char *folder) {
    int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Whether the folder the temporary file goes into takes one: a folder the user made read-only
// is a no, also to root. A folder still to be made counts as its nearest existing parent.
std::optional<std::string> folder_refusal(const char *folder) {
    g_autofree char *at = g_strdup(folder);
    struct stat st;
    while (stat(at, &st) != 0) {
        g_autofree char *up = g_path_get_dirname(at);
        if (strcmp(up, at) == 0)
            return std::nullopt;
        g_free(at);
        at = g_steal_pointer(&up);
    }
    if (!S_ISDIR(st.st_mode) || (st.st_mode & 0222) == 0 || access(at, W_OK | X_OK) != 0)
        return std::string(at) + " is read-only";
    return std::nullopt;
}

// Why target (the end of a path's links) cannot be replaced; nullopt when it can. A file the
// user made read-only is a no, also to root, who could write it anyway.
std::optional<std::string> target_refusal(const char *target) {
    struct stat st;
    if (stat(target, &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return std::string(target) + " is a folder";
        if ((st.st_mode & 0222) == 0 || access(target, W_OK) != 0)
            return std::string(target) + " is read-only";
    }
    g_autofree char *folder = g_path_get_dirname(target);
    return folder_refusal(folder);
}

bool holds(const char *target, const std::optional<std::string> &expected) {
    return files_read(target) == expected;
}

void set_changed(GError **error, bool *changed, const char *path) {
    *changed = true;
    g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_EXIST, "%s changed while quarve was writing it",
                path);
}

enum SwapResult { SWAP_DONE, SWAP_CHANGED, SWAP_FAILED, SWAP_UNSUPPORTED };

// Puts temp in target's place only if target held expected, judged by what actually left the
// place: the two are exchanged in one step and the file that came out is compared; another
// program's file is exchanged back. A file system without the exchange says so, and the caller
// compares just before an ordinary rename instead.
SwapResult swap_in(const char *temp, const char *target,
                   const std::optional<std::string> &expected) {
    if (!expected) {
        // Nothing was there: a file made meanwhile must stay.
        if (renameat2(AT_FDCWD, temp, AT_FDCWD, target, RENAME_NOREPLACE) == 0)
            return SWAP_DONE;
        if (errno == EEXIST)
            return SWAP_CHANGED;
        return errno == EINVAL || errno == ENOSYS ? SWAP_UNSUPPORTED : SWAP_FAILED;
    }
    if (renameat2(AT_FDCWD, temp, AT_FDCWD, target, RENAME_EXCHANGE) != 0) {
        if (errno == ENOENT)
            return SWAP_CHANGED; // removed meanwhile
        return errno == EINVAL || errno == ENOSYS ? SWAP_UNSUPPORTED : SWAP_FAILED;
    }
    // temp now holds what was in place.
    if (files_read(temp) == expected)
        return unlink(temp) == 0 || errno == ENOENT ? SWAP_DONE : SWAP_FAILED;
    if (renameat2(AT_FDCWD, temp, AT_FDCWD, target, RENAME_EXCHANGE) != 0)
        return SWAP_FAILED;
    return SWAP_CHANGED;
}

// The one writer behind files_replace and files_replace_if: contents NULL removes the target,
// expected NULL writes whatever the target holds.
bool replace(const char *path, const std::string *contents,
             const std::optional<std::string> *expected, bool *changed, GError **error) {
    *changed = false;
    g_autofree char *target = files_link_target(path);
    if (target == nullptr) {
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_LOOP, "%s: %s", path, g_strerror(ELOOP));
        return false;
    }
    if (auto refusal = target_refusal(target)) {
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_ACCES, "%s", refusal->c_str());
        return false;
    }
    g_autofree char *folder = g_path_get_dirname(target);
    if (contents == nullptr) {
        if (expected != nullptr && !holds(target, *expected)) {
            set_changed(error, changed, path);
            return false;
        }
        if (unlink(target) != 0 && errno != ENOENT) {
            set_errno_error(error, target);
            return false;
        }
        sync_folder(folder);
        return true;
    }
    struct stat st;
    bool exists = stat(target, &st) == 0;
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
    bool ok = write_all(fd, contents->data(), contents->size()) && fsync(fd) == 0;
    if (!ok)
        set_errno_error(error, target);
    if (close(fd) != 0 && ok) {
        set_errno_error(error, target);
        ok = false;
    }
    // A write by another program since the caller read the file would otherwise be lost
    // without a trace: the file is looked at as it leaves its place, or just before.
    if (ok && expected != nullptr) {
        switch (swap_in(temp.c_str(), target, *expected)) {
        case SWAP_DONE:
            sync_folder(folder);
            return true;
        case SWAP_CHANGED:
            set_changed(error, changed, path);
            ok = false;
            break;
        case SWAP_FAILED:
            set_errno_error(error, target);
            ok = false;
            break;
        case SWAP_UNSUPPORTED:
            if (!holds(target, *expected)) {
                set_changed(error, changed, path);
                ok = false;
            }
            break;
        }
    }
    if (ok && rename(temp.c_str(), target) != 0) {
        set_errno_error(error, target);
        ok = false;
    }
    if (!ok)
        unlink(temp.c_str());
    else
        sync_folder(folder);
    return ok;
}

} // namespace

bool files_replace(const char *path, const char *contents, gsize length, GError **error) {
    bool changed = false;
    std::string bytes(contents, length);
    return replace(path, &bytes, nullptr, &changed, error);
}

bool files_replace_if(const char *path, const std::optional<std::string> &contents,
                      const std::optional<std::string> &expected, bool *changed, GError **error) {
    return replace(path, contents ? &*contents : nullptr, &expected, changed, error);
}

std::optional<std::string> files_refusal(const char *path) {
    g_autofree char *target = files_link_target(path);
    if (target == nullptr)
        return std::string(path) + ": " + g_strerror(ELOOP);
    return target_refusal(target);
}

std::optional<std::string> files_make_folder(const char *folder) {
    if (auto refusal = folder_refusal(folder))
        return refusal;
    if (g_mkdir_with_parents(folder, 0700) != 0)
        return std::string(folder) + ": " + g_strerror(errno);
    return std::nullopt;
}

std::optional<std::string> files_read(const char *path) {
    g_autofree char *contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path, &contents, &length, nullptr))
        return std::nullopt;
    return std::string(contents, length);
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
