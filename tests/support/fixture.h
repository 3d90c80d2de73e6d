// Base fixture: a private XDG environment, the grid terminal and a started state record.
#pragma once

#include <gtest/gtest.h>

#include "grid.h"
#include "screen/draw.h"
#include "shell/app_state.h"
#include "shell/shell.h"
#include "xdg_env.h"

class QuarveTest : public ::testing::Test {
  protected:
    // Runs start-up as main does, on a w x h grid.
    void start(int w = 100, int h = 30) {
        grid_reset(w, h);
        shell_startup(&s);
        started_ = true;
    }
    void TearDown() override {
        if (started_)
            shell_teardown(&s);
    }
    bool key(uint16_t k) {
        tb_event ev{};
        ev.type = TB_EVENT_KEY;
        ev.key = k;
        return shell_event(&s, &ev);
    }
    bool ch(uint32_t c) {
        tb_event ev{};
        ev.type = TB_EVENT_KEY;
        ev.ch = c;
        return shell_event(&s, &ev);
    }
    void type(const char *text) {
        for (const char *p = text; *p; p = g_utf8_next_char(p))
            ch(g_utf8_get_char(p));
    }
    // One pass of the frame loop without the wait: scroll, then draw.
    void frame() {
        shell_scroll(&s, screen_list_rows(tb_height()));
        draw_screen(&s);
    }
    std::string selected_label() { return view_label_of(s.selected); }
    std::string view_label_of(int i);

    XdgEnv env; // first: the environment must exist before any GLib call
    AppState s{};

  private:
    bool started_ = false;
};

#include "catalog/catalog.h"
inline std::string QuarveTest::view_label_of(int i) {
    return view_label(&s, i);
}
