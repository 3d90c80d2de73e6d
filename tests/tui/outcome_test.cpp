// What the core reports reaches the status line, key by key; the marker and the item pane as
// the screen shows them.
#include <functional>

#include "fixture.h"
#include "tui/pane.h"

namespace {

class StatusLine : public QuarveTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"text/plain", "image/png", "image/gif"});
        env.add_app("beta", "Beta", {"text/plain", "image/png", "image/gif"});
        env.register_apps();
    }
    // A catalogue of one category over three types, and one without types.
    void three() {
        write_file(env.catalogue_path(),
                   "[Categories]\nThree=image/png;text/plain;image/gif;\nNothing=\n");
    }
    // Each row in turn: its keys, then what the status line says.
    struct Row {
        const char *what;
        std::function<void()> press;
        std::string status;
    };
    void expect_rows(const std::vector<Row> &rows) {
        for (const Row &row : rows) {
            row.press();
            EXPECT_EQ(std::string(s.status), row.status) << row.what;
        }
    }
};

} // namespace

TEST_F(StatusLine, EachKeyReportsItsOutcome) {
    three();
    start();
    expect_rows({
        {"Enter in the application pane",
         [&] {
             key(TB_KEY_TAB);
             key(TB_KEY_ARROW_DOWN);
             key(TB_KEY_ENTER);
         },
         "Beta is now default for Three"},
        {"u typed in a search is text and takes nothing back",
         [&] {
             ch('/');
             ch('u');
             key(TB_KEY_BACKSPACE);
             key(TB_KEY_ESC);
         },
         "Beta is now default for Three"},
        {"r", [&] { ch('r'); }, "Reset: Three to the system defaults"},
        {"u", [&] { ch('u'); }, "Undone: the reset of Three"},
        {"p", [&] { ch('p'); }, "Pinned Three to Beta"},
        {"R", [&] { ch('R'); }, "Every pin holds"},
        {"A in the application list",
         [&] {
             ch('3');
             ch('A');
         },
         "Alpha is now default for every type it declares (3)"},
        {"a, then Enter",
         [&] {
             ch('1');
             ch('a');
             type("pdf");
             key(TB_KEY_ENTER);
         },
         "Added: pdf"},
        {"d in the MIME type list",
         [&] {
             ch('2');
             ch('d');
         },
         "Deleted: application/pdf"},
    });
}

