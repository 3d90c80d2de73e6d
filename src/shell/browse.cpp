// Key dispatch in browse mode and the scroll rules of the frame loop.
#include "appdb/apps.h"
#include "catalog/catalog.h"
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
    if (s->search_active || s->add_active) {
        entry_key(s, ev);
        return false;
    }
    if (browse_chain_a(s, ev))
        return true;
    browse_chain_b(s, ev);
    return false;
}
