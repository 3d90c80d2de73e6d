// The catalogue: categories, the MIME type list, and the filtered view the item pane shows.
#pragma once

#include <cstdint>
#include <span>

#include "catalog/category.h"

struct AppState;

// Builds the extension index, the built-in categories and the MIME type list, then applies the
// configuration file. Called once on a zero-filled state.
void catalog_init(AppState *s);
// Releases the catalogue arrays, the view and the index, and clears their fields.
void catalog_free(AppState *s);
// Enters a copy of type into mime_types at its sorted place; false when it is there already.
bool catalog_insert_type(AppState *s, const char *type);
// Removes type from mime_types (categories keep theirs); false when it was not there.
bool catalog_remove_type(AppState *s, const char *type);

// Refills view from mode and search; changes no other field.
void view_rebuild(AppState *s);
// Number of rows of the item pane.
int32_t view_count(AppState *s);
// Label of item row index: borrowed, never NULL, "" outside the view.
const char *view_label(AppState *s, int32_t index);
// The MIME types of view row index: the category's list, or the one type of a MIME type row.
// Empty outside the view. Borrowed until the catalogue or the view changes.
std::span<char *const> view_item_types(AppState *s, int32_t index);
// What status messages call view row index: the category's name or the MIME type itself.
// NULL outside the view.
const char *view_item_name(AppState *s, int32_t index);
