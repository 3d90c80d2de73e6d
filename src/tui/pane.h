// The application pane's operations on the state record, over the core's items and outcomes.
// Each action reports in the status line and says what it changed; the loop applies that.
#pragma once

#include <cstdint>
#include <gio/gio.h>
#include <optional>
#include <string>
#include <vector>

#include "catalog/item.h"
#include "tui/tui.h"
#include "util/outcome.h"

struct AppState;

// What the last assignment made on the screen set beyond its item's own types (the canonical
// types of aliases, the sub-classes the application declares), for i to list.
struct RelatedTypes {
    std::vector<std::string> item_types; // the item's own types
    std::string what;                    // "NAME for ITEM"
    std::vector<OutcomeType> types;      // detail "alias" or "subtype"
};

// New list of GAppInfo references (caller owns list and references) for view row index;
// empty outside the view.
GList *apps_for_item(AppState *s, int32_t index);
// Replaces apps with the rows of the item at selected; app_selected becomes 0.
void apps_reload(AppState *s);
// apps_reload for a first frame of rows rows: only the rows it shows need to be there.
void tui_reload_head(AppState *s, int rows);
// Lists the rest of what tui_reload_head left out; the rows there and the selection stay.
void tui_complete(AppState *s);
// After a change in the application registry: the kept answers dropped, and what the source
// makes of it. True when the pane changed.
bool tui_refresh(AppState *s);
// Makes the application at app_selected the default for the item at selected and reports the
// outcome in status. Does nothing when there is no application there.
Reaction tui_assign(AppState *s);
// tui_assign with what it changed applied at once, for callers outside the key loop.
void apps_set_default(AppState *s);
// Hands the item keys act on (tui_key_item) back to the system defaults and reports in status.
Reaction tui_reset(AppState *s);
// The application list: makes the application at selected the default for the MIME type at
// app_selected and reports the outcome in status. Does nothing when either is missing.
Reaction tui_set_for_type(AppState *s);
// The application list: makes the application at selected the default for every MIME type it
// declares, at once, and reports the outcome in status.
Reaction tui_set_all(AppState *s);
// Takes back the most recent assignment and reports in status.
Reaction tui_undo(AppState *s);

// The item i, p and r act on: the selected row's, or in the application list with the focus on
// the MIME types, the selected type (which *slot then holds). nullopt when there is none.
std::optional<Item> tui_key_item(AppState *s, char **slot);
// Says in status why no item is there to act on: nothing matches the search, the list is
// empty, or the selected application declares no MIME type.
void tui_say_nothing_selected(AppState *s);
// The related types of the last assignment when it was made for exactly the types of item;
// NULL otherwise.
const RelatedTypes *tui_related(const AppState *s, const Item &item);
// Lets go of the last assignment's related types.
void tui_forget_related(AppState *s);
