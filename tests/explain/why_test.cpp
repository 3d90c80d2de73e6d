// Why a type opens where it does: every list layer GIO reads, the verdicts, and GIO's own word.
// Each setup of the lists is a case of its own, so that GIO in the process of the case reads
// them first, as a fresh `gio mime` does.
#include <functional>
#include <sys/stat.h>

#include "explain/why.h"
#include "fixture.h"

namespace {

class Why : public CoreTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"image/png", "text/plain"});
        env.add_app("beta", "Beta", {"image/png", "text/plain"});
        env.add_app("gamma", "Gamma", {"image/png", "text/plain"});
        env.add_app("delta", "Delta", {"text/x-chdr"});
        env.register_apps();
        // Installed, but hidden from menus: GIO still answers with it where a list names it.
        write_file(env.apps_dir + "/hidden.desktop",
                   "[Desktop Entry]\nType=Application\nName=Hidden\nExec=/bin/true %f\n"
                   "Hidden=true\nMimeType=image/png;\n");
    }
    std::string rel(const std::string &path) {
        return path.rfind(env.root, 0) == 0 ? path.substr(env.root.size() + 1) : path;
    }
};

// One setup of the list layers, and what GIO and the explanation make of it.
struct Layers {
    const char *what;
    std::vector<std::pair<std::string, std::string>> files; // relative path, contents
    bool gnome;
    const char *type;
    std::string answer;                // GIO's default
    std::string decider;               // the deciding file, "" for none
    std::string inherited;             // the parent type GIO answered for, "" for none
    std::vector<std::string> verdicts; // "verdict file [group]" per list entry, in order
};

const std::string USER = "config/mimeapps.list";

const Layers LAYERS[] = {
    {"the user's list",
     {{USER, "[Default Applications]\nimage/png=beta.desktop\n"}},
     false,
     "image/png",
     "beta.desktop",
     USER,
     "",
     {"decides config/mimeapps.list [Default Applications]"}},
    {"a desktop-specific list of the user's outranks the user's list",
     {{USER, "[Default Applications]\nimage/png=beta.desktop\n"},
      {"config/gnome-mimeapps.list",
       "[Default Applications]\nimage/png=gamma.desktop\n[Added Associations]\n"
       "image/png=beta.desktop;\n"}},
     true,
     "image/png",
     "gamma.desktop",
     "config/gnome-mimeapps.list",
     "",
     {"decides config/gnome-mimeapps.list [Default Applications]",
      "skipped config/gnome-mimeapps.list [Added Associations]",
      "outranked config/mimeapps.list [Default Applications]"}},
    {"the system's configuration folder",
     {{"system-config/mimeapps.list", "[Default Applications]\nimage/png=gamma.desktop\n"}},
     false,
     "image/png",
     "gamma.desktop",
     "system-config/mimeapps.list",
     "",
     {"decides system-config/mimeapps.list [Default Applications]"}},
    {"an application folder's list, after the configuration folders",
     {{"data/applications/mimeapps.list", "[Default Applications]\nimage/png=gamma.desktop\n"},
      {"system-config/mimeapps.list", "[Default Applications]\nimage/png=beta.desktop\n"}},
     false,
     "image/png",
     "beta.desktop",
     "system-config/mimeapps.list",
     "",
     {"decides system-config/mimeapps.list [Default Applications]",
      "outranked data/applications/mimeapps.list [Default Applications]"}},
    {"Removed Associations do not undo a default",
     {{USER, "[Default Applications]\nimage/png=beta.desktop\n[Removed Associations]\n"
             "image/png=beta.desktop;\n"}},
     false,
     "image/png",
     "beta.desktop",
     USER,
     "",
     {"decides config/mimeapps.list [Default Applications]",
      "skipped config/mimeapps.list [Removed Associations]"}},
    {"the older defaults.list",
     {{"system-data/applications/defaults.list",
       "[Default Applications]\nimage/png=gamma.desktop\n"}},
     false,
     "image/png",
     "gamma.desktop",
     "system-data/applications/defaults.list",
     "",
     {"decides system-data/applications/defaults.list [Default Applications]"}},
    {"a default naming an application that is not installed",
     {{USER, "[Default Applications]\nimage/png=ghost.desktop\n"}},
     false,
     "image/png",
     "alpha.desktop",
     "",
     "",
     {"skipped config/mimeapps.list [Default Applications]"}},
    {"no list at all: GIO's own choice", {}, false, "image/png", "alpha.desktop", "", "", {}},
    {"a sub-class with no application of its own inherits its parent's default",
     {{USER, "[Default Applications]\ntext/plain=gamma.desktop\n"}},
     false,
     "text/x-csrc",
     "gamma.desktop",
     USER,
     "text/plain",
     {"decides config/mimeapps.list [Default Applications]"}},
    {"a sub-class an application declares itself inherits nothing",
     {{USER, "[Default Applications]\ntext/plain=gamma.desktop\n"}},
     false,
     "text/x-chdr",
     "delta.desktop",
     "",
     "",
     {}},
    {"a default naming a Hidden=true application: GIO answers with it",
     {{USER, "[Default Applications]\nimage/png=hidden.desktop\n"}},
     false,
     "image/png",
     "hidden.desktop",
     USER,
     "",
     {"decides config/mimeapps.list [Default Applications]"}},
    {"an association whose first application is not installed: the next one decides",
     {{USER, "[Added Associations]\nimage/png=gone.desktop;beta.desktop;\n"}},
     false,
     "image/png",
     "beta.desktop",
     USER,
     "",
     {"decides config/mimeapps.list [Added Associations]"}},
    {"a removal does not hold back the declarations read after it in its own folder",
     {{"data/applications/mimeapps.list", "[Removed Associations]\nimage/png=alpha.desktop;\n"}},
     false,
     "image/png",
     "alpha.desktop",
     "",
     "",
     {"skipped data/applications/mimeapps.list [Removed Associations]"}},
    {"two lists naming the same default: the first decides",
     {{USER, "[Default Applications]\nimage/png=beta.desktop\n"},
      {"system-config/mimeapps.list", "[Default Applications]\nimage/png=beta.desktop\n"}},
     false,
     "image/png",
     "beta.desktop",
     USER,
     "",
     {"decides config/mimeapps.list [Default Applications]",
      "outranked system-config/mimeapps.list [Default Applications]"}},
};

