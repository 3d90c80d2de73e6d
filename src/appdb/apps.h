// Candidate applications of an item, and making one of them the default, through GIO.
#pragma once

#include <cstdint>
#include <gio/gio.h>

struct AppState;

// New list of GAppInfo references (caller owns list and references) for view row index;
// empty outside the view.
GList *apps_for_item(AppState *s, int32_t index);
// True when list holds an application g_app_info_equal to app.
bool apps_list_has(GList *list, GAppInfo *app);
// Replaces apps with the list of the item at selected; app_selected becomes 0.
void apps_reload(AppState *s);
// Makes the application at app_selected the default for the item at selected and reports the
// outcome in status. Does nothing when there is no application there.
void apps_set_default(AppState *s);
