#include "tui/pinned.h"

#include <vector>

#include "screen/view.h"
#include "settings/pins.h"
#include "state/state.h"
#include "tui/pane.h"

Reaction pinned_toggle(AppState *s) {
    char *slot = nullptr;
    std::optional<Item> item = tui_key_item(s, &slot);
    if (!item) {
        tui_say_nothing_selected(s);
        return REACT_NONE;
    }
    bool pinned = pins_of_item(*item).size() == item->types.size();
    state_report(s, pinned ? pins_unpin(*item) : pins_pin(*item));
    return REACT_ANSWERS;
}

Reaction pinned_restore(AppState *s) {
    state_report(s, pins_restore());
    return REACT_ANSWERS;
}

void pinned_check(AppState *s) {
    std::vector<PinState> pins;
    if (pins_status(&pins))
        return; // a pins file that cannot be read is for the command line to report
    // The registry changes for many reasons; a takeover is told once, not at every change.
    uint32_t seen = 0;
    const PinState *first = nullptr;
    for (const PinState &pin : pins) {
        if (pin.held)
            continue;
        seen = seen * 31 + g_str_hash((pin.type + "=" + pin.current_id).c_str());
        first = first != nullptr ? first : &pin;
    }
    seen = first != nullptr && seen == 0 ? 1 : seen;
    if (seen == s->pins_noticed)
        return;
    s->pins_noticed = seen;
    if (first == nullptr)
        return;
    state_set_notice(s, "Changed elsewhere: %s now opens in %s; pinned to %s (R puts it back)",
                     first->type.c_str(),
                     first->current_name.empty() ? "nothing" : first->current_name.c_str(),
                     first->app_name.c_str());
}
