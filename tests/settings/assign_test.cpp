// The assignment keeps the user's links and read-only files, covers aliases, and is recorded
// so that it can be taken back.
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "catalog/catalog.h"
#include "fixture.h"
#include "settings/assign.h"
#include "settings/journal.h"
#include "util/paths.h"

namespace {

class Assign : public CoreTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"text/plain", "image/png", "image/gif", "application/gzip"});
        env.add_app(
            "beta", "Beta",
            {"text/plain", "image/png", "image/gif", "application/gzip", "application/x-gzip"});
        env.register_apps();
        write_file(env.catalogue_path(), "[Categories]\nThree=image/png;text/plain;image/gif;\n"
                                         "Gzip=application/x-gzip;\n");
        load();
    }
    // What Enter on app in the application pane of item asks for: the catalogue goes with it.
    Outcome set(const char *item_name, const char *id) {
        g_autoptr(GAppInfo) chosen = app(id);
        return assign_app(item(item_name), chosen, cat);
    }
    using Opens = std::vector<std::pair<const char *, const char *>>; // type, desktop ID
};

} // namespace

TEST_F(Assign, LinkedSettingsFilesStayLinkedAndEveryReaderAgrees) {
    const std::string list = env.list_path();
    write_file(env.root + "/dotfiles/mimeapps.list",
               "[Default Applications]\nvideo/mp4=alpha.desktop\n");
    g_mkdir_with_parents((env.root + "/dotfiles/new").c_str(), 0755);
    // Each step in turn: the list made a link anew (or left as it is), then the change.
    const struct {
        const char *what;
        bool relink;
        std::string link;   // what the list links to after the step
        std::string target; // the file the link reaches
        std::function<Outcome()> act;
        std::string message;
        std::vector<std::string> has, lacks; // text the target holds after, and does not
        Opens opens;                         // GIO's default after, in and out of this process
    } steps[] = {
        {"a link into the user's dotfiles",
         true,
         "../dotfiles/mimeapps.list",
         "dotfiles/mimeapps.list",
         [&] { return set("Three", "beta.desktop"); },
         "Beta is now default for Three",
         {"video/mp4=alpha.desktop", "text/plain=beta.desktop"},
         {},
         {{"image/png", "beta.desktop"},
          {"text/plain", "beta.desktop"},
          {"image/gif", "beta.desktop"}}},
        {"a dangling link gets its file made where it points",
         true,
         "../dotfiles/new/mimeapps.list",
         "dotfiles/new/mimeapps.list",
         [&] { return set("Three", "alpha.desktop"); },
         "Alpha is now default for Three",
         {"image/gif=alpha.desktop"},
         {},
         {{"image/gif", "alpha.desktop"}}},
        {"the undo writes through the link as well",
         false,
         "../dotfiles/new/mimeapps.list",
         "dotfiles/new/mimeapps.list",
         assign_undo,
         "Undone: Alpha for Three",
         {},
         {"alpha.desktop"},
         {}},
    };
    for (const auto &step : steps) {
        if (step.relink) {
            unlink(list.c_str());
            ASSERT_EQ(symlink(step.link.c_str(), list.c_str()), 0) << step.what;
        }
        EXPECT_TRUE(outcome_is(step.act(), true, step.message)) << step.what;
        EXPECT_EQ(link_of(list), step.link) << step.what;
        std::string target = read_file(env.root + "/" + step.target);
        for (const std::string &text : step.has)
            EXPECT_NE(target.find(text), std::string::npos) << step.what << ": " << target;
        for (const std::string &text : step.lacks)
            EXPECT_EQ(target.find(text), std::string::npos) << step.what << ": " << target;
        for (const auto &[type, id] : step.opens) {
            EXPECT_EQ(default_for(type), id) << step.what << ": " << type;
            EXPECT_EQ(gio_default(type), id) << step.what << ": " << type;
        }
    }
}

TEST_F(Assign, ReadOnlyFilesAndUnwritableLinkTargetsAreRefusedBeforeAnyWrite) {
    const std::string list = env.list_path(), store = env.root + "/store/mimeapps.list";
    const std::string before = "[Default Applications]\nimage/png=alpha.desktop\n";
    const struct {
        const char *what;
        std::function<void()> arrange;
        std::string message;
        std::string kept; // the file that still holds before
        std::string link; // what the list links to
    } cases[] = {
        {"a link to a file that cannot be written",
         [&] {
             write_file(store, before);
             chmod(store.c_str(), 0444);
             ASSERT_EQ(symlink(store.c_str(), list.c_str()), 0);
         },
         "Failed to set default application: " + list +
             " is a link to a file that cannot be written",
         store, store},
        {"a read-only file",
         [&] {
             unlink(list.c_str());
             write_file(list, before);
             chmod(list.c_str(), 0444);
         },
         "Failed to set default application: " + list + " is read-only", list, "(not a link)"},
    };
    for (const auto &c : cases) {
        c.arrange();
        EXPECT_TRUE(outcome_is(set("Three", "beta.desktop"), false, c.message)) << c.what;
        EXPECT_EQ(read_file(c.kept), before) << c.what;
        EXPECT_EQ(link_of(list), c.link) << c.what;
    }
    EXPECT_EQ(default_for("text/plain"), "alpha.desktop");
    EXPECT_FALSE(g_file_test(paths_journal().c_str(), G_FILE_TEST_EXISTS)) << "nothing to undo";
}

