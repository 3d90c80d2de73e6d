#include "shell/pane.h"

#include "appdb/app_cache.h"
#include "appdb/apps.h"
#include "screen/view.h"
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
    state_free_apps(s);
    s->apps = s->source->app_rows(s, s->selected);
    s->app_selected = 0;
}

bool apps_refresh(AppState *s) {
    return s->source->refresh(s);
}

void apps_set_default(AppState *s) {
    auto app = static_cast<GAppInfo *>(g_list_nth_data(s->apps, s->app_selected));
    std::optional<Item> item = view_item(s, s->selected);
    if (app != nullptr && item) {
        pane_report(s, apps_assign(*item, app));
        settings_changed(s);
    }
}

void apps_undo(AppState *s) {
    if (s->source->undo_refusal != nullptr)
        state_set_status(s, "%s", s->source->undo_refusal);
    else {
        pane_report(s, apps_undo_last());
        settings_changed(s);
    }
}

void pane_report(AppState *s, const Outcome &outcome) {
    if (outcome.warning.empty())
        state_set_status(s, "%s", outcome.message.c_str());
    else
        state_set_status(s, "%s; %s", outcome.message.c_str(), outcome.warning.c_str());
}
