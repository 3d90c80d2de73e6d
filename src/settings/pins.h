// Pins: the user's word that a MIME type opens in one application, kept in
// $XDG_CONFIG_HOME/quarve/pins.ini, checked against what GIO answers, and put back when another
// program has taken the type over. quarve's own changes of a pinned type move its pin, in the
// same transaction as the change itself.
#pragma once

#include <gio/gio.h>
#include <optional>
#include <string>
#include <vector>

#include "catalog/item.h"
#include "settings/change.h"
#include "settings/list_text.h"
#include "util/outcome.h"
#include "util/paths.h"

// One pin and what GIO answers for its type now.
struct PinState {
    std::string type;
    std::string item;         // the item it was pinned through, as messages name it
    std::string app_id;       // the pinned application's desktop ID
    std::string app_name;     // its name, or its ID when it is not installed
    std::string current_id;   // GIO's current default, "" for none
    std::string current_name; // its name, "" for none
    bool held = false;        // the current default is the pinned application
};

// Every pin in the file's order, with GIO's current default of its type. The reason when the
// file exists but cannot be read ("PATH cannot be read").
std::optional<std::string> pins_status(std::vector<PinState> *pins);
// The types of the item that are pinned, in the item's order.
std::vector<std::string> pins_of_item(const Item &item);
// Pins every type of the item to its current default (a type without one fails the whole pin
// and is named). "Pinned ITEM to NAME", or "… to its current defaults" when they differ;
// "Failed to pin ITEM: why".
Outcome pins_pin(const Item &item);
// Takes the pins off every type of the item: "Unpinned ITEM", or "Nothing pinned for ITEM".
Outcome pins_unpin(const Item &item);
// Makes the pinned application the default again of every pinned type whose default is another
// one, through the assignment: all or nothing per item and application, recorded in the undo
// journal. Writes nothing when every pin holds. A pin whose application is no longer installed
// is left alone and named in the warning. "Put back: TYPE opens in NAME", "Every pin holds",
// "Nothing is pinned", or the assignment's failure.
Outcome pins_restore();

// Types pinned anew by a change, each to its application, as pin ITEM APP asks.
struct PinRequest {
    std::string item;
    std::vector<std::pair<std::string, std::string>> pins; // type, desktop ID
};

// The pins file as a change of the settings leaves it (under the writers' lock): each pinned
// type among types follows its default in settings (the user's list after the change), or
// loses its pin where the list names no default; with request, its types are pinned to its
// application. Adds the file to change when its bytes change. The reason when they must and the
// file cannot be written, so that the change is refused before anything of it is written.
std::optional<std::string> pins_in_change(Change *change, const std::vector<std::string> &types,
                                          const ListText &settings,
                                          const PinRequest *request = nullptr);
// The same with the pins of several requests (one for each item pinned), in their order.
std::optional<std::string> pins_in_change(Change *change, const std::vector<std::string> &types,
                                          const ListText &settings,
                                          const std::vector<PinRequest> &requests);
