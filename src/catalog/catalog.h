// The catalogue: categories, the MIME type list, and the rows a search or a typed name finds.
#pragma once

#include <cstdint>
#include <glib.h>

#include "catalog/category.h"
#include "util/outcome.h"

// Everything the catalogue holds. The screen and the command line both keep one; the screen's
// state record points to its own.
struct Catalog {
    GPtrArray *categories; // Category records, owned
    GPtrArray *mime_types; // strings, owned, unique, in strcmp order
    GHashTable *ext_index; // MIME type -> extension label
    GHashTable *ext_all;   // MIME type -> every extension, folded; made at the first search
    GPtrArray *named;      // one-type lists for types typed text named that the lists lack
    char *load_problem;    // why the configuration file was not taken (shown once), or NULL
};

// Builds the extension index, the built-in categories and the MIME type list, then applies the
// configuration file.
Catalog *catalog_new();
// Releases the catalogue and everything it holds; NULL is ignored.
void catalog_free(Catalog *c);
// Enters a copy of type into mime_types at its sorted place; false when it is there already.
bool catalog_insert_type(Catalog *c, const char *type);
// Removes type from mime_types (categories keep theirs); false when it was not there.
bool catalog_remove_type(Catalog *c, const char *type);
// Fills rows with the categories (or else the MIME types) that pass the search text (empty:
// every row): Category records or MIME type strings, borrowed.
void catalog_filter(Catalog *c, bool categories, const char *search, GPtrArray *rows);
// Adds the MIME type text names (a type or an extension) to target, or only to the MIME type
// list when target is NULL, and saves. "Added: TEXT", or why not; the type is in the outcome's
// types whenever the catalogue in memory changed.
Outcome catalog_add(Catalog *c, Category *target, const char *text);
// Removes type from the MIME type list and saves. "Deleted: TYPE", or why the save failed.
Outcome catalog_delete(Catalog *c, const char *type);
