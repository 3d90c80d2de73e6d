// The assignment never wipes a damaged settings file and never reports an override as success.
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "catalog/catalog.h"
#include "fixture.h"
#include "settings/assign.h"
#include "settings/journal.h"
#include "util/paths.h"

namespace {

class Guard : public CoreTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"text/plain", "image/png", "image/gif"});
        env.add_app("beta", "Beta", {"text/plain", "image/png", "image/gif"});
        env.register_apps();
        write_file(env.catalogue_path(), "[Categories]\nThree=image/png;text/plain;image/gif;\n");
        load();
    }
    // Beta for Three, as Enter in the application pane asks for it.
    Outcome set_beta() {
        g_autoptr(GAppInfo) beta = app("beta.desktop");
        return assign_app(item("Three"), beta, cat);
    }
    using Opens = std::vector<std::pair<const char *, const char *>>; // type, desktop ID
};

} // namespace

TEST_F(Guard, DamagedFilesAreLeftAloneOrKeptAside) {
    const std::string list = env.list_path(), journal = paths_journal();
    const struct {
        const char *what;
        std::string path, bytes; // the file as the change finds it
        bool ok;
        std::string message;
        std::string kept;             // where the bytes are after, "" when the change took them
        std::vector<std::string> has; // text the list holds after
        Opens opens;
    } cases[] = {
        {"a damaged settings list is left alone",
         list,
         "[Default Applications]\nimage/png=alpha.desktop\n"
         "this is not key-file syntax\nvideo/mp4=beta.desktop\n",
         false,
         "Failed to set default application: " + list + " cannot be read",
         list,
         {},
         {}},
        {"a valid settings list keeps its other entries",
         list,
         "[Default Applications]\nvideo/mp4=alpha.desktop\napplication/pdf=beta.desktop\n",
         true,
         "Beta is now default for Three",
         "",
         {"video/mp4=alpha.desktop", "application/pdf=beta.desktop"},
         {{"text/plain", "beta.desktop"}}},
        {"a damaged journal is kept aside and stops nothing",
         journal,
         "this is not a journal\n",
         true,
         "Beta is now default for Three",
         journal + ".bad",
         {},
         {}},
    };
    for (const auto &c : cases) {
        for (const std::string &stale : {list, journal, journal + ".bad"})
            unlink(stale.c_str());
        write_file(c.path, c.bytes);
        EXPECT_TRUE(outcome_is(set_beta(), c.ok, c.message)) << c.what;
        if (!c.kept.empty()) {
            EXPECT_EQ(read_file(c.kept), c.bytes) << c.what;
        }
        for (const std::string &text : c.has)
            EXPECT_NE(read_file(list).find(text), std::string::npos) << c.what;
        for (const auto &[type, id] : c.opens)
            EXPECT_EQ(default_for(type), id) << c.what << ": " << type;
    }
    // The journal begun after the damaged one holds the change alone.
    std::vector<JournalEntry> entries = journal_load();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].app_id, "beta.desktop");
    EXPECT_EQ(entries[0].types.size(), 3u);
}

TEST_F(Guard, TheUsersOwnDesktopListIsWrittenTooOrNothingIs) {
    // The user's desktop list names alpha for text/plain, the second of the three types, and
    // outranks mimeapps.list: it gets the new default in the same step, or nothing is written.
    g_setenv("XDG_CURRENT_DESKTOP", "GNOME", TRUE);
    const std::string list = env.list_path(), gnome = env.config_dir + "/gnome-mimeapps.list";
    const std::string earlier = "[Default Applications]\nimage/png=alpha.desktop;\n\n"
                                "[Added Associations]\nimage/png=alpha.desktop;beta.desktop;\n";
    const std::string plain = "[Default Applications]\ntext/plain=alpha.desktop\n";
    const std::string mine = "# mine\n" + plain;
    const std::string refused = "Failed to set default application: " + gnome + " is read-only";
    auto read_only = [&](const std::string &bytes) {
        chmod(gnome.c_str(), 0644);
        write_file(gnome, bytes);
        chmod(gnome.c_str(), 0444);
    };
    const struct {
        const char *what;
        std::function<void()> arrange;
        std::function<Outcome()> act;
        bool ok;
        std::string message;
        std::optional<std::vector<std::string>> list_keys; // what GIO reads of the list after
        std::string gnome;                                 // the desktop list's bytes after
        Opens opens;
    } steps[] = {
        {"a read-only desktop list: the earlier entries are put back exactly",
         [&] {
             write_file(list, earlier);
             read_only(plain);
         },
         [&] { return set_beta(); },
         false,
         refused,
         keys_of(earlier),
         plain,
         {{"image/png", "alpha.desktop"}}},
        {"a read-only desktop list and no settings list: none is left",
         [&] {
             unlink(list.c_str());
             read_only(mine);
         },
         [&] { return set_beta(); },
         false,
         refused,
         std::vector<std::string>{},
         mine,
         {{"image/png", "alpha.desktop"}, {"text/plain", "alpha.desktop"}}},
        {"a writable desktop list gets the new default in the same step",
         [&] { chmod(gnome.c_str(), 0644); },
         [&] { return set_beta(); },
         true,
         "Beta is now default for Three",
         std::nullopt,
         "# mine\n[Default Applications]\ntext/plain=beta.desktop\n",
         {{"image/png", "beta.desktop"},
          {"text/plain", "beta.desktop"},
          {"image/gif", "beta.desktop"}}},
        {"the undo puts the desktop list back",
         [] {},
         assign_undo,
         true,
         "Undone: Beta for Three",
         std::nullopt,
         mine,
         {{"text/plain", "alpha.desktop"}}},
    };
    for (const auto &step : steps) {
        step.arrange();
        EXPECT_TRUE(outcome_is(step.act(), step.ok, step.message)) << step.what;
        if (step.list_keys) {
            EXPECT_EQ(keys_of(read_file(list)), *step.list_keys) << step.what;
        }
        EXPECT_EQ(read_file(gnome), step.gnome) << step.what;
        for (const auto &[type, id] : step.opens) {
            EXPECT_EQ(default_for(type), id) << step.what << ": " << type;
            EXPECT_EQ(gio_default(type), id) << step.what << ": " << type;
        }
    }
}
