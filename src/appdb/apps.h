// Candidate applications of an item, its current defaults, and making one of them the default,
// through GIO; from the application's side, the applications and the MIME types each declares.
// Nothing else in the program asks GIO about applications.
#pragma once

#include <gio/gio.h>
#include <span>

#include "catalog/item.h"

struct Catalog;
#include "util/outcome.h"

// The applications GIO offers for the item's types: a single type's answer as GIO gives it, a
// category's each once, where it first occurs. A new list of references for the caller.
GList *apps_candidates(const Item &item);
// The current default of each type of the item, each application once: a new list of
// references for the caller. Empty when no type has a default.
GList *apps_defaults(const Item &item);
// What apps_candidates makes of GIO's answers when they are at hand: lists[i] holds the
// applications GIO gives for item.types[i] (borrowed). A new list of references.
GList *apps_candidates_from(const Item &item, std::span<GList *const> lists);
// What apps_defaults makes of the defaults at hand, one for each type of the item (borrowed,
// NULL for none): each application once. A new list of references.
GList *apps_defaults_from(std::span<GAppInfo *const> defaults);
// True when list holds an application g_app_info_equal to app.
bool apps_list_has(GList *list, GAppInfo *app);
// True when a and b hold the same applications, whatever their order.
bool apps_same_set(GList *a, GList *b);
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
// for (in the outcome's types, detail "subtype"). "NAME is now default for ITEM", followed by
// "; it does not declare TYPE, …" for types the application does not declare, or "Failed to
// set default application: why".
Outcome apps_assign(const Item &item, GAppInfo *app, Catalog *catalog = nullptr, bool pin = false);
// Hands the item's types back to the system: the user's own entries for them go from
// mimeapps.list and the user's desktop lists, in one step, in the journal. "Reset: ITEM to the
// system defaults".
Outcome apps_reset(const Item &item);
// Makes app the default for every MIME type it declares, as one assignment of apps_assign (all
// or none, one journal entry). "NAME is now default for every type it declares (N)".
Outcome apps_assign_declared(GAppInfo *app);
// Takes back the most recent assignment of the journal, also one of an earlier run, except for
// types whose default was changed since ("Undone: …", "Nothing to undo", "Failed to undo…").
// Pins of the types taken back follow, as they do an assignment.
Outcome apps_undo_last();
// The name an application is listed by.
const char *apps_display_name(GAppInfo *app);
// The desktop ID of app ("firefox-esr.desktop"), or "" for one without.
const char *apps_desktop_id(GAppInfo *app);
// The current default application of type (a new reference), or NULL.
GAppInfo *apps_default_for_type(const char *type);
// Path of the desktop file app comes from, or NULL for one without a file.
const char *apps_desktop_file(GAppInfo *app);
// Every application the desktop's menus would show (hidden ones, NoDisplay and those for another
// desktop left out) that declares at least one MIME type, each once, sorted by name as the
// search folds it (letter case and accents aside), then by desktop ID. A new list of references.
GList *apps_listed();
// The MIME types app declares, each once, in the order of its desktop file: a new
// NULL-terminated array (g_strfreev).
char **apps_declared_types(GAppInfo *app);
// True when app is the current default of type.
bool apps_is_default_for(GAppInfo *app, const char *type);
