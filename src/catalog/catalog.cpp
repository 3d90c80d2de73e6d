#include "catalog/catalog.h"

#include <cstring>

#include "catalog/builtin.h"
#include "catalog/config.h"
#include "catalog/ext_index.h"
#include "shell/app_state.h"
#include "shell/devmode.h"
#include "util/text.h"

namespace {

int compare_types(const void *a, const void *b) {
    // g_ptr_array_sort hands over pointers to the slots, not the strings.
    return strcmp(*static_cast<char *const *>(a), *static_cast<char *const *>(b));
}

bool types_contain(GPtrArray *types, const char *type) {
    for (guint i = 0; i < types->len; i++)
        if (strcmp(static_cast<const char *>(g_ptr_array_index(types, i)), type) == 0)
            return true;
    return false;
}

} // namespace

void catalog_add_type(AppState *s, const char *type) {
    if (!types_contain(s->mime_types, type))
        g_ptr_array_add(s->mime_types, g_strdup(type));
}

void catalog_sort_types(AppState *s) {
    g_ptr_array_sort(s->mime_types, compare_types);
}

void catalog_init(AppState *s) {
    ext_index_build(s);
    s->categories = g_ptr_array_new_with_free_func(category_free);
    s->mime_types = g_ptr_array_new_with_free_func(g_free);
    s->view = g_ptr_array_new();
    for (const BuiltinCategory *b = builtin_categories; b->name[0] != '\0'; b++) {
        Category *c = category_new(b->name);
        for (int i = 0; i < BUILTIN_TYPE_SLOTS && b->mime_types[i] != nullptr; i++) {
            category_append(c, b->mime_types[i]);
            catalog_add_type(s, b->mime_types[i]);
        }
        g_ptr_array_add(s->categories, c);
    }
    config_load(s);
    catalog_sort_types(s);
}

void view_rebuild(AppState *s) {
    g_ptr_array_set_size(s->view, 0);
    bool all = s->search[0] == '\0';
    g_autofree char *needle = all ? nullptr : text_fold(s->search);
    if (s->mode == MODE_CATEGORIES) {
        for (guint i = 0; i < s->categories->len; i++) {
            auto c = static_cast<Category *>(g_ptr_array_index(s->categories, i));
            g_autofree char *name = all ? nullptr : text_fold(c->name);
            if (all || g_str_has_prefix(name, needle))
                g_ptr_array_add(s->view, c);
        }
        return;
    }
    for (guint i = 0; i < s->mime_types->len; i++) {
        auto type = static_cast<char *>(g_ptr_array_index(s->mime_types, i));
        bool keep = all;
        if (!keep) {
            g_autofree char *label = text_fold(ext_index_label(s, type));
            keep = strstr(label, needle) != nullptr;
        }
        if (!keep) {
            g_autofree char *folded = text_fold(type);
            keep = strstr(folded, needle) != nullptr;
        }
        if (keep)
            g_ptr_array_add(s->view, type);
    }
}

int32_t view_count(AppState *s) {
    if (s->dev_mode)
        return s->dev_count;
    return static_cast<int32_t>(s->view->len);
}

const char *view_label(AppState *s, int32_t index) {
    if (s->dev_mode)
        return dev_label(index);
    if (index < 0 || static_cast<guint>(index) >= s->view->len)
        return "";
    void *row = g_ptr_array_index(s->view, index);
    if (s->mode == MODE_CATEGORIES)
        return static_cast<Category *>(row)->name;
    return ext_index_label(s, static_cast<const char *>(row));
}
