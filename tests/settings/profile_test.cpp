// Profiles in the core: bad text named by its line, each choice exported once, a round trip to a
// fresh tree, and an apply that is one assignment in which a type's own line wins.
#include <gio/gdesktopappinfo.h>
#include <glib/gstdio.h>

#include "fixture.h"
#include "settings/assign.h"
#include "settings/journal.h"
#include "settings/pins.h"
#include "settings/profile.h"

namespace {

class Profiles : public CoreTest {
  protected:
    void SetUp() override {
        const std::vector<std::string> types = {"application/gzip",
                                                "application/zip",
                                                "audio/ogg",
                                                "audio/mpeg",
                                                "audio/x-vorbis+ogg",
                                                "text/html",
                                                "x-scheme-handler/https"};
        env.add_app("alpha", "Alpha", types);
        env.add_app("beta", "Beta", types);
        env.register_apps();
        write_file(env.catalogue_path(),
                   "[Categories]\nArchive=application/x-gzip;application/zip;\n"
                   "Audio=audio/ogg;audio/mpeg;\nWeb=text/html;x-scheme-handler/https;\n");
        load();
    }
    void set(const char *item_name, const char *id, bool pin = false) {
        g_autoptr(GAppInfo) chosen = app(id);
        ASSERT_TRUE(assign_app(item(item_name), chosen, cat, pin).ok) << item_name;
    }
    std::vector<std::string> pinned() {
        std::vector<PinState> pins;
        pins_status(&pins);
        std::vector<std::string> out;
        for (const PinState &p : pins)
            out.push_back(p.type + "=" + p.app_id);
        return out;
    }
    Outcome apply(const std::string &text, Profile *profile) {
        EXPECT_EQ(profile_parse(text, profile), std::nullopt);
        std::vector<ProfileChange> changes;
        return profile_apply(profile_choices(profile, cat), "the profile P", cat, false, false,
                             &changes);
    }
};

} // namespace

TEST(ProfileText, BadTextIsNamedByItsLineAndWhatIsIgnoredIsSaid) {
    const struct {
        std::string text;
        std::optional<std::string> error;
        std::vector<std::string> lines, warnings; // "group key=id@line"
    } cases[] = {
        {"# mine\r\n[Foo]\nx=y\n[Pins]\n  Web Browser = firefox;\r\n[Types]\npdf=a.desktop\n",
         std::nullopt,
         {"2 Web Browser=firefox.desktop@5", "1 pdf=a.desktop@7"},
         {"line 2: unknown group [Foo] ignored (groups: Categories, Types, Pins)"}},
        {"pdf=a\n", "line 1: pdf stands before any group", {}, {}},
        {"[Types]\n\npdf\n", "line 3: \"pdf\" is not KEY=DESKTOP-ID, a group or a comment", {}, {}},
        {"[Types\n", "line 1: the group \"[Types\" has no closing \"]\"", {}, {}},
        {"[Types]\n=a\n", "line 2: \"=a\" has no key before \"=\"", {}, {}},
        {"[Types]\npdf=\n", "line 2: pdf names no desktop ID", {}, {}},
        {"[Types]\npdf=a;b;\n", "line 2: pdf names more than one desktop ID", {}, {}},
        {"[Types]\npdf=\xff\n", "line 2: not UTF-8 text", {}, {}},
    };
    for (const auto &c : cases) {
        Profile profile;
        EXPECT_EQ(profile_parse(c.text, &profile), c.error) << c.text;
        std::vector<std::string> lines;
        for (const ProfileLine &l : profile.lines)
            lines.push_back(std::to_string(l.group) + " " + l.key + "=" + l.app_id + "@" +
                            std::to_string(l.line));
        EXPECT_EQ(lines, c.lines) << c.text;
        EXPECT_EQ(profile.warnings, c.warnings) << c.text;
    }
}

