#include "state/state.h"

#include <cstdarg>

#include "util/text.h"

namespace {

void set_status(AppState *s, int32_t tone, const char *fmt, va_list ap) {
    g_autofree char *msg = g_strdup_vprintf(fmt, ap);
    text_format(s->status, sizeof s->status, "%s", msg);
    s->status_tone = tone;
}

} // namespace

void state_set_status(AppState *s, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    set_status(s, TONE_DONE, fmt, ap);
    va_end(ap);
}

void state_set_notice(AppState *s, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    set_status(s, TONE_NOTICE, fmt, ap);
    va_end(ap);
}

void state_report(AppState *s, const Outcome &outcome) {
    const char *tail = outcome.warning.empty() ? "" : "; ";
    text_format(s->status, sizeof s->status, "%s%s%s", outcome.message.c_str(), tail,
                outcome.warning.c_str());
    s->status_tone = outcome.ok ? TONE_DONE : TONE_FAILED;
}

StatePlace state_place(const AppState *s) {
    if (s->overlay != OVERLAY_NONE)
        return PLACE_OVERLAY;
    if (s->search_active)
        return PLACE_SEARCH;
    return s->add_active ? PLACE_ADD : PLACE_LISTS;
}

void state_free_apps(AppState *s) {
    if (s->apps != nullptr)
        g_list_free_full(s->apps, s->apps_mode == MODE_APPS ? g_free : s->source->free_app);
    s->apps = nullptr;
}

void state_take_apps(AppState *s, GList *rows) {
    state_free_apps(s);
    s->apps = rows;
    s->apps_mode = s->mode;
}
