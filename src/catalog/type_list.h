// The MIME type list: unique strings, in strcmp order once sorted.
#pragma once

#include <glib.h>

// A set of the strings types holds, for adding many types in linear time. It borrows them:
// free it before any of them is removed.
GHashTable *type_list_index(GPtrArray *types);
// Appends a copy of type to types unless index holds it already; index learns the copy.
void type_list_add(GPtrArray *types, GHashTable *index, const char *type);
// Sorts types into strcmp order.
void type_list_sort(GPtrArray *types);
// Binary search of a sorted list: true with *at on type, or false with *at where it belongs.
bool type_list_find(GPtrArray *types, const char *type, guint *at);
