#include "screen/draw.h"

#include <cstring>
#include <gio/gdesktopappinfo.h>

#include "appdb/apps.h"
#include "catalog/catalog.h"
#include "screen/colors.h"
#include "shell/app_state.h"
#include "util/text.h"

namespace {

constexpr size_t DRAW_TOP_LINE_CAP = 160;
constexpr size_t DRAW_ROW_CAP = 256;

void print(int x, int y, Colors c, const char *text) {
    tb_print(x, y, c.fg, c.bg, text);
}

// The current default of each MIME type of the selected item, each application once.
GList *current_defaults(AppState *s) {
    void *row = g_ptr_array_index(s->view, s->selected);
    if (s->mode != MODE_CATEGORIES) {
        GAppInfo *d = g_app_info_get_default_for_type(static_cast<const char *>(row), FALSE);
        return d ? g_list_append(nullptr, d) : nullptr;
    }
    GList *list = nullptr;
    for (char **t = static_cast<Category *>(row)->mime_types; *t != nullptr; t++) {
        GAppInfo *d = g_app_info_get_default_for_type(*t, FALSE);
        if (d == nullptr)
            continue;
        if (apps_list_has(list, d))
            g_object_unref(d);
        else
            list = g_list_append(list, d);
    }
    return list;
}

void draw_dev_apps(AppState *s, int rows) {
    int r = 0;
    for (GList *l = g_list_nth(s->apps, s->app_scroll); l != nullptr && r < rows; l = l->next) {
        int i = s->app_scroll + r;
        Colors c =
            (s->focus == FOCUS_APPS && i == s->app_selected) ? COLORS_APP_SELECTED : COLORS_ROW;
        char line[DRAW_ROW_CAP];
        text_format(line, sizeof line, "  %s", static_cast<const char *>(l->data));
        print(SCREEN_COL_APPS, SCREEN_TOP_ROWS + r, c, line);
        r++;
    }
}

} // namespace

void draw_header(AppState *s) {
    print(SCREEN_COL_ITEMS, 2, COLORS_TITLE,
          s->mode == MODE_CATEGORIES ? "CATEGORIES (1)" : "EXTENSIONS (2)");
    print(SCREEN_COL_APPS, 2, COLORS_TITLE, "APPLICATIONS");
    print(SCREEN_COL_FILE, 2, COLORS_TITLE, "FILE");
    char line[DRAW_TOP_LINE_CAP];
    if (s->search_active) {
        text_format(line, sizeof line, "Search: %s_", s->search);
        print(SCREEN_COL_ITEMS, 0, COLORS_SEARCH_PROMPT, line);
    } else if (s->add_active) {
        text_format(line, sizeof line, "Add %s: %s_",
                    s->mode == MODE_CATEGORIES ? "Mime/Ext to Category" : "Mimetype or Extension",
                    s->add_text);
        print(SCREEN_COL_ITEMS, 0, COLORS_ADD_PROMPT, line);
    } else {
        print(SCREEN_COL_ITEMS, 0, COLORS_HELP, "1:Categories 2:Ext /:Search a:Add d:Delete");
    }
}

void draw_items(AppState *s) {
    int n = view_count(s);
    int rows = screen_list_rows(tb_height());
    for (int r = 0; r < rows && s->scroll + r < n; r++) {
        int i = s->scroll + r;
        Colors c = COLORS_ROW;
        if (i == s->selected)
            c = s->focus == FOCUS_ITEMS ? COLORS_ITEM_SELECTED : COLORS_ITEM_SELECTED_IDLE;
        print(SCREEN_COL_ITEMS, SCREEN_TOP_ROWS + r, c, view_label(s, i));
    }
}

void draw_apps(AppState *s) {
    int rows = screen_list_rows(tb_height());
    if (s->dev_mode) {
        draw_dev_apps(s, rows);
        return;
    }
    if (static_cast<guint>(s->selected) >= s->view->len)
        return;
    GList *defaults = current_defaults(s);
    int r = 0;
    for (GList *l = g_list_nth(s->apps, s->app_scroll); l != nullptr && r < rows; l = l->next) {
        int i = s->app_scroll + r;
        auto app = G_APP_INFO(l->data);
        Colors c = COLORS_ROW;
        if (s->focus == FOCUS_APPS && i == s->app_selected)
            c = COLORS_APP_SELECTED;
        char line[DRAW_ROW_CAP];
        text_format(line, sizeof line, "%s %s", apps_list_has(defaults, app) ? "*" : " ",
                    g_app_info_get_name(app));
        print(SCREEN_COL_APPS, SCREEN_TOP_ROWS + r, c, line);
        if (G_IS_DESKTOP_APP_INFO(app)) {
            const char *path = g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app));
            if (path != nullptr)
                tb_print(SCREEN_COL_FILE, SCREEN_TOP_ROWS + r, TB_WHITE, c.bg, path);
        }
        r++;
    }
    g_list_free_full(defaults, g_object_unref);
}

void draw_screen(AppState *s) {
    tb_clear();
    draw_header(s);
    draw_items(s);
    draw_apps(s);
    const char *status = s->status;
    if (status[0] == '\0' && s->dev_mode)
        status = "Developer Mode";
    if (status[0] != '\0')
        print(SCREEN_COL_ITEMS, tb_height() - 1,
              strncmp(status, "Failed", 6) == 0 ? COLORS_STATUS_FAILED : COLORS_STATUS_OK, status);
    tb_present();
}
