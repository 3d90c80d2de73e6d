// The terminal emulators the user prefers (xdg-terminals.list), changed as every setting is.
#pragma once

#include <gio/gio.h>

#include "util/outcome.h"

// Puts app first among the terminals the user prefers: in $XDG_CONFIG_HOME/xdg-terminals.list,
// and in each of the user's desktop-specific lists (NAME-xdg-terminals.list) that names a
// terminal, since those outrank it. Other lines stay as they are, and so does a list where app
// is first already. One transaction under the writers' lock, in the undo journal, the files
// kept whole so that an undo puts back their bytes. "NAME is now the preferred terminal: first
// in FILE" ("NAME already is the preferred terminal: …"), followed by "; GIO follows it: …" where
// GIO does, else with the warning that it does not (terminal_list_heeded), or "Failed to make
// NAME the preferred terminal: why". The outcome's types are the lists, each with the detail
// "written" or "kept".
Outcome terminals_prefer(GAppInfo *app);
