// One change, one transaction: the settings, the journal and the pins agree whatever moment the
// process dies at, a pin that cannot follow stops the change before anything is written, and
// another program's write is never lost. The real binary, killed and raced by the real tools.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "shell_line.h"
#include "xdg_env.h"

namespace {

ShellSaid sh(const std::string &line) {
    return shell_line(QUARVE_BINARY, line);
}

class Change : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char *app : {"alpha", "beta"})
            env.add_app(
                app, app,
                {"text/html", "x-scheme-handler/http", "x-scheme-handler/https", "image/png"});
        env.register_apps();
        ASSERT_EQ(sh("q pin 'Web Browser' alpha").status, 0);
    }
    std::string list() { return read_file(env.config_dir + "/mimeapps.list"); }
    std::string journal() { return read_file(env.root + "/state/quarve/journal.ini"); }
    std::string pins() { return env.config_dir + "/quarve/pins.ini"; }
    // What the three files say of text/html: the default, whether the newest journal entry is
    // the change to beta, and the pin.
    std::string state() {
        std::string j = journal();
        size_t last = j.rfind("[Assignment");
        bool journaled = last != std::string::npos && j.find("app=beta", last) != std::string::npos;
        std::string p = read_file(pins());
        size_t html = p.find("[text/html]");
        std::string pin =
            p.substr(p.find("app=", html) + 4, p.find(".desktop", html) - p.find("app=", html) - 4);
        return "default " + gio_default("text/html") + ", journal " +
               (journaled ? "beta" : "earlier") + ", pin " + pin;
    }
    XdgEnv env;
};

// A program under strace cannot be stopped again by LeakSanitizer (it stops the world with
// ptrace too), so the traced runs of a sanitizer build leave leaks to the untraced ones.

// The syscall strace kills the command at: the nth of its kind, before it takes effect.
struct KillPoint {
    const char *name;
    const char *syscall;
    int nth;
    const char *after; // the state the next run finds or makes
    const char *said;  // what the next run says on stderr, "" for nothing
};

} // namespace

TEST_F(Change, AKillAtAnyPointLeavesTheFilesAgreeingOnTheNextRun) {
    ASSERT_NE(g_find_program_in_path("strace"), nullptr)
        << "scripts/install-deps --test installs it";
    const std::string before = "default alpha.desktop, journal earlier, pin alpha";
    const std::string after = "default beta.desktop, journal beta, pin beta";
    // quarve set renames the record of the change into place; exchanges mimeapps.list with its
    // new file and unlinks the old one; waits for GIO (a marker is made and unlinked);
    // exchanges the pins the same way; renames the journal; unlinks the record.
    const std::string finished = "Finished a change that was interrupted: beta for Web Browser";
    const KillPoint points[] = {
        {"before the record", "rename", 1, before.c_str(), ""},
        {"after the record", "renameat2", 1, before.c_str(),
         "Took back a change that was interrupted: beta for Web Browser"},
        {"with the old settings beside the new", "unlink", 1, after.c_str(), finished.c_str()},
        {"while waiting for GIO", "unlink", 2, after.c_str(), finished.c_str()},
        {"after the settings", "renameat2", 2, after.c_str(), finished.c_str()},
        {"after the pins", "rename", 2, after.c_str(), finished.c_str()},
        {"after the journal", "unlink", 4, after.c_str(), finished.c_str()},
    };
    for (const KillPoint &k : points) {
        ASSERT_EQ(sh("q set 'Web Browser' alpha >/dev/null 2>&1; q pin 'Web Browser' alpha").status,
                  0);
        sh("rm -f \"$XDG_STATE_HOME/quarve/journal.ini\"");
        std::string inject =
            std::string("ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e trace=") +
            k.syscall + " -e inject=" + k.syscall + ":signal=KILL:when=" + std::to_string(k.nth);
        ShellSaid killed = sh(inject + " '" QUARVE_BINARY "' set 'Web Browser' beta");
        EXPECT_NE(killed.status, 0) << k.name << ": " << killed.text;
        ShellSaid next = sh("q get 'Web Browser' >/dev/null");
        EXPECT_EQ(next.text, *k.said ? std::string("quarve: ") + k.said + "\n" : "") << k.name;
        EXPECT_EQ(state(), k.after) << k.name;
        EXPECT_EQ(sh("q get 'Web Browser' >/dev/null").text, "") << k.name << ": said once";
    }
    // A record killed before it was in place, each a copy of the lists, goes at the next change.
    ASSERT_EQ(sh("q set 'Web Browser' alpha >/dev/null").status, 0);
    EXPECT_EQ(sh("ls -A \"$XDG_STATE_HOME/quarve\" | grep quarve-").text, "");
}

