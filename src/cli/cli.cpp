#include "cli/cli.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/catalog.h"
#include "catalog/ext_index.h"
#include "catalog/item.h"
#include "explain/why.h"
#include "registry/apps.h"
#include "settings/assign.h"
#include "settings/change.h"
#include "settings/pins.h"
#include "term/cells.h"
#include "util/json.h"
#include "util/paths.h"

#ifndef QUARVE_VERSION
#define QUARVE_VERSION "unknown"
#endif

namespace {

constexpr int CLI_OK = 0;
constexpr int CLI_FAILED = 1;
constexpr int CLI_USAGE = 2;

// The help's column of descriptions.
constexpr int CLI_HELP_COLUMN = 18;

// What a command works on: the user's catalogue, read as the screen reads it, and the options
// given.
struct Cli {
    Catalog *catalog;
    std::vector<std::string> options;
};

bool cli_option(const Cli *cli, std::string_view option) {
    return std::find(cli->options.begin(), cli->options.end(), option) != cli->options.end();
}

using CommandRun = int (*)(Cli *cli, const std::vector<const char *> &args);

struct Command {
    const char *name;
    const char *usage;   // as --help shows it, the name included
    int args;            // how many arguments it takes after its name
    const char *options; // the options it takes, blank separated, or NULL
    const char *summary; // one line, for completion scripts
    const char *help;    // --help's text beside the usage; "\n" starts an indented line
    CommandRun run;
};

// Text from files and desktop entries as the screen shows it: control characters and bytes
// that are not UTF-8 become U+FFFD, so that output stays plain text and tab-separated.
std::string plain(const char *text) {
    std::string out;
    TermCell cell;
    char utf8[8];
    while (cells_next(&text, &cell)) {
        out.append(utf8, static_cast<size_t>(g_unichar_to_utf8(cell.ch, utf8)));
        for (int i = 0; i < cell.nmarks; i++)
            out.append(utf8, static_cast<size_t>(g_unichar_to_utf8(cell.marks[i], utf8)));
    }
    return out;
}

int usage_error(const std::string &message) {
    fprintf(stderr, "quarve: %s\nTry 'quarve --help'.\n", plain(message.c_str()).c_str());
    return CLI_USAGE;
}

int failure(const std::string &message) {
    fprintf(stderr, "quarve: %s\n", plain(message.c_str()).c_str());
    return CLI_FAILED;
}

// An outcome of the core as the command's result: its message on standard output, or on
// standard error with exit status 1 when it failed.
int report(const Outcome &outcome) {
    if (!outcome.ok)
        return failure(outcome.message);
    printf("%s\n", plain(outcome.message.c_str()).c_str());
    if (!outcome.warning.empty())
        fprintf(stderr, "quarve: warning: %s\n", plain(outcome.warning.c_str()).c_str());
    return CLI_OK;
}

int unknown_item(const char *item) {
    if (item_looks_like_path(item))
        return failure(std::string("not an item: ") + item + "; quarve why FILE explains a file");
    return failure(std::string("unknown item ") + item +
                   ": not a category, a MIME type or a known file extension");
}

// The document --json asks for, on standard output.
int print_json(Json *j) {
    printf("%s\n", j->out.c_str());
    return CLI_OK;
}

int cmd_list(Cli *cli, const std::vector<const char *> &) {
    Catalog *c = cli->catalog;
    bool json = cli_option(cli, "--json");
    Json j;
    json_begin_array(&j);
    if (cli_option(cli, "--apps")) {
        g_autolist(GAppInfo) apps = apps_listed();
        for (GList *l = apps; l != nullptr; l = l->next) {
            auto app = G_APP_INFO(l->data);
            if (!json) {
                printf("%s\t%s\n", plain(apps_desktop_id(app)).c_str(),
                       plain(apps_display_name(app)).c_str());
                continue;
            }
            json_begin_object(&j);
            json_key(&j, "id");
            json_string(&j, apps_desktop_id(app));
            json_key(&j, "name");
            json_string(&j, apps_display_name(app));
            json_end_object(&j);
        }
    } else if (!cli_option(cli, "--types")) {
        for (guint i = 0; i < c->categories->len; i++) {
            const char *name = static_cast<Category *>(g_ptr_array_index(c->categories, i))->name;
            if (json)
                json_string(&j, name);
            else
                printf("%s\n", plain(name).c_str());
        }
    } else {
        for (guint i = 0; i < c->mime_types->len; i++) {
            auto type = static_cast<const char *>(g_ptr_array_index(c->mime_types, i));
            const char *label = ext_index_label(c, type);
            if (!json) {
                printf("%s\t%s\n", plain(type).c_str(), plain(label).c_str());
                continue;
            }
            json_begin_object(&j);
            json_key(&j, "type");
            json_string(&j, type);
            json_key(&j, "label");
            json_string(&j, label);
            json_end_object(&j);
        }
    }
    json_end_array(&j);
    return json ? print_json(&j) : CLI_OK;
}

int cmd_show(Cli *cli, const std::vector<const char *> &args) {
    std::optional<Item> item = item_lookup(cli->catalog, args[0]);
    if (!item)
        return unknown_item(args[0]);
    g_autolist(GAppInfo) apps = apps_candidates(*item);
    g_autolist(GAppInfo) defaults = apps_defaults(*item);
    bool json = cli_option(cli, "--json");
    Json j;
    json_begin_array(&j);
    for (GList *l = apps; l != nullptr; l = l->next) {
        auto app = G_APP_INFO(l->data);
        const char *path = apps_desktop_file(app);
        bool is_default = apps_list_has(defaults, app);
        if (!json) {
            printf("%c %s\t%s\t%s\n", is_default ? '*' : ' ', plain(apps_desktop_id(app)).c_str(),
                   plain(apps_display_name(app)).c_str(), path ? plain(path).c_str() : "");
            continue;
        }
        json_begin_object(&j);
        json_key(&j, "id");
        json_string(&j, apps_desktop_id(app));
        json_key(&j, "name");
        json_string(&j, apps_display_name(app));
        json_key(&j, "file");
        json_string_or_null(&j, path);
        json_key(&j, "default");
        json_bool(&j, is_default);
        json_end_object(&j);
    }
    json_end_array(&j);
    return json ? print_json(&j) : CLI_OK;
}

int cmd_get(Cli *cli, const std::vector<const char *> &args) {
    std::optional<Item> item = item_lookup(cli->catalog, args[0]);
    if (!item)
        return unknown_item(args[0]);
    bool json = cli_option(cli, "--json");
    Json j;
    json_begin_array(&j);
    for (const char *type : item->types) {
        g_autoptr(GAppInfo) app = apps_default_for_type(type);
        if (!json) {
            printf("%s\t%s\n", plain(type).c_str(), app ? plain(apps_desktop_id(app)).c_str() : "");
            continue;
        }
        json_begin_object(&j);
        json_key(&j, "type");
        json_string(&j, type);
        json_key(&j, "default");
        json_string_or_null(&j, app ? apps_desktop_id(app) : nullptr);
        json_end_object(&j);
    }
    json_end_array(&j);
    return json ? print_json(&j) : CLI_OK;
}

std::string fold_case(const char *text) {
    g_autofree char *valid = g_utf8_make_valid(text, -1);
    g_autofree char *folded = g_utf8_casefold(valid, -1);
    return folded;
}

// The application of apps APP names: its desktop ID (with or without ".desktop"), else its name
// in any letter case. NULL with the reason when there is more than one, or none (then why is
// none).
GAppInfo *find_app(GList *apps, const char *wanted, const char *none, std::string *why) {
    std::string id = wanted;
    if (!g_str_has_suffix(wanted, ".desktop"))
        id += ".desktop";
    for (GList *l = apps; l != nullptr; l = l->next)
        if (id == apps_desktop_id(G_APP_INFO(l->data)))
            return G_APP_INFO(l->data);
    std::string name = fold_case(wanted), matches;
    GAppInfo *found = nullptr;
    int count = 0;
    for (GList *l = apps; l != nullptr; l = l->next) {
        auto app = G_APP_INFO(l->data);
        if (fold_case(apps_display_name(app)) == name) {
            found = app;
            count++;
            matches += std::string(matches.empty() ? "" : ", ") + apps_desktop_id(app);
        }
    }
    if (count == 1)
        return found;
    *why = count == 0 ? none : "more than one application has that name: " + matches;
    return nullptr;
}

int cmd_set(Cli *cli, const std::vector<const char *> &args) {
    std::optional<Item> item = item_lookup(cli->catalog, args[0]);
    if (!item)
        return unknown_item(args[0]);
    g_autolist(GAppInfo) apps = apps_candidates(*item);
    std::string why;
    GAppInfo *app = find_app(apps, args[1], "not one of its applications (see quarve show)", &why);
    if (app == nullptr)
        return failure(std::string(args[1]) + " for " + args[0] + ": " + why);
    Outcome done = assign_app(*item, app, cli->catalog);
    int status = report(done);
    std::string also;
    for (const OutcomeType &t : done.types)
        if (t.detail == "subtype")
            also += (also.empty() ? "" : ", ") + t.type;
    if (done.ok && !also.empty())
        printf("Also set for: %s\n", plain(also.c_str()).c_str());
    return status;
}

int cmd_reset(Cli *cli, const std::vector<const char *> &args) {
    std::optional<Item> item = item_lookup(cli->catalog, args[0]);
    if (!item)
        return unknown_item(args[0]);
    int status = report(assign_reset(*item));
    return status == CLI_OK ? cmd_get(cli, args) : status;
}

// app --json: the application and each type it declares, as one JSON object.
void print_app_json(Catalog *c, GAppInfo *app, char **types) {
    Json j;
    json_begin_object(&j);
    json_key(&j, "id");
    json_string(&j, apps_desktop_id(app));
    json_key(&j, "name");
    json_string(&j, apps_display_name(app));
    json_key(&j, "file");
    json_string_or_null(&j, apps_desktop_file(app));
    json_key(&j, "types");
    json_begin_array(&j);
    for (char **t = types; *t != nullptr; t++) {
        json_begin_object(&j);
        json_key(&j, "type");
        json_string(&j, *t);
        json_key(&j, "label");
        json_string(&j, ext_index_label(c, *t));
        json_key(&j, "default");
        json_bool(&j, apps_is_default_for(app, *t));
        json_end_object(&j);
    }
    json_end_array(&j);
    json_end_object(&j);
    printf("%s\n", j.out.c_str());
}

int cmd_app(Cli *cli, const std::vector<const char *> &args) {
    g_autolist(GAppInfo) apps = apps_listed();
    std::string why;
    GAppInfo *app = find_app(
        apps, args[0], "no application that declares MIME types (see quarve list --apps)", &why);
    if (app == nullptr)
        return failure(std::string(args[0]) + ": " + why);
    if (cli_option(cli, "--set-all"))
        return report(assign_declared(app));
    g_auto(GStrv) types = apps_declared_types(app);
    if (cli_option(cli, "--json")) {
        print_app_json(cli->catalog, app, types);
        return CLI_OK;
    }
    for (char **t = types; *t != nullptr; t++)
        printf("%c %s\t%s\n", apps_is_default_for(app, *t) ? '*' : ' ', plain(*t).c_str(),
               plain(ext_index_label(cli->catalog, *t)).c_str());
    return CLI_OK;
}

int cmd_undo(Cli *, const std::vector<const char *> &) {
    return report(assign_undo());
}

// pin ITEM [APP]: APP is set first, as set sets it; without it the item's defaults stay.
int cmd_pin(Cli *cli, const std::vector<const char *> &args) {
    if (args.empty() || args.size() > 2)
        return usage_error(args.empty() ? "pin: missing argument" : "pin: too many arguments");
    std::optional<Item> item = item_lookup(cli->catalog, args[0]);
    if (!item)
        return unknown_item(args[0]);
    if (args.size() == 1)
        return report(pins_pin(*item));
    g_autolist(GAppInfo) apps = apps_candidates(*item);
    std::string why;
    GAppInfo *app = find_app(apps, args[1], "not one of its applications (see quarve show)", &why);
    if (app == nullptr)
        return failure(std::string(args[1]) + " for " + args[0] + ": " + why);
    // The default and its pins in one step: a pin that cannot be written changes nothing.
    int status = report(assign_app(*item, app, cli->catalog, true));
    if (status == CLI_OK)
        printf("Pinned %s to %s\n", plain(item->name).c_str(),
               plain(apps_display_name(app)).c_str());
    return status;
}

int cmd_unpin(Cli *cli, const std::vector<const char *> &args) {
    std::optional<Item> item = item_lookup(cli->catalog, args[0]);
    if (!item)
        return unknown_item(args[0]);
    return report(pins_unpin(*item));
}

void pins_json(const std::vector<PinState> &pins) {
    Json j;
    json_begin_array(&j);
    for (const PinState &pin : pins) {
        json_begin_object(&j);
        json_key(&j, "type");
        json_string(&j, pin.type);
        json_key(&j, "item");
        json_string(&j, pin.item);
        json_key(&j, "pinned");
        json_string(&j, pin.app_id);
        json_key(&j, "current");
        json_string_or_null(&j, pin.current_id.empty() ? nullptr : pin.current_id.c_str());
        json_key(&j, "state");
        json_string(&j, pin.held ? "held" : "changed");
        json_end_object(&j);
    }
    json_end_array(&j);
    printf("%s\n", j.out.c_str());
}

// Exit status 1 when a pin has been changed, so that a status bar or a script can ask.
int cmd_pins(Cli *cli, const std::vector<const char *> &) {
    bool restore = cli_option(cli, "--restore"), json = cli_option(cli, "--json");
    if (!restore && cli_option(cli, "--quiet"))
        return usage_error("pins: --quiet goes with --restore");
    if (restore) {
        Outcome done = pins_restore();
        if (done.ok && cli_option(cli, "--quiet"))
            done.message.clear();
        if (!done.ok || !done.message.empty())
            return report(done);
        if (!done.warning.empty())
            fprintf(stderr, "quarve: warning: %s\n", plain(done.warning.c_str()).c_str());
        return CLI_OK;
    }
    std::vector<PinState> pins;
    if (auto error = pins_status(&pins))
        return failure(*error);
    if (json)
        pins_json(pins);
    bool held = true;
    for (const PinState &pin : pins) {
        held = held && pin.held;
        if (!json)
            printf("%s\t%s\t%s\t%s\n", plain(pin.type.c_str()).c_str(),
                   plain(pin.app_id.c_str()).c_str(), plain(pin.current_id.c_str()).c_str(),
                   pin.held ? "held" : "changed");
    }
    return held ? CLI_OK : CLI_FAILED;
}

void json_why(Json *j, const WhyType &why) {
    json_begin_object(j);
    json_key(j, "type");
    json_string(j, why.type);
    json_key(j, "default");
    if (why.id) {
        json_begin_object(j);
        json_key(j, "id");
        json_string(j, *why.id);
        json_key(j, "name");
        json_string(j, why.name.value_or(""));
        json_key(j, "file");
        json_string_or_null(j, why.file ? why.file->c_str() : nullptr);
        json_end_object(j);
    } else {
        json_null(j);
    }
    json_key(j, "decided_by");
    if (why.decided_file) {
        json_begin_object(j);
        json_key(j, "file");
        json_string(j, *why.decided_file);
        json_key(j, "group");
        json_string(j, why.decided_group.value_or(""));
        json_end_object(j);
    } else {
        json_null(j);
    }
    json_key(j, "inherited_from");
    json_string_or_null(j, why.inherited_from ? why.inherited_from->c_str() : nullptr);
    json_key(j, "declared");
    json_bool(j, why.declared);
    json_key(j, "decision");
    json_string(j, why.decision);
    json_key(j, "lists");
    json_begin_array(j);
    for (const WhyList &e : why.lists) {
        json_begin_object(j);
        for (const auto &[key, value] : {std::pair{"file", &e.file},
                                         {"group", &e.group},
                                         {"value", &e.value},
                                         {"verdict", &e.verdict},
                                         {"reason", &e.reason}}) {
            json_key(j, key);
            json_string(j, *value);
        }
        json_end_object(j);
    }
    json_end_array(j);
    json_key(j, "command");
    json_string_or_null(j, why.command ? why.command->c_str() : nullptr);
    json_key(j, "terminal");
    json_bool(j, why.terminal);
    json_key(j, "passed");
    json_bool(j, why.passed);
    json_end_object(j);
}

int cmd_why(Cli *cli, const std::vector<const char *> &args) {
    const char *text = args[0];
    std::vector<WhyType> whys;
    std::optional<Item> item = item_lookup(cli->catalog, text);
    g_autofree char *scheme = g_uri_parse_scheme(text);
    bool file = g_file_test(text, G_FILE_TEST_EXISTS) || g_file_test(text, G_FILE_TEST_IS_SYMLINK);
    // A category by its name; then a link or a file that is there, as gio open takes them; then
    // a type or an extension. What only looks like a path is a file that is not there.
    if (item && (item->category || (scheme == nullptr && !file))) {
        for (const char *type : item->types)
            whys.push_back(why_type(type));
    } else if (scheme != nullptr || file || item_looks_like_path(text)) {
        std::string error;
        std::optional<WhyType> target = why_target(text, &error);
        if (!target)
            return failure(error);
        whys.push_back(*target);
    } else {
        return failure(std::string("unknown item ") + text +
                       ": not a category, a MIME type, a known file extension, a file or a URL");
    }
    if (cli_option(cli, "--json")) {
        Json j;
        json_begin_array(&j);
        for (const WhyType &w : whys)
            json_why(&j, w);
        json_end_array(&j);
        return print_json(&j);
    }
    for (const WhyType &w : whys)
        for (const std::string &line : why_text(w))
            printf("%s\n", plain(line.c_str()).c_str());
    return CLI_OK;
}

int cmd_help(Cli *, const std::vector<const char *> &args);

constexpr Command commands[] = {
    {"list", "list [--types | --apps]", 0, "--types --apps --json",
     "list the categories (--types: the MIME types)",
     "the category names, one a line; with --types every MIME type\nand its label, separated "
     "by a tab; with --apps every application\nthat declares MIME types: ID<tab>NAME (--json: "
     "as JSON)",
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
     "the MIME types APP declares, one a line: MARK TYPE<tab>LABEL,\nMARK \"*\" where APP is "
     "the default (--json: as JSON);\n--set-all: make APP the default for all of them at once",
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
     "default, every list that names the\ntype and the one that decides, whether the application"
     "\ndeclares the type, and for a FILE or URL the command GIO\nwould run",
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
           "without .desktop) or an application name among the candidates of ITEM (for\n"
           "app, among the applications quarve list --apps prints).\n"
           "\n"
           "Example, in a dotfiles script:\n"
           "  quarve set 'Web Browser' firefox-esr && quarve set pdf org.gnome.Evince\n"
           "\n"
           "--json after list, show, get or why prints one JSON document instead.\n"
           "\n"
           "Exit status: 0 done, 1 failed (pins: a pin has been changed), 2 wrong usage.\n"
           "\n"
           "On the screen: Up and Down move, Tab goes to the applications, Enter makes one the\n"
           "default, u undoes, r resets, p pins, R puts pins back, i explains, / searches,\n"
           "1, 2 and 3 switch lists, q quits.\n"
           "\n"
           "Files:\n";
    for (const UsedFile &f : paths_used())
        out += "  " + plain(f.path.c_str()) + "\n      " + f.what + "\n";
    return out + "\nPress ? inside for every key; see quarve(1).\n";
}

int cmd_help(Cli *, const std::vector<const char *> &args) {
    if (args.empty()) {
        fputs(full_help().c_str(), stdout);
        return CLI_OK;
    }
    if (args.size() > 1)
        return usage_error("help: too many arguments");
    const Command *c = find_command(args[0]);
    if (c == nullptr)
        return usage_error(std::string("help: unknown command ") + args[0]);
    printf("Usage: quarve %s\n%s", c->usage, command_help(*c).c_str());
    return CLI_OK;
}

// True when option is one of those command takes.
bool takes_option(const Command &command, std::string_view option) {
    return command.options != nullptr && has_word(command.options, option);
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
        return usage_error(std::string(option) + ": too many arguments");
    if (option == "--help" || option == "-h")
        return cmd_help(nullptr, {});
    if (option == "--version" || option == "-V") {
        printf("quarve %s\n", QUARVE_VERSION);
        return CLI_OK;
    }
    // For the completion scripts: the commands, each with its one-line summary.
    for (const Command &c : commands)
        printf("%s\t%s\n", c.name, c.summary);
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
        return usage_error(
            std::string(name.starts_with("-") ? "unknown option " : "unknown command ") +
            argv[first]);
    std::vector<const char *> args;
    Cli cli{nullptr, {}};
    bool options = true;
    for (int i = first + 1; i < argc; i++) {
        std::string_view a = argv[i];
        if (options && a == "--")
            options = false;
        else if (options && takes_option(*command, a))
            cli.options.push_back(std::string(a));
        else if (options && a.starts_with("-") && a.size() > 1)
            return usage_error(std::string("unknown option ") + argv[i]);
        else
            args.push_back(argv[i]);
    }
    if (command->args >= 0 && static_cast<int>(args.size()) < command->args)
        return usage_error(std::string(command->name) + ": missing argument");
    if (command->args >= 0 && static_cast<int>(args.size()) > command->args)
        return usage_error(std::string(command->name) + ": too many arguments");
    if (auto clash = clashing_options(command->usage, cli.options))
        return usage_error(*clash);
    // What a run left half done, and a catalogue that is not the user's, are said first.
    std::string recovered = change_recover_at_start();
    if (!recovered.empty())
        fprintf(stderr, "quarve: %s\n", plain(recovered.c_str()).c_str());
    cli.catalog = catalog_new();
    if (cli.catalog->load_problem != nullptr)
        fprintf(stderr, "quarve: %s\n", plain(cli.catalog->load_problem).c_str());
    int status = command->run(&cli, args);
    catalog_free(cli.catalog);
    return status;
}

} // namespace

int cli_main(int argc, char **argv) {
    int status = run(argc, argv);
    // Output a script never got (a full disk, a closed pipe) must not pass for success.
    if (fflush(stdout) != 0 || ferror(stdout))
        return failure(std::string("cannot write the output: ") + g_strerror(errno));
    return status;
}
