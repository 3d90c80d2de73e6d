#include "appdb/apps.h"

#include <gio/gdesktopappinfo.h>

#include "appdb/app_set.h"
#include "appdb/mimeapps_guard.h"
#include "catalog/catalog.h"
#include "state/devmode.h"
#include "state/state.h"

namespace {

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
    // A single MIME type lists GIO's answer as it stands; a category lists each application
    // once, where it first occurs.
    bool merge = s->mode == MODE_CATEGORIES;
    AppSet taken;
    GList *result = nullptr;
    for (const char *type : view_item_types(s, index)) {
        g_autolist(GAppInfo) all = g_app_info_get_all_for_type(type);
        for (GList *l = all; l != nullptr; l = l->next) {
            auto app = G_APP_INFO(l->data);
            if (!merge || app_set_add(&taken, app))
                result = g_list_prepend(result, g_object_ref(app));
        }
    }
    return g_list_reverse(result);
}

GList *apps_defaults_for_item(AppState *s, int32_t index) {
    AppSet taken;
    GList *result = nullptr;
    for (const char *type : view_item_types(s, index)) {
        GAppInfo *d = g_app_info_get_default_for_type(type, FALSE);
        if (d != nullptr && app_set_add(&taken, d))
            result = g_list_prepend(result, d);
        else if (d != nullptr)
            g_object_unref(d);
    }
    return g_list_reverse(result);
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
    const char *item = view_item_name(s, s->selected);
    if (app == nullptr || item == nullptr)
        return;
    g_autofree char *settings = mimeapps_user_path();
    if (!mimeapps_writable_safely(settings)) {
        state_set_status(s, "Failed to set default application: %s cannot be read", settings);
        return;
    }
    state_set_status(s, "%s is now default for %s", g_app_info_get_name(app), item);
    for (const char *type : view_item_types(s, s->selected))
        if (!set_default_for_type(s, app, type))
            return;
}

const char *apps_display_name(GAppInfo *app) {
    return g_app_info_get_name(app);
}

const char *apps_desktop_file(GAppInfo *app) {
    if (!G_IS_DESKTOP_APP_INFO(app))
        return nullptr;
    return g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app));
}
