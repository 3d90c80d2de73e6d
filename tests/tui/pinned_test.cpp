// Pins on the screen: p and R, and the notice when another program takes a pinned type over
// while quarve runs.
#include <cstdlib>

#include "fixture.h"
#include "tui/pane.h"

namespace {

class Pinned : public QuarveTest {
  protected:
    void SetUp() override {
        for (const char *app : {"alpha", "beta"})
            env.add_app(app, app == std::string("alpha") ? "Alpha" : "Beta",
                        {"text/html", "x-scheme-handler/http", "x-scheme-handler/https"});
        env.register_apps();
    }
    // What the running program does on a change of the registry: GIO takes it in between two
    // events, then the pane's source looks.
    void registry_changed() {
        for (int i = 0; i < 50; i++) {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            g_usleep(10000);
        }
        tui_refresh(&s);
    }
    uint16_t status_colour() {
        frame();
        return grid_cell(2, tb_height() - 1).fg;
    }
};

} // namespace

TEST_F(Pinned, ATakeoverIsToldInRedOnceAndRPutsItBack) {
    start();
    ch('p');
    EXPECT_STREQ(s.status, "Pinned Web Browser to Alpha");
    ASSERT_EQ(system("gio mime x-scheme-handler/https beta.desktop >/dev/null"), 0);
    registry_changed();
    EXPECT_STREQ(s.status, "Changed elsewhere: x-scheme-handler/https now opens in Beta; pinned "
                           "to Alpha (R puts it back)");
    EXPECT_EQ(status_colour(), TB_RED);
    state_set_status(&s, "an action since");
    registry_changed();
    EXPECT_STREQ(s.status, "an action since") << "the same takeover is told once";
    ch('R');
    EXPECT_STREQ(s.status, "Put back: x-scheme-handler/https opens in Alpha");
    EXPECT_EQ(status_colour(), TB_GREEN);
    // quarve's own changes are the user's: the undo of the put-back moves the pin, unannounced.
    ch('u');
    registry_changed();
    EXPECT_STREQ(s.status, "Undone: Alpha for Web Browser");
    ch('p');
    EXPECT_STREQ(s.status, "Unpinned Web Browser");
}

TEST_F(Pinned, DeveloperModeChangesNoPin) {
    g_setenv("QUARVE_DEV", "3", TRUE);
    start();
    for (uint32_t key : {'p', 'R'}) {
        ch(key);
        EXPECT_STREQ(s.status, "Developer Mode: no pin is changed") << char(key);
    }
    EXPECT_FALSE(g_file_test((env.config_dir + "/quarve/pins.ini").c_str(), G_FILE_TEST_EXISTS));
}
