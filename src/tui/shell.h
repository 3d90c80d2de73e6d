// Start-up, the frame loop, key dispatch and teardown.
#pragma once

struct AppState;
struct tb_event;
struct KeyHelp;

// Start-up after the terminal is open: clear attributes, zeroed state, catalogue, view,
// developer mode, first application list. With first_rows, that list need only hold the rows
// of the first frame; tui_run completes it once the frame is drawn.
void tui_startup(AppState *s, int first_rows = 0);
// Draws and waits until a quit (returns 0) or until the terminal is gone (returns 1).
int tui_run(AppState *s);
// Releases everything the state owns. The terminal is left to the caller.
void tui_teardown(AppState *s);
// The whole program: returns the exit status.
int tui_main();

// Brings both scroll positions into line with the selections for panes of rows rows.
void tui_scroll(AppState *s, int rows);
// Acts on one terminal event; true when it asks to quit.
bool tui_event(AppState *s, const tb_event *ev);
// What the help line and the help overlay say of the keys, made from the key table.
const KeyHelp *tui_key_help();
