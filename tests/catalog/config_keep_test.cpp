// Saving changes only what quarve owns in the catalogue file, writes through links, and edits
// that cannot be right (junk, developer mode) leave the file alone.
#include <sys/stat.h>
#include <unistd.h>

#include "catalog/catalog.h"
#include "fixture.h"

namespace {

class Keep : public QuarveTest {
  protected:
    void SetUp() override {
        env.add_app("viewer", "Viewer", {"image/png", "text/html"});
        env.register_apps();
    }
    std::string path() { return env.config_dir + "/quarve/mimetypes.ini"; }
    void add(const char *text) {
        ch('a');
        type(text);
        key(TB_KEY_ENTER);
    }
    int row_of(const char *type) {
        for (int i = 0; i < view_count(&s); i++)
            if (view_item_name(&s, i) == std::string(type))
                return i;
        return -1;
    }
};

// Comments, a translation, an unknown key, an unknown group and a group whose name differs
// only in case: none of them is quarve's. (The key-file writer always separates a leading
// comment from the first group by an empty line, so the file has one.)
const std::string HAND_WRITTEN = "# my catalogue, kept with my dotfiles\n"
                                 "\n"
                                 "[Categories]\n"
                                 "# browsers first\n"
                                 "Web Browser=text/html;\n"
                                 "Web Browser[de]=text/html;\n"
                                 "Editors=text/plain;\n"
                                 "\n"
                                 "[Extra]\n"
                                 "comment=hand-written\n"
                                 "mimetypes=text/html;text/plain;\n"
                                 "\n"
                                 "[Mine]\n"
                                 "# mine\n"
                                 "key=value\n"
                                 "\n"
                                 "[categories]\n"
                                 "lower=case\n";

} // namespace

TEST_F(Keep, AddAndDeleteChangeOnlyTheKeysQuarveOwns) {
    write_file(path(), HAND_WRITTEN);
    start();
    add("png");
    ASSERT_STREQ(s.status, "Added: png");
    std::string after_add = HAND_WRITTEN;
    after_add.replace(after_add.find("Web Browser=text/html;\n"), 23,
                      "Web Browser=text/html;image/png;\n");
    after_add.replace(after_add.find("mimetypes=text/html;"), 20, "mimetypes=image/png;text/html;");
    EXPECT_EQ(read_file(path()), after_add);
    EXPECT_FALSE(g_file_test((path() + ".bak").c_str(), G_FILE_TEST_EXISTS));

    ch('2');
    s.selected = row_of("text/plain");
    ch('d');
    ASSERT_STREQ(s.status, "Deleted: text/plain");
    std::string after_delete = after_add;
    after_delete.replace(after_delete.find("mimetypes=image/png;text/html;text/plain;"), 41,
                         "mimetypes=image/png;text/html;");
    EXPECT_EQ(read_file(path()), after_delete);
}

TEST_F(Keep, ATranslationInTheUsersLanguageIsNoCategory) {
    g_setenv("LANGUAGE", "de", TRUE);
    write_file(path(), "[Categories]\nBrowsers=text/html;\nBrowsers[de]=text/html;\n");
    start();
    EXPECT_EQ(names(), std::vector<std::string>{"Browsers"});
    add("png");
    EXPECT_EQ(read_file(path()), "[Categories]\nBrowsers=text/html;image/png;\n"
                                 "Browsers[de]=text/html;\n\n[Extra]\n"
                                 "mimetypes=image/png;text/html;\n");
}

TEST_F(Keep, ALinkedFileIsWrittenThroughItsLink) {
    write_file(env.root + "/dotfiles/quarve.ini", "[Categories]\nWeb Browser=text/html;\n");
    g_mkdir_with_parents((env.config_dir + "/quarve").c_str(), 0755);
    ASSERT_EQ(symlink("../../dotfiles/quarve.ini", path().c_str()), 0);
    start();
    add("png");
    EXPECT_STREQ(s.status, "Added: png");
    g_autofree char *link = g_file_read_link(path().c_str(), nullptr);
    ASSERT_NE(link, nullptr) << "the link is still a link";
    EXPECT_STREQ(link, "../../dotfiles/quarve.ini");
    EXPECT_EQ(read_file(env.root + "/dotfiles/quarve.ini"),
              "[Categories]\nWeb Browser=text/html;image/png;\n\n"
              "[Extra]\nmimetypes=image/png;text/html;\n");
}

