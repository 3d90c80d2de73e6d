// Key dispatch in browse mode and the scroll rules of the frame loop.
#include <cstdint>

#include "appdb/apps.h"
#include "catalog/catalog.h"
#include "screen/draw.h"
#include "shell/entry.h"
#include "shell/shell.h"
#include "state/state.h"
#include "term/termbox.h"

namespace {

void switch_mode(AppState *s, int32_t mode) {
    s->mode = mode;
    s->selected = 0;
    s->search[0] = '\0';
    view_rebuild(s);
    apps_reload(s);
}

void move_item(AppState *s, int delta) {
    s->selected += delta;
    apps_reload(s);
    s->app_scroll = 0;
    s->status[0] = '\0';
}

// Enter on a placeholder application: reports a mock assignment, changes nothing.
void dev_mock_assign(AppState *s) {
    auto app = static_cast<const char *>(g_list_nth_data(s->apps, s->app_selected));
    if (app == nullptr)
        return;
    state_set_status(s, "Mock: %s is now default for %s", app, view_label(s, s->selected));
}

void move_app(AppState *s, int delta) {
    s->app_selected += delta;
    s->status[0] = '\0';
}

// Page Up/Down, Home and End: a jump to row target, kept within the count rows of the pane.
// Nothing happens when it lands where the selection is already.
void jump(AppState *s, int32_t target) {
    bool items = s->focus == FOCUS_ITEMS;
    int32_t count = items ? view_count(s) : static_cast<int32_t>(g_list_length(s->apps));
    if (target > count - 1)
        target = count - 1;
    if (target < 0)
        target = 0;
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
    int rows = screen_list_rows(tb_height());
    return rows < 1 ? 1 : rows;
}

// Chain A: quit, mode switches and the entry commands, read from the character.
// Returns true when the key asks to quit.
bool browse_chain_a(AppState *s, const tb_event *ev) {
    if (ev->key == TB_KEY_ESC)
        return true;
    switch (ev->ch) {
    case 'q':
        return true;
    case '1':
        switch_mode(s, MODE_CATEGORIES);
        break;
    case '2':
        switch_mode(s, MODE_EXTENSIONS);
        break;
    case '/':
        entry_start_search(s);
        break;
    case '?':
        s->help_active = 1;
        break;
    case 'a':
        entry_start_add(s);
        break;
    case 'u':
        // Developer mode's assignments are mock ones: there is nothing of theirs to take back.
        if (s->dev_mode)
            state_set_status(s, "Developer Mode: no setting is changed");
        else
            apps_undo(s);
        break;
    case 'd':
        // In developer mode the rows on screen are placeholders; the delete refuses there.
        if (s->mode == MODE_EXTENSIONS &&
            (s->dev_mode || static_cast<guint>(s->selected) < s->view->len))
            entry_delete(s);
        break;
    default:
        break;
    }
    return false;
}

// Chain B: movement, focus and Enter, read from the key code.
void browse_chain_b(AppState *s, const tb_event *ev) {
    bool items = s->focus == FOCUS_ITEMS;
    switch (ev->key) {
    case TB_KEY_ARROW_UP:
        if (items && s->selected > 0)
            move_item(s, -1);
        else if (!items && s->app_selected > 0)
            move_app(s, -1);
        break;
    case TB_KEY_ARROW_DOWN:
        if (items && s->selected < view_count(s) - 1)
            move_item(s, +1);
        else if (!items && s->app_selected < static_cast<int32_t>(g_list_length(s->apps)) - 1)
            move_app(s, +1);
        break;
    case TB_KEY_PGUP:
        jump(s, (items ? s->selected : s->app_selected) - page_rows());
        break;
    case TB_KEY_PGDN:
        jump(s, (items ? s->selected : s->app_selected) + page_rows());
        break;
    case TB_KEY_HOME:
        jump(s, 0);
        break;
    case TB_KEY_END:
        jump(s, INT32_MAX);
        break;
    case TB_KEY_ARROW_RIGHT:
    case TB_KEY_TAB:
        if (items) {
            s->focus = FOCUS_APPS;
            s->app_selected = 0;
            s->app_scroll = 0;
        }
        break;
    case TB_KEY_ARROW_LEFT:
        if (!items)
            s->focus = FOCUS_ITEMS;
        break;
    case TB_KEY_ENTER:
        if (!items) {
            if (s->dev_mode)
                dev_mock_assign(s);
            else
                apps_set_default(s);
        }
        break;
    default:
        break;
    }
}

void scroll_into_view(int32_t selected, int32_t *scroll, int rows) {
    if (selected < *scroll)
        *scroll = selected;
    else if (selected >= *scroll + rows)
        *scroll = selected - rows + 1;
}

} // namespace

void shell_scroll(AppState *s, int rows) {
    scroll_into_view(s->selected, &s->scroll, rows);
    scroll_into_view(s->app_selected, &s->app_scroll, rows);
}

bool shell_event(AppState *s, const tb_event *ev) {
    if (ev->type != TB_EVENT_KEY)
        return false;
    bool pasted = (ev->mod & TB_MOD_PASTE) != 0;
    if (ev->key == TB_KEY_CTRL_C && !pasted)
        return true;
    // Pasted text is only ever text: into an entry, never a command.
    if (pasted) {
        if (s->search_active || s->add_active)
            entry_paste(s, ev);
        return false;
    }
    if (s->help_active) {
        s->help_active = 0;
        return false;
    }
    if (s->search_active || s->add_active) {
        entry_key(s, ev);
        return false;
    }
    if (browse_chain_a(s, ev))
        return true;
    browse_chain_b(s, ev);
    return false;
}
