// Aliases and sub-classes of the shared MIME database: other names of a MIME type, and the
// types it is a kind of.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The canonical type that type is an alias of, from the "mime/aliases" files of the user's
// and the system's data folders (the user's first); nullopt when type is no alias.
std::optional<std::string> aliases_canonical(const char *type);
// The canonical name of type: itself unless it is an alias.
std::string aliases_unalias(const char *type);
// type's canonical name, then the types it is a sub-class of, nearest first, at any depth, each
// once: the order in which GIO looks for a default.
std::vector<std::string> aliases_ancestry(const char *type);
// True when declared (an application's MimeType= list, NULL-terminated) names type or one of
// the types it is a kind of, under any of their names.
bool aliases_covers(const char *const *declared, const char *type);
