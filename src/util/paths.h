// Every file and folder quarve reads or writes, in one place: built from the XDG folders GLib
// reports, so that a test or a benchmark that points them elsewhere moves them all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The system's MIME tables the extension labels come from, in the order they are read.
constexpr const char *PATHS_MIME_TYPES = "/etc/mime.types";
constexpr const char *PATHS_GLOBS2 = "/usr/share/mime/globs2";
constexpr const char *PATHS_GLOBS = "/usr/share/mime/globs";

// $XDG_CONFIG_HOME/quarve/mimetypes.ini: the catalogue.
std::string paths_catalogue();
// $XDG_CONFIG_HOME/mimeapps.list: the defaults GIO writes and reads first.
std::string paths_settings();
// The desktop names of XDG_CURRENT_DESKTOP, lower case, in its order.
std::vector<std::string> paths_desktops();
// The user's own desktop-specific lists ($XDG_CONFIG_HOME/NAME-mimeapps.list, one for each
// desktop name, in its order), whether they exist or not.
std::vector<std::string> paths_desktop_lists();
// $XDG_CONFIG_HOME/quarve/pins.ini.
std::string paths_pins();
// $XDG_STATE_HOME/quarve: the journal, the writers' lock and the record of a change.
std::string paths_state_folder();
// $XDG_RUNTIME_DIR/quarve: the lock and the record when the state folder cannot be written.
std::string paths_runtime_folder();
// $XDG_STATE_HOME/quarve/journal.ini.
std::string paths_journal();
// $XDG_DATA_HOME/applications: the user's own applications.
std::string paths_user_applications();
// $XDG_CONFIG_HOME/xdg-terminals.list: the terminal emulators the user prefers, one desktop ID
// a line, as xdg-terminal-exec reads them.
std::string paths_terminal_list();
// The user's own desktop-specific terminal lists ($XDG_CONFIG_HOME/NAME-xdg-terminals.list, one
// for each desktop name, in its order), whether they exist or not: they outrank
// xdg-terminals.list.
std::vector<std::string> paths_terminal_desktop_lists();
// Every terminal list xdg-terminal-exec reads, in its order: in each configuration folder (the
// user's, then the system's) the desktop-specific lists and then xdg-terminals.list, and last
// the same names under each system data folder's xdg-terminal-exec folder.
std::vector<std::string> paths_terminal_lists();

// A folder GIO reads default-application lists from.
struct ListFolder {
    std::string path;
    bool applications; // an application folder (it may also hold defaults.list, mimeinfo.cache)
};
// The folders GIO reads lists from, in its order of precedence: the user's configuration
// folder, the system's, the user's application folder, the system's.
std::vector<ListFolder> paths_list_folders();
// What GIO takes from a list file: a desktop-specific list and defaults.list give defaults only,
// mimeapps.list everything, mimeinfo.cache the types its folder's desktop files declare.
enum ListKind : uint8_t { LIST_DEFAULTS_ONLY, LIST_FULL, LIST_CACHE };
struct ListFile {
    std::string path;
    size_t folder; // its folder's place among the folders it was made from
    ListKind kind;
};
// Each folder's list files, in the order GIO reads them (only application folders hold
// defaults.list and mimeinfo.cache), whether they exist or not.
std::vector<ListFile> paths_list_files(const std::vector<ListFolder> &folders);
// The groups of a list file.
constexpr const char *PATHS_GROUP_DEFAULTS = "Default Applications";
constexpr const char *PATHS_GROUP_ADDED = "Added Associations";
constexpr const char *PATHS_GROUP_REMOVED = "Removed Associations";
constexpr const char *PATHS_GROUP_CACHE = "MIME Cache";
// The data folders the shared MIME database is read from, the user's first.
std::vector<std::string> paths_data_folders();

struct UsedFile {
    std::string path;
    const char *what;
};
// Each file (or set of files) with what it holds, in the order the help of both faces lists them.
std::vector<UsedFile> paths_used();
