#include "catalog/catalog.h"
#include "fixture.h"

namespace {

class Entry : public QuarveTest {
  protected:
    void SetUp() override {
        env.add_app("viewer", "Viewer", {"image/png", "image/gif"});
        env.register_apps();
    }
    std::string ini() { return read_file(env.config_dir + "/quarve/mimetypes.ini"); }
    int type_index(const char *type) {
        for (guint i = 0; i < s.catalog->mime_types->len; i++)
            if (g_str_equal(g_ptr_array_index(s.catalog->mime_types, i), type))
                return static_cast<int>(i);
        return -1;
    }
    void add(const char *text) {
        ch('a');
        type(text);
        key(TB_KEY_ENTER);
    }
    using V = std::vector<std::string>;
};

} // namespace

TEST_F(Entry, SearchFiltersAsYouTypeAndSelectsTheFirstRow) {
    start();
    key(TB_KEY_ARROW_DOWN);
    key(TB_KEY_ARROW_DOWN);
    ch('/');
    EXPECT_EQ(s.search_active, 1);
    EXPECT_EQ(view_count(&s), 14) << "starting a search does not filter";
    ch('I');
    EXPECT_EQ(s.selected, 0);
    EXPECT_EQ(view_count(&s), 1);
    EXPECT_EQ(selected_label(), "Image Viewer");
    EXPECT_EQ(g_list_length(s.apps), 1u) << "the application pane follows";
    frame();
    EXPECT_EQ(grid_row(0), "  Search: I_");
    EXPECT_EQ(grid_cell(2, 0).fg, TB_CYAN | TB_BOLD);
    ch('x');
    EXPECT_EQ(view_count(&s), 0);
    EXPECT_EQ(s.apps, nullptr);
    key(TB_KEY_ENTER);
    EXPECT_EQ(s.search_active, 0);
    EXPECT_STREQ(s.search, "Ix");
    frame();
    EXPECT_EQ(grid_row(0), "  1:Categories 2:Ext /:Search a:Add d:Delete 3:Apps Tab:Apps "
                           "Enter:Set ?:Help q:Quit");
    EXPECT_EQ(grid_row(4), "") << "the filter stays after the entry";
}

TEST_F(Entry, NewSearchFiltersAnewOnlyAtTheFirstEdit) {
    start();
    ch('/');
    type("web");
    key(TB_KEY_ESC);
    ch('/');
    key(TB_KEY_ESC);
    EXPECT_STREQ(s.search, "");
    EXPECT_EQ(view_count(&s), 1) << "old filtering until the next rebuild";
    ch('/');
    key(TB_KEY_BACKSPACE2);
    EXPECT_EQ(view_count(&s), 14) << "Backspace on an empty text re-filters";
}

TEST_F(Entry, BufferHoldsAtMost127BytesOfWholeCharacters) {
    start();
    ch('/');
    for (int i = 0; i < 126; i++)
        ch('w');
    ch(0x65E5); // three bytes do not fit in the one byte left
    EXPECT_EQ(strlen(s.search), 126u);
    ch('x');
    EXPECT_EQ(strlen(s.search), 127u);
    ch('y');
    EXPECT_EQ(strlen(s.search), 127u);
    key(TB_KEY_BACKSPACE);
    key(TB_KEY_BACKSPACE);
    ch(0xE9); // é
    EXPECT_EQ(strlen(s.search), 127u);
    EXPECT_TRUE(g_utf8_validate(s.search, -1, nullptr));
    key(TB_KEY_BACKSPACE2);
    EXPECT_EQ(strlen(s.search), 125u) << "Backspace removes the whole character";
    key(TB_KEY_ARROW_LEFT);
    key(TB_KEY_TAB);
    EXPECT_EQ(strlen(s.search), 125u) << "keys without a character are ignored";
    EXPECT_EQ(s.focus, FOCUS_ITEMS);
}

TEST_F(Entry, AddByExtensionToTheSelectedCategory) {
    start();
    key(TB_KEY_ARROW_DOWN);
    key(TB_KEY_ARROW_DOWN); // PDF Reader
    ch('a');
    type("png");
    frame();
    EXPECT_EQ(grid_row(0), "  Add Mime/Ext to Category: png_");
    EXPECT_EQ(grid_cell(2, 0).fg, TB_MAGENTA | TB_BOLD);
    key(TB_KEY_ENTER);
    EXPECT_EQ(s.add_active, 0);
    EXPECT_STREQ(s.status, "Added: png");
    EXPECT_EQ(category_types(2), (V{"application/pdf", "image/png"}));
    EXPECT_EQ(s.selected, 2);
    EXPECT_EQ(g_list_length(s.apps), 1u) << "reloaded with the new type";
    EXPECT_NE(ini().find("PDF Reader=application/pdf;image/png;\n"), std::string::npos);
    add(".png");
    EXPECT_EQ(category_types(2), (V{"application/pdf", "image/png", "image/png"}))
        << "a type the category holds is appended again";
    EXPECT_NE(ini().find("PDF Reader=application/pdf;image/png;image/png;\n"), std::string::npos);
    EXPECT_STREQ(s.status, "Added: .png");
}

