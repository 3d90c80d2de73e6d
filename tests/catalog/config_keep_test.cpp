// Saving changes only what quarve owns in the catalogue file and writes through links; edits
// that cannot be right (junk) and files that cannot be written leave the file alone.
#include <algorithm>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "catalog/catalog.h"
#include "fixture.h"

namespace {

class Keep : public CoreTest {
  protected:
    void SetUp() override {
        env.add_app("viewer", "Viewer", {"image/png", "text/html"});
        env.register_apps();
    }
    // The first category, where a start of the screen has its selection.
    Category *first() { return static_cast<Category *>(g_ptr_array_index(cat->categories, 0)); }
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

TEST_F(Keep, SavesKeepWhatIsNotQuarvesAndGoThroughLinksOrFailLosingNothing) {
    const std::string path = env.catalogue_path(), dotfiles = env.root + "/dotfiles/quarve.ini",
                      store = env.root + "/store/quarve.ini";
    const std::string web = "[Categories]\nWeb Browser=text/html;\n";
    std::string after_add = HAND_WRITTEN;
    after_add.replace(after_add.find("Web Browser=text/html;\n"), 23,
                      "Web Browser=text/html;image/png;\n");
    after_add.replace(after_add.find("mimetypes=text/html;"), 20, "mimetypes=image/png;text/html;");
    std::string after_delete = after_add;
    after_delete.replace(after_delete.find("mimetypes=image/png;text/html;text/plain;"), 41,
                         "mimetypes=image/png;text/html;");
    // Each step in turn: the files arranged and the catalogue read (or kept), then the edit.
    const struct {
        const char *what;
        std::function<void()> arrange;
        std::function<Outcome()> act;
        bool ok;
        std::string message;
        std::string file;  // the file the catalogue is kept in
        std::string bytes; // what it holds after
        std::string link;  // what the catalogue path links to
        // A folder without rights: root writes in it all the same, and how the message ends is
        // the system's.
        bool folder;
    } steps[] = {
        {"an add changes only the keys quarve owns",
         [&] {
             write_file(path, HAND_WRITTEN);
             load();
         },
         [&] { return catalog_add(cat, first(), "png"); }, true, "Added: png", path, after_add,
         "(not a link)", false},
        {"so does a delete", [] {}, [&] { return catalog_delete(cat, "text/plain"); }, true,
         "Deleted: text/plain", path, after_delete, "(not a link)", false},
        {"a linked file is written through its link",
         [&] {
             unlink(path.c_str());
             write_file(dotfiles, web);
             ASSERT_EQ(symlink("../../dotfiles/quarve.ini", path.c_str()), 0);
             load();
         },
         [&] { return catalog_add(cat, first(), "png"); }, true, "Added: png", dotfiles,
         "[Categories]\nWeb Browser=text/html;image/png;\n\n"
         "[Extra]\nmimetypes=image/png;text/html;\n",
         "../../dotfiles/quarve.ini", false},
        {"a link to a read-only file fails and loses nothing",
         [&] {
             unlink(path.c_str());
             write_file(store, web);
             chmod(store.c_str(), 0444);
             ASSERT_EQ(symlink(store.c_str(), path.c_str()), 0);
             load();
         },
         [&] { return catalog_add(cat, first(), "png"); }, false,
         "Failed to save config: " + store + " is read-only", store, web, store, false},
        {"a link into a read-only folder fails and loses nothing",
         [&] {
             chmod(store.c_str(), 0644);
             chmod((env.root + "/store").c_str(), 0555);
         },
         [&] { return catalog_add(cat, first(), "gif"); }, false, "Failed to save config: ", store,
         web, store, true},
    };
    for (const auto &step : steps) {
        if (step.folder && geteuid() == 0)
            continue;
        step.arrange();
        Outcome done = step.act();
        if (step.folder) {
            EXPECT_FALSE(done.ok) << step.what;
            EXPECT_EQ(done.message.rfind(step.message, 0), 0u) << step.what << ": " << done.message;
        } else {
            EXPECT_TRUE(outcome_is(done, step.ok, step.message)) << step.what;
        }
        EXPECT_EQ(read_file(step.file), step.bytes) << step.what;
        EXPECT_EQ(link_of(path), step.link) << step.what;
        EXPECT_FALSE(g_file_test((path + ".bak").c_str(), G_FILE_TEST_EXISTS)) << step.what;
    }
}

TEST_F(Keep, ATranslationInTheUsersLanguageIsNoCategory) {
    g_setenv("LANGUAGE", "de", TRUE);
    write_file(env.catalogue_path(),
               "[Categories]\nBrowsers=text/html;\nBrowsers[de]=text/html;\n");
    load();
    EXPECT_EQ(names(), std::vector<std::string>{"Browsers"});
    EXPECT_TRUE(outcome_is(catalog_add(cat, first(), "png"), true, "Added: png"));
    EXPECT_EQ(read_file(env.catalogue_path()), "[Categories]\nBrowsers=text/html;image/png;\n"
                                               "Browsers[de]=text/html;\n\n[Extra]\n"
                                               "mimetypes=image/png;text/html;\n");
}

TEST_F(Keep, JunkIsRefusedAndNothingIsSaved) {
    load();
    for (const char *junk : {"hello world", "r; ls", "a/b/c", "image/", "/png", "zzzqq"}) {
        // To the first category, as the category list adds, and to the MIME type list alone.
        for (Category *target : {first(), static_cast<Category *>(nullptr)}) {
            guint before = cat->mime_types->len;
            Outcome refused = catalog_add(cat, target, junk);
            EXPECT_TRUE(outcome_is(refused, false,
                                   std::string("Failed to add ") + junk +
                                       ": not a MIME type or a known file extension"));
            EXPECT_TRUE(refused.types.empty()) << junk << ": the catalogue did not change";
            EXPECT_EQ(cat->mime_types->len, before) << junk;
        }
    }
    EXPECT_EQ(category_types(0), (std::vector<std::string>{"text/html", "x-scheme-handler/http",
                                                           "x-scheme-handler/https"}));
    EXPECT_FALSE(g_file_test(env.catalogue_path().c_str(), G_FILE_TEST_EXISTS));
    EXPECT_TRUE(outcome_is(catalog_add(cat, nullptr, "Image/X-Mine"), true, "Added: Image/X-Mine"))
        << "a MIME type keeps its case";
    std::vector<std::string> listed = types();
    EXPECT_NE(std::find(listed.begin(), listed.end(), "Image/X-Mine"), listed.end());
}

TEST_F(Keep, ATypeAddedToACategoryIsInTheMimeListOnce) {
    load();
    ASSERT_TRUE(catalog_add(cat, first(), "image/x-new").ok);
    catalog_add(cat, first(), "image/x-new");
    std::vector<std::string> listed = types();
    auto at = std::find(listed.begin(), listed.end(), "image/x-new");
    ASSERT_NE(at, listed.end());
    ASSERT_NE(at, listed.begin());
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "image/x-new"), 1);
    EXPECT_EQ(*(at - 1), "image/webp") << "in its sorted place";
    EXPECT_EQ(cat->mime_types->len, 46u) << "entered once";
}
