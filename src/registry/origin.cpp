// Where an application comes from, told without asking any package manager, and the copies of
// its desktop ID that GIO passes over.
#include "registry/origin.h"

#include <algorithm>
#include <array>
#include <gio/gdesktopappinfo.h>
#include <string_view>

#include "util/paths.h"

namespace {

struct OriginName {
    const char *word;  // for JSON
    const char *label; // for the screen
};

constexpr std::array<OriginName, ORIGIN_OTHER + 1> ORIGIN_NAMES = {{
    {"distribution", "distribution"},
    {"local", "local"},
    {"user", "user"},
    {"flatpak", "Flatpak"},
    {"flatpak-user", "Flatpak, user"},
    {"snap", "Snap"},
    {"appimage", "AppImage"},
    {"nix", "Nix"},
    {"custom", "custom command"},
    {"other", "other"},
}};

constexpr const char *ORIGIN_GROUP = "Desktop Entry";
constexpr std::string_view ORIGIN_FLATPAK_EXPORTS = "/flatpak/exports/share/applications";
constexpr std::string_view ORIGIN_SNAP_FOLDER = "/var/lib/snapd/desktop/applications";
constexpr std::string_view ORIGIN_SHARE = "/usr/share/";
constexpr std::string_view ORIGIN_LOCAL_FOLDER = "/usr/local/share/applications";
// A Nix store path, or a profile that links into it.
constexpr std::array<std::string_view, 5> ORIGIN_NIX_PARTS = {
    "/nix/store/", "/.nix-profile/", "/run/current-system/", "/nix/var/nix/profiles/",
    "/etc/profiles/per-user/"};

bool ends_with(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool starts_with(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

// The application folder GIO found the file in (the longest that holds it: a subfolder gives
// a prefixed ID), or the file's own folder when it is in none of them.
std::string folder_of(const char *path) {
    std::string best;
    for (const ListFolder &f : paths_list_folders())
        if (f.applications && starts_with(path, f.path + "/") && f.path.size() > best.size())
            best = f.path;
    if (!best.empty())
        return best;
    g_autofree char *dir = g_path_get_dirname(path);
    return dir;
}

// /usr/share/applications, or a desktop session's own /usr/share/NAME/applications (GNOME's):
// the distribution's packages fill both.
bool distribution_folder(std::string_view folder) {
    constexpr std::string_view end = "applications";
    if (!starts_with(folder, ORIGIN_SHARE) || !ends_with(folder, end) ||
        folder.size() < ORIGIN_SHARE.size() + end.size())
        return false;
    std::string_view middle =
        folder.substr(ORIGIN_SHARE.size(), folder.size() - ORIGIN_SHARE.size() - end.size());
    return middle.empty() || (middle.size() > 1 && middle.find('/') == middle.size() - 1);
}

OriginKind kind_of_folder(const std::string &folder) {
    if (ends_with(folder, ORIGIN_FLATPAK_EXPORTS))
        return starts_with(folder, std::string(g_get_user_data_dir()) + "/") ? ORIGIN_FLATPAK_USER
                                                                             : ORIGIN_FLATPAK;
    if (ends_with(folder, ORIGIN_SNAP_FOLDER))
        return ORIGIN_SNAP;
    std::string inside = folder + "/";
    for (std::string_view part : ORIGIN_NIX_PARTS)
        if (inside.find(part) != std::string::npos)
            return ORIGIN_NIX;
    if (folder == paths_user_applications())
        return ORIGIN_USER;
    if (distribution_folder(folder))
        return ORIGIN_DISTRIBUTION;
    if (folder == ORIGIN_LOCAL_FOLDER)
        return ORIGIN_LOCAL;
    return ORIGIN_OTHER;
}

bool has_appimage_key(GKeyFile *kf) {
    g_auto(GStrv) keys = g_key_file_get_keys(kf, ORIGIN_GROUP, nullptr, nullptr);
    for (char **k = keys; k != nullptr && *k != nullptr; k++)
        if (g_str_has_prefix(*k, "X-AppImage-"))
            return true;
    return false;
}

} // namespace

Origin origin_of_file(const char *path) {
    Origin origin{ORIGIN_OTHER, folder_of(path)};
    OriginKind by_folder = kind_of_folder(origin.folder);
    g_autofree char *name = g_path_get_basename(path);
    g_autoptr(GKeyFile) kf = g_key_file_new();
    bool read = g_key_file_load_from_file(kf, path, G_KEY_FILE_NONE, nullptr);
    auto has = [&](const char *key) {
        return read && g_key_file_has_key(kf, ORIGIN_GROUP, key, nullptr);
    };
    // The keys say what runs where the folder alone does not: a Flatpak's entry copied into the
    // user's folder still starts the Flatpak.
    if (g_str_has_prefix(name, "userapp-"))
        origin.kind = ORIGIN_CUSTOM;
    else if (by_folder == ORIGIN_FLATPAK || by_folder == ORIGIN_FLATPAK_USER)
        origin.kind = by_folder;
    else if (has("X-Flatpak"))
        origin.kind = ORIGIN_FLATPAK;
    else if (by_folder == ORIGIN_SNAP || has("X-SnapInstanceName"))
        origin.kind = ORIGIN_SNAP;
    else if (read && has_appimage_key(kf))
        origin.kind = ORIGIN_APPIMAGE;
    else
        origin.kind = by_folder;
    return origin;
}

const Origin &origin_of_app(GAppInfo *app) {
    static const Origin none{ORIGIN_OTHER, ""};
    static const GQuark quark = g_quark_from_static_string("quarve-origin");
    // Kept on the object: a new one comes with every change GIO reads, and with it a new look.
    auto kept = static_cast<const Origin *>(g_object_get_qdata(G_OBJECT(app), quark));
    if (kept != nullptr)
        return *kept;
    const char *file = G_IS_DESKTOP_APP_INFO(app)
                           ? g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app))
                           : nullptr;
    if (file == nullptr)
        return none;
    auto *origin = new Origin(origin_of_file(file));
    g_object_set_qdata_full(G_OBJECT(app), quark, origin,
                            [](gpointer p) { delete static_cast<Origin *>(p); });
    return *origin;
}

