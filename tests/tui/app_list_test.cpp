// The application list: which applications it shows and in what order, their MIME types with
// the defaults marked, and assignments from the application's side.
#include <sys/stat.h>
#include <unistd.h>

#include "fixture.h"
#include "screen/view.h"
#include "settings/journal.h"
#include "tui/pane.h"
#include "util/paths.h"

namespace {

class AppList : public QuarveTest {
  protected:
    void SetUp() override {
        env.add_app("org.example.fruit", "apple", {"image/png"});
        env.add_app("banana", "Banana", {"image/png", "image/gif", "image/png"});
        env.add_app("echo", "Echo", {"text/html"});
        env.add_app("eclair", "Éclair", {"text/plain", "application/x-gzip", "text/html"});
        env.add_app("zed", "zed", {"text/plain"});
        env.register_apps();
        // Applications the menus would not show, and one that opens no file.
        int n = 0;
        for (const char *keys :
             {"Hidden=true\nMimeType=text/plain;", "NoDisplay=true\nMimeType=a/b;",
              "OnlyShowIn=KDE;\nMimeType=a/b;", "MimeType=;"})
            write_file(env.apps_dir + "/aaa" + std::to_string(n++) + ".desktop",
                       std::string("[Desktop Entry]\nType=Application\nName=Aaa\nExec=true\n") +
                           keys + "\n");
        start(100, 12);
        ch('3');
    }
    std::vector<std::string> rows() {
        std::vector<std::string> out;
        for (int i = 0; i < view_count(&s); i++)
            out.push_back(view_label_of(i));
        return out;
    }
    void pick(const char *name) {
        for (s.selected = 0; s.selected < view_count(&s) && view_label_of(s.selected) != name;
             s.selected++) {
        }
        apps_reload(&s);
    }
    // What a fresh process says: `gio mime TYPE` reads the settings anew.
    std::string gio_default(const char *type) {
        g_autofree char *out = nullptr;
        g_spawn_command_line_sync(("gio mime " + std::string(type)).c_str(), &out, nullptr, nullptr,
                                  nullptr);
        std::string text(out ? out : "");
        size_t at = text.find(": ");
        return at == std::string::npos ? "" : text.substr(at + 2, text.find('\n') - at - 2);
    }
    std::string list_path() { return env.config_dir + "/mimeapps.list"; }
    using V = std::vector<std::string>;
};

} // namespace

TEST_F(AppList, ShownApplicationsThatOpenFilesByNameWithoutCaseOrAccents) {
    EXPECT_EQ(rows(), (V{"apple", "Banana", "Echo", "Éclair", "zed"}));
    for (const auto &[search, found] : std::vector<std::pair<const char *, V>>{
             {"ECLA", {"Éclair"}}, {"example", {"apple"}}, {"aa", {}}}) {
        ch('/');
        type(search);
        key(TB_KEY_ENTER);
        EXPECT_EQ(rows(), found) << search;
        ch('3');
    }
}

TEST_F(AppList, TheTypesPaneMarksWhereGioAnswersWithTheApplication) {
    pick("Banana");
    frame();
    EXPECT_EQ(grid_row(2), "  APPLICATIONS (3)      MIME TYPES");
    EXPECT_EQ(grid_row(4), "  apple                   png      image/png");
    EXPECT_EQ(grid_row(5), "  Banana                * gif      image/gif");
    EXPECT_EQ(gio_default("image/png"), "org.example.fruit.desktop");
    EXPECT_EQ(gio_default("image/gif"), "banana.desktop");
    key(TB_KEY_TAB);
    key(TB_KEY_ENTER);
    EXPECT_STREQ(s.status, "Banana is now default for image/png");
    EXPECT_EQ(gio_default("image/png"), "banana.desktop");
}

TEST_F(AppList, EveryDeclaredTypeAtOnceAndOneUndoTakesItBack) {
    const std::string before = "# mine\n[Default Applications]\ntext/plain=zed.desktop\n";
    write_file(list_path(), before);
    pick("Éclair");
    ch('A');
    EXPECT_STREQ(s.status, "Éclair is now default for every type it declares (3); also set for 1 "
                           "related type: i lists them");
    for (const char *type : {"text/plain", "application/x-gzip", "application/gzip", "text/html"})
        EXPECT_EQ(gio_default(type), "eclair.desktop") << type;
    std::vector<JournalEntry> journal = journal_load();
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0].types.size(), 4u) << "the alias's canonical type too";
    ch('u');
    EXPECT_STREQ(s.status, "Undone: Éclair for every type it declares (3)");
    EXPECT_EQ(read_file(list_path()), before);
    EXPECT_EQ(gio_default("text/html"), "echo.desktop");
}

