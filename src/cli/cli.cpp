#include "cli/cli.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "appdb/apps.h"
#include "catalog/catalog.h"
#include "catalog/ext_index.h"
#include "catalog/type_text.h"
#include "state/state.h"
#include "term/cells.h"

#ifndef QUARVE_VERSION
#define QUARVE_VERSION "unknown"
#endif

namespace {

constexpr int CLI_OK = 0;
constexpr int CLI_FAILED = 1;
constexpr int CLI_USAGE = 2;

constexpr const char *CLI_HELP =
    "Usage: quarve                 choose default applications full-screen\n"
    "       quarve COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  list [--types]    the category names, one a line; with --types every MIME type\n"
    "                    and its label, separated by a tab\n"
    "  show ITEM         the applications that can open ITEM, one a line:\n"
    "                    MARK ID<tab>NAME<tab>FILE, MARK \"*\" for a current default\n"
    "  get ITEM          the current default of each MIME type of ITEM: TYPE<tab>ID\n"
    "  set ITEM APP      make APP the default for every MIME type of ITEM\n"
    "  undo              undo the most recent assignment\n"
    "\n"
    "Options:\n"
    "  -h, --help        show this help\n"
    "  -V, --version     show the version\n"
    "\n"
    "ITEM is a category (\"Web Browser\", any letter case), a MIME type (image/png) or a\n"
    "file-name extension (png or .png). APP is a desktop ID (firefox-esr.desktop, or\n"
    "without .desktop) or an application name among the candidates of ITEM.\n"
    "\n"
    "Example, in a dotfiles script:\n"
    "  quarve set 'Web Browser' firefox-esr && quarve set pdf org.gnome.Evince\n"
    "\n"
    "Exit status: 0 done, 1 failed, 2 wrong usage.\n";

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

int usage_error(const char *fmt, const char *arg) {
    fprintf(stderr, "quarve: ");
    fprintf(stderr, fmt, arg);
    fprintf(stderr, "\nTry 'quarve --help'.\n");
    return CLI_USAGE;
}

int failure(const std::string &message) {
    fprintf(stderr, "quarve: %s\n", plain(message.c_str()).c_str());
    return CLI_FAILED;
}

// A status line message as the command's outcome.
int report(const AppState *s) {
    if (strncmp(s->status, "Failed", 6) == 0)
        return failure(s->status);
    printf("%s\n", plain(s->status).c_str());
    return CLI_OK;
}

std::string fold_case(const char *text) {
    g_autofree char *valid = g_utf8_make_valid(text, -1);
    g_autofree char *folded = g_utf8_casefold(valid, -1);
    return folded;
}

// The catalogue as the screen builds it, developer mode or not.
struct Session {
    AppState s{};
    char *item_type = nullptr; // a MIME type ITEM names that the catalogue does not list
    Session() {
        s.mode = MODE_CATEGORIES;
        catalog_init(&s);
        view_rebuild(&s);
    }
    ~Session() {
        state_free_apps(&s);
        catalog_free(&s);
        g_free(item_type);
    }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;
};

// Points the view and selected at ITEM: a category of the catalogue (any letter case), else
// the MIME type the text names. False when it names neither.
bool select_item(Session *session, const char *item) {
    AppState *s = &session->s;
    std::string wanted = fold_case(item);
    for (guint i = 0; i < s->categories->len; i++) {
        auto c = static_cast<Category *>(g_ptr_array_index(s->categories, i));
        if (fold_case(c->name) == wanted) {
            s->selected = static_cast<int32_t>(i);
            return true;
        }
    }
    g_autofree char *type = type_text_resolve(item);
    if (type == nullptr)
        return false;
    s->mode = MODE_EXTENSIONS;
    view_rebuild(s);
    for (int32_t i = 0; i < view_count(s); i++) {
        if (strcmp(view_item_name(s, i), type) == 0) {
            s->selected = i;
            return true;
        }
    }
    // A type the catalogue does not list is an item all the same: a view of that one row.
    session->item_type = g_steal_pointer(&type);
    g_ptr_array_set_size(s->view, 0);
    g_ptr_array_add(s->view, session->item_type);
    s->selected = 0;
    return true;
}

int unknown_item(const char *item) {
    return failure(std::string("unknown item ") + item +
                   ": not a category, a MIME type or a known file extension");
}

int cmd_list(Session *session, bool types) {
    AppState *s = &session->s;
    if (!types) {
        for (guint i = 0; i < s->categories->len; i++)
            printf(
                "%s\n",
                plain(static_cast<Category *>(g_ptr_array_index(s->categories, i))->name).c_str());
        return CLI_OK;
    }
    for (guint i = 0; i < s->mime_types->len; i++) {
        auto type = static_cast<const char *>(g_ptr_array_index(s->mime_types, i));
        printf("%s\t%s\n", plain(type).c_str(), plain(ext_index_label(s, type)).c_str());
    }
    return CLI_OK;
}

int cmd_show(Session *session, const char *item) {
    AppState *s = &session->s;
    if (!select_item(session, item))
        return unknown_item(item);
    g_autolist(GAppInfo) apps = apps_for_item(s, s->selected);
    g_autolist(GAppInfo) defaults = apps_defaults_for_item(s, s->selected);
    for (GList *l = apps; l != nullptr; l = l->next) {
        auto app = G_APP_INFO(l->data);
        const char *path = apps_desktop_file(app);
        printf("%c %s\t%s\t%s\n", apps_list_has(defaults, app) ? '*' : ' ',
               plain(apps_desktop_id(app)).c_str(), plain(apps_display_name(app)).c_str(),
               path ? plain(path).c_str() : "");
    }
    return CLI_OK;
}

int cmd_get(Session *session, const char *item) {
    AppState *s = &session->s;
    if (!select_item(session, item))
        return unknown_item(item);
    for (const char *type : view_item_types(s, s->selected)) {
        g_autoptr(GAppInfo) app = apps_default_for_type(type);
        printf("%s\t%s\n", plain(type).c_str(), app ? plain(apps_desktop_id(app)).c_str() : "");
    }
    return CLI_OK;
}

// The candidate APP names: its desktop ID (with or without ".desktop"), else its name in any
// letter case. -1 with the reason when there is none or more than one.
int find_app(GList *apps, const char *wanted, std::string *why) {
    std::string id = wanted;
    if (!g_str_has_suffix(wanted, ".desktop"))
        id += ".desktop";
    int index = 0;
    for (GList *l = apps; l != nullptr; l = l->next, index++)
        if (id == apps_desktop_id(G_APP_INFO(l->data)))
            return index;
    std::string name = fold_case(wanted), matches;
    int found = -1, count = 0;
    index = 0;
    for (GList *l = apps; l != nullptr; l = l->next, index++) {
        auto app = G_APP_INFO(l->data);
        if (fold_case(apps_display_name(app)) == name) {
            found = index;
            count++;
            matches += std::string(matches.empty() ? "" : ", ") + apps_desktop_id(app);
        }
    }
    if (count == 1)
        return found;
    *why = count == 0 ? "not one of its applications (see quarve show)"
                      : "more than one application has that name: " + matches;
    return -1;
}

int cmd_set(Session *session, const char *item, const char *app) {
    AppState *s = &session->s;
    if (!select_item(session, item))
        return unknown_item(item);
    s->apps = apps_for_item(s, s->selected);
    std::string why;
    int index = find_app(s->apps, app, &why);
    if (index < 0)
        return failure(std::string(app) + " for " + item + ": " + why);
    s->app_selected = index;
    apps_set_default(s);
    return report(s);
}

int cmd_undo(Session *session) {
    apps_undo(&session->s);
    return report(&session->s);
}

// The number of arguments each command takes after its name.
struct Command {
    const char *name;
    int args;
};
constexpr Command commands[] = {{"list", 0}, {"show", 1}, {"get", 1}, {"set", 2}, {"undo", 0}};

} // namespace

