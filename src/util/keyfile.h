// Loading a user's key file for a change of some of its keys, keeping everything else in it.
#pragma once

#include <glib.h>
#include <string>
#include <string_view>
#include <vector>

// The key file a save of path starts from: the file as it stands, comments and translations
// included, so that the save changes only the keys the caller owns; an empty one when there is
// no file. An existing file that does not parse is kept beside it (path.bak, else .bak.1, …)
// and an empty one returned. NULL with error when the file or its backup cannot be handled.
GKeyFile *keyfile_load_for_update(const char *path, GError **error);
// The items of a raw key-file list value ("a;b\\;c;"), split on its unescaped ";" with the
// escapes GKeyFile writes undone and every other byte kept as it stands: a value GKeyFile would
// refuse as a list (an unknown escape, bytes that are not UTF-8) still gives its items.
std::vector<std::string> keyfile_split_list(std::string_view raw);
