// What the command line's files share: a command's context, its exit statuses and messages, and
// the commands of each family for the table. Only src/cli includes this.
#pragma once

#include <gio/gio.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/outcome.h"

struct Catalog;
struct Item;

constexpr int CLI_OK = 0;
constexpr int CLI_FAILED = 1;
constexpr int CLI_USAGE = 2;

// What a command works on: the user's catalogue, read as the screen reads it, and the options
// given.
struct Cli {
    Catalog *catalog;
    std::vector<std::string> options; // an option with its value as "--option=VALUE"
};

// The arguments after the command's name, its options taken out.
using CliArgs = std::vector<const char *>;

// True when option was given.
bool cli_option(const Cli *cli, std::string_view option);
// The value given to an option that takes one ("--format X" or "--format=X"), or nullopt.
std::optional<std::string> cli_value(const Cli *cli, std::string_view option);
// The message on standard error with the hint to --help; exit status 2.
int cli_usage_error(const std::string &message);
// The message on standard error; exit status 1.
int cli_failure(const std::string &message);
// What a success leaves the user to know, on standard error.
void cli_warning(const std::string &message);
// An outcome of the core as the command's result: its message on standard output, or on
// standard error with exit status 1 when it failed.
int cli_report(const Outcome &outcome);
// The failure for text that names no item, with the hint to why where it looks like a path.
int cli_unknown_item(const char *item);

// The application of apps wanted names: its desktop ID (with or without ".desktop"), else its
// name in any letter case. NULL with the reason when there is more than one, or none (then why
// is none).
GAppInfo *cli_find_app(GList *apps, const char *wanted, const char *none, std::string *why);

// The application of item's candidates that args[1] names for args[0] (a new reference); NULL
// once the failure is said, *status its exit status.
GAppInfo *cli_candidate(const Item &item, const CliArgs &args, int *status);

struct Field;
// What JSON says of an application after its ID, name and file: its untranslated name, its
// origin, how the menus take it ("shown", "hidden" or "deleted"), and where there are any the
// copies of its desktop ID that GIO passes over (hidden_copies: each file and its origin).
std::vector<Field> cli_app_json(GAppInfo *app);
struct WhyType;
// The list entry that decides a type's default, as JSON gives it: file and group, or null.
Field cli_decided_by(const WhyType &why);

// The commands of the table, each given its arguments and returning its exit status.

// Queries.
int cmd_list(Cli *cli, const CliArgs &args);
int cmd_show(Cli *cli, const CliArgs &args);
int cmd_get(Cli *cli, const CliArgs &args);
int cmd_why(Cli *cli, const CliArgs &args);
// Changes.
int cmd_set(Cli *cli, const CliArgs &args);
int cmd_reset(Cli *cli, const CliArgs &args);
int cmd_undo(Cli *cli, const CliArgs &args);
// Applications.
int cmd_app(Cli *cli, const CliArgs &args);
// Terminal.
int cmd_terminal(Cli *cli, const CliArgs &args);
// Pins.
int cmd_pin(Cli *cli, const CliArgs &args);
int cmd_unpin(Cli *cli, const CliArgs &args);
int cmd_pins(Cli *cli, const CliArgs &args);
// Profiles.
int cmd_export(Cli *cli, const CliArgs &args);
int cmd_apply(Cli *cli, const CliArgs &args);
int cmd_check(Cli *cli, const CliArgs &args);
// The doctor.
int cmd_doctor(Cli *cli, const CliArgs &args);
