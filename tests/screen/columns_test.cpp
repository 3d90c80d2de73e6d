// An application row owns its columns.
#include "catalog/catalog.h"
#include "fixture.h"
#include "registry/apps.h"

namespace {

class Columns : public QuarveTest {
  protected:
    void SetUp() override {
        env.add_app("long", std::string("Long ") + std::string(50, 'n') + " end", {"x-a/b"});
        // "日" is two columns wide: placed so that it would cover columns 64 and 65.
        env.add_app("wide", "W" + std::string(37, 'w') + "日本", {"x-a/b"});
        env.add_app("short", "Short", {"x-a/b"});
        env.register_apps();
        // The second label's last "漢" would cover columns 23 and 24.
        write_file(env.config_dir + "/quarve/mimetypes.ini",
                   "[Categories]\nA category label far too long for its column=x-a/b;\n"
                   "Wide 漢字漢字漢字漢字漢=x-a/b;\nThird=x-a/b;\n"
                   "Fourth label that runs on past the application column=x-a/b;\n");
    }
};

} // namespace

TEST_F(Columns, NamesEndBeforeTheFileColumnAndLabelsDoNotShowThrough) {
    start(140, 12);
    frame();
    EXPECT_EQ(grid_row(4).substr(0, 24), "  A category label far t");
    // Marker and name fill columns 24 to 64; "…" stands in column 65, the file from 66.
    EXPECT_EQ(grid_cell(24, 4).text, "*");
    EXPECT_EQ(grid_cell(64, 4).text, "n");
    EXPECT_EQ(grid_cell(65, 4).text, "…");
    EXPECT_EQ(grid_row(4).substr(grid_row(4).find(env.apps_dir)), env.apps_dir + "/long.desktop");
    // A wide character across the end of the name's columns is a space before the "…".
    EXPECT_EQ(grid_cell(63, 5).text, "w");
    EXPECT_EQ(grid_cell(64, 5).text, " ");
    EXPECT_EQ(grid_cell(65, 5).text, "…");
    EXPECT_EQ(grid_cell(66, 5).text, "/");
    EXPECT_EQ(grid_cell(23, 5).text, " ") << "a wide character across column 24 is a space";
    // Between a short name and the file nothing of the item label shows, and nothing of the
    // row is painted beyond the texts.
    EXPECT_EQ(grid_row(6).substr(0, 66),
              "  Third" + std::string(17, ' ') + "  Short" + std::string(35, ' '));
    EXPECT_EQ(grid_cell(40, 6).bg, TB_BLACK);
    // Where the application pane has no row the label stays whole.
    EXPECT_EQ(grid_row(7), "  Fourth label that runs on past the application column");
}

TEST_F(Columns, TheSelectionBarKeepsTheWidthOfItsText) {
    start(140, 12);
    s.focus = FOCUS_APPS;
    s.app_selected = 2;
    frame();
    EXPECT_EQ(grid_cell(24, 6).bg, TB_BLUE);
    EXPECT_EQ(grid_cell(30, 6).bg, TB_BLUE) << "the end of \"  Short\"";
    EXPECT_EQ(grid_cell(31, 6).bg, TB_BLACK);
    EXPECT_EQ(grid_cell(66, 6).bg, TB_BLUE) << "the file on the row's background";
}
