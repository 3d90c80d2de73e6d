// The configuration file that keeps the catalogue between runs.
#pragma once

#include <string>

#include "util/outcome.h"

struct Catalog;

// Path of the configuration file; a new string for the caller to g_free.
char *config_path();
// Writes the whole catalogue to the file; a failure says why ("Failed to save config: …").
Outcome config_save(Catalog *c);
// Replaces the catalogue with the file's when one exists and parses. A file that exists and
// cannot be taken leaves the built-in catalogue and is named: "PATH cannot be read: line N:
// REASON; the built-in categories are shown" ("" when there is nothing to say).
std::string config_load(Catalog *c);
