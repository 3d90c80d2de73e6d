// The built-in catalogue and what a search finds in it.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "fixture.h"

namespace {

class Catalogue : public CoreTest {
  protected:
    std::vector<std::string> filtered(int32_t mode, const char *search) {
        g_autoptr(GPtrArray) view = g_ptr_array_new();
        catalog_filter(cat, mode == MODE_CATEGORIES, search, view);
        std::vector<std::string> rows;
        for (guint i = 0; i < view->len; i++)
            rows.push_back(mode == MODE_CATEGORIES
                               ? static_cast<Category *>(g_ptr_array_index(view, i))->name
                               : static_cast<const char *>(g_ptr_array_index(view, i)));
        return rows;
    }
};

} // namespace

TEST_F(Catalogue, BuiltInCategoriesAndTypesWithoutAConfigurationFile) {
    load();
    const char *names[] = {"Web Browser", "File Manager",    "PDF Reader",     "Text Editor",
                           "Code Editor", "Image Viewer",    "Video Player",   "Audio Player",
                           "Mail Client", "Archive Manager", "Torrent Client", "Word Processor",
                           "Spreadsheet", "Presentation"};
    ASSERT_EQ(cat->categories->len, 14u);
    size_t total = 0;
    for (guint i = 0; i < 14; i++) {
        auto c = static_cast<Category *>(g_ptr_array_index(cat->categories, i));
        EXPECT_STREQ(c->name, names[i]);
        total += g_strv_length(c->mime_types);
    }
    EXPECT_EQ(total, 45u);
    auto c = static_cast<Category *>(g_ptr_array_index(cat->categories, 5));
    EXPECT_STREQ(c->mime_types[5], "image/svg+xml");
    EXPECT_EQ(c->mime_types[6], nullptr);

    auto t = types();
    ASSERT_EQ(t.size(), 45u);
    EXPECT_EQ(t.front(), "application/msword");
    EXPECT_EQ(t.back(), "x-scheme-handler/mailto");
    for (size_t i = 1; i < t.size(); i++)
        EXPECT_LT(strcmp(t[i - 1].c_str(), t[i].c_str()), 0) << t[i - 1] << " / " << t[i];
    auto pos = [&](const char *x) { return std::find(t.begin(), t.end(), x) - t.begin(); };
    EXPECT_LT(pos("application/vnd.ms-excel"),
              pos("application/vnd.oasis.opendocument.presentation"));
    EXPECT_LT(pos("application/x-7z-compressed"), pos("application/x-bittorrent"));
}

TEST_F(Catalogue, CategoryNamesMatchByCaseFoldedPrefixOnly) {
    load();
    using V = std::vector<std::string>;
    EXPECT_EQ(filtered(MODE_CATEGORIES, "web"), V{"Web Browser"});
    EXPECT_EQ(filtered(MODE_CATEGORIES, "WEB"), V{"Web Browser"});
    EXPECT_EQ(filtered(MODE_CATEGORIES, "browser"), V{});
    EXPECT_EQ(filtered(MODE_CATEGORIES, "p"), (V{"PDF Reader", "Presentation"}));
    EXPECT_EQ(filtered(MODE_CATEGORIES, "t"), (V{"Text Editor", "Torrent Client"}));
    EXPECT_EQ(filtered(MODE_CATEGORIES, "image/"), V{});
    EXPECT_EQ(filtered(MODE_CATEGORIES, "").size(), 14u);
}

TEST_F(Catalogue, MimeTypesMatchThroughTheirTypeOrTheirLabel) {
    load();
    using V = std::vector<std::string>;
    EXPECT_EQ(filtered(MODE_EXTENSIONS, "TEXT/"),
              (V{"text/html", "text/plain", "text/x-csrc", "text/x-javascript", "text/x-python"}));
    EXPECT_EQ(filtered(MODE_EXTENSIONS, "fold"), V{"inode/directory"});
    EXPECT_EQ(filtered(MODE_EXTENSIONS, "").size(), 45u);
}

TEST_F(Catalogue, InvalidUtf8InNamesIsSearchedSafely) {
    load();
    // A name cut inside a multi-byte character, as a hand-edited file may hold.
    g_ptr_array_add(cat->categories, category_new("Caf\xc3"));
    using V = std::vector<std::string>;
    EXPECT_EQ(filtered(MODE_CATEGORIES, "caf"), V{"Caf\xc3"});
    EXPECT_EQ(filtered(MODE_CATEGORIES, "café"), V{});
}
