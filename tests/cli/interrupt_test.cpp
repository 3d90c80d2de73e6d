// Settings changes under hostile timing: the real binary killed at random moments, and two of
// them at once. Every promise must hold: all types or none, links kept, nothing left behind.
#include <csignal>
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "xdg_env.h"

namespace {

constexpr const char *INTERRUPT_IMAGE_TYPES[] = {"image/jpeg", "image/png",  "image/gif",
                                                 "image/bmp",  "image/webp", "image/svg+xml"};
constexpr const char *INTERRUPT_WEB_TYPES[] = {"text/html", "x-scheme-handler/http",
                                               "x-scheme-handler/https"};

class Interrupt : public ::testing::Test {
  protected:
    void SetUp() override {
        std::vector<std::string> all;
        for (const char *t : INTERRUPT_IMAGE_TYPES)
            all.push_back(t);
        for (const char *t : INTERRUPT_WEB_TYPES)
            all.push_back(t);
        env.add_app("alpha", "Alpha", all);
        env.add_app("beta", "Beta", all);
        env.register_apps();
    }
    GPid start(const std::vector<std::string> &args) {
        std::vector<std::string> a = args;
        a.insert(a.begin(), QUARVE_BINARY);
        std::vector<char *> argv;
        for (auto &s : a)
            argv.push_back(s.data());
        argv.push_back(nullptr);
        GPid pid = 0;
        auto flags = static_cast<GSpawnFlags>(
            G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL);
        EXPECT_TRUE(
            g_spawn_async(nullptr, argv.data(), nullptr, flags, nullptr, nullptr, &pid, nullptr));
        return pid;
    }
    // 0 or less is no child: kill and waitpid would take it for the whole process group (ctest
    // and the shell that runs it) or for every process.
    int finish(GPid pid) {
        if (pid <= 0)
            return -1;
        int wait = 0;
        waitpid(pid, &wait, 0);
        return WIFEXITED(wait) ? WEXITSTATUS(wait) : -1;
    }
    // The Default Applications value of each type; "" where there is none.
    std::vector<std::string> defaults(const std::string &path, const char *const *types, size_t n,
                                      bool *parses) {
        g_autoptr(GKeyFile) kf = g_key_file_new();
        *parses = !g_file_test(path.c_str(), G_FILE_TEST_EXISTS) ||
                  g_key_file_load_from_file(kf, path.c_str(), G_KEY_FILE_NONE, nullptr);
        std::vector<std::string> out;
        for (size_t i = 0; i < n; i++) {
            g_autofree char *v =
                g_key_file_get_string(kf, "Default Applications", types[i], nullptr);
            out.push_back(v ? v : "");
        }
        return out;
    }
    // Files a write left behind: temporary files beside the target, markers beside the link.
    int leftovers(const std::string &folder) {
        int n = 0;
        g_autoptr(GDir) dir = g_dir_open(folder.c_str(), 0, nullptr);
        for (const char *name; dir && (name = g_dir_read_name(dir));)
            n += strstr(name, ".quarve-") != nullptr;
        return n;
    }
    // Kills a category assignment at random moments, kills times; after each, the file parses
    // and holds the category's types all old or all new.
    void kill_at_random(int kills, const std::string &target_folder, bool linked) {
        std::mt19937 random(12345);
        const std::string path = env.config_dir + "/mimeapps.list";
        // How long one whole run takes here, so that the kills spread over all of it.
        auto t0 = g_get_monotonic_time();
        ASSERT_EQ(finish(start({"set", "Image Viewer", "alpha"})), 0);
        gint64 span = std::max<gint64>(g_get_monotonic_time() - t0, 1000);
        int mixed = 0, broken = 0, unlinked = 0;
        for (int k = 0; k < kills; k++) {
            GPid pid = start({"set", "Image Viewer", k % 2 ? "alpha" : "beta"});
            ASSERT_GT(pid, 0) << "the command did not start";
            g_usleep(std::uniform_int_distribution<gint64>(0, span)(random));
            kill(pid, SIGKILL);
            finish(pid);
            bool parses = true;
            auto d =
                defaults(path, INTERRUPT_IMAGE_TYPES, std::size(INTERRUPT_IMAGE_TYPES), &parses);
            broken += !parses;
            mixed += std::count(d.begin(), d.end(), d[0]) != static_cast<long>(d.size());
            unlinked += linked && !g_file_test(path.c_str(), G_FILE_TEST_IS_SYMLINK);
        }
        EXPECT_EQ(broken, 0) << "of " << kills << " kills";
        EXPECT_EQ(mixed, 0) << "of " << kills << " kills";
        EXPECT_EQ(unlinked, 0) << "of " << kills << " kills";
        // The next write cleans up after the interrupted ones.
        ASSERT_EQ(finish(start({"set", "Image Viewer", "beta"})), 0);
        EXPECT_EQ(leftovers(target_folder), 0);
        EXPECT_EQ(leftovers(env.config_dir), 0);
        bool parses = true;
        auto d = defaults(path, INTERRUPT_IMAGE_TYPES, std::size(INTERRUPT_IMAGE_TYPES), &parses);
        EXPECT_EQ(d, std::vector<std::string>(d.size(), "beta.desktop"));
    }
    XdgEnv env;
};

} // namespace

TEST_F(Interrupt, KilledAssignmentsLeaveAllOrNothingAndTheirLinks) {
    write_file(env.config_dir + "/mimeapps.list", "# mine\n[Default Applications]\n");
    kill_at_random(60, env.config_dir, false);
    EXPECT_EQ(read_file(env.config_dir + "/mimeapps.list").rfind("# mine\n", 0), 0u);
}

TEST_F(Interrupt, KilledAssignmentsThroughALinkKeepTheLink) {
    write_file(env.root + "/dotfiles/mimeapps.list", "[Default Applications]\n");
    ASSERT_EQ(symlink("../dotfiles/mimeapps.list", (env.config_dir + "/mimeapps.list").c_str()), 0);
    kill_at_random(60, env.root + "/dotfiles", true);
}

TEST_F(Interrupt, TwoWritersAtOnceBothTakeEffectAndAreBothJournaled) {
    const std::string path = env.config_dir + "/mimeapps.list";
    int failed = 0, missing = 0;
    for (int round = 0; round < 20; round++) {
        const char *app = round % 2 ? "alpha" : "beta";
        GPid a = start({"set", "Image Viewer", app});
        GPid b = start({"set", "Web Browser", app});
        failed += (finish(a) != 0) + (finish(b) != 0);
        bool parses = true;
        auto images =
            defaults(path, INTERRUPT_IMAGE_TYPES, std::size(INTERRUPT_IMAGE_TYPES), &parses);
        auto web = defaults(path, INTERRUPT_WEB_TYPES, std::size(INTERRUPT_WEB_TYPES), &parses);
        std::string want = std::string(app) + ".desktop";
        missing += std::count_if(images.begin(), images.end(), [&](auto &v) { return v != want; });
        missing += std::count_if(web.begin(), web.end(), [&](auto &v) { return v != want; });
    }
    EXPECT_EQ(failed, 0) << "of 40 assignments";
    EXPECT_EQ(missing, 0) << "types not in effect";
    // Every assignment can be taken back: forty entries, newest last.
    g_autoptr(GKeyFile) journal = g_key_file_new();
    ASSERT_TRUE(g_key_file_load_from_file(journal, (env.root + "/state/quarve/journal.ini").c_str(),
                                          G_KEY_FILE_NONE, nullptr));
    gsize groups = 0;
    g_strfreev(g_key_file_get_groups(journal, &groups));
    EXPECT_EQ(groups, 40u);
}
