#include "appdb/apps.h"

#include "appdb/mimeapps_guard.h"
#include "catalog/catalog.h"
#include "shell/app_state.h"
#include "shell/devmode.h"

namespace {

// Appends to result, with a reference of its own, each application of type not listed yet.
GList *append_candidates(GList *result, const char *type, bool dedupe) {
    GList *all = g_app_info_get_all_for_type(type);
    for (GList *l = all; l != nullptr; l = l->next) {
        auto app = G_APP_INFO(l->data);
        if (!dedupe || !apps_list_has(result, app))
            result = g_list_append(result, g_object_ref(app));
    }
    g_list_free_full(all, g_object_unref);
    return result;
}

// Sets app as the default for type and checks that GIO now answers with it. Returns false,
// with status written, when it failed or another setting still takes precedence.
bool set_default_for_type(AppState *s, GAppInfo *app, const char *type) {
    g_autoptr(GError) error = nullptr;
    g_app_info_set_as_default_for_type(app, type, &error);
    if (error != nullptr) {
        state_set_status(s, "Failed to set default application");
        return false;
    }
    // A desktop-specific list (gnome-mimeapps.list and the like) outranks the file GIO
    // writes; success is only what GIO itself now reports.
    g_autoptr(GAppInfo) now = g_app_info_get_default_for_type(type, FALSE);
    if (now == nullptr || !g_app_info_equal(now, app)) {
        state_set_status(s,
                         "Failed to set default application: another setting takes "
                         "precedence for %s",
                         type);
        return false;
    }
    return true;
}

} // namespace

bool apps_list_has(GList *list, GAppInfo *app) {
    for (GList *l = list; l != nullptr; l = l->next)
        if (g_app_info_equal(app, G_APP_INFO(l->data)))
            return true;
    return false;
}

GList *apps_for_item(AppState *s, int32_t index) {
    if (static_cast<guint>(index) >= s->view->len)
        return nullptr;
    void *row = g_ptr_array_index(s->view, index);
    if (s->mode != MODE_CATEGORIES)
        return append_candidates(nullptr, static_cast<const char *>(row), false);
    GList *result = nullptr;
    for (char **t = static_cast<Category *>(row)->mime_types; *t != nullptr; t++)
        result = append_candidates(result, *t, true);
    return result;
}

void apps_reload(AppState *s) {
    state_free_apps(s);
    if (s->dev_mode)
        dev_apps_reload(s);
    else
        s->apps = apps_for_item(s, s->selected);
    s->app_selected = 0;
}

void apps_set_default(AppState *s) {
    auto app = static_cast<GAppInfo *>(g_list_nth_data(s->apps, s->app_selected));
    if (app == nullptr || static_cast<guint>(s->selected) >= s->view->len)
        return;
    void *row = g_ptr_array_index(s->view, s->selected);
    const char *name = g_app_info_get_name(app);
    g_autofree char *settings = mimeapps_user_path();
    if (!mimeapps_writable_safely(settings)) {
        state_set_status(s, "Failed to set default application: %s cannot be read", settings);
        return;
    }
    if (s->mode == MODE_CATEGORIES) {
        auto c = static_cast<Category *>(row);
        state_set_status(s, "%s is now default for %s", name, c->name);
        for (char **t = c->mime_types; *t != nullptr; t++)
            if (!set_default_for_type(s, app, *t))
                return;
    } else {
        auto type = static_cast<const char *>(row);
        state_set_status(s, "%s is now default for %s", name, type);
        set_default_for_type(s, app, type);
    }
}