const char *origin_word(OriginKind kind) {
    return ORIGIN_NAMES[kind].word;
}

std::string origin_label(const Origin &origin) {
    if (origin.kind == ORIGIN_OTHER && !origin.folder.empty())
        return origin.folder;
    return ORIGIN_NAMES[origin.kind].label;
}

std::string origin_after(const char *path) {
    Origin origin = origin_of_file(path);
    return origin.kind == ORIGIN_OTHER ? "" : " (" + origin_label(origin) + ")";
}

std::optional<std::string> origin_app_file(const std::string &folder, const std::string &id) {
    if (!g_str_has_suffix(id.c_str(), ".desktop") || id.find('/') != std::string::npos)
        return std::nullopt;
    std::string name = id;
    for (size_t from = 0;;) {
        std::string path = folder + "/" + name;
        if (g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR))
            return path;
        size_t dash = name.find('-', from);
        if (dash == std::string::npos)
            return std::nullopt;
        name[dash] = '/';
        from = dash + 1;
    }
}

std::vector<std::string> origin_copies(const char *id) {
    std::vector<std::string> copies;
    for (const ListFolder &f : paths_list_folders()) {
        if (!f.applications)
            continue;
        // A folder named twice in XDG_DATA_DIRS holds no second copy.
        std::optional<std::string> file = origin_app_file(f.path, id);
        if (file && std::find(copies.begin(), copies.end(), *file) == copies.end())
            copies.push_back(*file);
    }
    return copies;
}

std::vector<std::string> origin_hidden_copies(GAppInfo *app) {
    const char *id = g_app_info_get_id(app);
    const char *file = G_IS_DESKTOP_APP_INFO(app)
                           ? g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app))
                           : nullptr;
    if (id == nullptr || file == nullptr)
        return {};
    std::vector<std::string> copies = origin_copies(id);
    copies.erase(std::remove(copies.begin(), copies.end(), file), copies.end());
    return copies;
}
