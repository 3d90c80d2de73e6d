// Assigning a default to an item, handing it back to the system's defaults, and taking the most
// recent change back: every change of the user's settings that an item or application asks for.
#pragma once

#include <gio/gio.h>
#include <optional>
#include <string>
#include <vector>

#include "catalog/item.h"
#include "settings/change.h"
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
// set default application: why". An application that runs in a terminal when GIO finds none to
// start it in is set all the same, with the warning "it runs in a terminal and GIO finds none".
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

// One item of an assignment of several at once, with its application (borrowed).
struct AssignChoice {
    Item item;
    GAppInfo *app;
    bool pin = false; // the item's types are pinned to app in the same step
};

// What the make step of an assignment found, for its check and its outcome.
struct AssignPlan {
    // Every type it sets, each once: the items' own and their aliases' canonical types, then
    // the declared sub-classes; and the application each gets (borrowed from the choices).
    std::vector<std::string> types;
    std::vector<GAppInfo *> apps;
    std::vector<std::string> subtypes; // the declared sub-classes among types
    std::vector<std::string> changed;  // the types whose settings change in some list
    std::vector<std::string> pinned;   // the types the choices pin
    std::string journal_warning;       // "it cannot be undone: why", or ""
};

// The make step (for change_run) of an assignment of every choice at once, as assign_app makes
// one: all computed on the same texts of the lists, a type that two choices set getting the
// later one's application (a declared sub-class only where no choice sets the type itself),
// entry (named by the caller) as the journal's step with every type and every list it changes,
// whole, and the pins following the lists, or pinned where a choice asks. The reason to refuse
// the change, before anything is written. With dry_run only the plan is made: neither the
// journal's step nor the pins', which make their folders.
std::optional<std::string> assign_make(Change *change, const std::vector<AssignChoice> &choices,
                                       Catalog *catalog, const JournalEntry &entry,
                                       AssignPlan *plan, bool dry_run = false);
// The check step of such an assignment, once the lists are written: the reason to take it back
// when GIO answers otherwise for one of its types; when another program wrote a list right
// after, the change stands and *later says so.
std::optional<std::string> assign_check(const Change &change, const AssignPlan &plan,
                                        std::string *later);
