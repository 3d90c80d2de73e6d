#include "registry/app_set.h"

// GDesktopAppInfo compares by desktop ID, and an application without an ID is equal only to
// itself; keying on exactly that keeps the set in step with g_app_info_equal.
bool app_set_has(const AppSet *set, GAppInfo *app) {
    const char *id = g_app_info_get_id(app);
    return id != nullptr ? set->ids.contains(id) : set->objects.contains(app);
}

bool app_set_add(AppSet *set, GAppInfo *app) {
    const char *id = g_app_info_get_id(app);
    return id != nullptr ? set->ids.insert(id).second : set->objects.insert(app).second;
}
