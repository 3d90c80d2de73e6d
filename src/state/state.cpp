#include "state/state.h"

#include <cstdarg>

#include "util/text.h"

void state_set_status(AppState *s, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    g_autofree char *msg = g_strdup_vprintf(fmt, ap);
    va_end(ap);
    text_format(s->status, sizeof s->status, "%s", msg);
    s->status_alert = 0;
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
