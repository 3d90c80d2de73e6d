// Keys people look for in a terminal program, the help overlay, and pasted input.
#include "catalog/catalog.h"
#include "fixture.h"

namespace {

class Keys : public QuarveTest {
  protected:
    void SetUp() override {
        for (int i = 0; i < 12; i++)
            env.add_app("app" + std::to_string(i), "App " + std::to_string(i), {"text/html"});
        env.register_apps();
    }
    bool paste_key(uint16_t k) {
        tb_event ev{};
        ev.type = TB_EVENT_KEY;
        ev.mod = TB_MOD_PASTE;
        ev.key = k;
        return tui_event(&s, &ev);
    }
};

} // namespace

TEST_F(Keys, PageHomeAndEndMoveByPanesInBothLists) {
    start(100, 10); // four list rows a pane
    struct Step {
        uint16_t key;
        int selected;
        bool moves;
    } items[] = {{TB_KEY_PGDN, 4, true},  {TB_KEY_PGDN, 8, true},   {TB_KEY_PGDN, 12, true},
                 {TB_KEY_PGDN, 13, true}, {TB_KEY_PGDN, 13, false}, {TB_KEY_PGUP, 9, true},
                 {TB_KEY_HOME, 0, true},  {TB_KEY_PGUP, 0, false},  {TB_KEY_END, 13, true},
                 {TB_KEY_END, 13, false}};
    for (const Step &step : items) {
        state_set_status(&s, "kept");
        key(step.key);
        EXPECT_EQ(s.selected, step.selected) << step.key;
        // A key that moves empties the status, as Down does; one that cannot keeps it.
        EXPECT_EQ(s.status[0] == '\0', step.moves) << step.key << " to " << step.selected;
    }
    key(TB_KEY_HOME);
    EXPECT_EQ(g_list_length(s.apps), 12u) << "Web Browser's applications";
    key(TB_KEY_TAB);
    key(TB_KEY_PGDN);
    EXPECT_EQ(s.app_selected, 4);
    key(TB_KEY_END);
    EXPECT_EQ(s.app_selected, 11);
    frame();
    EXPECT_EQ(s.app_scroll, 8) << "the selection stays visible";
    key(TB_KEY_PGUP);
    EXPECT_EQ(s.app_selected, 7);
    key(TB_KEY_HOME);
    EXPECT_EQ(s.app_selected, 0);
    EXPECT_EQ(s.selected, 0) << "the item pane did not move";
}

TEST_F(Keys, PageKeysOnEmptyListsAndPlaceholderRows) {
    start(100, 10);
    ch('/');
    type("zzz");
    key(TB_KEY_ENTER);
    for (uint16_t k : {TB_KEY_PGDN, TB_KEY_END, TB_KEY_PGUP, TB_KEY_HOME})
        key(k);
    EXPECT_EQ(s.selected, 0);
    tui_teardown(&s);
    g_setenv("QUARVE_DEV", "7", TRUE);
    tui_startup(&s);
    key(TB_KEY_END);
    EXPECT_EQ(s.selected, 6);
    key(TB_KEY_PGUP);
    EXPECT_EQ(s.selected, 2);
    EXPECT_STREQ(static_cast<const char *>(s.apps->data), "Dev Application 3.1");
}

TEST_F(Keys, CtrlCQuitsFromAnywhereButNotFromAPaste) {
    start();
    EXPECT_TRUE(key(TB_KEY_CTRL_C));
    ch('/');
    type("we");
    EXPECT_FALSE(paste_key(TB_KEY_CTRL_C)) << "a pasted ^C is dropped";
    EXPECT_TRUE(key(TB_KEY_CTRL_C)) << "also during an entry";
    ch('?');
    EXPECT_TRUE(key(TB_KEY_CTRL_C));
}

TEST_F(Keys, HelpOverlayListsKeysAndFilesAndAnyKeyClosesIt) {
    start(100, 50); // tall enough for the whole help

    ch('?');
    frame();
    std::string screen = grid_screen();
    for (const char *text : {"KEYS", "Page Up, Page Down", "Home, End", "Ctrl-C", "undo", "FILES",
                             "Any key closes this help."})
        EXPECT_NE(screen.find(text), std::string::npos) << text;
    EXPECT_NE(screen.find(env.config_dir + "/quarve/mimetypes.ini"), std::string::npos);
    EXPECT_NE(screen.find(env.config_dir + "/mimeapps.list"), std::string::npos);
    EXPECT_NE(screen.find(env.root + "/state/quarve/journal.ini"), std::string::npos);
    EXPECT_EQ(screen.find("Web Browser"), std::string::npos) << "the lists are covered";
    // q closes the help and does nothing else; so does Down.
    EXPECT_FALSE(ch('q'));
    EXPECT_EQ(s.overlay, OVERLAY_NONE);
    ch('?');
    key(TB_KEY_ARROW_DOWN);
    EXPECT_EQ(s.selected, 0);
    frame();
    EXPECT_EQ(grid_row(4).substr(0, 13), "  Web Browser");
}

TEST_F(Keys, PastedTextGoesIntoAnEntryOnlyAndNeverRunsAsKeys) {
    start();
    ch('2');
    guint types = s.catalog->mime_types->len;
    // In browse mode a paste is ignored: no delete, no quit, no entry.
    grid_push_paste("ddd\rq/a");
    tb_event ev;
    while (tb_peek_event(&ev, 0) == TB_OK)
        EXPECT_FALSE(tui_event(&s, &ev));
    EXPECT_EQ(s.catalog->mime_types->len, types);
    EXPECT_EQ(s.search_active, 0);
    ch('a');
    grid_push_paste("image/x-\rpasted\n\ttype\033");
    while (tb_peek_event(&ev, 0) == TB_OK)
        tui_event(&s, &ev);
    EXPECT_EQ(s.add_active, 1) << "a pasted line break does not commit";
    EXPECT_STREQ(s.add_text, "image/x-pastedtype");
    key(TB_KEY_ENTER);
    EXPECT_STREQ(s.status, "Added: image/x-pastedtype");
}

TEST_F(Keys, ABurstOfInputCostsOneFrame) {
    start(100, 20);
    ch('/');
    std::string big(100000, 'x');
    grid_push_paste(big.c_str());
    grid_push_key(TB_KEY_ENTER);
    grid_push_char('q');
    EXPECT_EQ(tui_run(&s), 0);
    EXPECT_EQ(grid_frames(), 1);
    EXPECT_EQ(strlen(s.search), ENTRY_CAP - 1);
}
