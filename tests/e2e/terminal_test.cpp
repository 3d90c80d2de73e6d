// The real program in a pseudo-terminal: bracketed paste, Ctrl-C, and a default changed by
// another program showing without a key.
#include <cstdlib>
#include <glib.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

#include "pty_screen.h"
#include "two_apps.h"

namespace {

using Terminal = TwoApps;

} // namespace

TEST_F(Terminal, PastedTextIsTextAndTheModeIsOnOnlyWhileRunning) {
    PtyScreen t(QUARVE_BINARY, 24, 100);
    ASSERT_TRUE(t.wait_text("Presentation"));
    EXPECT_NE(t.output().find("\033[?2004h"), std::string::npos) << "bracketed paste is on";
    // A paste in browse mode does nothing: "q" in it does not quit.
    t.send("\033[200~q\033[201~");
    t.send("a");
    ASSERT_TRUE(t.wait_text("Add Mime/Ext to Category: _"));
    t.send("\033[200~pn\rg\033[201~");
    ASSERT_TRUE(t.wait_text("Add Mime/Ext to Category: png_")) << t.all_text();
    t.send("\r");
    ASSERT_TRUE(t.wait_text("Added: png"));
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_NE(t.output().find("\033[?2004l"), std::string::npos) << "and off at the end";
}

TEST_F(Terminal, APasteWhoseEndNeverComesEndsAfterAPause) {
    PtyScreen t(QUARVE_BINARY, 24, 100);
    ASSERT_TRUE(t.wait_text("Presentation"));
    t.send("\033[200~q");
    t.settle(300);
    EXPECT_EQ(t.wait_exit(200), -1) << "within the paste, q is text";
    usleep(1200 * 1000);
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0) << "a second later it is a key again";
}

TEST_F(Terminal, OverlaysTallerThanTheTerminalScrollAndAnyOtherKeyClosesThem) {
    write_file(env.config_dir + "/mimeapps.list",
               "[Default Applications]\ntext/html=beta.desktop\n");
    PtyScreen t(QUARVE_BINARY, 12, 80);
    ASSERT_TRUE(t.wait_text("File Manager"));
    t.send("i");
    ASSERT_TRUE(t.wait_text("WHY IT OPENS WHERE IT DOES")) << t.all_text();
    EXPECT_NE(t.all_text().find("text/html: beta.desktop (Beta)"), std::string::npos);
    EXPECT_NE(t.row(11).find("scroll; any other key closes this view."), std::string::npos)
        << t.all_text();
    t.send("\033[F"); // End
    ASSERT_TRUE(t.wait_text("x-scheme-handler/https:")) << t.all_text();
    EXPECT_EQ(t.all_text().find("WHY IT OPENS"), std::string::npos) << "the top scrolled away";
    t.send("x");
    ASSERT_TRUE(t.wait_text("CATEGORIES (1)"));
    // The key help at this size: its last lines are reached, not cut off.
    t.send("?");
    ASSERT_TRUE(t.wait_text("KEYS"));
    t.send("\033[F");
    ASSERT_TRUE(t.wait_text("the undo journal")) << t.all_text();
    t.send("\033[B"); // Down at the end stays there
    t.settle();
    EXPECT_NE(t.all_text().find("the undo journal"), std::string::npos);
    t.send("q");
    ASSERT_TRUE(t.wait_text("CATEGORIES (1)"));
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST_F(Terminal, CtrlCQuitsFromAnEntryAndRestoresTheTerminal) {
    PtyScreen t(QUARVE_BINARY, 24, 100);
    ASSERT_TRUE(t.wait_text("Presentation"));
    t.send("/we");
    ASSERT_TRUE(t.wait_text("Search: we_"));
    t.send("\003");
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_FALSE(t.altscreen());
    EXPECT_TRUE(t.cursor_visible());
}

TEST_F(Terminal, ADefaultSetWithGioShowsWithoutAKey) {
    PtyScreen t(QUARVE_BINARY, 24, 100);
    ASSERT_TRUE(t.wait_text("Presentation"));
    ASSERT_TRUE(t.wait_for([&] { return t.row(4).substr(24, 7) == "* Alpha"; }));
    ASSERT_EQ(system("gio mime text/html beta.desktop >/dev/null"), 0);
    EXPECT_TRUE(t.wait_for([&] { return t.row(5).substr(24, 6) == "* Beta"; }, 3000))
        << t.all_text();
    EXPECT_EQ(t.row(4).substr(24, 7), "  Alpha");
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

namespace {

// Every cell of the screen with the focus on the applications and a status shown, with the
// environment variable name set to value (none set for nullptr).
std::vector<ScreenCell> frame_under(const char *name, const char *value) {
    g_unsetenv("NO_COLOR");
    g_unsetenv("QUARVE_COLORS");
    if (name != nullptr)
        g_setenv(name, value, TRUE);
    PtyScreen t(QUARVE_BINARY, 24, 80);
    std::vector<ScreenCell> cells;
    t.wait_text("Presentation");
    t.send("\tx");
    bool shown = t.wait_text("x does nothing here");
    for (int i = 0; shown && i < 24 * 80; i++)
        cells.push_back(t.cell(i % 80, i / 80));
    t.send("q");
    t.wait_exit();
    return cells;
}

} // namespace

TEST_F(Terminal, NoColorAndTerminalColoursEachKeepTheirPartOfTheScreen) {
    std::vector<ScreenCell> plain = frame_under(nullptr, nullptr),
                            none = frame_under("NO_COLOR", "1"),
                            own = frame_under("QUARVE_COLORS", "terminal");
    ASSERT_EQ(plain.size(), 24u * 80u);
    ASSERT_EQ(none.size(), plain.size());
    ASSERT_EQ(own.size(), plain.size());
    // NO_COLOR: no colour anywhere; the selection in reverse video, bold where the focus is.
    for (size_t i = 0; i < none.size(); i++)
        EXPECT_TRUE(none[i].fg == -1 && none[i].bg == -1) << "cell " << i % 80 << "," << i / 80;
    EXPECT_TRUE(none[4 * 80 + 2].reverse && !none[4 * 80 + 2].bold) << "Web Browser";
    EXPECT_TRUE(none[4 * 80 + 26].reverse && none[4 * 80 + 26].bold) << "Alpha, with the focus";
    // QUARVE_COLORS=terminal: white (or a title's yellow) on black is the terminal's own now;
    // the selection bars and the status keep their colours.
    int kept = 0;
    for (size_t i = 0; i < own.size(); i++) {
        const ScreenCell &was = plain[i], &now = own[i];
        bool plain = was.bg == 0 && (was.fg == 7 || was.fg == 3);
        kept += plain ? 0 : 1;
        EXPECT_TRUE(plain ? now.fg == -1 && now.bg == -1 && now.bold == was.bold
                          : now.fg == was.fg && now.bg == was.bg)
            << "cell " << i % 80 << "," << i / 80;
    }
    EXPECT_GT(kept, 0);
}