TEST_F(Entry, AddByTypeAndUnknownExtensions) {
    start();
    add("text/x-custom");
    EXPECT_EQ(category_types(0).back(), "text/x-custom");
    EXPECT_NE(type_index("text/x-custom"), -1) << "the MIME list shows it at once";
    add("zzzqq");
    EXPECT_EQ(category_types(0).back(), "text/x-custom") << "an unknown extension adds nothing";
    EXPECT_STREQ(s.status, "Failed to add zzzqq: not a MIME type or a known file extension");
    add("c");
    EXPECT_EQ(category_types(0).back(), "text/x-csrc");
    add("tar.gz");
    EXPECT_EQ(category_types(0).back(), "application/x-compressed-tar");
    ch('a');
    key(TB_KEY_ENTER);
    EXPECT_EQ(category_types(0).size(), 6u) << "an empty add adds nothing";
    EXPECT_STREQ(s.status, "Added: tar.gz");
}

TEST_F(Entry, AddToTheMimeListKeepsItSortedAndTheSelection) {
    start();
    ch('2');
    s.selected = 3;
    add("aaa/first");
    EXPECT_EQ(type_index("aaa/first"), 0);
    EXPECT_EQ(s.selected, 3);
    EXPECT_EQ(view_count(&s), 46);
    std::string saved = ini();
    add("aaa/first");
    EXPECT_EQ(view_count(&s), 46) << "a listed type changes nothing";
    EXPECT_STREQ(s.status, "Added: aaa/first");
    EXPECT_EQ(ini(), saved);
    frame();
    EXPECT_EQ(grid_row(0), "  1:Categories 2:Ext /:Search a:Add d:Delete 3:Apps Tab:Apps "
                           "Enter:Set ?:Help q:Quit");
}

TEST_F(Entry, AddWithNoCategoryAtTheSelectionTouchesNothing) {
    start();
    ch('/');
    type("zzz");
    key(TB_KEY_ENTER);
    add("png");
    EXPECT_EQ(s.add_active, 0);
    EXPECT_STREQ(s.status, "Nothing is selected: the search matches no row");
    EXPECT_FALSE(g_file_test((env.config_dir + "/quarve").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(Entry, DeleteFromTheMimeList) {
    start();
    ch('d');
    EXPECT_STREQ(s.status, "d deletes from the MIME type list: press 2")
        << "d deletes nothing in the category list";
    ch('2');
    s.selected = 44;
    ch('d');
    EXPECT_STREQ(s.status, "Deleted: x-scheme-handler/mailto");
    EXPECT_EQ(s.selected, 43) << "the selection moves up from a deleted last row";
    EXPECT_EQ(view_count(&s), 44);
    EXPECT_EQ(ini().find("mimetypes=application/msword;"), ini().find("mimetypes="));
    EXPECT_EQ(ini().find("x-scheme-handler/mailto;\n"), std::string::npos) << ini();
    // The Mail Client category still lists it: it is back at the next start.
    tui_teardown(&s);
    tui_startup(&s);
    EXPECT_NE(type_index("x-scheme-handler/mailto"), -1);
}

TEST_F(Entry, DeletingTheOnlyRowLeavesAnEmptyList) {
    write_file(env.config_dir + "/quarve/mimetypes.ini", "[Extra]\nmimetypes=only/one;\n");
    start();
    ch('2');
    ch('d');
    EXPECT_EQ(view_count(&s), 0);
    EXPECT_EQ(s.selected, 0);
    ch('d');
    EXPECT_STREQ(s.status, "Nothing is selected: the list is empty") << "nothing left to delete";
}

TEST_F(Entry, FailedSaveReplacesTheMessageAndKeepsTheEdit) {
    g_mkdir_with_parents((env.config_dir + "/quarve/mimetypes.ini").c_str(), 0755);
    start();
    ch('2');
    add("new/type");
    EXPECT_EQ(std::string(s.status).rfind("Failed to save config: ", 0), 0u);
    EXPECT_NE(type_index("new/type"), -1);
    s.selected = 0;
    ch('d');
    EXPECT_EQ(std::string(s.status).rfind("Failed to save config: ", 0), 0u);
    EXPECT_EQ(view_count(&s), 45);
}
