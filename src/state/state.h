// The one state record of the screen, the values of its mode, focus, overlay and status tone
// fields, the place a key goes to, and the record of where its panes' rows come from.
//
// Who writes what (everyone may read everything):
//   tui     every field: the selections, scrolls, focus, mode, entries, overlay, status, apps,
//           view, the catalogue (through its edits), listed, dev_mode, dev_count and source (at
//           start-up), the pins last reported, app_cache (dropped on a change of the registry
//           or of the settings), colors (at start-up), related (at each assignment)
//   screen  the view, listed and its row_labels (view_rebuild), and the status through
//           state_report and state_set_status only for the faces' sake; drawing only reads
// The core below (registry, settings, explain, catalog) never sees this record: it takes items
// and applications.
#pragma once

#include <cstddef>
#include <cstdint>
#include <gio/gio.h>

#include "util/outcome.h"

struct AppCache;
struct Catalog;

constexpr int32_t MODE_CATEGORIES = 0; // the item pane lists categories
constexpr int32_t MODE_EXTENSIONS = 1; // the item pane lists single MIME types
constexpr int32_t MODE_APPS = 2;       // the item pane lists applications, the other their types

constexpr int32_t FOCUS_ITEMS = 0; // the item pane (left) has the focus
constexpr int32_t FOCUS_APPS = 1;  // the application pane (right) has the focus

// What covers the screen until a key closes it.
constexpr int32_t OVERLAY_NONE = 0;
constexpr int32_t OVERLAY_HELP = 1; // every key, and the files quarve uses
constexpr int32_t OVERLAY_WHY = 2;  // why the selected item opens where it does

// How the status line reads: a success, a failure, or a notice that needs the user's eye (a
// pin taken over, a catalogue that could not be read). The colour follows the tone alone.
constexpr int32_t TONE_DONE = 0;
constexpr int32_t TONE_FAILED = 1;
constexpr int32_t TONE_NOTICE = 2;

// How the screen uses colour, read once at start-up from the environment.
constexpr int32_t COLORS_LAYOUT = 0;   // the layout's own colours
constexpr int32_t COLORS_NONE = 1;     // NO_COLOR: reverse video and bold, no colour at all
constexpr int32_t COLORS_TERMINAL = 2; // QUARVE_COLORS=terminal: white on black is the
                                       // terminal's own text on its own background

// Where a key goes, and what is drawn: derived from the record by state_place.
enum StatePlace : uint8_t {
    PLACE_LISTS,   // browsing, in either pane
    PLACE_SEARCH,  // a search is typed
    PLACE_ADD,     // an add is typed
    PLACE_OVERLAY, // an overlay covers the screen
};

constexpr size_t STATUS_CAP = 512;
constexpr size_t ENTRY_CAP = 128;
constexpr size_t APP_ROW_CAP = 256;

struct PaneSource;
struct KeyHelp;
struct RelatedTypes;

struct AppState {
    int32_t selected;     // row of the item pane (index into view, or a placeholder row)
    int32_t app_selected; // index into apps
    int32_t scroll;       // item pane row drawn at the top
    int32_t app_scroll;   // application pane row drawn at the top
    int32_t focus;        // FOCUS_ITEMS or FOCUS_APPS
    char status[STATUS_CAP];
    GList *apps;       // the application pane's rows, owned; state_free_apps frees them
    int32_t apps_mode; // the mode apps was made in, which says what its rows are
    int32_t dev_mode;
    int32_t dev_count;
    int32_t mode; // MODE_CATEGORIES, MODE_EXTENSIONS or MODE_APPS
    char search[ENTRY_CAP];
    int32_t search_active;
    int32_t add_active;
    char add_text[ENTRY_CAP];
    Catalog *catalog;         // categories, mime_types, ext_index and the rest; owned
    GPtrArray *view;          // borrowed rows of the item pane that pass the search
    int32_t overlay;          // OVERLAY_NONE, OVERLAY_HELP or OVERLAY_WHY
    const PaneSource *source; // where both panes' rows come from, picked at start-up
    const KeyHelp *key_help;  // what the help line and the help overlay say of the keys
    GPtrArray *why_lines;     // the why overlay's lines, owned, made when it opens
    int32_t overlay_scroll;   // the first line shown of an overlay taller than the terminal
    GList *listed;            // MODE_APPS: every application listed, owned; NULL until shown
    GHashTable *row_labels;   // with listed: each application of it to its row's label, owned
    int32_t status_tone;      // TONE_DONE, TONE_FAILED or TONE_NOTICE
    uint32_t pins_noticed;    // the pins changed elsewhere at the last check, hashed (0: none)
    AppCache *app_cache;      // GIO's answers the application pane has asked for; owned
    int32_t colors;           // COLORS_LAYOUT, COLORS_NONE or COLORS_TERMINAL
    RelatedTypes *related;    // what the last assignment set beyond its item; owned, or NULL
};

