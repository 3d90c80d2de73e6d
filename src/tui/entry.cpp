#include "tui/entry.h"

#include <cstring>

#include "catalog/catalog.h"
#include "screen/view.h"
#include "state/state.h"
#include "term/termbox.h"
#include "util/text.h"

namespace {

char *entry_buffer(AppState *s) {
    return s->search_active ? s->search : s->add_text;
}

// Each keystroke of a search selects the first row of what it leaves.
Reaction refilter(AppState *s) {
    s->selected = 0;
    return REACT_VIEW | REACT_PANE;
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

void entry_end(AppState *s) {
    s->search_active = 0;
    s->add_active = 0;
}

Reaction entry_start_search(AppState *s) {
    s->search_active = 1;
    s->search[0] = '\0';
    return REACT_NONE;
}

Reaction entry_start_add(AppState *s) {
    s->add_active = 1;
    s->add_text[0] = '\0';
    return REACT_NONE;
}

Reaction entry_type(AppState *s, const tb_event *ev) {
    if (!append_char(entry_buffer(s), ev->ch))
        return REACT_NONE;
    return s->search_active ? refilter(s) : REACT_NONE;
}

Reaction entry_backspace(AppState *s, const tb_event *) {
    char *buf = entry_buffer(s);
    size_t len = strlen(buf);
    buf[len - text_last_char_len(buf, len)] = '\0';
    return s->search_active ? refilter(s) : REACT_NONE;
}

Reaction entry_add(AppState *s, const tb_event *) {
    entry_end(s);
    Category *target = nullptr;
    if (s->mode == MODE_CATEGORIES) {
        // No category stands at the selection (an empty view): there is nothing to add to.
        if (s->selected >= view_len(s))
            return REACT_NONE;
        target = static_cast<Category *>(g_ptr_array_index(s->view, s->selected));
    }
    Outcome added = catalog_add(s->catalog, target, s->add_text);
    state_report(s, added);
    return added.types.empty() ? REACT_ANSWERS : REACT_ANSWERS | REACT_VIEW | REACT_PANE;
}

Reaction entry_finish(AppState *s, const tb_event *) {
    entry_end(s);
    return REACT_NONE;
}

Reaction entry_paste(AppState *s, const tb_event *ev) {
    return ev->ch != 0 ? entry_type(s, ev) : REACT_NONE;
}

Reaction entry_delete(AppState *s) {
    std::optional<Item> item = view_item(s, s->selected);
    if (!item)
        return REACT_NONE;
    state_report(s, catalog_delete(s->catalog, item->name));
    return REACT_ANSWERS | REACT_VIEW | REACT_KEEP_IN_VIEW | REACT_PANE;
}
