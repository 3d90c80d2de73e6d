// The index from MIME type to the file-name extension that labels it.
#pragma once

#include <glib.h>

struct Catalog;

// How the fields of one system MIME table are laid out.
enum ExtFormat {
    EXT_FORMAT_MIME_TYPES, // "type ext ext ...", blank separated (/etc/mime.types)
    EXT_FORMAT_GLOBS2,     // "weight:type:glob[:flags]" (/usr/share/mime/globs2)
    EXT_FORMAT_GLOBS,      // "type:glob" (/usr/share/mime/globs)
};

// Creates ext_index and fills it from the system tables, then the built-in fallbacks.
void ext_index_build(Catalog *c);
// Every extension the tables give type, folded, in table order; NULL when none. The first call
// reads the tables for them into ext_all.
GPtrArray *ext_index_extensions(Catalog *c, const char *type);
// The label of type, or type itself when the index holds none. Never copies.
const char *ext_index_label(Catalog *c, const char *type);
// Adds to index (when not NULL) the entries of one table at path; a type already present is
// kept. A file that cannot be opened adds nothing. With all, every extension of each type also
// goes there.
void ext_index_read_source(GHashTable *index, const char *path, ExtFormat format,
                           GHashTable *all = nullptr);
// Adds the built-in labels of link schemes and folders for the types index does not hold yet.
void ext_index_add_fallbacks(GHashTable *index);
// Adds to index the entries one line (without its line feed) gives under format.
void ext_index_read_line(GHashTable *index, const char *line, ExtFormat format,
                         GHashTable *all = nullptr);
