// Putting back the pins another program changed, through the normal assignment.
#include <algorithm>
#include <gio/gdesktopappinfo.h>

#include "registry/apps.h"
#include "settings/assign.h"
#include "settings/change.h"
#include "settings/pins.h"
#include "settings/turn.h"
#include "util/text.h"

Outcome pins_restore() {
    const std::string failed = "Failed to put back pins: ";
    // Held from the check to the last assignment: a pin that quarve itself moves meanwhile (a
    // choice made on the screen) is never taken for a change to undo.
    Turn turn;
    std::string recovered;
    if (auto busy = change_take_turn(&turn, &recovered))
        return outcome_failed(failed + *busy);
    std::vector<PinState> pins;
    if (auto error = pins_status(&pins))
        return outcome_failed(failed + *error);
    if (pins.empty())
        return outcome_ok("Nothing is pinned");
    // One assignment per item and application, so that each is all or nothing as one is made
    // on the screen.
    struct Group {
        std::string item, app_id;
        std::vector<std::string> types;
    };
    std::vector<Group> groups;
    for (const PinState &pin : pins) {
        if (pin.held)
            continue;
        auto same = [&](const Group &g) { return g.item == pin.item && g.app_id == pin.app_id; };
        auto at = std::find_if(groups.begin(), groups.end(), same);
        if (at == groups.end())
            at = groups.insert(groups.end(), {pin.item, pin.app_id, {}});
        at->types.push_back(pin.type);
    }
    if (groups.empty())
        return outcome_ok("Every pin holds");
    Outcome done;
    std::string put, failure;
    std::vector<std::string> gone, warnings;
    for (const Group &g : groups) {
        g_autoptr(GDesktopAppInfo) app = g_desktop_app_info_new(g.app_id.c_str());
        if (app == nullptr) {
            for (const std::string &type : g.types)
                gone.push_back(type + " (" + g.app_id + ")");
            continue;
        }
        std::vector<char *> types;
        for (const std::string &type : g.types)
            types.push_back(const_cast<char *>(type.c_str()));
        Outcome set =
            assign_app({g.item.c_str(), {types.data(), types.size()}, false}, G_APP_INFO(app));
        if (!set.ok) {
            failure = failure.empty() ? set.message : failure;
            continue;
        }
        const char *name = apps_display_name(G_APP_INFO(app));
        put += (put.empty() ? "" : "; ") + text_join(g.types) +
               (g.types.size() > 1 ? " open in " : " opens in ") + name;
        for (const std::string &type : g.types)
            done.types.push_back({type, name});
        if (!set.warning.empty())
            warnings.push_back(set.warning);
    }
    if (!gone.empty())
        warnings.insert(warnings.begin(),
                        "left alone, its application is no longer installed: " + text_join(gone));
    if (!recovered.empty())
        warnings.insert(warnings.begin(), recovered);
    for (const std::string &w : warnings)
        done.warning += (done.warning.empty() ? "" : "; ") + w;
    if (!failure.empty()) {
        done.ok = false;
        done.message = failure + (put.empty() ? "" : "; put back: " + put);
    } else {
        done.message = put.empty() ? "Nothing put back" : "Put back: " + put;
    }
    return done;
}
