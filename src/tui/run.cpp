// Start-up, the frame loop and teardown.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <glib-unix.h>
#include <string>

#include "catalog/catalog.h"
#include "registry/app_cache.h"
#include "screen/draw.h"
#include "screen/keys.h"
#include "screen/view.h"
#include "settings/change.h"
#include "state/state.h"
#include "term/termbox.h"
#include "tui/fill.h"
#include "tui/pane.h"
#include "tui/source.h"
#include "tui/tui.h"

namespace {

// scripts/demo sets QUARVE_DEMO: what the screen shows are sample applications in a folder of
// their own, which nothing on it would tell otherwise.
constexpr const char *TUI_DEMO_STATUS =
    "Demonstration on sample applications: your own settings are untouched";
constexpr const char *TUI_DEMO_TITLE = "quarve: demonstration on sample applications";

// NO_COLOR set and not empty turns colour off (no-color.org); QUARVE_COLORS=terminal keeps
// the terminal's own text and background colours where the screen is white on black.
int32_t colors_from_env() {
    const char *none = g_getenv("NO_COLOR");
    if (none != nullptr && none[0] != '\0')
        return COLORS_NONE;
    return g_strcmp0(g_getenv("QUARVE_COLORS"), "terminal") == 0 ? COLORS_TERMINAL : COLORS_LAYOUT;
}

bool demo_from_env() {
    const char *demo = g_getenv("QUARVE_DEMO");
    return demo != nullptr && demo[0] != '\0';
}

} // namespace

void tui_startup(AppState *s, int first_rows) {
    memset(s, 0, sizeof *s);
    s->colors = colors_from_env();
    draw_set_clear(s);
    s->mode = MODE_CATEGORIES;
    // Before GIO is first asked: what it reads must be whole.
    std::string recovered = change_recover_at_start();
    catalog_init(s);
    view_rebuild(s);
    dev_read_env(s);
    s->source = s->dev_mode ? &SOURCE_DEV : &SOURCE_REGISTRY;
    s->key_help = keys_help();
    s->app_cache = app_cache_new();
    // Said once, at start: a demonstration, a change an earlier run left half made, and a
    // catalogue the user wrote that is not what is shown.
    bool demo = demo_from_env();
    if (demo)
        tb_set_title(TUI_DEMO_TITLE);
    std::string opening = demo ? TUI_DEMO_STATUS : "";
    const char *problem = s->catalog->load_problem;
    for (const std::string &said : {recovered, std::string(problem != nullptr ? problem : "")})
        if (!said.empty())
            opening += (opening.empty() ? "" : "; ") + said;
    if (problem != nullptr)
        state_set_notice(s, "%s", opening.c_str());
    else if (!opening.empty())
        state_set_status(s, "%s", opening.c_str());
    if (first_rows > 0)
        tui_reload_head(s, first_rows);
    else
        apps_reload(s);
}

namespace {

// What woke the wait: input or a size change, or a change in the application registry.
struct Wake {
    bool input = false;
    bool registry = false;
};

gboolean on_input(gint, GIOCondition, gpointer data) {
    static_cast<Wake *>(data)->input = true;
    return G_SOURCE_CONTINUE;
}

void on_registry_changed(GAppInfoMonitor *, gpointer data) {
    static_cast<Wake *>(data)->registry = true;
}

// How long the user is left alone after a frame before the fill starts.
constexpr guint FILL_PAUSE_MS = 50;

// The fill of the answer cache, run by GLib between events while nothing else is ready.
struct Idle {
    AppState *s;
    Fill fill;
    guint source; // 0 while no fill is under way
};

gboolean on_idle(gpointer data) {
    auto idle = static_cast<Idle *>(data);
    if (fill_step(&idle->fill, idle->s))
        return G_SOURCE_CONTINUE;
    idle->source = 0;
    return G_SOURCE_REMOVE;
}

gboolean on_pause_over(gpointer data) {
    auto idle = static_cast<Idle *>(data);
    idle->source = g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, on_idle, idle, nullptr);
    return G_SOURCE_REMOVE;
}

// Starts the fill around the selection once the user has paused: the terminal shows the frame
// without the fill competing for the processor, and keys in quick succession ask only for their
// own items. Its sources have a lower priority than input and the registry watch, so a key that
// arrives during a step is taken as soon as the step ends.
void idle_start(Idle *idle) {
    fill_restart(&idle->fill, idle->s);
    idle->source =
        g_timeout_add_full(G_PRIORITY_DEFAULT_IDLE, FILL_PAUSE_MS, on_pause_over, idle, nullptr);
}

