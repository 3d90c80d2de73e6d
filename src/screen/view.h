// The item pane's rows: the filtered view of the catalogue, and the item behind a row.
#pragma once

#include <cstdint>
#include <optional>

#include "catalog/item.h"

struct AppState;

// Builds the catalogue (extension index, built-in table, configuration file) and an empty view.
void catalog_init(AppState *s);
// Releases the catalogue and the view, and clears their fields.
void view_release(AppState *s);
// Refills view from mode and search; changes no other field.
void view_rebuild(AppState *s);
// Number of rows of the item pane.
int32_t view_count(AppState *s);
// Label of item row index: borrowed, never NULL, "" outside the view.
const char *view_label(AppState *s, int32_t index);
// Number of rows of the catalogue's own view (which the screen may not show).
int32_t view_len(AppState *s);
// The item of view row index; nullopt outside the view. Borrowed until the catalogue or the
// view changes.
std::optional<Item> view_item(AppState *s, int32_t index);
// The label the catalogue gives view row index: the category's name or the type's extension.
const char *view_row_label(AppState *s, int32_t index);
