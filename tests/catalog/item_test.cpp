// Typed text names an item the same way for every face; the core's edits report outcomes.
#include <string>
#include <sys/stat.h>

#include "catalog/catalog.h"
#include "catalog/item.h"
#include "fixture.h"
#include "registry/apps.h"
#include "settings/assign.h"

namespace {

class Items : public CoreTest {};

std::vector<std::string> list(const Item &item) {
    return {item.types.begin(), item.types.end()};
}

} // namespace

TEST_F(Items, TypedTextNamesACategoryATypeOrNothing) {
    write_file(env.catalogue_path(),
               "[Categories]\nPictures=image/png;image/gif;\nÉclair=text/plain;\n");
    load();
    using V = std::vector<std::string>;
    const struct {
        const char *text;
        const char *name; // NULL: names nothing
        bool category;
        V types;
    } cases[] = {
        {"pictures", "Pictures", true, {"image/png", "image/gif"}},
        {"PICTURES", "Pictures", true, {"image/png", "image/gif"}},
        {"éclair", "Éclair", true, {"text/plain"}},
        {"eclair", nullptr, false, {}}, // letter case only, accents still count
        {"png", "image/png", false, {"image/png"}},
        {".png", "image/png", false, {"image/png"}},
        {"IMAGE/PNG", "image/png", false, {"image/png"}},
        {"application/PDF", "application/pdf", false, {"application/pdf"}},
        // GIO's list of registered types has lost the capitals; the database's own has them.
        {"application/vnd.ms-excel.sheet.macroenabled.12",
         "application/vnd.ms-excel.sheet.macroEnabled.12",
         false,
         {"application/vnd.ms-excel.sheet.macroEnabled.12"}},
        {"x-custom/thing", "x-custom/thing", false, {"x-custom/thing"}},
        {"zzzqq", nullptr, false, {}},
        {"a/b/c", nullptr, false, {}},
    };
    for (const auto &c : cases) {
        std::optional<Item> item = item_lookup(cat, c.text);
        if (c.name == nullptr) {
            EXPECT_FALSE(item) << c.text;
            continue;
        }
        ASSERT_TRUE(item) << c.text;
        EXPECT_STREQ(item->name, c.name) << c.text;
        EXPECT_EQ(item->category, c.category) << c.text;
        EXPECT_EQ(list(*item), c.types) << c.text;
    }
    // A type no list holds is kept for the items that borrow it, and never saved or listed.
    Item first = *item_lookup(cat, "x-other/one");
    for (int i = 0; i < 64; i++)
        item_lookup(cat, ("x-other/n" + std::to_string(i)).c_str());
    EXPECT_STREQ(first.types[0], "x-other/one");
    EXPECT_EQ(item_lookup(cat, "X-OTHER/ONE")->types.data(), first.types.data()) << "kept once";
    EXPECT_EQ(types().size(), 3u);
}

TEST_F(Items, EditsAndUndoReportTheirOutcome) {
    load();
    auto pictures = static_cast<Category *>(g_ptr_array_index(cat->categories, 5));
    const struct {
        const char *what;
        Outcome outcome;
        bool ok;
        const char *message;
    } cases[] = {
        {"add an extension", catalog_add(cat, pictures, ".webp"), true, "Added: .webp"},
        {"add junk", catalog_add(cat, nullptr, "r; ls"), false,
         "Failed to add r; ls: not a MIME type or a known file extension"},
        {"delete", catalog_delete(cat, "image/webp"), true, "Deleted: image/webp"},
        {"undo with no journal", assign_undo(), true, "Nothing to undo"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.outcome.ok, c.ok) << c.what;
        EXPECT_EQ(c.outcome.message, c.message) << c.what;
    }
    EXPECT_EQ(cases[0].outcome.types.size(), 1u) << "the catalogue changed";
    EXPECT_TRUE(cases[1].outcome.types.empty()) << "nothing changed";
    // A save that fails says so through the flag, whatever the catalogue in memory holds.
    chmod((env.catalogue_path()).c_str(), 0444);
    Outcome failed = catalog_add(cat, nullptr, "png");
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.message.rfind("Failed to save config: ", 0), 0u) << failed.message;
}