class WhyLayers : public Why, public ::testing::WithParamInterface<Layers> {};

// An application whose command writes down how it was started, for a type, and a target to open
// with it.
struct Command {
    const char *what;
    const char *code;
    const char *type;
    std::string target; // relative to the root when it does not begin with a scheme
    bool passed;
};

const Command COMMANDS[] = {
    {"a link, to an application that takes files only", "%f", "x-scheme-handler/gopher",
     "gopher://example.org/1", false},
    {"a file, to one that takes links: its path", "%u", "text/plain", "note.txt", true},
    {"a file: link, to one that takes files", "%f", "text/plain", "file://note.txt", true},
    {"a file, to one whose Exec has no field code: GIO adds it", "", "text/plain", "note.txt",
     true},
};

class WhyCommand : public Why, public ::testing::WithParamInterface<Command> {};

// A PATH of stub terminal programs, and the one GIO starts a terminal application in ("" for
// none: it refuses to start it).
struct TerminalPath {
    const char *what;
    std::vector<std::string> stubs;
    std::string chosen;
};

const TerminalPath TERMINAL_PATHS[] = {
    {"no terminal", {}, ""},
    {"only xterm", {"xterm"}, "xterm"},
    {"gnome-terminal before xterm", {"xterm", "gnome-terminal"}, "gnome-terminal"},
    {"terminals outside GLib's list", {"kitty", "x-terminal-emulator"}, ""},
    {"the distribution's kgx before tilix", {"tilix", "kgx"}, "kgx"},
};

class WhyTerminalPath : public Why, public ::testing::WithParamInterface<TerminalPath> {};

} // namespace

