// The assignment keeps the user's links and read-only files, covers aliases, and is recorded
// so that it can be taken back.
#include <sys/stat.h>
#include <unistd.h>

#include "catalog/catalog.h"
#include "fixture.h"
#include "registry/apps.h"
#include "settings/journal.h"
#include "tui/pane.h"
#include "util/paths.h"

namespace {

class Assign : public QuarveTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"text/plain", "image/png", "image/gif", "application/gzip"});
        env.add_app(
            "beta", "Beta",
            {"text/plain", "image/png", "image/gif", "application/gzip", "application/x-gzip"});
        env.register_apps();
        write_file(env.config_dir + "/quarve/mimetypes.ini",
                   "[Categories]\nThree=image/png;text/plain;image/gif;\n"
                   "Gzip=application/x-gzip;\n");
    }
    // Starts (or starts again) and picks app of category row item in the application pane.
    void choose(int item, const char *app) {
        if (!started) {
            start();
            started = true;
        }
        s.selected = item;
        apps_reload(&s);
        s.focus = FOCUS_APPS;
        for (GList *l = s.apps; l != nullptr; l = l->next, s.app_selected++)
            if (apps_display_name(G_APP_INFO(l->data)) == std::string(app))
                return;
        FAIL() << app << " is no candidate";
    }
    void restart() {
        tui_teardown(&s);
        tui_startup(&s);
    }
    std::string default_for(const char *type) {
        g_autoptr(GAppInfo) d = g_app_info_get_default_for_type(type, FALSE);
        return d ? g_app_info_get_id(d) : "";
    }
    std::string list_path() { return env.config_dir + "/mimeapps.list"; }
    std::string link_of(const std::string &path) {
        g_autofree char *l = g_file_read_link(path.c_str(), nullptr);
        return l ? l : "(not a link)";
    }
    bool started = false;
};

} // namespace

TEST_F(Assign, ALinkedSettingsFileStaysLinkedAndEveryReaderAgrees) {
    write_file(env.root + "/dotfiles/mimeapps.list",
               "[Default Applications]\nvideo/mp4=alpha.desktop\n");
    ASSERT_EQ(symlink("../dotfiles/mimeapps.list", list_path().c_str()), 0);
    choose(0, "Beta");
    apps_set_default(&s);
    EXPECT_STREQ(s.status, "Beta is now default for Three");
    EXPECT_EQ(link_of(list_path()), "../dotfiles/mimeapps.list");
    std::string target = read_file(env.root + "/dotfiles/mimeapps.list");
    EXPECT_NE(target.find("video/mp4=alpha.desktop"), std::string::npos) << target;
    EXPECT_NE(target.find("text/plain=beta.desktop"), std::string::npos) << target;
    for (const char *type : {"image/png", "text/plain", "image/gif"}) {
        EXPECT_EQ(default_for(type), "beta.desktop") << type;
        EXPECT_EQ(gio_default(type), "beta.desktop") << type;
    }
    // A dangling link gets its file made where it points.
    unlink(list_path().c_str());
    ASSERT_EQ(symlink("../dotfiles/new/mimeapps.list", list_path().c_str()), 0);
    g_mkdir_with_parents((env.root + "/dotfiles/new").c_str(), 0755);
    choose(0, "Alpha");
    apps_set_default(&s);
    EXPECT_STREQ(s.status, "Alpha is now default for Three");
    EXPECT_EQ(link_of(list_path()), "../dotfiles/new/mimeapps.list");
    EXPECT_NE(read_file(env.root + "/dotfiles/new/mimeapps.list").find("image/gif=alpha.desktop"),
              std::string::npos);
    EXPECT_EQ(gio_default("image/gif"), "alpha.desktop");
    // Undo writes through the link as well.
    ch('u');
    EXPECT_STREQ(s.status, "Undone: Alpha for Three");
    EXPECT_EQ(link_of(list_path()), "../dotfiles/new/mimeapps.list");
    EXPECT_EQ(read_file(env.root + "/dotfiles/new/mimeapps.list").find("alpha.desktop"),
              std::string::npos);
    EXPECT_TRUE(g_file_test(list_path().c_str(), G_FILE_TEST_IS_SYMLINK));
}

