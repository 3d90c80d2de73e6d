#include "shell/source.h"

#include <cstdlib>

#include "appdb/app_cache.h"
#include "appdb/apps.h"
#include "screen/view.h"
#include "shell/pane.h"
#include "util/text.h"

namespace {

constexpr int32_t DEV_DEFAULT_COUNT = 10;
constexpr size_t DEV_LABEL_CAP = 64;

void registry_texts(AppState *s, GList *first, int count, AppRowText *out) {
    std::optional<Item> item = view_item(s, s->selected);
    g_autolist(GAppInfo) defaults = item ? app_cache_defaults(s->app_cache, *item) : nullptr;
    GList *l = first;
    for (int i = 0; i < count && l != nullptr; i++, l = l->next) {
        auto app = G_APP_INFO(l->data);
        text_format(out[i].text, sizeof out[i].text, "%s %s",
                    apps_list_has(defaults, app) ? "*" : " ", apps_display_name(app));
        out[i].file = apps_desktop_file(app);
    }
}

// Every kept answer may be out of date now: GIO is asked afresh, the shown item first.
bool registry_refresh(AppState *s) {
    app_cache_drop(s->app_cache);
    g_autolist(GAppInfo) fresh = apps_for_item(s, s->selected);
    if (apps_same_set(s->apps, fresh))
        return false;
    auto chosen = static_cast<GAppInfo *>(g_list_nth_data(s->apps, s->app_selected));
    int32_t index = 0;
    for (GList *l = fresh; chosen != nullptr && l != nullptr; l = l->next, index++)
        if (g_app_info_equal(chosen, G_APP_INFO(l->data)))
            break;
    state_free_apps(s);
    s->app_selected = index < static_cast<int32_t>(g_list_length(fresh)) ? index : 0;
    s->apps = g_steal_pointer(&fresh);
    return true;
}

bool registry_ask_ahead(AppState *s, int32_t index) {
    std::optional<Item> item = view_item(s, index);
    return item && app_cache_fill(s->app_cache, *item);
}

int32_t dev_count_of(AppState *s) {
    return s->dev_count;
}

const char *dev_item_label(AppState *, int32_t index) {
    return dev_label(index);
}

GList *dev_rows(AppState *s, int32_t index) {
    GList *list = nullptr;
    for (int32_t i = s->dev_count; i >= 1; i--)
        list = g_list_prepend(list, g_strdup_printf("Dev Application %d.%d", index + 1, i));
    return list;
}

// Placeholder rows carry no marker and no file.
void dev_texts(AppState *, GList *first, int count, AppRowText *out) {
    GList *l = first;
    for (int i = 0; i < count && l != nullptr; i++, l = l->next) {
        text_format(out[i].text, sizeof out[i].text, "  %s", static_cast<const char *>(l->data));
        out[i].file = nullptr;
    }
}

// Enter on a placeholder application: reports a mock assignment, changes nothing.
void dev_mock_assign(AppState *s) {
    auto app = static_cast<const char *>(g_list_nth_data(s->apps, s->app_selected));
    if (app != nullptr)
        state_set_status(s, "Mock: %s is now default for %s", app, view_label(s, s->selected));
}

bool dev_refresh(AppState *) {
    return false;
}

// Placeholders cost nothing to make: there is nothing to ask ahead.
bool dev_ask_ahead(AppState *, int32_t) {
    return false;
}

} // namespace

const PaneSource SOURCE_REGISTRY = {
    .item_count = view_len,
    .item_label = view_row_label,
    .app_rows = apps_for_item,
    .free_app = g_object_unref,
    .app_texts = registry_texts,
    .assign = apps_set_default,
    .refresh = registry_refresh,
    .ask_ahead = registry_ask_ahead,
    .idle_status = "",
    .edit_refusal = nullptr,
    .undo_refusal = nullptr,
};

// Developer mode's assignments are mock ones and its rows are not the catalogue's: there is
// nothing to edit and nothing of theirs to take back.
const PaneSource SOURCE_DEV = {
    .item_count = dev_count_of,
    .item_label = dev_item_label,
    .app_rows = dev_rows,
    .free_app = g_free,
    .app_texts = dev_texts,
    .assign = dev_mock_assign,
    .refresh = dev_refresh,
    .ask_ahead = dev_ask_ahead,
    .idle_status = "Developer Mode",
    .edit_refusal = "Developer Mode: the catalogue is not changed",
    .undo_refusal = "Developer Mode: no setting is changed",
};

int32_t dev_parse_count(const char *value) {
    // strtoll skips leading blanks, takes a sign and stops at the first non-digit; a value
    // beyond its range saturates, and the cap below then applies.
    char *end = nullptr;
    long long n = strtoll(value, &end, 10);
    if (end == value || n < 1)
        return DEV_DEFAULT_COUNT;
    return n > DEV_MAX_COUNT ? DEV_MAX_COUNT : static_cast<int32_t>(n);
}

void dev_read_env(AppState *s) {
    const char *value = g_getenv("QUARVE_DEV");
    if (value == nullptr)
        return;
    s->dev_mode = 1;
    s->dev_count = dev_parse_count(value);
}

const char *dev_label(int32_t index) {
    static char label[DEV_LABEL_CAP];
    text_format(label, sizeof label, "Dev Category %d", index + 1);
    return label;
}
