// Why a type opens where it does: every list layer GIO reads, the verdicts, and GIO's own word.
#include <functional>

#include "appdb/why.h"
#include "fixture.h"

namespace {

class Why : public CoreTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"image/png", "text/plain"});
        env.add_app("beta", "Beta", {"image/png", "text/plain"});
        env.add_app("gamma", "Gamma", {"image/png", "text/plain"});
        env.register_apps();
    }
    std::string rel(const std::string &path) {
        return path.rfind(env.root, 0) == 0 ? path.substr(env.root.size() + 1) : path;
    }
};

} // namespace

TEST_F(Why, EveryListLayerIsJudgedAsGioResolvesIt) {
    const std::string user = "config/mimeapps.list";
    const struct {
        const char *what;
        std::vector<std::pair<std::string, std::string>> files; // relative path, contents
        bool gnome;
        const char *type;
        std::string answer;                // GIO's default
        std::string decider;               // the deciding file, "" for none
        std::vector<std::string> verdicts; // "verdict file [group]" per list entry, in order
    } cases[] = {
        {"the user's list",
         {{user, "[Default Applications]\nimage/png=beta.desktop\n"}},
         false,
         "image/png",
         "beta.desktop",
         user,
         {"decides config/mimeapps.list [Default Applications]"}},
        {"a desktop-specific list of the user's outranks the user's list",
         {{user, "[Default Applications]\nimage/png=beta.desktop\n"},
          {"config/gnome-mimeapps.list",
           "[Default Applications]\nimage/png=gamma.desktop\n[Added Associations]\n"
           "image/png=beta.desktop;\n"}},
         true,
         "image/png",
         "gamma.desktop",
         "config/gnome-mimeapps.list",
         {"decides config/gnome-mimeapps.list [Default Applications]",
          "skipped config/gnome-mimeapps.list [Added Associations]",
          "outranked config/mimeapps.list [Default Applications]"}},
        {"the system's configuration folder",
         {{"system-config/mimeapps.list", "[Default Applications]\nimage/png=gamma.desktop\n"}},
         false,
         "image/png",
         "gamma.desktop",
         "system-config/mimeapps.list",
         {"decides system-config/mimeapps.list [Default Applications]"}},
        {"an application folder's list, after the configuration folders",
         {{"data/applications/mimeapps.list", "[Default Applications]\nimage/png=gamma.desktop\n"},
          {"system-config/mimeapps.list", "[Default Applications]\nimage/png=beta.desktop\n"}},
         false,
         "image/png",
         "beta.desktop",
         "system-config/mimeapps.list",
         {"decides system-config/mimeapps.list [Default Applications]",
          "outranked data/applications/mimeapps.list [Default Applications]"}},
        {"Removed Associations do not undo a default",
         {{user, "[Default Applications]\nimage/png=beta.desktop\n[Removed Associations]\n"
                 "image/png=beta.desktop;\n"}},
         false,
         "image/png",
         "beta.desktop",
         user,
         {"decides config/mimeapps.list [Default Applications]",
          "skipped config/mimeapps.list [Removed Associations]"}},
        {"the older defaults.list",
         {{"system-data/applications/defaults.list",
           "[Default Applications]\nimage/png=gamma.desktop\n"}},
         false,
         "image/png",
         "gamma.desktop",
         "system-data/applications/defaults.list",
         {"decides system-data/applications/defaults.list [Default Applications]"}},
        {"a default naming an application that is not installed",
         {{user, "[Default Applications]\nimage/png=ghost.desktop\n"}},
         false,
         "image/png",
         "alpha.desktop",
         "",
         {"skipped config/mimeapps.list [Default Applications]"}},
        {"no list at all: GIO's own choice", {}, false, "image/png", "alpha.desktop", "", {}},
        {"a sub-class with no application of its own inherits its parent's default",
         {{user, "[Default Applications]\ntext/plain=gamma.desktop\n"}},
         false,
         "text/x-csrc",
         "gamma.desktop",
         user,
         {"decides config/mimeapps.list [Default Applications]"}},
    };
    for (const auto &c : cases) {
        for (const char *stale :
             {"config/mimeapps.list", "config/gnome-mimeapps.list", "system-config/mimeapps.list",
              "data/applications/mimeapps.list", "system-data/applications/defaults.list"})
            unlink((env.root + "/" + stale).c_str());
        for (const auto &[path, contents] : c.files)
            write_file(env.root + "/" + path, contents);
        if (c.gnome)
            g_setenv("XDG_CURRENT_DESKTOP", "GNOME", TRUE);
        else
            g_unsetenv("XDG_CURRENT_DESKTOP");
        // GIO in a process of its own is the judge; this process's GIO read other lists before.
        EXPECT_EQ(gio_default(c.type), c.answer) << c.what;
        std::string cmd = std::string(QUARVE_BINARY) + " why --json " + c.type +
                          " | jq -r '.[0] | .default.id, (.decided_by.file // \"-\"), "
                          "(.lists[] | .verdict + \" \" + .file + \" [\" + .group + \"]\")'";
        g_autofree char *out = nullptr;
        ASSERT_TRUE(g_spawn_command_line_sync(
            (std::string("sh -c \"") + g_strescape(cmd.c_str(), nullptr) + "\"").c_str(), &out,
            nullptr, nullptr, nullptr));
        std::vector<std::string> lines;
        g_auto(GStrv) parts = g_strsplit(out ? out : "", "\n", -1);
        for (char **p = parts; *p != nullptr && **p != '\0'; p++)
            lines.push_back(*p);
        ASSERT_GE(lines.size(), 2u) << c.what << ": " << (out ? out : "");
        EXPECT_EQ(lines[0], c.answer) << c.what << ": the default shown is GIO's";
        EXPECT_EQ(lines[1] == "-" ? "" : rel(lines[1]), c.decider) << c.what;
        std::vector<std::string> verdicts;
        for (size_t i = 2; i < lines.size(); i++) {
            std::string v = lines[i];
            size_t at = v.find(env.root + "/");
            if (at != std::string::npos)
                v.erase(at, env.root.size() + 1);
            verdicts.push_back(v);
        }
        EXPECT_EQ(verdicts, c.verdicts) << c.what;
    }
}

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
    EXPECT_EQ(why_text(*link).back(),
              "  command: /bin/true --open 'gopher://example.org/1' (in a terminal)");
    EXPECT_FALSE(why_target((env.root + "/missing").c_str(), &error));
    EXPECT_EQ(error, "no such file: " + env.root + "/missing");
}
