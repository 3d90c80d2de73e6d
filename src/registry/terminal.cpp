// The terminal GIO starts a program that asks for one in, found as each GLib version finds it;
// the installed terminal emulators and the user's preferred ones.
#include "registry/terminal.h"

#include <algorithm>
#include <cstring>
#include <gio/gdesktopappinfo.h>
#include <span>

#include "registry/apps.h"
#include "util/files.h"
#include "util/paths.h"
#include "util/text.h"

namespace {

struct TerminalKnown {
    const char *program;
    const char *option; // nullptr: the command follows the program as it is
};

// GLib before 2.76 (gio/gdesktopappinfo.c, prepend_terminal_to_vector): gnome-terminal with
// "--", then mate-terminal and xfce4-terminal with "-x", then the rest with "-e". Debian and
// Ubuntu add GNOME Console (kgx) after xfce4-terminal; a real launch on Debian 12's 2.74 takes
// kgx before tilix, and never x-terminal-emulator.
constexpr TerminalKnown TERMINAL_KNOWN_2_74[] = {
    {"gnome-terminal", "--"}, {"mate-terminal", "-x"},
    {"xfce4-terminal", "-x"}, {"kgx", "-e"},
    {"tilix", "-e"},          {"konsole", "-e"},
    {"nxterm", "-e"},         {"color-xterm", "-e"},
    {"rxvt", "-e"},           {"dtterm", "-e"},
    {"xterm", "-e"},
};

// From GLib 2.76 upstream: xdg-terminal-exec, which follows the user's xdg-terminals.list, and
// kgx come first.
constexpr TerminalKnown TERMINAL_KNOWN_2_76[] = {
    {"xdg-terminal-exec", nullptr},
    {"kgx", "-e"},
    {"gnome-terminal", "--"},
    {"mate-terminal", "-x"},
    {"xfce4-terminal", "-x"},
    {"tilix", "-e"},
    {"konsole", "-e"},
    {"nxterm", "-e"},
    {"color-xterm", "-e"},
    {"rxvt", "-e"},
    {"dtterm", "-e"},
    {"xterm", "-e"},
};

struct TerminalRules {
    guint since_minor; // the first GLib 2.x they hold for
    std::span<const TerminalKnown> known;
    // Searched in the launch's PATH with relative folders taken from the entry's Path=
    // (g_find_program_for_path), not with g_find_program_in_path.
    bool entry_path;
};

// Newest first: the running GLib follows the first row it is at least.
constexpr TerminalRules TERMINAL_RULES[] = {
    {76, TERMINAL_KNOWN_2_76, true},
    {0, TERMINAL_KNOWN_2_74, false},
};

const TerminalRules &rules_now() {
    for (const TerminalRules &r : TERMINAL_RULES)
        if (glib_check_version(2, r.since_minor, 0) == nullptr)
            return r;
    return TERMINAL_RULES[std::size(TERMINAL_RULES) - 1];
}

std::optional<std::string> runnable(const std::string &path) {
    if (g_file_test(path.c_str(), G_FILE_TEST_IS_EXECUTABLE) &&
        !g_file_test(path.c_str(), G_FILE_TEST_IS_DIR))
        return path;
    return std::nullopt;
}

// program in the folders of this process's PATH as GLib 2.76 looks for it: an empty folder is
// the current one, and a relative folder is taken from working_dir when there is one.
std::optional<std::string> in_path_from(const char *program, const char *working_dir) {
    const char *path = g_getenv("PATH");
    // What GLib searches when PATH is not set.
    g_auto(GStrv) folders =
        g_strsplit(path != nullptr ? path : "/bin:/usr/bin:.", G_SEARCHPATH_SEPARATOR_S, -1);
    g_autofree char *here = g_get_current_dir();
    for (char **f = folders; *f != nullptr; f++) {
        g_autofree char *name = g_build_filename(**f != '\0' ? *f : ".", program, nullptr);
        if (g_path_is_absolute(name)) {
            if (auto found = runnable(name))
                return found;
            continue;
        }
        g_autofree char *full =
            g_build_filename(working_dir != nullptr ? working_dir : here, name, nullptr);
        if (auto found = runnable(full))
            return found;
    }
    return std::nullopt;
}

bool emulator(GAppInfo *app) {
    if (!G_IS_DESKTOP_APP_INFO(app))
        return false;
    const char *categories = g_desktop_app_info_get_categories(G_DESKTOP_APP_INFO(app));
    g_auto(GStrv) list = g_strsplit(categories != nullptr ? categories : "", ";", -1);
    return g_strv_contains(list, "TerminalEmulator");
}

} // namespace

