// The change engine in the process: the user's bytes as the user wrote them (CRLF ones too), a
// change that changes nothing, the writers' lock held across nested changes and found where the
// state folder cannot take it, and a catalogue that does not parse named where it breaks.
#include <sys/file.h>
#include <sys/stat.h>

#include "catalog/catalog.h"
#include "fixture.h"
#include "registry/apps.h"
#include "settings/assign.h"
#include "settings/journal.h"
#include "settings/list_text.h"
#include "settings/turn.h"

namespace {

class Engine : public CoreTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"text/plain", "image/png", "application/gzip"});
        env.add_app("beta", "Beta", {"text/plain", "image/png", "application/gzip"});
        env.register_apps();
        load();
    }
    Outcome set(const char *item_name, const char *id) {
        g_autoptr(GAppInfo) chosen = app(id);
        return assign_app(item(item_name), chosen, cat);
    }
    // Whether another process could take the writers' lock now.
    bool lock_free() {
        std::string lock = env.root + "/state/quarve/lock";
        return system(("flock -n '" + lock + "' true").c_str()) == 0;
    }
};

} // namespace

TEST_F(Engine, ListsKeepTheirBytesAndReadAsGKeyFileReadsThem) {
    const struct {
        const char *what;
        std::string text;
    } lists[] = {
        {"CRLF lines",
         "[Default Applications]\r\ntext/plain=alpha.desktop\r\n\r\n[Other]\r\nx=y\r\n"},
        {"blanks around keys and values",
         "[Default Applications]\n  text/plain =  alpha.desktop \n"},
        {"a group twice, a key twice", "[Default Applications]\ntext/plain=gamma.desktop\n[Other]\n"
                                       "x=y\n[Default Applications]\ntext/plain=alpha.desktop\n"},
        {"no line feed at the end", "# mine\n[Default Applications]\ntext/plain=alpha.desktop"},
    };
    for (const auto &l : lists) {
        write_file(env.list_path(), l.text);
        g_autoptr(GKeyFile) kf = g_key_file_new();
        ASSERT_TRUE(
            g_key_file_load_from_data(kf, l.text.data(), l.text.size(), G_KEY_FILE_NONE, nullptr));
        g_autofree char *theirs =
            g_key_file_get_value(kf, "Default Applications", "text/plain", nullptr);
        EXPECT_EQ(list_text_get(list_text_parse(l.text), "Default Applications", "text/plain"),
                  std::string(theirs))
            << l.what;
        ASSERT_TRUE(set("text/plain", "beta.desktop").ok) << l.what;
        std::string after = read_file(env.list_path());
        EXPECT_EQ(gio_default("text/plain"), "beta.desktop") << l.what << ":\n" << after;
        if (l.text.find('\r') != std::string::npos) {
            EXPECT_EQ(after.find('\n'), after.find("\r\n") + 1) << "every line CRLF:\n" << after;
        }
        ASSERT_TRUE(assign_reset(item("text/plain")).ok) << l.what;
        ASSERT_EQ(assign_undo().message, "Undone: the reset of text/plain") << l.what;
        EXPECT_EQ(read_file(env.list_path()), after) << l.what;
        ASSERT_EQ(assign_undo().message, "Undone: Beta for text/plain") << l.what;
        EXPECT_EQ(read_file(env.list_path()), l.text) << l.what << ": the user's bytes exactly";
    }
}

TEST_F(Engine, AChangeThatChangesNothingWritesNothingAndIsNotJournaled) {
    ASSERT_EQ(set("text/plain", "beta.desktop").message, "Beta is now default for text/plain");
    struct stat before {};
    stat(env.list_path().c_str(), &before);
    EXPECT_EQ(set("text/plain", "beta.desktop").message,
              "Beta already is the default for text/plain");
    struct stat after {};
    stat(env.list_path().c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(journal_load().size(), 1u);
    EXPECT_EQ(assign_undo().message, "Undone: Beta for text/plain");
    EXPECT_EQ(assign_undo().message, "Nothing to undo");
}

TEST_F(Engine, TheLockIsHeldAcrossNestedChangesUntilTheOutermostEnds) {
    {
        Turn outer;
        ASSERT_EQ(take_turn(&outer), std::nullopt);
        EXPECT_FALSE(lock_free());
        ASSERT_TRUE(set("text/plain", "beta.desktop").ok);
        EXPECT_FALSE(lock_free()) << "a nested change keeps the outer turn's lock";
        ASSERT_TRUE(set("image/png", "beta.desktop").ok);
        EXPECT_FALSE(lock_free());
    }
    EXPECT_TRUE(lock_free());
}

TEST_F(Engine, AStateFolderThatCannotBeWrittenStopsNoChange) {
    const std::string state = env.root + "/state";
    g_mkdir_with_parents(state.c_str(), 0755);
    chmod(state.c_str(), 0555);
    Outcome done = set("text/plain", "beta.desktop");
    EXPECT_TRUE(done.ok) << done.message;
    EXPECT_EQ(done.warning, "it cannot be undone: " + state + " is read-only");
    EXPECT_TRUE(g_file_test((env.root + "/runtime/quarve/lock").c_str(), G_FILE_TEST_EXISTS));
    const std::string runtime = env.root + "/runtime/quarve";
    chmod(runtime.c_str(), 0555);
    done = set("text/plain", "alpha.desktop");
    EXPECT_EQ(done.message, "Failed to set default application: the lock cannot be made: " + state +
                                " is read-only; make " + state +
                                "/quarve writable, or point XDG_STATE_HOME at a folder that is");
    chmod(runtime.c_str(), 0700);
    chmod(state.c_str(), 0755);
}

TEST_F(Engine, ACatalogueThatDoesNotParseIsNamedWithItsLine) {
    const std::string path = env.catalogue_path();
    write_file(path, "[Categories]\nWeb Browser=text/html;\n\nthis is no key\n");
    load();
    ASSERT_NE(cat->load_problem, nullptr);
    EXPECT_EQ(std::string(cat->load_problem),
              path + " cannot be read: line 4: Key file contains line “this is no key” which is "
                     "not a key-value pair, group, or comment; the built-in categories are shown");
    EXPECT_EQ(names().size(), 14u) << "the built-in categories";
}
