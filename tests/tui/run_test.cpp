#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "fixture.h"
#include "registry/apps.h"
#include "screen/view.h"
#include "tui/pane.h"

namespace {

class Run : public QuarveTest {};

// Web Browser's types are text/html, http and https: three applications for the first, one
// more for each of the others.
class FirstFrame : public QuarveTest {
  protected:
    void SetUp() override {
        for (const char *id : {"html1", "html2", "html3"})
            env.add_app(id, id, {"text/html"});
        env.add_app("http", "http", {"x-scheme-handler/http"});
        env.add_app("https", "https", {"x-scheme-handler/https"});
        env.register_apps();
    }
    static std::vector<std::string> names(GList *apps) {
        std::vector<std::string> out;
        for (GList *l = apps; l != nullptr; l = l->next)
            out.emplace_back(apps_display_name(G_APP_INFO(l->data)));
        return out;
    }
    std::vector<std::string> whole() {
        g_autolist(GAppInfo) all = apps_candidates(*view_item(&s, s.selected));
        return names(all);
    }
};

} // namespace

TEST_F(Run, QuitEndsTheLoopWithStatusZero) {
    start(80, 12);
    grid_push_key(TB_KEY_ARROW_DOWN);
    grid_push_char('q');
    EXPECT_EQ(tui_run(&s), 0);
    EXPECT_EQ(s.selected, 1);
    EXPECT_EQ(grid_frames(), 1) << "input that is waiting already is taken before a frame";
}

TEST_F(Run, ALostTerminalEndsTheLoopInsteadOfSpinning) {
    start(80, 12);
    grid_push_key(TB_KEY_ARROW_DOWN);
    EXPECT_EQ(tui_run(&s), 1);
    EXPECT_EQ(grid_frames(), 2);
}

TEST_F(Run, ResizeRedrawsAtTheNewHeight) {
    start(80, 12);
    for (int i = 0; i < 9; i++)
        grid_push_key(TB_KEY_ARROW_DOWN);
    grid_push_resize(80, 8);
    EXPECT_EQ(tui_run(&s), 1);
    EXPECT_EQ(grid_row(5), "  Archive Manager") << "two rows, the selection the last";
    EXPECT_EQ(grid_row(4), "  Mail Client");
    EXPECT_EQ(s.scroll, 8);
}

TEST_F(FirstFrame, AsksOnlyWhatItsRowsShowAndTheLoopListsTheRest) {
    struct Case {
        int rows;
        size_t listed; // before the rest is asked
    };
    const Case cases[] = {{1, 3}, {3, 3}, {4, 4}, {30, 5}};
    for (const Case &c : cases) {
        start(100, 30, c.rows);
        ASSERT_EQ(selected_label(), "Web Browser");
        std::vector<std::string> all = whole(), head = names(s.apps);
        EXPECT_EQ(head, std::vector<std::string>(all.begin(), all.begin() + c.listed))
            << c.rows << " rows: the start of the whole list, a type at a time";
        s.app_selected = 1;
        tui_complete(&s);
        EXPECT_EQ(names(s.apps), all);
        EXPECT_EQ(s.app_selected, 1);
        tui_teardown(&s);
    }
    start(80, 12, 1);
    grid_push_char('q');
    EXPECT_EQ(tui_run(&s), 0);
    EXPECT_EQ(names(s.apps), whole()) << "listed whole before the first key";
}

TEST_F(Run, ACatalogueThatDoesNotParseIsSaidAtStartInRed) {
    const std::string path = env.config_dir + "/quarve/mimetypes.ini";
    write_file(path, "[Categories]\nno equals sign here\n");
    start(200, 12);
    frame();
    EXPECT_EQ(std::string(s.status).rfind(path + " cannot be read: line 2: ", 0), 0u) << s.status;
    EXPECT_EQ(grid_cell(2, 11).fg, TB_RED);
    EXPECT_EQ(selected_label(), "Web Browser") << "the built-in categories";
}
