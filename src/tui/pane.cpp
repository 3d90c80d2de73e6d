#include "tui/pane.h"

#include "registry/app_cache.h"
#include "registry/apps.h"
#include "screen/view.h"
#include "settings/assign.h"
#include "state/state.h"

namespace {

// After a change of the settings of quarve's own: the markers show the new defaults at once,
// before the registry watch reports it, and GIO's other answers (whose order a new default may
// change) are asked afresh too, as after a change made by another program.
void settings_changed(AppState *s) {
    app_cache_drop(s->app_cache);
}

} // namespace

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
    return s->source->refresh(s);
}

void apps_set_default(AppState *s) {
    auto app = static_cast<GAppInfo *>(g_list_nth_data(s->apps, s->app_selected));
    std::optional<Item> item = view_item(s, s->selected);
    if (app != nullptr && item)
        pane_report(s, assign_app(*item, app, s->catalog));
}

void tui_reset(AppState *s) {
    std::optional<Item> item = view_item(s, s->selected);
    if (s->source->undo_refusal != nullptr)
        state_set_status(s, "%s", s->source->undo_refusal);
    else if (item)
        pane_report(s, assign_reset(*item));
}

void tui_set_for_type(AppState *s) {
    GAppInfo *app = view_app(s, s->selected);
    auto type = static_cast<char *>(g_list_nth_data(s->apps, s->app_selected));
    if (app != nullptr && type != nullptr)
        pane_report(s, assign_app(item_of_type_slot(&type), app));
}

void tui_set_all(AppState *s) {
    if (GAppInfo *app = view_app(s, s->selected))
        pane_report(s, assign_declared(app));
}

void tui_undo(AppState *s) {
    if (s->source->undo_refusal != nullptr)
        state_set_status(s, "%s", s->source->undo_refusal);
    else
        pane_report(s, assign_undo());
}

// Every outcome reported here follows a change quarve made itself (settings, pins, catalogue):
// the markers show the new defaults at once, before the registry watch reports it, and GIO's
// other answers (whose order a new default may change) are asked afresh too.
void pane_report(AppState *s, const Outcome &outcome) {
    settings_changed(s);
    if (outcome.warning.empty())
        state_set_status(s, "%s", outcome.message.c_str());
    else
        state_set_status(s, "%s; %s", outcome.message.c_str(), outcome.warning.c_str());
}
