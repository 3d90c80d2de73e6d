// The doctor from the command line: its exit statuses, its JSON read back by jq, and --fix, a
// second --fix and undo, byte for byte in the files they touch.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "shell_line.h"
#include "xdg_env.h"

namespace {

ShellSaid sh(const std::string &line) {
    return shell_line(QUARVE_BINARY, line);
}

class DoctorCli : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char *app : {"alpha", "beta", "gamma"})
            env.add_app(app, app, {"image/png"});
        env.register_apps();
    }
    // A list with an application no folder holds, a wildcard key and an association to a
    // missing application; a cache without beta, whose order makes gamma GIO's answer.
    void break_it() {
        write_file(env.list_path(), BROKEN_LIST);
        write_file(cache(), BROKEN_CACHE);
    }
    std::string cache() { return env.apps_dir + "/mimeinfo.cache"; }
    std::string journal() { return env.root + "/state/quarve/journal.ini"; }

    static constexpr const char *BROKEN_LIST =
        "# mine\n[Default Applications]\ntext/plain=gone.desktop;\nimage/gif=beta.desktop\n"
        "image/*=beta.desktop\n\n"
        "[Added Associations]\nimage/png=ghost.desktop;\n";
    static constexpr const char *BROKEN_CACHE =
        "[MIME Cache]\nimage/png=gamma.desktop;alpha.desktop;\n";
    XdgEnv env;
};

} // namespace

TEST_F(DoctorCli, ExitStatusTellsWarningsAndTheJsonHasItsFixedKeys) {
    ShellSaid r = sh("q doctor");
    EXPECT_EQ(r.status, 0) << r.text;
    EXPECT_EQ(r.text, "Nothing found\n");
    EXPECT_EQ(sh("q doctor --json").text, "[]\n");
    EXPECT_EQ(sh("q doctor png jpg").status, 2);
    EXPECT_EQ(sh("q doctor --frob").status, 2);
    EXPECT_EQ(sh("q doctor no-such-extension-zz").status, 1);
    break_it();
    r = sh("q doctor");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.text.find("\n2 errors, 2 warnings\n"), std::string::npos) << r.text;
    const std::string saved = env.root + "/found.json";
    EXPECT_EQ(sh("q doctor --json >" + saved).status, 1);
    // Every finding has exactly the documented keys; each check is named.
    r = sh("jq -r '(map(keys) | unique | map(join(\",\")) | .[]), (.[] | .check + \" \" + "
           ".severity + \" \" + (.types | join(\",\")) + \" \" + (.gio_answer // \"-\"))' " +
           saved);
    EXPECT_EQ(r.status, 0) << r.text;
    EXPECT_EQ(r.text, "app,check,file,fix,gio_answer,message,severity,types,xdg_mime_answer\n"
                      "missing-application error text/plain \n"
                      "missing-application error image/png gamma.desktop\n"
                      "stale-cache warning image/png -\n"
                      "wildcard warning image/* -\n");
}

TEST_F(DoctorCli, FixMendsInOneChangeASecondFindsNothingAndUndoPutsEveryByteBack) {
    break_it();
    ASSERT_EQ(gio_default("image/png"), "gamma.desktop");
    ShellSaid r = sh("q doctor --fix");
    EXPECT_EQ(r.status, 0) << r.text;
    // The rebuilt cache lists beta, in update-desktop-database's order: GIO's answer moves.
    EXPECT_NE(r.text.find("GIO's answer changed: image/png: gamma.desktop -> alpha.desktop\n"),
              std::string::npos)
        << r.text;
    EXPECT_EQ(gio_default("image/png"), "alpha.desktop");
    EXPECT_EQ(read_file(env.list_path()),
              "# mine\n[Default Applications]\nimage/gif=beta.desktop\n");
    EXPECT_EQ(read_file(cache()),
              "[MIME Cache]\nimage/png=alpha.desktop;beta.desktop;gamma.desktop;\n");
    const std::string list = read_file(env.list_path()), mended = read_file(cache()),
                      journaled = read_file(journal());
    r = sh("q doctor --fix");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.text, "Nothing to mend\n\nNothing found\n");
    EXPECT_EQ(read_file(env.list_path()), list);
    EXPECT_EQ(read_file(cache()), mended);
    EXPECT_EQ(read_file(journal()), journaled) << "a fix that mends nothing is not journaled";
    r = sh("q undo");
    EXPECT_EQ(r.text, "Undone: the doctor's repairs\n");
    EXPECT_EQ(read_file(env.list_path()), BROKEN_LIST);
    EXPECT_EQ(read_file(cache()), BROKEN_CACHE);
    EXPECT_EQ(gio_default("image/png"), "gamma.desktop");
}

TEST_F(DoctorCli, WhatCannotBeWrittenIsNamedAndLeftAlone) {
    break_it();
    ASSERT_EQ(chmod(env.list_path().c_str(), 0444), 0);
    ShellSaid r = sh("q doctor --fix");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.text.find("Left alone: " + env.list_path() +
                          " is read-only: its entries stay as they are\n"),
              std::string::npos)
        << r.text;
    EXPECT_EQ(read_file(env.list_path()), BROKEN_LIST);
    EXPECT_EQ(read_file(cache()),
              "[MIME Cache]\nimage/png=alpha.desktop;beta.desktop;gamma.desktop;\n");
}
