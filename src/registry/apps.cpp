#include "registry/apps.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <gio/gdesktopappinfo.h>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "registry/app_set.h"
#include "registry/origin.h"
#include "util/paths.h"
#include "util/text.h"

namespace {

// Every MIME type the lists GIO reads name a default or an association for, each once, in the
// order GIO reads them.
std::vector<std::string> named_types() {
    std::vector<std::string> types;
    std::unordered_set<std::string> seen;
    for (const ListFile &f : paths_list_files(paths_list_folders())) {
        if (f.kind == LIST_CACHE)
            continue;
        g_autoptr(GKeyFile) kf = g_key_file_new();
        if (!g_key_file_load_from_file(kf, f.path.c_str(), G_KEY_FILE_NONE, nullptr))
            continue;
        for (const char *group : {PATHS_GROUP_DEFAULTS, PATHS_GROUP_ADDED}) {
            if (group == PATHS_GROUP_ADDED && f.kind != LIST_FULL)
                continue;
            g_auto(GStrv) keys = g_key_file_get_keys(kf, group, nullptr, nullptr);
            for (char **k = keys; k != nullptr && *k != nullptr; k++)
                if (seen.insert(*k).second)
                    types.emplace_back(*k);
        }
    }
    return types;
}

// The applications a listing takes, sorted: those the menus show that declare a type, those they
// hide where GIO answers with them for a type they declare or a list names (every: any hidden
// one that declares a type), and the deleted ones GIO still answers with.
GList *listing(bool every) {
    g_autolist(GAppInfo) all = g_app_info_get_all();
    AppSet taken;
    std::vector<GAppInfo *> picked, hidden;
    std::vector<std::string> asked = named_types();
    std::unordered_set<std::string> in_asked(asked.begin(), asked.end());
    for (GList *l = all; l != nullptr; l = l->next) {
        auto app = G_APP_INFO(l->data);
        g_auto(GStrv) types = apps_declared_types(app);
        if (!app_set_add(&taken, app))
            continue;
        if (types[0] != nullptr && (every || apps_shown(app) == APPS_SHOWN)) {
            picked.push_back(app);
        } else if (apps_shown(app) != APPS_SHOWN) {
            hidden.push_back(app);
            for (char **t = types; *t != nullptr; t++)
                if (in_asked.insert(*t).second)
                    asked.emplace_back(*t);
        }
    }
    // GIO's answer for each type once: a hidden application is listed for being one, and a
    // deleted one can be found no other way (g_app_info_get_all leaves it out).
    g_autolist(GAppInfo) answers = nullptr;
    AppSet defaults;
    for (const std::string &type : asked)
        if (GAppInfo *d = apps_default_for_type(type.c_str()); d != nullptr) {
            answers = g_list_prepend(answers, d);
            if (app_set_add(&defaults, d) && apps_shown(d) == APPS_DELETED &&
                app_set_add(&taken, d))
                picked.push_back(d);
        }
    for (GAppInfo *app : hidden)
        if (app_set_has(&defaults, app))
            picked.push_back(app);
    return apps_sorted(picked);
}

// The folded text a search looks in: every name apps_known_as gives and the desktop ID, a line
// each so that no search text runs from one into the next. Kept on the object, which a change
// of the registry replaces.
const char *search_text(GAppInfo *app) {
    static const GQuark quark = g_quark_from_static_string("quarve-search");
    auto kept = static_cast<const char *>(g_object_get_qdata(G_OBJECT(app), quark));
    if (kept != nullptr)
        return kept;
    size_t names = 0;
    std::vector<std::string> texts = apps_known_as(app, &names);
    texts.emplace_back(apps_desktop_id(app));
    char *folded = text_fold(text_join(texts, "\n").c_str());
    g_object_set_qdata_full(G_OBJECT(app), quark, folded, g_free);
    return folded;
}

} // namespace

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

