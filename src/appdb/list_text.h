// Edits of a settings list's text (mimeapps.list) that keep every other byte as the user has it.
#pragma once

#include <optional>
#include <string>

// text with key of group set to value (a raw key-file value), or removed when value is nullopt.
// A key that is there keeps its place; a new one goes after the group's last entry, a new group
// to the end. A group left without entries or comments goes, with the blank line before it.
std::string list_text_set(const std::string &text, const char *group, const char *key,
                          const std::optional<std::string> &value);
