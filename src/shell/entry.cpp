#include "shell/entry.h"

#include <cstring>

#include "appdb/apps.h"
#include "catalog/catalog.h"
#include "catalog/config.h"
#include "state/state.h"
#include "term/termbox.h"
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

// The MIME type an add text names: the text itself when it holds a "/", otherwise the type the
// content-type database gives for a file with that extension, falling back to the text.
char *type_from_text(const char *text) {
    if (strchr(text, '/') != nullptr)
        return g_strdup(text);
    g_autofree char *file = text[0] == '.' ? g_strdup(text) : g_strdup_printf(".%s", text);
    gboolean uncertain = FALSE;
    g_autofree char *content = g_content_type_guess(file, nullptr, 0, &uncertain);
    // An extension the database does not know comes back as the generic unknown type;
    // adding that would make one application the default for every unidentified file.
    if (content != nullptr && uncertain && g_content_type_is_unknown(content))
        g_clear_pointer(&content, g_free);
    char *type = content ? g_content_type_get_mime_type(content) : nullptr;
    return type ? type : g_strdup(text);
}

void add_commit(AppState *s) {
    Category *target = nullptr;
    if (s->mode == MODE_CATEGORIES) {
        // No category stands at the selection (an empty view, or a placeholder row in
        // developer mode): there is nothing to add to.
        if (static_cast<guint>(s->selected) >= s->view->len)
            return;
        target = static_cast<Category *>(g_ptr_array_index(s->view, s->selected));
    }
    g_autofree char *type = type_from_text(s->add_text);
    if (target != nullptr)
        category_append(target, type);
    else
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

void entry_delete(AppState *s) {
    const char *type = view_item_name(s, s->selected);
    state_set_status(s, "Deleted: %s", type);
    catalog_remove_type(s, type);
    config_save(s);
    view_rebuild(s);
    if (static_cast<guint>(s->selected) >= s->view->len && s->selected > 0)
        s->selected--;
    apps_reload(s);
}
