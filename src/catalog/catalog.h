// The catalogue: categories, the MIME type list, and the filtered view the item pane shows.
#pragma once

#include <cstdint>

struct AppState;

struct Category {
    char *name;        // display name; also its key in the configuration file
    char **mime_types; // NULL-terminated, GLib-allocated so that it can grow with g_realloc_n
};

// A zero-filled record with a copy of name and an empty type list.
Category *category_new(const char *name);
// Releases a record with its name and types; NULL is ignored.
void category_free(void *category);
// Appends a copy of type to the end of the category's list.
void category_append(Category *c, const char *type);

// Builds the extension index, the built-in categories and the MIME type list, then applies the
// configuration file. Called once on a zero-filled state.
void catalog_init(AppState *s);
// Appends a copy of type to mime_types unless an equal string is there already.
void catalog_add_type(AppState *s, const char *type);
// Sorts mime_types into strcmp order.
void catalog_sort_types(AppState *s);

// Refills view from mode and search; changes no other field.
void view_rebuild(AppState *s);
// Number of rows of the item pane.
int32_t view_count(AppState *s);
// Label of item row index: borrowed, never NULL, "" outside the view.
const char *view_label(AppState *s, int32_t index);
