// The command table and what reads the command line against it (dispatch, options, help), and
// the messages every command gives.
#include "cli/cli.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/catalog.h"
#include "catalog/item.h"
#include "cli/command.h"
#include "cli/record.h"
#include "screen/keys.h"
#include "settings/change.h"
#include "util/paths.h"
#include "util/text.h"

#ifndef QUARVE_VERSION
#define QUARVE_VERSION "unknown"
#endif

namespace {

// A line for the user on standard error, which keeps standard output for what a script reads.
void say(const std::string &message) {
    fprintf(stderr, "quarve: %s\n", record_plain(message.c_str()).c_str());
}

// The help's column of descriptions.
constexpr int CLI_HELP_COLUMN = 18;
// The width the help's prose is wrapped to.
constexpr size_t CLI_HELP_WIDTH = 80;

using CommandRun = int (*)(Cli *cli, const CliArgs &args);

struct Command {
    const char *name;
    const char *usage;   // as --help shows it, the name included
    int args;            // how many arguments it takes after its name
    const char *options; // the options it takes, blank separated ("--a=": one with a value)
    const char *summary; // one line, for completion scripts
    const char *help;    // --help's text beside the usage; "\n" starts an indented line
    CommandRun run;
};

int cmd_help(Cli *, const CliArgs &args);

constexpr Command commands[] = {
    {"list", "list [--types | --apps]", 0, "--types --apps --json",
     "list the categories (--types: the MIME types)",
     "the category names, one a line; with --types every MIME type\nand its label, separated "
     "by a tab; with --apps the applications of\nthe screen's list: ID<tab>NAME (--json: as "
     "JSON, each with its\norigin and the copies GIO passes over)",
     cmd_list},
    {"show", "show ITEM", 1, "--json", "show the applications that can open an item",
     "the applications that can open ITEM, one a line:\nMARK ID<tab>NAME<tab>FILE, MARK \"*\" "
     "for a current default",
     cmd_show},
    {"get", "get ITEM", 1, "--json", "show the current default of each MIME type of an item",
     "the current default of each MIME type of ITEM: TYPE<tab>ID", cmd_get},
    {"set", "set ITEM APP", 2, nullptr, "make an application the default for an item",
     "make APP the default for every MIME type of ITEM", cmd_set},
    {"app", "app APP [--json | --set-all]", 1, "--json --set-all",
     "show the MIME types an application declares, or make it their default",
     "the MIME types APP declares (hidden from the menus or not), one\na line: MARK "
     "TYPE<tab>LABEL, MARK \"*\" where APP is the default\n(--json: as JSON); --set-all: make "
     "APP the default for all of\nthem at once",
     cmd_app},
    {"undo", "undo", 0, nullptr, "undo the most recent assignment",
     "undo the most recent assignment (or reset)", cmd_undo},
    {"reset", "reset ITEM", 1, nullptr, "hand an item back to the system's defaults",
     "remove the user's own settings for every MIME type of ITEM,\nthen print each type's "
     "default as get does",
     cmd_reset},
    {"why", "why ITEM|FILE|URL", 1, "--json",
     "explain why a file, link or item opens where it does",
     "for each MIME type of ITEM, or the type GIO gives FILE or URL\nas gio open does: GIO's "
     "default and the copies of it GIO\npasses over, every list that names the type and the one "
     "that\ndecides, whether the application declares the type, for one\nthat runs in a terminal "
     "the terminal GIO starts it in, and for\na FILE or URL the command GIO would run",
     cmd_why},
    {"pin", "pin ITEM [APP]", -1, nullptr, "keep an item's defaults against other programs",
     "pin every MIME type of ITEM to APP, made the default first\n(as set does), or without APP "
     "to its current default",
     cmd_pin},
    {"unpin", "unpin ITEM", 1, nullptr, "take the pins off an item",
     "take the pins off every MIME type of ITEM", cmd_unpin},
    {"pins", "pins [--json | --restore [--quiet]]", 0, "--json --restore --quiet",
     "list the pins and whether they hold (--restore: put them back)",
     "the pins, one a line: TYPE<tab>PINNED-ID<tab>CURRENT-ID<tab>\nheld or changed; exit "
     "status 1 when one has changed. --json:\nthe same as JSON. --restore: make each changed "
     "pin the\ndefault again and say so (--quiet: only what went wrong)",
     cmd_pins},
    {"terminal", "terminal [APP] [--json]", -1, "--json",
     "show the terminal emulators and the one GIO uses, or prefer one",
     "the terminal emulators installed (MARK \"*\" for the one the\nuser prefers), the "
     "ones xdg-terminals.list prefers, and the\nterminal GIO starts programs that run in a "
     "terminal in;\nwith APP, put APP first in $XDG_CONFIG_HOME/xdg-terminals.list\n(undo "
     "takes it back); --json: as JSON",
     cmd_terminal},
    {"export", "export [FILE] [--format home-manager]", -1,
     "--format=", "write the user's default applications as a profile",
     "the user's own default applications as a profile (see\nquarve(1)): to FILE, or without it "
     "to standard output;\n--format home-manager: as "
     "home-manager's\nxdg.mimeApps.defaultApplications",
     cmd_export},
    {"apply", "apply FILE [--dry-run] [--pin]", 1, "--dry-run --pin",
     "make the default applications of a profile true",
     "make every line of the profile FILE true, all or nothing, as\none assignment that one undo "
     "takes back; --dry-run: print\nTYPE<tab>FROM<tab>TO for each type it would change "
     "instead;\n--pin: pin what it sets too",
     cmd_apply},
    {"check", "check FILE [--json]", 1, "--json", "tell whether GIO does what a profile declares",
     "each type of the profile FILE that GIO opens elsewhere:\nTYPE<tab>DECLARED<tab>GIO<tab>WHAT "
     "DECIDES; exit status\n0 when none does, 1 on drift, 2 when FILE cannot be read",
     cmd_check},
    {"doctor", "doctor [ITEM] [--json] [--fix]", -1, "--json --fix",
     "find every way a default silently fails, and mend what is safe",
     "every way a default silently fails, for every MIME type (or\nITEM's): severity, types, "
     "what is wrong, GIO's real answer and\nthe fix; exit status 1 when a warning or an error is "
     "found.\n--fix: first mend what is safe in your own files, as one\nchange that undo takes "
     "back",
     cmd_doctor},
    {"help", "help [COMMAND]", -1, nullptr, "show the help, or one command's usage",
     "this help, or the usage of COMMAND", cmd_help},
};

bool has_word(std::string_view words, std::string_view word) {
    while (!words.empty()) {
        size_t end = words.find(' ');
        if (words.substr(0, end) == word)
            return true;
        words = end == std::string_view::npos ? std::string_view() : words.substr(end + 1);
    }
    return false;
}

// True when option is one of those command takes.
bool takes_option(const Command &command, std::string_view option) {
    return command.options != nullptr && has_word(command.options, option);
}

// True when option is one that command takes with a value.
bool takes_value(const Command &command, std::string_view option) {
    return takes_option(command, std::string(option) + "=");
}

const Command *find_command(std::string_view name) {
    for (const Command &c : commands)
        if (name == c.name)
            return &c;
    return nullptr;
}

// One command's lines of the help: its usage, then its text in the column beside it.
std::string command_help(const Command &c) {
    std::string out = "  " + std::string(c.usage);
    // A usage too long for the column puts its text under it, where the text goes on.
    if (static_cast<int>(out.size()) >= CLI_HELP_COLUMN)
        out += "\n" + std::string(static_cast<size_t>(CLI_HELP_COLUMN + 2), ' ');
    else
        out.append(static_cast<size_t>(CLI_HELP_COLUMN - static_cast<int>(out.size())), ' ');
    for (const char *p = c.help; *p != '\0'; p++) {
        out += *p;
        if (*p == '\n')
            out.append(static_cast<size_t>(CLI_HELP_COLUMN + 2), ' ');
    }
    return out + "\n";
}

// The commands that take --json, in the table's order.
std::string json_help() {
    std::vector<std::string> names;
    for (const Command &c : commands)
        if (takes_option(c, "--json"))
            names.push_back(c.name);
    if (names.empty())
        return "";
    std::string last = names.back();
    names.pop_back();
    std::string line = "--json after " + (names.empty() ? last : text_join(names) + " or " + last) +
                       " prints one JSON document instead.";
    // Wrapped at the help's width, between words.
    for (size_t start = 0; line.size() - start > CLI_HELP_WIDTH;) {
        size_t space = line.rfind(' ', start + CLI_HELP_WIDTH);
        if (space == std::string::npos || space <= start)
            break;
        line[space] = '\n';
        start = space + 1;
    }
    return line + "\n";
}

// The screen's keys in brief, from the table that gives the screen's own help.
std::string cli_screen_keys() {
    // One sentence from the screen's own table, wrapped without breaking a part of it.
    std::string out, line = "On the screen:";
    std::vector<std::string> parts = keys_summary();
    for (size_t i = 0; i < parts.size(); i++) {
        std::string part = parts[i] + (i + 1 < parts.size() ? "," : ".");
        if (line.size() + 1 + part.size() > CLI_HELP_WIDTH) {
            out += line + "\n";
            line = part;
        } else {
            line += " " + part;
        }
    }
    return out + line + "\n";
}

std::string full_help() {
    std::string out = "Usage: quarve                 choose default applications full-screen\n"
                      "       quarve COMMAND [ARGUMENTS]\n"
                      "\n"
                      "Commands:\n";
    for (const Command &c : commands)
        out += command_help(c);
    out += "\n"
           "Options:\n"
           "  -h, --help        show this help\n"
           "  -V, --version     show the version\n"
           "\n"
           "ITEM is a category (\"Web Browser\", any letter case), a MIME type (image/png) or a\n"
           "file-name extension (png or .png). APP is a desktop ID (firefox-esr.desktop, or\n"
           "without .desktop) or an application's name, as shown or untranslated, else its\n"
           "generic name or a keyword, among the candidates of ITEM (for app, among every\n"
           "application that declares MIME types).\n"
           "\n"
           "Example, in a dotfiles script:\n"
           "  quarve set 'Web Browser' firefox-esr && quarve set pdf org.gnome.Evince\n"
           "\n"
           "Setting up a new machine from a profile kept in the dotfiles:\n"
           "  quarve export defaults.ini    # on the old machine\n"
           "  quarve apply defaults.ini     # on the new one\n"
           "\n" +
           json_help() +
           "\n"
           "Exit status: 0 done, 1 failed (pins: a pin has been changed; check: drift;\n"
           "doctor: a warning or an error is found), 2 wrong usage (check, apply: a profile\n"
           "that cannot be read).\n"
           "\n" +
           cli_screen_keys() +
           "\n"
           "Files:\n";
    for (const UsedFile &f : paths_used())
        out += "  " + record_plain(f.path.c_str()) + "\n      " + f.what + "\n";
    return out + "\nPress ? inside for every key; see quarve(1).\n";
}

int cmd_help(Cli *, const CliArgs &args) {
    if (args.empty()) {
        fputs(full_help().c_str(), stdout);
        return CLI_OK;
    }
    if (args.size() > 1)
        return cli_usage_error("help: too many arguments");
    const Command *c = find_command(args[0]);
    if (c == nullptr)
        return cli_usage_error(std::string("help: unknown command ") + args[0]);
    printf("Usage: quarve %s\n%s", c->usage, command_help(*c).c_str());
    return CLI_OK;
}

// The options given that the usage offers as alternatives ("[--a | --b]"), as a usage error's
// words; read from the usage itself, so that the help and the check cannot part.
std::optional<std::string> clashing_options(std::string_view usage,
                                            const std::vector<std::string> &given) {
    for (size_t open = usage.find('['); open != std::string_view::npos;
         open = usage.find('[', open + 1)) {
        std::vector<std::string_view> choices;
        size_t start = open + 1, end = start;
        for (int depth = 0; end < usage.size() && (depth > 0 || usage[end] != ']'); end++) {
            depth += usage[end] == '[' ? 1 : usage[end] == ']' ? -1 : 0;
            if (depth == 0 && usage[end] == '|') {
                choices.push_back(usage.substr(start, end - start));
                start = end + 1;
            }
        }
        if (choices.empty())
            continue;
        choices.push_back(usage.substr(start, end - start));
        std::vector<std::string> chosen;
        for (std::string_view choice : choices) {
            choice.remove_prefix(std::min(choice.find_first_not_of(' '), choice.size()));
            std::string option(choice.substr(0, choice.find(' ')));
            if (std::find(given.begin(), given.end(), option) != given.end())
                chosen.push_back(option);
        }
        if (chosen.size() > 1)
            return chosen[0] + " and " + chosen[1] + " do not go together";
    }
    return std::nullopt;
}

// Options that stand alone: no arguments after them.
int lone_option(std::string_view option, int argc) {
    if (argc > 2)
        return cli_usage_error(std::string(option) + ": too many arguments");
    if (option == "--help" || option == "-h")
        return cmd_help(nullptr, {});
    if (option == "--version" || option == "-V") {
        printf("quarve %s\n", QUARVE_VERSION);
        return CLI_OK;
    }
    // For the completion scripts: the commands, each with its one-line summary.
    std::vector<Record> out;
    for (const Command &c : commands)
        out.push_back({{record_text("name", c.name), record_text("summary", c.summary)}});
    record_print(out, false);
    return CLI_OK;
}

int run(int argc, char **argv) {
    int first = 1;
    if (std::string_view(argv[first]) == "--" && argc > 2)
        first++;
    std::string_view name = argv[first];
    for (std::string_view option : {"--help", "-h", "--version", "-V", "--list-commands"})
        if (first == 1 && name == option)
            return lone_option(name, argc);
    const Command *command = find_command(name);
    if (command == nullptr)
        return cli_usage_error(
            std::string(name.starts_with("-") ? "unknown option " : "unknown command ") +
            argv[first]);
    CliArgs args;
    Cli cli{nullptr, {}};
    bool options = true;
    for (int i = first + 1; i < argc; i++) {
        std::string_view a = argv[i];
        if (options && a == "--")
            options = false;
        else if (options && takes_option(*command, a))
            cli.options.push_back(std::string(a));
        else if (options && takes_value(*command, a.substr(0, a.find('='))) &&
                 a.find('=') != std::string_view::npos)
            cli.options.push_back(std::string(a));
        else if (options && takes_value(*command, a) && i + 1 < argc)
            cli.options.push_back(std::string(a) + "=" + argv[++i]);
        else if (options && takes_value(*command, a))
            return cli_usage_error(std::string(a) + " needs a value");
        else if (options && a.starts_with("-") && a.size() > 1)
            return cli_usage_error(std::string("unknown option ") + argv[i]);
        else
            args.push_back(argv[i]);
    }
    if (command->args >= 0 && static_cast<int>(args.size()) < command->args)
        return cli_usage_error(std::string(command->name) + ": missing argument");
    if (command->args >= 0 && static_cast<int>(args.size()) > command->args)
        return cli_usage_error(std::string(command->name) + ": too many arguments");
    if (auto clash = clashing_options(command->usage, cli.options))
        return cli_usage_error(*clash);
    // What a run left half done, and a catalogue that is not the user's, are said first.
    std::string recovered = change_recover_at_start();
    if (!recovered.empty())
        say(recovered);
    cli.catalog = catalog_new();
    if (cli.catalog->load_problem != nullptr)
        say(cli.catalog->load_problem);
    int status = command->run(&cli, args);
    catalog_free(cli.catalog);
    return status;
}

} // namespace

