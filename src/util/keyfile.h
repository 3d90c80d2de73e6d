// Loading a user's key file for a change of some of its keys, keeping everything else in it.
#pragma once

#include <glib.h>

// The key file a save of path starts from: the file as it stands, comments and translations
// included, so that the save changes only the keys the caller owns; an empty one when there is
// no file. An existing file that does not parse is kept beside it (path.bak, else .bak.1, …)
// and an empty one returned. NULL with error when the file or its backup cannot be handled.
GKeyFile *keyfile_load_for_update(const char *path, GError **error);
