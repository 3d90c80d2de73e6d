#include "tui/source.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "catalog/ext_index.h"
#include "explain/doctor.h"
#include "explain/why.h"
#include "registry/app_cache.h"
#include "registry/apps.h"
#include "screen/view.h"
#include "settings/pins.h"
#include "tui/pane.h"
#include "tui/pinned.h"
#include "util/text.h"

namespace {

constexpr int32_t DEV_DEFAULT_COUNT = 10;
constexpr size_t DEV_LABEL_CAP = 64;
// Characters of the extension column in the rows of an application's MIME types.
constexpr int32_t TYPE_LABEL_COLUMNS = 8;
// What follows the name of an application that runs in a terminal.
constexpr const char *SOURCE_TERMINAL_MARK = " [terminal]";

// The MIME types the application list shows for app as rows of the application pane; none for
// no application.
GList *type_rows(GAppInfo *app) {
    if (app == nullptr)
        return nullptr;
    char **types = apps_listed_types(app);
    GList *rows = nullptr;
    for (char **t = types; *t != nullptr; t++)
        rows = g_list_prepend(rows, *t);
    g_free(types); // the strings are the rows' now
    return g_list_reverse(rows);
}

GList *registry_rows(AppState *s, int32_t index) {
    return s->mode == MODE_APPS ? type_rows(view_app(s, index)) : apps_for_item(s, index);
}

// A category's types are asked one after another only as far as the rows need: with many
// applications its first type alone fills a screen, and each type is a full pass of GIO.
GList *registry_rows_head(AppState *s, int32_t index, int count) {
    if (s->mode == MODE_APPS)
        return registry_rows(s, index);
    std::optional<Item> item = view_item(s, index);
    return item ? app_cache_candidates_head(s->app_cache, *item, count) : nullptr;
}

// A MIME type row: the marker where the selected application is its default, the extension
// as the MIME type list shows it, and the type.
void type_texts(AppState *s, GList *first, int count, AppRowText *out) {
    GAppInfo *app = view_app(s, s->selected);
    GList *l = first;
    for (int i = 0; i < count && l != nullptr; i++, l = l->next) {
        auto type = static_cast<const char *>(l->data);
        const char *label = ext_index_label(s->catalog, type);
        int pad = std::max(TYPE_LABEL_COLUMNS - static_cast<int>(g_utf8_strlen(label, -1)), 0);
        // From the kept answers, as the other lists: a frame asks GIO nothing it has answered.
        GAppInfo *now = app != nullptr ? app_cache_default(s->app_cache, type) : nullptr;
        text_format(out[i].text, sizeof out[i].text, "%s %s%*s %s",
                    now != nullptr && g_app_info_equal(now, app) ? "*" : " ", label, pad, "", type);
        out[i].file = nullptr;
    }
}

void registry_texts(AppState *s, GList *first, int count, AppRowText *out) {
    if (s->mode == MODE_APPS) {
        type_texts(s, first, count, out);
        return;
    }
    std::optional<Item> item = view_item(s, s->selected);
    g_autolist(GAppInfo) defaults = item ? app_cache_defaults(s->app_cache, *item) : nullptr;
    // Twins are told apart among the whole pane, not only the rows drawn.
    std::vector<std::string> names =
        apps_row_names(s->apps, first, static_cast<size_t>(std::max(count, 0)));
    GList *l = first;
    for (int i = 0; i < count && l != nullptr; i++, l = l->next) {
        auto app = G_APP_INFO(l->data);
        text_format(out[i].text, sizeof out[i].text, "%s %s",
                    apps_list_has(defaults, app) ? "*" : " ",
                    names[static_cast<size_t>(i)].c_str());
        // After the name, whatever it says: told apart from graphical ones before choosing.
        size_t used = strlen(out[i].text);
        if (apps_runs_in_terminal(app))
            text_format(out[i].text + used, sizeof out[i].text - used, "%s", SOURCE_TERMINAL_MARK);
        out[i].file = apps_desktop_file(app);
    }
}

// The application list after a change in the registry: listed anew with the selection kept on
// the same application (view_relist), and its types with the selection on the same type where
// it is still there.
bool relist_refresh(AppState *s) {
    auto row = static_cast<const char *>(g_list_nth_data(s->apps, s->app_selected));
    std::string type = row != nullptr ? row : "";
    std::vector<std::string> types_before;
    for (GList *l = s->apps; l != nullptr; l = l->next)
        types_before.emplace_back(static_cast<const char *>(l->data));
    bool changed = view_relist(s);
    state_take_apps(s, s->source->app_rows(s, s->selected));
    std::vector<std::string> types_after;
    for (GList *l = s->apps; l != nullptr; l = l->next)
        types_after.emplace_back(static_cast<const char *>(l->data));
    int32_t count = static_cast<int32_t>(types_after.size());
    s->app_selected = std::clamp(s->app_selected, 0, std::max(count - 1, 0));
    auto at = std::find(types_after.begin(), types_after.end(), type);
    if (at != types_after.end())
        s->app_selected = static_cast<int32_t>(at - types_after.begin());
    return changed || types_after != types_before;
}

// The candidates of the item shown, asked afresh: taken in when their set differs from the
// list shown (an application installed or removed), the selection kept on the same
// application. A change of defaults alone (which may reorder GIO's answer) keeps the list.
bool candidates_refresh(AppState *s) {
    g_autolist(GAppInfo) fresh = apps_for_item(s, s->selected);
    if (apps_same_set(s->apps, fresh))
        return false;
    auto chosen = static_cast<GAppInfo *>(g_list_nth_data(s->apps, s->app_selected));
    int32_t index = 0;
    for (GList *l = fresh; chosen != nullptr && l != nullptr; l = l->next, index++)
        if (g_app_info_equal(chosen, G_APP_INFO(l->data)))
            break;
    s->app_selected = index < static_cast<int32_t>(g_list_length(fresh)) ? index : 0;
    state_take_apps(s, g_steal_pointer(&fresh));
    return true;
}

// Every kept answer is out of date now (the loop has dropped them): a pin taken over is told,
// and GIO is asked afresh about the item shown.
bool registry_refresh(AppState *s) {
    pinned_check(s);
    return s->mode == MODE_APPS ? relist_refresh(s) : candidates_refresh(s);
}

void add_why(GPtrArray *lines, const char *type) {
    for (const std::string &line : why_text(why_type(type)))
        g_ptr_array_add(lines, g_strdup(line.c_str()));
}

// The explanation of each of the item's types; in the application list with the focus on an
// application, of every type it declares.
void registry_why(AppState *s, GPtrArray *lines) {
    char *slot = nullptr;
    g_auto(GStrv) declared = nullptr;
    std::optional<Item> item;
    GAppInfo *app =
        s->mode == MODE_APPS && s->focus == FOCUS_ITEMS ? view_app(s, s->selected) : nullptr;
    if (app != nullptr) {
        declared = apps_declared_types(app);
        item = Item{apps_display_name(app), {declared, g_strv_length(declared)}, false};
    } else {
        item = tui_key_item(s, &slot);
    }
    if (!item || item->types.empty()) {
        tui_say_nothing_selected(s);
        return;
    }
    // The item's findings above the explanation of its types.
    for (const DoctorFinding &f : doctor_check(s->catalog, &*item, false)) {
        for (const std::string &line : doctor_text(f))
            g_ptr_array_add(lines, g_strdup(line.c_str()));
        g_ptr_array_add(lines, g_strdup(""));
    }
    bool first = true;
    for (const char *type : item->types) {
        if (!first)
            g_ptr_array_add(lines, g_strdup(""));
        first = false;
        add_why(lines, type);
    }
    // What the last assignment set beyond these types shows nowhere else.
    if (const RelatedTypes *related = tui_related(s, *item)) {
        g_ptr_array_add(lines, g_strdup(""));
        size_t n = related->types.size();
        g_ptr_array_add(lines,
                        g_strdup_printf("Also set with %s, %zu related %s:", related->what.c_str(),
                                        n, n == 1 ? "type" : "types"));
        for (const OutcomeType &t : related->types)
            g_ptr_array_add(lines, g_strdup_printf("  %s: %s", t.type.c_str(),
                                                   t.detail == "alias"
                                                       ? "the canonical type of an alias above"
                                                       : "a sub-class the application declares"));
        for (const OutcomeType &t : related->types) {
            g_ptr_array_add(lines, g_strdup(""));
            add_why(lines, t.type.c_str());
        }
    }
    std::vector<std::string> pinned = pins_of_item(*item);
    if (pinned.empty())
        return;
    std::string text = "Pinned (p, R):";
    for (const std::string &type : pinned)
        text += " " + type;
    g_ptr_array_add(lines, g_strdup(""));
    g_ptr_array_add(lines, g_strdup(text.c_str()));
}

uint32_t registry_assign(AppState *s) {
    return s->mode == MODE_APPS ? tui_set_for_type(s) : tui_assign(s);
}

uint32_t registry_assign_all(AppState *s) {
    return tui_set_all(s);
}

bool registry_ask_ahead(AppState *s, int32_t index) {
    std::optional<Item> item = view_item(s, index);
    return item && app_cache_fill(s->app_cache, *item);
}

int32_t dev_count_of(AppState *s) {
    return s->dev_count;
}

const char *dev_item_label(AppState *s, int32_t index) {
    if (s->mode != MODE_APPS)
        return dev_label(index);
    static char label[DEV_LABEL_CAP];
    text_format(label, sizeof label, "Dev Application %d", index + 1);
    return label;
}

GList *dev_rows(AppState *s, int32_t index) {
    const char *row = s->mode == MODE_APPS ? "Dev Type" : "Dev Application";
    GList *list = nullptr;
    for (int32_t i = s->dev_count; i >= 1; i--)
        list = g_list_prepend(list, g_strdup_printf("%s %d.%d", row, index + 1, i));
    return list;
}

GList *dev_rows_head(AppState *s, int32_t index, int) {
    return dev_rows(s, index);
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
uint32_t dev_mock_assign(AppState *s) {
    auto row = static_cast<const char *>(g_list_nth_data(s->apps, s->app_selected));
    if (row == nullptr)
        return REACT_NONE;
    // In the application list the item pane holds the application and this pane the type.
    if (s->mode == MODE_APPS)
        state_set_status(s, "Mock: %s is now default for %s", view_label(s, s->selected), row);
    else
        state_set_status(s, "Mock: %s is now default for %s", row, view_label(s, s->selected));
    return REACT_NONE;
}

// A on a placeholder application: every placeholder type is one it declares.
uint32_t dev_mock_assign_all(AppState *s) {
    state_set_status(s, "Mock: %s is now default for every type it declares (%d)",
                     view_label(s, s->selected), s->dev_count);
    return REACT_NONE;
}

bool dev_refresh(AppState *) {
    return false;
}

void dev_why(AppState *, GPtrArray *lines) {
    g_ptr_array_add(lines, g_strdup("Placeholder rows have no settings to explain."));
}

// Placeholders cost nothing to make: there is nothing to ask ahead.
bool dev_ask_ahead(AppState *, int32_t) {
    return false;
}

} // namespace

const PaneSource SOURCE_REGISTRY = {
    .item_count = view_len,
    .item_label = view_row_label,
    .app_rows = registry_rows,
    .app_rows_head = registry_rows_head,
    .free_app = g_object_unref,
    .app_texts = registry_texts,
    .assign = registry_assign,
    .assign_all = registry_assign_all,
    .refresh = registry_refresh,
    .why = registry_why,
    .ask_ahead = registry_ask_ahead,
    .idle_status = "",
    .refusals = {nullptr, nullptr, nullptr, nullptr},
};

// Developer mode's assignments are mock ones and its rows are not the catalogue's: there is
// nothing to edit and nothing of theirs to take back.
const PaneSource SOURCE_DEV = {
    .item_count = dev_count_of,
    .item_label = dev_item_label,
    .app_rows = dev_rows,
    .app_rows_head = dev_rows_head,
    .free_app = g_free,
    .app_texts = dev_texts,
    .assign = dev_mock_assign,
    .assign_all = dev_mock_assign_all,
    .refresh = dev_refresh,
    .why = dev_why,
    .ask_ahead = dev_ask_ahead,
    .idle_status = "Developer Mode",
    .refusals =
        {
            nullptr,
            "Developer Mode: the catalogue is not changed",
            "Developer Mode: no setting is changed",
            "Developer Mode: no pin is changed",
        },
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
