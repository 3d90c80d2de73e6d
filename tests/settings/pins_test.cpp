// Pins: their file written with the user's care, and quarve's own changes of a pinned type
// taken as the user's new choice.
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "fixture.h"
#include "registry/apps.h"
#include "settings/assign.h"
#include "settings/pins.h"

namespace {

class Pins : public CoreTest {
  protected:
    void SetUp() override {
        env.add_app("alpha", "Alpha", {"text/plain", "image/png"});
        env.add_app("beta", "Beta", {"text/plain", "image/png"});
        env.register_apps();
        load();
    }
    Outcome assign(const char *item_name, const char *id) {
        g_autoptr(GAppInfo) chosen = app(id);
        return assign_app(item(item_name), chosen);
    }
    // The application each pin names, "type=app" in the file's order.
    std::vector<std::string> pinned() {
        std::vector<PinState> pins;
        EXPECT_EQ(pins_status(&pins), std::nullopt);
        std::vector<std::string> out;
        for (const PinState &p : pins)
            out.push_back(p.type + "=" + p.app_id);
        return out;
    }
    std::string path() { return env.config_dir + "/quarve/pins.ini"; }
    using V = std::vector<std::string>;
};

const std::string HAND_WRITTEN =
    "# pinned by hand\n\n[image/png]\n# the one that works\napp=beta.desktop\nsince=2025\n";

} // namespace

TEST_F(Pins, TheFileKeepsCommentsKeysAndLinksAndARefusalChangesNothing) {
    const std::string dotfiles = env.root + "/dotfiles/pins.ini";
    write_file(dotfiles, HAND_WRITTEN);
    g_mkdir_with_parents((env.config_dir + "/quarve").c_str(), 0755);
    ASSERT_EQ(symlink(dotfiles.c_str(), path().c_str()), 0);
    ASSERT_TRUE(assign("text/plain", "alpha.desktop").ok);
    EXPECT_EQ(pins_pin(item("text/plain")).message, "Pinned text/plain to Alpha");
    const std::string pinned =
        HAND_WRITTEN + "\n[text/plain]\napp=alpha.desktop\nitem=text/plain\n";
    EXPECT_EQ(read_file(dotfiles), pinned);
    EXPECT_EQ(link_of(path()), dotfiles);
    chmod(dotfiles.c_str(), 0444);
    EXPECT_EQ(pins_unpin(item("text/plain")).message,
              "Failed to unpin text/plain: " + dotfiles + " is read-only");
    EXPECT_EQ(read_file(dotfiles), pinned);
}

TEST_F(Pins, QuarvesOwnChangesMoveThePinOrTakeItOff) {
    ASSERT_TRUE(assign("text/plain", "alpha.desktop").ok);
    ASSERT_TRUE(pins_pin(item("text/plain")).ok);
    // image/png has GIO's fallback, no default of the user's: its pin names the fallback.
    ASSERT_TRUE(pins_pin(item("image/png")).ok);
    const struct {
        std::function<Outcome()> change;
        V pins;
    } steps[] = {
        {[&] { return assign("text/plain", "beta.desktop"); },
         V{"text/plain=beta.desktop", "image/png=alpha.desktop"}},
        {[&] { return assign("image/png", "beta.desktop"); },
         V{"text/plain=beta.desktop", "image/png=beta.desktop"}},
        // An undo puts the pins back as they were before the change it takes back.
        {assign_undo, V{"text/plain=beta.desktop", "image/png=alpha.desktop"}},
        {assign_undo, V{"text/plain=alpha.desktop", "image/png=alpha.desktop"}},
        {[&] { return assign_reset(item("text/plain")); }, V{"image/png=alpha.desktop"}},
        {assign_undo, V{"text/plain=alpha.desktop", "image/png=alpha.desktop"}},
    };
    for (const auto &step : steps) {
        Outcome done = step.change();
        EXPECT_TRUE(done.ok) << done.message;
        EXPECT_EQ(done.warning, "");
        EXPECT_EQ(pinned(), step.pins) << done.message;
    }
    // A pin a pinning assignment made goes with its undo; it never follows the earlier default.
    {
        ASSERT_TRUE(pins_unpin(item("text/plain")).ok);
        ASSERT_TRUE(pins_unpin(item("image/png")).ok);
        g_autoptr(GAppInfo) beta = app("beta.desktop");
        ASSERT_TRUE(assign_app(item("text/plain"), beta, nullptr, true).ok);
        EXPECT_EQ(pinned(), V{"text/plain=beta.desktop"});
        ASSERT_TRUE(assign_undo().ok);
        EXPECT_EQ(pinned(), V{}) << "the pin the undone change made is gone";
        ASSERT_TRUE(pins_pin(item("text/plain")).ok);
    }
    // A pin that could not follow would be put back over the user's choice: no change then.
    chmod(path().c_str(), 0444);
    std::string settings = read_file(env.list_path());
    Outcome refused = assign("text/plain", "beta.desktop");
    EXPECT_EQ(refused.message, "Failed to set default application: " + path() +
                                   " is read-only, and a pinned type's pin would not follow");
    EXPECT_EQ(read_file(env.list_path()), settings);
    EXPECT_TRUE(assign("image/png", "beta.desktop").ok) << "a type without a pin";
}
