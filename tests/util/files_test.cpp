#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/files.h"
#include "xdg_env.h"

namespace {

class Files : public ::testing::Test {
  protected:
    std::string at(const std::string &name) { return env.root + "/" + name; }
    std::string link_of(const std::string &name) {
        g_autofree char *l = g_file_read_link(at(name).c_str(), nullptr);
        return l ? l : "";
    }
    XdgEnv env;
};

} // namespace

TEST_F(Files, LinkTargetFollowsChainsRelativeAndDangling) {
    write_file(at("dots/real"), "x");
    ASSERT_EQ(symlink("dots/real", at("rel").c_str()), 0);
    ASSERT_EQ(symlink(at("rel").c_str(), at("abs").c_str()), 0);
    ASSERT_EQ(symlink("missing/file", at("dangling").c_str()), 0);
    ASSERT_EQ(symlink("loop-b", at("loop-a").c_str()), 0);
    ASSERT_EQ(symlink("loop-a", at("loop-b").c_str()), 0);
    auto target = [](const std::string &p) {
        g_autofree char *t = files_link_target(p.c_str());
        return t ? std::string(t) : std::string("(null)");
    };
    EXPECT_EQ(target(at("dots/real")), at("dots/real"));
    EXPECT_EQ(target(at("rel")), at("dots/real"));
    EXPECT_EQ(target(at("abs")), at("dots/real"));
    EXPECT_EQ(target(at("dangling")), at("missing/file"));
    EXPECT_EQ(target(at("none")), at("none"));
    EXPECT_EQ(target(at("loop-a")), "(null)");
}

TEST_F(Files, ReplaceWritesThroughTheLinkAndKeepsTheMode) {
    write_file(at("store/conf"), "old");
    chmod(at("store/conf").c_str(), 0600);
    ASSERT_EQ(symlink("store/conf", at("conf").c_str()), 0);
    g_autoptr(GError) error = nullptr;
    ASSERT_TRUE(files_replace(at("conf").c_str(), "new", 3, &error));
    EXPECT_EQ(link_of("conf"), "store/conf") << "the link is still the same link";
    EXPECT_EQ(read_file(at("store/conf")), "new");
    struct stat st;
    ASSERT_EQ(stat(at("store/conf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    // A dangling link gets its target made.
    ASSERT_EQ(symlink("later/conf", at("pending").c_str()), 0);
    g_mkdir_with_parents(at("later").c_str(), 0755);
    ASSERT_TRUE(files_replace(at("pending").c_str(), "made", 4, &error));
    EXPECT_EQ(link_of("pending"), "later/conf");
    EXPECT_EQ(read_file(at("later/conf")), "made");
}

TEST_F(Files, ReadOnlyTargetsAndLoopsAreRefused) {
    write_file(at("ro"), "keep");
    chmod(at("ro").c_str(), 0444);
    ASSERT_EQ(symlink("ro", at("to-ro").c_str()), 0);
    for (const char *name : {"ro", "to-ro"}) {
        g_autoptr(GError) error = nullptr;
        EXPECT_FALSE(files_replace(at(name).c_str(), "new", 3, &error)) << name;
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(std::string(error->message), at("ro") + " is read-only");
    }
    EXPECT_EQ(read_file(at("ro")), "keep");
    ASSERT_EQ(symlink("self", at("self").c_str()), 0);
    g_autoptr(GError) error = nullptr;
    EXPECT_FALSE(files_replace(at("self").c_str(), "x", 1, &error));
    EXPECT_FALSE(g_file_test(at("self").c_str(), G_FILE_TEST_IS_REGULAR));
}
