// make demo's script in a pseudo-terminal: quarve comes up on the sample desktop, a default
// set there stays there, and neither the user's folders nor the temporary one are left changed.
#include <cstdlib>
#include <ftw.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <map>
#include <string>

#include "pty_screen.h"
#include "xdg_env.h"

namespace {

std::map<std::string, std::string> *walked = nullptr;

int record(const char *path, const struct stat *, int type, struct FTW *) {
    (*walked)[path] = type == FTW_F ? read_file(path) : type == FTW_SL ? "(link)" : "(folder)";
    return 0;
}

// Every path under root with the contents of its files.
std::map<std::string, std::string> snapshot(const std::string &root) {
    std::map<std::string, std::string> tree;
    walked = &tree;
    nftw(root.c_str(), record, 16, FTW_PHYS);
    walked = nullptr;
    return tree;
}

} // namespace

TEST(Demo, RunsOnTheSampleDesktopAndLeavesTheUsersFoldersAsTheyWere) {
    // The user's own desktop, for this test: one browser of theirs and a default for it.
    XdgEnv env;
    env.add_app("mine", "My Own Browser", {"text/html"});
    env.register_apps();
    write_file(env.config_dir + "/mimeapps.list",
               "[Default Applications]\ntext/html=mine.desktop\n");
    std::string tmp = env.root + "/tmp";
    g_mkdir_with_parents(tmp.c_str(), 0755);
    g_setenv("TMPDIR", tmp.c_str(), TRUE);
    g_setenv("QUARVE", QUARVE_BINARY, TRUE);
    auto before = snapshot(env.root);

    PtyScreen t(QUARVE_SOURCE_DIR "/scripts/demo", 30, 120);
    ASSERT_TRUE(t.wait_text("Firefox ESR")) << t.all_text();
    EXPECT_EQ(t.row(29), "  Demonstration on sample applications: your own settings are untouched");
    EXPECT_EQ(t.all_text().find("My Own Browser"), std::string::npos);
    // Chromium, second among the web browsers, becomes the default: a write the demo must keep
    // in its own folder.
    t.send("\t");
    t.send("\033[B");
    t.send("\r");
    ASSERT_TRUE(t.wait_text("Chromium is now default for Web Browser")) << t.all_text();
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);

    EXPECT_EQ(snapshot(env.root), before);
    EXPECT_EQ(snapshot(tmp).size(), 1u) << "the demo's folder is still there";
}

TEST(Demo, TheWindowIsTitledWhereTheTerminalTakesATitle) {
    XdgEnv env;
    g_setenv("QUARVE_DEMO", "1", TRUE);
    // A description with xterm's title string as an extended capability, and no status line.
    std::string dir = env.root + "/terminfo";
    write_file(env.root + "/ts.src", "quarve-ts|title string only,\n\tTS=\\E]0;, use=vt100,\n");
    ASSERT_EQ(system(("tic -x -o " + dir + " " + env.root + "/ts.src").c_str()), 0);
    g_setenv("TERMINFO_DIRS", (dir + ":").c_str(), TRUE);
    const std::string name = "quarve: demonstration on sample applications";
    const struct {
        const char *term;
        std::string titles; // named, and the name taken away at the end
    } cases[] = {
        {"tmux-256color", "\033]0;" + name + "\007\033]0;\007"}, // a status line
        {"quarve-ts", "\033]0;" + name + "\007\033]0;\007"},
        {"xterm-256color", "\033]2;" + name + "\007\033]2;\007"}, // no description says so
        {"vt100", ""},
    };
    for (const auto &c : cases) {
        PtyScreen t(QUARVE_BINARY, 24, 80, c.term);
        ASSERT_TRUE(t.wait_text("Demonstration on sample applications")) << c.term;
        t.send("q");
        EXPECT_EQ(t.wait_exit(), 0);
        std::string out = t.output(), seen;
        for (size_t at = out.find("\033]"); at != std::string::npos; at = out.find("\033]", at + 1))
            seen += out.substr(at, out.find('\007', at) + 1 - at);
        EXPECT_EQ(seen, c.titles) << c.term;
    }
    g_unsetenv("TERMINFO_DIRS");
}
