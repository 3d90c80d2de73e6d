// Profiles from the command line, as a dotfiles script runs them: the real binary against a
// hermetic registry, with gio itself taking a type over and reading the answers back.
#include <gtest/gtest.h>

#include "readback.h"
#include "shell_line.h"
#include "xdg_env.h"

namespace {

ShellSaid sh(const std::string &line) {
    return shell_line(QUARVE_BINARY, line);
}

class ProfilesCli : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char *app : {"alpha", "beta"})
            env.add_app(app, app,
                        {"text/html", "x-scheme-handler/http", "x-scheme-handler/https",
                         "application/pdf", "image/png"});
        env.register_apps();
        write_file(path(), PROFILE);
    }
    std::string path() { return env.root + "/profile.ini"; }
    std::string list() { return read_file(env.list_path()); }
    // The names a line uses: P the profile, L the user's list.
    std::string vars() { return "P='" + path() + "'; L='" + env.list_path() + "'; "; }
    static constexpr const char *PROFILE = "[Categories]\nWeb Browser=beta\n[Types]\npdf=alpha\n";
    XdgEnv env;
};

} // namespace

TEST_F(ProfilesCli, ExportWritesTheUsersChoicesWhereAsked) {
    ASSERT_EQ(sh("q set 'Web Browser' beta && q pin png beta").status, 0);
    const std::string text = "# Default applications, for quarve apply (see quarve(1))\n"
                             "[Categories]\nWeb Browser=beta.desktop\n\n[Types]\n\n"
                             "[Pins]\nimage/png=beta.desktop\n";
    ShellSaid r = sh("q export");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.text, text);
    r = sh(vars() + "q export \"$P\"");
    EXPECT_EQ(r.text, "Exported 2 lines to " + path() + "\n");
    EXPECT_EQ(read_file(path()), text);
    // The attribute set itself is the export's own table's; here only that the option reaches it.
    EXPECT_EQ(sh("q export --format home-manager").text.rfind("xdg.mimeApps.", 0), 0u);
    r = sh("q export --format=nix");
    EXPECT_EQ(r.status, 2);
    r = sh(vars() + "mkfifo \"$P.fifo\" && q export \"$P.fifo\"");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.text, "quarve: Failed to export to " + path() + ".fifo: " + path() +
                          ".fifo is not a regular file; without FILE, export writes to standard "
                          "output\n");
}

TEST_F(ProfilesCli, ApplyIsAllOrNothingWritesOnlyWhatChangesAndOneUndoTakesItBack) {
    const std::string name = "the profile " + path();
    const struct {
        const char *what;
        std::string arrange; // a shell line
        std::string profile;
        const char *line;
        int status;
        std::string text;
        bool writes;
    } steps[] = {
        {"a dry run names each type and writes nothing", "", PROFILE, "q apply \"$P\" --dry-run", 0,
         "text/html\talpha.desktop\tbeta.desktop\nx-scheme-handler/http\talpha.desktop\tbeta."
         "desktop\nx-scheme-handler/https\talpha.desktop\tbeta.desktop\napplication/pdf\talpha."
         "desktop\talpha.desktop\n",
         false},
        {"a dry run makes no folder of quarve's", "", PROFILE,
         "q apply \"$P\" --dry-run --pin >/dev/null && find \"$HOME\" -name quarve", 0, "", false},
        {"a missing application or category changes nothing", "",
         std::string(PROFILE) + "Nowhere=alpha\n[Pins]\npng=gone\n", "q apply \"$P\"", 1,
         "quarve: Failed to apply " + name +
             ": line 5: \"Nowhere\" is not a MIME type or a known file extension; line 7: "
             "gone.desktop is not installed\n",
         false},
        {"a read-only list is refused with the reason",
         "echo '[Default Applications]' >\"$L\" && chmod 0444 \"$L\"", PROFILE, "q apply \"$P\"", 1,
         "quarve: Failed to apply " + name + ": " + env.list_path() + " is read-only\n", false},
        {"a linked list is written through its link",
         "chmod 0644 \"$L\" && mkdir -p \"$L.d\" && mv \"$L\" \"$L.d/mimeapps.list\" && "
         "ln -s mimeapps.list.d/mimeapps.list \"$L\"",
         PROFILE, "q apply \"$P\"", 0, "Applied " + name + ": 4 types changed\n", true},
        {"applied twice, the second run writes nothing", "", PROFILE, "q apply \"$P\"", 0,
         "Nothing to change: " + name + " is in effect\n", false},
        {"one undo takes the whole profile back", "", PROFILE, "q undo", 0,
         "Undone: " + name + "\n", true},
    };
    for (const auto &s : steps) {
        write_file(path(), s.profile);
        ASSERT_EQ(sh(vars() + s.arrange).status, 0) << s.what;
        std::string before = list();
        ShellSaid r = sh(vars() + s.line);
        EXPECT_EQ(r.status, s.status) << s.what;
        EXPECT_EQ(r.text, s.text) << s.what;
        EXPECT_EQ(list() != before, s.writes) << s.what;
    }
    EXPECT_EQ(link_of(env.list_path()), "mimeapps.list.d/mimeapps.list");
    EXPECT_EQ(list(), "[Default Applications]\n") << "the bytes before the profile, exactly";
}