TEST_F(StatusLine, DeveloperModeRefusesEveryChange) {
    g_setenv("QUARVE_DEV", "5", TRUE);
    start();
    expect_rows({
        {"u", [&] { ch('u'); }, "Developer Mode: no setting is changed"},
        {"a, then Enter",
         [&] {
             ch('a');
             type("image/x-dev");
             key(TB_KEY_ENTER);
         },
         "Developer Mode: the catalogue is not changed"},
        {"r", [&] { ch('r'); }, "Developer Mode: no setting is changed"},
        {"d in the MIME type list",
         [&] {
             ch('2');
             ch('d');
         },
         "Developer Mode: the catalogue is not changed"},
        {"p", [&] { ch('p'); }, "Developer Mode: no pin is changed"},
        {"a in the MIME type list on a placeholder row, then Enter",
         [&] {
             s.selected = 4;
             ch('a');
             type("png");
             key(TB_KEY_ENTER);
         },
         "Developer Mode: the catalogue is not changed"},
        {"R", [&] { ch('R'); }, "Developer Mode: no pin is changed"},
    });
    EXPECT_EQ(category_types(0).size(), 3u);
    EXPECT_EQ(types().size(), 45u);
    EXPECT_FALSE(g_file_test(env.list_path().c_str(), G_FILE_TEST_EXISTS));
    EXPECT_FALSE(g_file_test((env.config_dir + "/quarve").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(StatusLine, EnterWhereTheItemHasNoApplicationChangesNothing) {
    three();
    start();
    key(TB_KEY_ARROW_DOWN);
    key(TB_KEY_TAB);
    ch('u');
    ASSERT_STREQ(s.status, "Nothing to undo");
    key(TB_KEY_ENTER);
    EXPECT_STREQ(s.status, "No application opens Nothing");
    EXPECT_FALSE(g_file_test(env.list_path().c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(StatusLine, WithoutAnOverrideTheMarkerMovesAndTheSelectionStays) {
    g_setenv("XDG_CURRENT_DESKTOP", "GNOME", TRUE);
    three();
    start();
    key(TB_KEY_TAB);
    key(TB_KEY_ARROW_DOWN);
    frame();
    EXPECT_EQ(grid_row(4).substr(24, 7), "* Alpha");
    key(TB_KEY_ENTER);
    frame();
    EXPECT_STREQ(s.status, "Beta is now default for Three");
    EXPECT_EQ(grid_row(4).substr(24, 7), "  Alpha");
    EXPECT_EQ(grid_row(5).substr(24, 6), "* Beta");
    EXPECT_EQ(grid_cell(2, 29).fg, TB_GREEN);
    EXPECT_EQ(s.app_selected, 1) << "nothing is reloaded";
}

TEST_F(StatusLine, EnterInTheMimeListNamesTheTypeNotItsLabel) {
    three();
    start();
    ch('2');
    key(TB_KEY_ARROW_DOWN);
    key(TB_KEY_ARROW_DOWN);
    ASSERT_EQ(selected_label(), "txt");
    key(TB_KEY_TAB);
    key(TB_KEY_ARROW_DOWN);
    key(TB_KEY_ENTER);
    EXPECT_STREQ(s.status, "Beta is now default for text/plain");
}

TEST_F(StatusLine, TheItemPaneHasNothingOutsideItsRows) {
    three();
    start();
    EXPECT_EQ(app_names(s.apps), (std::vector<std::string>{"Alpha", "Beta"}))
        << "row 0 is loaded at start";
    EXPECT_EQ(apps_for_item(&s, 1), nullptr) << "a category without types";
    EXPECT_EQ(apps_for_item(&s, 2), nullptr);
    EXPECT_EQ(apps_for_item(&s, -1), nullptr);
    EXPECT_EQ(view_label_of(-1), "");
    EXPECT_EQ(view_label_of(2), "");
    EXPECT_EQ(view_label_of(0), "Three");
    ch('/');
    type("zzz");
    key(TB_KEY_ESC);
    EXPECT_EQ(view_count(&s), 0);
    EXPECT_EQ(view_label_of(0), "");
}

TEST_F(StatusLine, AnApplicationThatRunsInATerminalIsMarkedAndItsChoiceWarned) {
    three();
    const std::string beta = env.apps_dir + "/beta.desktop";
    write_file(beta, read_file(beta) + "Terminal=true\n");
    PathOnly path(env.root); // no terminal GIO knows
    start();
    frame();
    EXPECT_NE(grid_row(5).find(" Beta [terminal] "), std::string::npos) << grid_row(5);
    EXPECT_NE(grid_row(4).find(" Alpha "), std::string::npos) << grid_row(4);
    EXPECT_EQ(grid_row(4).find("[terminal]"), std::string::npos) << grid_row(4);
    key(TB_KEY_TAB);
    key(TB_KEY_ARROW_DOWN);
    key(TB_KEY_ENTER);
    EXPECT_STREQ(s.status,
                 "Beta is now default for Three; it runs in a terminal and GIO finds none");
    key(TB_KEY_ARROW_UP);
    key(TB_KEY_ENTER);
    EXPECT_STREQ(s.status, "Alpha is now default for Three");
}

TEST_F(StatusLine, AnAssignmentNamesTheErrorItLeavesAndIShowsTheFindingsFirst) {
    write_file(env.apps_dir + "/hole.desktop",
               "[Desktop Entry]\nType=Application\nName=Hole\nExec=/bin/true %f\n"
               "MimeType=x-scheme-handler/gopher;\n");
    write_file(env.apps_dir + "/mimeinfo.cache", read_file(env.apps_dir + "/mimeinfo.cache") +
                                                     "x-scheme-handler/gopher=hole.desktop;\n");
    write_file(env.catalogue_path(), "[Categories]\nGopher=x-scheme-handler/gopher;\n");
    start();
    key(TB_KEY_TAB);
    key(TB_KEY_ENTER);
    EXPECT_STREQ(
        s.status,
        "Hole is now default for Gopher; it will not get the link: its Exec has no %u or %U");
    key(TB_KEY_TAB);
    ch('i');
    ASSERT_NE(s.why_lines, nullptr);
    std::vector<std::string> lines;
    for (guint i = 0; i < s.why_lines->len; i++)
        lines.emplace_back(static_cast<const char *>(g_ptr_array_index(s.why_lines, i)));
    ASSERT_GT(lines.size(), 6u);
    EXPECT_EQ(lines[0], "error not-passed: x-scheme-handler/gopher");
    auto why =
        std::find(lines.begin(), lines.end(), "x-scheme-handler/gopher: hole.desktop (Hole)");
    EXPECT_NE(why, lines.end()) << "the explanation follows the findings";
    EXPECT_EQ(why[-1], "");
}
