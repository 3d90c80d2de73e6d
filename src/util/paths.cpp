#include "util/paths.h"

#include <glib.h>

namespace {

constexpr const char *PATHS_TERMINAL_LIST = "xdg-terminals.list";

std::string join(const char *folder, const char *name, const char *more = nullptr) {
    g_autofree char *path = g_build_filename(folder, name, more, nullptr);
    return path;
}

} // namespace

std::string paths_catalogue() {
    return join(g_get_user_config_dir(), "quarve", "mimetypes.ini");
}

std::string paths_settings() {
    return join(g_get_user_config_dir(), "mimeapps.list");
}

std::vector<std::string> paths_desktops() {
    std::vector<std::string> desktops;
    const char *current = g_getenv("XDG_CURRENT_DESKTOP");
    g_auto(GStrv) names = g_strsplit(current ? current : "", ":", -1);
    for (char **n = names; *n != nullptr; n++)
        if (**n != '\0') {
            g_autofree char *lower = g_ascii_strdown(*n, -1);
            desktops.push_back(lower);
        }
    return desktops;
}

std::vector<std::string> paths_desktop_lists() {
    std::vector<std::string> paths;
    for (const std::string &desktop : paths_desktops())
        paths.push_back(join(g_get_user_config_dir(), (desktop + "-mimeapps.list").c_str()));
    return paths;
}

std::string paths_pins() {
    return join(g_get_user_config_dir(), "quarve", "pins.ini");
}

std::string paths_state_folder() {
    return join(g_get_user_state_dir(), "quarve");
}

std::string paths_runtime_folder() {
    return join(g_get_user_runtime_dir(), "quarve");
}

std::string paths_journal() {
    return join(g_get_user_state_dir(), "quarve", "journal.ini");
}

std::string paths_user_applications() {
    return join(g_get_user_data_dir(), "applications");
}

std::string paths_terminal_list() {
    return join(g_get_user_config_dir(), PATHS_TERMINAL_LIST);
}

std::vector<std::string> paths_terminal_desktop_lists() {
    std::vector<std::string> paths;
    for (const std::string &desktop : paths_desktops())
        paths.push_back(
            join(g_get_user_config_dir(), (desktop + "-" + PATHS_TERMINAL_LIST).c_str()));
    return paths;
}

std::vector<std::string> paths_terminal_lists() {
    std::vector<std::string> folders{g_get_user_config_dir()};
    for (const char *const *d = g_get_system_config_dirs(); *d != nullptr; d++)
        folders.push_back(*d);
    for (const char *const *d = g_get_system_data_dirs(); *d != nullptr; d++)
        folders.push_back(join(*d, "xdg-terminal-exec"));
    std::vector<std::string> desktops = paths_desktops(), paths;
    for (const std::string &folder : folders) {
        for (const std::string &desktop : desktops)
            paths.push_back(join(folder.c_str(), (desktop + "-" + PATHS_TERMINAL_LIST).c_str()));
        paths.push_back(join(folder.c_str(), PATHS_TERMINAL_LIST));
    }
    return paths;
}

std::vector<ListFolder> paths_list_folders() {
    std::vector<ListFolder> folders{{g_get_user_config_dir(), false}};
    for (const char *const *d = g_get_system_config_dirs(); *d != nullptr; d++)
        folders.push_back({*d, false});
    folders.push_back({paths_user_applications(), true});
    for (const char *const *d = g_get_system_data_dirs(); *d != nullptr; d++)
        folders.push_back({join(*d, "applications"), true});
    return folders;
}

std::vector<ListFile> paths_list_files(const std::vector<ListFolder> &folders) {
    std::vector<std::string> desktops = paths_desktops();
    std::vector<ListFile> files;
    for (size_t i = 0; i < folders.size(); i++) {
        const std::string &dir = folders[i].path;
        for (const std::string &desktop : desktops)
            files.push_back({dir + "/" + desktop + "-mimeapps.list", i, LIST_DEFAULTS_ONLY});
        files.push_back({dir + "/mimeapps.list", i, LIST_FULL});
        if (folders[i].applications) {
            files.push_back({dir + "/defaults.list", i, LIST_DEFAULTS_ONLY});
            files.push_back({dir + "/mimeinfo.cache", i, LIST_CACHE});
        }
    }
    return files;
}

std::vector<std::string> paths_data_folders() {
    std::vector<std::string> folders{g_get_user_data_dir()};
    for (const char *const *d = g_get_system_data_dirs(); *d != nullptr; d++)
        folders.push_back(*d);
    return folders;
}

std::vector<UsedFile> paths_used() {
    return {
        {paths_catalogue(), "the catalogue of categories and MIME types"},
        {paths_settings(), "the default applications (through GIO)"},
        {paths_journal(), "the undo journal"},
        {paths_pins(), "the pins: MIME types held to their application"},
        {paths_terminal_list(), "the preferred terminal emulators, for xdg-terminal-exec"},
        {std::string(PATHS_MIME_TYPES) + ", " + PATHS_GLOBS2 + ", " + PATHS_GLOBS,
         "extension labels (read only)"},
    };
}