// One row of the application pane as drawn: marker and name, and the desktop file.
struct AppRowText {
    char text[APP_ROW_CAP];
    const char *file; // NULL for none
};

// Where the rows of both panes come from: the catalogue and GIO, or developer mode's
// placeholders. The shell picks one at start-up; everything else asks it.
struct PaneSource {
    int32_t (*item_count)(AppState *s);
    const char *(*item_label)(AppState *s, int32_t index);
    // A new list of application rows for item row index; free_app releases an element. In
    // MODE_APPS the rows are MIME types (or placeholders): strings, released with g_free.
    GList *(*app_rows)(AppState *s, int32_t index);
    // The start of app_rows: at least count rows where app_rows has them, asking no more than
    // they need. The first frame shows only these; app_rows gives the rest right after it.
    GList *(*app_rows_head)(AppState *s, int32_t index, int count);
    GDestroyNotify free_app;
    // The texts of count rows of the application pane, from the list element first on.
    void (*app_texts)(AppState *s, GList *first, int count, AppRowText *out);
    // Enter on the application pane: reports in status; returns what it changed (the screen
    // face's Reaction).
    uint32_t (*assign)(AppState *s);
    // A on the application list: the application becomes the default for all its types.
    uint32_t (*assign_all)(AppState *s);
    // Takes in a change of the application registry, and tells of pins it has changed; true
    // when the pane changed.
    bool (*refresh)(AppState *s);
    // Fills lines with why the item at selected opens where it does.
    void (*why)(AppState *s, GPtrArray *lines);
    // Asks ahead, while the user is idle, one question about item row index that app_rows and
    // app_texts would otherwise ask; false when nothing is left to ask about it.
    bool (*ask_ahead)(AppState *s, int32_t index);
    const char *idle_status; // the status line's text while status is empty
    // Why a key that changes what the index names (NEED_*) is refused here, or NULL: the one
    // place that says what developer mode allows.
    const char *refusals[4];
};

// What a key changes, which its source may refuse.
constexpr uint8_t NEED_NOTHING = 0;
constexpr uint8_t NEED_CATALOGUE = 1; // the catalogue of categories and MIME types
constexpr uint8_t NEED_SETTINGS = 2;  // the user's default applications
constexpr uint8_t NEED_PINS = 3;      // the pins

// Writes a printf-style message into status, cut to its capacity on a character boundary, in the
// tone of a success.
void state_set_status(AppState *s, const char *fmt, ...) G_GNUC_PRINTF(2, 3);
// The same in the tone of a notice.
void state_set_notice(AppState *s, const char *fmt, ...) G_GNUC_PRINTF(2, 3);
// An outcome of the core on the status line: its message and warning, in the tone its flag says.
void state_report(AppState *s, const Outcome &outcome);
// Where a key goes and what is drawn: an overlay, else an entry being typed, else the lists.
StatePlace state_place(const AppState *s);

// Frees apps by the rule of the source and the mode that made them.
void state_free_apps(AppState *s);
// Frees apps and puts rows, made in the current mode, in their place.
void state_take_apps(AppState *s, GList *rows);
