#include "screen/view.h"

#include "catalog/catalog.h"
#include "catalog/ext_index.h"
#include "state/state.h"

void catalog_init(AppState *s) {
    s->catalog = catalog_new();
    s->view = g_ptr_array_new();
}

void view_release(AppState *s) {
    g_clear_pointer(&s->catalog, catalog_free);
    g_clear_pointer(&s->view, g_ptr_array_unref);
}

void view_rebuild(AppState *s) {
    catalog_filter(s->catalog, s->mode == MODE_CATEGORIES, s->search, s->view);
}

int32_t view_count(AppState *s) {
    return s->source->item_count(s);
}

const char *view_label(AppState *s, int32_t index) {
    return s->source->item_label(s, index);
}

int32_t view_len(AppState *s) {
    return static_cast<int32_t>(s->view->len);
}

std::optional<Item> view_item(AppState *s, int32_t index) {
    if (static_cast<guint>(index) >= s->view->len)
        return std::nullopt;
    void *row = g_ptr_array_index(s->view, index);
    if (s->mode == MODE_CATEGORIES)
        return item_of_category(static_cast<Category *>(row));
    // A MIME type row is its own one-element list: the view's slot holds the string.
    return item_of_type_slot(reinterpret_cast<char *const *>(&s->view->pdata[index]));
}

const char *view_row_label(AppState *s, int32_t index) {
    if (static_cast<guint>(index) >= s->view->len)
        return "";
    void *row = g_ptr_array_index(s->view, index);
    if (s->mode == MODE_CATEGORIES)
        return static_cast<Category *>(row)->name;
    return ext_index_label(s->catalog, static_cast<const char *>(row));
}
