// Every key quarve reads, as terminals send it, through the real key translation: under more
// than one terminal type, on a monochrome terminal, and across a fast resize.
#include <gtest/gtest.h>

#include "pty_screen.h"
#include "two_apps.h"

namespace {

using TermKeys = TwoApps;

constexpr int ROWS = 24; // 18 list rows: all 14 categories on screen, rows 4 to 17
constexpr int BLUE = 4;

// The screen row of the item selection bar, or -1.
int item_bar(PtyScreen &t) {
    for (int y = 4; y < ROWS - 2; y++)
        if (t.cell(2, y).bg == BLUE || (t.cell(2, y).fg == BLUE && t.cell(2, y).bg == 7))
            return y;
    return -1;
}

bool apps_focused(PtyScreen &t) {
    return t.cell(24, 4).bg == BLUE && t.cell(2, item_bar(t)).bg == 7;
}

// One key as bytes, and what the screen shows once it has acted.
struct KeyStep {
    const char *name;
    const char *bytes;
    int item_row;    // the item bar's row afterwards (-1: not checked)
    int apps_focus;  // 1: the application pane has the focus, 0: the item pane (-1: not checked)
    const char *top; // the beginning of row 0 afterwards (nullptr: not checked)
};

constexpr KeyStep KEY_TABLE[] = {
    {"Down (CSI)", "\033[B", 5, 0, nullptr},
    {"Down (SS3)", "\033OB", 6, 0, nullptr},
    {"Up (CSI)", "\033[A", 5, 0, nullptr},
    {"Up (SS3)", "\033OA", 4, 0, nullptr},
    {"Page Down", "\033[6~", 17, 0, nullptr},
    {"Page Up", "\033[5~", 4, 0, nullptr},
    {"End (CSI F)", "\033[F", 17, 0, nullptr},
    {"Home (CSI H)", "\033[H", 4, 0, nullptr},
    {"End (SS3)", "\033OF", 17, 0, nullptr},
    {"Home (SS3)", "\033OH", 4, 0, nullptr},
    {"End (CSI 4~)", "\033[4~", 17, 0, nullptr},
    {"Home (CSI 1~)", "\033[1~", 4, 0, nullptr},
    {"Tab", "\t", 4, 1, nullptr},
    {"Left (CSI)", "\033[D", 4, 0, nullptr},
    {"Right (CSI)", "\033[C", 4, 1, nullptr},
    {"Left (SS3)", "\033OD", 4, 0, nullptr},
    {"Right (SS3)", "\033OC", 4, 1, nullptr},
    {"Left again", "\033[D", 4, 0, nullptr},
    {"search", "/we", -1, -1, "  Search: we_"},
    {"Backspace (^?)", "\177", -1, -1, "  Search: w_"},
    {"a letter", "e", -1, -1, "  Search: we_"},
    {"Backspace (^H)", "\010", -1, -1, "  Search: w_"},
    {"Enter ends the entry", "\r", 4, 0, "  1:Categories"},
    {"another search", "/x", -1, -1, "  Search: x_"},
    {"a lone Esc ends the entry", "\033", -1, -1, "  1:Categories"},
};

bool step_done(PtyScreen &t, const KeyStep &k) {
    if (k.top != nullptr && t.row(0).rfind(k.top, 0) != 0)
        return false;
    if (k.item_row >= 0 && item_bar(t) != k.item_row)
        return false;
    return k.apps_focus < 0 || apps_focused(t) == (k.apps_focus == 1);
}

void run_key_table(const char *term) {
    PtyScreen t(QUARVE_BINARY, ROWS, 100, term);
    ASSERT_TRUE(t.wait_text("Presentation")) << term;
    for (const KeyStep &k : KEY_TABLE) {
        t.send(k.bytes);
        EXPECT_TRUE(t.wait_for([&] { return step_done(t, k); }, 3000))
            << term << ": " << k.name << "\n"
            << t.all_text();
    }
    // In browse mode a lone Esc quits.
    t.send("\033");
    EXPECT_EQ(t.wait_exit(), 0) << term;
    EXPECT_FALSE(t.altscreen());
}

} // namespace

TEST_F(TermKeys, EveryKeyTranslatesUnderXterm) {
    run_key_table("xterm-256color");
}

