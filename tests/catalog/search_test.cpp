// Searches find what users type: any extension of a type, names without their accents.
#include "catalog/catalog.h"
#include "catalog/ext_index.h"
#include "fixture.h"

namespace {

class Search : public CoreTest {
  protected:
    std::vector<std::string> filtered(int32_t mode, const char *text) {
        g_autoptr(GPtrArray) view = g_ptr_array_new();
        catalog_filter(cat, mode == MODE_CATEGORIES, text, view);
        std::vector<std::string> rows;
        for (guint i = 0; i < view->len; i++)
            rows.push_back(mode == MODE_CATEGORIES
                               ? static_cast<Category *>(g_ptr_array_index(view, i))->name
                               : static_cast<const char *>(g_ptr_array_index(view, i)));
        return rows;
    }
    using V = std::vector<std::string>;
};

} // namespace

TEST_F(Search, EveryExtensionOfATypeFindsItByItsBeginning) {
    load();
    EXPECT_EQ(filtered(MODE_EXTENSIONS, "mp3"), V{"audio/mpeg"});
    EXPECT_EQ(filtered(MODE_EXTENSIONS, "MKV"), V{"video/x-matroska"});
    V jpg = filtered(MODE_EXTENSIONS, "jpg");
    EXPECT_NE(std::find(jpg.begin(), jpg.end(), "image/jpeg"), jpg.end());
    EXPECT_EQ(filtered(MODE_EXTENSIONS, "p3"), V{}) << "an extension matches by its beginning";
    EXPECT_EQ(filtered(MODE_CATEGORIES, "mp3"), V{}) << "categories are searched by name";
    // The label shown stays the first extension.
    filtered(MODE_EXTENSIONS, "");
    EXPECT_STREQ(ext_index_label(cat, "audio/mpeg"), "mpga");
}

TEST_F(Search, ExtensionsOfEveryTableAreKeptOnceAndFolded) {
    GHashTable *index = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
    GHashTable *all = g_hash_table_new_full(g_str_hash, g_str_equal, g_free,
                                            reinterpret_cast<GDestroyNotify>(g_ptr_array_unref));
    ext_index_read_line(index, "x/a\tA1 a2\ta3", EXT_FORMAT_MIME_TYPES, all);
    ext_index_read_line(index, "50:x/a:*.A1", EXT_FORMAT_GLOBS2, all);
    ext_index_read_line(index, "x/a:*.tar.xz", EXT_FORMAT_GLOBS, all);
    ext_index_read_line(index, "x/a:README", EXT_FORMAT_GLOBS, all);
    auto exts = static_cast<GPtrArray *>(g_hash_table_lookup(all, "x/a"));
    ASSERT_NE(exts, nullptr);
    std::vector<std::string> got;
    for (guint i = 0; i < exts->len; i++)
        got.push_back(static_cast<const char *>(g_ptr_array_index(exts, i)));
    EXPECT_EQ(got, (V{"a1", "a2", "a3", "tar.xz"}));
    EXPECT_STREQ(static_cast<const char *>(g_hash_table_lookup(index, "x/a")), "A1");
    g_hash_table_unref(all);
    g_hash_table_unref(index);
}

TEST_F(Search, AccentsAndCompatibilityFormsAreIgnored) {
    write_file(env.catalogue_path(),
               "[Categories]\nCafé=text/plain;\nİnternet=text/html;\nＦｕｌｌ=image/png;\n"
               "ﬁles=inode/directory;\nCase=text/x-csrc;\n");
    load();
    EXPECT_EQ(filtered(MODE_CATEGORIES, "cafe"), V{"Café"});
    EXPECT_EQ(filtered(MODE_CATEGORIES, "CAFÉ"), V{"Café"});
    EXPECT_EQ(filtered(MODE_CATEGORIES, "in"), V{"İnternet"});
    EXPECT_EQ(filtered(MODE_CATEGORIES, "full"), V{"Ｆｕｌｌ"});
    EXPECT_EQ(filtered(MODE_CATEGORIES, "fi"), V{"ﬁles"});
    EXPECT_EQ(filtered(MODE_CATEGORIES, "ca"), (V{"Café", "Case"}));
}
