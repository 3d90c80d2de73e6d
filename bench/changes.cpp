// A change of many MIME types at once: app --set-all of an application that declares N types,
// from reading the settings to the last file written, the journal and the pins included.
#include <benchmark/benchmark.h>
#include <gio/gdesktopappinfo.h>
#include <string>

#include "bench.h"
#include "registry/apps.h"
#include "settings/assign.h"

namespace {

// Two applications that declare the same N types, registered as GIO reads them.
void write_registry(const std::string &root, int types) {
    std::string declared, cache = "[MIME Cache]\n";
    for (int i = 0; i < types; i++) {
        std::string type = "x-bench/type-" + std::to_string(i);
        declared += type + ";";
        cache += type + "=first.desktop;second.desktop;\n";
    }
    std::string apps = root + "/data/applications";
    g_mkdir_with_parents(apps.c_str(), 0755);
    for (const char *id : {"first", "second"}) {
        std::string entry = std::string("[Desktop Entry]\nType=Application\nName=") + id +
                            "\nExec=/bin/true %f\nMimeType=" + declared + "\n";
        g_file_set_contents((apps + "/" + id + ".desktop").c_str(), entry.c_str(), -1, nullptr);
    }
    g_file_set_contents((apps + "/mimeinfo.cache").c_str(), cache.c_str(), -1, nullptr);
}

void BM_SetAll(benchmark::State &state) {
    g_autoptr(GDesktopAppInfo) first = g_desktop_app_info_new("first.desktop");
    g_autoptr(GDesktopAppInfo) second = g_desktop_app_info_new("second.desktop");
    bool which = false;
    for (auto _ : state) {
        // Each one a real change: the two take turns.
        Outcome done = assign_declared(G_APP_INFO(which ? first : second));
        which = !which;
        if (!done.ok)
            state.SkipWithError(done.message.c_str());
    }
}

} // namespace

void bench_register_changes(const std::string &root, int types) {
    write_registry(root, types);
    benchmark::RegisterBenchmark("SetAll", BM_SetAll)->Unit(benchmark::kMillisecond);
}
