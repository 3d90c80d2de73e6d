// The screen face: start-up, the frame loop, key dispatch and teardown, and what an action says
// it changed.
#pragma once

#include <cstdint>

struct AppState;
struct tb_event;

// What a key's action changed, which the loop then applies once, in a fixed order.
using Reaction = uint32_t;
constexpr Reaction REACT_NONE = 0;
constexpr Reaction REACT_QUIT = 1;    // the run ends
constexpr Reaction REACT_ANSWERS = 2; // the settings or the catalogue changed: GIO is asked anew
constexpr Reaction REACT_VIEW = 4;    // the item pane's rows changed
constexpr Reaction REACT_KEEP_IN_VIEW = 8; // a row went: the selection moves up if it fell off
constexpr Reaction REACT_PANE = 16;        // the selected item changed: its applications anew
constexpr Reaction REACT_REGISTRY = 32;    // applications came or went: the list of them too

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
// Applies what an action changed: drops the kept answers, rebuilds the view (bringing the
// selection back into it), reloads the application pane, in that order. True for a quit.
bool tui_apply(AppState *s, Reaction reaction);