int cli_main(int argc, char **argv) {
    std::string_view first = argv[1];
    if (first == "--help" || first == "-h") {
        fputs(CLI_HELP, stdout);
        return CLI_OK;
    }
    if (first == "--version" || first == "-V") {
        printf("quarve %s\n", QUARVE_VERSION);
        return CLI_OK;
    }
    const Command *command = nullptr;
    for (const Command &c : commands)
        if (first == c.name)
            command = &c;
    if (command == nullptr)
        return first.starts_with("-") ? usage_error("unknown option %s", argv[1])
                                      : usage_error("unknown command %s", argv[1]);
    std::vector<const char *> args;
    bool types = false;
    for (int i = 2; i < argc; i++) {
        std::string_view a = argv[i];
        if (first == "list" && a == "--types")
            types = true;
        else if (a.starts_with("-") && a.size() > 1)
            return usage_error("unknown option %s", argv[i]);
        else
            args.push_back(argv[i]);
    }
    if (static_cast<int>(args.size()) < command->args)
        return usage_error("%s: missing argument", command->name);
    if (static_cast<int>(args.size()) > command->args)
        return usage_error("%s: too many arguments", command->name);
    Session session;
    int status = CLI_OK;
    if (first == "list")
        status = cmd_list(&session, types);
    else if (first == "show")
        status = cmd_show(&session, args[0]);
    else if (first == "get")
        status = cmd_get(&session, args[0]);
    else if (first == "set")
        status = cmd_set(&session, args[0], args[1]);
    else
        status = cmd_undo(&session);
    // Output a script never got (a full disk, a closed pipe) must not pass for success.
    if (fflush(stdout) != 0 || ferror(stdout))
        return failure(std::string("cannot write the output: ") + g_strerror(errno));
    return status;
}
