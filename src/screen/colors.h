// The colours of every part of the screen, named once by role.
#pragma once

#include "term/termbox.h"

struct Colors {
    uint16_t fg;
    uint16_t bg;
};

constexpr Colors COLORS_TITLE = {TB_YELLOW | TB_BOLD, TB_BLACK};
constexpr Colors COLORS_HELP = {TB_WHITE, TB_BLACK};
constexpr Colors COLORS_SEARCH_PROMPT = {TB_CYAN | TB_BOLD, TB_BLACK};
constexpr Colors COLORS_ADD_PROMPT = {TB_MAGENTA | TB_BOLD, TB_BLACK};
constexpr Colors COLORS_ROW = {TB_WHITE, TB_BLACK};
constexpr Colors COLORS_ITEM_SELECTED = {TB_WHITE, TB_BLUE};      // the item pane has the focus
constexpr Colors COLORS_ITEM_SELECTED_IDLE = {TB_BLUE, TB_WHITE}; // the other pane has it
constexpr Colors COLORS_APP_SELECTED = {TB_WHITE, TB_BLUE};
constexpr Colors COLORS_STATUS_OK = {TB_GREEN, TB_BLACK};
constexpr Colors COLORS_STATUS_FAILED = {TB_RED, TB_BLACK};
