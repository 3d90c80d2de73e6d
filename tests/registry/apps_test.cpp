// The candidates GIO offers for an item, and an item's every type set at once, all or nothing.
#include "catalog/catalog.h"
#include "fixture.h"
#include "registry/apps.h"
#include "settings/assign.h"

namespace {

// Three synthetic applications and a catalogue of categories over their types.
class Apps : public CoreTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"image/png", "text/plain"});
        env.add_app("beta", "Beta", {"image/gif", "text/plain"});
        env.add_app("gamma", "Gamma", {"image/png", "image/gif"});
        env.register_apps();
        write_file(env.catalogue_path(),
                   "[Categories]\nPictures=image/png;image/gif;text/plain;\nNothing=\n"
                   "Text=text/plain;\n");
        load();
    }
    // The candidates of the item text names, by name.
    std::vector<std::string> candidates(const char *text) {
        GList *apps = apps_candidates(item(text));
        std::vector<std::string> names = app_names(apps);
        g_list_free_full(apps, g_object_unref);
        return names;
    }
    Outcome set(const char *item_name, const char *id) {
        g_autoptr(GAppInfo) chosen = app(id);
        return assign_app(item(item_name), chosen, cat);
    }
    using V = std::vector<std::string>;
};

} // namespace

TEST_F(Apps, CategoryListsTheUnionInFirstOccurrenceOrder) {
    EXPECT_EQ(candidates("Pictures"), (V{"Alpha", "Gamma", "Beta"}));
    EXPECT_EQ(candidates("Text"), (V{"Alpha", "Beta"}));
    GList *none = apps_candidates(item("Nothing"));
    EXPECT_EQ(none, nullptr) << "a category without types";
    g_list_free_full(none, g_object_unref);
}

TEST_F(Apps, MimeTypeListsGiosOwnOrder) {
    EXPECT_EQ(candidates("image/gif"), (V{"Beta", "Gamma"}));
}

TEST_F(Apps, EveryTypeOfTheCategoryIsSet) {
    EXPECT_TRUE(outcome_is(set("Pictures", "beta.desktop"), true,
                           "Beta is now default for Pictures; it does not declare image/png"));
    EXPECT_EQ(default_for("image/png"), "beta.desktop");
    EXPECT_EQ(default_for("image/gif"), "beta.desktop");
    EXPECT_EQ(default_for("text/plain"), "beta.desktop");
    // An independent client reads the same settings.
    g_autofree char *out = nullptr;
    ASSERT_TRUE(g_spawn_command_line_sync("gio mime image/png", &out, nullptr, nullptr, nullptr));
    EXPECT_NE(std::string(out).find("Default application for “image/png”: beta.desktop"),
              std::string::npos)
        << out;
}

TEST_F(Apps, ASingleTypeIsNamedByItsType) {
    EXPECT_TRUE(
        outcome_is(set("text/plain", "beta.desktop"), true, "Beta is now default for text/plain"));
    EXPECT_EQ(default_for("text/plain"), "beta.desktop");
}

TEST_F(Apps, AFailedWriteTakesBackTheTypesAlreadySet) {
    Outcome failed;
    // Let the first write of mimeapps.list through and make the second one fail: a file-size
    // limit between the two sizes does that even for root.
    {
        FileSizeLimit between(110);
        failed = set("Pictures", "gamma.desktop");
    }
    // GIO's reason follows the message, and the first type is put back: all or nothing.
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.message.rfind("Failed to set default application: ", 0), 0u);
    EXPECT_NE(failed.message.find("File too large"), std::string::npos) << failed.message;
    EXPECT_EQ(default_for("image/png"), "alpha.desktop") << "back to the first registered";
    EXPECT_EQ(default_for("image/gif"), "beta.desktop") << "still the first registered";
    EXPECT_EQ(default_for("text/plain"), "alpha.desktop");
    std::string list = read_file(env.list_path());
    EXPECT_EQ(list.find("text/plain"), std::string::npos) << list;
    EXPECT_EQ(list.find("image/png"), std::string::npos) << list;
}
