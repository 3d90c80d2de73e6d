// Time to the first complete frame of the real program in a pseudo-terminal, beside a bare
// process that loads the same registry through GIO and prints its answer for the same category.
#include <benchmark/benchmark.h>
#include <chrono>
#include <string>

#include "bench.h"
#include "pty_screen.h"

namespace {

using Clock = std::chrono::steady_clock;

// The last list row of the screen; both programs end their first answer with a desktop file's
// path on it, and a terminal is written top to bottom, so once it is there the frame is whole.
constexpr int FRAME_LAST_ROW = BENCH_ROWS - 3;
constexpr int FRAME_TIMEOUT_MS = 20000;
// One start per sample and many samples: a start is long and its spread on a shared machine
// is wide, so the median of many single starts says more than a few averages.
constexpr int FRAME_SAMPLES = 21;

void BM_FirstFrame(benchmark::State &state, const char *binary) {
    for (auto _ : state) {
        auto start = Clock::now();
        PtyScreen pty(binary, BENCH_ROWS, BENCH_COLS);
        bool whole = pty.wait_for(
            [&] { return pty.row(FRAME_LAST_ROW).find(".desktop") != std::string::npos; },
            FRAME_TIMEOUT_MS);
        std::chrono::duration<double> took = Clock::now() - start;
        if (!whole) {
            state.SkipWithError(("no complete frame from " + std::string(binary)).c_str());
            break;
        }
        state.SetIterationTime(took.count());
    }
}

} // namespace

void bench_register_first_frame(const char *program, const char *bare) {
    benchmark::RegisterBenchmark("FirstFrame/quarve", BM_FirstFrame, program)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(FRAME_SAMPLES)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("FirstFrame/gio", BM_FirstFrame, bare)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(FRAME_SAMPLES)
        ->Unit(benchmark::kMillisecond);
}