bool cli_option(const Cli *cli, std::string_view option) {
    return std::find(cli->options.begin(), cli->options.end(), option) != cli->options.end();
}

std::optional<std::string> cli_value(const Cli *cli, std::string_view option) {
    for (const std::string &given : cli->options)
        if (given.starts_with(option) && given.size() > option.size() &&
            given[option.size()] == '=')
            return given.substr(option.size() + 1);
    return std::nullopt;
}

int cli_usage_error(const std::string &message) {
    fprintf(stderr, "quarve: %s\nTry 'quarve --help'.\n", record_plain(message.c_str()).c_str());
    return CLI_USAGE;
}

int cli_failure(const std::string &message) {
    say(message);
    return CLI_FAILED;
}

void cli_warning(const std::string &message) {
    // After what it qualifies, also where both streams go to one pipe.
    fflush(stdout);
    fprintf(stderr, "quarve: warning: %s\n", record_plain(message.c_str()).c_str());
}

int cli_report(const Outcome &outcome) {
    if (!outcome.ok)
        return cli_failure(outcome.message);
    printf("%s\n", record_plain(outcome.message.c_str()).c_str());
    if (!outcome.warning.empty())
        cli_warning(outcome.warning);
    return CLI_OK;
}

int cli_unknown_item(const char *item) {
    if (item_looks_like_path(item))
        return cli_failure(std::string("not an item: ") + item +
                           "; quarve why FILE explains a file");
    return cli_failure(std::string("unknown item ") + item +
                       ": not a category, a MIME type or a known file extension");
}

int cli_main(int argc, char **argv) {
    int status = run(argc, argv);
    // Output a script never got (a full disk, a closed pipe) must not pass for success.
    if (fflush(stdout) != 0 || ferror(stdout))
        return cli_failure(std::string("cannot write the output: ") + g_strerror(errno));
    return status;
}
