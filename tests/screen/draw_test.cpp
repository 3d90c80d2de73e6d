#include "catalog/catalog.h"
#include "fixture.h"
#include "registry/apps.h"
#include "tui/pane.h"

namespace {

class Draw : public QuarveTest {
  protected:
    void with_apps() {
        env.add_app("alpha", "Alpha", {"image/png"});
        env.add_app("beta", "Beta", {"text/plain", "image/png"});
        env.register_apps();
        // alpha is the first registered for image/png, beta for text/plain.
        write_file(env.config_dir + "/quarve/mimetypes.ini",
                   "[Categories]\nMixed=image/png;text/plain;\nPng=image/png;\n");
    }
    bool colours(int x, int y, uint16_t fg, uint16_t bg) {
        GridCell c = grid_cell(x, y);
        return c.fg == fg && c.bg == bg;
    }
};

} // namespace

TEST_F(Draw, HeaderTitlesAndFirstFrame) {
    start(100, 24);
    frame();
    // The original help text first; hints added since only after it.
    EXPECT_EQ(grid_row(0).rfind("  1:Categories 2:Ext /:Search a:Add d:Delete ", 0), 0u);
    EXPECT_EQ(grid_screen(),
              "  1:Categories 2:Ext /:Search a:Add d:Delete 3:Apps Tab:Apps "
              "Enter:Set ?:Help q:Quit\n"
              "\n"
              "  CATEGORIES (1)        APPLICATIONS                              FILE\n"
              "\n"
              "  Web Browser\n"
              "  File Manager\n"
              "  PDF Reader\n"
              "  Text Editor\n"
              "  Code Editor\n"
              "  Image Viewer\n"
              "  Video Player\n"
              "  Audio Player\n"
              "  Mail Client\n"
              "  Archive Manager\n"
              "  Torrent Client\n"
              "  Word Processor\n"
              "  Spreadsheet\n"
              "  Presentation\n");
    EXPECT_TRUE(colours(2, 0, TB_WHITE, TB_BLACK));
    EXPECT_TRUE(colours(2, 2, TB_YELLOW | TB_BOLD, TB_BLACK));
    EXPECT_TRUE(colours(24, 2, TB_YELLOW | TB_BOLD, TB_BLACK));
    EXPECT_TRUE(colours(66, 2, TB_YELLOW | TB_BOLD, TB_BLACK));
    // Cells no text covers are blank, white on black.
    EXPECT_TRUE(colours(90, 10, TB_WHITE, TB_BLACK));
    s.mode = MODE_EXTENSIONS;
    frame();
    EXPECT_EQ(grid_row(2).substr(0, 16), "  EXTENSIONS (2)");
}

TEST_F(Draw, SelectionColoursFollowTheFocusWithoutPadding) {
    start();
    frame();
    EXPECT_TRUE(colours(2, 4, TB_WHITE, TB_BLUE));
    EXPECT_TRUE(colours(12, 4, TB_WHITE, TB_BLUE)); // last character of "Web Browser"
    EXPECT_TRUE(colours(13, 4, TB_WHITE, TB_BLACK)) << "the bar is as wide as its text";
    EXPECT_TRUE(colours(2, 5, TB_WHITE, TB_BLACK));
    s.focus = FOCUS_APPS;
    frame();
    EXPECT_TRUE(colours(2, 4, TB_BLUE, TB_WHITE));
}

TEST_F(Draw, StatusColourFollowsTheOutcomesToneNotItsText) {
    start(80, 20);
    frame();
    EXPECT_EQ(grid_row(19), "");
    const struct {
        Outcome outcome;
        uint16_t fg;
    } rows[] = {
        {outcome_failed("Failed to set default application"), TB_RED},
        {outcome_ok("Added: png"), TB_GREEN},
        // The flag decides, whatever the words.
        {outcome_ok("Failed is only a word here"), TB_GREEN},
        {outcome_failed("No such thing"), TB_RED},
    };
    for (const auto &r : rows) {
        state_report(&s, r.outcome);
        frame();
        EXPECT_EQ(grid_row(19), "  " + r.outcome.message);
        EXPECT_TRUE(colours(2, 19, r.fg, TB_BLACK)) << r.outcome.message;
    }
    state_set_notice(&s, "Changed elsewhere");
    frame();
    EXPECT_TRUE(colours(2, 19, TB_RED, TB_BLACK)) << "a notice";
}

TEST_F(Draw, ShortTerminalsShowNoRowsAndTheStatusLast) {
    start(80, 7);
    state_set_status(&s, "ok");
    frame();
    EXPECT_EQ(grid_row(4), "  Web Browser") << "7 rows leave one list row";
    EXPECT_EQ(grid_row(5), "");
    EXPECT_EQ(grid_row(6), "  ok");
    for (int h : {6, 3, 1}) {
        grid_resize(80, h);
        frame();
        for (int y = 0; y < h; y++)
            EXPECT_EQ(grid_row(y).find("Web Browser"), std::string::npos) << h;
        // The status, drawn last, overwrites only the cells it covers.
        EXPECT_EQ(grid_row(h - 1).substr(0, 4), "  ok") << h;
        EXPECT_EQ(grid_cell(2, h - 1).fg, TB_GREEN);
    }
}

