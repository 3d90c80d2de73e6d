// Assigning a default to an item, handing it back to the system's defaults, and taking the most
// recent change back: every change of the user's settings that an item or application asks for.
#pragma once

#include <gio/gio.h>

#include "catalog/item.h"
#include "util/outcome.h"

struct Catalog;

// Makes app the default for every type of the item (and for the canonical type of each alias
// among them), all types or none, and keeps the earlier settings in the undo journal, in one
// transaction. Refuses a damaged, read-only or unwritably linked settings file, and a change
// that an earlier list would outrank (before writing anything); keeps a linked one linked. Pins
// of the types follow the new default (the change is refused when a pin could not); with pin,
// the item's types are pinned to app in the same step ("Failed to pin ITEM: why"). A change that
// changes nothing writes nothing: "NAME already is the default for ITEM".
// The user's own desktop lists that name a default for one of the types get the new default
// too, in the same step. With the catalogue, also each installed sub-class of the types that
// the application declares, that no category lists and that the user's lists name no default
// for (in the outcome's types, detail "subtype"; the canonical types of aliases there too, detail
// "alias", each when the change was written). "NAME is now default for ITEM", followed by
// "; it does not declare TYPE, …" for types the application does not declare, or "Failed to
// set default application: why".
Outcome assign_app(const Item &item, GAppInfo *app, Catalog *catalog = nullptr, bool pin = false);
// Hands the item's types back to the system: the user's own entries for them go from
// mimeapps.list and the user's desktop lists, in one step, in the journal. "Reset: ITEM to the
// system defaults".
Outcome assign_reset(const Item &item);
// Makes app the default for every MIME type it declares, as one assignment of assign_app (all
// or none, one journal entry). "NAME is now default for every type it declares (N)".
Outcome assign_declared(GAppInfo *app);
// Takes back the most recent assignment of the journal, also one of an earlier run, except for
// types whose default was changed since ("Undone: …", "Nothing to undo", "Failed to undo…").
// Pins of the types taken back follow, as they do an assignment.
Outcome assign_undo();
