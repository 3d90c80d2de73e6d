// The one state record of the program, and the values of its mode and focus fields.
//
// Who writes what (everyone may read everything):
//   the faces (shell, cli)  selected, scroll, app_scroll, focus, mode, search, search_active,
//                           add_active, add_text, help_active, dev_mode and dev_count (once,
//                           at start-up)
//   catalog                 categories, mime_types, view, ext_index, ext_all; status (failed
//                           saves)
//   appdb                   apps, app_selected, status (assignments)
//   screen                  nothing: drawing only reads
#pragma once

#include <cstdint>
#include <gio/gio.h>

constexpr int32_t MODE_CATEGORIES = 0; // the item pane lists categories
constexpr int32_t MODE_EXTENSIONS = 1; // the item pane lists single MIME types

constexpr int32_t FOCUS_ITEMS = 0; // the item pane (left) has the focus
constexpr int32_t FOCUS_APPS = 1;  // the application pane (right) has the focus

constexpr size_t STATUS_CAP = 512;
constexpr size_t ENTRY_CAP = 128;

struct AppState {
    int32_t selected;     // row of the item pane (index into view, or a placeholder row)
    int32_t app_selected; // index into apps
    int32_t scroll;       // item pane row drawn at the top
    int32_t app_scroll;   // application pane row drawn at the top
    int32_t focus;        // FOCUS_ITEMS or FOCUS_APPS
    char status[STATUS_CAP];
    GList *apps; // GAppInfo references, or placeholder strings in developer mode; owned
    int32_t dev_mode;
    int32_t dev_count;
    int32_t mode; // MODE_CATEGORIES or MODE_EXTENSIONS
    char search[ENTRY_CAP];
    int32_t search_active;
    int32_t add_active;
    char add_text[ENTRY_CAP];
    GPtrArray *categories; // Category records, owned
    GPtrArray *mime_types; // strings, owned, unique, in strcmp order
    GPtrArray *view;       // borrowed rows of the item pane that pass the search
    GHashTable *ext_index; // MIME type -> extension label
    GHashTable *ext_all;   // MIME type -> every extension, folded; made at the first search
    int32_t help_active;   // the key help covers the screen until the next key
};

// Writes a printf-style message into status, cut to its capacity on a character boundary.
void state_set_status(AppState *s, const char *fmt, ...) G_GNUC_PRINTF(2, 3);

// Frees apps by the rule of the current mode (references, or strings in developer mode).
void state_free_apps(AppState *s);
