// What a test reads back after a change: GIO's answer in this process, the keys of a settings
// list, where a link points, the names of listed applications, and an outcome compared whole.
#pragma once

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "util/outcome.h"

// The desktop ID of the default of type as GIO in this process answers, "" for none. A fresh
// process's answer is gio_default's.
std::string default_for(const char *type);
// Every key of the three groups of a settings list, as "group/type=value" lines in sorted order:
// what GIO takes from the bytes, whatever their order and whatever else they hold.
std::vector<std::string> keys_of(const std::string &bytes);
// What the link at path holds as written, or "(not a link)".
std::string link_of(const std::string &path);
// The names of a list of GAppInfo, in its order.
std::vector<std::string> app_names(GList *apps);
// Whether outcome is ok (or failed) with exactly message and no warning: what a face shows is the
// message followed by the warning, so a status line that reads message alone says both.
::testing::AssertionResult outcome_is(const Outcome &outcome, bool ok, const std::string &message);