TEST_F(Assign, AnAliasGivesItsCanonicalTypeTheSameDefault) {
    EXPECT_EQ(default_for("application/gzip"), "alpha.desktop") << "the first registered";
    EXPECT_TRUE(outcome_is(set("Gzip", "beta.desktop"), true, "Beta is now default for Gzip"));
    EXPECT_EQ(default_for("application/x-gzip"), "beta.desktop");
    EXPECT_EQ(default_for("application/gzip"), "beta.desktop");
    EXPECT_EQ(gio_default("application/gzip"), "beta.desktop");
    // scripts/install-deps --test installs xdg-utils: what xdg-open goes by is always asked.
    g_autofree char *out = nullptr;
    ASSERT_TRUE(g_spawn_command_line_sync("xdg-mime query default application/gzip", &out, nullptr,
                                          nullptr, nullptr));
    EXPECT_STREQ(out, "beta.desktop\n") << "what xdg-open goes by";
    EXPECT_NE(read_file(env.list_path()).find("application/gzip=beta.desktop"), std::string::npos);
    EXPECT_EQ(category_types(1), (std::vector<std::string>{"application/x-gzip"}))
        << "the catalogue stays as it is";
}

TEST_F(Assign, UndoTakesBackAssignmentsInTurnAlsoAfterARestart) {
    const std::string mine = "[Default Applications]\ntext/plain=alpha.desktop\n";
    // Each step in turn, with what GIO in this process answers after it.
    const struct {
        const char *what;
        std::function<void()> arrange;
        std::function<Outcome()> act;
        std::string message;
        Opens opens;
    } steps[] = {
        {"an empty journal", [] {}, assign_undo, "Nothing to undo", {}},
        {"a first assignment over the user's own default",
         [&] { write_file(env.list_path(), mine); },
         [&] { return set("Three", "beta.desktop"); },
         "Beta is now default for Three",
         {}},
        {"a second one",
         [] {},
         [&] { return set("Gzip", "beta.desktop"); },
         "Beta is now default for Gzip",
         {{"application/gzip", "beta.desktop"}}},
        {"a new run takes back the newest",
         [&] { load(); },
         assign_undo,
         "Undone: Beta for Gzip",
         {{"application/gzip", "alpha.desktop"}, {"text/plain", "beta.desktop"}}},
        {"then the older: the user's earlier default, and GIO's own answer where none was set",
         [] {},
         assign_undo,
         "Undone: Beta for Three",
         {{"text/plain", "alpha.desktop"}, {"image/png", "alpha.desktop"}}},
        {"nothing is left", [] {}, assign_undo, "Nothing to undo", {}},
    };
    for (const auto &step : steps) {
        step.arrange();
        EXPECT_TRUE(outcome_is(step.act(), true, step.message)) << step.what;
        for (const auto &[type, id] : step.opens)
            EXPECT_EQ(default_for(type), id) << step.what << ": " << type;
    }
    EXPECT_EQ(gio_default("text/plain"), "alpha.desktop");
    for (const std::string &key : keys_of(read_file(env.list_path())))
        EXPECT_EQ(key.find("image/png"), std::string::npos) << key;
    EXPECT_EQ(read_file(env.list_path()), mine) << "the user's file as it was";
}

TEST_F(Assign, UndoLeavesAloneWhatWasChangedSinceAndNamesIt) {
    ASSERT_TRUE(set("Three", "beta.desktop").ok);
    ASSERT_EQ(system("gio mime text/plain alpha.desktop >/dev/null"), 0);
    load();
    EXPECT_TRUE(outcome_is(assign_undo(), true,
                           "Undone: Beta for Three; left alone, changed since: text/plain"));
    EXPECT_EQ(default_for("text/plain"), "alpha.desktop");
    EXPECT_EQ(default_for("image/gif"), "alpha.desktop");
}

TEST_F(Assign, AnUndoWithNothingLeftToTakeBackSaysWhatTheNextOneTakes) {
    ASSERT_TRUE(set("Gzip", "beta.desktop").ok);
    ASSERT_TRUE(set("Three", "beta.desktop").ok);
    for (const char *type : {"text/plain", "image/png", "image/gif"})
        ASSERT_EQ(system(("gio mime " + std::string(type) + " alpha.desktop >/dev/null").c_str()),
                  0);
    load();
    EXPECT_TRUE(outcome_is(assign_undo(), false,
                           "Failed to undo Beta for Three: changed since: image/png, text/plain, "
                           "image/gif; it is off the journal, the next undo takes back Beta for "
                           "Gzip"));
    EXPECT_TRUE(outcome_is(assign_undo(), true, "Undone: Beta for Gzip"));
}

TEST_F(Assign, TheJournalKeepsTheLastHundred) {
    ASSERT_TRUE(set("Three", "beta.desktop").ok);
    std::vector<JournalEntry> entries = journal_load();
    ASSERT_EQ(entries.size(), 1u);
    for (int i = 0; i < 120; i++)
        entries.push_back({"x.desktop", "X", "Item " + std::to_string(i), {}, {}, "", "", ""});
    std::string error;
    ASSERT_TRUE(journal_save(entries, &error)) << error;
    entries = journal_load();
    ASSERT_EQ(entries.size(), JOURNAL_MAX_ENTRIES);
    EXPECT_EQ(entries.back().item, "Item 119");
    EXPECT_EQ(entries.front().item, "Item 20");
}
