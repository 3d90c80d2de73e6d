// The command line, run as a script runs it: the real binary, no terminal, in a private
// desktop environment.
#include <cstring>
#include <glib.h>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

#include "xdg_env.h"

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

void detach(gpointer) {
    setsid(); // no controlling terminal, as under cron or a login script
}

Outcome quarve(std::vector<std::string> args, const char *cwd = nullptr) {
    args.insert(args.begin(), QUARVE_BINARY);
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    g_autofree char *out = nullptr;
    g_autofree char *err = nullptr;
    int wait = 0;
    Outcome r{-1, "", ""};
    if (!g_spawn_sync(cwd, argv.data(), nullptr, G_SPAWN_STDIN_FROM_DEV_NULL, detach, nullptr, &out,
                      &err, &wait, nullptr))
        return r;
    r.status = WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    r.out = out;
    r.err = err;
    return r;
}

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        env.add_app("firefox-esr", "Firefox",
                    {"text/html", "x-scheme-handler/http", "x-scheme-handler/https", "image/png"});
        env.add_app("web", "Web", {"text/html", "x-scheme-handler/http"});
        env.add_app("web-two", "web", {"text/html"});
        env.add_app("viewer", "Viewer\x1b[31m", {"image/png", "x-custom/thing"});
        env.register_apps();
    }
    std::string path(const char *name) { return env.apps_dir + "/" + name; }
    XdgEnv env;
};

} // namespace

TEST_F(Cli, HelpAndVersionNeedNoTerminal) {
    for (const char *flag : {"--help", "-h"}) {
        Outcome r = quarve({flag});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind("Usage: quarve", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("  set ITEM APP"), std::string::npos);
        EXPECT_NE(r.out.find("  undo"), std::string::npos);
        // Every command whose row takes --json, in the table's order.
        EXPECT_NE(
            r.out.find("\n--json after list, show, get, app, why, pins, terminal, check or doctor "
                       "prints\none JSON document instead.\n"),
            std::string::npos);
        EXPECT_EQ(r.err, "");
    }
    for (const char *flag : {"--version", "-V"}) {
        Outcome r = quarve({flag});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "quarve " QUARVE_VERSION "\n");
    }
}

