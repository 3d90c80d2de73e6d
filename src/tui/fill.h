// Asking ahead while the user is idle: the questions the items of the list would ask, nearest
// to the selection first, so that a key finds its answers kept.
#pragma once

#include <cstdint>

struct AppState;

// Where the fill stands: the selection it started from, and how far it has gone around it
// (0 the selection itself, then one row below, one above, two below, …).
struct Fill {
    int32_t anchor;
    int32_t reach;
};

// Starts again around the selection: after a key, a change of the list or a dropped cache.
void fill_restart(Fill *fill, const AppState *s);
// One step: one question to GIO at most, and a bounded look for the item that needs it. False
// when every item of the list has its answers.
bool fill_step(Fill *fill, AppState *s);