GList *apps_sorted(std::span<GAppInfo *const> apps) {
    struct Listed {
        std::string key; // the name, folded
        const char *id;
        GAppInfo *app;
    };
    std::vector<Listed> rows;
    for (GAppInfo *app : apps) {
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

GList *apps_listed() {
    return listing(false);
}

GList *apps_known() {
    return listing(true);
}

AppsShown apps_shown(GAppInfo *app) {
    if (G_IS_DESKTOP_APP_INFO(app) && g_desktop_app_info_get_is_hidden(G_DESKTOP_APP_INFO(app)))
        return APPS_DELETED;
    // A deleting copy that GIO cannot load leaves the next copy to start.
    if (origin_deleted_by_copy(app))
        return APPS_DELETED;
    return g_app_info_should_show(app) ? APPS_SHOWN : APPS_HIDDEN;
}

std::string apps_untranslated_name(GAppInfo *app) {
    g_autofree char *name = G_IS_DESKTOP_APP_INFO(app)
                                ? g_desktop_app_info_get_string(G_DESKTOP_APP_INFO(app), "Name")
                                : nullptr;
    return name != nullptr ? name : apps_display_name(app);
}

std::vector<std::string> apps_known_as(GAppInfo *app, size_t *names) {
    std::vector<std::string> out;
    auto add = [&out](const char *text) {
        if (text != nullptr && *text != '\0' &&
            std::find(out.begin(), out.end(), text) == out.end())
            out.emplace_back(text);
    };
    add(apps_display_name(app));
    add(apps_untranslated_name(app).c_str());
    *names = out.size();
    if (!G_IS_DESKTOP_APP_INFO(app))
        return out;
    auto desktop = G_DESKTOP_APP_INFO(app);
    add(g_desktop_app_info_get_generic_name(desktop));
    g_autofree char *generic = g_desktop_app_info_get_string(desktop, "GenericName");
    add(generic);
    for (const char *const *k = g_desktop_app_info_get_keywords(desktop); k != nullptr && *k; k++)
        add(*k);
    g_auto(GStrv) keywords = g_desktop_app_info_get_string_list(desktop, "Keywords", nullptr);
    for (char **k = keywords; k != nullptr && *k != nullptr; k++)
        add(*k);
    return out;
}

bool apps_search_finds(GAppInfo *app, const char *folded) {
    return strstr(search_text(app), folded) != nullptr;
}

std::vector<std::string> apps_row_names(GList *rows, GList *first, size_t count) {
    // Each name shown, with every row of rows that has it: a pass over rows without copying
    // their names, since a frame of a long pane asks for a few rows only.
    std::vector<GAppInfo *> shown;
    std::unordered_map<std::string_view, std::vector<GAppInfo *>> named;
    for (GList *l = first; l != nullptr && shown.size() < count; l = l->next) {
        shown.push_back(G_APP_INFO(l->data));
        named.try_emplace(apps_display_name(G_APP_INFO(l->data)));
    }
    for (GList *l = rows; l != nullptr; l = l->next)
        if (auto at = named.find(apps_display_name(G_APP_INFO(l->data))); at != named.end())
            at->second.push_back(G_APP_INFO(l->data));
    std::vector<std::string> names;
    for (GAppInfo *app : shown) {
        names.emplace_back(apps_display_name(app));
        const std::vector<GAppInfo *> &twins = named[apps_display_name(app)];
        if (twins.size() < 2)
            continue;
        std::string label = origin_label(origin_of_app(app));
        auto same = std::count_if(twins.begin(), twins.end(), [&label](GAppInfo *twin) {
            return origin_label(origin_of_app(twin)) == label;
        });
        const char *id = apps_desktop_id(app);
        names.back() += " (" + (same > 1 && *id != '\0' ? std::string(id) : label) + ")";
    }
    return names;
}

std::vector<std::string> apps_listed_labels(GList *listed) {
    std::vector<std::string> labels = apps_row_names(listed, listed, SIZE_MAX);
    size_t i = 0;
    for (GList *l = listed; l != nullptr; l = l->next, i++) {
        AppsShown shown = apps_shown(G_APP_INFO(l->data));
        if (shown != APPS_SHOWN)
            labels[i] += shown == APPS_DELETED ? " (deleted)" : " (hidden)";
    }
    return labels;
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

char **apps_listed_types(GAppInfo *app) {
    char **declared = apps_declared_types(app);
    if (apps_shown(app) == APPS_SHOWN)
        return declared;
    GPtrArray *types = g_ptr_array_new();
    for (char **t = declared; *t != nullptr; t++)
        g_ptr_array_add(types, *t);
    g_free(declared); // the strings are the array's now
    for (const std::string &type : named_types())
        if (!g_ptr_array_find_with_equal_func(types, type.c_str(), g_str_equal, nullptr) &&
            apps_is_default_for(app, type.c_str()))
            g_ptr_array_add(types, g_strdup(type.c_str()));
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