TEST_P(WhyLayers, EveryListLayerIsJudgedAsGioResolvesIt) {
    const Layers &c = GetParam();
    for (const auto &[path, contents] : c.files)
        write_file(env.root + "/" + path, contents);
    if (c.gnome)
        g_setenv("XDG_CURRENT_DESKTOP", "GNOME", TRUE);
    // GIO in a process of its own is the judge.
    EXPECT_EQ(gio_default(c.type), c.answer) << c.what;
    WhyType why = why_type(c.type);
    EXPECT_EQ(why.id.value_or(""), c.answer) << c.what << ": the default shown is GIO's";
    EXPECT_EQ(rel(why.decided_file.value_or("")), c.decider) << c.what;
    EXPECT_EQ(why.inherited_from.value_or(""), c.inherited) << c.what;
    EXPECT_EQ(why.decision.find("no list shown explains it"), std::string::npos)
        << c.what << ": quarve's reading of the lists ends where GIO's does";
    std::vector<std::string> verdicts;
    for (const WhyList &list : why.lists)
        verdicts.push_back(list.verdict + " " + rel(list.file) + " [" + list.group + "]");
    EXPECT_EQ(verdicts, c.verdicts) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Lists, WhyLayers, ::testing::ValuesIn(LAYERS),
                         [](const auto &info) { return case_name(info.param.what); });

TEST_F(Why, FilesByTheirContentLinksAndTerminalsGetTheirCommand) {
    write_file(env.apps_dir + "/term.desktop",
               "[Desktop Entry]\nType=Application\nName=Term\nExec=/bin/true --open %u\n"
               "Terminal=true\nMimeType=x-scheme-handler/gopher;\n");
    write_file(env.apps_dir + "/mimeinfo.cache",
               "[MIME Cache]\nimage/png=alpha.desktop;\nx-scheme-handler/gopher=term.desktop;\n");
    // A PNG picture in a file whose name says nothing.
    const std::string picture = env.root + "/picture";
    write_file(picture, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    std::string error;
    std::optional<WhyType> file = why_target(picture.c_str(), &error);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->type, "image/png");
    EXPECT_EQ(file->command, "/bin/true '" + picture + "'");
    EXPECT_FALSE(file->terminal);
    std::optional<WhyType> link = why_target("gopher://example.org/1", &error);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->type, "x-scheme-handler/gopher");
    EXPECT_EQ(link->command, "/bin/true --open 'gopher://example.org/1'");
    EXPECT_TRUE(link->terminal);
    PathOnly path(env.root); // no terminal in it
    link = why_target("gopher://example.org/1", &error);
    ASSERT_TRUE(link);
    std::vector<std::string> text = why_text(*link);
    EXPECT_EQ(text[text.size() - 2],
              "  command: /bin/true --open 'gopher://example.org/1' (in a terminal)");
    EXPECT_FALSE(why_target((env.root + "/missing").c_str(), &error));
    EXPECT_EQ(error, "no such file: " + env.root + "/missing");
}

