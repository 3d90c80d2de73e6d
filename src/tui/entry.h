// The text entry used for search and add, and the catalogue edits it leads to.
#pragma once

struct AppState;
struct tb_event;

void entry_start_search(AppState *s);
void entry_start_add(AppState *s);
// A typed character: text for the entry.
void entry_type(AppState *s, const tb_event *ev);
// Backspace: removes the last character.
void entry_backspace(AppState *s, const tb_event *ev);
// Enter (which adds, when an add has text) or Esc: back to browsing.
void entry_finish(AppState *s, const tb_event *ev);
// A pasted character during an entry: text only, so line breaks and other control
// characters are dropped.
void entry_paste(AppState *s, const tb_event *ev);
// "d": removes the selected MIME type from the MIME type list and saves; with a source whose
// rows are not the catalogue's it only says why not.
void entry_delete(AppState *s);
