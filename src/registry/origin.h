// Which copy of an application is which: where a desktop file comes from (its folder and its
// keys), and the copies of one desktop ID in the application folders, of which GIO loads one.
#pragma once

#include <cstdint>
#include <gio/gio.h>
#include <optional>
#include <string>
#include <vector>

enum OriginKind : uint8_t {
    ORIGIN_DISTRIBUTION, // /usr/share/applications
    ORIGIN_LOCAL,        // /usr/local/share/applications
    ORIGIN_USER,         // $XDG_DATA_HOME/applications
    ORIGIN_FLATPAK,      // a system installation's exports, or X-Flatpak= elsewhere
    ORIGIN_FLATPAK_USER, // the user's installation's exports
    ORIGIN_SNAP,         // snapd's folder, or X-SnapInstanceName=
    ORIGIN_APPIMAGE,     // X-AppImage-* keys
    ORIGIN_NIX,          // the Nix store or a Nix profile
    ORIGIN_CUSTOM,       // a custom command GIO made (userapp-*.desktop)
    ORIGIN_OTHER,        // any other folder
};

struct Origin {
    OriginKind kind;
    std::string folder; // the application folder the desktop file is in
};

// The origin of the desktop file at path, from its folder and the keys in it; a file that cannot
// be read is told by its folder alone.
Origin origin_of_file(const char *path);
// The origin of app's desktop file, read once for each application object; ORIGIN_OTHER with no
// folder for an application without a file.
const Origin &origin_of_app(GAppInfo *app);
// The word JSON gives an origin: "distribution", "local", "user", "flatpak", "flatpak-user",
// "snap", "appimage", "nix", "custom" or "other".
const char *origin_word(OriginKind kind);
// What the screen calls an origin: "distribution", "Flatpak", "custom command"... and the
// folder itself for any other.
std::string origin_label(const Origin &origin);

// Where the desktop file at path comes from, to follow the path: " (Flatpak)"; "" where the
// origin is only its folder, which the path shows already.
std::string origin_after(const char *path);

// True when a and b are one file, reached by two paths (a folder named twice in XDG_DATA_DIRS,
// a link): one copy, not two.
bool origin_same_file(const std::string &a, const std::string &b);
// The desktop file of id in an application folder, as GIO finds it there: the file itself, or
// one in a subfolder for a "-" of the ID ("kde-foo.desktop" as kde/foo.desktop).
std::optional<std::string> origin_app_file(const std::string &folder, const std::string &id);
// Every desktop file of id in the application folders GIO reads, in its order: GIO starts the
// first one that loads and ignores the rest, their MimeType= lines and cache entries too.
std::vector<std::string> origin_copies(const char *id);
// The copies of app's desktop ID other than the file GIO loaded it from.
std::vector<std::string> origin_hidden_copies(GAppInfo *app);
// True when the first copy of app's desktop ID says Hidden=true and does not load, so that GIO
// starts a later copy: the application is deleted, yet a list that names it still opens it.
bool origin_deleted_by_copy(GAppInfo *app);
