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

// What is done once the setup's files are written.
// hide_terminals rebuilds the cache too, and takes PATH away while the doctor looks.
enum class Then { rebuild_cache, keep_cache, make_list_read_only, hide_terminals };

struct Broken {
    const char *what;
    std::vector<std::pair<std::string, std::optional<std::string>>> files; // nullopt: removed
    const char *item;                                                      // nullptr: all
    Then then;
    // "SEVERITY CHECK TYPE APP", then " answers ID" where it names GIO's answer; "" for none.
    std::string finding;
    const char *gio; // what `gio mime` answers for the type (image/png for a pattern or none)
    const char *file = nullptr; // the file the finding names, under the tree, where it matters
    const char *fix = nullptr;  // what its fix begins with, ROOT standing for the tree
};

const Broken SETUPS[] = {
    {"a clean setup finds nothing", {}, nullptr, Then::rebuild_cache, "", "alpha.desktop"},
    {"a default naming an application no folder holds: GIO takes the next",
     {{USER, "[Default Applications]\nimage/png=gone.desktop;beta.desktop;\n"}},
     nullptr,
     Then::rebuild_cache,
     "error missing-application image/png gone.desktop answers beta.desktop",
     "beta.desktop"},
    {"an association naming an application no folder holds",
     {{USER, "[Added Associations]\nimage/png=ghost.desktop;\n"}},
     nullptr,
     Then::rebuild_cache,
     "error missing-application image/png ghost.desktop answers alpha.desktop",
     "alpha.desktop"},
    {"a default whose TryExec program is not there",
     {{APPS + "paper.desktop", entry("/bin/true %f", "TryExec=no-such-quarve-program\n")},
      {USER, "[Default Applications]\nimage/png=paper.desktop\n"}},
     nullptr,
     Then::rebuild_cache,
     "error skipped-default image/png paper.desktop answers alpha.desktop",
     "alpha.desktop"},
    {"a default whose Exec program is not there",
     {{APPS + "paper.desktop", entry("no-such-quarve-program %f")},
      {"system-config/mimeapps.list",
       "[Default Applications]\nimage/png=paper.desktop;gamma.desktop\n"}},
     nullptr,
     Then::rebuild_cache,
     "error skipped-default image/png paper.desktop answers gamma.desktop",
     "gamma.desktop"},
    {"a default GIO never reaches is not named",
     {{APPS + "paper.desktop", entry("no-such-quarve-program %f")},
      {USER, "[Default Applications]\nimage/png=gamma.desktop;paper.desktop\n"}},
     nullptr,
     Then::rebuild_cache,
     "",
     "gamma.desktop"},
    {"a default whose desktop file does not parse",
     {{APPS + "torn.desktop", std::string("Exec=/bin/true\n[Desktop Entry")},
      {USER, "[Default Applications]\nimage/png=torn.desktop\n"}},
     nullptr,
     Then::rebuild_cache,
     "error broken-entry image/png torn.desktop answers alpha.desktop",
     "alpha.desktop"},
    {"a default that is no application",
     {{APPS + "link.desktop", std::string("[Desktop Entry]\nType=Link\nName=L\nURL=http://x/\n")},
      {USER, "[Default Applications]\nimage/png=link.desktop\n"}},
     nullptr,
     Then::rebuild_cache,
     "error broken-entry image/png link.desktop answers alpha.desktop",
     "alpha.desktop"},
    {"GIO answers with an entry that has no Exec",
     {{APPS + "mute.desktop", std::string("[Desktop Entry]\nType=Application\nName=Mute\n")},
      {USER, "[Default Applications]\nimage/png=mute.desktop\n"}},
     nullptr,
     Then::rebuild_cache,
     "error broken-entry image/png mute.desktop",
     "mute.desktop"},
    {"GIO answers with a Hidden=true entry",
     {{APPS + "gone.desktop", entry("/bin/true %f", "Hidden=true\n")},
      {USER, "[Default Applications]\nimage/png=gone.desktop\n"}},
     nullptr,
     Then::rebuild_cache,
     "warning hidden-default image/png gone.desktop",
     "gone.desktop"},
    {"a link handler that takes files only",
     {{APPS + "hole.desktop", entry("/bin/true %f", "MimeType=x-scheme-handler/gopher;\n")}},
     nullptr,
     Then::rebuild_cache,
     "error not-passed x-scheme-handler/gopher hole.desktop",
     "hole.desktop"},
    {"a terminal application GIO finds no terminal for",
     {{APPS + "mutt.desktop", entry("/bin/true %u", "Terminal=true\nMimeType=image/png;\n")},
      {USER, "[Default Applications]\nimage/png=mutt.desktop\n"}},
     nullptr,
     Then::hide_terminals,
     "error no-terminal image/png mutt.desktop",
     "mutt.desktop"},
    {"a terminal application whose terminal is found",
     {{APPS + "mutt.desktop", entry("/bin/true %u", "Terminal=true\nMimeType=image/png;\n")},
      {"bin/xterm", "#!/bin/sh\n"},
      {USER, "[Default Applications]\nimage/png=mutt.desktop\n"}},
     nullptr,
     Then::hide_terminals,
     "",
     "mutt.desktop"},
    {"a file default whose Exec passes only the folder",
     {{APPS + "dir.desktop", entry("/bin/true %d")},
      {USER, "[Default Applications]\nimage/png=dir.desktop\n"}},
     nullptr,
     Then::rebuild_cache,
     "error not-passed image/png dir.desktop",
     "dir.desktop"},
    {"a file default without a field code gets the file: GIO adds it",
     {{APPS + "bare.desktop", entry("/bin/true")},
      {USER, "[Default Applications]\nimage/png=bare.desktop\n"}},
     nullptr,
     Then::rebuild_cache,
     "",
     "bare.desktop"},
    {"an application the folder's cache does not list",
     {{APPS + "late.desktop", entry("/bin/true %f", "MimeType=image/png;\n")}},
     nullptr,
     Then::keep_cache,
     "warning stale-cache image/png late.desktop",
     "alpha.desktop"},
    {"a cache that lists an application its folder no longer holds",
     {{APPS + "mimeinfo.cache",
       "[MIME Cache]\nimage/png=vlc.desktop;alpha.desktop;beta.desktop;gamma.desktop;\n"},
      {"system-data/applications/vlc.desktop", entry("/bin/true %f")}},
     nullptr,
     Then::keep_cache,
     "warning stale-cache image/png vlc.desktop",
     "vlc.desktop"},
    {"an application whose desktop ID no cache can hold is no stale cache",
     {{APPS + "semi;colon.desktop", entry("/bin/true %f", "MimeType=image/png;\n")}},
     nullptr,
     Then::rebuild_cache,
     "",
     "alpha.desktop"},
    {"a type whose name holds TYPE is named in its fix once",
     {{APPS + "paper.desktop", entry("/bin/true %f", "TryExec=no-such-quarve-program\n")},
      {USER, "[Default Applications]\napplication/x-TYPE=paper.desktop\n"}},
     "application/x-TYPE",
     Then::rebuild_cache,
     "error skipped-default application/x-TYPE paper.desktop answers ",
     "",
     nullptr,
     "install no-such-quarve-program, or choose another: quarve set application/x-TYPE APP"},
    {"an application folder without a cache",
     {{APPS + "mimeinfo.cache", std::nullopt}},
     nullptr,
     Then::keep_cache,
     "warning stale-cache image/png ",
     ""},
    {"the user's deprecated mimeapps.list decides",
     {{APPS + "mimeapps.list", "[Default Applications]\nimage/png=gamma.desktop\n"}},
     nullptr,
     Then::rebuild_cache,
     "warning deprecated-list image/png gamma.desktop",
     "gamma.desktop"},
    {"the user's defaults.list decides",
     {{APPS + "defaults.list", "[Default Applications]\nimage/png=beta.desktop\n"}},
     nullptr,
     Then::rebuild_cache,
     "warning deprecated-list image/png beta.desktop",
     "beta.desktop"},
    {"the user's deprecated list that changes nothing",
     {{APPS + "mimeapps.list", "[Default Applications]\nimage/png=alpha.desktop\n"}},
     nullptr,
     Then::rebuild_cache,
     "",
     "alpha.desktop"},
    {"a user's copy of an application hides the system's and what it declares",
     {{APPS + "delta.desktop", entry("/bin/true %f", "MimeType=image/gif;\n")},
      {"system-data/applications/delta.desktop", entry("/bin/true %f", "MimeType=image/png;\n")}},
     "image/png",
     Then::rebuild_cache,
     "warning shadowed-application image/png delta.desktop",
     "alpha.desktop",
     "data/applications/delta.desktop"},
    {"a user's copy that does not load leaves GIO the system's, for what the user's declares",
     {{APPS + "delta.desktop",
       entry("/bin/true %f", "TryExec=no-such-quarve-program\nMimeType=image/gif;\n")},
      {"system-data/applications/delta.desktop", entry("/bin/true %f", "MimeType=image/png;\n")}},
     "image/gif",
     Then::rebuild_cache,
     "warning shadowed-application image/gif delta.desktop",
     "delta.desktop",
     "system-data/applications/delta.desktop",
     "mend ROOT/data/applications/delta.desktop"},
    {"copies with the same bytes, and a user's copy that deletes, find nothing",
     {{APPS + "delta.desktop", entry("/bin/true %f")},
      {"system-data/applications/delta.desktop", entry("/bin/true %f")},
      {APPS + "omega.desktop", entry("/bin/true %f", "Hidden=true\n")},
      {"system-data/applications/omega.desktop", entry("/usr/bin/true %f")}},
     nullptr,
     Then::rebuild_cache,
     "",
     "alpha.desktop"},
    {"a wildcard key in a list",
     {{USER, "[Default Applications]\nimage/*=gamma.desktop\n"}},
     "image/png",
     Then::rebuild_cache,
     "warning wildcard image/* ",
     "alpha.desktop"},
    {"a wildcard in an application's MimeType",
     {{APPS + "wild.desktop", entry("/bin/true %f", "MimeType=image/*;\n")}},
     nullptr,
     Then::rebuild_cache,
     "warning wildcard image/* wild.desktop",
     "alpha.desktop"},
    {"a type whose default comes from its parent",
     {{APPS + "editor.desktop", entry("/bin/true %f", "MimeType=text/plain;\n")}},
     "text/x-csrc",
     Then::rebuild_cache,
     "note parent-default text/x-csrc editor.desktop",
     "editor.desktop"},
    {"a read-only list of the user's",
     {{USER, "[Default Applications]\nimage/png=beta.desktop\n"}},
     nullptr,
     Then::make_list_read_only,
     "note read-only-list  ",
     "beta.desktop"},
};

