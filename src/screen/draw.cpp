#include "screen/draw.h"

#include <cstring>
#include <iterator>

#include "appdb/apps.h"
#include "catalog/catalog.h"
#include "state/state.h"
#include "term/termbox.h"
#include "util/text.h"

namespace {

constexpr size_t DRAW_TOP_LINE_CAP = 160;
constexpr size_t DRAW_ROW_CAP = 256;

// Every colour of the screen, by the role it plays.
enum ColorRole {
    ROLE_TITLE,
    ROLE_HELP,
    ROLE_SEARCH_PROMPT,
    ROLE_ADD_PROMPT,
    ROLE_ROW,
    ROLE_ITEM_SELECTED,      // the item pane has the focus
    ROLE_ITEM_SELECTED_IDLE, // the application pane has it
    ROLE_APP_SELECTED,
    ROLE_STATUS_OK,
    ROLE_STATUS_FAILED,
    ROLE_COUNT,
};

struct Colors {
    uint16_t fg;
    uint16_t bg;
};

// In the order of ColorRole.
constexpr Colors role_colors[] = {
    {TB_YELLOW | TB_BOLD, TB_BLACK},  // ROLE_TITLE
    {TB_WHITE, TB_BLACK},             // ROLE_HELP
    {TB_CYAN | TB_BOLD, TB_BLACK},    // ROLE_SEARCH_PROMPT
    {TB_MAGENTA | TB_BOLD, TB_BLACK}, // ROLE_ADD_PROMPT
    {TB_WHITE, TB_BLACK},             // ROLE_ROW
    {TB_WHITE, TB_BLUE},              // ROLE_ITEM_SELECTED
    {TB_BLUE, TB_WHITE},              // ROLE_ITEM_SELECTED_IDLE
    {TB_WHITE, TB_BLUE},              // ROLE_APP_SELECTED
    {TB_GREEN, TB_BLACK},             // ROLE_STATUS_OK
    {TB_RED, TB_BLACK},               // ROLE_STATUS_FAILED
};
static_assert(std::size(role_colors) == ROLE_COUNT, "one entry per role, in the order above");

void print(int x, int y, ColorRole role, const char *text) {
    tb_print(x, y, role_colors[role].fg, role_colors[role].bg, text);
}

} // namespace

void draw_header(AppState *s) {
    print(SCREEN_COL_ITEMS, SCREEN_ROW_TITLES, ROLE_TITLE,
          s->mode == MODE_CATEGORIES ? "CATEGORIES (1)" : "EXTENSIONS (2)");
    print(SCREEN_COL_APPS, SCREEN_ROW_TITLES, ROLE_TITLE, "APPLICATIONS");
    print(SCREEN_COL_FILE, SCREEN_ROW_TITLES, ROLE_TITLE, "FILE");
    char line[DRAW_TOP_LINE_CAP];
    if (s->search_active) {
        text_format(line, sizeof line, "Search: %s_", s->search);
        print(SCREEN_COL_ITEMS, SCREEN_ROW_TOP_LINE, ROLE_SEARCH_PROMPT, line);
    } else if (s->add_active) {
        text_format(line, sizeof line, "Add %s: %s_",
                    s->mode == MODE_CATEGORIES ? "Mime/Ext to Category" : "Mimetype or Extension",
                    s->add_text);
        print(SCREEN_COL_ITEMS, SCREEN_ROW_TOP_LINE, ROLE_ADD_PROMPT, line);
    } else {
        print(SCREEN_COL_ITEMS, SCREEN_ROW_TOP_LINE, ROLE_HELP,
              "1:Categories 2:Ext /:Search a:Add d:Delete");
    }
}

void draw_items(AppState *s) {
    int n = view_count(s);
    int rows = screen_list_rows(tb_height());
    for (int r = 0; r < rows && s->scroll + r < n; r++) {
        int i = s->scroll + r;
        ColorRole role = ROLE_ROW;
        if (i == s->selected)
            role = s->focus == FOCUS_ITEMS ? ROLE_ITEM_SELECTED : ROLE_ITEM_SELECTED_IDLE;
        print(SCREEN_COL_ITEMS, SCREEN_TOP_ROWS + r, role, view_label(s, i));
    }
}

void draw_apps(AppState *s) {
    int rows = screen_list_rows(tb_height());
    // Placeholder rows carry no marker and no file; an item outside the view has no defaults.
    g_autolist(GAppInfo) defaults = s->dev_mode ? nullptr : apps_defaults_for_item(s, s->selected);
    int r = 0;
    for (GList *l = g_list_nth(s->apps, s->app_scroll); l != nullptr && r < rows; l = l->next) {
        int i = s->app_scroll + r;
        ColorRole role =
            (s->focus == FOCUS_APPS && i == s->app_selected) ? ROLE_APP_SELECTED : ROLE_ROW;
        char line[DRAW_ROW_CAP];
        const char *path = nullptr;
        if (s->dev_mode) {
            text_format(line, sizeof line, "  %s", static_cast<const char *>(l->data));
        } else {
            auto app = G_APP_INFO(l->data);
            text_format(line, sizeof line, "%s %s", apps_list_has(defaults, app) ? "*" : " ",
                        apps_display_name(app));
            path = apps_desktop_file(app);
        }
        print(SCREEN_COL_APPS, SCREEN_TOP_ROWS + r, role, line);
        if (path != nullptr)
            print(SCREEN_COL_FILE, SCREEN_TOP_ROWS + r, role, path);
        r++;
    }
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
              strncmp(status, "Failed", 6) == 0 ? ROLE_STATUS_FAILED : ROLE_STATUS_OK, status);
    tb_present();
}
