// Aliases of the shared MIME database: old or alternative names of a MIME type.
#pragma once

#include <optional>
#include <string>

// The canonical type that type is an alias of, from the "mime/aliases" files of the user's
// and the system's data folders (the user's first); nullopt when type is no alias.
std::optional<std::string> aliases_canonical(const char *type);
