// The user's own choices as a profile: what the user's lists and pins say, each said once.
#include <algorithm>
#include <gio/gdesktopappinfo.h>
#include <map>
#include <unordered_set>

#include "catalog/catalog.h"
#include "registry/aliases.h"
#include "registry/apps.h"
#include "settings/mimeapps.h"
#include "settings/pins.h"
#include "settings/profile.h"

namespace {

// The sub-classes a line's application gets with its types when it is applied to a fresh
// tree: those it declares itself below one of them that no category lists.
std::vector<std::string> subtypes_set_with(const std::unordered_set<std::string> &types,
                                           const std::string &id,
                                           const std::unordered_set<std::string> &listed) {
    std::vector<std::string> found;
    g_autoptr(GDesktopAppInfo) app = g_desktop_app_info_new(id.c_str());
    if (app == nullptr)
        return found;
    const char *const *declared = g_app_info_get_supported_types(G_APP_INFO(app));
    for (const char *const *d = declared; d != nullptr && *d != nullptr; d++) {
        std::string type = aliases_unalias(*d);
        std::vector<std::string> ancestry = aliases_ancestry(type.c_str());
        bool below = std::any_of(ancestry.begin() + 1, ancestry.end(),
                                 [&](const std::string &a) { return types.contains(a); });
        if (below && !types.contains(type) && !listed.contains(type))
            found.push_back(type);
    }
    return found;
}

} // namespace

Profile profile_export(Catalog *catalog, std::vector<std::pair<std::string, std::string>> *types) {
    // Each type by its canonical name, as GIO reads the lists: the user's default, or where a
    // pin holds it against another program, the pinned application.
    std::map<std::string, std::string> chosen;
    for (const auto &[type, id] : mimeapps_user_defaults())
        chosen.emplace(type, id);
    std::map<std::string, std::string> pinned;
    std::vector<PinState> pins;
    pins_status(&pins); // a pins file that cannot be read pins nothing
    for (const PinState &pin : pins) {
        std::string type = aliases_unalias(pin.type.c_str());
        pinned[type] = pin.app_id;
        chosen[type] = pin.app_id;
    }
    std::unordered_set<std::string> listed;
    for (guint i = 0; i < catalog->categories->len; i++)
        for (char **t =
                 static_cast<Category *>(g_ptr_array_index(catalog->categories, i))->mime_types;
             *t != nullptr; t++)
            listed.insert(aliases_unalias(*t));
    Profile profile;
    std::map<std::string, std::string> expanded, answered;
    // What a line sets, and what a line of [Pins] pins as well.
    std::unordered_set<std::string> covered, pins_covered;
    for (guint i = 0; i < catalog->categories->len; i++) {
        auto c = static_cast<Category *>(g_ptr_array_index(catalog->categories, i));
        if (c->mime_types[0] == nullptr)
            continue;
        std::unordered_set<std::string> own;
        for (char **t = c->mime_types; *t != nullptr; t++)
            own.insert(aliases_unalias(*t));
        auto first = chosen.find(*own.begin());
        if (first == chosen.end())
            continue;
        const std::string id = first->second;
        auto is = [&](const std::map<std::string, std::string> &m, const std::string &t) {
            auto at = m.find(t);
            return at != m.end() && at->second == id;
        };
        if (!std::all_of(own.begin(), own.end(),
                         [&](const std::string &t) { return is(chosen, t); }))
            continue;
        bool pin = std::all_of(own.begin(), own.end(),
                               [&](const std::string &t) { return is(pinned, t); });
        profile.lines.push_back({pin ? PROFILE_PINS : PROFILE_CATEGORIES, c->name, id, 0});
        for (char **t = c->mime_types; *t != nullptr; t++)
            expanded[*t] = id;
        std::vector<std::string> with = subtypes_set_with(own, id, listed);
        // The line sets these too; where GIO here opens one elsewhere, a line of its own keeps
        // that.
        for (const std::string &t : with) {
            if (chosen.contains(t))
                continue;
            g_autoptr(GAppInfo) now = apps_default_for_type(t.c_str());
            if (now != nullptr && apps_desktop_id(now) != id)
                answered.emplace(t, apps_desktop_id(now));
        }
        own.insert(with.begin(), with.end());
        for (const std::string &t : own) {
            // A sub-class pinned on its own needs a line of its own to be pinned again.
            if (!is(chosen, t) || (pinned.contains(t) && !pin))
                continue;
            covered.insert(t);
            if (pin)
                pins_covered.insert(t);
        }
    }
    chosen.insert(answered.begin(), answered.end());
    for (const auto &[type, id] : chosen) {
        expanded[type] = id;
        if (pinned.contains(type) && !pins_covered.contains(type))
            profile.lines.push_back({PROFILE_PINS, type, id, 0});
        else if (!covered.contains(type))
            profile.lines.push_back({PROFILE_TYPES, type, id, 0});
    }
    // GIO honours keys an apply refuses, and one such line would make the whole profile refused.
    std::vector<ProfileLine> taken;
    for (ProfileLine &line : profile.lines) {
        std::string why;
        if (profile_line_item(line, catalog, &why))
            taken.push_back(std::move(line));
        else
            profile.warnings.push_back("left out " + line.key + "=" + line.app_id + ": " + why);
    }
    profile.lines = std::move(taken);
    if (types != nullptr)
        types->assign(expanded.begin(), expanded.end());
    return profile;
}
