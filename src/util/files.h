// Writing a user's file the way the user set it up: through symbolic links, keeping its mode.
#pragma once

#include <glib.h>

// The file that a write to path must replace: path itself, or, when path is a symbolic link,
// the end of its chain (which may not exist yet: a dangling link). A relative link is read
// from the folder of the link. NULL when the chain loops or runs longer than the system allows.
// A new string for the caller to g_free.
char *files_link_target(const char *path);

// Replaces the file at path, through any symbolic links, with contents in one step (a
// temporary file beside the target, renamed onto it), so that the target holds either its old
// or its new bytes and the links stay as they are. A target that exists keeps its permission
// bits. A target without write permission is refused ("<target> is read-only"), even for
// root. False with error set when it cannot be written.
bool files_replace(const char *path, const char *contents, gsize length, GError **error);
