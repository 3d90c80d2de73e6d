// The application list follows the registry while quarve runs.
#include "appdb/apps.h"
#include "catalog/catalog.h"
#include "fixture.h"
#include "shell/pane.h"

namespace {

class Refresh : public QuarveTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"text/html"});
        env.add_app("beta", "Beta", {"text/html"});
        env.register_apps();
    }
    std::vector<std::string> names() {
        std::vector<std::string> out;
        for (GList *l = s.apps; l != nullptr; l = l->next)
            out.push_back(apps_display_name(G_APP_INFO(l->data)));
        return out;
    }
    // Lets GIO see the change on disk, as the running program would between two events.
    void settle_registry() {
        for (int i = 0; i < 50; i++) {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            g_usleep(10000);
        }
    }
    using V = std::vector<std::string>;
};

} // namespace

TEST_F(Refresh, AnInstalledApplicationJoinsAndTheSelectionStays) {
    start();
    s.app_selected = 1; // Beta
    env.add_app("gamma", "Gamma", {"text/html"});
    env.register_apps();
    // Installed ahead of the others in GIO's order: the selection must follow Beta.
    write_file(env.apps_dir + "/mimeinfo.cache",
               "[MIME Cache]\ntext/html=gamma.desktop;alpha.desktop;beta.desktop;\n");
    settle_registry();
    EXPECT_TRUE(apps_refresh(&s));
    EXPECT_EQ(names(), (V{"Gamma", "Alpha", "Beta"}));
    EXPECT_EQ(s.app_selected, 2);
    // Removed: the selection falls back to the first row.
    unlink((env.apps_dir + "/beta.desktop").c_str());
    write_file(env.apps_dir + "/mimeinfo.cache",
               "[MIME Cache]\ntext/html=gamma.desktop;alpha.desktop;\n");
    settle_registry();
    EXPECT_TRUE(apps_refresh(&s));
    EXPECT_EQ(names(), (V{"Gamma", "Alpha"}));
    EXPECT_EQ(s.app_selected, 0);
}

TEST_F(Refresh, ADefaultChangedElsewhereKeepsTheListAsItIs) {
    start();
    GList *before = s.apps;
    ASSERT_EQ(system("gio mime text/html beta.desktop >/dev/null"), 0);
    settle_registry();
    EXPECT_FALSE(apps_refresh(&s));
    EXPECT_EQ(s.apps, before) << "not rebuilt: the markers alone move";
    EXPECT_EQ(names(), (V{"Alpha", "Beta"}));
    frame();
    EXPECT_EQ(grid_row(5).substr(24, 6), "* Beta");
}

TEST_F(Refresh, TheApplicationListFollowsAndKeepsItsSelection) {
    start();
    ch('3');
    key(TB_KEY_ARROW_DOWN);
    ASSERT_EQ(selected_label(), "Beta");
    EXPECT_FALSE(apps_refresh(&s)) << "nothing changed";
    env.add_app("aardvark", "Aardvark", {"text/plain"});
    settle_registry();
    EXPECT_TRUE(apps_refresh(&s));
    EXPECT_EQ(view_count(&s), 3);
    EXPECT_EQ(selected_label(), "Beta") << "one row further down";
    EXPECT_STREQ(static_cast<const char *>(s.apps->data), "text/html");
}
