// The text entry used for search and add, and the catalogue edits it leads to. Each action says
// what it changed; the loop rebuilds and reloads.
#pragma once

#include "tui/tui.h"

struct AppState;
struct tb_event;

Reaction entry_start_search(AppState *s);
Reaction entry_start_add(AppState *s);
// A typed character: text for the entry; a search filters anew.
Reaction entry_type(AppState *s, const tb_event *ev);
// Backspace: removes the last character.
Reaction entry_backspace(AppState *s, const tb_event *ev);
// Enter with an add's text: adds the MIME type it names and saves; then back to browsing.
Reaction entry_add(AppState *s, const tb_event *ev);
// Enter or Esc: back to browsing.
Reaction entry_finish(AppState *s, const tb_event *ev);
// A pasted character during an entry: text only, so line breaks and other control
// characters are dropped.
Reaction entry_paste(AppState *s, const tb_event *ev);
// "d": removes the selected MIME type from the MIME type list and saves.
Reaction entry_delete(AppState *s);
// Ends the entry being typed, whichever it is.
void entry_end(AppState *s);
