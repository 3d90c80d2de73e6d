// `make bench`: every synthetic environment in a process of its own, then the ratios.
//
// Without arguments (or with Google Benchmark's flags only) this is the driver: it makes each
// environment with scripts/make-registry in a temporary folder, runs itself once per environment
// with --child, and prints a table of what the children measured against the targets. A child
// points HOME and the XDG folders at its environment before anything asks GLib about them, runs
// its group of benchmarks and appends one line per pair to the summary file.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <gio/gio.h>
#include <map>
#include <string>
#include <vector>

#include "bench.h"

namespace {

constexpr int BENCH_SIZES[] = {500, 2000, 8000};
constexpr int BENCH_CATEGORIES = 100000;
constexpr int BENCH_CATALOGUE_APPS = 500;
constexpr double BENCH_STARTUP_TARGET_MS = 1000.0;
// app --set-all of an application with this many types, well under a second each.
constexpr int BENCH_CHANGE_TYPES[] = {2000, 4000};
constexpr double BENCH_CHANGE_TARGET_MS = 500.0;

// What each pair is held to: quarve's median over GIO's, and which time counts.
struct BenchTarget {
    const char *name;
    double ratio;
    bool cpu; // a key is work on the CPU; a first frame is what the user waits for, wall time
};
constexpr BenchTarget BENCH_TARGETS[] = {
    // A key whose item has its answers kept: a tenth of GIO's pass for its types at most.
    {"PerKey", 0.1, true},
    // A key pressed as the fill takes a step: one item's pass, with the frame and the tenth of
    // measuring noise the first frame is allowed too.
    {"InFill", 1.1, true},
    {"FirstFrame", 1.1, false},
};
// Lines each environment of keys adds to the summary: its pairs and its memory.
constexpr int BENCH_KEY_LINES = static_cast<int>(std::size(BENCH_TARGETS)) + 1;

// What every child runs with unless the caller's own flags say otherwise: repetitions taken in
// random order, so that a burst of load on a shared machine falls on both sides of a pair.
const char *const BENCH_CHILD_FLAGS[] = {
    "--benchmark_repetitions=15",
    "--benchmark_enable_random_interleaving=true",
    "--benchmark_report_aggregates_only=true",
    "--benchmark_min_time=0.3",
};

struct ChildArgs {
    std::string group; // "keys" or "startup"
    std::string root;  // the environment
    std::string summary;
    std::string label; // how the summary names this environment
};

// The console report, and the median of each benchmark kept by name.
struct MedianReporter : benchmark::ConsoleReporter {
    std::map<std::string, benchmark::BenchmarkReporter::Run> medians;

    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs)
            if (run.aggregate_name == "median" && !run.error_occurred)
                medians[run.run_name.function_name] = run;
        ConsoleReporter::ReportRuns(runs);
    }
};

double millis(const benchmark::BenchmarkReporter::Run &run, bool cpu) {
    double t = cpu ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
    return t * 1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit);
}

void point_environment_at(const std::string &root) {
    g_setenv("HOME", (root + "/home").c_str(), TRUE);
    g_setenv("XDG_DATA_HOME", (root + "/data").c_str(), TRUE);
    g_setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), TRUE);
    g_setenv("XDG_CACHE_HOME", (root + "/cache").c_str(), TRUE);
    g_setenv("XDG_STATE_HOME", (root + "/state").c_str(), TRUE);
    g_setenv("XDG_RUNTIME_DIR", (root + "/state").c_str(), TRUE);
    g_setenv("XDG_CONFIG_DIRS", (root + "/system-config").c_str(), TRUE);
    g_setenv("XDG_DATA_DIRS", (root + "/system-data").c_str(), TRUE);
    g_setenv("GIO_USE_VFS", "local", TRUE);
    g_setenv("GSETTINGS_BACKEND", "memory", TRUE);
    g_unsetenv("XDG_CURRENT_DESKTOP");
    g_unsetenv("QUARVE_DEV");
}

// Appends "label name side-a-ms side-b-ms" for the pair name/quarve and name/gio.
void summarise_pair(FILE *out, const MedianReporter &r, const ChildArgs &a, const char *name,
                    bool cpu) {
    auto q = r.medians.find(std::string(name) + "/quarve");
    auto g = r.medians.find(std::string(name) + "/gio");
    if (q == r.medians.end() || g == r.medians.end())
        return;
    fprintf(out, "%s %s %.3f %.3f\n", name, a.label.c_str(), millis(q->second, cpu),
            millis(g->second, cpu));
}

int run_child(const ChildArgs &a, int argc, char **argv) {
    point_environment_at(a.root);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    BenchMemory memory;
    if (a.group == "keys") {
        // First, while nothing else has run in the process.
        memory = bench_cache_memory();
        // GIO reads the registry's folders on its first question; neither side should pay that.
        g_list_free_full(g_app_info_get_all_for_type("text/html"), g_object_unref);
        bench_register_keys();
        bench_register_first_frame(QUARVE_PROGRAM, QUARVE_BARE_GIO);
    } else if (a.group == "changes") {
        bench_register_changes(a.root, std::stoi(a.label));
    } else {
        bench_register_startup();
        bench_register_micro();
    }
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    FILE *out = fopen(a.summary.c_str(), "a");
    if (out == nullptr)
        return 1;
    for (const BenchTarget &target : BENCH_TARGETS)
        summarise_pair(out, reporter, a, target.name, target.cpu);
    if (a.group == "keys")
        fprintf(out, "Memory %s %.3f %.3f\n", a.label.c_str(), memory.filled_mb,
                memory.first_frame_mb);
    for (const char *alone : {"Startup", "SetAll"}) {
        auto found = reporter.medians.find(alone);
        if (found != reporter.medians.end())
            fprintf(out, "%s %s %.3f 0\n", alone, a.label.c_str(), millis(found->second, false));
    }
    fclose(out);
    return 0;
}

