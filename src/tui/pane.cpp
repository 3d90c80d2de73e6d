#include "tui/pane.h"

#include "explain/doctor.h"
#include "registry/app_cache.h"
#include "registry/apps.h"
#include "screen/view.h"
#include "settings/assign.h"
#include "state/state.h"

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
    Outcome done = assign_app(*item, app, s->catalog);
    if (done.ok)
        done.message += doctor_status(*item, apps_desktop_id(app));
    state_report(s, done);
    return REACT_ANSWERS;
}

void apps_set_default(AppState *s) {
    tui_apply(s, tui_assign(s));
}

Reaction tui_reset(AppState *s) {
    std::optional<Item> item = view_item(s, s->selected);
    if (!item)
        return REACT_NONE;
    Outcome done = assign_reset(*item);
    state_report(s, done);
    return REACT_ANSWERS;
}

Reaction tui_set_for_type(AppState *s) {
    auto type = static_cast<char *>(g_list_nth_data(s->apps, s->app_selected));
    GAppInfo *app = view_app(s, s->selected);
    if (app == nullptr || type == nullptr)
        return REACT_NONE;
    Outcome done = assign_app(item_of_type_slot(&type), app);
    if (done.ok)
        done.message += doctor_status(item_of_type_slot(&type), apps_desktop_id(app));
    state_report(s, done);
    return REACT_ANSWERS;
}

Reaction tui_set_all(AppState *s) {
    GAppInfo *app = view_app(s, s->selected);
    if (app == nullptr)
        return REACT_NONE;
    Outcome done = assign_declared(app);
    state_report(s, done);
    return REACT_ANSWERS;
}

Reaction tui_undo(AppState *s) {
    Outcome done = assign_undo();
    state_report(s, done);
    return REACT_ANSWERS;
}
