// The key table: what each key does where, and what the help line and the overlay say of it.
#include <algorithm>
#include <cstdint>

#include "screen/draw.h"
#include "screen/view.h"
#include "state/state.h"
#include "term/termbox.h"
#include "tui/entry.h"
#include "tui/pane.h"
#include "tui/pinned.h"
#include "tui/shell.h"

namespace {

// Where a key acts. The overlay takes any key; the entry every key but Ctrl-C.
enum KeyPlace : uint8_t {
    KEYS_LISTS,   // browsing, in either pane (the action looks at the focus)
    KEYS_ENTRY,   // while a search or an add is typed
    KEYS_OVERLAY, // while the help or an explanation covers the screen; other keys close it
    KEYS_ANYWHERE,
};

// An action returns true when it asks to quit.
using KeyAction = bool (*)(AppState *s, const tb_event *ev);

constexpr uint32_t KEY_ANY_CHAR = UINT32_MAX; // matches every typed character

struct KeyRow {
    KeyPlace place;
    uint16_t key;  // a key code, or 0
    uint16_t key2; // another key code with the same action, or 0
    uint32_t ch;   // a character, KEY_ANY_CHAR, or 0
    KeyAction act;
    const char *keys; // the overlay's line; NULL when the row before covers this key
    const char *help;
    const char *hint; // the help line's word for it, or NULL
    int hint_rank;    // the hint's place in the help line
};

void move_item(AppState *s, int delta) {
    s->selected += delta;
    apps_reload(s);
    s->app_scroll = 0;
    s->status[0] = '\0';
}

void move_app(AppState *s, int delta) {
    s->app_selected += delta;
    s->status[0] = '\0';
}

bool on_items(const AppState *s) {
    return s->focus == FOCUS_ITEMS;
}

int32_t app_count(const AppState *s) {
    return static_cast<int32_t>(g_list_length(s->apps));
}

// Page Up/Down, Home and End: a jump to row target, kept within the count rows of the pane.
// Nothing happens when it lands where the selection is already.
void jump(AppState *s, int32_t target) {
    bool items = on_items(s);
    int32_t count = items ? view_count(s) : app_count(s);
    target = std::clamp(target, 0, std::max(count - 1, 0));
    int32_t current = items ? s->selected : s->app_selected;
    if (count == 0 || target == current)
        return;
    if (items)
        move_item(s, target - current);
    else
        move_app(s, target - current);
}

// One pane height of rows, at least one, for the page keys.
int32_t page_rows() {
    return std::max(screen_list_rows(tb_height()), 1);
}

int32_t current_row(const AppState *s) {
    return on_items(s) ? s->selected : s->app_selected;
}

bool key_quit(AppState *, const tb_event *) {
    return true;
}

bool key_up(AppState *s, const tb_event *) {
    if (on_items(s) && s->selected > 0)
        move_item(s, -1);
    else if (!on_items(s) && s->app_selected > 0)
        move_app(s, -1);
    return false;
}

bool key_down(AppState *s, const tb_event *) {
    if (on_items(s) && s->selected < view_count(s) - 1)
        move_item(s, +1);
    else if (!on_items(s) && s->app_selected < app_count(s) - 1)
        move_app(s, +1);
    return false;
}

bool key_page_up(AppState *s, const tb_event *) {
    jump(s, current_row(s) - page_rows());
    return false;
}

bool key_page_down(AppState *s, const tb_event *) {
    jump(s, current_row(s) + page_rows());
    return false;
}

bool key_home(AppState *s, const tb_event *) {
    jump(s, 0);
    return false;
}

bool key_end(AppState *s, const tb_event *) {
    jump(s, INT32_MAX);
    return false;
}

bool key_to_apps(AppState *s, const tb_event *) {
    if (on_items(s)) {
        s->focus = FOCUS_APPS;
        s->app_selected = 0;
        s->app_scroll = 0;
    }
    return false;
}

bool key_to_items(AppState *s, const tb_event *) {
    s->focus = FOCUS_ITEMS;
    return false;
}

bool key_enter(AppState *s, const tb_event *) {
    if (!on_items(s))
        s->source->assign(s);
    return false;
}

bool key_undo(AppState *s, const tb_event *) {
    tui_undo(s);
    return false;
}

bool key_reset(AppState *s, const tb_event *) {
    tui_reset(s);
    return false;
}

bool key_pin(AppState *s, const tb_event *) {
    pinned_toggle(s);
    return false;
}

bool key_restore_pins(AppState *s, const tb_event *) {
    pinned_restore(s);
    return false;
}

void switch_mode(AppState *s, int32_t mode) {
    s->mode = mode;
    s->selected = 0;
    s->search[0] = '\0';
    view_rebuild(s);
    apps_reload(s);
}

bool key_categories(AppState *s, const tb_event *) {
    switch_mode(s, MODE_CATEGORIES);
    return false;
}

bool key_extensions(AppState *s, const tb_event *) {
    switch_mode(s, MODE_EXTENSIONS);
    return false;
}

bool key_applications(AppState *s, const tb_event *) {
    switch_mode(s, MODE_APPS);
    return false;
}

bool key_assign_all(AppState *s, const tb_event *) {
    if (s->mode == MODE_APPS)
        s->source->assign_all(s);
    return false;
}

bool key_search(AppState *s, const tb_event *) {
    entry_start_search(s);
    return false;
}

bool key_add(AppState *s, const tb_event *) {
    // Applications are not the catalogue's: there is nothing to add a type to.
    if (s->mode != MODE_APPS)
        entry_start_add(s);
    return false;
}

bool key_delete(AppState *s, const tb_event *) {
    // Placeholder rows are not the catalogue's; the delete says so rather than doing nothing.
    if (s->mode == MODE_EXTENSIONS &&
        (s->source->edit_refusal != nullptr || s->selected < view_len(s)))
        entry_delete(s);
    return false;
}

bool key_help(AppState *s, const tb_event *) {
    s->help_active = 1;
    s->overlay_scroll = 0;
    return false;
}

bool key_info(AppState *s, const tb_event *) {
    if (s->info_lines == nullptr)
        s->info_lines = g_ptr_array_new_with_free_func(g_free);
    g_ptr_array_set_size(s->info_lines, 0);
    s->source->explain(s, s->info_lines);
    s->info_active = 1;
    s->overlay_scroll = 0;
    return false;
}

void close_overlay(AppState *s) {
    s->help_active = 0;
    s->info_active = 0;
    s->overlay_scroll = 0;
}

// Moves an overlay taller than the terminal by delta lines; false when it fits, and the key
// closes it instead.
bool scroll_overlay(AppState *s, int delta) {
    int hidden = draw_overlay_hidden(s);
    if (hidden <= 0)
        return false;
    s->overlay_scroll = std::clamp(s->overlay_scroll + delta, 0, hidden);
    return true;
}

bool key_overlay_up(AppState *s, const tb_event *) {
    if (!scroll_overlay(s, -1))
        close_overlay(s);
    return false;
}

bool key_overlay_down(AppState *s, const tb_event *) {
    if (!scroll_overlay(s, +1))
        close_overlay(s);
    return false;
}

bool key_overlay_page_up(AppState *s, const tb_event *) {
    if (!scroll_overlay(s, -tb_height()))
        close_overlay(s);
    return false;
}

bool key_overlay_page_down(AppState *s, const tb_event *) {
    if (!scroll_overlay(s, +tb_height()))
        close_overlay(s);
    return false;
}

bool key_overlay_home(AppState *s, const tb_event *) {
    if (!scroll_overlay(s, INT32_MIN / 2))
        close_overlay(s);
    return false;
}

bool key_overlay_end(AppState *s, const tb_event *) {
    if (!scroll_overlay(s, INT32_MAX / 2))
        close_overlay(s);
    return false;
}

bool key_type(AppState *s, const tb_event *ev) {
    entry_type(s, ev);
    return false;
}

bool key_backspace(AppState *s, const tb_event *ev) {
    entry_backspace(s, ev);
    return false;
}

bool key_finish(AppState *s, const tb_event *ev) {
    entry_finish(s, ev);
    return false;
}

// In the order of the help overlay; a key's place in the help line is its hint rank, then its
// place in the table. The line begins with the original help text, "1:Categories 2:Ext /:Search
// a:Add d:Delete"; every hint added since comes after it.
constexpr KeyRow key_table[] = {
    {KEYS_LISTS, TB_KEY_ARROW_UP, 0, 0, key_up, "Up, Down",
     "move the selection in the pane that has the focus", nullptr, 0},
    {KEYS_LISTS, TB_KEY_ARROW_DOWN, 0, 0, key_down, nullptr, nullptr, nullptr, 0},
    {KEYS_LISTS, TB_KEY_PGUP, 0, 0, key_page_up, "Page Up, Page Down", "move it by one pane height",
     nullptr, 0},
    {KEYS_LISTS, TB_KEY_PGDN, 0, 0, key_page_down, nullptr, nullptr, nullptr, 0},
    {KEYS_LISTS, TB_KEY_HOME, 0, 0, key_home, "Home, End", "go to the first or the last row",
     nullptr, 0},
    {KEYS_LISTS, TB_KEY_END, 0, 0, key_end, nullptr, nullptr, nullptr, 0},
    {KEYS_LISTS, TB_KEY_ARROW_RIGHT, TB_KEY_TAB, 0, key_to_apps, "Right, Tab",
     "go to the applications", "Tab:Apps", 7},
    {KEYS_LISTS, TB_KEY_ARROW_LEFT, 0, 0, key_to_items, "Left", "go back to the items", nullptr, 0},
    {KEYS_LISTS, TB_KEY_ENTER, 0, 0, key_enter, "Enter",
     "(applications) make the selected application the default", "Enter:Set", 8},
    {KEYS_LISTS, 0, 0, 'u', key_undo, "u", "undo the most recent assignment", nullptr, 0},
    {KEYS_LISTS, 0, 0, 'r', key_reset, "r", "hand the item back to the system's defaults", nullptr,
     0},
    {KEYS_LISTS, 0, 0, 'p', key_pin, "p",
     "pin the item to its current defaults against other programs, or unpin it", nullptr, 0},
    {KEYS_LISTS, 0, 0, 'R', key_restore_pins, "R", "put back every pin another program changed",
     nullptr, 0},
    {KEYS_LISTS, 0, 0, '1', key_categories, "1, 2",
     "list categories, or single MIME types by extension", "1:Categories", 1},
    {KEYS_LISTS, 0, 0, '2', key_extensions, nullptr, nullptr, "2:Ext", 2},
    {KEYS_LISTS, 0, 0, '3', key_applications, "3",
     "list applications; the other pane holds the MIME types of each", "3:Apps", 6},
    {KEYS_LISTS, 0, 0, 'A', key_assign_all, "A",
     "(application list) make the application the default for all its types", nullptr, 0},
    {KEYS_LISTS, 0, 0, '/', key_search, "/", "search: narrows the items as you type", "/:Search",
     3},
    {KEYS_LISTS, 0, 0, 'a', key_add, "a",
     "add a MIME type or extension to the category, or to the MIME type list", "a:Add", 4},
    {KEYS_LISTS, 0, 0, 'd', key_delete, "d", "(MIME type list) delete the selected MIME type",
     "d:Delete", 5},
    {KEYS_LISTS, 0, 0, 'i', key_info, "i", "why the item opens where it does", nullptr, 0},
    {KEYS_LISTS, 0, 0, '?', key_help, "?", "this help", "?:Help", 9},
    {KEYS_LISTS, 0, 0, 'q', key_quit, "q, Esc, Ctrl-C", "quit", "q:Quit", 10},
    {KEYS_LISTS, TB_KEY_ESC, 0, 0, key_quit, nullptr, nullptr, nullptr, 0},
    {KEYS_ENTRY, 0, 0, KEY_ANY_CHAR, key_type, "any character",
     "typed as text; pasted text too, without its line breaks", nullptr, 0},
    {KEYS_ENTRY, TB_KEY_BACKSPACE, TB_KEY_BACKSPACE2, 0, key_backspace, "Backspace",
     "remove the last character", nullptr, 0},
    {KEYS_ENTRY, TB_KEY_ENTER, TB_KEY_ESC, 0, key_finish, "Enter, Esc",
     "end the entry (Enter adds)", nullptr, 0},
    {KEYS_ANYWHERE, TB_KEY_CTRL_C, 0, 0, key_quit, "Ctrl-C", "quit", nullptr, 0},
    // An overlay says these itself when it is taller than the terminal.
    {KEYS_OVERLAY, TB_KEY_ARROW_UP, 0, 0, key_overlay_up, nullptr, nullptr, nullptr, 0},
    {KEYS_OVERLAY, TB_KEY_ARROW_DOWN, 0, 0, key_overlay_down, nullptr, nullptr, nullptr, 0},
    {KEYS_OVERLAY, TB_KEY_PGUP, 0, 0, key_overlay_page_up, nullptr, nullptr, nullptr, 0},
    {KEYS_OVERLAY, TB_KEY_PGDN, 0, 0, key_overlay_page_down, nullptr, nullptr, nullptr, 0},
    {KEYS_OVERLAY, TB_KEY_HOME, 0, 0, key_overlay_home, nullptr, nullptr, nullptr, 0},
    {KEYS_OVERLAY, TB_KEY_END, 0, 0, key_overlay_end, nullptr, nullptr, nullptr, 0},
};

constexpr const char *KEYS_HEADINGS[] = {"In the lists", "In a search or an add"};

bool row_matches(const KeyRow &row, const tb_event *ev) {
    if (ev->key != 0)
        return ev->key == row.key || (row.key2 != 0 && ev->key == row.key2);
    return ev->ch != 0 && (ev->ch == row.ch || row.ch == KEY_ANY_CHAR);
}

// The first row of place that matches the key acts; true when it asks to quit. An overlay
// closes on a key no row of its own takes.
bool dispatch(AppState *s, KeyPlace place, const tb_event *ev) {
    for (const KeyRow &row : key_table)
        if (row.place == place && row_matches(row, ev))
            return row.act(s, ev);
    if (place == KEYS_OVERLAY)
        close_overlay(s);
    return false;
}

KeyHelp make_key_help() {
    KeyHelp help;
    int place = -1;
    std::vector<const KeyRow *> hinted;
    for (const KeyRow &row : key_table) {
        // Keys that act anywhere are listed under the last heading; an overlay's own keys it
        // names itself.
        if (row.keys == nullptr && row.place == KEYS_OVERLAY)
            continue;
        if (row.place != place && row.place < std::size(KEYS_HEADINGS)) {
            place = row.place;
            help.lines.push_back({KEYS_HEADINGS[place], nullptr});
        }
        if (row.keys != nullptr)
            help.lines.push_back({row.keys, row.help});
        if (row.hint != nullptr)
            hinted.push_back(&row);
    }
    // Hints of the same rank keep the table's order.
    std::stable_sort(hinted.begin(), hinted.end(),
                     [](const KeyRow *a, const KeyRow *b) { return a->hint_rank < b->hint_rank; });
    for (const KeyRow *row : hinted) {
        if (!help.hints.empty())
            help.hints += ' ';
        help.hints += row->hint;
    }
    return help;
}

void scroll_into_view(int32_t selected, int32_t *scroll, int rows) {
    if (selected < *scroll)
        *scroll = selected;
    else if (selected >= *scroll + rows)
        *scroll = selected - rows + 1;
}

} // namespace

const KeyHelp *tui_key_help() {
    static const KeyHelp help = make_key_help();
    return &help;
}

void tui_scroll(AppState *s, int rows) {
    scroll_into_view(s->selected, &s->scroll, rows);
    scroll_into_view(s->app_selected, &s->app_scroll, rows);
}

bool tui_event(AppState *s, const tb_event *ev) {
    if (ev->type != TB_EVENT_KEY)
        return false;
    bool pasted = (ev->mod & TB_MOD_PASTE) != 0;
    bool entry = s->search_active || s->add_active;
    // Pasted text is only ever text: into an entry, never a command.
    if (pasted) {
        if (entry)
            entry_paste(s, ev);
        return false;
    }
    if (dispatch(s, KEYS_ANYWHERE, ev))
        return true;
    if (s->help_active || s->info_active)
        return dispatch(s, KEYS_OVERLAY, ev);
    return dispatch(s, entry ? KEYS_ENTRY : KEYS_LISTS, ev);
}
