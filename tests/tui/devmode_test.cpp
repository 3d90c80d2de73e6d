#include "catalog/catalog.h"
#include "fixture.h"
#include "registry/apps.h"
#include "tui/source.h"

TEST(DevCount, ValuesReadAsDecimalWithDefaultAndCap) {
    EXPECT_EQ(dev_parse_count(""), 10);
    EXPECT_EQ(dev_parse_count("0"), 10);
    EXPECT_EQ(dev_parse_count("-3"), 10);
    EXPECT_EQ(dev_parse_count("abc"), 10);
    EXPECT_EQ(dev_parse_count("3"), 3);
    EXPECT_EQ(dev_parse_count("3abc"), 3);
    EXPECT_EQ(dev_parse_count(" 5"), 5);
    EXPECT_EQ(dev_parse_count("+7"), 7);
    EXPECT_EQ(dev_parse_count("99999999999"), DEV_MAX_COUNT);
    EXPECT_EQ(dev_parse_count("99999999999999999999999999"), DEV_MAX_COUNT);
    EXPECT_EQ(dev_parse_count("-99999999999999999999999999"), 10);
}

namespace {

class DevMode : public QuarveTest {
  protected:
    void start_dev(const char *value) {
        g_setenv("QUARVE_DEV", value, TRUE);
        start(100, 12);
    }
};

} // namespace

TEST_F(DevMode, PlaceholderRowsInBothPanes) {
    start_dev("3");
    EXPECT_EQ(s.dev_mode, 1);
    EXPECT_EQ(view_count(&s), 3);
    key(TB_KEY_ARROW_DOWN);
    frame();
    EXPECT_EQ(grid_screen(),
              "  1:Categories 2:Ext /:Search a:Add d:Delete 3:Apps Tab:Apps "
              "Enter:Set ?:Help q:Quit\n"
              "\n"
              "  CATEGORIES (1)        APPLICATIONS                              FILE\n"
              "\n"
              "  Dev Category 1          Dev Application 2.1\n"
              "  Dev Category 2          Dev Application 2.2\n"
              "  Dev Category 3          Dev Application 2.3\n"
              "\n\n\n\n"
              "  Developer Mode\n");
    EXPECT_EQ(grid_cell(2, 11).fg, TB_GREEN);
    key(TB_KEY_TAB);
    key(TB_KEY_ARROW_DOWN);
    key(TB_KEY_ARROW_DOWN);
    key(TB_KEY_ARROW_DOWN);
    EXPECT_EQ(s.app_selected, 2);
    frame();
    EXPECT_EQ(grid_cell(24, 6).bg, TB_BLUE);
    EXPECT_EQ(grid_cell(2, 5).bg, TB_WHITE) << "the item selection stays visible";
    key(TB_KEY_ENTER);
    EXPECT_STREQ(s.status, "Mock: Dev Application 2.3 is now default for Dev Category 2");
    frame();
    EXPECT_EQ(grid_row(11), "  Mock: Dev Application 2.3 is now default for Dev Category 2");
    key(TB_KEY_ARROW_UP);
    frame();
    EXPECT_EQ(grid_row(11), "  Developer Mode");
    EXPECT_FALSE(g_file_test((env.config_dir + "/mimeapps.list").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(DevMode, ModesSearchAndTheRealCatalogue) {
    start_dev("abc");
    EXPECT_EQ(view_count(&s), 10);
    ch('2');
    frame();
    EXPECT_EQ(grid_row(2).substr(0, 16), "  EXTENSIONS (2)");
    EXPECT_EQ(grid_row(4).substr(0, 16), "  Dev Category 1");
    s.selected = 4;
    ch('/');
    ch('x');
    EXPECT_EQ(s.selected, 0);
    EXPECT_EQ(view_count(&s), 10) << "the placeholders stay";
    EXPECT_LT(s.view->len, 45u) << "the real view is filtered";
    key(TB_KEY_ESC);
    ch('1');
    ch('/');
    type("web");
    key(TB_KEY_ESC);
    ASSERT_EQ(s.view->len, 1u);
    s.selected = 5;
    ch('a');
    type("png");
    key(TB_KEY_ENTER);
    EXPECT_STREQ(s.status, "Developer Mode: the catalogue is not changed");
    s.selected = 0;
    ch('a');
    type("png");
    key(TB_KEY_ENTER);
    EXPECT_STREQ(s.status, "Developer Mode: the catalogue is not changed")
        << "not even on a row where a real category stands";
    EXPECT_EQ(category_types(0).size(), 3u);
}

TEST_F(DevMode, UnsetVariableShowsNothingOfIt) {
    start(100, 12);
    frame();
    EXPECT_EQ(s.dev_mode, 0);
    EXPECT_EQ(grid_row(4), "  Web Browser");
    EXPECT_EQ(grid_row(11), "");
}

TEST_F(DevMode, HugeCountsStayBounded) {
    start_dev("99999999999");
    EXPECT_EQ(view_count(&s), DEV_MAX_COUNT);
    EXPECT_EQ(g_list_length(s.apps), static_cast<guint>(DEV_MAX_COUNT));
}

TEST_F(DevMode, TheApplicationListHasPlaceholdersToo) {
    start_dev("3");
    for (uint32_t c : {'3', 'A'})
        ch(c);
    EXPECT_STREQ(s.status, "Mock: Dev Application 1 is now default for every type it declares (3)");
    for (uint16_t k : {TB_KEY_TAB, TB_KEY_ARROW_DOWN, TB_KEY_ENTER})
        key(k);
    EXPECT_STREQ(s.status, "Mock: Dev Application 1 is now default for Dev Type 1.2");
    EXPECT_FALSE(g_file_test((env.config_dir + "/mimeapps.list").c_str(), G_FILE_TEST_EXISTS));
}