TEST_F(AppList, AReadOnlySettingsTargetChangesNothing) {
    const std::string before = "[Default Applications]\ntext/html=echo.desktop\n";
    write_file(env.root + "/store/mimeapps.list", before);
    chmod((env.root + "/store/mimeapps.list").c_str(), 0444);
    ASSERT_EQ(symlink((env.root + "/store/mimeapps.list").c_str(), list_path().c_str()), 0);
    pick("Éclair");
    ch('A');
    EXPECT_EQ(std::string(s.status), "Failed to set default application: " + list_path() +
                                         " is a link to a file that cannot be written");
    EXPECT_EQ(read_file(env.root + "/store/mimeapps.list"), before);
    EXPECT_FALSE(g_file_test(paths_journal().c_str(), G_FILE_TEST_EXISTS));
}

namespace {

// Two programs named Firefox (the distribution's and a Flatpak), two named Mutt from one folder,
// a picture viewer hidden from the menus that is a default, one that is not, and a deleted
// mail program a list still names.
class Twins : public AppList {
  protected:
    void SetUp() override {
        std::string flatpak =
            env.add_data_folder("var/lib/flatpak/exports/share") + "/applications";
        system = env.root + "/system-data/applications";
        const std::string firefox = "Name=Firefox\nName[de]=Feuerfuchs\nGenericName=Web Browser\n"
                                    "GenericName[de]=Webbrowser\nKeywords=WWW;\n";
        env.add_entry(system, "firefox-esr.desktop", "Name=Firefox\nName[de]=Feuerfuchs",
                      {"text/html"});
        env.add_entry(flatpak, "org.mozilla.firefox.desktop", firefox + "X-Flatpak=x",
                      {"text/html"});
        for (const char *id : {"mutt.desktop", "neomutt.desktop"})
            env.add_entry(system, id, "Name=Mutt", {"x-scheme-handler/mailto"});
        env.add_entry(system, "viewer.desktop", "Name=Picture Viewer\nNoDisplay=true",
                      {"image/png", "image/gif"});
        env.add_entry(system, "helper.desktop", "Name=Helper\nNoDisplay=true", {"image/png"});
        env.add_entry(env.apps_dir, "gone.desktop", "Name=Gone Mail\nHidden=true");
        write_file(list_path(), "[Default Applications]\nx-scheme-handler/mailto=gone.desktop\n");
    }
    std::string system;
};

} // namespace

TEST_F(Twins, SameNamesShowTheirOriginOrIdAndHiddenDefaultsAreListed) {
    start(100, 12);
    frame();
    EXPECT_EQ(grid_row(5).substr(24, 20), "  Firefox (Flatpak) ");
    AppRowText texts[2]; // the other folder's path runs past the pane: its row as made
    s.source->app_texts(&s, s.apps, 2, texts);
    EXPECT_EQ(texts[0].text, "* Firefox (" + system + ")");
    ch('3');
    EXPECT_EQ(rows(),
              (V{"Firefox (" + system + ")", "Firefox (Flatpak)", "Gone Mail (deleted)",
                 "Mutt (mutt.desktop)", "Mutt (neomutt.desktop)", "Picture Viewer (hidden)"}));
    // Their defaults, to be seen and moved from the application's side.
    pick("Picture Viewer (hidden)");
    frame();
    EXPECT_EQ(grid_row(4).substr(24), "* png      image/png");
    EXPECT_EQ(grid_row(5).substr(24), "* gif      image/gif");
    pick("Gone Mail (deleted)");
    frame();
    EXPECT_EQ(grid_row(4).substr(24), "* mailto   x-scheme-handler/mailto");
    EXPECT_EQ(gio_default("x-scheme-handler/mailto"), "gone.desktop");
}

TEST_F(Twins, ASearchFindsTheUntranslatedNamesToo) {
    g_setenv("LANGUAGE", "de", TRUE);
    start(100, 12);
    ch('3');
    for (const auto &[search, found] : std::vector<std::pair<const char *, V>>{
             {"firefox", {"Feuerfuchs (" + system + ")", "Feuerfuchs (Flatpak)"}},
             {"web browser", {"Feuerfuchs (Flatpak)"}},
             {"webbrowser", {"Feuerfuchs (Flatpak)"}},
             {"www", {"Feuerfuchs (Flatpak)"}},
             {"neomutt", {"Mutt (neomutt.desktop)"}}}) {
        ch('/');
        type(search);
        key(TB_KEY_ENTER);
        EXPECT_EQ(rows(), found) << search;
        ch('3');
    }
}
