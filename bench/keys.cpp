// The cost of one Down or Up key in the category list, beside the GIO calls it cannot avoid.
//
// The key moves between "Web Browser" and "File Manager" and is followed by a frame, as in the
// program's loop: the application list of the new category is loaded, the scroll positions are
// brought into line and the whole screen is drawn (into the grid double). The bare side asks
// GIO, for every MIME type of the same category, for all its applications and for its default,
// and does nothing else; what the program spends above that is its own work.
#include <benchmark/benchmark.h>
#include <cstring>

#include "bench.h"
#include "catalog/builtin.h"
#include "grid.h"
#include "screen/draw.h"
#include "shell/shell.h"
#include "state/state.h"
#include "term/termbox.h"

namespace {

// The two neighbouring categories at the top of the built-in table.
constexpr int KEYS_FIRST = 0;
constexpr int KEYS_SECOND = 1;

void BM_KeyQuarve(benchmark::State &state) {
    AppState s;
    grid_reset(BENCH_COLS, BENCH_ROWS);
    shell_startup(&s);
    bool down = true;
    for (auto _ : state) {
        tb_event ev;
        memset(&ev, 0, sizeof ev);
        ev.type = TB_EVENT_KEY;
        ev.key = down ? TB_KEY_ARROW_DOWN : TB_KEY_ARROW_UP;
        shell_event(&s, &ev);
        shell_scroll(&s, screen_list_rows(tb_height()));
        draw_screen(&s);
        down = !down;
    }
    shell_teardown(&s);
}

void BM_KeyGio(benchmark::State &state) {
    bool down = true;
    for (auto _ : state) {
        const BuiltinCategory &c = builtin_categories[down ? KEYS_SECOND : KEYS_FIRST];
        for (int i = 0; i < BUILTIN_TYPE_SLOTS && c.mime_types[i] != nullptr; i++) {
            g_autolist(GAppInfo) all = g_app_info_get_all_for_type(c.mime_types[i]);
            g_autoptr(GAppInfo) d = g_app_info_get_default_for_type(c.mime_types[i], FALSE);
            benchmark::DoNotOptimize(all);
            benchmark::DoNotOptimize(d);
        }
        down = !down;
    }
}

} // namespace

void bench_register_keys() {
    benchmark::RegisterBenchmark("PerKey/quarve", BM_KeyQuarve)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PerKey/gio", BM_KeyGio)->Unit(benchmark::kMillisecond);
}
