// The text entry used for search and add, and the catalogue edits it leads to.
#pragma once

struct AppState;
struct tb_event;

void entry_start_search(AppState *s);
void entry_start_add(AppState *s);
// Every key event while a search or an add is being typed.
void entry_key(AppState *s, const tb_event *ev);
// A pasted character during an entry: text only, so line breaks and other control
// characters are dropped.
void entry_paste(AppState *s, const tb_event *ev);
// "d": removes the selected MIME type from the MIME type list and saves; in developer mode it
// only says that the catalogue is not changed.
void entry_delete(AppState *s);
