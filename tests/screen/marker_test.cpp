// The default marker in the MIME type list, where each row is labelled by its extension.
#include "catalog/catalog.h"
#include "fixture.h"
#include "registry/apps.h"
#include "tui/pane.h"

namespace {

class Marker : public QuarveTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"image/png", "image/gif"});
        env.add_app("beta", "Beta", {"image/png", "image/gif"});
        env.register_apps();
        write_file(env.config_dir + "/mimeapps.list",
                   "[Default Applications]\nimage/png=beta.desktop\n");
    }
    void select_type(const char *type) {
        for (int i = 0; i < view_count(&s); i++)
            if (view_item_name(&s, i) == std::string(type))
                s.selected = i;
        apps_reload(&s);
    }
};

} // namespace

TEST_F(Marker, TheDefaultOfTheSelectedTypeIsMarked) {
    start(100, 60);
    ch('2');
    select_type("image/png");
    ASSERT_EQ(view_label_of(s.selected), "png") << "the row shows its extension, not its type";
    frame();
    EXPECT_EQ(grid_row(4).substr(24, 7), "  Alpha");
    EXPECT_EQ(grid_row(5).substr(24, 6), "* Beta");
    select_type("image/gif");
    frame();
    EXPECT_EQ(grid_row(4).substr(24, 7), "* Alpha") << "no user default: GIO's first";
    EXPECT_EQ(grid_row(5).substr(24, 6), "  Beta");
}
