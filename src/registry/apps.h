// Candidate applications of an item and its current defaults, through GIO; from the
// application's side, the applications and the MIME types each declares.
#pragma once

#include <gio/gio.h>
#include <span>

#include "catalog/item.h"

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
// True when app asks to be started in a terminal (Terminal=true in its desktop file).
bool apps_runs_in_terminal(GAppInfo *app);
