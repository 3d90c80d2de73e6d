#include "catalog/catalog.h"
#include "fixture.h"
#include "registry/apps.h"
#include "tui/pane.h"

namespace {

// Three synthetic applications and a catalogue of categories over their types.
class Apps : public QuarveTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"image/png", "text/plain"});
        env.add_app("beta", "Beta", {"image/gif", "text/plain"});
        env.add_app("gamma", "Gamma", {"image/png", "image/gif"});
        env.register_apps();
        write_file(env.config_dir + "/quarve/mimetypes.ini",
                   "[Categories]\nPictures=image/png;image/gif;text/plain;\nNothing=\n"
                   "Text=text/plain;\n");
        start();
    }
    std::vector<std::string> names(GList *list) {
        std::vector<std::string> out;
        for (GList *l = list; l; l = l->next)
            out.push_back(g_app_info_get_name(G_APP_INFO(l->data)));
        return out;
    }
    std::string default_for(const char *type) {
        g_autoptr(GAppInfo) d = g_app_info_get_default_for_type(type, FALSE);
        return d ? g_app_info_get_id(d) : "";
    }
    // Selects view row row and the application named app, as the keys would.
    void choose(int row, const char *app) {
        s.selected = row;
        apps_reload(&s);
        s.focus = FOCUS_APPS;
        auto v = names(s.apps);
        s.app_selected = static_cast<int32_t>(std::find(v.begin(), v.end(), app) - v.begin());
        ASSERT_LT(s.app_selected, static_cast<int32_t>(v.size()));
    }
    using V = std::vector<std::string>;
};

} // namespace

TEST_F(Apps, CategoryListsTheUnionInFirstOccurrenceOrder) {
    EXPECT_EQ(names(s.apps), (V{"Alpha", "Gamma", "Beta"})) << "row 0 is loaded at start";
    GList *text = apps_for_item(&s, 2);
    EXPECT_EQ(names(text), (V{"Alpha", "Beta"}));
    g_list_free_full(text, g_object_unref);
    EXPECT_EQ(apps_for_item(&s, 1), nullptr) << "a category without types";
    EXPECT_EQ(apps_for_item(&s, 3), nullptr);
    EXPECT_EQ(apps_for_item(&s, -1), nullptr);
}

TEST_F(Apps, MimeTypeListsGiosOwnOrder) {
    s.mode = MODE_EXTENSIONS;
    view_rebuild(&s);
    ASSERT_STREQ(static_cast<const char *>(g_ptr_array_index(s.view, 0)), "image/gif");
    GList *gif = apps_for_item(&s, 0);
    EXPECT_EQ(names(gif), (V{"Beta", "Gamma"}));
    g_list_free_full(gif, g_object_unref);
}

TEST_F(Apps, EnterSetsEveryTypeOfTheCategory) {
    choose(0, "Beta");
    apps_set_default(&s);
    EXPECT_STREQ(s.status, "Beta is now default for Pictures; it does not declare image/png");
    EXPECT_EQ(default_for("image/png"), "beta.desktop");
    EXPECT_EQ(default_for("image/gif"), "beta.desktop");
    EXPECT_EQ(default_for("text/plain"), "beta.desktop");
    // An independent client reads the same settings.
    g_autofree char *out = nullptr;
    ASSERT_TRUE(g_spawn_command_line_sync("gio mime image/png", &out, nullptr, nullptr, nullptr));
    EXPECT_NE(std::string(out).find("Default application for “image/png”: beta.desktop"),
              std::string::npos)
        << out;
    EXPECT_EQ(s.app_selected, 2) << "nothing is reloaded";
}

TEST_F(Apps, EnterInTheMimeListNamesTheTypeNotItsLabel) {
    s.mode = MODE_EXTENSIONS;
    view_rebuild(&s);
    int row = -1;
    for (guint i = 0; i < s.view->len; i++)
        if (g_str_equal(g_ptr_array_index(s.view, i), "text/plain"))
            row = static_cast<int>(i);
    ASSERT_GE(row, 0);
    EXPECT_EQ(view_label_of(row), "txt");
    choose(row, "Beta");
    apps_set_default(&s);
    EXPECT_STREQ(s.status, "Beta is now default for text/plain");
    EXPECT_EQ(default_for("text/plain"), "beta.desktop");
}

TEST_F(Apps, EnterOnAnEmptyListChangesNothing) {
    s.selected = 1;
    apps_reload(&s);
    ASSERT_EQ(s.apps, nullptr);
    state_set_status(&s, "earlier");
    apps_set_default(&s);
    EXPECT_STREQ(s.status, "earlier");
    EXPECT_FALSE(g_file_test((env.config_dir + "/mimeapps.list").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(Apps, AFailedWriteTakesBackTheTypesAlreadySet) {
    choose(0, "Gamma");
    // Let the first write of mimeapps.list through and make the second one fail: a file-size
    // limit between the two sizes does that even for root.
    {
        FileSizeLimit between(110);
        apps_set_default(&s);
    }
    // GIO's reason follows the message, and the first type is put back: all or nothing.
    EXPECT_EQ(std::string(s.status).rfind("Failed to set default application: ", 0), 0u);
    EXPECT_NE(std::string(s.status).find("File too large"), std::string::npos) << s.status;
    EXPECT_EQ(default_for("image/png"), "alpha.desktop") << "back to the first registered";
    EXPECT_EQ(default_for("image/gif"), "beta.desktop") << "still the first registered";
    EXPECT_EQ(default_for("text/plain"), "alpha.desktop");
    std::string list = read_file(env.config_dir + "/mimeapps.list");
    EXPECT_EQ(list.find("text/plain"), std::string::npos) << list;
    EXPECT_EQ(list.find("image/png"), std::string::npos) << list;
}
