// In-memory terminal for unit tests: the termbox API over a cell grid, with scripted events.
#pragma once

#include <cstdint>
#include <string>

#include "term/termbox.h"

struct GridCell {
    std::string text; // the character and its marks as UTF-8; "" for the right half of a wide one
    uint16_t fg;
    uint16_t bg;
};

// Resets the grid to w x h blank cells and empties the event queue.
void grid_reset(int w, int h);
// Changes the size as a terminal resize would (contents are cleared).
void grid_resize(int w, int h);
// Queues events for tb_poll_event; an empty queue makes it fail as a lost terminal does (and
// tb_peek_event report that nothing is waiting).
void grid_push_key(uint16_t key);
void grid_push_char(uint32_t ch);
void grid_push_text(const char *utf8);
void grid_push_resize(int w, int h);
// Queues text as a terminal delivers a bracketed paste of it: every character, control
// characters as keys, marked TB_MOD_PASTE.
void grid_push_paste(const char *utf8);
// Row y of the last presented frame, trailing blanks removed.
std::string grid_row(int y);
// The whole last presented frame: every row as grid_row gives it, each ended by a line feed,
// with the blank rows at the bottom left out.
std::string grid_screen();
// One cell of the last presented frame.
GridCell grid_cell(int x, int y);
// Number of frames presented since the last reset.
int grid_frames();