TEST_F(Cli, UsageErrorsExitTwoWithAHint) {
    for (const auto &args :
         std::vector<std::vector<std::string>>{{"frob"},
                                               {"--frob"},
                                               {"show"},
                                               {"set", "png"},
                                               {"get", "a", "b"},
                                               {"list", "-x"},
                                               {"undo", "now"},
                                               {"app"},
                                               {"list", "--types", "--apps"},
                                               {"pins", "--json", "--restore"}}) {
        Outcome r = quarve(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.err.rfind("quarve: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("\nTry 'quarve --help'.\n"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(Cli, ListNamesCategoriesAndTypesWithTheirLabels) {
    Outcome r = quarve({"list"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Web Browser\nFile Manager\nPDF Reader\n", 0), 0u) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 14);
    r = quarve({"list", "--types"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("application/msword\tdoc\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nimage/png\tpng\n"), std::string::npos);
    EXPECT_NE(r.out.find("\ninode/directory\tfolder\n"), std::string::npos);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 45);
    // A catalogue that does not parse: the built-in one, and the reason on stderr.
    write_file(env.config_dir + "/quarve/mimetypes.ini", "[Categories]\nbroken\n");
    r = quarve({"list"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Web Browser\n", 0), 0u) << r.out;
    EXPECT_EQ(
        r.err.rfind("quarve: " + env.config_dir + "/quarve/mimetypes.ini cannot be read: line 2: ",
                    0),
        0u)
        << r.err;
}

TEST_F(Cli, ShowListsTheScreensCandidatesWithMarksAndFiles) {
    g_setenv("QUARVE_DEV", "3", TRUE); // no effect on the command line
    Outcome r = quarve({"show", "web BROWSER"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "* firefox-esr.desktop\tFirefox\t" + path("firefox-esr.desktop") + "\n" +
                         "  web.desktop\tWeb\t" + path("web.desktop") + "\n" +
                         "  web-two.desktop\tweb\t" + path("web-two.desktop") + "\n");
    // Control characters of a name are shown as the screen shows them.
    for (const char *item : {"png", ".png", "image/png"}) {
        r = quarve({"show", item});
        EXPECT_EQ(r.status, 0) << item;
        EXPECT_NE(r.out.find("  viewer.desktop\tViewer\xef\xbf\xbd[31m\t"), std::string::npos)
            << r.out;
    }
    // A MIME type the catalogue does not list is an item too.
    r = quarve({"show", "x-custom/thing"});
    EXPECT_EQ(r.out, "* viewer.desktop\tViewer\xef\xbf\xbd[31m\t" + path("viewer.desktop") + "\n");
    r = quarve({"show", "zzzqq"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(
        r.err,
        "quarve: unknown item zzzqq: not a category, a MIME type or a known file extension\n");
}

TEST_F(Cli, SetMakesEveryTypeOfTheItemDefaultAndGetAndGioAgree) {
    Outcome r = quarve({"get", "Web Browser"});
    EXPECT_EQ(r.out, "text/html\tfirefox-esr.desktop\nx-scheme-handler/http\tfirefox-esr."
                     "desktop\nx-scheme-handler/https\tfirefox-esr.desktop\n");
    r = quarve({"set", "Web Browser", "web"}); // the ID without .desktop wins over the names
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Web is now default for Web Browser; it does not declare "
                     "x-scheme-handler/https\n");
    EXPECT_EQ(gio_default("text/html"), "web.desktop");
    EXPECT_EQ(gio_default("x-scheme-handler/http"), "web.desktop");
    EXPECT_EQ(gio_default("x-scheme-handler/https"), "web.desktop") << "every type of it";
    r = quarve({"get", "web browser"});
    EXPECT_NE(r.out.find("text/html\tweb.desktop\n"), std::string::npos) << r.out;
    r = quarve({"set", "html", "FIREFOX"});
    EXPECT_EQ(r.out, "Firefox is now default for text/html\n");
    EXPECT_EQ(gio_default("text/html"), "firefox-esr.desktop");
    r = quarve({"set", "png", "viewer.desktop"});
    EXPECT_EQ(r.out, "Viewer\xef\xbf\xbd[31m is now default for image/png\n")
        << "no escape sequence reaches the output";
    EXPECT_EQ(gio_default("image/png"), "viewer.desktop");
    r = quarve({"undo"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(gio_default("image/png"), "firefox-esr.desktop");
    EXPECT_EQ(r.out.rfind("Undone: ", 0), 0u) << r.out;
}

TEST_F(Cli, WrongApplicationsAndARefusedSetFailWithTheReason) {
    Outcome r = quarve({"set", "html", "WEB"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quarve: WEB for html: more than one application has that name: "
                     "web.desktop, web-two.desktop\n");
    r = quarve({"set", "html", "viewer"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quarve: viewer for html: not one of its applications (see quarve show)\n");
    const std::string damaged = "[Default Applications]\nthis is not a key file\n";
    write_file(env.config_dir + "/mimeapps.list", damaged);
    r = quarve({"set", "html", "web"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quarve: Failed to set default application: " + env.config_dir +
                         "/mimeapps.list cannot be read\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_file(env.config_dir + "/mimeapps.list"), damaged);
    r = quarve({"undo"});
    EXPECT_EQ(r.out, "Nothing to undo\n") << r.err;
}

TEST_F(Cli, AppListsItsTypesAndSetAllIsOneChangeThatOneUndoTakesBack) {
    Outcome r = quarve({"list", "--apps"});
    EXPECT_EQ(r.out, "firefox-esr.desktop\tFirefox\nviewer.desktop\tViewer\xef\xbf\xbd[31m\n"
                     "web-two.desktop\tweb\nweb.desktop\tWeb\n");
    const std::string before = "  image/png\tpng\n* x-custom/thing\tx-custom/thing\n";
    r = quarve({"app", "viewer"});
    EXPECT_EQ(r.out, before);
    r = quarve({"app", "viewer.desktop", "--json"});
    EXPECT_EQ(
        r.out,
        "{\"id\":\"viewer.desktop\",\"name\":\"Viewer\\u001b[31m\",\"file\":\"" +
            path("viewer.desktop") +
            "\",\"name_untranslated\":\"Viewer\\u001b[31m\",\"origin\":\"user\","
            "\"menus\":\"shown\",\"types\":[{\"type\":\"image/png\",\"label\":\"png\",\"default\":"
            "false},{\"type\":\"x-custom/thing\",\"label\":\"x-custom/thing\","
            "\"default\":true}]}\n");
    r = quarve({"app", "viewer", "--set-all"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Viewer\xef\xbf\xbd[31m is now default for every type it declares (2)\n");
    EXPECT_EQ(quarve({"app", "viewer"}).out,
              "* image/png\tpng\n* x-custom/thing\tx-custom/thing\n");
    EXPECT_EQ(gio_default("image/png"), "viewer.desktop");
    EXPECT_EQ(quarve({"undo"}).status, 0);
    EXPECT_EQ(quarve({"app", "viewer"}).out, before);
    r = quarve({"app", "viewer", "--json", "--set-all"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("quarve: --json and --set-all do not go together\n", 0), 0u) << r.err;
}

TEST_F(Cli, OutputThatCannotBeWrittenIsAFailure) {
    int wait = 0;
    g_autofree char *err = nullptr;
    std::string cmd = std::string("sh -c '") + QUARVE_BINARY + " list >/dev/full'";
    ASSERT_TRUE(g_spawn_command_line_sync(cmd.c_str(), nullptr, &err, &wait, nullptr));
    EXPECT_TRUE(WIFEXITED(wait) && WEXITSTATUS(wait) == 1);
    EXPECT_EQ(std::string(err), "quarve: cannot write the output: No space left on device\n");
}

TEST_F(Cli, WithoutATerminalTheScreenSaysWhy) {
    Outcome r = quarve({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("quarve: cannot open the terminal: ", 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(Completion, ScriptsAreValidInTheirShells) {
    const std::string dir = QUARVE_SOURCE_DIR "/data/completions/";
    struct {
        const char *shell;
        std::string file;
    } scripts[] = {
        {"bash", dir + "quarve.bash"}, {"zsh", dir + "_quarve"}, {"fish", dir + "quarve.fish"}};
    for (const auto &s : scripts) {
        ASSERT_TRUE(g_file_test(s.file.c_str(), G_FILE_TEST_EXISTS)) << s.file;
        g_autofree char *shell = g_find_program_in_path(s.shell);
        if (shell == nullptr)
            continue;
        std::string cmd = std::string(s.shell) + " -n " + s.file;
        int wait = 0;
        g_autofree char *err = nullptr;
        ASSERT_TRUE(g_spawn_command_line_sync(cmd.c_str(), nullptr, &err, &wait, nullptr));
        EXPECT_TRUE(g_spawn_check_wait_status(wait, nullptr)) << s.shell << ": " << err;
    }
}

TEST_F(Cli, SetNamesEveryOtherTypeItSet) {
    env.add_app("roller", "Roller",
                {"application/zip", "application/x-gzip", "application/epub+zip"});
    env.register_apps();
    write_file(env.catalogue_path(),
               "[Categories]\nArchives=application/zip;application/x-gzip;\n");
    Outcome r = quarve({"set", "Archives", "roller"});
    EXPECT_EQ(r.out, "Roller is now default for Archives\n"
                     "Also set for: application/gzip, application/epub+zip\n");
    EXPECT_EQ(gio_default("application/gzip"), "roller.desktop") << "the alias's canonical type";
}

TEST_F(Cli, ResetHandsAnItemBackAndSaysWhatItOpensInNow) {
    ASSERT_EQ(quarve({"set", "html", "web"}).status, 0);
    Outcome r = quarve({"reset", "HTML"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Reset: text/html to the system defaults\ntext/html\tfirefox-esr.desktop\n");
    EXPECT_EQ(gio_default("text/html"), "firefox-esr.desktop");
    EXPECT_EQ(quarve({"undo"}).out, "Undone: the reset of text/html\n");
    EXPECT_EQ(gio_default("text/html"), "web.desktop");
}

TEST_F(Cli, OddArgumentsGetAPlainAnswer) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out; // what standard output begins with
        std::string err; // what standard error begins with
    } cases[] = {
        {{"--help", "extra"}, 2, "", "quarve: --help: too many arguments\n"},
        {{"-V", "extra"}, 2, "", "quarve: -V: too many arguments\n"},
        {{"frob\x1b]0;title\x07"},
         2,
         "",
         "quarve: unknown command frob\xef\xbf\xbd]0;title\xef\xbf\xbd\n"},
        {{"get", "--", "IMAGE/PNG"}, 0, "image/png\tfirefox-esr.desktop\n", ""},
        {{"--", "get", "png"}, 0, "image/png\tfirefox-esr.desktop\n", ""},
        {{"help"}, 0, "Usage: quarve ", ""},
        {{"help", "set"}, 0, "Usage: quarve set ITEM APP\n", ""},
        {{"help", "frob"}, 2, "", "quarve: help: unknown command frob\n"},
        {{"--list-commands"}, 0, "list\tlist the categories (--types: the MIME types)\n", ""},
        {{"get", "./x.png"},
         1,
         "",
         "quarve: not an item: ./x.png; quarve why FILE explains a file\n"},
        {{"set", "~/x.png", "web"},
         1,
         "",
         "quarve: not an item: ~/x.png; quarve why FILE explains a file\n"},
        {{"show", env.root},
         1,
         "",
         "quarve: not an item: " + env.root + "; quarve why FILE explains a file\n"},
        {{"why", env.root + "/missing.pdf"},
         1,
         "",
         "quarve: no such file: " + env.root + "/missing.pdf\n"},
        // An answer with nothing in it is said, and fails only when nothing at all is there.
        {{"show", "Torrent Client"}, 1, "", "quarve: no application opens Torrent Client\n"},
        {{"get", "torrent"}, 1, "", "quarve: no default for application/x-bittorrent\n"},
        {{"get", "Image Viewer"}, 0, "image/png\tfirefox-esr.desktop\n", "quarve: no default for "},
    };
    for (const auto &c : cases) {
        Outcome r = quarve(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[0] << " " << r.err;
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << c.args[0];
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << c.args[0];
    }
    // A path in a folder that is there is a file, not a type of that name.
    g_mkdir_with_parents((env.root + "/docs").c_str(), 0755);
    Outcome r = quarve({"why", "docs/missing.pdf"}, env.root.c_str());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quarve: no such file: docs/missing.pdf\n");
    Outcome help = quarve({"--help"});
    EXPECT_EQ(quarve({"help"}).out, help.out) << "help is --help";
    EXPECT_NE(help.out.find("Press ? inside for every key; see quarve(1).\n"), std::string::npos);
    EXPECT_NE(help.out.find(env.config_dir + "/mimeapps.list"), std::string::npos);
}

TEST_F(Cli, JsonIsOneDocumentWithEveryControlCharacterEscaped) {
    std::string name = "Ctl";
    for (char c = 1; c < 0x20; c++)
        name += c == '\n' || c == '\r' ? ' ' : c;
    write_file(env.apps_dir + "/ctl.desktop", "[Desktop Entry]\nType=Application\nName=" + name +
                                                  "\x7f\xc2\x85\xc2\x9b\nExec=/bin/true %f\n"
                                                  "MimeType=image/png;\n");
    write_file(env.config_dir + "/mimeapps.list",
               "[Default Applications]\nimage/png=ctl.desktop\n");
    const std::string saved = env.root + "/out.json";
    for (const auto &args : std::vector<std::vector<std::string>>{{"list", "--json"},
                                                                  {"list", "--types", "--json"},
                                                                  {"list", "--apps", "--json"},
                                                                  {"show", "png", "--json"},
                                                                  {"get", "png", "--json"},
                                                                  {"app", "ctl", "--json"},
                                                                  {"why", "png", "--json"},
                                                                  {"pins", "--json"}}) {
        Outcome r = quarve(args);
        write_file(saved, r.out);
        // jq prints each document it reads on a line of its own.
        g_autofree char *parsed = nullptr;
        int wait = 0;
        ASSERT_TRUE(g_spawn_command_line_sync(("jq -c . " + saved).c_str(), &parsed, nullptr, &wait,
                                              nullptr));
        EXPECT_TRUE(r.status == 0 && g_spawn_check_wait_status(wait, nullptr))
            << args[1] << ": " << r.out << r.err;
        EXPECT_EQ(std::count(parsed, parsed + strlen(parsed), '\n'), 1) << args[1];
        EXPECT_EQ(std::count_if(r.out.begin(), r.out.end(),
                                [](unsigned char c) { return c < 0x20 || c == 0x7f; }),
                  1)
            << args[1] << ": only the final line break is a raw control character";
        for (const char *c1 : {"\xc2\x85", "\xc2\x9b"})
            EXPECT_EQ(r.out.find(c1), std::string::npos) << args[1];
    }
}

TEST_F(Cli, HiddenApplicationsTheirTypesOriginsCopiesAndNamesUsersKnow) {
    const std::string system = env.root + "/system-data/applications";
    env.add_entry(system, "shots.desktop", "Name=Shots\nNoDisplay=true", {"image/png"});
    env.add_entry(system, "viewer.desktop", "Name=Old Viewer", {"image/gif"});
    env.add_entry(system, "mutt.desktop",
                  "Name=Mutt\nName[de]=Elch\nGenericName=Mail Reader\nKeywords=email;",
                  {"x-scheme-handler/mailto"});
    env.add_entry(system, "gone.desktop", "Name=Gone Mail\nHidden=true");
    // Deleted by a copy of the user's that GIO cannot load: GIO starts the system's.
    env.add_entry(system, "stub.desktop", "Name=Stub", {"text/x-stub"});
    write_file(env.apps_dir + "/stub.desktop", "[Desktop Entry]\nHidden=true\n");
    write_file(env.config_dir + "/mimeapps.list",
               "[Default Applications]\nmessage/rfc822=gone.desktop\ntext/x-stub=stub.desktop\n");
    g_setenv("LANGUAGE", "de", TRUE);
    const struct {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"app", "shots"}, "  image/png\tpng\n"},
        {{"app", "gone"}, "* message/rfc822\teml\n"},
        {{"app", "stub"}, "* text/x-stub\ttext/x-stub\n"},
        {{"app", "mutt"}, "* x-scheme-handler/mailto\tmailto\n"},
        {{"app", "MAIL READER"}, "* x-scheme-handler/mailto\tmailto\n"},
        {{"app", "email"}, "* x-scheme-handler/mailto\tmailto\n"},
        {{"list", "--apps"},
         "mutt.desktop\tElch\nfirefox-esr.desktop\tFirefox\n"
         "gone.desktop\tGone Mail\nstub.desktop\tStub\nviewer.desktop\tViewer\xef\xbf\xbd[31m\n"
         "web-two.desktop\tweb\nweb.desktop\tWeb\n"},
        {{"show", "x-scheme-handler/mailto", "--json"},
         "[{\"id\":\"mutt.desktop\",\"name\":\"Elch\",\"file\":\"" + system +
             "/mutt.desktop\",\"name_untranslated\":\"Mutt\",\"origin\":\"other\",\"menus\":"
             "\"shown\",\"default\":true}]\n"},
        {{"app", "viewer", "--json"},
         "{\"id\":\"viewer.desktop\",\"name\":\"Viewer\\u001b[31m\",\"file\":\"" +
             path("viewer.desktop") +
             "\",\"name_untranslated\":\"Viewer\\u001b[31m\",\"origin\":\"user\",\"menus\":"
             "\"shown\",\"hidden_copies\":[{\"file\":\"" +
             system +
             "/viewer.desktop\",\"origin\":\"other\"}],\"types\":[{\"type\":\"image/png\","
             "\"label\":\"png\",\"default\":false},{\"type\":\"x-custom/thing\",\"label\":"
             "\"x-custom/thing\",\"default\":true}]}\n"},
    };
    for (const auto &c : cases) {
        Outcome r = quarve(c.args);
        EXPECT_EQ(r.status, 0) << c.args[1] << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.args[1];
    }
    Outcome why = quarve({"why", "x-custom/thing"});
    EXPECT_NE(why.out.find("\n  file: " + path("viewer.desktop") + "\n  hides: " + system +
                           "/viewer.desktop\n"),
              std::string::npos)
        << why.out;
    g_unsetenv("LANGUAGE");
}

namespace {

// A line of the manual as it reads: a font macro's arguments, the alternating ones (.BR, .RI, ...)
// without the blanks between them.
std::string roff_text(const std::string &line) {
    size_t start = line.starts_with('.') ? line.find(' ') + 1 : 0;
    bool alternating = start == 4, quoted = false;
    std::string out;
    for (size_t i = start; i < line.size(); i++) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == '\\') { // \- is a hyphen, \fX a change of font
            out += line[i + 1] == '-' ? "-" : "";
            i += line[i + 1] == 'f' ? 2 : 1;
        } else if (line[i] != ' ' || quoted || !alternating) {
            out += line[i];
        }
    }
    return out;
}

} // namespace

TEST(Manual, SynopsisAndCommandsAreTheCommandTables) {
    std::vector<std::string> names, usages = {"quarve"}, synopsis = {""}, entries;
    std::istringstream table(quarve({"--list-commands"}).out);
    for (std::string line; std::getline(table, line);) {
        names.push_back(line.substr(0, line.find('\t')));
        std::string usage = quarve({"help", names.back()}).out;
        usages.push_back(usage.substr(strlen("Usage: "), usage.find('\n') - strlen("Usage: ")));
    }
    usages.push_back("quarve (--help | --version | --list-commands)");
    std::istringstream page(read_file(QUARVE_SOURCE_DIR "/docs/quarve.1"));
    std::string section, previous;
    int inset = 0; // an entry's own list (.RS ... .RE) names no command
    for (std::string line; std::getline(page, line); previous = line) {
        std::string text = roff_text(line), word = text.substr(0, text.find(' '));
        if (line.starts_with(".SH "))
            section = line.substr(4);
        else if (line.starts_with(".RS") || line.starts_with(".RE"))
            inset += line.starts_with(".RS") ? 1 : -1;
        else if (section == "SYNOPSIS" && line == ".br")
            synopsis.emplace_back();
        else if (section == "SYNOPSIS")
            synopsis.back() += (synopsis.back().empty() ? "" : " ") + text;
        // Each command's entry, in the table's order (one may have more than one).
        else if (section == "COMMANDS" && inset == 0 && previous == ".TP" &&
                 !word.starts_with("-") && (entries.empty() || entries.back() != word))
            entries.push_back(word);
    }
    EXPECT_EQ(synopsis, usages);
    EXPECT_EQ(entries, names);
}
