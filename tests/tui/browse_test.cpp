#include "catalog/catalog.h"
#include "fixture.h"

namespace {

class Browse : public QuarveTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"text/html", "text/plain"});
        env.add_app("beta", "Beta", {"text/html"});
        env.register_apps();
        start(100, 10); // four list rows per pane
    }
};

} // namespace

TEST_F(Browse, StartsOnTheFirstCategoryWithItsApplications) {
    EXPECT_EQ(s.selected, 0);
    EXPECT_EQ(s.focus, FOCUS_ITEMS);
    EXPECT_EQ(s.mode, MODE_CATEGORIES);
    EXPECT_EQ(g_list_length(s.apps), 2u);
    EXPECT_EQ(s.dev_mode, 0);
}

TEST_F(Browse, UpAndDownStopAtTheEndsWithoutTouchingTheStatus) {
    state_set_status(&s, "kept");
    key(TB_KEY_ARROW_UP);
    EXPECT_EQ(s.selected, 0);
    EXPECT_STREQ(s.status, "kept");
    s.selected = 13;
    key(TB_KEY_ARROW_DOWN);
    EXPECT_EQ(s.selected, 13);
    EXPECT_STREQ(s.status, "kept");
    key(TB_KEY_ARROW_UP);
    EXPECT_EQ(s.selected, 12);
    EXPECT_STREQ(s.status, "");
}

TEST_F(Browse, MovingTheItemReloadsApplications) {
    s.app_scroll = 3;
    key(TB_KEY_ARROW_DOWN);
    EXPECT_EQ(s.selected, 1);
    EXPECT_EQ(s.apps, nullptr) << "File Manager has no applications here";
    EXPECT_EQ(s.app_scroll, 0);
    key(TB_KEY_ARROW_DOWN);
    key(TB_KEY_ARROW_DOWN);
    EXPECT_EQ(g_list_length(s.apps), 1u) << "Text Editor";
}

TEST_F(Browse, FocusMovesRightAndBackWithoutToggling) {
    key(TB_KEY_TAB);
    EXPECT_EQ(s.focus, FOCUS_APPS);
    key(TB_KEY_ARROW_DOWN);
    EXPECT_EQ(s.app_selected, 1);
    key(TB_KEY_ARROW_DOWN);
    EXPECT_EQ(s.app_selected, 1) << "last application";
    key(TB_KEY_TAB);
    EXPECT_EQ(s.focus, FOCUS_APPS) << "Tab does not toggle back";
    EXPECT_EQ(s.app_selected, 1);
    key(TB_KEY_ARROW_LEFT);
    EXPECT_EQ(s.focus, FOCUS_ITEMS);
    EXPECT_EQ(s.app_selected, 1) << "Left keeps the application selection";
    key(TB_KEY_ARROW_RIGHT);
    EXPECT_EQ(s.focus, FOCUS_APPS);
    EXPECT_EQ(s.app_selected, 0);
}

TEST_F(Browse, StatusSurvivesEverythingButAMove) {
    state_set_status(&s, "Added: png");
    for (uint16_t k : {TB_KEY_TAB, TB_KEY_ARROW_LEFT, TB_KEY_ARROW_RIGHT, TB_KEY_ARROW_LEFT})
        key(k);
    ch('2');
    ch('1');
    ch('/');
    type("we");
    key(TB_KEY_ENTER);
    EXPECT_STREQ(s.status, "Added: png");
    ch('1');
    key(TB_KEY_ARROW_DOWN);
    EXPECT_STREQ(s.status, "");
}

TEST_F(Browse, EnterOnTheItemPaneDoesNothing) {
    key(TB_KEY_ENTER);
    EXPECT_STREQ(s.status, "Tab goes to the applications; Enter there makes one the default");
    EXPECT_FALSE(g_file_test((env.config_dir + "/mimeapps.list").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(Browse, ModeKeysResetSelectionAndSearch) {
    key(TB_KEY_ARROW_DOWN);
    g_strlcpy(s.search, "t", sizeof s.search);
    view_rebuild(&s);
    ASSERT_EQ(view_count(&s), 2);
    ch('1');
    EXPECT_EQ(s.selected, 0);
    EXPECT_STREQ(s.search, "");
    EXPECT_EQ(view_count(&s), 14);
    ch('2');
    EXPECT_EQ(s.mode, MODE_EXTENSIONS);
    EXPECT_EQ(view_count(&s), 45);
    EXPECT_EQ(s.focus, FOCUS_ITEMS);
}

TEST_F(Browse, QuitKeysAndIgnoredKeys) {
    EXPECT_FALSE(key(TB_KEY_F1));
    EXPECT_FALSE(ch('x'));
    EXPECT_FALSE(ch(' '));
    EXPECT_TRUE(ch('q'));
    EXPECT_TRUE(key(TB_KEY_ESC));
    tb_event resize{};
    resize.type = TB_EVENT_RESIZE;
    EXPECT_FALSE(tui_event(&s, &resize));
    ch('/');
    EXPECT_FALSE(ch('q')) << "q is text during an entry";
    EXPECT_FALSE(key(TB_KEY_ESC)) << "Esc ends the entry";
    EXPECT_STREQ(s.search, "q");
    EXPECT_TRUE(key(TB_KEY_ESC));
}

TEST_F(Browse, ScrollKeepsTheSelectionVisible) {
    for (int i = 0; i < 6; i++)
        key(TB_KEY_ARROW_DOWN);
    frame();
    EXPECT_EQ(s.scroll, 3) << "row 6 is the last of four visible rows";
    EXPECT_EQ(grid_row(7), "  Video Player");
    for (int i = 0; i < 4; i++)
        key(TB_KEY_ARROW_UP);
    frame();
    EXPECT_EQ(s.scroll, 2);
    EXPECT_EQ(grid_row(4), "  PDF Reader");
}

TEST_F(Browse, ScrollRulesOnTerminalsWithoutListRows) {
    s.selected = 5;
    tui_scroll(&s, 0);
    EXPECT_EQ(s.scroll, 6);
    tui_scroll(&s, -2);
    EXPECT_EQ(s.scroll, 5);
    tui_scroll(&s, 4);
    EXPECT_EQ(s.scroll, 5) << "growing the terminal shows the selection again";
    s.selected = 9;
    tui_scroll(&s, 4);
    EXPECT_EQ(s.scroll, 6);
}