TEST_F(Keep, AnUnwritableTargetFailsAndLosesNothing) {
    const std::string before = "[Categories]\nWeb Browser=text/html;\n";
    write_file(env.root + "/store/quarve.ini", before);
    chmod((env.root + "/store/quarve.ini").c_str(), 0444);
    g_mkdir_with_parents((env.config_dir + "/quarve").c_str(), 0755);
    ASSERT_EQ(symlink((env.root + "/store/quarve.ini").c_str(), path().c_str()), 0);
    start();
    add("png");
    EXPECT_EQ(std::string(s.status),
              "Failed to save config: " + env.root + "/store/quarve.ini is read-only");
    EXPECT_EQ(read_file(env.root + "/store/quarve.ini"), before);
    EXPECT_TRUE(g_file_test(path().c_str(), G_FILE_TEST_IS_SYMLINK));
    if (geteuid() == 0)
        return; // root writes into any folder: the folder case needs a user without rights
    chmod((env.root + "/store/quarve.ini").c_str(), 0644);
    chmod((env.root + "/store").c_str(), 0555);
    add("gif");
    EXPECT_EQ(std::string(s.status).rfind("Failed to save config: ", 0), 0u) << s.status;
    EXPECT_EQ(read_file(env.root + "/store/quarve.ini"), before);
}

TEST_F(Keep, JunkIsRefusedAndNothingIsSaved) {
    start();
    for (const char *junk : {"hello world", "r; ls", "a/b/c", "image/", "/png", "zzzqq"}) {
        for (int mode : {'1', '2'}) {
            ch(static_cast<uint32_t>(mode));
            guint before = s.catalog->mime_types->len;
            add(junk);
            EXPECT_EQ(std::string(s.status), std::string("Failed to add ") + junk +
                                                 ": not a MIME type or a known file extension");
            EXPECT_EQ(s.catalog->mime_types->len, before) << junk;
        }
    }
    EXPECT_EQ(category_types(0), (std::vector<std::string>{"text/html", "x-scheme-handler/http",
                                                           "x-scheme-handler/https"}));
    EXPECT_FALSE(g_file_test(path().c_str(), G_FILE_TEST_EXISTS));
    add("Image/X-Mine");
    EXPECT_STREQ(s.status, "Added: Image/X-Mine") << "a MIME type keeps its case";
    EXPECT_NE(row_of("Image/X-Mine"), -1);
}

TEST_F(Keep, DeveloperModeChangesNoCatalogue) {
    g_setenv("QUARVE_DEV", "5", TRUE);
    start();
    add("image/x-dev");
    EXPECT_STREQ(s.status, "Developer Mode: the catalogue is not changed");
    ch('2');
    s.status[0] = '\0';
    ch('d');
    EXPECT_STREQ(s.status, "Developer Mode: the catalogue is not changed");
    s.selected = 4;
    add("png");
    EXPECT_STREQ(s.status, "Developer Mode: the catalogue is not changed");
    EXPECT_EQ(category_types(0).size(), 3u);
    EXPECT_EQ(s.catalog->mime_types->len, 45u);
    EXPECT_FALSE(g_file_test((env.config_dir + "/quarve").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(Keep, ATypeAddedToACategoryIsInTheMimeListOnce) {
    start();
    add("image/x-new");
    add("image/x-new");
    ch('2');
    int row = row_of("image/x-new");
    ASSERT_NE(row, -1);
    EXPECT_EQ(row_of("image/x-new"), row);
    EXPECT_STREQ(view_item_name(&s, row - 1), "image/webp") << "in its sorted place";
    EXPECT_EQ(s.catalog->mime_types->len, 46u) << "entered once";
}
