// A set of applications under the identity g_app_info_equal gives them, with constant-time
// membership: the desktop ID, or the object itself for an application without one.
#pragma once

#include <gio/gio.h>
#include <string_view>
#include <unordered_set>

// The set borrows the desktop IDs of the applications entered: they must outlive it.
struct AppSet {
    std::unordered_set<std::string_view> ids;
    std::unordered_set<const void *> objects;
};

// True when set holds an application equal to app.
bool app_set_has(const AppSet *set, GAppInfo *app);
// Enters app into set; false when an equal application was there already.
bool app_set_add(AppSet *set, GAppInfo *app);
