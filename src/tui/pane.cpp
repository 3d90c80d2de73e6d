#include "tui/pane.h"

#include <algorithm>

#include "explain/doctor.h"
#include "registry/app_cache.h"
#include "registry/apps.h"
#include "screen/view.h"
#include "settings/assign.h"
#include "state/state.h"

namespace {

// An assignment's outcome on the status line. The types it set beyond the item's own are
// counted there, since nothing else on the screen shows them, and kept for i to list.
Reaction report_assignment(AppState *s, const Item &item, GAppInfo *app, Outcome done) {
    tui_forget_related(s);
    if (done.ok)
        done.message += doctor_status(item, apps_desktop_id(app));
    std::vector<OutcomeType> related;
    for (const OutcomeType &t : done.types)
        if (t.detail == "alias" || t.detail == "subtype")
            related.push_back(t);
    if (done.ok && !related.empty()) {
        s->related = new RelatedTypes{{item.types.begin(), item.types.end()},
                                      std::string(apps_display_name(app)) + " for " + item.name,
                                      related};
        done.message += "; also set for " + std::to_string(related.size()) +
                        (related.size() == 1 ? " related type" : " related types") +
                        ": i lists them";
    }
    state_report(s, done);
    return REACT_ANSWERS;
}

} // namespace

// Every action here changes the settings through the core: the markers must show the new
// defaults at once, before the registry watch reports the change, and GIO's other answers
// (whose order a new default may change) are asked afresh too.

bool tui_apply(AppState *s, Reaction reaction) {
    if (reaction & REACT_ANSWERS)
        app_cache_drop(s->app_cache);
    if (reaction & REACT_REGISTRY)
        view_forget_listed(s);
    if (reaction & REACT_VIEW) {
        view_rebuild(s);
        if ((reaction & REACT_KEEP_IN_VIEW) && s->selected >= view_len(s) && s->selected > 0)
            s->selected--;
    }
    if (reaction & REACT_PANE)
        apps_reload(s);
    return (reaction & REACT_QUIT) != 0;
}

GList *apps_for_item(AppState *s, int32_t index) {
    std::optional<Item> item = view_item(s, index);
    return item ? app_cache_candidates(s->app_cache, *item) : nullptr;
}

void apps_reload(AppState *s) {
    state_take_apps(s, s->source->app_rows(s, s->selected));
    s->app_selected = 0;
}

void tui_reload_head(AppState *s, int rows) {
    state_take_apps(s, s->source->app_rows_head(s, s->selected, rows));
    s->app_selected = 0;
}

void tui_complete(AppState *s) {
    state_take_apps(s, s->source->app_rows(s, s->selected));
}

bool tui_refresh(AppState *s) {
    // Every kept answer may be out of date now, the list of applications too.
    tui_apply(s, REACT_ANSWERS | REACT_REGISTRY);
    return s->source->refresh(s);
}

Reaction tui_assign(AppState *s) {
    auto app = static_cast<GAppInfo *>(g_list_nth_data(s->apps, s->app_selected));
    std::optional<Item> item = view_item(s, s->selected);
    if (app == nullptr || !item)
        return REACT_NONE;
    return report_assignment(s, *item, app, assign_app(*item, app, s->catalog));
}

void apps_set_default(AppState *s) {
    tui_apply(s, tui_assign(s));
}

Reaction tui_reset(AppState *s) {
    char *slot = nullptr;
    std::optional<Item> item = tui_key_item(s, &slot);
    if (!item) {
        tui_say_nothing_selected(s);
        return REACT_NONE;
    }
    tui_forget_related(s);
    state_report(s, assign_reset(*item));
    return REACT_ANSWERS;
}

Reaction tui_set_for_type(AppState *s) {
    auto type = static_cast<char *>(g_list_nth_data(s->apps, s->app_selected));
    GAppInfo *app = view_app(s, s->selected);
    if (app == nullptr || type == nullptr)
        return REACT_NONE;
    Item item = item_of_type_slot(&type);
    return report_assignment(s, item, app, assign_app(item, app));
}

Reaction tui_set_all(AppState *s) {
    GAppInfo *app = view_app(s, s->selected);
    if (app == nullptr) {
        tui_say_nothing_selected(s);
        return REACT_NONE;
    }
    g_auto(GStrv) types = apps_declared_types(app);
    size_t count = g_strv_length(types);
    std::string name = "every type it declares (" + std::to_string(count) + ")";
    Item item{name.c_str(), {types, count}, false};
    return report_assignment(s, item, app, assign_declared(app));
}

Reaction tui_undo(AppState *s) {
    tui_forget_related(s);
    state_report(s, assign_undo());
    return REACT_ANSWERS;
}

std::optional<Item> tui_key_item(AppState *s, char **slot) {
    if (s->mode != MODE_APPS)
        return view_item(s, s->selected);
    if (s->focus != FOCUS_APPS)
        return std::nullopt;
    *slot = static_cast<char *>(g_list_nth_data(s->apps, s->app_selected));
    return *slot != nullptr ? std::optional(item_of_type_slot(slot)) : std::nullopt;
}

void tui_say_nothing_selected(AppState *s) {
    if (s->selected < view_count(s))
        state_set_status(s, "%s declares no MIME type", view_label(s, s->selected));
    else if (s->search[0] != '\0')
        state_set_status(s, "Nothing is selected: the search matches no row");
    else
        state_set_status(s, "Nothing is selected: the list is empty");
}

const RelatedTypes *tui_related(const AppState *s, const Item &item) {
    if (s->related == nullptr)
        return nullptr;
    std::vector<std::string> types(item.types.begin(), item.types.end()),
        assigned = s->related->item_types;
    std::sort(types.begin(), types.end());
    std::sort(assigned.begin(), assigned.end());
    return types == assigned ? s->related : nullptr;
}

void tui_forget_related(AppState *s) {
    delete s->related;
    s->related = nullptr;
}