// The fill runs only while the loop waits: an assignment waits for GIO in GLib's main context
// too, and must not find itself asking ahead for the whole list.
void idle_stop(Idle *idle) {
    if (idle->source != 0)
        g_source_remove(idle->source);
    idle->source = 0;
}

// The terminal's descriptors, watched only while the loop waits: a watch whose callback does
// not read the input stays ready until the key is taken, and would keep every wait inside an
// action (a change waiting for GIO) iterating without end.
struct Input {
    int ttyfd = -1;
    int resizefd = -1;
};

// Waits for the next event. Between events GLib's sources run, so that an application
// installed or a default changed by another program shows without a key. Returns 1 with an
// event, 0 when only the registry changed, -1 when the terminal is gone.
int wait_event(AppState *s, Wake *wake, const Input *input, tb_event *ev) {
    if (input == nullptr)
        return tb_poll_event(ev) == TB_OK ? 1 : -1;
    for (;;) {
        int r = tb_peek_event(ev, 0);
        if (r == TB_OK)
            return 1;
        if (r != TB_ERR_NO_EVENT)
            return -1;
        *wake = Wake{};
        auto cond = static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR);
        guint watches[] = {g_unix_fd_add(input->ttyfd, cond, on_input, wake),
                           g_unix_fd_add(input->resizefd, G_IO_IN, on_input, wake)};
        while (!wake->input && !wake->registry)
            g_main_context_iteration(nullptr, TRUE);
        for (guint w : watches)
            g_source_remove(w);
        if (wake->registry) {
            tui_refresh(s);
            return 0;
        }
    }
}

} // namespace

int tui_run(AppState *s) {
    Wake wake;
    Input input;
    tb_get_fds(&input.ttyfd, &input.resizefd);
    bool sources = input.ttyfd >= 0;
    GAppInfoMonitor *monitor = nullptr;
    gulong handler = 0;
    Idle idle{s, {}, 0};
    if (sources) {
        monitor = g_app_info_monitor_get();
        handler = g_signal_connect(monitor, "changed", G_CALLBACK(on_registry_changed), &wake);
    }
    int status = 1;
    for (bool running = true, first = true; running; first = false) {
        tui_scroll(s, screen_list_rows(tb_height()));
        draw_screen(s);
        // The first frame may have shown only the start of the application list; the rest is
        // asked for now, before any key can look at it.
        if (first)
            tui_complete(s);
        // Only after the frame: the first one must not wait for answers asked ahead.
        if (sources)
            idle_start(&idle);
        tb_event ev;
        int r = wait_event(s, &wake, sources ? &input : nullptr, &ev);
        if (sources)
            idle_stop(&idle);
        // The terminal reports an error only once it is gone (hang-up, end of input); drawing
        // and waiting again would spin, so the run ends there.
        if (r < 0)
            break;
        // Everything that has arrived is taken before the next frame: a burst of input (a
        // long paste) costs one frame, not one per byte.
        for (int more = r; more > 0 && running; more = tb_peek_event(&ev, 0) == TB_OK) {
            if (tui_event(s, &ev)) {
                status = 0;
                running = false;
            }
        }
    }
    if (sources) {
        g_signal_handler_disconnect(monitor, handler);
        g_object_unref(monitor);
    }
    return status;
}

void tui_teardown(AppState *s) {
    tui_forget_related(s);
    state_free_apps(s);
    g_clear_pointer(&s->app_cache, app_cache_free);
    view_release(s);
    g_clear_pointer(&s->why_lines, g_ptr_array_unref);
}

int tui_main() {
    int r = tb_init();
    if (r != TB_OK) {
        int err = errno;
        // Said on stderr, which is not the terminal the program could not open.
        if (r == TB_ERR_INIT_OPEN)
            fprintf(stderr, "quarve: cannot open the terminal: %s\n", g_strerror(err));
        else if (r == TB_ERR_NO_TERM)
            fprintf(stderr,
                    "quarve: the terminal type %s is unknown or cannot show a full-screen "
                    "program\n",
                    g_getenv("TERM") ? g_getenv("TERM") : "(unset)");
        else
            fprintf(stderr, "quarve: cannot start on this terminal\n");
        return 1;
    }
    AppState state;
    tui_startup(&state, screen_list_rows(tb_height()));
    int status = tui_run(&state);
    tui_teardown(&state);
    tb_shutdown();
    return status;
}
