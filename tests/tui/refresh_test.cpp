// The application list follows the registry while quarve runs.
#include <functional>
#include <unistd.h>

#include "catalog/catalog.h"
#include "fixture.h"
#include "registry/apps.h"
#include "tui/fill.h"
#include "tui/pane.h"

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
    // Every item of the list asked ahead, as the running program does while the user is idle.
    void fill_all() {
        Fill fill;
        fill_restart(&fill, &s);
        while (fill_step(&fill, &s)) {
        }
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
    EXPECT_TRUE(tui_refresh(&s));
    EXPECT_EQ(names(), (V{"Gamma", "Alpha", "Beta"}));
    EXPECT_EQ(s.app_selected, 2);
    // Removed: the selection falls back to the first row.
    unlink((env.apps_dir + "/beta.desktop").c_str());
    write_file(env.apps_dir + "/mimeinfo.cache",
               "[MIME Cache]\ntext/html=gamma.desktop;alpha.desktop;\n");
    settle_registry();
    EXPECT_TRUE(tui_refresh(&s));
    EXPECT_EQ(names(), (V{"Gamma", "Alpha"}));
    EXPECT_EQ(s.app_selected, 0);
}

TEST_F(Refresh, ADefaultChangedElsewhereKeepsTheListAsItIs) {
    start();
    GList *before = s.apps;
    ASSERT_EQ(system("gio mime text/html beta.desktop >/dev/null"), 0);
    settle_registry();
    EXPECT_FALSE(tui_refresh(&s));
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
    EXPECT_FALSE(tui_refresh(&s)) << "nothing changed";
    env.add_app("aardvark", "Aardvark", {"text/plain"});
    settle_registry();
    EXPECT_TRUE(tui_refresh(&s));
    EXPECT_EQ(view_count(&s), 3);
    EXPECT_EQ(selected_label(), "Beta") << "one row further down";
    EXPECT_STREQ(static_cast<const char *>(s.apps->data), "text/html");
}

// With every item of the list asked ahead, a change from outside must still reach the items
// whose answers are kept, not only the one on the screen.
TEST_F(Refresh, AChangeFromOutsideReachesEveryItemAskedAhead) {
    env.add_app("files", "Files", {"inode/directory"});
    env.add_app("nemo", "Nemo", {"inode/directory"});
    env.register_apps();
    start();
    // The application pane of "File Manager", one row below the selection, as a key shows it.
    auto file_manager = [this] {
        key(TB_KEY_ARROW_DOWN);
        frame();
        V rows;
        for (int y = SCREEN_TOP_ROWS; grid_row(y).size() > SCREEN_COL_APPS; y++) {
            std::string row =
                grid_row(y).substr(SCREEN_COL_APPS, SCREEN_COL_FILE - SCREEN_COL_APPS);
            rows.push_back(row.erase(row.find_last_not_of(' ') + 1));
        }
        key(TB_KEY_ARROW_UP);
        return rows;
    };
    const std::string cache = env.apps_dir + "/mimeinfo.cache";
    struct Change {
        const char *what;
        std::function<void()> make;
        V pane;
    };
    const Change changes[] = {
        {"installed",
         [&] {
             env.add_app("caja", "Caja", {"inode/directory"});
             env.register_apps();
         },
         {"* Files", "  Nemo", "  Caja"}},
        {"removed",
         [&] {
             unlink((env.apps_dir + "/nemo.desktop").c_str());
             write_file(cache, "[MIME Cache]\ntext/html=alpha.desktop;beta.desktop;\n"
                               "inode/directory=files.desktop;caja.desktop;\n");
         },
         {"* Files", "  Caja"}},
        {"default changed",
         [] { ASSERT_EQ(system("gio mime inode/directory caja.desktop >/dev/null"), 0); },
         {"* Caja", "  Files"}},
    };
    fill_all();
    ASSERT_EQ(file_manager(), (V{"* Files", "  Nemo"}));
    for (const Change &c : changes) {
        fill_all();
        c.make();
        settle_registry();
        tui_refresh(&s); // what the loop does when the registry watch reports a change
        EXPECT_EQ(file_manager(), c.pane) << c.what;
    }
}

// quarve's own changes show before the registry watch reports them, with every answer kept.
TEST_F(Refresh, QuarvesOwnChangesMoveTheMarkerAtOnce) {
    start();
    fill_all();
    key(TB_KEY_ARROW_RIGHT);
    key(TB_KEY_ARROW_DOWN); // Beta
    struct Step {
        const char *what;
        uint16_t key;
        uint32_t ch;
        const char *alpha, *beta;
    };
    const Step steps[] = {
        {"Enter", TB_KEY_ENTER, 0, "  Alpha", "* Beta"},
        {"undo", 0, 'u', "* Alpha", "  Beta"},
        {"Enter again", TB_KEY_ENTER, 0, "  Alpha", "* Beta"},
        {"reset", 0, 'r', "* Alpha", "  Beta"},
    };
    for (const Step &step : steps) {
        step.key != 0 ? key(step.key) : ch(step.ch);
        frame();
        EXPECT_EQ(grid_row(4).substr(24, 7), step.alpha) << step.what << ": " << s.status;
        EXPECT_EQ(grid_row(5).substr(24, 6), step.beta) << step.what;
    }
}
