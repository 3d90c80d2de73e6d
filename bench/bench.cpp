// Small pieces of start-up and browsing: the extension index, a search keystroke over a large
// MIME type list, and one frame without an application pane.
#include <benchmark/benchmark.h>
#include <glib.h>

#include "bench.h"
#include "catalog/catalog.h"
#include "catalog/ext_index.h"
#include "grid.h"
#include "screen/draw.h"
#include "screen/keys.h"
#include "screen/view.h"
#include "state/state.h"
#include "tui/source.h"
#include "tui/tui.h"

namespace {

// The catalogue arrays over the system's extension index, with extra MIME types added.
void catalogue(AppState *s, int extra) {
    *s = AppState{};
    s->catalog = g_new0(Catalog, 1);
    Catalog *c = s->catalog;
    ext_index_build(c);
    c->categories = g_ptr_array_new_with_free_func(category_free);
    c->mime_types = g_ptr_array_new_with_free_func(g_free);
    s->view = g_ptr_array_new();
    s->source = &SOURCE_REGISTRY;
    s->key_help = keys_help();
    GHashTableIter it;
    gpointer key;
    g_hash_table_iter_init(&it, c->ext_index);
    for (int i = 0; i < extra && g_hash_table_iter_next(&it, &key, nullptr); i++)
        catalog_insert_type(c, static_cast<const char *>(key));
}

void BM_ExtIndexBuild(benchmark::State &state) {
    for (auto _ : state) {
        Catalog c{};
        ext_index_build(&c);
        benchmark::DoNotOptimize(c.ext_index);
        g_hash_table_unref(c.ext_index);
    }
}

// One search keystroke in the MIME type list: every type and label folded and searched.
void BM_SearchKeystroke(benchmark::State &state) {
    AppState s;
    catalogue(&s, static_cast<int>(state.range(0)));
    s.mode = MODE_EXTENSIONS;
    g_strlcpy(s.search, "ap", sizeof s.search);
    for (auto _ : state) {
        view_rebuild(&s);
        benchmark::DoNotOptimize(s.view->len);
    }
    state.counters["types"] = s.catalog->mime_types->len;
    view_release(&s);
}

void BM_DrawFrame(benchmark::State &state) {
    AppState s;
    catalogue(&s, 1000);
    s.mode = MODE_EXTENSIONS;
    view_rebuild(&s);
    s.selected = static_cast<int32_t>(s.view->len); // no application pane, no GIO
    grid_reset(200, 60);
    for (auto _ : state)
        draw_screen(&s);
    view_release(&s);
}
} // namespace

void bench_register_micro() {
    benchmark::RegisterBenchmark("ExtIndexBuild", BM_ExtIndexBuild)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SearchKeystroke", BM_SearchKeystroke)
        ->Arg(45)
        ->Arg(1000)
        ->Arg(5000)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("DrawFrame", BM_DrawFrame)->Unit(benchmark::kMicrosecond);
}
