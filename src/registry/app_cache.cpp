#include "registry/app_cache.h"

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "registry/apps.h"

namespace {

// What GIO said about one MIME type. Either half may still be unasked.
struct TypeAnswer {
    GList *all = nullptr;          // its candidates in GIO's order, references
    GAppInfo *preferred = nullptr; // its default, a reference, or NULL
    bool all_known = false;
    bool preferred_known = false;

    TypeAnswer() = default;
    TypeAnswer(const TypeAnswer &) = delete;
    TypeAnswer &operator=(const TypeAnswer &) = delete;
    ~TypeAnswer() {
        g_list_free_full(all, g_object_unref);
        g_clear_object(&preferred);
    }
};

// Lets the tables be searched with the catalogue's strings without copying them.
struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

} // namespace

struct AppCache {
    std::unordered_map<std::string, TypeAnswer, TextHash, std::equal_to<>> types;
    // One object per desktop ID, shared by every answer that names it: GIO makes a new one for
    // each answer, and the same application is a candidate for many types. The keys borrow the
    // objects' IDs.
    std::unordered_map<std::string_view, GAppInfo *> apps;
};

namespace {

// The cache's object for the application GIO just made (the reference is taken over): the one
// already kept under its desktop ID, if any. A new reference for the caller.
GAppInfo *share(AppCache *cache, GAppInfo *fresh) {
    const char *id = g_app_info_get_id(fresh);
    if (id == nullptr)
        return fresh;
    auto [kept, added] = cache->apps.try_emplace(id, fresh);
    if (!added)
        g_object_unref(fresh);
    return G_APP_INFO(g_object_ref(kept->second));
}

TypeAnswer &answer_of(AppCache *cache, const char *type) {
    auto found = cache->types.find(std::string_view(type));
    if (found != cache->types.end())
        return found->second;
    return cache->types.try_emplace(type).first->second;
}

GList *all_of(AppCache *cache, const char *type) {
    TypeAnswer &answer = answer_of(cache, type);
    if (!answer.all_known) {
        answer.all = g_app_info_get_all_for_type(type);
        for (GList *l = answer.all; l != nullptr; l = l->next)
            l->data = share(cache, G_APP_INFO(l->data));
        answer.all_known = true;
    }
    return answer.all;
}

GAppInfo *preferred_of(AppCache *cache, const char *type) {
    TypeAnswer &answer = answer_of(cache, type);
    if (!answer.preferred_known) {
        if (GAppInfo *d = apps_default_for_type(type))
            answer.preferred = share(cache, d);
        answer.preferred_known = true;
    }
    return answer.preferred;
}

} // namespace

AppCache *app_cache_new() {
    return new AppCache;
}

void app_cache_free(AppCache *cache) {
    app_cache_drop(cache);
    delete cache;
}

void app_cache_drop(AppCache *cache) {
    if (cache == nullptr)
        return;
    cache->types.clear();
    // Cleared before the objects go, since the keys are their IDs.
    std::vector<GAppInfo *> apps;
    for (const auto &kept : cache->apps)
        apps.push_back(kept.second);
    cache->apps.clear();
    for (GAppInfo *app : apps)
        g_object_unref(app);
}

GList *app_cache_candidates(AppCache *cache, const Item &item) {
    std::vector<GList *> lists;
    for (const char *type : item.types)
        lists.push_back(all_of(cache, type));
    return apps_candidates_from(item, lists);
}

GList *app_cache_candidates_head(AppCache *cache, const Item &item, int rows) {
    std::vector<GList *> lists;
    for (const char *type : item.types) {
        lists.push_back(all_of(cache, type));
        // A later type only adds applications at the end, so the list of the types asked so
        // far is the start of the whole list.
        GList *head = apps_candidates_from(item, lists);
        if (g_list_length(head) >= static_cast<guint>(std::max(rows, 0)) ||
            lists.size() == item.types.size())
            return head;
        g_list_free_full(head, g_object_unref);
    }
    return nullptr;
}

GAppInfo *app_cache_default(AppCache *cache, const char *type) {
    return preferred_of(cache, type);
}

GList *app_cache_defaults(AppCache *cache, const Item &item) {
    std::vector<GAppInfo *> defaults;
    for (const char *type : item.types)
        defaults.push_back(preferred_of(cache, type));
    return apps_defaults_from(defaults);
}

bool app_cache_fill(AppCache *cache, const Item &item) {
    for (const char *type : item.types) {
        auto found = cache->types.find(std::string_view(type));
        if (found == cache->types.end() || !found->second.all_known) {
            all_of(cache, type);
            return true;
        }
        if (!found->second.preferred_known) {
            preferred_of(cache, type);
            return true;
        }
    }
    return false;
}
