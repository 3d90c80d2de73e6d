// Where each copy of an application comes from, and which copy of a desktop ID GIO loads.
#include <gio/gdesktopappinfo.h>

#include "fixture.h"
#include "registry/apps.h"
#include "registry/origin.h"

namespace {

class Origins : public CoreTest {
  protected:
    void SetUp() override {
        system = env.root + "/system-data/applications";
        flatpak = env.add_data_folder("var/lib/flatpak/exports/share") + "/applications";
        user_flatpak = env.add_data_folder("data/flatpak/exports/share") + "/applications";
        snap = env.add_data_folder("var/lib/snapd/desktop") + "/applications";
        nix = env.add_data_folder("nix/store/0abc-hello/share") + "/applications";
    }
    std::string system, flatpak, user_flatpak, snap, nix;
};

} // namespace

TEST_F(Origins, EachKindOfFolderAndKey) {
    const struct {
        std::string folder, file, keys;
        const char *word;
        std::string label;
    } rows[] = {
        {system, "firefox-esr.desktop", "Name=Firefox", "other", system},
        {flatpak, "org.mozilla.firefox.desktop", "Name=Firefox", "flatpak", "Flatpak"},
        {user_flatpak, "org.gimp.GIMP.desktop", "Name=GIMP", "flatpak-user", "Flatpak, user"},
        {snap, "vlc_vlc.desktop", "Name=VLC", "snap", "Snap"},
        {nix, "hello.desktop", "Name=Hello", "nix", "Nix"},
        {env.apps_dir, "mine.desktop", "Name=Mine", "user", "user"},
        {env.apps_dir, "kde/mine.desktop", "Name=KDE Mine", "user", "user"},
        {env.apps_dir, "copied.desktop", "Name=Copied\nX-Flatpak=org.example.Copied", "flatpak",
         "Flatpak"},
        {system, "spotify.desktop", "Name=Spotify\nX-SnapInstanceName=spotify", "snap", "Snap"},
        {system, "tool.desktop", "Name=Tool\nX-AppImage-Version=1.2", "appimage", "AppImage"},
        {env.apps_dir, "userapp-mpv-A1B2C3.desktop", "Name=mpv", "custom", "custom command"},
    };
    for (const auto &r : rows)
        env.add_entry(r.folder, r.file, r.keys);
    for (const auto &r : rows) {
        std::string id = r.file;
        std::replace(id.begin(), id.end(), '/', '-');
        g_autoptr(GAppInfo) got = app(id.c_str());
        ASSERT_NE(got, nullptr) << id;
        EXPECT_EQ(std::string(apps_desktop_file(got)), r.folder + "/" + r.file) << id;
        EXPECT_STREQ(origin_word(origin_of_app(got).kind), r.word) << id;
        EXPECT_EQ(origin_label(origin_of_app(got)), r.label) << id;
    }
    // Folders outside this tree are told by their path alone.
    for (const auto &[path, word] : std::vector<std::pair<const char *, const char *>>{
             {"/usr/share/applications/x.desktop", "distribution"},
             {"/usr/share/gnome/applications/x.desktop", "distribution"},
             {"/usr/share/a/b/applications/x.desktop", "other"},
             {"/usr/local/share/applications/x.desktop", "local"},
             {"/run/current-system/sw/share/applications/x.desktop", "nix"},
             {"/home/u/.nix-profile/share/applications/x.desktop", "nix"},
             {"/opt/x/share/applications/x.desktop", "other"}})
        EXPECT_STREQ(origin_word(origin_of_file(path).kind), word) << path;
}

TEST_F(Origins, GioLoadsTheFirstCopyAndIgnoresWhatTheOthersDeclare) {
    env.add_entry(snap, "vlc_vlc.desktop", "Name=VLC", {"video/mp4", "audio/ogg"});
    env.add_entry(env.apps_dir, "vlc_vlc.desktop", "Name=VLC", {"video/mp4"});
    g_autoptr(GAppInfo) vlc = app("vlc_vlc.desktop");
    EXPECT_EQ(std::string(apps_desktop_file(vlc)), env.apps_dir + "/vlc_vlc.desktop");
    EXPECT_EQ(
        origin_copies("vlc_vlc.desktop"),
        (std::vector<std::string>{env.apps_dir + "/vlc_vlc.desktop", snap + "/vlc_vlc.desktop"}));
    EXPECT_EQ(origin_hidden_copies(vlc), std::vector<std::string>{snap + "/vlc_vlc.desktop"});
    EXPECT_STREQ(origin_word(origin_of_app(vlc).kind), "user");
    EXPECT_EQ(gio_default("video/mp4"), "vlc_vlc.desktop");
    EXPECT_EQ(gio_default("audio/ogg"), "") << "the hidden copy's cache entry plays no part";
}

TEST_F(Origins, CopiesAreFoundInFoldersWithADashAndOneFileIsOneCopy) {
    // GIO names my-apps/viewer.desktop my-apps-viewer.desktop.
    env.add_entry(env.apps_dir, "my-apps-viewer.desktop", "Name=Viewer", {"image/png"});
    env.add_entry(snap, "my-apps/viewer.desktop", "Name=Viewer", {"image/png"});
    EXPECT_EQ(origin_copies("my-apps-viewer.desktop"),
              (std::vector<std::string>{env.apps_dir + "/my-apps-viewer.desktop",
                                        snap + "/my-apps/viewer.desktop"}));
    // The same folder twice in XDG_DATA_DIRS, the second time by another spelling.
    env.add_entry(system, "alpha.desktop", "Name=Alpha", {"image/gif"});
    g_setenv("XDG_DATA_DIRS",
             (std::string(g_getenv("XDG_DATA_DIRS")) + ":" + env.root + "/./system-data").c_str(),
             TRUE);
    EXPECT_EQ(origin_copies("alpha.desktop"), std::vector<std::string>{system + "/alpha.desktop"});
}
