#include <algorithm>

#include "catalog/builtin.h"
#include "catalog/catalog.h"
#include "catalog/config.h"
#include "fixture.h"

namespace {

class Config : public CoreTest {
  protected:
    std::string path() { return env.catalogue_path(); }
    std::string saved() { return read_file(path()); }
};

using V = std::vector<std::string>;

} // namespace

TEST_F(Config, PathFollowsTheUserConfigDirectory) {
    g_autofree char *p = config_path();
    EXPECT_EQ(std::string(p), path());
}

TEST_F(Config, BuiltInCatalogueIsWrittenInTheDocumentedLayout) {
    load();
    EXPECT_FALSE(g_file_test(path().c_str(), G_FILE_TEST_EXISTS)) << "nothing is saved at start";
    Outcome first_save = config_save(cat);
    std::string expected = "[Categories]\n";
    for (const BuiltinCategory *b = builtin_categories; b->name[0]; b++) {
        expected += std::string(b->name) + "=";
        for (int i = 0; i < BUILTIN_TYPE_SLOTS && b->mime_types[i]; i++)
            expected += std::string(b->mime_types[i]) + ";";
        expected += "\n";
    }
    expected += "\n[Extra]\nmimetypes=";
    for (const auto &t : types())
        expected += t + ";";
    expected += "\n";
    EXPECT_EQ(saved(), expected);
    EXPECT_EQ(saved().rfind("[Categories]\nWeb Browser=text/html;x-scheme-handler/http;"
                            "x-scheme-handler/https;\nFile Manager=inode/directory;\n",
                            0),
              0u);
    EXPECT_TRUE(first_save.ok);
    EXPECT_EQ(first_save.message, "") << "a successful save says nothing";

    // Loading what was saved and saving again gives the same bytes.
    std::string first = saved();
    load();
    config_save(cat);
    EXPECT_EQ(saved(), first);
}

TEST_F(Config, OnlyExtraGivesNoCategoriesAndTheListSortedOnce) {
    write_file(path(), "[Extra]\nmimetypes=text/plain;image/png;text/plain;audio/ogg\n");
    load();
    EXPECT_TRUE(names().empty());
    EXPECT_EQ(types(), (V{"audio/ogg", "image/png", "text/plain"}));
    EXPECT_EQ(names().size(), 0u);
    config_save(cat);
    EXPECT_EQ(saved(), "[Extra]\nmimetypes=audio/ogg;image/png;text/plain;\n");
}

TEST_F(Config, CategoriesKeepFileOrderAndTheirTypesFillTheList) {
    write_file(path(), "# mine\n[Categories]\nZed=text/x-zed;image/png;\nAlpha=image/png\n"
                       "Empty=\n[Other]\nx=y\n");
    load();
    EXPECT_EQ(names(), (V{"Zed", "Alpha", "Empty"}));
    EXPECT_EQ(category_types(0), (V{"text/x-zed", "image/png"}));
    EXPECT_EQ(category_types(1), V{"image/png"});
    EXPECT_EQ(category_types(2), V{});
    EXPECT_EQ(types(), (V{"image/png", "text/x-zed"}));
}

TEST_F(Config, ExtraAndCategoriesAreMergedWithoutDuplicates) {
    write_file(path(), "[Categories]\nA=b/b;a/a;b/b;\n[Extra]\nmimetypes=c/c;a/a;\n");
    load();
    EXPECT_EQ(category_types(0), (V{"b/b", "a/a", "b/b"})) << "a category keeps its own list";
    EXPECT_EQ(types(), (V{"a/a", "b/b", "c/c"}));
}

TEST_F(Config, UnparsableFileKeepsBuiltInsAndIsBackedUpBeforeTheFirstSave) {
    const std::string broken = "[Categories]\nthis line is not a key file line\n";
    write_file(path(), broken);
    load();
    EXPECT_EQ(names().size(), 14u);
    config_save(cat);
    EXPECT_EQ(read_file(path() + ".bak"), broken);
    EXPECT_EQ(saved().rfind("[Categories]\nWeb Browser=", 0), 0u);
    // A file that parses is never copied: the backup keeps the broken original.
    config_save(cat);
    EXPECT_EQ(read_file(path() + ".bak"), broken);
}

TEST_F(Config, ValuesThatAreNotAValidListKeepTheirBytes) {
    // Bytes that are not UTF-8 and an escape GKeyFile rejects: GKeyFile refuses these lists.
    write_file(path(), "[Categories]\nOdd=text/plain;image/\xff\xfe;\nEsc=a\\qb;c\\;d;\n"
                       "[Extra]\nmimetypes=x/\xff;\n");
    load();
    EXPECT_EQ(names(), (V{"Odd", "Esc"}));
    EXPECT_EQ(category_types(0), (V{"text/plain", "image/\xff\xfe"}));
    EXPECT_EQ(category_types(1), (V{"a\\qb", "c;d"}));
    auto list = types();
    EXPECT_NE(std::find(list.begin(), list.end(), "x/\xff"), list.end());
    config_save(cat);
    EXPECT_NE(saved().find("Odd=text/plain;image/\xff\xfe;\n"), std::string::npos);
}

TEST_F(Config, DirectoryAtThePathFallsBackAndEverySaveFails) {
    g_mkdir_with_parents(path().c_str(), 0755);
    load();
    EXPECT_EQ(names().size(), 14u);
    for (int round = 0; round < 2; round++) {
        Outcome saved = config_save(cat);
        EXPECT_FALSE(saved.ok);
        EXPECT_EQ(saved.message.rfind("Failed to save config: ", 0), 0u) << saved.message;
    }
    EXPECT_TRUE(g_file_test(path().c_str(), G_FILE_TEST_IS_DIR));
}

TEST_F(Config, FailedSaveKeepsThePreviousFileByteForByte) {
    const std::string before = "[Extra]\nmimetypes=a/a;\n";
    write_file(path(), before);
    load();
    catalog_insert_type(cat, "b/b");
    // The write fails part-way through the new file.
    Outcome failed;
    {
        FileSizeLimit tiny(8);
        failed = config_save(cat);
    }
    EXPECT_EQ(failed.message.rfind("Failed to save config: ", 0), 0u) << failed.message;
    EXPECT_EQ(saved(), before);
    EXPECT_EQ(cat->mime_types->len, 2u) << "the catalogue in memory is unchanged";
}