TEST_F(Assign, ReadOnlyFilesAndUnwritableLinkTargetsAreRefusedBeforeAnyWrite) {
    const std::string before = "[Default Applications]\nimage/png=alpha.desktop\n";
    write_file(env.root + "/store/mimeapps.list", before);
    chmod((env.root + "/store/mimeapps.list").c_str(), 0444);
    ASSERT_EQ(symlink((env.root + "/store/mimeapps.list").c_str(), list_path().c_str()), 0);
    choose(0, "Beta");
    apps_set_default(&s);
    EXPECT_EQ(std::string(s.status), "Failed to set default application: " + list_path() +
                                         " is a link to a file that cannot be written");
    EXPECT_EQ(read_file(env.root + "/store/mimeapps.list"), before);
    EXPECT_EQ(link_of(list_path()), env.root + "/store/mimeapps.list");

    unlink(list_path().c_str());
    write_file(list_path(), before);
    chmod(list_path().c_str(), 0444);
    apps_set_default(&s);
    EXPECT_EQ(std::string(s.status),
              "Failed to set default application: " + list_path() + " is read-only");
    EXPECT_EQ(read_file(list_path()), before);
    EXPECT_EQ(default_for("text/plain"), "alpha.desktop");
    EXPECT_FALSE(g_file_test(paths_journal().c_str(), G_FILE_TEST_EXISTS)) << "nothing to undo";
}

TEST_F(Assign, AnAliasGivesItsCanonicalTypeTheSameDefault) {
    choose(1, "Beta");
    EXPECT_EQ(default_for("application/gzip"), "alpha.desktop") << "the first registered";
    apps_set_default(&s);
    EXPECT_STREQ(s.status, "Beta is now default for Gzip");
    EXPECT_EQ(default_for("application/x-gzip"), "beta.desktop");
    EXPECT_EQ(default_for("application/gzip"), "beta.desktop");
    EXPECT_EQ(gio_default("application/gzip"), "beta.desktop");
    g_autofree char *xdg_mime = g_find_program_in_path("xdg-mime");
    if (xdg_mime != nullptr) {
        g_autofree char *out = nullptr;
        ASSERT_TRUE(g_spawn_command_line_sync("xdg-mime query default application/gzip", &out,
                                              nullptr, nullptr, nullptr));
        EXPECT_STREQ(out, "beta.desktop\n") << "what xdg-open goes by";
    }
    EXPECT_NE(read_file(list_path()).find("application/gzip=beta.desktop"), std::string::npos);
    EXPECT_EQ(category_types(1), (std::vector<std::string>{"application/x-gzip"}))
        << "the catalogue stays as it is";
}

TEST_F(Assign, AFailureRestoresTheEarlierEntriesExactly) {
    const std::string earlier = "[Default Applications]\nimage/png=alpha.desktop;\n\n"
                                "[Added Associations]\nimage/png=alpha.desktop;beta.desktop;\n";
    write_file(list_path(), earlier);
    // The user's desktop list outranks the user's file for text/plain, the second type, and
    // cannot be written: the first file is put back as it was.
    g_setenv("XDG_CURRENT_DESKTOP", "GNOME", TRUE);
    const std::string gnome = env.config_dir + "/gnome-mimeapps.list";
    write_file(gnome, "[Default Applications]\ntext/plain=alpha.desktop\n");
    chmod(gnome.c_str(), 0444);
    choose(0, "Beta");
    apps_set_default(&s);
    EXPECT_EQ(std::string(s.status),
              "Failed to set default application: " + gnome + " is read-only");
    g_autoptr(GKeyFile) kf = g_key_file_new();
    ASSERT_TRUE(g_key_file_load_from_file(kf, list_path().c_str(), G_KEY_FILE_NONE, nullptr));
    g_autofree char *def = g_key_file_get_value(kf, "Default Applications", "image/png", nullptr);
    g_autofree char *added = g_key_file_get_value(kf, "Added Associations", "image/png", nullptr);
    EXPECT_STREQ(def, "alpha.desktop;");
    EXPECT_STREQ(added, "alpha.desktop;beta.desktop;");
    EXPECT_FALSE(g_key_file_has_key(kf, "Default Applications", "text/plain", nullptr));
    EXPECT_FALSE(g_key_file_has_key(kf, "Default Applications", "image/gif", nullptr));
    EXPECT_EQ(default_for("image/png"), "alpha.desktop");
    EXPECT_EQ(gio_default("image/png"), "alpha.desktop");
}

