// One computed write per change: what GIO itself would have written, the user's bytes around
// it kept, and the odd files and folders a real home holds.
#include <functional>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "catalog/catalog.h"
#include "catalog/config.h"
#include "fixture.h"
#include "registry/aliases.h"
#include "registry/apps.h"
#include "settings/assign.h"
#include "settings/journal.h"
#include "settings/mimeapps.h"
#include "util/files.h"
#include "util/paths.h"

namespace {

class Write : public CoreTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"text/plain", "image/png", "image/gif"});
        env.add_app("beta", "Beta", {"text/plain", "image/png", "image/gif"});
        env.add_app("gamma", "Gamma", {"text/plain", "image/png", "image/gif"});
        env.register_apps();
        write_file(env.catalogue_path(), "[Categories]\nTwo=text/plain;image/png;\n");
        load();
    }
    std::string run(const std::string &cmd) {
        g_autofree char *out = nullptr;
        g_spawn_command_line_sync(cmd.c_str(), &out, nullptr, nullptr, nullptr);
        return out ? out : "";
    }
};

} // namespace

TEST_F(Write, TheChangeIsWhatGioItselfWouldWrite) {
    const char *starts[] = {
        "",
        "[Default Applications]\ntext/plain=gamma.desktop\n",
        "[Added Associations]\ntext/plain=gamma.desktop;alpha.desktop;\n",
        "[Added Associations]\ntext/plain=gamma.desktop;beta.desktop;\n",
        "[Removed Associations]\ntext/plain=beta.desktop;gamma.desktop;\nimage/png=beta.desktop\n",
        "[Default Applications]\nimage/png=alpha.desktop;\n[Other]\nx=y\n",
    };
    for (const char *start : starts) {
        // GIO's own write, one call per type, in a process of its own on the same start.
        write_file(env.list_path(), start);
        run("gio mime text/plain beta.desktop");
        run("gio mime image/png beta.desktop");
        std::string gio = read_file(env.list_path());
        std::string ours =
            mimeapps_with_default(start, {"text/plain", "image/png"}, "beta.desktop");
        EXPECT_EQ(keys_of(ours), keys_of(gio)) << "from:\n" << start << "ours:\n" << ours;
    }
}

TEST_F(Write, AnAssignmentAndItsUndoKeepCommentsModeAndEveryOtherByte) {
    const std::string mine = "# kept by hand\n[Default Applications]\n# the viewer\n"
                             "video/mp4=alpha.desktop\n\n[Other]\nx=y\n";
    write_file(env.list_path(), mine);
    chmod(env.list_path().c_str(), 0640);
    g_autoptr(GAppInfo) beta = app("beta.desktop");
    Outcome set = assign_app(item("Two"), beta);
    ASSERT_TRUE(set.ok) << set.message;
    std::string after = read_file(env.list_path());
    EXPECT_EQ(after.rfind("# kept by hand\n[Default Applications]\n# the viewer\n"
                          "video/mp4=alpha.desktop\n",
                          0),
              0u)
        << after;
    EXPECT_NE(after.find("[Other]\nx=y\n"), std::string::npos) << after;
    Outcome undone = assign_undo();
    EXPECT_EQ(undone.message, "Undone: Beta for Two");
    EXPECT_EQ(read_file(env.list_path()), mine);
    struct stat st;
    ASSERT_EQ(stat(env.list_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(Write, AFileChangedBetweenReadAndWriteIsNotOverwritten) {
    write_file(env.list_path(), "[Default Applications]\nvideo/mp4=alpha.desktop\n");
    std::optional<std::string> read;
    ASSERT_FALSE(mimeapps_open(env.list_path().c_str(), &read));
    write_file(env.list_path(), "[Default Applications]\nvideo/mp4=gamma.desktop\n");
    bool changed = false;
    g_autoptr(GError) error = nullptr;
    EXPECT_FALSE(files_replace_if(env.list_path().c_str(), std::string("[Default Applications]\n"),
                                  read, &changed, &error));
    EXPECT_TRUE(changed);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(std::string(error->message),
              env.list_path() + " changed while quarve was writing it");
    EXPECT_EQ(read_file(env.list_path()), "[Default Applications]\nvideo/mp4=gamma.desktop\n");
}

TEST_F(Write, OddFilesAndFoldersGiveAClearAnswer) {
    g_autoptr(GAppInfo) beta = app("beta.desktop");
    const std::string journal = paths_journal();
    const struct {
        const char *what;
        std::function<void()> arrange;
        std::function<Outcome()> act;
        bool ok;
        std::string message;
        std::string warning;
    } cases[] = {
        {"a journal entry without its types is skipped as damaged",
         [&] {
             write_file(journal, "[Assignment 1]\napp=a.desktop\nname=A\nitem=I\n"
                                 "[Assignment 2]\napp=a.desktop\nname=A\nitem=I\ntypes=\n");
         },
         [] { return assign_undo(); }, true, "Nothing to undo", ""},
        {"a journal that cannot be written: the change happens and says so",
         [&] {
             write_file(journal, "");
             chmod(journal.c_str(), 0444);
         },
         [&] { return assign_app(item("Two"), beta); }, true, "Beta is now default for Two",
         "it cannot be undone: "},
        {"an undo that could not take its entry off refuses before changing anything",
         [&] {
             chmod(journal.c_str(), 0644);
             g_autoptr(GAppInfo) gamma = app("gamma.desktop");
             assign_app(item("Two"), gamma); // a real change: one that changes nothing
                                             // leaves no entry to take off
             chmod(journal.c_str(), 0444);
         },
         [] { return assign_undo(); }, false,
         "Failed to undo: the journal cannot be written: " + journal + " is read-only", ""},
        {"a read-only settings folder is named, with nothing left behind",
         [&] {
             chmod(journal.c_str(), 0644);
             g_unlink(env.list_path().c_str());
             chmod(env.config_dir.c_str(), 0555);
         },
         [&] { return assign_app(item("Two"), beta); }, false,
         "Failed to set default application: " + env.config_dir + " is read-only", ""},
    };
    for (const auto &c : cases) {
        c.arrange();
        Outcome o = c.act();
        EXPECT_EQ(o.ok, c.ok) << c.what;
        EXPECT_EQ(o.message, c.message) << c.what;
        EXPECT_EQ(o.warning.substr(0, c.warning.size()), c.warning) << c.what << ": " << o.warning;
    }
    chmod(env.config_dir.c_str(), 0755);
    g_autoptr(GDir) dir = g_dir_open(env.config_dir.c_str(), 0, nullptr);
    for (const char *name; (name = g_dir_read_name(dir)) != nullptr;)
        EXPECT_EQ(strstr(name, ".quarve-"), nullptr) << name;
}

TEST_F(Write, DamagedCataloguesAreEachKeptAndUserAliasesCount) {
    const std::string path = env.catalogue_path();
    for (const char *damaged : {"first slip\n", "second slip\n", "third slip\n"}) {
        write_file(path, damaged);
        load();
        ASSERT_TRUE(config_save(cat).ok);
    }
    EXPECT_EQ(read_file(path + ".bak"), "first slip\n");
    EXPECT_EQ(read_file(path + ".bak.1"), "second slip\n");
    EXPECT_EQ(read_file(path + ".bak.2"), "third slip\n");
    write_file(env.data_dir + "/mime/aliases", "text/x-mine text/plain\n");
    EXPECT_EQ(aliases_canonical("text/x-mine"), "text/plain");
}