TEST_F(TermKeys, EveryKeyTranslatesUnderTmux) {
    run_key_table("tmux-256color");
}

TEST_F(TermKeys, OnAMonochromeTerminalOnlyTheSelectionBarIsReversed) {
    PtyScreen t(QUARVE_BINARY, ROWS, 100, "xterm-mono");
    ASSERT_TRUE(t.wait_text("Presentation"));
    t.settle();
    const std::string bar = "Web Browser";
    for (int y = 0; y < ROWS; y++)
        for (int x = 0; x < 100; x++) {
            bool in_bar = y == 4 && x >= 2 && x < 2 + static_cast<int>(bar.size());
            ASSERT_EQ(t.cell(x, y).reverse, in_bar) << "cell " << x << "," << y;
        }
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

TEST_F(TermKeys, AShrinkAndARestoreInOneGoGiveTheSameFrame) {
    PtyScreen t(QUARVE_BINARY, ROWS, 100);
    ASSERT_TRUE(t.wait_text("Presentation"));
    t.settle();
    std::string before = t.all_text();
    // A fast window drag: the program sees both changes at once, and the size it reads
    // afterwards is the one it already had.
    t.freeze(true);
    t.resize(5, 100);
    t.resize(ROWS, 100);
    t.freeze(false);
    EXPECT_TRUE(t.wait_for([&] { return t.all_text() == before; }, 3000)) << "expected:\n"
                                                                          << before << "\nshown:\n"
                                                                          << t.all_text();
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
}

// Alt sends Esc and its key at once: that is one chord, which does nothing, not an Esc (which
// quits, or ends an entry) and then a command. A key quarve has no use for says so too.
TEST_F(TermKeys, AnAltChordOrAnUnnamedKeyDoesNothingButSaySo) {
    const struct {
        const char *name;
        const char *bytes;
        const char *top; // the beginning of row 0 afterwards
        const char *status;
    } steps[] = {
        {"Shift+Up", "\033[1;2A", "  1:Categories", "That key does nothing here: ? lists the keys"},
        {"Alt+d in the lists", "\033d", "  1:Categories",
         "Alt-d does nothing here: ? lists the keys"},
        {"Alt+r in a search", "/we\033r", "  Search: we_", "Typing a search: Enter or Esc ends it"},
    };
    PtyScreen t(QUARVE_BINARY, ROWS, 100);
    ASSERT_TRUE(t.wait_text("Presentation"));
    for (const auto &step : steps) {
        t.send(step.bytes);
        EXPECT_TRUE(t.wait_for(
            [&] {
                return t.row(0).rfind(step.top, 0) == 0 &&
                       t.row(ROWS - 1).find(step.status) != std::string::npos;
            },
            3000))
            << step.name << "\n"
            << t.all_text();
    }
    t.send("\003");
    EXPECT_EQ(t.wait_exit(), 0);
}

// Keys typed while a change waits for GIO to read the settings again are taken after it, in
// order: the wait never spins on input it does not read.
TEST_F(TermKeys, KeysTypedDuringAChangeAreTakenAfterItInOrder) {
    const struct {
        const char *name;
        const char *before; // sent first, waited out
        const char *burst;  // the change and the key after it, in one write
        const char *status;
        bool apps_focus; // where the key after the change left the focus
    } steps[] = {
        {"Enter, then Left", "", "\t\033[B\r\033[D", "Beta is now default for Web Browser", false},
        {"r, then Tab", "", "r\t", "Reset: Web Browser to the system defaults", true},
        {"u, then Left", "", "u\033[D", "Undone: the reset of Web Browser", false},
        {"A, then Tab", "3", "A\t", "Alpha is now default for every type it declares (1)", true},
    };
    PtyScreen t(QUARVE_BINARY, ROWS, 100);
    ASSERT_TRUE(t.wait_text("Presentation"));
    for (const auto &step : steps) {
        if (*step.before != '\0') {
            t.send(step.before);
            t.settle();
        }
        t.send(step.burst);
        EXPECT_TRUE(t.wait_for(
            [&] {
                // A status wider than the screen begins a row higher.
                return (t.row(ROWS - 2) + t.row(ROWS - 1)).find(step.status) != std::string::npos &&
                       (t.cell(24, 4).bg == BLUE) == step.apps_focus;
            },
            5000))
            << step.name << "\n"
            << t.all_text();
    }
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
}
