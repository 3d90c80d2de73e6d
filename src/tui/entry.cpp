#include "tui/entry.h"

#include <cstring>

#include "catalog/catalog.h"
#include "screen/view.h"
#include "state/state.h"
#include "term/termbox.h"
#include "tui/pane.h"
#include "util/text.h"

namespace {

void entry_end(AppState *s) {
    s->search_active = 0;
    s->add_active = 0;
}

char *entry_buffer(AppState *s) {
    return s->search_active ? s->search : s->add_text;
}

void refilter(AppState *s) {
    view_rebuild(s);
    s->selected = 0;
    apps_reload(s);
}

void add_commit(AppState *s) {
    if (s->source->edit_refusal != nullptr) {
        state_set_status(s, "%s", s->source->edit_refusal);
        return;
    }
    Category *target = nullptr;
    if (s->mode == MODE_CATEGORIES) {
        // No category stands at the selection (an empty view): there is nothing to add to.
        if (s->selected >= view_len(s))
            return;
        target = static_cast<Category *>(g_ptr_array_index(s->view, s->selected));
    }
    Outcome added = catalog_add(s->catalog, target, s->add_text);
    pane_report(s, added);
    if (added.types.empty())
        return;
    view_rebuild(s);
    apps_reload(s);
}

// Appends the character ch to buf as UTF-8 when it fits in the entry's capacity.
bool append_char(char *buf, uint32_t ch) {
    if (!g_unichar_validate(ch) || g_unichar_iscntrl(ch))
        return false;
    char utf8[6];
    size_t n = static_cast<size_t>(g_unichar_to_utf8(ch, utf8));
    size_t len = strlen(buf);
    if (len + n > ENTRY_CAP - 1)
        return false;
    memcpy(buf + len, utf8, n);
    buf[len + n] = '\0';
    return true;
}

} // namespace

void entry_start_search(AppState *s) {
    s->search_active = 1;
    s->search[0] = '\0';
}

void entry_start_add(AppState *s) {
    s->add_active = 1;
    s->add_text[0] = '\0';
}

void entry_type(AppState *s, const tb_event *ev) {
    if (!append_char(entry_buffer(s), ev->ch))
        return;
    if (s->search_active)
        refilter(s);
}

void entry_backspace(AppState *s, const tb_event *) {
    char *buf = entry_buffer(s);
    size_t len = strlen(buf);
    buf[len - text_last_char_len(buf, len)] = '\0';
    if (s->search_active)
        refilter(s);
}

void entry_finish(AppState *s, const tb_event *ev) {
    if (ev->key == TB_KEY_ENTER && s->add_active && s->add_text[0] != '\0')
        add_commit(s);
    entry_end(s);
}

void entry_paste(AppState *s, const tb_event *ev) {
    if (ev->ch != 0)
        entry_type(s, ev);
}

void entry_delete(AppState *s) {
    if (s->source->edit_refusal != nullptr) {
        state_set_status(s, "%s", s->source->edit_refusal);
        return;
    }
    std::optional<Item> item = view_item(s, s->selected);
    if (!item)
        return;
    pane_report(s, catalog_delete(s->catalog, item->name));
    view_rebuild(s);
    if (s->selected >= view_len(s) && s->selected > 0)
        s->selected--;
    apps_reload(s);
}
