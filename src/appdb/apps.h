// Candidate applications of an item, its current defaults, and making one of them the
// default, through GIO. Nothing else in the program asks GIO about applications.
#pragma once

#include <cstdint>
#include <gio/gio.h>

struct AppState;

// New list of GAppInfo references (caller owns list and references) for view row index;
// empty outside the view.
GList *apps_for_item(AppState *s, int32_t index);
// The current default of each MIME type of view row index, each application once: a new
// list of references for the caller. Empty outside the view or when no type has a default.
GList *apps_defaults_for_item(AppState *s, int32_t index);
// True when list holds an application g_app_info_equal to app.
bool apps_list_has(GList *list, GAppInfo *app);
// Replaces apps with the list of the item at selected; app_selected becomes 0.
void apps_reload(AppState *s);
// After a change in the application registry: takes in the candidates of the item at selected
// when their set differs from the list shown (an application installed or removed), keeping
// the selection on the same application where it is still listed. A change of defaults alone
// (which may reorder GIO's answer) keeps the list as it is. True when the list changed.
bool apps_refresh(AppState *s);
// Makes the application at app_selected the default for the item at selected (and for the
// canonical type of each alias among its types), all types or none, keeps the earlier settings
// in the undo journal, and reports the outcome in status. Refuses a damaged, read-only or
// unwritably linked settings file; keeps a linked one linked. Does nothing when there is no
// application there.
void apps_set_default(AppState *s);
// Takes back the most recent assignment of the journal, also one of an earlier run, except for
// types whose default was changed since; reports in status ("Undone: …", "Nothing to undo").
void apps_undo(AppState *s);
// The name an application is listed by.
const char *apps_display_name(GAppInfo *app);
// The desktop ID of app ("firefox-esr.desktop"), or "" for one without.
const char *apps_desktop_id(GAppInfo *app);
// The current default application of type (a new reference), or NULL.
GAppInfo *apps_default_for_type(const char *type);
// Path of the desktop file app comes from, or NULL for one without a file.
const char *apps_desktop_file(GAppInfo *app);
