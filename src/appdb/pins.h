// Pins: the user's word that a MIME type opens in one application, kept in
// $XDG_CONFIG_HOME/quarve/pins.ini, checked against what GIO answers, and put back when another
// program has taken the type over. quarve's own changes of a pinned type move its pin.
#pragma once

#include <gio/gio.h>
#include <optional>
#include <string>
#include <vector>

#include "catalog/item.h"
#include "util/outcome.h"

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

// Path of the pins file.
std::string pins_path();
// Every pin in the file's order, with GIO's current default of its type. The reason when the
// file exists but cannot be read ("PATH cannot be read").
std::optional<std::string> pins_status(std::vector<PinState> *pins);
// The types of the item that are pinned, in the item's order.
std::vector<std::string> pins_of_item(const Item &item);
// Pins every type of the item to app, or, with app NULL, each to its current default (a type
// without one fails the whole pin and is named). "Pinned ITEM to NAME", or "… to its current
// defaults" when they differ; "Failed to pin ITEM: why".
Outcome pins_pin(const Item &item, GAppInfo *app);
// Takes the pins off every type of the item: "Unpinned ITEM", or "Nothing pinned for ITEM".
Outcome pins_unpin(const Item &item);
// Makes the pinned application the default again of every pinned type whose default is another
// one, through the assignment: all or nothing per item and application, recorded in the undo
// journal. Writes nothing when every pin holds. A pin whose application is no longer installed
// is left alone and named in the warning. "Put back: TYPE opens in NAME", "Every pin holds",
// "Nothing is pinned", or the assignment's failure.
Outcome pins_restore();

// For the assignment and the undo, which hold the writers' lock around these.
// Why a change of types must not be made: one of them is pinned and its pin could not be moved
// (a read-only pins file). nullopt when it may.
std::optional<std::string> pins_refusal(const std::vector<std::string> &types);
// Moves the pin of each pinned type among types to its default in settings (the user's
// settings text after the change), or takes it off where the type has no default of the user's
// there. The reason when the pins file could not be written, or "".
std::string pins_follow(const std::vector<std::string> &types, const std::string &settings);
