// Start-up over a large catalogue file: the catalogue (index, built-in table, configuration
// file, sorted MIME type list) and the first view of categories.
#include <benchmark/benchmark.h>
#include <cstring>

#include "bench.h"
#include "catalog/catalog.h"
#include "screen/view.h"
#include "state/state.h"

namespace {

void BM_Startup(benchmark::State &state) {
    for (auto _ : state) {
        AppState s;
        memset(&s, 0, sizeof s);
        s.mode = MODE_CATEGORIES;
        catalog_init(&s);
        view_rebuild(&s);
        state.PauseTiming();
        state.counters["categories"] = s.catalog->categories->len;
        state.counters["types"] = s.catalog->mime_types->len;
        view_release(&s);
        state.ResumeTiming();
    }
}

} // namespace

void bench_register_startup() {
    benchmark::RegisterBenchmark("Startup", BM_Startup)->Unit(benchmark::kMillisecond);
}
