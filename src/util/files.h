// Writing a user's file the way the user set it up: through symbolic links, keeping its mode,
// and taking turns with other writers.
#pragma once

#include <glib.h>
#include <optional>
#include <string>

// The file that a write to path must replace: path itself, or, when path is a symbolic link,
// the end of its chain (which may not exist yet: a dangling link). A relative link is read
// from the folder of the link. NULL when the chain loops or runs longer than the system allows.
// A new string for the caller to g_free.
char *files_link_target(const char *path);

// Replaces the file at path, through any symbolic links, with contents in one step (a
// temporary file "<target>.quarve-XXXXXX" beside the target, written, synced and renamed onto
// it), so that the target holds either its old or its new bytes and the links stay as they
// are. A target that exists keeps its permission bits and, where allowed, its owner. A target
// without write permission is refused ("<target> is read-only"), even for root, and so is a
// folder that cannot take the temporary file ("<folder> is read-only"). False with error set
// when it cannot be written; no temporary file is left then.
bool files_replace(const char *path, const char *contents, gsize length, GError **error);
// As files_replace, but only while the target still holds expected (nullopt: nothing there),
// looked at after the new file is written and synced, right before it takes the target's
// place: another program's write in between is never overwritten. When the target holds
// something else, nothing is written and *changed is set (with error). With contents nullopt
// the target is removed instead, under the same condition.
bool files_replace_if(const char *path, const std::optional<std::string> &contents,
                      const std::optional<std::string> &expected, bool *changed, GError **error);
// Why files_replace would refuse to write path, checked before anything is written: a loop of
// links, a read-only file or folder, a path that is a folder. nullopt when it would write.
std::optional<std::string> files_refusal(const char *path);
// Makes folder and its missing parents (mode 0700), unless the nearest one that exists is one
// the user made read-only (a no also to root, whom the mode bits would not stop). Why not.
std::optional<std::string> files_make_folder(const char *folder);
// The bytes the file at path holds, through its links; nullopt when there is none (or it
// cannot be read).
std::optional<std::string> files_read(const char *path);
// Removes the temporary files that writes of path interrupted by a crash or a kill left beside
// its target. Only for a caller that holds the writers' lock. Returns how many it removed.
int files_sweep(const char *path);
// Takes the advisory lock on the file at path (made when missing), waiting up to timeout_ms
// while another process holds it. True with *fd holding it; false with error set.
bool files_lock(const char *path, int timeout_ms, int *fd, GError **error);
// Releases a lock files_lock took.
void files_unlock(int fd);
