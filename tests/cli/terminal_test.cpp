// Programs that run in a terminal, on the command line: the warning of an assignment GIO would
// not start, and a terminal put first in the user's lists, which undo takes back byte for byte.
#include <glib.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

#include "shell_line.h"
#include "xdg_env.h"

namespace {

ShellSaid sh(const std::string &line) {
    return shell_line(QUARVE_BINARY, line);
}

class Terminal : public ::testing::Test {
  protected:
    void SetUp() override {
        env.add_app("mutt", "Mutt", {"x-scheme-handler/mailto"});
        env.add_app("thunderbird", "Thunderbird", {"x-scheme-handler/mailto"});
        env.register_apps();
        write_file(desktop("mutt"), read_file(desktop("mutt")) + "Terminal=true\n");
        for (const char *id : {"kitty", "foot"})
            write_file(desktop(id), "[Desktop Entry]\nType=Application\nName=" + std::string(id) +
                                        "\nExec=/bin/true\nCategories=System;TerminalEmulator;\n");
        g_mkdir_with_parents((env.root + "/empty").c_str(), 0755);
        write_file(env.root + "/xterm/xterm", "#!/bin/sh\n");
        chmod((env.root + "/xterm/xterm").c_str(), 0755);
    }
    std::string desktop(const char *id) { return env.apps_dir + "/" + id + ".desktop"; }
    XdgEnv env;
};

// The files of a list setup, relative to the configuration folder; a file not named is absent.
using Files = std::map<std::string, std::string>;

struct ListCase {
    const char *what;
    const char *desktop;             // XDG_CURRENT_DESKTOP
    Files before, after;             // after quarve terminal kitty
    const char *read_only = nullptr; // a file made read-only, as a dotfiles manager leaves it
};

const ListCase LISTS[] = {
    {"no list yet", "", {}, {{"xdg-terminals.list", "kitty.desktop\n"}}},
    {"comments and CRLF line ends stay, kitty further down moves up",
     "",
     {{"xdg-terminals.list", "# mine\r\nfoot.desktop\r\n/execarg_compat\r\nkitty.desktop\r\n"}},
     {{"xdg-terminals.list", "# mine\r\nkitty.desktop\r\nfoot.desktop\r\n/execarg_compat\r\n"}}},
    {"kitty first already: nothing is written",
     "",
     {{"xdg-terminals.list", "kitty.desktop\n# later\nfoot.desktop"}},
     {{"xdg-terminals.list", "kitty.desktop\n# later\nfoot.desktop"}}},
    {"a desktop list that names a terminal outranks the list and gets kitty too",
     "GNOME",
     {{"gnome-xdg-terminals.list", "foot.desktop"}},
     {{"gnome-xdg-terminals.list", "kitty.desktop\nfoot.desktop"},
      {"xdg-terminals.list", "kitty.desktop\n"}}},
    {"a desktop list that names none is left alone",
     "GNOME",
     {{"gnome-xdg-terminals.list", "# none yet\n"}},
     {{"gnome-xdg-terminals.list", "# none yet\n"}, {"xdg-terminals.list", "kitty.desktop\n"}}},
    {"a read-only mimeapps.list stops neither the change nor its undo",
     "",
     {{"mimeapps.list", "[Default Applications]\n"}},
     {{"mimeapps.list", "[Default Applications]\n"}, {"xdg-terminals.list", "kitty.desktop\n"}},
     "mimeapps.list"},
    {"a read-only desktop list that names none is neither written nor in the way",
     "GNOME",
     {{"gnome-xdg-terminals.list", "# none yet\n"}},
     {{"gnome-xdg-terminals.list", "# none yet\n"}, {"xdg-terminals.list", "kitty.desktop\n"}},
     "gnome-xdg-terminals.list"},
};

class TerminalList : public Terminal, public ::testing::WithParamInterface<ListCase> {
  protected:
    // Every file either setup names, as it is now ("(none)" where there is none).
    Files files(const ListCase &c) {
        Files now;
        for (const Files *side : {&c.before, &c.after})
            for (const auto &[name, bytes] : *side) {
                std::string path = env.config_dir + "/" + name;
                now[name] =
                    g_file_test(path.c_str(), G_FILE_TEST_EXISTS) ? read_file(path) : "(none)";
            }
        return now;
    }
    // The files of a setup, "(none)" for those the other setup names alone.
    static Files expected(const Files &side, const Files &other) {
        Files out = side;
        for (const auto &[name, bytes] : other)
            out.emplace(name, "(none)");
        return out;
    }
};

// What a command said, its exit status first.
std::string said(const ShellSaid &r) {
    return std::to_string(r.status) + " " + r.text;
}

} // namespace

