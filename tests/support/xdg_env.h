// A private desktop environment for one test process: its own HOME and XDG folders, synthetic
// applications registered through mimeinfo.cache, and the system MIME database for guessing.
// Create it before the first GLib or GIO call of the process; the real user's settings are
// never read or written.
#pragma once

#include <string>
#include <vector>

struct XdgEnv {
    // A fresh temporary folder, or fixed_root emptied and made anew.
    explicit XdgEnv(const char *fixed_root = nullptr);
    ~XdgEnv();
    XdgEnv(const XdgEnv &) = delete;
    XdgEnv &operator=(const XdgEnv &) = delete;

    // Writes applications/<id>.desktop named name for the given MIME types.
    void add_app(const std::string &id, const std::string &name,
                 const std::vector<std::string> &types);
    // Writes mimeinfo.cache for the applications added so far, in the order they were added.
    void register_apps();
    // Adds root/folder after the system data folder, to be read as one by GIO: call it before
    // the first GLib call that reads the data folders.
    std::string add_data_folder(const std::string &folder);
    // Writes the desktop file folder/file (a desktop ID, or a path below folder) with the keys
    // after Type and Exec and the types as its MimeType, and registers it for them in folder's
    // mimeinfo.cache.
    void add_entry(const std::string &folder, const std::string &file, const std::string &keys,
                   const std::vector<std::string> &types = {});
    // The user's own settings list, and quarve's catalogue file.
    std::string list_path() const { return config_dir + "/mimeapps.list"; }
    std::string catalogue_path() const { return config_dir + "/quarve/mimetypes.ini"; }

    std::string root;
    std::string config_dir; // XDG_CONFIG_HOME
    std::string data_dir;   // XDG_DATA_HOME
    std::string apps_dir;   // XDG_DATA_HOME/applications

  private:
    std::vector<std::pair<std::string, std::vector<std::string>>> apps_;
    std::vector<std::pair<std::string, std::string>> caches_; // folder, mimeinfo.cache lines
};

// PATH set to folder alone while it lives, so that what a test starts finds programs only there;
// the earlier PATH comes back after it.
struct PathOnly {
    explicit PathOnly(const std::string &folder);
    ~PathOnly();
    PathOnly(const PathOnly &) = delete;
    PathOnly &operator=(const PathOnly &) = delete;

  private:
    std::string before_;
};

// Whole contents of a file, or "" when it cannot be read.
std::string read_file(const std::string &path);
// Writes contents to path, creating missing folders.
void write_file(const std::string &path, const std::string &contents);
// What a fresh process says is the default of type: `gio mime TYPE` reads every list anew.
std::string gio_default(const char *type);
// The content type a fresh process of GIO reads for a path or URI: `gio info`'s
// standard::content-type, "" when it has none.
std::string gio_content_type(const std::string &location);
// The name of a test case made of what it says: "the user's list" is TheUsersList.
std::string case_name(const char *what);
