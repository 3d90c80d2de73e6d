#include "screen/view.h"

#include <algorithm>
#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "catalog/ext_index.h"
#include "registry/apps.h"
#include "state/state.h"
#include "util/text.h"

namespace {

// The applications a name of which (as shown or untranslated, generic, a keyword) or whose
// desktop ID holds the search text, folded as every search is.
void filter_apps(GList *listed, const char *search, GPtrArray *rows) {
    g_ptr_array_set_size(rows, 0);
    g_autofree char *needle = text_fold(search);
    for (GList *l = listed; l != nullptr; l = l->next)
        if (apps_search_finds(G_APP_INFO(l->data), needle))
            g_ptr_array_add(rows, l->data);
}

// Puts fresh (owned) in the place of the listed applications, with their rows' labels: made once
// for the whole list, since a name's twins may be anywhere in it.
void take_listed(AppState *s, GList *fresh) {
    g_clear_pointer(&s->row_labels, g_hash_table_unref);
    g_list_free_full(s->listed, g_object_unref);
    s->listed = fresh;
    if (fresh == nullptr)
        return;
    s->row_labels = g_hash_table_new_full(g_direct_hash, g_direct_equal, nullptr, g_free);
    std::vector<std::string> labels = apps_listed_labels(fresh);
    size_t i = 0;
    for (GList *l = fresh; l != nullptr; l = l->next, i++)
        g_hash_table_insert(s->row_labels, l->data, g_strdup(labels[i].c_str()));
}

const char *listed_label(AppState *s, GAppInfo *app) {
    auto label = static_cast<const char *>(s->row_labels ? g_hash_table_lookup(s->row_labels, app)
                                                         : nullptr);
    return label != nullptr ? label : apps_display_name(app);
}

} // namespace

void catalog_init(AppState *s) {
    s->catalog = catalog_new();
    s->view = g_ptr_array_new();
}

void view_release(AppState *s) {
    g_clear_pointer(&s->catalog, catalog_free);
    g_clear_pointer(&s->view, g_ptr_array_unref);
    take_listed(s, nullptr);
}

void view_rebuild(AppState *s) {
    if (s->mode != MODE_APPS) {
        catalog_filter(s->catalog, s->mode == MODE_CATEGORIES, s->search, s->view);
        return;
    }
    // Listed at the first visit only: GIO reads every desktop file for it, which the other
    // lists never need.
    if (s->listed == nullptr)
        take_listed(s, apps_listed());
    filter_apps(s->listed, s->search, s->view);
}

bool view_relist(AppState *s) {
    // What the list shows of each application, before and after: a change of either is a
    // change of the list; and the application selected, to keep the selection on.
    auto shown = [s] {
        std::vector<std::string> rows;
        for (GList *l = s->listed; l != nullptr; l = l->next)
            rows.push_back(std::string(apps_desktop_id(G_APP_INFO(l->data))) + '\n' +
                           listed_label(s, G_APP_INFO(l->data)));
        return rows;
    };
    std::vector<std::string> before = shown();
    std::string id;
    if (static_cast<guint>(s->selected) < s->view->len)
        id = apps_desktop_id(G_APP_INFO(g_ptr_array_index(s->view, s->selected)));
    take_listed(s, apps_listed());
    std::vector<std::string> after = shown();
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
        take_listed(s, nullptr);
}

const char *view_row_label(AppState *s, int32_t index) {
    if (static_cast<guint>(index) >= s->view->len)
        return "";
    void *row = g_ptr_array_index(s->view, index);
    if (s->mode == MODE_CATEGORIES)
        return static_cast<Category *>(row)->name;
    if (s->mode == MODE_APPS)
        return listed_label(s, G_APP_INFO(row));
    return ext_index_label(s->catalog, static_cast<const char *>(row));
}

GAppInfo *view_app(AppState *s, int32_t index) {
    if (static_cast<guint>(index) >= s->view->len || s->mode != MODE_APPS)
        return nullptr;
    return G_APP_INFO(g_ptr_array_index(s->view, index));
}
