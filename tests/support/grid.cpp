#include "grid.h"

#include <deque>
#include <glib.h>
#include <vector>

#include "term/cells.h"

namespace {

struct Grid {
    int w = 80, h = 24;
    uint16_t clear_fg = TB_DEFAULT, clear_bg = TB_DEFAULT;
    std::vector<GridCell> back, front;
    std::deque<tb_event> events;
    int frames = 0;
};

Grid grid;

std::string utf8(uint32_t cp) {
    char buf[8];
    int n = g_unichar_to_utf8(cp, buf);
    return std::string(buf, n);
}

void blank(std::vector<GridCell> &cells) {
    cells.assign(static_cast<size_t>(grid.w * grid.h), GridCell{" ", grid.clear_fg, grid.clear_bg});
}

// Writing over either half of a double-width character blanks its other half, as terminals do.
void put(int x, int y, GridCell cell) {
    auto at = [&](int cx) -> GridCell & { return grid.back[static_cast<size_t>(y * grid.w + cx)]; };
    if (at(x).text.empty() && x > 0)
        at(x - 1).text = " ";
    if (x + 1 < grid.w && at(x + 1).text.empty())
        at(x + 1).text = " ";
    at(x) = std::move(cell);
}

} // namespace

void grid_reset(int w, int h) {
    grid = Grid{};
    grid.w = w;
    grid.h = h;
    blank(grid.back);
    blank(grid.front);
}

void grid_resize(int w, int h) {
    grid.w = w;
    grid.h = h;
    blank(grid.back);
    blank(grid.front);
}

void grid_push_key(uint16_t key) {
    tb_event ev{};
    ev.type = TB_EVENT_KEY;
    ev.key = key;
    grid.events.push_back(ev);
}

void grid_push_char(uint32_t ch) {
    tb_event ev{};
    ev.type = TB_EVENT_KEY;
    ev.ch = ch;
    grid.events.push_back(ev);
}

void grid_push_text(const char *text) {
    for (const char *p = text; *p; p = g_utf8_next_char(p))
        grid_push_char(g_utf8_get_char(p));
}

void grid_push_resize(int w, int h) {
    tb_event ev{};
    ev.type = TB_EVENT_RESIZE;
    ev.w = w;
    ev.h = h;
    grid.events.push_back(ev);
}

void grid_push_paste(const char *utf8) {
    for (const char *p = utf8; *p != '\0'; p = g_utf8_next_char(p)) {
        tb_event ev{};
        ev.type = TB_EVENT_KEY;
        ev.mod = TB_MOD_PASTE;
        uint32_t c = g_utf8_get_char(p);
        if (c < 0x20 || c == 0x7F)
            ev.key = static_cast<uint16_t>(c);
        else
            ev.ch = c;
        grid.events.push_back(ev);
    }
}

std::string grid_row(int y) {
    std::string row;
    for (int x = 0; x < grid.w; x++)
        row += grid.front[static_cast<size_t>(y * grid.w + x)].text;
    row.erase(row.find_last_not_of(' ') + 1);
    return row;
}

std::string grid_screen() {
    std::string screen;
    for (int y = 0; y < grid.h; y++)
        screen += grid_row(y) + "\n";
    screen.erase(screen.find_last_not_of('\n') + 1);
    return screen + "\n";
}

GridCell grid_cell(int x, int y) {
    return grid.front[static_cast<size_t>(y * grid.w + x)];
}

int grid_frames() {
    return grid.frames;
}

int tb_init() {
    blank(grid.back);
    blank(grid.front);
    return TB_OK;
}

int tb_shutdown() {
    return TB_OK;
}

int tb_set_clear_attrs(uint16_t fg, uint16_t bg) {
    grid.clear_fg = fg;
    grid.clear_bg = bg;
    return TB_OK;
}

int tb_clear() {
    blank(grid.back);
    return TB_OK;
}

int tb_width() {
    return grid.w;
}

int tb_height() {
    return grid.h;
}

int tb_print(int x, int y, uint16_t fg, uint16_t bg, const char *text) {
    if (x < 0 || y < 0 || x >= grid.w || y >= grid.h)
        return TB_ERR;
    TermCell cell;
    while (x < grid.w && cells_next(&text, &cell)) {
        if (x + cell.width > grid.w)
            break;
        std::string s = utf8(cell.ch);
        for (int i = 0; i < cell.nmarks; i++)
            s += utf8(cell.marks[i]);
        if (cell.width == 2)
            put(x + 1, y, GridCell{" ", fg, bg});
        put(x, y, GridCell{s, fg, bg});
        if (cell.width == 2)
            grid.back[static_cast<size_t>(y * grid.w + x + 1)].text.clear();
        x += cell.width;
    }
    return TB_OK;
}

// The grid has no window to name.
int tb_set_title(const char *) {
    return TB_ERR;
}

int tb_present() {
    grid.front = grid.back;
    grid.frames++;
    return TB_OK;
}

int tb_poll_event(tb_event *event) {
    *event = tb_event{};
    if (grid.events.empty())
        return TB_ERR_READ;
    *event = grid.events.front();
    grid.events.pop_front();
    if (event->type == TB_EVENT_RESIZE)
        grid_resize(event->w, event->h);
    return TB_OK;
}

int tb_peek_event(tb_event *event, int) {
    if (grid.events.empty()) {
        *event = tb_event{};
        return TB_ERR_NO_EVENT;
    }
    return tb_poll_event(event);
}

int tb_get_fds(int *ttyfd, int *resizefd) {
    *ttyfd = *resizefd = -1;
    return TB_ERR;
}