TEST_F(Assign, UndoTakesBackAssignmentsInTurnAlsoAfterARestart) {
    choose(0, "Beta");
    ch('u');
    EXPECT_STREQ(s.status, "Nothing to undo");
    write_file(list_path(), "[Default Applications]\ntext/plain=alpha.desktop\n");
    apps_set_default(&s);
    choose(1, "Beta");
    apps_set_default(&s);
    EXPECT_EQ(default_for("application/gzip"), "beta.desktop");
    restart();
    ch('u');
    EXPECT_STREQ(s.status, "Undone: Beta for Gzip");
    EXPECT_EQ(default_for("application/gzip"), "alpha.desktop");
    EXPECT_EQ(default_for("text/plain"), "beta.desktop") << "the older assignment stays";
    ch('u');
    EXPECT_STREQ(s.status, "Undone: Beta for Three");
    EXPECT_EQ(default_for("text/plain"), "alpha.desktop") << "the user's earlier default";
    EXPECT_EQ(default_for("image/png"), "alpha.desktop") << "none set: GIO's own answer";
    EXPECT_EQ(gio_default("text/plain"), "alpha.desktop");
    g_autoptr(GKeyFile) kf = g_key_file_new();
    ASSERT_TRUE(g_key_file_load_from_file(kf, list_path().c_str(), G_KEY_FILE_NONE, nullptr));
    EXPECT_FALSE(g_key_file_has_key(kf, "Default Applications", "image/png", nullptr));
    EXPECT_FALSE(g_key_file_has_key(kf, "Added Associations", "image/png", nullptr));
    EXPECT_EQ(read_file(list_path()), "[Default Applications]\ntext/plain=alpha.desktop\n")
        << "the user's file as it was";
    ch('u');
    EXPECT_STREQ(s.status, "Nothing to undo");
}

TEST_F(Assign, UndoLeavesAloneWhatWasChangedSinceAndNamesIt) {
    choose(0, "Beta");
    apps_set_default(&s);
    ASSERT_EQ(system("gio mime text/plain alpha.desktop >/dev/null"), 0);
    restart();
    ch('u');
    EXPECT_STREQ(s.status, "Undone: Beta for Three; left alone, changed since: text/plain");
    EXPECT_EQ(default_for("text/plain"), "alpha.desktop");
    EXPECT_EQ(default_for("image/gif"), "alpha.desktop");
    // u is text during an entry.
    ch('/');
    ch('u');
    EXPECT_STREQ(s.search, "u");
}

TEST_F(Assign, ADamagedJournalIsKeptAsideAndTheJournalKeepsTheLastHundred) {
    write_file(paths_journal(), "this is not a journal\n");
    choose(0, "Beta");
    apps_set_default(&s);
    EXPECT_STREQ(s.status, "Beta is now default for Three");
    EXPECT_EQ(read_file(paths_journal() + ".bad"), "this is not a journal\n");
    std::vector<JournalEntry> entries = journal_load();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].app_id, "beta.desktop");
    EXPECT_EQ(entries[0].types.size(), 3u);
    for (int i = 0; i < 120; i++)
        entries.push_back({"x.desktop", "X", "Item " + std::to_string(i), {}, {}, "", "", ""});
    std::string error;
    ASSERT_TRUE(journal_save(entries, &error)) << error;
    entries = journal_load();
    ASSERT_EQ(entries.size(), JOURNAL_MAX_ENTRIES);
    EXPECT_EQ(entries.back().item, "Item 119");
    EXPECT_EQ(entries.front().item, "Item 20");
}

TEST_F(Assign, DeveloperModeHasNothingToUndo) {
    g_setenv("QUARVE_DEV", "3", TRUE);
    start();
    started = true;
    ch('u');
    EXPECT_STREQ(s.status, "Developer Mode: no setting is changed");
    EXPECT_FALSE(g_file_test(list_path().c_str(), G_FILE_TEST_EXISTS));
}
