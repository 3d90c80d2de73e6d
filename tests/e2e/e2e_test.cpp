// The real program in a pseudo-terminal, read back through libvterm.
#include <algorithm>
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "pty_screen.h"
#include "xdg_env.h"

namespace {

constexpr const char *KEY_UP = "\033[A";
constexpr const char *KEY_DOWN = "\033[B";
constexpr const char *KEY_DOWN_APP = "\033OB"; // application cursor mode form
constexpr const char *KEY_TAB = "\t";
constexpr const char *KEY_ENTER = "\r";

class E2E : public ::testing::Test {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"text/html", "text/plain"});
        env.add_app("beta", "Beta 日本", {"text/html", "text/plain"});
        env.register_apps();
    }
    XdgEnv env;
};

// Runs the program without any controlling terminal; returns its exit status and output.
int run_detached(std::string *output) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        setsid();
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        close(fds[0]);
        execl(QUARVE_BINARY, QUARVE_BINARY, static_cast<char *>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char buf[256];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        output->append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST_F(E2E, FirstFrameAndQuitRestoreTheTerminal) {
    PtyScreen t(QUARVE_BINARY, 24, 140);
    ASSERT_TRUE(t.wait_text("Presentation"));
    t.settle();
    EXPECT_TRUE(t.altscreen());
    EXPECT_FALSE(t.cursor_visible());
    EXPECT_EQ(t.row(0), "  1:Categories 2:Ext /:Search a:Add d:Delete 3:Apps Tab:Apps "
                        "Enter:Set ?:Help q:Quit");
    EXPECT_EQ(t.row(2), "  CATEGORIES (1)        APPLICATIONS                              FILE");
    EXPECT_EQ(t.row(4).substr(0, 31), "  Web Browser           * Alpha");
    EXPECT_EQ(t.row(4).substr(66), env.apps_dir + "/alpha.desktop");
    EXPECT_EQ(t.row(5).substr(24, 13), "  Beta 日本");
    ScreenCell sel = t.cell(2, 4);
    EXPECT_EQ(sel.fg, 7);
    EXPECT_EQ(sel.bg, 4);
    ScreenCell title = t.cell(2, 2);
    EXPECT_EQ(title.fg, 3);
    EXPECT_TRUE(title.bold);
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_FALSE(t.altscreen());
    EXPECT_TRUE(t.cursor_visible());
}

TEST_F(E2E, EscQuitsAfterItsDelayAndArrowsAreNotEsc) {
    PtyScreen t(QUARVE_BINARY, 24, 100);
    ASSERT_TRUE(t.wait_text("Presentation"));
    t.send(KEY_DOWN);
    t.send(KEY_DOWN_APP);
    ASSERT_TRUE(t.wait_for([&] { return t.cell(2, 6).bg == 4; })) << t.all_text();
    t.send(KEY_UP);
    ASSERT_TRUE(t.wait_for([&] { return t.cell(2, 5).bg == 4; }));
    t.send("\033");
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_FALSE(t.altscreen());
}

TEST_F(E2E, NoTerminalMeansStatusOneAndTheReason) {
    std::string output;
    EXPECT_EQ(run_detached(&output), 1);
    EXPECT_EQ(output.rfind("quarve: cannot open the terminal: ", 0), 0u) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1);
}

TEST_F(E2E, UnknownOrDumbTerminalTypesMeanStatusOneAndTheReason) {
    for (const char *term : {"no-such-terminal", "dumb"}) {
        PtyScreen t(QUARVE_BINARY, 24, 100, term);
        EXPECT_EQ(t.wait_exit(), 1) << term;
        EXPECT_EQ(t.row(0), std::string("quarve: the terminal type ") + term +
                                " is unknown or cannot show a full-screen program")
            << t.all_text();
        EXPECT_EQ(t.row(1), "") << "one line, nothing drawn";
    }
}

TEST_F(E2E, ALostTerminalEndsTheProgramInsteadOfSpinning) {
    // With hang-ups ignored the program itself must notice that its terminal is gone.
    PtyScreen t(QUARVE_BINARY, 24, 100, "xterm-256color", true);
    ASSERT_TRUE(t.wait_text("Presentation"));
    t.hang_up();
    EXPECT_EQ(t.wait_exit(5000), 1);
}

TEST_F(E2E, ResizeRedrawsAtTheNewHeight) {
    PtyScreen t(QUARVE_BINARY, 24, 100);
    ASSERT_TRUE(t.wait_text("Presentation"));
    for (int i = 0; i < 9; i++)
        t.send(KEY_DOWN);
    t.settle();
    t.resize(8, 100);
    ASSERT_TRUE(t.wait_for([&] { return t.row(5).rfind("  Archive Manager", 0) == 0; }))
        << t.all_text();
    EXPECT_EQ(t.row(4).substr(0, 13), "  Mail Client");
    t.resize(24, 100);
    ASSERT_TRUE(t.wait_text("Presentation")) << t.all_text();
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST_F(E2E, EnterMakesTheSelectedApplicationTheDefault) {
    PtyScreen t(QUARVE_BINARY, 24, 100);
    ASSERT_TRUE(t.wait_text("Presentation"));
    t.send(KEY_TAB);
    t.send(KEY_DOWN);
    t.send(KEY_ENTER);
    ASSERT_TRUE(t.wait_text("Beta 日本 is now default for Web Browser")) << t.all_text();
    EXPECT_EQ(t.cell(2, 23).fg, 2);
    EXPECT_EQ(t.row(4).substr(24, 7), "  Alpha");
    EXPECT_EQ(t.row(5).substr(24, 3), "* B");
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST_F(E2E, SearchAndAddThroughTheTerminal) {
    PtyScreen t(QUARVE_BINARY, 24, 100);
    ASSERT_TRUE(t.wait_text("Presentation"));
    t.send("/te");
    ASSERT_TRUE(t.wait_text("Search: te_"));
    EXPECT_EQ(t.row(4).substr(0, 13), "  Text Editor");
    EXPECT_EQ(t.row(5).substr(0, 22).find_first_not_of(' '), std::string::npos)
        << "only one category begins with te";
    t.send(KEY_ENTER);
    t.send("a.png\r");
    ASSERT_TRUE(t.wait_text("Added: .png"));
    std::string ini;
    g_autofree char *contents = nullptr;
    EXPECT_TRUE(g_file_get_contents((env.config_dir + "/quarve/mimetypes.ini").c_str(), &contents,
                                    nullptr, nullptr));
    EXPECT_NE(std::string(contents).find("Text Editor=text/plain;image/png;"), std::string::npos);
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST_F(E2E, TheApplicationListSetsEveryTypeOfOne) {
    PtyScreen t(QUARVE_BINARY, 24, 100);
    ASSERT_TRUE(t.wait_text("Presentation"));
    t.send("3");
    ASSERT_TRUE(t.wait_text("  Alpha                 * html     text/html")) << t.all_text();
    EXPECT_EQ(t.row(2), "  APPLICATIONS (3)      MIME TYPES");
    t.send(std::string(KEY_DOWN) + "A");
    ASSERT_TRUE(t.wait_text("Beta 日本 is now default for every type it declares (2)"));
    EXPECT_EQ(t.row(4).substr(24), "* html     text/html");
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
}
