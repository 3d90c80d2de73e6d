// Programs that run in a terminal: the terminal GIO starts them in, found as the running GLib
// finds it; the terminal emulators installed; the ones the user prefers in xdg-terminals.list.
#pragma once

#include <gio/gio.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The terminal GIO would start an application that asks for one in, on this system, today.
struct TerminalFound {
    // The program GIO runs, by the path it finds it at; nullopt when it finds none, and then GIO
    // refuses to start the application ("Unable to find terminal required for application").
    std::optional<std::string> program;
    // What goes between the terminal and the application's command ("-e", "--", "-x"); nullopt
    // for a terminal that takes the command as it is (xdg-terminal-exec).
    std::optional<std::string> option;
    // How GIO chose it: "the first of GLib 2.74's terminals found in PATH".
    std::string rule;
    // The programs the running GLib looks for, in its order.
    std::vector<std::string> known;
};

// The terminal the running GLib would start app in (its own list for its version, searched in
// this process's PATH; from GLib 2.76 relative folders of PATH from the entry's Path=). app may
// be NULL: then as for an entry without Path=.
TerminalFound terminal_gio(GAppInfo *app = nullptr);
// True when app runs in a terminal (Terminal=true) and GIO finds none to start it in: GIO will
// refuse to start it.
bool terminal_missing(GAppInfo *app);
// The whole command GIO runs: the terminal, its option, then command; command alone when GIO
// finds no terminal.
std::vector<std::string> terminal_argv(const TerminalFound &found,
                                       const std::vector<std::string> &command);
// True when the terminal GIO starts is xdg-terminal-exec, which follows xdg-terminals.list
// (GLib 2.76 and later, with it in PATH).
bool terminal_follows_list(const TerminalFound &found);
// The running GLib as messages name it: "GLib 2.74".
std::string terminal_glib();
// Whether GIO follows xdg-terminals.list, in words: "GIO follows it: …" where it starts
// xdg-terminal-exec, else why not ("GLib 2.74 does not read xdg-terminals.list: …").
std::string terminal_list_heeded(const TerminalFound &found);

// The installed terminal emulators (desktop entries of Categories TerminalEmulator), sorted by
// name as apps_listed sorts: a new list of references.
GList *terminal_emulators();

// One terminal a list of preferred terminals names.
struct TerminalPreferred {
    std::string entry; // as the list gives it: a desktop ID, maybe with ":action"
    std::string id;    // the desktop ID alone
    std::string file;  // the list that names it
};
// The terminals the lists xdg-terminal-exec reads prefer, in its order (paths_terminal_lists),
// each entry once.
std::vector<TerminalPreferred> terminal_preferred();
// The terminal one line of such a list prefers, blanks around it taken off; nullopt for a
// blank line, a comment ("#"), a directive ("/") or a fallback mark ("-ID", "+ID").
std::optional<std::string_view> terminal_list_entry(std::string_view line);
