// Pins from the command line, as a status bar or the user service runs them: the real binary
// against another program (gio) changing the settings.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "shell_line.h"
#include "xdg_env.h"

namespace {

using Said = ShellSaid;

Said sh(const std::string &line) {
    return shell_line(QUARVE_BINARY, line);
}

class PinsCli : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char *app : {"firefox-esr", "chromium", "chat"})
            env.add_app(app, app, {"text/html", "x-scheme-handler/http", "x-scheme-handler/https"});
        env.register_apps();
        ASSERT_EQ(sh("q pin 'Web Browser' chromium").text,
                  "chromium is now default for Web Browser\nPinned Web Browser to chromium\n");
    }
    std::string settings() { return env.config_dir + "/mimeapps.list"; }
    // Which file the settings are: every write replaces it with a new one.
    ino_t settings_file() {
        struct stat st {};
        stat(settings().c_str(), &st);
        return st.st_ino;
    }
    XdgEnv env;
};

// Another program taking the type over, as chat applications do at every start.
const char *const TAKE_OVER = "gio mime x-scheme-handler/https chat.desktop >/dev/null";

} // namespace

TEST_F(PinsCli, TheListingsExitStatusTellsAChangeElsewhere) {
    const std::string held = "text/html\tchromium.desktop\tchromium.desktop\theld\n"
                             "x-scheme-handler/http\tchromium.desktop\tchromium.desktop\theld\n";
    Said r = sh("q pins");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.text, held + "x-scheme-handler/https\tchromium.desktop\tchromium.desktop\theld\n");
    sh(TAKE_OVER);
    r = sh("q pins");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.text, held + "x-scheme-handler/https\tchromium.desktop\tchat.desktop\tchanged\n");
    r = sh("q pins --json");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.text.find(R"({"type":"x-scheme-handler/https","item":"Web Browser","pinned":)"
                          R"("chromium.desktop","current":"chat.desktop","state":"changed"}])"),
              std::string::npos)
        << r.text;
    r = sh("q pin x-unknown/thing");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.text, "quarve: Failed to pin x-unknown/thing: x-unknown/thing has no default "
                      "application\n");
}

TEST_F(PinsCli, RestorePutsBackWhatChangedAndWritesNothingElse) {
    const struct {
        std::string before; // a shell line
        std::string restore;
        int status;
        std::string text;
        bool writes;
    } cases[] = {
        {TAKE_OVER, "q pins --restore", 0, "Put back: x-scheme-handler/https opens in chromium\n",
         true},
        // What the user service runs after the write just made: it must come to rest.
        {"", "q pins --restore", 0, "Every pin holds\n", false},
        // The user's own desktop list that outranks the pin gets it too; mimeapps.list names it
        // already and is not written again (each write would set the service off).
        {"printf '[Default Applications]\\nx-scheme-handler/https=chat.desktop\\n' "
         ">\"$XDG_CONFIG_HOME/x-test-mimeapps.list\"",
         "XDG_CURRENT_DESKTOP=X-Test q pins --restore", 0,
         "Put back: x-scheme-handler/https opens in chromium\n", false},
        {"echo '[Default Applications' >\"$XDG_CONFIG_HOME/mimeapps.list\"", "q pins --restore", 1,
         "quarve: Failed to set default application: " + settings() + " cannot be read\n", false},
        {"echo >\"$XDG_CONFIG_HOME/mimeapps.list\"; rm \"$XDG_DATA_HOME/applications/chromium."
         "desktop\"",
         "q pins --restore --quiet", 0,
         "quarve: warning: left alone, its application is no longer installed: text/html "
         "(chromium.desktop), x-scheme-handler/http (chromium.desktop), x-scheme-handler/https "
         "(chromium.desktop)\n",
         false},
    };
    for (const auto &c : cases) {
        sh(c.before);
        std::string bytes = read_file(settings());
        ino_t file = settings_file();
        Said r = sh(c.restore);
        EXPECT_EQ(r.status, c.status) << c.before;
        EXPECT_EQ(r.text, c.text) << c.before;
        EXPECT_EQ(settings_file() != file, c.writes) << c.before;
        EXPECT_TRUE(c.writes || read_file(settings()) == bytes) << c.before;
    }
}