TEST_F(Change, APinThatCannotFollowStopsTheChangeBeforeAnyWrite) {
    const struct {
        const char *what;
        const char *arrange; // makes the pins file unwritable ($P), or unreadable too
        const char *mend;
        bool readable; // its pins can still be read, and must be moved
    } states[] = {
        {"a read-only file", "chmod 0444 \"$P\"", "chmod 0644 \"$P\"", true},
        {"a read-only folder", "chmod 0555 \"${P%/*}\"", "chmod 0755 \"${P%/*}\"", true},
        {"a folder", "mv \"$P\" \"$P.kept\" && mkdir \"$P\"",
         "rmdir \"$P\" && mv \"$P.kept\" \"$P\"", false},
        {"a loop of links", "mv \"$P\" \"$P.kept\" && ln -s pins.ini \"$P\"",
         "rm \"$P\" && mv \"$P.kept\" \"$P\"", false},
    };
    // Each moves the pin of text/html (alpha), except where no pin can be read; pin writes one.
    const struct {
        const char *line;
        bool writes_pins;
    } changes[] = {{"q set 'Web Browser' beta", false},
                   {"q undo", false},
                   {"q reset 'Web Browser'", false},
                   {"q pin 'Web Browser' beta", true}};
    const std::string p = "P='" + pins() + "'; ";
    for (const auto &st : states)
        for (const auto &c : changes) {
            ASSERT_EQ(sh("q set 'Web Browser' beta && q set 'Web Browser' alpha && "
                         "q pin 'Web Browser'")
                          .status,
                      0);
            std::string settings = list(), history = journal();
            ASSERT_EQ(sh(p + st.arrange).status, 0) << st.what;
            ShellSaid r = sh(c.line);
            ASSERT_EQ(sh(p + st.mend).status, 0) << st.what;
            bool refused = st.readable || c.writes_pins;
            EXPECT_EQ(r.status, refused ? 1 : 0) << st.what << ", " << c.line << ": " << r.text;
            EXPECT_EQ(list() == settings && journal() == history, refused)
                << st.what << ", " << c.line << ": " << r.text;
        }
}

TEST_F(Change, ARestoreThatCannotSucceedWritesNothingAndSaysSoOnce) {
    // The user's own desktop list outranks mimeapps.list for the pinned type and cannot be
    // written: putting the pin back would write mimeapps.list and take it back again, setting off
    // the user service that watches it, for ever.
    ASSERT_EQ(sh("printf '[Default Applications]\\nx-scheme-handler/https=beta.desktop\\n' "
                 ">\"$XDG_CONFIG_HOME/x-test-mimeapps.list\" && "
                 "chmod 0444 \"$XDG_CONFIG_HOME/x-test-mimeapps.list\"")
                  .status,
              0);
    struct stat before {};
    stat((env.config_dir + "/mimeapps.list").c_str(), &before);
    ShellSaid r = sh("XDG_CURRENT_DESKTOP=X-Test q pins --restore --quiet");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.text, "quarve: Failed to set default application: " + env.config_dir +
                          "/x-test-mimeapps.list is read-only\n");
    struct stat after {};
    stat((env.config_dir + "/mimeapps.list").c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino) << "mimeapps.list was not written";
}

TEST_F(Change, AnotherProgramsWriteIsNeverLost) {
    ASSERT_NE(g_find_program_in_path("strace"), nullptr)
        << "scripts/install-deps --test installs it";
    // gio writes image/png while quarve has read the settings and holds its new file, synced,
    // not yet in place: the third fsync is that file's (the record's file and its folder come
    // first), and the record is there from before the read to the end.
    const std::string recorded =
        "until [ -e \"$XDG_STATE_HOME/quarve/change\" ]; do sleep 0.01; done; ";
    ShellSaid r = sh("ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e trace=fsync "
                     "-e inject=fsync:delay_enter=1500000:when=3 '" QUARVE_BINARY
                     "' set 'Web Browser' beta & " +
                     recorded + "gio mime image/png beta.desktop >/dev/null; wait $!");
    EXPECT_EQ(r.status, 0) << r.text;
    EXPECT_EQ(gio_default("text/html"), "beta.desktop");
    EXPECT_EQ(gio_default("image/png"), "beta.desktop") << "gio's write is there:\n" << list();
    // The other way round: gio writes just after quarve, before quarve asks GIO. What GIO then
    // answers is gio's doing, not a setting that outranks quarve's.
    r = sh("ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e trace=unlink -e "
           "inject=unlink:delay_enter=1500000:when=1 "
           "'" QUARVE_BINARY "' set 'Web Browser' alpha & until grep -qx 'text/html=alpha.desktop' "
           "\"$XDG_CONFIG_HOME/mimeapps.list\"; "
           "do sleep 0.01; done; gio mime text/html beta.desktop >/dev/null; wait $!");
    EXPECT_EQ(r.status, 0) << r.text;
    EXPECT_EQ(r.text.find("another setting"), std::string::npos) << r.text;
    EXPECT_EQ(gio_default("text/html"), "beta.desktop") << "gio's write stays";
}
