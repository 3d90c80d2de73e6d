// The benchmark groups, each registered only in the process that can run it: GIO reads its
// environment once, so every synthetic registry gets a process of its own.
#pragma once

#include <string>

// Terminal size of every measured frame.
constexpr int BENCH_ROWS = 40;
constexpr int BENCH_COLS = 200; // wide enough for a desktop file path in a temporary folder

// Extension index, a search keystroke and a frame without applications.
void bench_register_micro();
// catalog_init and the first view over the catalogue file of the environment.
void bench_register_startup();
// One Down/Up key with its item's answers kept, against the bare GIO calls for the same MIME
// types ("PerKey/quarve", "PerKey/gio"); a Down pressed as the fill takes a step, against GIO's
// calls for the item it lands on ("InFill/quarve", "InFill/gio").
void bench_register_keys();

// Resident memory of a started program after its first frame, and once every item of the
// category list has its answers kept.
struct BenchMemory {
    double first_frame_mb = 0;
    double filled_mb = 0;
};
BenchMemory bench_cache_memory();
// The program in a pseudo-terminal until its first complete frame, against a bare GIO process
// that answers the same category ("FirstFrame/quarve", "FirstFrame/gio").
void bench_register_first_frame(const char *program, const char *bare);
// app --set-all of an application that declares types MIME types, made a real change each
// time ("SetAll"), in a registry written into root.
void bench_register_changes(const std::string &root, int types);
