#include "xdg_env.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <gio/gio.h>
#include <map>
#include <unistd.h>

namespace {

void remove_tree(const std::string &path) {
    // A test may have left read-only folders behind.
    std::string cmd = "chmod -R u+rwx '" + path + "' 2>/dev/null; rm -rf '" + path + "'";
    if (system(cmd.c_str()) != 0)
        g_warning("could not remove %s", path.c_str());
}

} // namespace

XdgEnv::XdgEnv(const char *fixed_root) {
    if (fixed_root != nullptr) {
        remove_tree(fixed_root);
        root = fixed_root;
    } else {
        g_autofree char *dir = g_dir_make_tmp("quarve-test-XXXXXX", nullptr);
        root = dir;
    }
    config_dir = root + "/config";
    data_dir = root + "/data";
    apps_dir = data_dir + "/applications";
    std::string system_data = root + "/system-data";
    for (const auto &d :
         {config_dir, data_dir, apps_dir, system_data, root + "/cache", root + "/system-config"})
        g_mkdir_with_parents(d.c_str(), 0755);
    g_mkdir_with_parents((root + "/runtime").c_str(), 0700);
    // The MIME database is needed for content-type guessing, but no system application may
    // leak in, so the system data folder holds nothing else.
    if (symlink("/usr/share/mime", (system_data + "/mime").c_str()) != 0)
        g_warning("no MIME database for the test: %s", g_strerror(errno));
    g_setenv("HOME", root.c_str(), TRUE);
    g_setenv("XDG_CONFIG_HOME", config_dir.c_str(), TRUE);
    g_setenv("XDG_DATA_HOME", data_dir.c_str(), TRUE);
    g_setenv("XDG_CACHE_HOME", (root + "/cache").c_str(), TRUE);
    g_setenv("XDG_STATE_HOME", (root + "/state").c_str(), TRUE);
    g_setenv("XDG_RUNTIME_DIR", (root + "/runtime").c_str(), TRUE);
    g_setenv("XDG_CONFIG_DIRS", (root + "/system-config").c_str(), TRUE);
    g_setenv("XDG_DATA_DIRS", system_data.c_str(), TRUE);
    g_setenv("GIO_USE_VFS", "local", TRUE);
    g_setenv("GSETTINGS_BACKEND", "memory", TRUE);
    g_unsetenv("XDG_CURRENT_DESKTOP");
    // A GLib critical (a bad argument somewhere) fails the test here and in the programs it
    // starts, instead of passing by as a line on stderr.
    g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_FATAL_MASK | G_LOG_LEVEL_CRITICAL));
    g_setenv("G_DEBUG", "fatal-criticals", TRUE);
    g_unsetenv("QUARVE_DEV");
}

XdgEnv::~XdgEnv() {
    remove_tree(root);
}

void XdgEnv::add_app(const std::string &id, const std::string &name,
                     const std::vector<std::string> &types) {
    std::string mime;
    for (const auto &t : types)
        mime += t + ";";
    write_file(apps_dir + "/" + id + ".desktop", "[Desktop Entry]\nType=Application\nName=" + name +
                                                     "\nExec=/bin/true %f\nMimeType=" + mime +
                                                     "\n");
    apps_.emplace_back(id + ".desktop", types);
}

void XdgEnv::register_apps() {
    std::map<std::string, std::string> by_type;
    std::vector<std::string> order;
    for (const auto &[id, types] : apps_)
        for (const auto &t : types) {
            if (!by_type.count(t))
                order.push_back(t);
            by_type[t] += id + ";";
        }
    std::string cache = "[MIME Cache]\n";
    for (const auto &t : order)
        cache += t + "=" + by_type[t] + "\n";
    write_file(apps_dir + "/mimeinfo.cache", cache);
}

PathOnly::PathOnly(const std::string &folder) {
    const char *path = g_getenv("PATH");
    before_ = path != nullptr ? path : "";
    g_setenv("PATH", folder.c_str(), TRUE);
}

PathOnly::~PathOnly() {
    g_setenv("PATH", before_.c_str(), TRUE);
}

std::string XdgEnv::add_data_folder(const std::string &folder) {
    std::string dir = root + "/" + folder;
    g_mkdir_with_parents(dir.c_str(), 0755);
    g_setenv("XDG_DATA_DIRS", (std::string(g_getenv("XDG_DATA_DIRS")) + ":" + dir).c_str(), TRUE);
    return dir;
}

void XdgEnv::add_entry(const std::string &folder, const std::string &file, const std::string &keys,
                       const std::vector<std::string> &types) {
    std::string mime;
    for (const auto &t : types)
        mime += t + ";";
    write_file(folder + "/" + file, "[Desktop Entry]\nType=Application\nExec=/bin/true %f\n" +
                                        keys + (mime.empty() ? "" : "\nMimeType=" + mime) + "\n");
    std::string id = file;
    std::replace(id.begin(), id.end(), '/', '-');
    // One line a type: the IDs of a folder's applications for it, in the order they were added.
    std::string cache = "[MIME Cache]\n";
    for (const auto &t : types)
        caches_.emplace_back(folder, t + "=" + id + ";");
    std::map<std::string, std::string> lines;
    std::vector<std::string> order;
    for (const auto &[f, line] : caches_) {
        if (f != folder)
            continue;
        std::string type = line.substr(0, line.find('='));
        if (!lines.count(type))
            order.push_back(type);
        lines[type] += line.substr(line.find('=') + 1);
    }
    for (const auto &t : order)
        cache += t + "=" + lines[t] + "\n";
    write_file(folder + "/mimeinfo.cache", cache);
}

std::string read_file(const std::string &path) {
    g_autofree char *contents = nullptr;
    gsize len = 0;
    if (!g_file_get_contents(path.c_str(), &contents, &len, nullptr))
        return "";
    return std::string(contents, len);
}

void write_file(const std::string &path, const std::string &contents) {
    g_autofree char *dir = g_path_get_dirname(path.c_str());
    g_mkdir_with_parents(dir, 0755);
    g_file_set_contents(path.c_str(), contents.c_str(), static_cast<gssize>(contents.size()),
                        nullptr);
}

std::string gio_default(const char *type) {
    g_autofree char *out = nullptr;
    std::string cmd = std::string("gio mime ") + type;
    if (!g_spawn_command_line_sync(cmd.c_str(), &out, nullptr, nullptr, nullptr))
        return "(gio failed)";
    std::string text(out ? out : "");
    size_t at = text.find(": ");
    return at == std::string::npos ? "" : text.substr(at + 2, text.find('\n') - at - 2);
}

std::string gio_content_type(const std::string &location) {
    const char *argv[] = {"gio", "info", "-a", "standard::content-type", location.c_str(), nullptr};
    g_autofree char *out = nullptr;
    if (!g_spawn_sync(nullptr, const_cast<char **>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                      nullptr, &out, nullptr, nullptr, nullptr))
        return "(gio failed)";
    const std::string key = "standard::content-type: ";
    std::string text(out ? out : "");
    size_t at = text.find(key);
    return at == std::string::npos
               ? ""
               : text.substr(at + key.size(), text.find('\n', at) - at - key.size());
}

std::string case_name(const char *what) {
    std::string name;
    bool word = false;
    for (const char *p = what; *p != '\0'; p++) {
        if (g_ascii_isalnum(*p))
            name += word ? *p : g_ascii_toupper(*p);
        if (*p != '\'')
            word = g_ascii_isalnum(*p);
    }
    return name;
}