TEST_F(Draw, NarrowTerminalsClipColumns) {
    with_apps();
    start(66, 12);
    frame();
    EXPECT_EQ(grid_row(2), "  CATEGORIES (1)        APPLICATIONS");
    EXPECT_EQ(grid_row(4), "  Mixed                 * Alpha");
    grid_resize(24, 12);
    frame();
    EXPECT_EQ(grid_row(2), "  CATEGORIES (1)");
    EXPECT_EQ(grid_row(4), "  Mixed");
}

TEST_F(Draw, DefaultsAreMarkedAndPathsShown) {
    with_apps();
    start(160, 12);
    frame();
    // Two types with different defaults: both applications are marked.
    const std::string gap(35, ' ');
    EXPECT_EQ(grid_screen(),
              "  1:Categories 2:Ext /:Search a:Add d:Delete 3:Apps Tab:Apps "
              "Enter:Set ?:Help q:Quit\n"
              "\n"
              "  CATEGORIES (1)        APPLICATIONS                              FILE\n"
              "\n"
              "  Mixed                 * Alpha" +
                  gap + env.apps_dir +
                  "/alpha.desktop\n"
                  "  Png                   * Beta " +
                  gap + env.apps_dir + "/beta.desktop\n");
    // One type: only its default.
    s.selected = 1;
    s.focus = FOCUS_APPS;
    apps_reload(&s);
    frame();
    EXPECT_EQ(grid_row(4).substr(24, 7), "* Alpha");
    EXPECT_EQ(grid_row(5).substr(24, 6), "  Beta");
    EXPECT_TRUE(colours(24, 4, TB_WHITE, TB_BLUE));
    EXPECT_TRUE(colours(31, 4, TB_WHITE, TB_BLACK)) << "gap after the name stays unpainted";
    EXPECT_TRUE(colours(66, 4, TB_WHITE, TB_BLUE)) << "path on the row's background";
    EXPECT_TRUE(colours(24, 5, TB_WHITE, TB_BLACK));
}

TEST_F(Draw, EmptyViewDrawsNoRows) {
    with_apps();
    start(100, 12);
    g_strlcpy(s.search, "zzz", sizeof s.search);
    view_rebuild(&s);
    apps_reload(&s);
    frame();
    for (int y = 4; y < 10; y++)
        EXPECT_EQ(grid_row(y), "") << y;
    EXPECT_EQ(grid_row(2).substr(0, 16), "  CATEGORIES (1)");
}

TEST_F(Draw, AnOverlayLineWiderThanTheScreenWrapsAtBlanksUnderItsText) {
    const std::vector<std::string> cases[] = {
        {"    p                    pin the item to its current defaults against other",
         "                         programs, or unpin it", "    R"},
        {"    p                    pin the item to", "                     its current",
         "                     defaults against", "                     other programs, or",
         "                     unpin it", "    R"},
    };
    for (const auto &rows : cases) {
        start(rows.size() == 3 ? 80 : 40, 80);
        ch('?');
        frame();
        int y = 0;
        while (y < 70 && grid_row(y).rfind("    p ", 0) != 0)
            y++;
        ASSERT_LT(y, 70);
        for (size_t i = 0; i < rows.size(); i++)
            EXPECT_EQ(grid_row(y + static_cast<int>(i)).substr(0, rows[i].size()), rows[i]);
        tui_teardown(&s);
    }
    // A path has no blank: it is cut at the edge and goes on below, indented.
    start(40, 100); // tall enough for the whole help
    ch('?');
    frame();
    const std::string path = env.config_dir + "/mimeapps.list";
    int y = 0;
    while (y < 79 && grid_row(y) != "    " + path.substr(0, 36))
        y++;
    ASSERT_LT(y, 79);
    EXPECT_EQ(grid_row(y + 1), "      " + path.substr(36));
}

TEST_F(Draw, HintsAfterTheHelpTextShowWholeOrNotAtAll) {
    for (int width : {84, 83}) {
        start(width, 24);
        frame();
        EXPECT_EQ(grid_row(0), "  1:Categories 2:Ext /:Search a:Add d:Delete 3:Apps Tab:Apps "
                               "Enter:Set ?:Help" +
                                   std::string(width == 84 ? " q:Quit" : ""));
        tui_teardown(&s);
    }
    start();
}

TEST_F(Draw, AStatusWiderThanTheScreenBeginsInTheRowAboveItsOwn) {
    start(40, 12);
    state_set_status(&s, "Xarchiver is now default for Archive Manager; also set for 3 related "
                         "types: i lists them");
    frame();
    EXPECT_EQ(grid_row(10), "  Xarchiver is now default for Archive");
    EXPECT_EQ(grid_row(11), "  Manager; also set for 3 related types…");
}

TEST_F(Draw, AnOverlaysClosingLineWrapsAndTheLastLinesShowAboveIt) {
    start(40, 10);
    ch('?');
    key(TB_KEY_END);
    frame();
    EXPECT_EQ(grid_row(6), "        extension labels (read only)");
    EXPECT_EQ(grid_row(7), "  Up, Down, Page Up/Down, Home, End");
    EXPECT_EQ(grid_row(8), "    scroll; any other key closes this");
    EXPECT_EQ(grid_row(9), "    help.");
}
