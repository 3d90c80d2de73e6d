// The synthetic environments the benchmarks measure: GIO and the catalogue must see in them what
// the benchmarks take for granted.
#include <glib.h>

#include "catalog/catalog.h"
#include "catalog/item.h"
#include "fixture.h"
#include "registry/apps.h"

namespace {

class MakeRegistry : public QuarveTest {
  protected:
    // Runs the script into the test's own environment, whose folders have the same names.
    int make(const std::string &args) {
        std::string cmd = QUARVE_SOURCE_DIR "/scripts/make-registry " + args + " " + env.root;
        int status = 0;
        if (!g_spawn_command_line_sync(cmd.c_str(), nullptr, nullptr, &status, nullptr))
            return -1;
        return g_spawn_check_wait_status(status, nullptr) ? 0 : 1;
    }
    static std::vector<std::string> ids(GList *list) {
        std::vector<std::string> out;
        for (GList *l = list; l != nullptr; l = l->next)
            out.push_back(g_app_info_get_id(G_APP_INFO(l->data)));
        return out;
    }
    static std::string default_for(const char *type) {
        g_autoptr(GAppInfo) d = g_app_info_get_default_for_type(type, FALSE);
        return d != nullptr ? g_app_info_get_id(d) : "";
    }
    using V = std::vector<std::string>;
};

} // namespace

TEST_F(MakeRegistry, EvenApplicationsOpenWebPagesOddOnesFoldersDefaultsInTheMiddle) {
    ASSERT_EQ(make("6"), 0);
    start();
    ASSERT_STREQ(view_label(&s, 0), "Web Browser");
    // bench00001 comes last through text/plain, which text/html is a kind of.
    EXPECT_EQ(ids(s.apps), (V{"bench00000.desktop", "bench00002.desktop", "bench00004.desktop",
                              "bench00001.desktop"}));
    g_autolist(GAppInfo) folders = g_app_info_get_all_for_type("inode/directory");
    EXPECT_EQ(ids(folders), (V{"bench00001.desktop", "bench00003.desktop", "bench00005.desktop"}));
    EXPECT_EQ(default_for("text/html"), "bench00002.desktop");
    EXPECT_EQ(default_for("inode/directory"), "bench00003.desktop");
    EXPECT_EQ(default_for("x-scheme-handler/https"), "bench00000.desktop") << "GIO's first";
    EXPECT_STREQ(g_app_info_get_name(G_APP_INFO(g_list_nth_data(s.apps, 1))),
                 "Bench Application 00002");
}

TEST_F(MakeRegistry, CatalogueHasATypeOfItsOwnPerCategoryAndRepeatsInExtra) {
    ASSERT_EQ(make("--categories 12 2"), 0);
    start();
    ASSERT_EQ(s.catalog->categories->len, 12u);
    EXPECT_STREQ(view_label(&s, 0), "Category 000000");
    EXPECT_STREQ(view_label(&s, 11), "Category 000011");
    // Twelve types of their own, text/plain in every category, and image/png from Extra; the
    // Extra copies of every tenth type add nothing.
    ASSERT_EQ(s.catalog->mime_types->len, 14u);
    EXPECT_STREQ(static_cast<const char *>(g_ptr_array_index(s.catalog->mime_types, 0)),
                 "application/x-bench-000000");
    EXPECT_STREQ(static_cast<const char *>(g_ptr_array_index(s.catalog->mime_types, 13)),
                 "text/plain");
}

TEST_F(MakeRegistry, RefusesWhatIsNotACount) {
    EXPECT_EQ(make("many"), 1);
    EXPECT_EQ(make("--categories lots 5"), 1);
    EXPECT_EQ(make(""), 1);
}

// The demo's desktop offers a choice in every category of the built-in table, and its
// defaults name applications that are there.
TEST_F(MakeRegistry, DemoOffersAChoiceInEveryBuiltInCategory) {
    ASSERT_EQ(make("--demo"), 0);
    Catalog *c = catalog_new();
    ASSERT_GT(c->categories->len, 10u);
    for (guint i = 0; i < c->categories->len; i++) {
        auto category = static_cast<Category *>(g_ptr_array_index(c->categories, i));
        g_autolist(GAppInfo) apps = apps_candidates(item_of_category(category));
        EXPECT_GE(g_list_length(apps), 2u) << category->name;
    }
    catalog_free(c);
    EXPECT_EQ(default_for("x-scheme-handler/https"), "firefox-esr.desktop");
    EXPECT_EQ(default_for("application/pdf"), "org.gnome.Evince.desktop");
    EXPECT_EQ(default_for("inode/directory"), "org.gnome.Nautilus.desktop");
}
