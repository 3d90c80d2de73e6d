#include "screen/view.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

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
        const char *shown = apps_display_name(app);
        const char *desktop_id = apps_desktop_id(app);
        g_autofree char *name = text_fold(shown);
        g_autofree char *id = text_fold(desktop_id);
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

bool view_relist(AppState *s) {
    GList *fresh = apps_listed();
    // What the list shows of each application, before and after: a change of either is a
    // change of the list; and the application selected, to keep the selection on.
    std::vector<std::string> before, after;
    for (GList *l = s->listed; l != nullptr; l = l->next)
        before.push_back(std::string(apps_desktop_id(G_APP_INFO(l->data))) + '\n' +
                         apps_display_name(G_APP_INFO(l->data)));
    for (GList *l = fresh; l != nullptr; l = l->next)
        after.push_back(std::string(apps_desktop_id(G_APP_INFO(l->data))) + '\n' +
                        apps_display_name(G_APP_INFO(l->data)));
    std::string id;
    if (static_cast<guint>(s->selected) < s->view->len)
        id = apps_desktop_id(G_APP_INFO(g_ptr_array_index(s->view, s->selected)));
    g_list_free_full(s->listed, g_object_unref);
    s->listed = fresh;
    filter_apps(s->listed, s->search, s->view);
    s->selected = std::clamp(s->selected, 0, std::max(static_cast<int32_t>(s->view->len) - 1, 0));
    for (guint i = 0; i < s->view->len; i++)
        if (id == apps_desktop_id(G_APP_INFO(g_ptr_array_index(s->view, i))))
            s->selected = static_cast<int32_t>(i);
    return after != before;
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
