// The doctor: one broken setup a case, each case a process of its own whose GIO reads the
// setup first; the finding it gives, and GIO's and xdg-mime's answers as fresh processes give
// them.
#include <sys/stat.h>

#include "explain/doctor.h"
#include "fixture.h"

namespace {

const std::string USER = "config/mimeapps.list";
const std::string APPS = "data/applications/";

// A desktop file of a test application: Exec, then whatever else it says.
std::string entry(const std::string &exec, const std::string &more = "") {
    return "[Desktop Entry]\nType=Application\nName=Test\nExec=" + exec + "\n" + more;
}

// How the folder's cache stands once the setup is written.
enum class Cache { rebuilt, as_written };

struct Broken {
    const char *what;
    // Relative path and contents; nullopt removes the file.
    std::vector<std::pair<std::string, std::optional<std::string>>> files;
    const char *item; // the item looked at, nullptr for everything
    Cache cache;
    bool read_only; // the user's list is made read-only
    // The finding, nullptr for none at all.
    const char *check;
    DoctorSeverity severity;
    std::string type;
    std::string app;
    const char *gio_answer; // the answer the finding names, nullptr for none
    const char *gio_says;   // what `gio mime TYPE` answers, nullptr when not asked
};

const Broken SETUPS[] = {
    {"a clean setup finds nothing",
     {},
     nullptr,
     Cache::rebuilt,
     false,
     nullptr,
     DoctorSeverity::note,
     "",
     "",
     nullptr,
     nullptr},
    {"a default naming an application no folder holds: GIO takes the next",
     {{USER, "[Default Applications]\nimage/png=gone.desktop;beta.desktop;\n"}},
     nullptr,
     Cache::rebuilt,
     false,
     "missing-application",
     DoctorSeverity::error,
     "image/png",
     "gone.desktop",
     "beta.desktop",
     "beta.desktop"},
    {"an association naming an application no folder holds",
     {{USER, "[Added Associations]\nimage/png=ghost.desktop;\n"}},
     nullptr,
     Cache::rebuilt,
     false,
     "missing-application",
     DoctorSeverity::error,
     "image/png",
     "ghost.desktop",
     "alpha.desktop",
     "alpha.desktop"},
    {"a default whose TryExec program is not there",
     {{APPS + "paper.desktop", entry("/bin/true %f", "TryExec=no-such-quarve-program\n")},
      {USER, "[Default Applications]\nimage/png=paper.desktop\n"}},
     nullptr,
     Cache::rebuilt,
     false,
     "skipped-default",
     DoctorSeverity::error,
     "image/png",
     "paper.desktop",
     "alpha.desktop",
     "alpha.desktop"},
    {"a default GIO never reaches is not named",
     {{APPS + "paper.desktop", entry("no-such-quarve-program %f")},
      {USER, "[Default Applications]\nimage/png=gamma.desktop;paper.desktop\n"},
      {"system-config/mimeapps.list", "[Default Applications]\nimage/png=paper.desktop\n"}},
     nullptr,
     Cache::rebuilt,
     false,
     nullptr,
     DoctorSeverity::note,
     "",
     "",
     nullptr,
     nullptr},
    {"a default GIO reaches whose Exec program is not there",
     {{APPS + "paper.desktop", entry("no-such-quarve-program %f")},
      {"system-config/mimeapps.list",
       "[Default Applications]\nimage/png=paper.desktop;gamma.desktop\n"}},
     nullptr,
     Cache::rebuilt,
     false,
     "skipped-default",
     DoctorSeverity::error,
     "image/png",
     "paper.desktop",
     "gamma.desktop",
     "gamma.desktop"},
    {"a default whose desktop file does not parse",
     {{APPS + "torn.desktop", std::string("Exec=/bin/true\n[Desktop Entry")},
      {USER, "[Default Applications]\nimage/png=torn.desktop\n"}},
     nullptr,
     Cache::rebuilt,
     false,
     "broken-entry",
     DoctorSeverity::error,
     "image/png",
     "torn.desktop",
     "alpha.desktop",
     "alpha.desktop"},
    {"a default that is no application",
     {{APPS + "link.desktop", std::string("[Desktop Entry]\nType=Link\nName=L\nURL=http://x/\n")},
      {USER, "[Default Applications]\nimage/png=link.desktop\n"}},
     nullptr,
     Cache::rebuilt,
     false,
     "broken-entry",
     DoctorSeverity::error,
     "image/png",
     "link.desktop",
     "alpha.desktop",
     "alpha.desktop"},
    {"GIO answers with an entry that has no Exec",
     {{APPS + "mute.desktop", std::string("[Desktop Entry]\nType=Application\nName=Mute\n")},
      {USER, "[Default Applications]\nimage/png=mute.desktop\n"}},
     nullptr,
     Cache::rebuilt,
     false,
     "broken-entry",
     DoctorSeverity::error,
     "image/png",
     "mute.desktop",
     nullptr,
     "mute.desktop"},
    {"GIO answers with a Hidden=true entry",
     {{APPS + "gone.desktop", entry("/bin/true %f", "Hidden=true\n")},
      {USER, "[Default Applications]\nimage/png=gone.desktop\n"}},
     nullptr,
     Cache::rebuilt,
     false,
     "hidden-default",
     DoctorSeverity::warning,
     "image/png",
     "gone.desktop",
     nullptr,
     "gone.desktop"},
    {"a link handler that takes files only",
     {{APPS + "hole.desktop", entry("/bin/true %f", "MimeType=x-scheme-handler/gopher;\n")}},
     nullptr,
     Cache::rebuilt,
     false,
     "not-passed",
     DoctorSeverity::error,
     "x-scheme-handler/gopher",
     "hole.desktop",
     nullptr,
     "hole.desktop"},
    {"a file default whose Exec passes only the folder",
     {{APPS + "dir.desktop", entry("/bin/true %d")},
      {USER, "[Default Applications]\nimage/png=dir.desktop\n"}},
     nullptr,
     Cache::rebuilt,
     false,
     "not-passed",
     DoctorSeverity::error,
     "image/png",
     "dir.desktop",
     nullptr,
     "dir.desktop"},
    {"a file default without a field code gets the file: GIO adds it",
     {{APPS + "bare.desktop", entry("/bin/true")},
      {USER, "[Default Applications]\nimage/png=bare.desktop\n"}},
     nullptr,
     Cache::rebuilt,
     false,
     nullptr,
     DoctorSeverity::note,
     "",
     "",
     nullptr,
     "bare.desktop"},
    {"an application the folder's cache does not list",
     {{APPS + "late.desktop", entry("/bin/true %f", "MimeType=image/png;\n")}},
     nullptr,
     Cache::as_written,
     false,
     "stale-cache",
     DoctorSeverity::warning,
     "image/png",
     "late.desktop",
     nullptr,
     "alpha.desktop"},
    {"an application folder without a cache",
     {{APPS + "mimeinfo.cache", std::nullopt}},
     nullptr,
     Cache::as_written,
     false,
     "stale-cache",
     DoctorSeverity::warning,
     "image/png",
     "alpha.desktop",
     nullptr,
     ""},
    {"the user's deprecated mimeapps.list decides",
     {{APPS + "mimeapps.list", "[Default Applications]\nimage/png=gamma.desktop\n"}},
     nullptr,
     Cache::rebuilt,
     false,
     "deprecated-list",
     DoctorSeverity::warning,
     "image/png",
     "gamma.desktop",
     nullptr,
     "gamma.desktop"},
    {"the user's defaults.list decides",
     {{APPS + "defaults.list", "[Default Applications]\nimage/png=beta.desktop\n"}},
     nullptr,
     Cache::rebuilt,
     false,
     "deprecated-list",
     DoctorSeverity::warning,
     "image/png",
     "beta.desktop",
     nullptr,
     "beta.desktop"},
    {"the user's deprecated list that changes nothing",
     {{APPS + "mimeapps.list", "[Default Applications]\nimage/png=alpha.desktop\n"}},
     nullptr,
     Cache::rebuilt,
     false,
     nullptr,
     DoctorSeverity::note,
     "",
     "",
     nullptr,
     "alpha.desktop"},
    {"a wildcard key in a list",
     {{USER, "[Default Applications]\nimage/*=gamma.desktop\n"}},
     "image/png",
     Cache::rebuilt,
     false,
     "wildcard",
     DoctorSeverity::warning,
     "image/*",
     "",
     nullptr,
     "alpha.desktop"},
    {"a wildcard in an application's MimeType",
     {{APPS + "wild.desktop", entry("/bin/true %f", "MimeType=image/*;\n")}},
     nullptr,
     Cache::rebuilt,
     false,
     "wildcard",
     DoctorSeverity::warning,
     "image/*",
     "wild.desktop",
     nullptr,
     nullptr},
    {"a type whose default comes from its parent",
     {{APPS + "editor.desktop", entry("/bin/true %f", "MimeType=text/plain;\n")}},
     "text/x-csrc",
     Cache::rebuilt,
     false,
     "parent-default",
     DoctorSeverity::note,
     "text/x-csrc",
     "editor.desktop",
     nullptr,
     "editor.desktop"},
    {"a read-only list of the user's",
     {{USER, "[Default Applications]\nimage/png=beta.desktop\n"}},
     nullptr,
     Cache::rebuilt,
     true,
     "read-only-list",
     DoctorSeverity::note,
     "",
     "",
     nullptr,
     "beta.desktop"},
};

class Doctor : public CoreTest, public ::testing::WithParamInterface<Broken> {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"image/png"});
        env.add_app("beta", "Beta", {"image/png"});
        env.add_app("gamma", "Gamma", {"image/png"});
        env.register_apps();
    }
};

