// The key table: what each key does where, what it needs that developer mode may refuse, and
// the dispatch that applies what an action changed.
#include <algorithm>
#include <cstdint>

#include "screen/draw.h"
#include "screen/view.h"
#include "state/state.h"
#include "term/termbox.h"
#include "tui/entry.h"
#include "tui/pane.h"
#include "tui/pinned.h"
#include "tui/tui.h"

namespace {

// Where a row acts: a bit per place of state_place.
constexpr uint8_t AT_LISTS = 1 << PLACE_LISTS;
constexpr uint8_t AT_SEARCH = 1 << PLACE_SEARCH;
constexpr uint8_t AT_ADD = 1 << PLACE_ADD;
constexpr uint8_t AT_OVERLAY = 1 << PLACE_OVERLAY;
constexpr uint8_t AT_ENTRY = AT_SEARCH | AT_ADD;
constexpr uint8_t AT_ANYWHERE = AT_LISTS | AT_ENTRY | AT_OVERLAY;

using KeyAction = Reaction (*)(AppState *s, const tb_event *ev);

constexpr uint32_t KEY_ANY_CHAR = UINT32_MAX; // matches every typed character

struct KeyRow {
    uint8_t places;
    uint16_t key;  // a key code, or 0
    uint16_t key2; // another key code with the same action, or 0
    uint32_t ch;   // a character, KEY_ANY_CHAR, or 0
    // The row acts only where this holds (NULL: everywhere in its places); otherwise a later
    // row may take the key.
    bool (*when)(const AppState *s);
    uint8_t needs; // NEED_*: what the action changes, which the source may refuse
    KeyAction act;
};

bool on_items(const AppState *s) {
    return s->focus == FOCUS_ITEMS;
}

int32_t app_count(const AppState *s) {
    return static_cast<int32_t>(g_list_length(s->apps));
}

Reaction move_item(AppState *s, int delta) {
    s->selected += delta;
    s->app_scroll = 0;
    s->status[0] = '\0';
    return REACT_PANE;
}

Reaction move_app(AppState *s, int delta) {
    s->app_selected += delta;
    s->status[0] = '\0';
    return REACT_NONE;
}

// Page Up/Down, Home and End: a jump to row target, kept within the count rows of the pane.
// Nothing happens when it lands where the selection is already.
Reaction jump(AppState *s, int32_t target) {
    bool items = on_items(s);
    int32_t count = items ? view_count(s) : app_count(s);
    target = std::clamp(target, 0, std::max(count - 1, 0));
    int32_t current = items ? s->selected : s->app_selected;
    if (count == 0 || target == current)
        return REACT_NONE;
    return items ? move_item(s, target - current) : move_app(s, target - current);
}

// One pane height of rows, at least one, for the page keys.
int32_t page_rows() {
    return std::max(screen_list_rows(tb_height()), 1);
}

int32_t current_row(const AppState *s) {
    return on_items(s) ? s->selected : s->app_selected;
}

Reaction key_quit(AppState *, const tb_event *) {
    return REACT_QUIT;
}

Reaction key_up(AppState *s, const tb_event *) {
    if (on_items(s) && s->selected > 0)
        return move_item(s, -1);
    if (!on_items(s) && s->app_selected > 0)
        return move_app(s, -1);
    return REACT_NONE;
}

Reaction key_down(AppState *s, const tb_event *) {
    if (on_items(s) && s->selected < view_count(s) - 1)
        return move_item(s, +1);
    if (!on_items(s) && s->app_selected < app_count(s) - 1)
        return move_app(s, +1);
    return REACT_NONE;
}

Reaction key_page_up(AppState *s, const tb_event *) {
    return jump(s, current_row(s) - page_rows());
}

Reaction key_page_down(AppState *s, const tb_event *) {
    return jump(s, current_row(s) + page_rows());
}

Reaction key_home(AppState *s, const tb_event *) {
    return jump(s, 0);
}

Reaction key_end(AppState *s, const tb_event *) {
    return jump(s, INT32_MAX);
}

// Why the application pane has no row for a key to act on.
void say_pane_empty(AppState *s) {
    std::optional<Item> item = view_item(s, s->selected);
    if (s->selected >= view_count(s) || s->mode == MODE_APPS)
        tui_say_nothing_selected(s);
    else
        state_set_status(s, "No application opens %s",
                         item ? item->name : view_label(s, s->selected));
}

bool pane_empty(const AppState *s) {
    return s->apps == nullptr;
}

Reaction key_pane_empty(AppState *s, const tb_event *) {
    say_pane_empty(s);
    return REACT_NONE;
}

Reaction key_to_apps(AppState *s, const tb_event *) {
    if (on_items(s)) {
        s->focus = FOCUS_APPS;
        s->app_selected = 0;
        s->app_scroll = 0;
    }
    return REACT_NONE;
}

Reaction key_to_items(AppState *s, const tb_event *) {
    s->focus = FOCUS_ITEMS;
    return REACT_NONE;
}

Reaction key_enter(AppState *s, const tb_event *) {
    if (!on_items(s))
        return s->source->assign(s);
    state_set_status(s, "%s",
                     s->mode == MODE_APPS
                         ? "Tab goes to its MIME types; Enter there sets one, A sets all of them"
                         : "Tab goes to the applications; Enter there makes one the default");
    return REACT_NONE;
}

Reaction key_undo(AppState *s, const tb_event *) {
    return tui_undo(s);
}

Reaction key_reset(AppState *s, const tb_event *) {
    return tui_reset(s);
}

Reaction key_pin(AppState *s, const tb_event *) {
    return pinned_toggle(s);
}

Reaction key_restore_pins(AppState *s, const tb_event *) {
    return pinned_restore(s);
}

Reaction switch_mode(AppState *s, int32_t mode) {
    s->mode = mode;
    s->selected = 0;
    s->search[0] = '\0';
    return REACT_VIEW | REACT_PANE;
}

Reaction key_categories(AppState *s, const tb_event *) {
    return switch_mode(s, MODE_CATEGORIES);
}

Reaction key_extensions(AppState *s, const tb_event *) {
    return switch_mode(s, MODE_EXTENSIONS);
}

Reaction key_applications(AppState *s, const tb_event *) {
    return switch_mode(s, MODE_APPS);
}

Reaction key_assign_all(AppState *s, const tb_event *) {
    return s->source->assign_all(s);
}

Reaction key_search(AppState *s, const tb_event *) {
    return entry_start_search(s);
}

Reaction key_add(AppState *s, const tb_event *) {
    // In the category list the type goes to the selected category: with no row shown (a search
    // that matches none) it has nowhere to go, which is said before any of it is typed.
    if (s->mode == MODE_CATEGORIES && s->selected >= view_count(s)) {
        tui_say_nothing_selected(s);
        return REACT_NONE;
    }
    return entry_start_add(s);
}

Reaction key_delete(AppState *s, const tb_event *) {
    if (s->selected < view_len(s))
        return entry_delete(s);
    tui_say_nothing_selected(s);
    return REACT_NONE;
}

Reaction key_help(AppState *s, const tb_event *) {
    s->overlay = OVERLAY_HELP;
    s->overlay_scroll = 0;
    return REACT_NONE;
}

Reaction key_why(AppState *s, const tb_event *) {
    if (s->why_lines == nullptr)
        s->why_lines = g_ptr_array_new_with_free_func(g_free);
    g_ptr_array_set_size(s->why_lines, 0);
    s->source->why(s, s->why_lines);
    // No overlay opens empty: the source has said why there is nothing to explain.
    if (s->why_lines->len == 0)
        return REACT_NONE;
    s->overlay = OVERLAY_WHY;
    s->overlay_scroll = 0;
    return REACT_NONE;
}

void close_overlay(AppState *s) {
    s->overlay = OVERLAY_NONE;
    s->overlay_scroll = 0;
}

// Moves an overlay taller than the terminal by delta lines; one that fits closes instead.
Reaction scroll_overlay(AppState *s, int delta) {
    int hidden = draw_overlay_hidden(s);
    if (hidden <= 0)
        close_overlay(s);
    else
        s->overlay_scroll = std::clamp(s->overlay_scroll + delta, 0, hidden);
    return REACT_NONE;
}

Reaction key_overlay_up(AppState *s, const tb_event *) {
    return scroll_overlay(s, -1);
}

Reaction key_overlay_down(AppState *s, const tb_event *) {
    return scroll_overlay(s, +1);
}

Reaction key_overlay_page_up(AppState *s, const tb_event *) {
    return scroll_overlay(s, -tb_height());
}

Reaction key_overlay_page_down(AppState *s, const tb_event *) {
    return scroll_overlay(s, +tb_height());
}

Reaction key_overlay_home(AppState *s, const tb_event *) {
    return scroll_overlay(s, INT32_MIN / 2);
}

Reaction key_overlay_end(AppState *s, const tb_event *) {
    return scroll_overlay(s, INT32_MAX / 2);
}

bool in_type_list(const AppState *s) {
    return s->mode == MODE_EXTENSIONS;
}

bool in_app_list(const AppState *s) {
    return s->mode == MODE_APPS;
}

// Applications are not the catalogue's: there is nothing to add a type to.
bool in_catalogue(const AppState *s) {
    return s->mode != MODE_APPS;
}

bool add_has_text(const AppState *s) {
    return s->add_text[0] != '\0';
}

// The application list with the focus on an application: keys of items have none to act on.
bool on_application(const AppState *s) {
    return s->mode == MODE_APPS && s->focus == FOCUS_ITEMS;
}

// What a key that cannot act here says instead, and where it does act.
Reaction say(AppState *s, const char *text) {
    state_set_status(s, "%s", text);
    return REACT_NONE;
}

Reaction key_pin_needs_item(AppState *s, const tb_event *) {
    return say(s, "Pins are set on items: press 1 or 2");
}

Reaction key_reset_needs_item(AppState *s, const tb_event *) {
    return say(s, "Resets are made on items: press 1 or 2");
}

Reaction key_assign_all_needs_app(AppState *s, const tb_event *) {
    return say(s, "A makes an application the default for all its types: press 3 to list them");
}

Reaction key_add_needs_catalogue(AppState *s, const tb_event *) {
    return say(s, "MIME types are added to a category or to the MIME type list: press 1 or 2");
}

Reaction key_delete_needs_type_list(AppState *s, const tb_event *) {
    return say(s, "d deletes from the MIME type list: press 2");
}

// A key bound to nothing where it is pressed says so, and where the keys are.
void say_unbound(AppState *s, const tb_event *ev, StatePlace place) {
    if (place == PLACE_SEARCH || place == PLACE_ADD) {
        // Only keys that are not text reach here.
        say(s, place == PLACE_SEARCH ? "Typing a search: Enter or Esc ends it"
                                     : "Typing a MIME type to add: Enter adds it, Esc ends it");
        return;
    }
    char name[8] = "Space";
    if (ev->ch > ' ')
        name[g_unichar_to_utf8(ev->ch, name)] = '\0';
    const char *alt = (ev->mod & TB_MOD_ALT) != 0 ? "Alt-" : "";
    if (ev->ch != 0)
        state_set_status(s, "%s%s does nothing here: ? lists the keys", alt, name);
    else
        say(s, "That key does nothing here: ? lists the keys");
}

// What each key does where; the first row of the place that matches and whose condition
// holds acts. A key that cannot act where it is pressed says why in the status line, from a
// row of its own or from its action. Its help is the screen's key table (screen/keys.cpp).
constexpr KeyRow key_table[] = {
    {AT_ANYWHERE, TB_KEY_CTRL_C, 0, 0, nullptr, NEED_NOTHING, key_quit},
    {AT_LISTS, TB_KEY_ARROW_UP, 0, 0, nullptr, NEED_NOTHING, key_up},
    {AT_LISTS, TB_KEY_ARROW_DOWN, 0, 0, nullptr, NEED_NOTHING, key_down},
    {AT_LISTS, TB_KEY_PGUP, 0, 0, nullptr, NEED_NOTHING, key_page_up},
    {AT_LISTS, TB_KEY_PGDN, 0, 0, nullptr, NEED_NOTHING, key_page_down},
    {AT_LISTS, TB_KEY_HOME, 0, 0, nullptr, NEED_NOTHING, key_home},
    {AT_LISTS, TB_KEY_END, 0, 0, nullptr, NEED_NOTHING, key_end},
    {AT_LISTS, TB_KEY_ARROW_RIGHT, TB_KEY_TAB, 0, pane_empty, NEED_NOTHING, key_pane_empty},
    {AT_LISTS, TB_KEY_ARROW_RIGHT, TB_KEY_TAB, 0, nullptr, NEED_NOTHING, key_to_apps},
    {AT_LISTS, TB_KEY_ARROW_LEFT, 0, 0, nullptr, NEED_NOTHING, key_to_items},
    {AT_LISTS, TB_KEY_ENTER, 0, 0, pane_empty, NEED_NOTHING, key_pane_empty},
    {AT_LISTS, TB_KEY_ENTER, 0, 0, nullptr, NEED_NOTHING, key_enter},
    {AT_LISTS, 0, 0, 'u', nullptr, NEED_SETTINGS, key_undo},
    {AT_LISTS, 0, 0, 'r', on_application, NEED_NOTHING, key_reset_needs_item},
    {AT_LISTS, 0, 0, 'r', nullptr, NEED_SETTINGS, key_reset},
    {AT_LISTS, 0, 0, 'p', on_application, NEED_NOTHING, key_pin_needs_item},
    {AT_LISTS, 0, 0, 'p', nullptr, NEED_PINS, key_pin},
    {AT_LISTS, 0, 0, 'R', nullptr, NEED_PINS, key_restore_pins},
    {AT_LISTS, 0, 0, '1', nullptr, NEED_NOTHING, key_categories},
    {AT_LISTS, 0, 0, '2', nullptr, NEED_NOTHING, key_extensions},
    {AT_LISTS, 0, 0, '3', nullptr, NEED_NOTHING, key_applications},
    {AT_LISTS, 0, 0, 'A', in_app_list, NEED_NOTHING, key_assign_all},
    {AT_LISTS, 0, 0, 'A', nullptr, NEED_NOTHING, key_assign_all_needs_app},
    {AT_LISTS, 0, 0, '/', nullptr, NEED_NOTHING, key_search},
    {AT_LISTS, 0, 0, 'a', in_catalogue, NEED_NOTHING, key_add},
    {AT_LISTS, 0, 0, 'a', nullptr, NEED_NOTHING, key_add_needs_catalogue},
    {AT_LISTS, 0, 0, 'd', in_type_list, NEED_CATALOGUE, key_delete},
    {AT_LISTS, 0, 0, 'd', nullptr, NEED_NOTHING, key_delete_needs_type_list},
    {AT_LISTS, 0, 0, 'i', nullptr, NEED_NOTHING, key_why},
    {AT_LISTS, 0, 0, '?', nullptr, NEED_NOTHING, key_help},
    {AT_LISTS, 0, 0, 'q', nullptr, NEED_NOTHING, key_quit},
    {AT_LISTS, TB_KEY_ESC, 0, 0, nullptr, NEED_NOTHING, key_quit},
    {AT_ENTRY, 0, 0, KEY_ANY_CHAR, nullptr, NEED_NOTHING, entry_type},
    {AT_ENTRY, TB_KEY_BACKSPACE, TB_KEY_BACKSPACE2, 0, nullptr, NEED_NOTHING, entry_backspace},
    {AT_ADD, TB_KEY_ENTER, 0, 0, add_has_text, NEED_CATALOGUE, entry_add},
    {AT_ENTRY, TB_KEY_ENTER, TB_KEY_ESC, 0, nullptr, NEED_NOTHING, entry_finish},
    // An overlay says these itself when it is taller than the terminal; any other key closes it.
    {AT_OVERLAY, TB_KEY_ARROW_UP, 0, 0, nullptr, NEED_NOTHING, key_overlay_up},
    {AT_OVERLAY, TB_KEY_ARROW_DOWN, 0, 0, nullptr, NEED_NOTHING, key_overlay_down},
    {AT_OVERLAY, TB_KEY_PGUP, 0, 0, nullptr, NEED_NOTHING, key_overlay_page_up},
    {AT_OVERLAY, TB_KEY_PGDN, 0, 0, nullptr, NEED_NOTHING, key_overlay_page_down},
    {AT_OVERLAY, TB_KEY_HOME, 0, 0, nullptr, NEED_NOTHING, key_overlay_home},
    {AT_OVERLAY, TB_KEY_END, 0, 0, nullptr, NEED_NOTHING, key_overlay_end},
};

bool row_matches(const KeyRow &row, const AppState *s, uint8_t place, const tb_event *ev) {
    // No row is bound to an Alt chord: Alt+r is not r, and in an entry it is no text.
    if ((row.places & place) == 0 || (ev->mod & TB_MOD_ALT) != 0)
        return false;
    bool key = ev->key != 0 ? ev->key == row.key || (row.key2 != 0 && ev->key == row.key2)
                            : ev->ch != 0 && (ev->ch == row.ch || row.ch == KEY_ANY_CHAR);
    return key && (row.when == nullptr || row.when(s));
}

void scroll_into_view(int32_t selected, int32_t *scroll, int rows) {
    if (selected < *scroll)
        *scroll = selected;
    else if (selected >= *scroll + rows)
        *scroll = selected - rows + 1;
}

} // namespace

void tui_scroll(AppState *s, int rows) {
    scroll_into_view(s->selected, &s->scroll, rows);
    scroll_into_view(s->app_selected, &s->app_scroll, rows);
}

bool tui_event(AppState *s, const tb_event *ev) {
    if (ev->type != TB_EVENT_KEY)
        return false;
    StatePlace place = state_place(s);
    bool entry = place == PLACE_SEARCH || place == PLACE_ADD;
    // Pasted text is only ever text: into an entry, never a command.
    if ((ev->mod & TB_MOD_PASTE) != 0)
        return entry && tui_apply(s, entry_paste(s, ev));
    for (const KeyRow &row : key_table) {
        if (!row_matches(row, s, static_cast<uint8_t>(1 << place), ev))
            continue;
        // What this source does not allow is refused here, once, with its reason; a refused
        // entry ends as Esc would end it.
        if (const char *refusal = s->source->refusals[row.needs]) {
            state_set_status(s, "%s", refusal);
            if (entry)
                entry_end(s);
            return false;
        }
        return tui_apply(s, row.act(s, ev));
    }
    if (place == PLACE_OVERLAY)
        close_overlay(s);
    else
        say_unbound(s, ev, place);
    return false;
}
