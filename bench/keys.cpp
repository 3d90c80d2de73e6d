// The cost of one Down or Up key in the category list, beside the GIO calls it would make
// without the answer cache; and what the cache costs in memory.
//
// The key moves between "Web Browser" and "File Manager" and is followed by a frame, as in the
// program's loop: the application list of the new category is made, the scroll positions are
// brought into line and the whole screen is drawn (into the grid double). The bare side asks
// GIO, for every MIME type of the same category, for all its applications and for its default,
// and does nothing else.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "bench.h"
#include "catalog/builtin.h"
#include "grid.h"
#include "registry/app_cache.h"
#include "screen/draw.h"
#include "state/state.h"
#include "term/termbox.h"
#include "tui/fill.h"
#include "tui/pane.h"
#include "tui/tui.h"

namespace {

// The two neighbouring categories at the top of the built-in table.
constexpr int KEYS_FIRST = 0;
constexpr int KEYS_SECOND = 1;

void press(AppState *s, uint16_t key) {
    tb_event ev;
    memset(&ev, 0, sizeof ev);
    ev.type = TB_EVENT_KEY;
    ev.key = key;
    tui_event(s, &ev);
    tui_scroll(s, screen_list_rows(tb_height()));
    draw_screen(s);
}

// Every item of the list asked ahead, as the program does while the user is idle.
void fill_all(AppState *s) {
    Fill fill;
    fill_restart(&fill, s);
    while (fill_step(&fill, s)) {
    }
}

// GIO's answers for every type of the category, as the program asked them before the cache.
void gio_pass(const BuiltinCategory &c) {
    for (int i = 0; i < BUILTIN_TYPE_SLOTS && c.mime_types[i] != nullptr; i++) {
        g_autolist(GAppInfo) all = g_app_info_get_all_for_type(c.mime_types[i]);
        g_autoptr(GAppInfo) d = g_app_info_get_default_for_type(c.mime_types[i], FALSE);
        benchmark::DoNotOptimize(all);
        benchmark::DoNotOptimize(d);
    }
}

// A program started on the grid with every item of the list asked ahead, made once per process:
// at 8,000 applications the fill is seconds of idle work, which no repetition should redo.
AppState *filled_program() {
    static AppState s;
    static bool made = false;
    if (!made) {
        grid_reset(BENCH_COLS, BENCH_ROWS);
        tui_startup(&s);
        fill_all(&s);
        made = true;
    }
    return &s;
}

// A key whose item has its answers kept: the usual case once the fill has run.
void BM_KeyQuarve(benchmark::State &state) {
    AppState *s = filled_program();
    bool down = s->selected == KEYS_FIRST;
    for (auto _ : state) {
        press(s, down ? TB_KEY_ARROW_DOWN : TB_KEY_ARROW_UP);
        down = !down;
    }
}

void BM_KeyGio(benchmark::State &state) {
    bool down = true;
    for (auto _ : state) {
        gio_pass(builtin_categories[down ? KEYS_SECOND : KEYS_FIRST]);
        down = !down;
    }
}

// Down pressed just as the fill takes its first step after the first frame: the key waits for
// the whole step, then makes its frame with what is still missing.
void BM_InFillQuarve(benchmark::State &state) {
    AppState s;
    grid_reset(BENCH_COLS, BENCH_ROWS);
    tui_startup(&s);
    for (auto _ : state) {
        state.PauseTiming();
        // The first frame: only the shown item has been asked.
        app_cache_drop(s.app_cache);
        apps_reload(&s);
        draw_screen(&s);
        Fill fill;
        fill_restart(&fill, &s);
        state.ResumeTiming();
        fill_step(&fill, &s);
        press(&s, TB_KEY_ARROW_DOWN);
        state.PauseTiming();
        press(&s, TB_KEY_ARROW_UP);
        state.ResumeTiming();
    }
    tui_teardown(&s);
}

// The same key without the cache: all of the item it lands on asked of GIO.
void BM_InFillGio(benchmark::State &state) {
    for (auto _ : state)
        gio_pass(builtin_categories[KEYS_SECOND]);
}

// Resident memory of this process in MB, from the kernel's count of its pages.
double resident_mb() {
    long pages = 0, resident = 0;
    FILE *f = fopen("/proc/self/statm", "r");
    if (f == nullptr)
        return 0;
    if (fscanf(f, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    fclose(f);
    return static_cast<double>(resident) * static_cast<double>(getpagesize()) / (1024.0 * 1024.0);
}

} // namespace

void bench_register_keys() {
    benchmark::RegisterBenchmark("PerKey/quarve", BM_KeyQuarve)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PerKey/gio", BM_KeyGio)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("InFill/quarve", BM_InFillQuarve)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("InFill/gio", BM_InFillGio)->Unit(benchmark::kMillisecond);
}

BenchMemory bench_cache_memory() {
    BenchMemory m;
    AppState s;
    grid_reset(BENCH_COLS, BENCH_ROWS);
    tui_startup(&s);
    draw_screen(&s);
    m.first_frame_mb = resident_mb();
    fill_all(&s);
    m.filled_mb = resident_mb();
    tui_teardown(&s);
    return m;
}
