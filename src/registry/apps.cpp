#include "registry/apps.h"

#include <algorithm>
#include <cstring>
#include <gio/gdesktopappinfo.h>
#include <string>
#include <vector>

#include "registry/app_set.h"
#include "util/text.h"

bool apps_list_has(GList *list, GAppInfo *app) {
    for (GList *l = list; l != nullptr; l = l->next)
        if (g_app_info_equal(app, G_APP_INFO(l->data)))
            return true;
    return false;
}

GList *apps_candidates(const Item &item) {
    std::vector<GList *> lists;
    for (const char *type : item.types)
        lists.push_back(g_app_info_get_all_for_type(type));
    GList *result = apps_candidates_from(item, lists);
    for (GList *list : lists)
        g_list_free_full(list, g_object_unref);
    return result;
}

GList *apps_defaults(const Item &item) {
    std::vector<GAppInfo *> defaults;
    for (const char *type : item.types)
        defaults.push_back(g_app_info_get_default_for_type(type, FALSE));
    GList *result = apps_defaults_from(defaults);
    for (GAppInfo *d : defaults)
        g_clear_object(&d);
    return result;
}

GList *apps_candidates_from(const Item &item, std::span<GList *const> lists) {
    AppSet taken;
    GList *result = nullptr;
    for (GList *all : lists) {
        for (GList *l = all; l != nullptr; l = l->next) {
            auto app = G_APP_INFO(l->data);
            if (!item.category || app_set_add(&taken, app))
                result = g_list_prepend(result, g_object_ref(app));
        }
    }
    return g_list_reverse(result);
}

GList *apps_defaults_from(std::span<GAppInfo *const> defaults) {
    AppSet taken;
    GList *result = nullptr;
    for (GAppInfo *d : defaults)
        if (d != nullptr && app_set_add(&taken, d))
            result = g_list_prepend(result, g_object_ref(d));
    return g_list_reverse(result);
}

bool apps_same_set(GList *a, GList *b) {
    AppSet in_a, in_b;
    for (GList *l = a; l != nullptr; l = l->next)
        app_set_add(&in_a, G_APP_INFO(l->data));
    for (GList *l = b; l != nullptr; l = l->next)
        app_set_add(&in_b, G_APP_INFO(l->data));
    return in_a.ids == in_b.ids && in_a.objects == in_b.objects;
}

const char *apps_display_name(GAppInfo *app) {
    return g_app_info_get_name(app);
}

const char *apps_desktop_id(GAppInfo *app) {
    const char *id = g_app_info_get_id(app);
    return id ? id : "";
}

GAppInfo *apps_default_for_type(const char *type) {
    return g_app_info_get_default_for_type(type, FALSE);
}

const char *apps_desktop_file(GAppInfo *app) {
    if (!G_IS_DESKTOP_APP_INFO(app))
        return nullptr;
    return g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app));
}

GList *apps_listed() {
    struct Listed {
        std::string key; // the name, folded
        const char *id;
        GAppInfo *app;
    };
    g_autolist(GAppInfo) all = g_app_info_get_all();
    AppSet taken;
    std::vector<Listed> rows;
    for (GList *l = all; l != nullptr; l = l->next) {
        auto app = G_APP_INFO(l->data);
        g_auto(GStrv) types = apps_declared_types(app);
        if (types[0] == nullptr || !g_app_info_should_show(app) || !app_set_add(&taken, app))
            continue;
        g_autofree char *key = text_fold(apps_display_name(app));
        rows.push_back({key, apps_desktop_id(app), app});
    }
    // Byte order of folded names puts "Éclair" among the E's whatever the locale says.
    std::sort(rows.begin(), rows.end(), [](const Listed &a, const Listed &b) {
        int c = a.key.compare(b.key);
        return c != 0 ? c < 0 : strcmp(a.id, b.id) < 0;
    });
    GList *result = nullptr;
    for (auto r = rows.rbegin(); r != rows.rend(); ++r)
        result = g_list_prepend(result, g_object_ref(r->app));
    return result;
}

char **apps_declared_types(GAppInfo *app) {
    GPtrArray *types = g_ptr_array_new();
    const char *const *declared = g_app_info_get_supported_types(app);
    for (const char *const *t = declared; t != nullptr && *t != nullptr; t++)
        if (**t != '\0' && !g_ptr_array_find_with_equal_func(types, *t, g_str_equal, nullptr))
            g_ptr_array_add(types, g_strdup(*t));
    g_ptr_array_add(types, nullptr);
    return reinterpret_cast<char **>(g_ptr_array_free(types, FALSE));
}

bool apps_is_default_for(GAppInfo *app, const char *type) {
    g_autoptr(GAppInfo) current = apps_default_for_type(type);
    return current != nullptr && g_app_info_equal(current, app);
}

bool apps_runs_in_terminal(GAppInfo *app) {
    return G_IS_DESKTOP_APP_INFO(app) &&
           g_desktop_app_info_get_boolean(G_DESKTOP_APP_INFO(app), G_KEY_FILE_DESKTOP_KEY_TERMINAL);
}
