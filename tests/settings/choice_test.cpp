// A choice that takes effect: sub-classes the application declares, a note on types it does not
// declare, the user's desktop lists, and handing an item back to the system.
#include <sys/stat.h>
#include <unistd.h>

#include "catalog/catalog.h"
#include "fixture.h"
#include "registry/apps.h"
#include "settings/assign.h"

namespace {

class Choice : public CoreTest {
  protected:
    void SetUp() override {
        env.add_app("old", "Old", {"audio/ogg", "audio/x-vorbis+ogg", "audio/x-opus+ogg"});
        env.add_app("mpv", "mpv", {"audio/ogg", "audio/x-vorbis+ogg", "audio/x-flac+ogg"});
        env.add_app("text", "Text", {"text/plain"});
        env.register_apps();
    }
};

} // namespace

TEST_F(Choice, SubClassesTheApplicationDeclaresFollowUnlessSomethingElseSpeaksForThem) {
    write_file(env.catalogue_path(), "[Categories]\nSongs=audio/ogg;\nOpus=audio/x-opus+ogg;\n");
    write_file(env.list_path(), "[Default Applications]\naudio/x-flac+ogg=old.desktop\n");
    load();
    g_autoptr(GAppInfo) mpv = app("mpv.desktop");
    Outcome set = assign_app(item("Songs"), mpv, cat);
    ASSERT_TRUE(set.ok) << set.message;
    EXPECT_EQ(set.message, "mpv is now default for Songs") << "the status stays as it is";
    const struct {
        const char *type;
        const char *now;
        const char *why;
    } cases[] = {
        {"audio/ogg", "mpv.desktop", "the item's own type"},
        {"audio/x-vorbis+ogg", "mpv.desktop", "declared by mpv, listed nowhere, no user default"},
        {"audio/x-opus+ogg", "old.desktop", "not declared by mpv"},
        {"audio/x-flac+ogg", "old.desktop", "the user's own default stays"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(default_for(c.type), c.now) << c.type << ": " << c.why;
    ASSERT_EQ(set.types.size(), 1u);
    EXPECT_EQ(set.types[0].type, "audio/x-vorbis+ogg");
    // One step, one journal entry: one undo takes all of it back.
    EXPECT_EQ(assign_undo().message, "Undone: mpv for Songs");
    EXPECT_EQ(default_for("audio/x-vorbis+ogg"), "old.desktop");
    // Listed by a category of its own, a sub-class is that category's business.
    write_file(env.catalogue_path(),
               "[Categories]\nSongs=audio/ogg;\nVorbis=audio/x-vorbis+ogg;\n");
    load();
    EXPECT_TRUE(assign_app(item("Songs"), mpv, cat).types.empty());
    EXPECT_EQ(default_for("audio/x-vorbis+ogg"), "old.desktop");
}

TEST_F(Choice, ResetHandsTheItemBackAndUndoBringsItAgain) {
    g_setenv("XDG_CURRENT_DESKTOP", "GNOME", TRUE);
    const std::string mine = "# kept\n[Default Applications]\naudio/ogg=mpv.desktop\n"
                             "video/mp4=old.desktop\n\n[Added Associations]\n"
                             "audio/ogg=mpv.desktop;\n";
    const std::string gnome = "[Default Applications]\naudio/ogg=mpv.desktop\n";
    write_file(env.list_path(), mine);
    write_file(env.root + "/dotfiles/gnome.list", gnome);
    ASSERT_EQ(symlink("../dotfiles/gnome.list", (env.config_dir + "/gnome-mimeapps.list").c_str()),
              0);
    write_file(env.catalogue_path(), "[Categories]\nSongs=audio/ogg;\n");
    load();
    EXPECT_EQ(default_for("audio/ogg"), "mpv.desktop");
    Outcome reset = assign_reset(item("Songs"));
    EXPECT_TRUE(reset.ok);
    EXPECT_EQ(reset.message, "Reset: Songs to the system defaults");
    EXPECT_EQ(default_for("audio/ogg"), "old.desktop") << "the first registered again";
    EXPECT_EQ(read_file(env.list_path()),
              "# kept\n[Default Applications]\nvideo/mp4=old.desktop\n");
    EXPECT_EQ(read_file(env.root + "/dotfiles/gnome.list"), "");
    EXPECT_TRUE(
        g_file_test((env.config_dir + "/gnome-mimeapps.list").c_str(), G_FILE_TEST_IS_SYMLINK));
    EXPECT_EQ(assign_undo().message, "Undone: the reset of Songs");
    // Every entry is back, each in its place: the file as the user had it.
    EXPECT_EQ(read_file(env.list_path()), mine);
    EXPECT_EQ(read_file(env.root + "/dotfiles/gnome.list"), gnome);
    EXPECT_EQ(default_for("audio/ogg"), "mpv.desktop");
}

TEST_F(Choice, ASystemDesktopListIsOutrankedAndLeftAlone) {
    g_setenv("XDG_CURRENT_DESKTOP", "GNOME", TRUE);
    const std::string system = "[Default Applications]\naudio/ogg=old.desktop\n";
    write_file(env.root + "/system-config/gnome-mimeapps.list", system);
    write_file(env.catalogue_path(), "[Categories]\nSongs=audio/ogg;\n");
    load();
    g_autoptr(GAppInfo) mpv = app("mpv.desktop");
    EXPECT_TRUE(assign_app(item("Songs"), mpv, cat).ok);
    EXPECT_EQ(default_for("audio/ogg"), "mpv.desktop");
    EXPECT_EQ(read_file(env.root + "/system-config/gnome-mimeapps.list"), system);
    // A text editor as the song player: allowed, and said.
    g_autoptr(GAppInfo) text = app("text.desktop");
    EXPECT_EQ(assign_app(item("Songs"), text, cat).message,
              "Text is now default for Songs; it does not declare audio/ogg");
    // A sub-class of a type it declares is declared.
    write_file(env.catalogue_path(), "[Categories]\nMixed=text/x-csrc;audio/ogg;\n");
    load();
    EXPECT_EQ(assign_app(item("Mixed"), text, cat).message,
              "Text is now default for Mixed; it does not declare audio/ogg");
}