TEST_F(ProfilesCli, CheckNamesEachDriftAndWhatDecidesIt) {
    ASSERT_EQ(sh(vars() + "q apply \"$P\"").status, 0);
    const std::string name = "the profile " + path(),
                      desktop = env.config_dir + "/x-test-mimeapps.list";
    const struct {
        const char *what;
        std::string arrange;
        std::string profile;
        const char *line;
        int status;
        std::string text;
    } cases[] = {
        {"in effect", "", PROFILE, "q check \"$P\"", 0, "In effect: " + name + " (4 types)\n"},
        {"a takeover by another program", "gio mime text/html alpha.desktop >/dev/null", PROFILE,
         "q check \"$P\"", 1,
         "text/html\tbeta.desktop\talpha.desktop\t" + env.list_path() +
             " [Default Applications]\nquarve: Drift from " + name +
             ": 1 of 4 types open elsewhere\n"},
        {"the same as JSON", "", PROFILE, "q check \"$P\" --json 2>/dev/null", 1,
         R"({"in_effect":false,"drift":[{"type":"text/html","key":"Web Browser","declared":)"
         R"("beta.desktop","current":"alpha.desktop","decided_by":{"file":")" +
             env.list_path() + R"(","group":"Default Applications"},"decision":"decided by )" +
             env.list_path() +
             R"( [Default Applications]"}],"not_installed":[],"unknown":[]})"
             "\n"},
        {"the user's desktop list decides",
         "q apply \"$P\" >/dev/null && printf '[Default Applications]\\nx-scheme-handler/https="
         "alpha.desktop\\n' >'" +
             desktop + "'",
         PROFILE, "XDG_CURRENT_DESKTOP=X-Test q check \"$P\"", 1,
         "x-scheme-handler/https\tbeta.desktop\talpha.desktop\t" + desktop +
             " [Default Applications]\nquarve: Drift from " + name +
             ": 1 of 4 types open elsewhere\n"},
        {"an application that is not installed", "", "[Types]\npng=gone\n", "q check \"$P\"", 1,
         "image/png\tgone.desktop\talpha.desktop\tGIO's own choice: the first application that "
         "declares it\nquarve: Drift from " +
             name + ": 1 of 1 type open elsewhere; not installed: gone.desktop\n"},
        {"a profile that does not parse", "", "[Types\n", "q check \"$P\"", 2,
         "quarve: " + path() + ": line 1: the group \"[Types\" has no closing \"]\"\n"},
        {"a folder", "", "", "q check \"$XDG_CONFIG_HOME\"", 2,
         "quarve: " + env.config_dir + " is a folder\n"},
        {"a fifo, which has no writer", "mkfifo \"$P.fifo\"", "", "q check \"$P.fifo\"", 2,
         "quarve: " + path() + ".fifo is not a regular file\n"},
        {"a file larger than any profile", "yes '#' | head -c 1100000 >\"$P.big\"", "",
         "q check \"$P.big\"", 2,
         "quarve: " + path() + ".big is too large for a profile (more than 1 MiB)\n"},
        {"a type the MIME database does not know", "", "[Types]\nfoo/bar=alpha\n", "q check \"$P\"",
         1,
         "foo/bar\talpha.desktop\t\tno application opens it\nquarve: warning: " + path() +
             ": line 2: foo/bar is a type the MIME database does not know\nquarve: Drift from " +
             name + ": 1 of 1 type open elsewhere\n"},
    };
    for (const auto &c : cases) {
        write_file(path(), c.profile);
        ASSERT_EQ(sh(vars() + c.arrange).status, 0) << c.what;
        ShellSaid r = sh(vars() + c.line);
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_EQ(r.text, c.text) << c.what;
    }
}
