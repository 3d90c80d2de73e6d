// The two sources of the panes' rows: the catalogue and GIO, and developer mode's placeholders.
#pragma once

#include <cstdint>

#include "state/state.h"

// Upper bound on placeholder rows: enough to try any screen, small enough that every
// reload stays instant.
constexpr int32_t DEV_MAX_COUNT = 10000;

// The catalogue's rows and GIO's applications.
extern const PaneSource SOURCE_REGISTRY;
// Numbered placeholders; nothing is assigned, edited or taken back.
extern const PaneSource SOURCE_DEV;

// Reads QUARVE_DEV: sets dev_mode and dev_count, or leaves them 0 when it is unset.
void dev_read_env(AppState *s);
// The row count that a QUARVE_DEV value gives.
int32_t dev_parse_count(const char *value);
// "Dev Category N" for item row index, in a shared static buffer valid until the next call.
const char *dev_label(int32_t index);
