// Base fixture: a private XDG environment, the grid terminal and a started state record.
#pragma once

#include <csignal>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "grid.h"
#include "readback.h"
#include "screen/draw.h"
#include "state/state.h"
#include "tui/tui.h"
#include "xdg_env.h"

class QuarveTest : public ::testing::Test {
  protected:
    // Runs start-up as main does, on a w x h grid (with first_rows, as main does it).
    void start(int w = 100, int h = 30, int first_rows = 0) {
        grid_reset(w, h);
        tui_startup(&s, first_rows);
        started_ = true;
    }
    void TearDown() override {
        if (started_)
            tui_teardown(&s);
    }
    bool key(uint16_t k) {
        tb_event ev{};
        ev.type = TB_EVENT_KEY;
        ev.key = k;
        return tui_event(&s, &ev);
    }
    bool ch(uint32_t c) {
        tb_event ev{};
        ev.type = TB_EVENT_KEY;
        ev.ch = c;
        return tui_event(&s, &ev);
    }
    void type(const char *text) {
        for (const char *p = text; *p; p = g_utf8_next_char(p))
            ch(g_utf8_get_char(p));
    }
    // One pass of the frame loop without the wait: scroll, then draw.
    void frame() {
        tui_scroll(&s, screen_list_rows(tb_height()));
        draw_screen(&s);
    }
    std::string selected_label() { return view_label_of(s.selected); }
    std::string view_label_of(int i);
    // The catalogue as plain lists: category names, the MIME type list, one category's types.
    std::vector<std::string> names();
    std::vector<std::string> types();
    std::vector<std::string> category_types(guint i);

    XdgEnv env; // first: the environment must exist before any GLib call
    AppState s{};

  private:
    bool started_ = false;
};

// Caps the size of files this process writes while it lives: a write past the cap fails (with
// EFBIG rather than a signal), which makes saving fail even for root.
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes) {
        signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit capped = old;
        capped.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &capped);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
    rlimit old{};
};

#include <gio/gdesktopappinfo.h>

#include "catalog/catalog.h"
#include "screen/view.h"

// The catalogue as plain lists: category names, the MIME type list, one category's types.
inline std::vector<std::string> catalog_names(const Catalog *c) {
    std::vector<std::string> out;
    for (guint i = 0; i < c->categories->len; i++)
        out.push_back(static_cast<Category *>(g_ptr_array_index(c->categories, i))->name);
    return out;
}

inline std::vector<std::string> catalog_types(const Catalog *c) {
    std::vector<std::string> out;
    for (guint i = 0; i < c->mime_types->len; i++)
        out.push_back(static_cast<const char *>(g_ptr_array_index(c->mime_types, i)));
    return out;
}

inline std::vector<std::string> catalog_category_types(const Catalog *c, guint i) {
    std::vector<std::string> out;
    auto cat = static_cast<Category *>(g_ptr_array_index(c->categories, i));
    for (char **t = cat->mime_types; *t; t++)
        out.push_back(*t);
    return out;
}

// What status messages call view row i: the category's name or the MIME type; NULL outside.
inline const char *view_item_name(AppState *s, int32_t i) {
    std::optional<Item> item = view_item(s, i);
    return item ? item->name : nullptr;
}

inline std::string QuarveTest::view_label_of(int i) {
    return view_label(&s, i);
}

inline std::vector<std::string> QuarveTest::names() {
    return catalog_names(s.catalog);
}

inline std::vector<std::string> QuarveTest::types() {
    return catalog_types(s.catalog);
}

inline std::vector<std::string> QuarveTest::category_types(guint i) {
    return catalog_category_types(s.catalog, i);
}

// The core alone, without the screen: a private environment and the user's catalogue.
class CoreTest : public ::testing::Test {
  protected:
    void load() {
        catalog_free(cat);
        cat = catalog_new();
    }
    void TearDown() override { catalog_free(cat); }
    std::vector<std::string> names() { return catalog_names(cat); }
    std::vector<std::string> types() { return catalog_types(cat); }
    std::vector<std::string> category_types(guint i) { return catalog_category_types(cat, i); }
    // The item text names, as a typed name finds it (a test that names none fails).
    Item item(const char *text) { return item_lookup(cat, text).value(); }
    // The installed application id ("beta.desktop"): a new reference, NULL when there is none.
    GAppInfo *app(const char *id) { return G_APP_INFO(g_desktop_app_info_new(id)); }

    XdgEnv env; // first: the environment must exist before any GLib call
    Catalog *cat = nullptr;
};
