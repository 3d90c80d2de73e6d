#include "catalog/catalog.h"

#include <cstring>

#include "catalog/builtin.h"
#include "catalog/config.h"
#include "catalog/ext_index.h"
#include "catalog/type_list.h"
#include "state/devmode.h"
#include "state/state.h"
#include "util/text.h"

namespace {

// The row at index, or NULL outside the view.
void *view_row(AppState *s, int32_t index) {
    if (static_cast<guint>(index) >= s->view->len)
        return nullptr;
    return g_ptr_array_index(s->view, index);
}

} // namespace

void catalog_init(AppState *s) {
    ext_index_build(s);
    s->categories = g_ptr_array_new_with_free_func(category_free);
    s->mime_types = g_ptr_array_new_with_free_func(g_free);
    s->view = g_ptr_array_new();
    GHashTable *known = type_list_index(s->mime_types);
    for (const BuiltinCategory *b = builtin_categories; b->name[0] != '\0'; b++) {
        Category *c = category_new(b->name);
        for (int i = 0; i < BUILTIN_TYPE_SLOTS && b->mime_types[i] != nullptr; i++) {
            category_append(c, b->mime_types[i]);
            type_list_add(s->mime_types, known, b->mime_types[i]);
        }
        g_ptr_array_add(s->categories, c);
    }
    g_hash_table_unref(known);
    config_load(s);
    type_list_sort(s->mime_types);
}

void catalog_free(AppState *s) {
    g_clear_pointer(&s->categories, g_ptr_array_unref);
    g_clear_pointer(&s->mime_types, g_ptr_array_unref);
    g_clear_pointer(&s->view, g_ptr_array_unref);
    g_clear_pointer(&s->ext_index, g_hash_table_unref);
    g_clear_pointer(&s->ext_all, g_hash_table_unref);
}

bool catalog_insert_type(AppState *s, const char *type) {
    guint at = 0;
    if (type_list_find(s->mime_types, type, &at))
        return false;
    g_ptr_array_insert(s->mime_types, static_cast<gint>(at), g_strdup(type));
    return true;
}

bool catalog_remove_type(AppState *s, const char *type) {
    guint at = 0;
    if (!type_list_find(s->mime_types, type, &at))
        return false;
    g_ptr_array_remove_index(s->mime_types, at); // keeps the order; frees the string
    return true;
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
        // What users type is an extension: mp3 finds audio/mpeg, whose label is mpga.
        if (GPtrArray *exts = keep ? nullptr : ext_index_extensions(s, type))
            for (guint e = 0; e < exts->len && !keep; e++)
                keep =
                    g_str_has_prefix(static_cast<const char *>(g_ptr_array_index(exts, e)), needle);
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
    void *row = view_row(s, index);
    if (row == nullptr)
        return "";
    if (s->mode == MODE_CATEGORIES)
        return static_cast<Category *>(row)->name;
    return ext_index_label(s, static_cast<const char *>(row));
}

std::span<char *const> view_item_types(AppState *s, int32_t index) {
    void *row = view_row(s, index);
    if (row == nullptr)
        return {};
    if (s->mode == MODE_CATEGORIES) {
        char **types = static_cast<Category *>(row)->mime_types;
        return {types, g_strv_length(types)};
    }
    // A MIME type row is its own one-element list: the view's slot holds the string.
    return {reinterpret_cast<char *const *>(&s->view->pdata[index]), 1};
}

const char *view_item_name(AppState *s, int32_t index) {
    void *row = view_row(s, index);
    if (row == nullptr)
        return nullptr;
    if (s->mode == MODE_CATEGORIES)
        return static_cast<Category *>(row)->name;
    return static_cast<const char *>(row);
}
