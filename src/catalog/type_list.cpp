#include "catalog/type_list.h"

#include <cstring>

namespace {

int compare_types(const void *a, const void *b) {
    // g_ptr_array_sort hands over pointers to the slots, not the strings.
    return strcmp(*static_cast<char *const *>(a), *static_cast<char *const *>(b));
}

} // namespace

GHashTable *type_list_index(GPtrArray *types) {
    GHashTable *index = g_hash_table_new(g_str_hash, g_str_equal);
    for (guint i = 0; i < types->len; i++)
        g_hash_table_add(index, g_ptr_array_index(types, i));
    return index;
}

void type_list_add(GPtrArray *types, GHashTable *index, const char *type) {
    if (g_hash_table_contains(index, type))
        return;
    char *copy = g_strdup(type);
    g_ptr_array_add(types, copy);
    g_hash_table_add(index, copy);
}

void type_list_sort(GPtrArray *types) {
    g_ptr_array_sort(types, compare_types);
}

bool type_list_find(GPtrArray *types, const char *type, guint *at) {
    guint lo = 0, hi = types->len;
    while (lo < hi) {
        guint mid = lo + (hi - lo) / 2;
        int c = strcmp(static_cast<const char *>(g_ptr_array_index(types, mid)), type);
        if (c == 0) {
            *at = mid;
            return true;
        }
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    *at = lo;
    return false;
}