TEST_F(Profiles, ExportSaysEachChoiceOnceAndAFreshTreeGetsTheSameAnswers) {
    set("Archive", "alpha.desktop", true); // with the canonical application/gzip, pinned
    set("Audio", "alpha.desktop");         // with the sub-class audio/x-vorbis+ogg
    set("Web", "beta.desktop");
    set("text/html", "alpha.desktop");
    ASSERT_TRUE(pins_pin(item("x-scheme-handler/https")).ok);
    std::vector<std::pair<std::string, std::string>> types;
    Profile profile = profile_export(cat, &types);
    EXPECT_EQ(profile_text(profile), "# Default applications, for quarve apply (see quarve(1))\n"
                                     "[Categories]\nAudio=alpha.desktop\n\n"
                                     "[Types]\ntext/html=alpha.desktop\n\n"
                                     "[Pins]\nArchive=alpha.desktop\n"
                                     "x-scheme-handler/https=beta.desktop\n");
    EXPECT_EQ(profile_home_manager(types), "xdg.mimeApps.defaultApplications = {\n"
                                           "  \"application/gzip\" = \"alpha.desktop\";\n"
                                           "  \"application/x-gzip\" = \"alpha.desktop\";\n"
                                           "  \"application/zip\" = \"alpha.desktop\";\n"
                                           "  \"audio/mpeg\" = \"alpha.desktop\";\n"
                                           "  \"audio/ogg\" = \"alpha.desktop\";\n"
                                           "  \"audio/x-vorbis+ogg\" = \"alpha.desktop\";\n"
                                           "  \"text/html\" = \"alpha.desktop\";\n"
                                           "  \"x-scheme-handler/https\" = \"beta.desktop\";\n"
                                           "};\n");
    std::vector<std::string> answers;
    for (const auto &[type, id] : types)
        answers.push_back(type + "=" + gio_default(type.c_str()));
    std::vector<std::string> pins = pinned();
    // A fresh tree: the same applications, nothing of the user's.
    ASSERT_EQ(system(("rm -rf '" + env.config_dir + "/mimeapps.list' '" + env.config_dir +
                      "/quarve/pins.ini' '" + env.root + "/state'")
                         .c_str()),
              0);
    Profile again;
    EXPECT_TRUE(apply(profile_text(profile), &again).ok);
    std::vector<std::string> now;
    for (const auto &[type, id] : types)
        now.push_back(type + "=" + gio_default(type.c_str()));
    EXPECT_EQ(now, answers);
    EXPECT_EQ(pinned().size(), pins.size());
}

TEST_F(Profiles, ATypesOwnLineWinsWhereverItStandsAndTheWholeProfileIsOneUndo) {
    set("Web", "alpha.desktop");
    const std::string before = read_file(env.list_path());
    Profile profile;
    Outcome done = apply("[Types]\nx-scheme-handler/https=alpha\n[Categories]\nWeb=alpha\n"
                         "Audio=beta\n[Pins]\nweb=beta\n",
                         &profile);
    EXPECT_TRUE(outcome_is(done, true, "Applied the profile P: 4 types changed, 1 type pinned"));
    EXPECT_EQ(profile.warnings,
              std::vector<std::string>{"line 4: Web is named again on line 7; the last wins"});
    EXPECT_EQ(default_for("x-scheme-handler/https"), "alpha.desktop");
    EXPECT_EQ(default_for("text/html"), "beta.desktop");
    EXPECT_EQ(default_for("audio/x-vorbis+ogg"), "beta.desktop") << "the sub-class follows";
    // The category's pin holds the type its line sets, not the one a type's own line sets.
    EXPECT_EQ(pinned(), std::vector<std::string>{"text/html=beta.desktop"});
    ASSERT_EQ(journal_load().size(), 2u);
    EXPECT_EQ(journal_load().back().what, "the profile P");
    EXPECT_EQ(assign_undo().message, "Undone: the profile P");
    EXPECT_EQ(read_file(env.list_path()), before);
}

TEST_F(Profiles, ExportWritesOnlyWhatAnApplyTakesAndGioAnswersWith) {
    const std::string header = "# Default applications, for quarve apply (see quarve(1))\n";
    const struct {
        const char *what;
        // Lists GIO reads, below the root: the user's own and the system's.
        std::vector<std::pair<std::string, std::string>> lists;
        std::string text;
        std::vector<std::string> warnings;
    } cases[] = {
        {"a value that names no installed application is passed over, as GIO passes it",
         {{"config/mimeapps.list", "[Default Applications]\naudio/mpeg=gone.desktop;\n"},
          {"data/applications/mimeapps.list",
           "[Default Applications]\naudio/mpeg=beta.desktop;\n"}},
         header + "[Categories]\n\n[Types]\naudio/mpeg=beta.desktop\n\n[Pins]\n",
         {}},
        {"a key GIO takes and an apply refuses is left out and said",
         {{"config/mimeapps.list",
           "[Default Applications]\nx-scheme-handler/my_proto~x=alpha.desktop\n"}},
         header + "[Categories]\n\n[Types]\n\n[Pins]\n",
         {"left out x-scheme-handler/my_proto~x=alpha.desktop: \"x-scheme-handler/my_proto~x\" is "
          "not a MIME type or a known file extension"}},
        {"a sub-class a category's line sets, which GIO opens elsewhere here, keeps that",
         {{"config/mimeapps.list",
           "[Default Applications]\naudio/ogg=alpha.desktop\naudio/mpeg=alpha.desktop\n"},
          {"system-config/mimeapps.list",
           "[Default Applications]\naudio/x-vorbis+ogg=beta.desktop\n"}},
         header +
             "[Categories]\nAudio=alpha.desktop\n\n[Types]\naudio/x-vorbis+ogg=beta.desktop\n\n"
             "[Pins]\n",
         {}},
    };
    for (const auto &c : cases) {
        for (const char *list : {"config", "data/applications", "system-config"})
            g_unlink((env.root + "/" + list + "/mimeapps.list").c_str());
        for (const auto &[list, bytes] : c.lists)
            write_file(env.root + "/" + list, bytes);
        Profile profile = profile_export(cat, nullptr);
        EXPECT_EQ(profile_text(profile), c.text) << c.what;
        EXPECT_EQ(profile.warnings, c.warnings) << c.what;
    }
}
