// Drawing of the whole screen from the state record.
#pragma once

#include <string>
#include <vector>

struct AppState;

// Fixed layout: the rows of the header, where the panes start, and the columns of their texts.
constexpr int SCREEN_ROW_TOP_LINE = 0; // help text or entry prompt
constexpr int SCREEN_ROW_TITLES = 2;
constexpr int SCREEN_TOP_ROWS = 4;    // top line, blank, titles, blank
constexpr int SCREEN_CHROME_ROWS = 6; // those four plus a blank row and the status line
constexpr int SCREEN_COL_ITEMS = 2;
constexpr int SCREEN_COL_APPS = 24;
constexpr int SCREEN_COL_FILE = 66;

// Number of list rows of each pane on a terminal of height h (may be zero or negative).
constexpr int screen_list_rows(int h) {
    return h - SCREEN_CHROME_ROWS;
}

// How many lines of the open overlay (the key help or an explanation) are below the screen
// when it is scrolled to its top; 0 when it fits or none is open.
int draw_overlay_hidden(AppState *s);

// Sets the attributes of the cells no text covers, as the state's way of using colour says.
void draw_set_clear(const AppState *s);
// Draws and presents a complete frame; reads the state and never changes it.
void draw_screen(AppState *s);
void draw_header(AppState *s);
void draw_items(AppState *s);
void draw_apps(AppState *s);
