// Keys that cannot act where they are pressed say why, the application list's keys act on its
// selected MIME type, and an assignment tells of the types it set beyond its item.
#include <cstring>

#include "fixture.h"

namespace {

class NeverSilent : public QuarveTest {
  protected:
    void SetUp() override {
        env.add_app("roller", "Roller",
                    {"application/zip", "application/x-gzip", "application/epub+zip"});
        env.register_apps();
        write_file(env.catalogue_path(),
                   "[Categories]\nArchives=application/zip;application/x-gzip;\n"
                   "Torrent Client=application/x-bittorrent;\n");
    }
    // Keys as typed: Tab, Enter, and \x1d to \x1f for Left, Right and Down; anything else a
    // character.
    void press(const char *keys) {
        for (const char *k = keys; *k != '\0'; k++) {
            const uint16_t special[] = {TB_KEY_TAB, TB_KEY_ENTER, TB_KEY_ARROW_LEFT,
                                        TB_KEY_ARROW_RIGHT, TB_KEY_ARROW_DOWN};
            const char *at = strchr("\t\r\x1d\x1e\x1f", *k);
            at != nullptr ? key(special[at - "\t\r\x1d\x1e\x1f"]) : ch(static_cast<uint32_t>(*k));
        }
    }
    // The explanation's lines that i opened.
    std::string why() {
        std::string text;
        for (guint i = 0; s.overlay == OVERLAY_WHY && i < s.why_lines->len; i++)
            text +=
                static_cast<const char *>(g_ptr_array_index(s.why_lines, i)) + std::string("\n");
        return text;
    }
};

} // namespace

TEST_F(NeverSilent, AKeyThatCannotActSaysWhy) {
    const struct {
        const char *keys;
        const char *status;
    } cases[] = {
        {"\x1f\t", "No application opens Torrent Client"},
        {"\x1f\x1e", "No application opens Torrent Client"},
        {"\x1f\r", "No application opens Torrent Client"},
        {"3p", "Pins are set on items: press 1 or 2"},
        {"3r", "Resets are made on items: press 1 or 2"},
        {"A", "A makes an application the default for all its types: press 3 to list them"},
        {"3a", "MIME types are added to a category or to the MIME type list: press 1 or 2"},
        {"/zzz\ri", "Nothing is selected: the search matches no row"},
        {"/zzz\rp", "Nothing is selected: the search matches no row"},
        {"/zzz\ra", "Nothing is selected: the search matches no row"},
        {"x", "x does nothing here: ? lists the keys"},
        {"/\x1f", "Typing a search: Enter or Esc ends it"},
    };
    for (const auto &c : cases) {
        start();
        press(c.keys);
        EXPECT_STREQ(s.status, c.status) << c.keys;
        EXPECT_EQ(s.overlay, OVERLAY_NONE) << c.keys << ": no overlay opens empty";
        EXPECT_EQ(s.focus, FOCUS_ITEMS) << c.keys;
        tui_teardown(&s);
    }
    start();
    EXPECT_FALSE(g_file_test(env.list_path().c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(NeverSilent, AssignmentsCountTheTypesSetBeyondTheItemAndTheAppListActsOnItsTypes) {
    start();
    press("\t\r");
    // Every type the settings list now names beyond the item's two.
    size_t related = 0;
    for (const std::string &key : keys_of(read_file(env.list_path())))
        related += key.starts_with("Default Applications/") ? 1 : 0;
    EXPECT_EQ(related - 2, 2u) << "application/gzip and application/epub+zip";
    EXPECT_EQ(s.status, "Roller is now default for Archives; also set for " +
                            std::to_string(related - 2) + " related types: i lists them");
    press("i");
    EXPECT_NE(why().find("Also set with Roller for Archives, 2 related types:\n"
                         "  application/gzip: the canonical type of an alias above\n"
                         "  application/epub+zip: a sub-class the application declares\n"),
              std::string::npos)
        << why();
    // In the application list: i on the application explains every type it declares, and i,
    // p and r act on the selected type.
    press("x3\x1di");
    EXPECT_NE(why().find("\napplication/epub+zip: roller.desktop (Roller)\n"), std::string::npos);
    press("x\x1e\x1fi");
    EXPECT_EQ(why().rfind("application/x-gzip: roller.desktop (Roller)\n", 0), 0u) << why();
    EXPECT_EQ(why().find("application/zip:"), std::string::npos);
    press("xp");
    EXPECT_STREQ(s.status, "Pinned application/x-gzip to Roller");
    press("r");
    EXPECT_STREQ(s.status, "Reset: application/x-gzip to the system defaults");
}
