// Start-up, the frame loop and teardown.
#include <cstring>

#include "appdb/apps.h"
#include "catalog/catalog.h"
#include "screen/draw.h"
#include "shell/shell.h"
#include "state/devmode.h"
#include "state/state.h"
#include "term/termbox.h"

void shell_startup(AppState *s) {
    tb_set_clear_attrs(TB_WHITE, TB_BLACK);
    memset(s, 0, sizeof *s);
    s->mode = MODE_CATEGORIES;
    catalog_init(s);
    view_rebuild(s);
    dev_read_env(s);
    apps_reload(s);
}

int shell_run(AppState *s) {
    for (;;) {
        shell_scroll(s, screen_list_rows(tb_height()));
        draw_screen(s);
        tb_event ev;
        // The terminal reports an error only once it is gone (hang-up, end of input); drawing
        // and waiting again would spin, so the run ends there.
        if (tb_poll_event(&ev) < 0)
            return 1;
        if (shell_event(s, &ev))
            return 0;
    }
}

void shell_teardown(AppState *s) {
    state_free_apps(s);
    catalog_free(s);
}

int shell_main() {
    if (tb_init() != 0)
        return 1;
    AppState state;
    shell_startup(&state);
    int status = shell_run(&state);
    shell_teardown(&state);
    tb_shutdown();
    return status;
}
