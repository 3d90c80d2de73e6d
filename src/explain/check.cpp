// A profile checked against GIO's answers, with why for each type that drifts.
#include "explain/check.h"

#include <algorithm>
#include <gio/gio.h>
#include <unordered_map>

CheckResult check_profile(const ProfileChoices &choices) {
    CheckResult result;
    // Each type once, with the choice an apply gives it: the last that names it.
    std::vector<std::string> types;
    std::unordered_map<std::string, const ProfileChoice *> by;
    for (const ProfileChoice &c : choices.choices) {
        for (const char *type : c.item.types) {
            if (!by.contains(type))
                types.push_back(type);
            by[type] = &c;
        }
        if (!c.installed && std::find(result.missing.begin(), result.missing.end(), c.app_id) ==
                                result.missing.end())
            result.missing.push_back(c.app_id);
    }
    for (const std::string &type : types) {
        const ProfileChoice *c = by[type];
        result.checked++;
        g_autoptr(GAppInfo) now = g_app_info_get_default_for_type(type.c_str(), FALSE);
        const char *id = now != nullptr ? g_app_info_get_id(now) : nullptr;
        if (id != nullptr && c->app_id == id)
            continue;
        result.drift.push_back({c->key, c->line, c->app_id, why_type(type.c_str())});
    }
    return result;
}
