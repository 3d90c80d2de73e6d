// The configuration file that keeps the catalogue between runs.
#pragma once

struct AppState;

// Path of the configuration file; a new string for the caller to g_free.
char *config_path();
// Writes the whole catalogue to the file; on failure a message in status.
void config_save(AppState *s);
// Replaces the catalogue with the file's when one exists and parses; reports nothing.
void config_load(AppState *s);