TEST_F(Why, FilesAreTypedAsGioTypesThem) {
    const std::string empty = env.root + "/empty", pipe = env.root + "/pipe",
                      picture = env.root + "/picture", shortcut = env.root + "/shortcut";
    write_file(empty, "");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    write_file(picture, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    ASSERT_EQ(symlink(picture.c_str(), shortcut.c_str()), 0);
    const struct {
        const char *what;
        std::string target;
    } cases[] = {
        {"an empty file", empty},
        {"a named pipe, never opened", pipe},
        {"a device", "/dev/null"},
        {"a file: link, as the file", "file://" + empty},
        {"a file without extension, by its content", picture},
        {"a symbolic link to a file", shortcut},
    };
    for (const auto &c : cases) {
        std::string error;
        std::optional<WhyType> why = why_target(c.target.c_str(), &error);
        ASSERT_TRUE(why) << c.what << ": " << error;
        EXPECT_EQ(why->type, gio_content_type(c.target)) << c.what;
    }
}

TEST_P(WhyCommand, TheCommandShownIsTheOneGioRuns) {
    const Command &c = GetParam();
    // A program that writes down how many arguments gio open starts it with, and each.
    const std::string record = env.root + "/record", args = env.root + "/args";
    write_file(record, "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" >" + args + ".part; mv " + args +
                           ".part " + args + "\n");
    ASSERT_EQ(chmod(record.c_str(), 0755), 0);
    write_file(env.root + "/note.txt", "hello\n");
    write_file(env.apps_dir + "/record.desktop",
               "[Desktop Entry]\nType=Application\nName=Record\nExec=" + record + " " + c.code +
                   "\nMimeType=" + c.type + ";\n");
    write_file(env.apps_dir + "/mimeinfo.cache",
               std::string("[MIME Cache]\n") + c.type + "=record.desktop;\n");
    g_autofree char *scheme = g_uri_parse_scheme(c.target.c_str());
    std::string target = c.target;
    if (scheme == nullptr)
        target = env.root + "/" + c.target;
    else if (target.rfind("file://", 0) == 0)
        target = "file://" + env.root + "/" + c.target.substr(7);
    std::string error;
    std::optional<WhyType> why = why_target(target.c_str(), &error);
    ASSERT_TRUE(why) << c.what << ": " << error;
    ASSERT_TRUE(why->command) << c.what;
    EXPECT_EQ(why->passed, c.passed) << c.what;
    const char *open[] = {"gio", "open", target.c_str(), nullptr};
    ASSERT_TRUE(g_spawn_sync(nullptr, const_cast<char **>(open), nullptr, G_SPAWN_SEARCH_PATH,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    for (int i = 0; i < 500 && !g_file_test(args.c_str(), G_FILE_TEST_EXISTS); i++)
        g_usleep(10000);
    int argc = 0;
    g_auto(GStrv) argv = nullptr;
    ASSERT_TRUE(g_shell_parse_argv(why->command->c_str(), &argc, &argv, nullptr)) << *why->command;
    std::string ours = std::to_string(argc - 1) + "\n";
    for (int i = 1; i < argc; i++)
        ours += std::string(argv[i]) + "\n";
    EXPECT_EQ(ours, read_file(args)) << c.what << ": " << *why->command;
}

INSTANTIATE_TEST_SUITE_P(Targets, WhyCommand, ::testing::ValuesIn(COMMANDS),
                         [](const auto &info) { return case_name(info.param.what); });

TEST_P(WhyTerminalPath, TheTerminalShownIsTheOneGioStarts) {
    const TerminalPath &c = GetParam();
    // Each stub writes down how it was started: the path it was run by, then its arguments.
    const std::string bin = env.root + "/bin", args = env.root + "/args";
    for (const std::string &stub : c.stubs) {
        write_file(bin + "/" + stub, "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" >" + args +
                                         ".part; /bin/mv " + args + ".part " + args + "\n");
        ASSERT_EQ(chmod((bin + "/" + stub).c_str(), 0755), 0);
    }
    write_file(env.apps_dir + "/mutt.desktop",
               "[Desktop Entry]\nType=Application\nName=Mutt\nExec=/bin/true -f %u\n"
               "Terminal=true\nMimeType=x-scheme-handler/mailto;\n");
    write_file(env.apps_dir + "/mimeinfo.cache",
               "[MIME Cache]\nx-scheme-handler/mailto=mutt.desktop;\n");
    g_autofree char *gio = g_find_program_in_path("gio");
    ASSERT_NE(gio, nullptr);
    PathOnly path(bin);
    std::string error;
    std::optional<WhyType> why = why_target("mailto:someone@example.org", &error);
    ASSERT_TRUE(why && why->terminal) << c.what << ": " << error;
    const char *open[] = {gio, "open", "mailto:someone@example.org", nullptr};
    g_autofree char *err = nullptr;
    int status = 0;
    ASSERT_TRUE(g_spawn_sync(nullptr, const_cast<char **>(open), nullptr, G_SPAWN_DEFAULT, nullptr,
                             nullptr, nullptr, &err, &status, nullptr));
    if (c.chosen.empty()) {
        EXPECT_FALSE(why->terminal->program) << c.what;
        EXPECT_NE(status, 0) << c.what;
        EXPECT_NE(std::string(err).find("Unable to find terminal required for application"),
                  std::string::npos)
            << c.what << ": " << err;
        EXPECT_EQ(why_text(*why).back().rfind("  terminal: no terminal: GIO will refuse to start "
                                              "it (the first of GLib ",
                                              0),
                  0u)
            << c.what;
        return;
    }
    EXPECT_EQ(why->terminal->program, bin + "/" + c.chosen) << c.what;
    for (int i = 0; i < 500 && !g_file_test(args.c_str(), G_FILE_TEST_EXISTS); i++)
        g_usleep(10000);
    std::string started;
    for (const std::string &word : why->terminal->argv)
        started += word + "\n";
    EXPECT_EQ(started, read_file(args)) << c.what << ": GIO's launch is the judge";
}

INSTANTIATE_TEST_SUITE_P(Path, WhyTerminalPath, ::testing::ValuesIn(TERMINAL_PATHS),
                         [](const auto &info) { return case_name(info.param.what); });
