#include <string>

#include "catalog/ext_index.h"
#include "fixture.h"

namespace {

class ExtIndex : public ::testing::Test {
  protected:
    void SetUp() override {
        index = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
    }
    void TearDown() override { g_hash_table_unref(index); }
    // Reads contents as a table of the given format, from a file of its own.
    void read(const std::string &contents, ExtFormat format) {
        std::string path = env.root + "/table" + std::to_string(n++);
        write_file(path, contents);
        ext_index_read_source(index, path.c_str(), format);
    }
    std::string label(const char *type) {
        auto l = static_cast<const char *>(g_hash_table_lookup(index, type));
        return l ? l : "<none>";
    }
    XdgEnv env;
    GHashTable *index = nullptr;
    int n = 0;
};

} // namespace

TEST_F(ExtIndex, MimeTypesTableTakesTheFirstExtension) {
    read("# comment\ntext/plain\t\ttxt text\nimage/x-none\nimage/x-none  late\n"
         "  # not a comment\n \t \n\n",
         EXT_FORMAT_MIME_TYPES);
    EXPECT_EQ(label("text/plain"), "txt");
    EXPECT_EQ(label("image/x-none"), "late") << "a type without extensions stays free";
    EXPECT_EQ(label("#"), "not") << "only a # in the first byte makes a comment";
    EXPECT_EQ(g_hash_table_size(index), 3u);
}

TEST_F(ExtIndex, FallbacksFillOnlyWhatTheTablesLeft) {
    read("inode/directory dir\n", EXT_FORMAT_MIME_TYPES);
    ext_index_add_fallbacks(index);
    EXPECT_EQ(label("inode/directory"), "dir");
    EXPECT_EQ(label("x-scheme-handler/mailto"), "mailto");
}

TEST_F(ExtIndex, EarlierSourcesAndLinesWin) {
    read("text/plain txt\n", EXT_FORMAT_MIME_TYPES);
    read("50:text/plain:*.asc\n10:image/png:*.png\n90:image/png:*.PNG\n", EXT_FORMAT_GLOBS2);
    EXPECT_EQ(label("text/plain"), "txt");
    EXPECT_EQ(label("image/png"), "png") << "the weight is never compared";
}

TEST_F(ExtIndex, GlobsMustStartWithStarDot) {
    read("50:text/x-backup:*~\n50:text/x-makefile:makefile\n50:text/x-backup:*.bak\n"
         "50:application/x-compressed-tar:*.tar.gz:cs\n50:x/empty:*.\n50:x/short:*\n",
         EXT_FORMAT_GLOBS2);
    read("text/x-readme:README\ntext/x-readme:*.readme\nx/one\n", EXT_FORMAT_GLOBS);
    EXPECT_EQ(label("text/x-backup"), "bak");
    EXPECT_EQ(label("text/x-makefile"), "<none>");
    EXPECT_EQ(label("application/x-compressed-tar"), "tar.gz") << "flags field ignored";
    EXPECT_EQ(label("x/empty"), "");
    EXPECT_EQ(label("x/short"), "<none>");
    EXPECT_EQ(label("text/x-readme"), "readme");
}

TEST_F(ExtIndex, CarriageReturnsAndSeparatorRunsAreKeptAsTheFormatSays) {
    read("text/x-dos dos\r\n", EXT_FORMAT_MIME_TYPES);
    read("10::image/x-a::*.a\n:::\n", EXT_FORMAT_GLOBS2);
    read("image/x-c:*.c\r\n", EXT_FORMAT_GLOBS);
    EXPECT_EQ(label("text/x-dos"), "dos\r");
    EXPECT_EQ(label("image/x-a"), "a");
    EXPECT_EQ(label("image/x-c"), "c\r");
    EXPECT_EQ(g_hash_table_size(index), 3u);
}

TEST_F(ExtIndex, LongLinesAreReadInChunksJudgedOnTheirOwn) {
    // 1022 bytes and a line feed: read whole.
    std::string ok = "x/a " + std::string(1018, 'a') + "\n";
    // Exactly 1023 bytes: read whole, its line feed then comes alone.
    std::string exact = "x/b " + std::string(1019, 'b') + "\n";
    // Longer: the chunk after the first 1023 bytes is a line of its own.
    std::string longer = "x/c c" + std::string(1018, ' ') + "x/tail tl\n";
    // An overlong comment: only its first chunk is a comment.
    std::string comment = "#" + std::string(1022, '-') + "x/com cm\n";
    read(ok + exact + longer + comment, EXT_FORMAT_MIME_TYPES);
    EXPECT_EQ(label("x/a"), std::string(1018, 'a'));
    EXPECT_EQ(label("x/b"), std::string(1019, 'b'));
    EXPECT_EQ(label("x/c"), "c");
    EXPECT_EQ(label("x/tail"), "tl");
    EXPECT_EQ(label("x/com"), "cm");
    EXPECT_EQ(g_hash_table_size(index), 5u);
}

TEST_F(ExtIndex, ANulEndsWhatIsLeftOfItsLine) {
    using namespace std::string_literals;
    read("x/a a\0x/z z\nx/b b\n"s, EXT_FORMAT_MIME_TYPES);
    EXPECT_EQ(label("x/a"), "a");
    EXPECT_EQ(label("x/z"), "<none>");
    EXPECT_EQ(label("x/b"), "b");
}

TEST_F(ExtIndex, MissingSourcesLeaveOnlyTheFallbacksAndLookupsAreExact) {
    ext_index_read_source(index, (env.root + "/missing").c_str(), EXT_FORMAT_GLOBS);
    EXPECT_EQ(g_hash_table_size(index), 0u);
    ext_index_add_fallbacks(index);
    EXPECT_EQ(g_hash_table_size(index), 5u);
    EXPECT_EQ(label("inode/directory"), "folder");
    EXPECT_EQ(label("x-scheme-handler/https"), "https");

    Catalog c{};
    ext_index_build(&c);
    // Whatever the host's tables say, link schemes are labelled and lookups copy nothing.
    EXPECT_STREQ(ext_index_label(&c, "x-scheme-handler/magnet"), "magnet");
    const char *odd = "Text/Plain";
    EXPECT_EQ(ext_index_label(&c, odd), odd);
    g_hash_table_unref(c.ext_index);
}
