#include "shell/entry.h"

#include <cstring>

#include "appdb/apps.h"
#include "catalog/catalog.h"
#include "catalog/config.h"
#include "catalog/type_text.h"
#include "state/state.h"
#include "term/termbox.h"
#include "util/text.h"

namespace {

// Developer mode shows placeholders, so an edit would change a catalogue the user cannot see.
constexpr const char *DEV_CATALOGUE_UNCHANGED = "Developer Mode: the catalogue is not changed";

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
    if (s->dev_mode) {
        state_set_status(s, "%s", DEV_CATALOGUE_UNCHANGED);
        return;
    }
    Category *target = nullptr;
    if (s->mode == MODE_CATEGORIES) {
        // No category stands at the selection (an empty view): there is nothing to add to.
        if (static_cast<guint>(s->selected) >= s->view->len)
            return;
        target = static_cast<Category *>(g_ptr_array_index(s->view, s->selected));
    }
    g_autofree char *type = type_text_resolve(s->add_text);
    if (type == nullptr) {
        state_set_status(s, "Failed to add %s: not a MIME type or a known file extension",
                         s->add_text);
        return;
    }
    // A type a category gains is in the MIME type list from now on, as it would be after the
    // next start.
    if (target != nullptr)
        category_append(target, type);
    catalog_insert_type(s, type);
    state_set_status(s, "Added: %s", s->add_text);
    config_save(s);
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

void entry_key(AppState *s, const tb_event *ev) {
    char *buf = entry_buffer(s);
    bool searching = s->search_active != 0;
    switch (ev->key) {
    case TB_KEY_ESC:
        entry_end(s);
        return;
    case TB_KEY_ENTER:
        if (s->add_active && s->add_text[0] != '\0')
            add_commit(s);
        entry_end(s);
        return;
    case TB_KEY_BACKSPACE:
    case TB_KEY_BACKSPACE2: {
        size_t len = strlen(buf);
        buf[len - text_last_char_len(buf, len)] = '\0';
        if (searching)
            refilter(s);
        return;
    }
    default:
        break;
    }
    if (ev->ch == 0 || !append_char(buf, ev->ch))
        return;
    if (searching)
        refilter(s);
}

void entry_paste(AppState *s, const tb_event *ev) {
    if (ev->ch == 0 || !append_char(entry_buffer(s), ev->ch))
        return;
    if (s->search_active)
        refilter(s);
}

void entry_delete(AppState *s) {
    if (s->dev_mode) {
        state_set_status(s, "%s", DEV_CATALOGUE_UNCHANGED);
        return;
    }
    const char *type = view_item_name(s, s->selected);
    state_set_status(s, "Deleted: %s", type);
    catalog_remove_type(s, type);
    config_save(s);
    view_rebuild(s);
    if (static_cast<guint>(s->selected) >= s->view->len && s->selected > 0)
        s->selected--;
    apps_reload(s);
}
