#include "screen/view.h"

#include <cstring>

#include "catalog/catalog.h"
#include "catalog/ext_index.h"
#include "registry/apps.h"
#include "state/state.h"
#include "util/text.h"

namespace {

// The applications whose name or desktop ID holds the search text, folded as every search is.
void filter_apps(GList *listed, const char *search, GPtrArray *rows) {
    g_ptr_array_set_size(rows, 0);
    g_autofree char *needle = text_fold(search);
    for (GList *l = listed; l != nullptr; l = l->next) {
        auto app = G_APP_INFO(l->data);
        g_autofree char *name = text_fold(apps_display_name(app));
        g_autofree char *id = text_fold(apps_desktop_id(app));
        if (strstr(name, needle) != nullptr || strstr(id, needle) != nullptr)
            g_ptr_array_add(rows, app);
    }
}

} // namespace

void catalog_init(AppState *s) {
    s->catalog = catalog_new();
    s->view = g_ptr_array_new();
}

void view_release(AppState *s) {
    g_clear_pointer(&s->catalog, catalog_free);
    g_clear_pointer(&s->view, g_ptr_array_unref);
    g_list_free_full(g_steal_pointer(&s->listed), g_object_unref);
}

void view_rebuild(AppState *s) {
    if (s->mode != MODE_APPS) {
        catalog_filter(s->catalog, s->mode == MODE_CATEGORIES, s->search, s->view);
        return;
    }
    // Listed at the first visit only: GIO reads every desktop file for it, which the other
    // lists never need.
    if (s->listed == nullptr)
        s->listed = apps_listed();
    filter_apps(s->listed, s->search, s->view);
}

void view_take_listed(AppState *s, GList *listed) {
    g_list_free_full(s->listed, g_object_unref);
    s->listed = listed;
    filter_apps(s->listed, s->search, s->view);
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
    if (static_cast<guint>(index) >= s->view->len || s->mode == MODE_APPS)
        return std::nullopt;
    void *row = g_ptr_array_index(s->view, index);
    if (s->mode == MODE_CATEGORIES)
        return item_of_category(static_cast<Category *>(row));
    // A MIME type row is its own one-element list: the view's slot holds the string.
    return item_of_type_slot(reinterpret_cast<char *const *>(&s->view->pdata[index]));
}

void view_forget_listed(AppState *s) {
    if (s->mode != MODE_APPS)
        g_list_free_full(g_steal_pointer(&s->listed), g_object_unref);
}

const char *view_row_label(AppState *s, int32_t index) {
    if (static_cast<guint>(index) >= s->view->len)
        return "";
    void *row = g_ptr_array_index(s->view, index);
    if (s->mode == MODE_CATEGORIES)
        return static_cast<Category *>(row)->name;
    if (s->mode == MODE_APPS)
        return apps_display_name(G_APP_INFO(row));
    return ext_index_label(s->catalog, static_cast<const char *>(row));
}

GAppInfo *view_app(AppState *s, int32_t index) {
    if (static_cast<guint>(index) >= s->view->len || s->mode != MODE_APPS)
        return nullptr;
    return G_APP_INFO(g_ptr_array_index(s->view, index));
}
