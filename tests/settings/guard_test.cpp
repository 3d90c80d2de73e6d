// The assignment never wipes a damaged settings file and never reports an override as success.
#include <sys/stat.h>

#include "catalog/catalog.h"
#include "fixture.h"
#include "registry/apps.h"
#include "tui/pane.h"

namespace {

class Guard : public QuarveTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"text/plain", "image/png", "image/gif"});
        env.add_app("beta", "Beta", {"text/plain", "image/png", "image/gif"});
        env.register_apps();
        write_file(env.config_dir + "/quarve/mimetypes.ini",
                   "[Categories]\nThree=image/png;text/plain;image/gif;\n");
    }
    void choose_beta() {
        start();
        s.focus = FOCUS_APPS;
        s.app_selected = 1;
        ASSERT_STREQ(g_app_info_get_name(G_APP_INFO(g_list_nth_data(s.apps, 1))), "Beta");
    }
    std::string default_for(const char *type) {
        g_autoptr(GAppInfo) d = g_app_info_get_default_for_type(type, FALSE);
        return d ? g_app_info_get_id(d) : "";
    }
    std::string list_path() { return env.config_dir + "/mimeapps.list"; }
};

} // namespace

TEST_F(Guard, DamagedSettingsFileIsLeftAlone) {
    const std::string damaged = "[Default Applications]\nimage/png=alpha.desktop\n"
                                "this is not key-file syntax\nvideo/mp4=beta.desktop\n";
    write_file(list_path(), damaged);
    choose_beta();
    apps_set_default(&s);
    EXPECT_EQ(std::string(s.status),
              "Failed to set default application: " + list_path() + " cannot be read");
    EXPECT_EQ(read_file(list_path()), damaged);
}

TEST_F(Guard, ValidSettingsFileKeepsItsOtherEntries) {
    write_file(list_path(), "[Default Applications]\nvideo/mp4=alpha.desktop\n"
                            "application/pdf=beta.desktop\n");
    choose_beta();
    apps_set_default(&s);
    EXPECT_STREQ(s.status, "Beta is now default for Three");
    std::string list = read_file(list_path());
    EXPECT_NE(list.find("video/mp4=alpha.desktop"), std::string::npos) << list;
    EXPECT_NE(list.find("application/pdf=beta.desktop"), std::string::npos) << list;
    EXPECT_EQ(default_for("text/plain"), "beta.desktop");
}

TEST_F(Guard, TheUsersOwnDesktopListIsWrittenTooOrNothingIs) {
    // The user's desktop list names alpha for text/plain, the second of the three types, and
    // outranks mimeapps.list: it gets the new default in the same step.
    g_setenv("XDG_CURRENT_DESKTOP", "GNOME", TRUE);
    const std::string gnome = env.config_dir + "/gnome-mimeapps.list";
    const std::string mine = "# mine\n[Default Applications]\ntext/plain=alpha.desktop\n";
    write_file(gnome, mine);
    chmod(gnome.c_str(), 0444);
    choose_beta();
    apps_set_default(&s);
    EXPECT_EQ(std::string(s.status),
              "Failed to set default application: " + gnome + " is read-only");
    EXPECT_EQ(default_for("image/png"), "alpha.desktop") << "the first list is put back";
    EXPECT_EQ(default_for("text/plain"), "alpha.desktop");
    EXPECT_EQ(read_file(list_path()).find("image/png"), std::string::npos);
    chmod(gnome.c_str(), 0644);
    apps_set_default(&s);
    EXPECT_STREQ(s.status, "Beta is now default for Three");
    EXPECT_EQ(read_file(gnome), "# mine\n[Default Applications]\ntext/plain=beta.desktop\n");
    for (const char *type : {"image/png", "text/plain", "image/gif"})
        EXPECT_EQ(default_for(type), "beta.desktop") << type;
    ch('u');
    EXPECT_STREQ(s.status, "Undone: Beta for Three");
    EXPECT_EQ(read_file(gnome), mine);
    EXPECT_EQ(default_for("text/plain"), "alpha.desktop");
}

TEST_F(Guard, WithoutAnOverrideTheMarkerMoves) {
    g_setenv("XDG_CURRENT_DESKTOP", "GNOME", TRUE);
    choose_beta();
    frame();
    EXPECT_EQ(grid_row(4).substr(24, 7), "* Alpha");
    apps_set_default(&s);
    frame();
    EXPECT_STREQ(s.status, "Beta is now default for Three");
    EXPECT_EQ(grid_row(4).substr(24, 7), "  Alpha");
    EXPECT_EQ(grid_row(5).substr(24, 6), "* Beta");
    EXPECT_EQ(grid_cell(2, 29).fg, TB_GREEN);
}
