// The item pane's rows: the filtered view of the catalogue or of the applications, and the item
// or application behind a row.
#pragma once

#include <cstdint>
#include <gio/gio.h>
#include <optional>

#include "catalog/item.h"

struct AppState;

// Builds the catalogue (extension index, built-in table, configuration file) and an empty view.
void catalog_init(AppState *s);
// Releases the catalogue and the view, and clears their fields.
void view_release(AppState *s);
// Refills view from mode and search; changes no other field but listed, which the first
// rebuild in MODE_APPS fills.
void view_rebuild(AppState *s);
// MODE_APPS after a change of the registry: lists the applications anew and refills the view,
// the selection kept on the same application where it is still listed, else on the same row.
// True when the list changed.
bool view_relist(AppState *s);
// Outside MODE_APPS: lets go of the applications, so that the next visit lists them anew.
void view_forget_listed(AppState *s);
// Number of rows of the item pane.
int32_t view_count(AppState *s);
// Label of item row index: borrowed, never NULL, "" outside the view.
const char *view_label(AppState *s, int32_t index);
// Number of rows of the catalogue's own view (which the screen may not show).
int32_t view_len(AppState *s);
// The item of view row index; nullopt outside the view and in MODE_APPS. Borrowed until the
// catalogue or the view changes.
std::optional<Item> view_item(AppState *s, int32_t index);
// The application of view row index in MODE_APPS, borrowed until the list changes; NULL outside
// the view and in the other modes.
GAppInfo *view_app(AppState *s, int32_t index);
// The label of view row index: the category's name, the type's extension or the application's
// name (with its origin where another listed application has the same name, and "(hidden)" or
// "(deleted)" after it where the menus leave it out).
const char *view_row_label(AppState *s, int32_t index);