TEST_F(Terminal, AnAssignmentGioCouldNotStartIsMadeAndWarnedOf) {
    struct Row {
        const char *what;
        const char *app;
        const char *path; // under the root: the folder PATH holds
        std::string said;
        bool profile = false; // set by an apply of a profile that names it
    };
    const std::string profile = env.root + "/mail.ini";
    write_file(profile, "[Types]\nx-scheme-handler/mailto=mutt\n");
    const Row rows[] = {
        {"a terminal application and no terminal", "mutt", "empty",
         "0 Mutt is now default for x-scheme-handler/mailto\n"
         "quarve: warning: it runs in a terminal and GIO finds none\n"},
        {"a graphical application and no terminal", "thunderbird", "empty",
         "0 Thunderbird is now default for x-scheme-handler/mailto\n"},
        {"a terminal application and xterm", "mutt", "xterm",
         "0 Mutt is now default for x-scheme-handler/mailto\n"},
        {"a terminal application of a profile and no terminal", "mutt", "empty",
         "0 Nothing to change: the profile " + profile +
             " is in effect\n"
             "quarve: warning: Mutt runs in a terminal and GIO finds none\n",
         true},
    };
    for (const Row &row : rows)
        EXPECT_EQ(said(sh("PATH='" + env.root + "/" + row.path + "' " +
                          (row.profile ? "q apply '" + profile + "'"
                                       : std::string("q set x-scheme-handler/mailto ") + row.app))),
                  row.said)
            << row.what;
}

TEST_P(TerminalList, KittyGoesFirstAndUndoPutsEveryByteBack) {
    const ListCase &c = GetParam();
    for (const auto &[name, bytes] : c.before)
        write_file(env.config_dir + "/" + name, bytes);
    if (c.read_only != nullptr) {
        ASSERT_EQ(chmod((env.config_dir + "/" + c.read_only).c_str(), 0444), 0);
    }
    const std::string run = std::string("XDG_CURRENT_DESKTOP='") + c.desktop + "' q ";
    ShellSaid chosen = sh(run + "terminal kitty");
    EXPECT_EQ(chosen.status, 0) << chosen.text;
    EXPECT_EQ(files(c), expected(c.after, c.before)) << c.what;
    bool changes = c.before != c.after;
    EXPECT_EQ(chosen.text.rfind(changes ? "kitty is now the preferred terminal: first in "
                                        : "kitty already is the preferred terminal: first in ",
                                0),
              0u)
        << chosen.text;
    EXPECT_NE(chosen.text.find("xdg-terminal-exec"), std::string::npos)
        << "whether GIO follows the list is said: " << chosen.text;
    EXPECT_EQ(said(sh(run + "undo")),
              changes ? "0 Undone: kitty as the preferred terminal\n" : "0 Nothing to undo\n");
    EXPECT_EQ(files(c), expected(c.before, c.after)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Lists, TerminalList, ::testing::ValuesIn(LISTS), [](const auto &info) {
    std::string name;
    bool word = false;
    for (const char *p = info.param.what; *p != '\0'; p++) {
        if (g_ascii_isalnum(*p))
            name += word ? *p : g_ascii_toupper(*p);
        word = g_ascii_isalnum(*p);
    }
    return name;
});