class Doctor : public CoreTest, public ::testing::WithParamInterface<Broken> {
  protected:
    void SetUp() override {
        for (const char *app : {"alpha", "beta", "gamma"})
            env.add_app(app, app, {"image/png"});
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

// A finding as a row expects it, with the type of its types that the row names.
std::string summary(const DoctorFinding &f, const std::string &type) {
    bool named = std::find(f.types.begin(), f.types.end(), type) != f.types.end();
    std::string said = std::string(doctor_severity_name(f.severity)) + " " + f.check + " " +
                       (named             ? type
                        : f.types.empty() ? ""
                                          : f.types[0]) +
                       " " + f.app;
    return f.gio_answer ? said + " answers " + *f.gio_answer : said;
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
    if (c.then != Then::keep_cache) {
        ASSERT_EQ(system(("update-desktop-database " + env.apps_dir).c_str()), 0);
    }
    if (c.then == Then::make_list_read_only) {
        ASSERT_EQ(chmod(env.list_path().c_str(), 0444), 0);
    }
    load();
    std::optional<Item> item;
    if (c.item != nullptr)
        item = this->item(c.item);
    std::vector<DoctorFinding> found;
    {
        std::optional<PathOnly> bare;
        if (c.then == Then::hide_terminals) {
            bare.emplace(env.root + "/bin");
            chmod((env.root + "/bin/xterm").c_str(), 0755);
        }
        found = doctor_check(cat, item ? &*item : nullptr, true);
    }
    // The row's check and type: its second and third words.
    g_auto(GStrv) words = g_strsplit(c.finding.c_str(), " ", 4);
    std::string check = c.finding.empty() ? "" : words[1], type = c.finding.empty() ? "" : words[2];
    std::vector<std::string> said;
    for (const DoctorFinding &f : found)
        if (f.check == check || c.finding.empty())
            said.push_back(summary(f, type));
    EXPECT_EQ(said, c.finding.empty() ? std::vector<std::string>{} : std::vector{c.finding})
        << c.what;
    for (const DoctorFinding &f : found) {
        if (f.check == check && c.file != nullptr) {
            EXPECT_EQ(f.file, env.root + "/" + c.file) << c.what;
        }
        if (f.check == check && c.fix != nullptr) {
            std::string fix = c.fix;
            if (size_t at = fix.find("ROOT"); at != std::string::npos)
                fix.replace(at, 4, env.root);
            EXPECT_EQ(f.fix.substr(0, fix.size()), fix) << c.what;
        }
    }
    // Where a finding names GIO's answer, it names xdg-mime's too when that differs.
    for (const DoctorFinding &f : found)
        if (f.gio_answer && f.types.size() == 1) {
            std::string xdg = xdg_mime(f.types[0]);
            EXPECT_EQ(f.xdg_mime_answer.value_or("(same)"), xdg == *f.gio_answer ? "(same)" : xdg)
                << c.what;
        }
    // GIO in a process of its own is the judge.
    if (type.empty() || type.find('*') != std::string::npos)
        type = "image/png";
    EXPECT_EQ(gio_default(type.c_str()), c.gio) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Setups, Doctor, ::testing::ValuesIn(SETUPS),
                         [](const auto &info) { return case_name(info.param.what); });
