// The screen's side of pins: pinning the selected item, putting pins back, and the notice when
// another program takes a pinned type over.
#pragma once

#include "tui/tui.h"

struct AppState;

// Pins every type of the item keys act on (tui_key_item) to its current default, or, when each
// of them is pinned already, takes the pins off; reports in status.
Reaction pinned_toggle(AppState *s);
// Puts back every pin that another program has changed and reports in status.
Reaction pinned_restore(AppState *s);
// After a change in the application registry: when pins have been changed since the last
// check, says so in status (a notice), naming the first of them.
void pinned_check(AppState *s);
