// Where an application comes from, told without asking any package manager, and the copies of
// its desktop ID that GIO passes over.
#include "registry/origin.h"

#include <algorithm>
#include <array>
#include <gio/gdesktopappinfo.h>
#include <glib/gstdio.h>
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

namespace {

// The file of rest (an ID, or what is left of one) under dir: the file itself, or for a "-" of
// it the same in the subfolder before the "-", as GIO's scan of a folder names them
// (kde/foo.desktop is kde-foo.desktop, my-apps/viewer.desktop is my-apps-viewer.desktop).
std::optional<std::string> app_file_in(const std::string &dir, std::string_view rest) {
    std::string path = dir + "/" + std::string(rest);
    if (g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR))
        return path;
    for (size_t dash = rest.find('-'); dash != std::string_view::npos;
         dash = rest.find('-', dash + 1)) {
        std::string sub = dir + "/" + std::string(rest.substr(0, dash));
        if (g_file_test(sub.c_str(), G_FILE_TEST_IS_DIR))
            if (std::optional<std::string> found = app_file_in(sub, rest.substr(dash + 1)))
                return found;
    }
    return std::nullopt;
}

} // namespace

bool origin_same_file(const std::string &a, const std::string &b) {
    GStatBuf sa, sb;
    return a == b || (g_stat(a.c_str(), &sa) == 0 && g_stat(b.c_str(), &sb) == 0 &&
                      sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino);
}

std::optional<std::string> origin_app_file(const std::string &folder, const std::string &id) {
    if (!g_str_has_suffix(id.c_str(), ".desktop") || id.find('/') != std::string::npos)
        return std::nullopt;
    return app_file_in(folder, id);
}

std::vector<std::string> origin_copies(const char *id) {
    std::vector<std::string> copies;
    for (const ListFolder &f : paths_list_folders()) {
        if (!f.applications)
            continue;
        std::optional<std::string> file = origin_app_file(f.path, id);
        if (file && std::none_of(copies.begin(), copies.end(),
                                 [&](const std::string &c) { return origin_same_file(c, *file); }))
            copies.push_back(*file);
    }
    return copies;
}

bool origin_deleted_by_copy(GAppInfo *app) {
    static const GQuark quark = g_quark_from_static_string("quarve-deleted-by-copy");
    gpointer kept = g_object_get_qdata(G_OBJECT(app), quark);
    if (kept != nullptr)
        return GPOINTER_TO_INT(kept) == 2;
    const char *id = g_app_info_get_id(app);
    const char *file = G_IS_DESKTOP_APP_INFO(app)
                           ? g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app))
                           : nullptr;
    bool deleted = false;
    if (id != nullptr && file != nullptr) {
        std::vector<std::string> copies = origin_copies(id);
        if (!copies.empty() && !origin_same_file(copies.front(), file)) {
            g_autoptr(GKeyFile) kf = g_key_file_new();
            deleted =
                g_key_file_load_from_file(kf, copies.front().c_str(), G_KEY_FILE_NONE, nullptr) &&
                g_key_file_get_boolean(kf, G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_HIDDEN,
                                       nullptr);
        }
    }
    g_object_set_qdata(G_OBJECT(app), quark, GINT_TO_POINTER(deleted ? 2 : 1));
    return deleted;
}

std::vector<std::string> origin_hidden_copies(GAppInfo *app) {
    const char *id = g_app_info_get_id(app);
    const char *file = G_IS_DESKTOP_APP_INFO(app)
                           ? g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app))
                           : nullptr;
    if (id == nullptr || file == nullptr)
        return {};
    std::vector<std::string> copies = origin_copies(id);
    copies.erase(std::remove_if(copies.begin(), copies.end(),
                                [&](const std::string &c) { return origin_same_file(c, file); }),
                 copies.end());
    return copies;
}