bool run(const std::vector<std::string> &args) {
    std::vector<char *> argv;
    for (const auto &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    int status = 0;
    g_autoptr(GError) error = nullptr;
    if (!g_spawn_sync(nullptr, argv.data(), nullptr,
                      static_cast<GSpawnFlags>(G_SPAWN_CHILD_INHERITS_STDIN | G_SPAWN_SEARCH_PATH),
                      nullptr, nullptr, nullptr, nullptr, &status, &error)) {
        fprintf(stderr, "quarve_bench: %s\n", error->message);
        return false;
    }
    return g_spawn_check_wait_status(status, nullptr);
}

const char *verdict(bool met) {
    return met ? "met" : "MISSED";
}

// Prints the table from the summary file; false when a target is missed or a line is missing.
bool print_table(const std::string &summary) {
    g_autofree char *text = nullptr;
    if (!g_file_get_contents(summary.c_str(), &text, nullptr, nullptr))
        return false;
    printf("\n%-11s %-14s %12s %12s %7s %7s\n", "measure", "environment", "quarve ms", "GIO ms",
           "ratio", "target");
    bool all = true;
    int lines = 0;
    g_auto(GStrv) rows = g_strsplit(text, "\n", -1);
    for (char **row = rows; *row != nullptr; row++) {
        char name[32], label[64];
        double ours = 0, gio = 0;
        if (sscanf(*row, "%31s %63s %lf %lf", name, label, &ours, &gio) != 4)
            continue;
        lines++;
        if (strcmp(name, "Memory") == 0) {
            printf("%-11s %-14s %9.1f MB resident with every category's answers kept; %.1f MB "
                   "at the first frame\n",
                   name, label, ours, gio);
            continue;
        }
        if (strcmp(name, "Startup") == 0 || strcmp(name, "SetAll") == 0) {
            bool startup = strcmp(name, "Startup") == 0;
            bool met = ours < (startup ? BENCH_STARTUP_TARGET_MS : BENCH_CHANGE_TARGET_MS);
            all = all && met;
            printf("%-11s %-14s %12.1f %12s %7s %7s  %s\n", name, label, ours, "-", "-",
                   startup ? "<1 s" : "<0.5 s", verdict(met));
            continue;
        }
        double target = 0;
        for (const BenchTarget &t : BENCH_TARGETS)
            if (strcmp(name, t.name) == 0)
                target = t.ratio;
        double ratio = ours / gio;
        bool met = ratio <= target;
        all = all && met;
        printf("%-11s %-14s %12.2f %12.2f %7.2f %7.2f  %s\n", name, label, ours, gio, ratio, target,
               verdict(met));
    }
    // Every size with its lines, and the start-up.
    if (lines != BENCH_KEY_LINES * static_cast<int>(std::size(BENCH_SIZES)) + 1 +
                     static_cast<int>(std::size(BENCH_CHANGE_TYPES))) {
        printf("Some measurements are missing; see the errors above.\n");
        return false;
    }
    return all;
}

int run_driver(int argc, char **argv) {
    g_autofree char *tmp = g_dir_make_tmp("quarve-bench-XXXXXX", nullptr);
    if (tmp == nullptr)
        return 1;
    std::string root = tmp;
    std::string summary = root + "/summary";
    std::string script = QUARVE_SOURCE_DIR "/scripts/make-registry";
    g_autofree char *self = g_file_read_link("/proc/self/exe", nullptr);
    std::vector<std::string> passed(BENCH_CHILD_FLAGS, std::end(BENCH_CHILD_FLAGS));
    passed.insert(passed.end(), argv + 1, argv + argc);

    bool ok = true;
    auto child = [&](const char *group, const std::string &env, const std::string &label) {
        std::vector<std::string> args = {self, "--child", group, env, summary, label};
        args.insert(args.end(), passed.begin(), passed.end());
        printf("\n== %s: %s\n", group, label.c_str());
        fflush(stdout);
        ok = run(args) && ok;
    };
    for (int size : BENCH_SIZES) {
        std::string env = root + "/apps-" + std::to_string(size);
        ok = run({script, std::to_string(size), env}) && ok;
        child("keys", env, std::to_string(size) + "-apps");
    }
    std::string catalogue = root + "/catalogue";
    ok = run({script, "--categories", std::to_string(BENCH_CATEGORIES),
              std::to_string(BENCH_CATALOGUE_APPS), catalogue}) &&
         ok;
    child("startup", catalogue, std::to_string(BENCH_CATEGORIES) + "-cats");
    for (int types : BENCH_CHANGE_TYPES) {
        std::string env = root + "/types-" + std::to_string(types);
        ok = run({script, "0", env}) && ok;
        child("changes", env, std::to_string(types) + "-types");
    }

    bool met = print_table(summary);
    run({"rm", "-rf", root});
    if (!ok)
        fprintf(stderr, "quarve_bench: a step failed; see above\n");
    // A missed target is reported in the table, not by the exit status: on a shared machine a
    // burst of load can miss one, and the run itself still worked.
    if (!met)
        printf("\nSome targets were missed; figures on a loaded machine vary, run again to "
               "confirm.\n");
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv) {
    // --child GROUP ENVIRONMENT SUMMARY LABEL [benchmark flags]
    if (argc >= 6 && strcmp(argv[1], "--child") == 0) {
        ChildArgs a{argv[2], argv[3], argv[4], argv[5]};
        argv[5] = argv[0];
        return run_child(a, argc - 5, argv + 5);
    }
    return run_driver(argc, argv);
}