TerminalFound terminal_gio(GAppInfo *app) {
    const TerminalRules &rules = rules_now();
    TerminalFound found;
    found.rule = "the first of " + terminal_glib() + "'s terminals found in PATH";
    g_autofree char *working = nullptr;
    if (rules.entry_path && app != nullptr && G_IS_DESKTOP_APP_INFO(app))
        working = g_desktop_app_info_get_string(G_DESKTOP_APP_INFO(app), "Path");
    if (working != nullptr && *working == '\0')
        g_clear_pointer(&working, g_free);
    for (const TerminalKnown &k : rules.known) {
        found.known.push_back(k.program);
        if (found.program)
            continue;
        if (rules.entry_path) {
            found.program = in_path_from(k.program, working);
        } else {
            // The very search GLib 2.74 makes.
            g_autofree char *at = g_find_program_in_path(k.program);
            if (at != nullptr)
                found.program = at;
        }
        if (found.program && k.option != nullptr)
            found.option = k.option;
    }
    return found;
}

bool terminal_missing(GAppInfo *app) {
    return apps_runs_in_terminal(app) && !terminal_gio(app).program;
}

std::vector<std::string> terminal_argv(const TerminalFound &found,
                                       const std::vector<std::string> &command) {
    std::vector<std::string> argv;
    if (found.program)
        argv.push_back(*found.program);
    if (found.program && found.option)
        argv.push_back(*found.option);
    argv.insert(argv.end(), command.begin(), command.end());
    return argv;
}

bool terminal_follows_list(const TerminalFound &found) {
    if (!found.program)
        return false;
    g_autofree char *name = g_path_get_basename(found.program->c_str());
    return strcmp(name, "xdg-terminal-exec") == 0;
}

std::string terminal_list_heeded(const TerminalFound &found) {
    if (terminal_follows_list(found))
        return "GIO follows it: it starts programs that run in a terminal through " +
               *found.program;
    if (std::find(found.known.begin(), found.known.end(), "xdg-terminal-exec") == found.known.end())
        return terminal_glib() +
               " does not read xdg-terminals.list: only programs that use xdg-terminal-exec "
               "follow it";
    return terminal_glib() +
           " reads xdg-terminals.list only through xdg-terminal-exec, which is not in PATH";
}

std::string terminal_glib() {
    return "GLib " + std::to_string(glib_major_version) + "." + std::to_string(glib_minor_version);
}

GList *terminal_emulators() {
    g_autolist(GAppInfo) all = g_app_info_get_all();
    std::vector<GAppInfo *> emulators;
    for (GList *l = all; l != nullptr; l = l->next)
        if (emulator(G_APP_INFO(l->data)))
            emulators.push_back(G_APP_INFO(l->data));
    return apps_sorted(emulators);
}

std::optional<std::string_view> terminal_list_entry(std::string_view line) {
    constexpr std::string_view blanks = " \t\r\n\v\f";
    size_t start = line.find_first_not_of(blanks);
    if (start == std::string_view::npos)
        return std::nullopt;
    line = line.substr(start, line.find_last_not_of(blanks) - start + 1);
    if (std::string_view("#/-+").find(line[0]) != std::string_view::npos)
        return std::nullopt;
    return line;
}

std::vector<TerminalPreferred> terminal_preferred() {
    std::vector<TerminalPreferred> found;
    for (const std::string &path : paths_terminal_lists()) {
        std::optional<std::string> bytes = files_read(path.c_str());
        std::string_view rest = bytes ? std::string_view(*bytes) : std::string_view();
        while (!rest.empty()) {
            size_t end = rest.find('\n');
            std::optional<std::string_view> entry = terminal_list_entry(rest.substr(0, end));
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            if (!entry || std::any_of(found.begin(), found.end(), [&](const TerminalPreferred &p) {
                    return p.entry == *entry;
                }))
                continue;
            found.push_back(
                {std::string(*entry), std::string(entry->substr(0, entry->find(':'))), path});
        }
    }
    return found;
}