// What a fresh process of xdg-mime answers for type, "" for nothing.
std::string xdg_mime(const std::string &type) {
    g_autofree char *out = nullptr;
    std::string cmd = "xdg-mime query default " + type;
    if (!g_spawn_command_line_sync(cmd.c_str(), &out, nullptr, nullptr, nullptr))
        return "(xdg-mime failed)";
    std::string text(out ? out : "");
    return text.substr(0, text.find('\n'));
}

std::string case_name(const char *what) {
    std::string name;
    bool word = false;
    for (const char *p = what; *p != '\0'; p++) {
        if (g_ascii_isalnum(*p))
            name += word ? *p : g_ascii_toupper(*p);
        if (*p != '\'')
            word = g_ascii_isalnum(*p);
    }
    return name;
}

} // namespace

TEST_P(Doctor, EachBrokenSetupIsFoundAsGioSeesIt) {
    const Broken &c = GetParam();
    for (const auto &[path, contents] : c.files) {
        if (contents)
            write_file(env.root + "/" + path, *contents);
        else
            unlink((env.root + "/" + path).c_str());
    }
    if (c.cache == Cache::rebuilt) {
        ASSERT_EQ(system(("update-desktop-database " + env.apps_dir).c_str()), 0);
    }
    if (c.read_only) {
        ASSERT_EQ(chmod(env.list_path().c_str(), 0444), 0);
    }
    load();
    std::optional<Item> item;
    if (c.item != nullptr)
        item = this->item(c.item);
    std::vector<DoctorFinding> found = doctor_check(cat, item ? &*item : nullptr, true);
    if (c.check == nullptr) {
        for (const DoctorFinding &f : found)
            ADD_FAILURE() << c.what << ": " << doctor_text(f)[0] << "\n" << doctor_text(f)[1];
    } else {
        auto f = std::find_if(found.begin(), found.end(),
                              [&](const DoctorFinding &f) { return f.check == c.check; });
        ASSERT_NE(f, found.end()) << c.what;
        EXPECT_EQ(f->severity, c.severity) << c.what;
        EXPECT_EQ(f->app, c.app) << c.what;
        if (c.type.empty())
            EXPECT_TRUE(f->types.empty()) << c.what;
        else
            EXPECT_NE(std::find(f->types.begin(), f->types.end(), c.type), f->types.end())
                << c.what;
        EXPECT_EQ(f->gio_answer.value_or("(none)"), c.gio_answer ? c.gio_answer : "(none)")
            << c.what;
        // Where the finding names GIO's answer, xdg-mime's is named too when it differs.
        if (f->gio_answer) {
            std::string xdg = xdg_mime(c.type);
            EXPECT_EQ(f->xdg_mime_answer.value_or("(same)"), xdg == *f->gio_answer ? "(same)" : xdg)
                << c.what;
        }
    }
    // GIO in a process of its own is the judge.
    std::string asked =
        c.type.empty() || c.type.find('*') != std::string::npos ? "image/png" : c.type;
    if (c.gio_says != nullptr) {
        EXPECT_EQ(gio_default(asked.c_str()), c.gio_says) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Setups, Doctor, ::testing::ValuesIn(SETUPS),
                         [](const auto &info) { return case_name(info.param.what); });
