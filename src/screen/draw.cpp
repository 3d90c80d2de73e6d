#include "screen/draw.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "screen/keys.h"
#include "screen/view.h"
#include "state/state.h"
#include "term/cells.h"
#include "term/termbox.h"
#include "util/paths.h"
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

// In the order of ColorRole, for each way of using colour (COLORS_*).
constexpr Colors role_colors[][ROLE_COUNT] = {
    // COLORS_LAYOUT
    {
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
    },
    // COLORS_NONE: a selection is reverse video, bold where its pane has the focus; a failure
    // is told by its text.
    {
        {TB_DEFAULT | TB_BOLD, TB_DEFAULT},
        {TB_DEFAULT, TB_DEFAULT},
        {TB_DEFAULT | TB_BOLD, TB_DEFAULT},
        {TB_DEFAULT | TB_BOLD, TB_DEFAULT},
        {TB_DEFAULT, TB_DEFAULT},
        {TB_DEFAULT | TB_REVERSE | TB_BOLD, TB_DEFAULT},
        {TB_DEFAULT | TB_REVERSE, TB_DEFAULT},
        {TB_DEFAULT | TB_REVERSE | TB_BOLD, TB_DEFAULT},
        {TB_DEFAULT, TB_DEFAULT},
        {TB_DEFAULT, TB_DEFAULT},
    },
    // COLORS_TERMINAL: the background, plain rows and titles in the terminal's own colours (a
    // title stays bold), so that a light theme stays light; bars, prompts and the status keep
    // theirs.
    {
        {TB_DEFAULT | TB_BOLD, TB_DEFAULT},
        {TB_DEFAULT, TB_DEFAULT},
        {TB_CYAN | TB_BOLD, TB_BLACK},
        {TB_MAGENTA | TB_BOLD, TB_BLACK},
        {TB_DEFAULT, TB_DEFAULT},
        {TB_WHITE, TB_BLUE},
        {TB_BLUE, TB_WHITE},
        {TB_WHITE, TB_BLUE},
        {TB_GREEN, TB_BLACK},
        {TB_RED, TB_BLACK},
    },
};
static_assert(std::size(role_colors) == COLORS_TERMINAL + 1, "one table per way of using colour");

const Colors &colors_of(const AppState *s, ColorRole role) {
    return role_colors[std::clamp(s->colors, COLORS_LAYOUT, COLORS_TERMINAL)][role];
}

void print(const AppState *s, int x, int y, ColorRole role, const char *text) {
    tb_print(x, y, colors_of(s, role).fg, colors_of(s, role).bg, text);
}

// The columns text takes on the screen.
int text_columns(const char *text) {
    int width = 0;
    TermCell cell;
    for (const char *p = text; cells_next(&p, &cell);)
        width += cell.width;
    return width;
}

// text in at most columns cells. A longer text ends with "…" in its last column, and a wide
// character that would cross the end is drawn as a space.
std::string fit_columns(const char *text, int columns) {
    if (text_columns(text) <= columns)
        return text;
    TermCell cell;
    std::string out;
    int used = 0;
    for (const char *p = text, *start = p; cells_next(&p, &cell); start = p) {
        if (used + cell.width > columns - 1) {
            if (used < columns - 1)
                out += ' ';
            break;
        }
        out.append(start, static_cast<size_t>(p - start));
        used += cell.width;
    }
    return out + "…";
}

// Where the help overlay's text of a key begins: "  %-20s ".
constexpr int DRAW_HELP_TEXT_COLUMN = 23;

struct OverlayLine {
    ColorRole role;
    std::string text;
    // Where its continuation lines begin when it is wider than the screen; -1 for two columns
    // past its own indent.
    int indent = -1;
};

int overlay_width() {
    return std::max(tb_width() - SCREEN_COL_ITEMS, 1);
}

// The line cut at blanks into lines of at most width columns, the ones after the first indented;
// a word longer than a line is cut where the line ends. A line that fits is left as it is.
std::vector<OverlayLine> wrap(const OverlayLine &line, int width) {
    size_t lead = std::min(line.text.find_first_not_of(' '), line.text.size());
    int indent = line.indent >= 0 ? line.indent : static_cast<int>(lead) + 2;
    indent = std::min(indent, width / 2);
    std::vector<OverlayLine> out;
    std::string rest = line.text;
    for (bool first = true;; first = false) {
        std::string pad = first ? "" : std::string(static_cast<size_t>(indent), ' ');
        int room = width - (first ? 0 : indent);
        if (text_columns(rest.c_str()) <= room) {
            out.push_back({line.role, pad + rest, line.indent});
            return out;
        }
        // The last blank after the line's own indent where what comes before it fits, else the
        // first cell that does not fit (at least one cell a line, whatever the width).
        const char *base = rest.c_str();
        size_t blank = std::string::npos, edge = 0;
        int used = 0;
        TermCell cell;
        for (const char *p = base, *at = p; cells_next(&p, &cell); at = p) {
            auto offset = static_cast<size_t>(at - base);
            if (cell.ch == ' ' && offset > (first ? lead : 0))
                blank = offset;
            if (used + cell.width > room) {
                edge = offset > 0 ? offset : static_cast<size_t>(p - base);
                break;
            }
            used += cell.width;
        }
        size_t cut = blank != std::string::npos ? blank : edge;
        std::string part = rest.substr(0, cut);
        part.erase(part.find_last_not_of(' ') + 1);
        out.push_back({line.role, pad + part, line.indent});
        rest.erase(0, std::min(rest.find_first_not_of(' ', cut), rest.size()));
        if (rest.empty())
            return out;
    }
}

// The help overlay: every key, and the files quarve reads and writes.
std::vector<OverlayLine> help_lines(const KeyHelp *help) {
    std::vector<OverlayLine> lines = {{ROLE_TITLE, "KEYS"}, {ROLE_HELP, ""}};
    char line[DRAW_ROW_CAP];
    for (const KeyHelpLine &k : help->lines) {
        if (k.what == nullptr) {
            lines.push_back({ROLE_TITLE, k.keys});
            continue;
        }
        text_format(line, sizeof line, "  %-20s %s", k.keys, k.what);
        lines.push_back({ROLE_HELP, line, DRAW_HELP_TEXT_COLUMN});
    }
    lines.push_back({ROLE_HELP, ""});
    lines.push_back({ROLE_TITLE, "FILES"});
    for (const UsedFile &f : paths_used()) {
        lines.push_back({ROLE_HELP, "  " + f.path});
        lines.push_back({ROLE_HELP, std::string("      ") + f.what});
    }
    return lines;
}

// Why the selected item opens where it does: a heading per type, its lines below.
std::vector<OverlayLine> why_lines(AppState *s) {
    std::vector<OverlayLine> lines = {{ROLE_TITLE, "WHY IT OPENS WHERE IT DOES"}, {ROLE_HELP, ""}};
    for (guint i = 0; s->why_lines != nullptr && i < s->why_lines->len; i++) {
        auto text = static_cast<const char *>(g_ptr_array_index(s->why_lines, i));
        lines.push_back({text[0] != ' ' && text[0] != '\0' ? ROLE_TITLE : ROLE_HELP, text});
    }
    return lines;
}

// The open overlay's lines as the screen's width shows them, without its closing line.
std::vector<OverlayLine> overlay(AppState *s) {
    std::vector<OverlayLine> lines;
    if (s->overlay == OVERLAY_HELP)
        lines = help_lines(s->key_help);
    else if (s->overlay == OVERLAY_WHY)
        lines = why_lines(s);
    int width = overlay_width();
    std::vector<OverlayLine> shown;
    for (const OverlayLine &line : lines)
        for (OverlayLine &part : wrap(line, width))
            shown.push_back(std::move(part));
    return shown;
}

// The open overlay's last line, which says how to leave it, wrapped as its other lines are:
// on a narrow terminal it is the one line that must not be cut off.
std::vector<OverlayLine> overlay_closing(const AppState *s, bool scrolls) {
    std::string text = scrolls
                           ? "Up, Down, Page Up/Down, Home, End scroll; any other key closes this "
                           : "Any key closes this ";
    text += s->overlay == OVERLAY_HELP ? "help." : "view.";
    return wrap({ROLE_HELP, text}, overlay_width());
}

// An overlay fits when its lines, a blank line and its closing lines do.
bool overlay_fits(const AppState *s, size_t lines) {
    return static_cast<int>(lines + 1 + overlay_closing(s, false).size()) <= tb_height();
}

} // namespace

void draw_set_clear(const AppState *s) {
    tb_set_clear_attrs(colors_of(s, ROLE_ROW).fg, colors_of(s, ROLE_ROW).bg);
}

void draw_header(AppState *s) {
    constexpr const char *items_titles[] = {"CATEGORIES (1)", "EXTENSIONS (2)", "APPLICATIONS (3)"};
    static_assert(std::size(items_titles) == MODE_APPS + 1, "one title per mode");
    print(s, SCREEN_COL_ITEMS, SCREEN_ROW_TITLES, ROLE_TITLE, items_titles[s->mode]);
    // The application list's other pane holds its MIME types, which have no file.
    if (s->mode == MODE_APPS) {
        print(s, SCREEN_COL_APPS, SCREEN_ROW_TITLES, ROLE_TITLE, "MIME TYPES");
    } else {
        print(s, SCREEN_COL_APPS, SCREEN_ROW_TITLES, ROLE_TITLE, "APPLICATIONS");
        print(s, SCREEN_COL_FILE, SCREEN_ROW_TITLES, ROLE_TITLE, "FILE");
    }
    char line[DRAW_TOP_LINE_CAP];
    StatePlace place = state_place(s);
    if (place == PLACE_SEARCH) {
        text_format(line, sizeof line, "Search: %s_", s->search);
        print(s, SCREEN_COL_ITEMS, SCREEN_ROW_TOP_LINE, ROLE_SEARCH_PROMPT, line);
    } else if (place == PLACE_ADD) {
        text_format(line, sizeof line, "Add %s: %s_",
                    s->mode == MODE_CATEGORIES ? "Mime/Ext to Category" : "Mimetype or Extension",
                    s->add_text);
        print(s, SCREEN_COL_ITEMS, SCREEN_ROW_TOP_LINE, ROLE_ADD_PROMPT, line);
    } else {
        const KeyHelp *help = s->key_help;
        print(s, SCREEN_COL_ITEMS, SCREEN_ROW_TOP_LINE, ROLE_HELP, help->hints.c_str());
        // A hint cut short at the edge reads as a wrong key ("q:"): each added one shows whole
        // or not at all.
        int x = SCREEN_COL_ITEMS + text_columns(help->hints.c_str());
        for (const std::string &hint : help->added) {
            std::string text = " " + hint;
            int end = x + text_columns(text.c_str());
            if (end > tb_width())
                continue;
            print(s, x, SCREEN_ROW_TOP_LINE, ROLE_HELP, text.c_str());
            x = end;
        }
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
        print(s, SCREEN_COL_ITEMS, SCREEN_TOP_ROWS + r, role, view_label(s, i));
    }
}

void draw_apps(AppState *s) {
    int rows = std::max(screen_list_rows(tb_height()), 0);
    std::vector<AppRowText> texts(static_cast<size_t>(rows));
    GList *first = g_list_nth(s->apps, static_cast<guint>(std::max(s->app_scroll, 0)));
    s->source->app_texts(s, first, rows, texts.data());
    int items = view_count(s);
    int r = 0;
    for (GList *l = first; l != nullptr && r < rows; l = l->next, r++) {
        int i = s->app_scroll + r;
        ColorRole role =
            (s->focus == FOCUS_APPS && i == s->app_selected) ? ROLE_APP_SELECTED : ROLE_ROW;
        // The row owns its columns: the rest of a long item label never shows between the
        // name and the file, and a long name ends before the file's column. Only the part of
        // the label past its column is cleared: the rest of the row is blank already, and a
        // row of spaces for every application was a third of the cost of a frame.
        int label_end = s->scroll + r < items
                            ? SCREEN_COL_ITEMS + text_columns(view_label(s, s->scroll + r))
                            : 0;
        if (label_end > SCREEN_COL_APPS)
            print(s, SCREEN_COL_APPS, SCREEN_TOP_ROWS + r, ROLE_ROW,
                  std::string(static_cast<size_t>(label_end - SCREEN_COL_APPS), ' ').c_str());
        print(s, SCREEN_COL_APPS, SCREEN_TOP_ROWS + r, role,
              fit_columns(texts[r].text, SCREEN_COL_FILE - SCREEN_COL_APPS).c_str());
        if (texts[r].file != nullptr)
            print(s, SCREEN_COL_FILE, SCREEN_TOP_ROWS + r, role, texts[r].file);
    }
}

int draw_overlay_hidden(AppState *s) {
    size_t lines = overlay(s).size();
    // A taller one keeps its last rows for the lines that say how to scroll it.
    int closing = static_cast<int>(overlay_closing(s, true).size());
    return overlay_fits(s, lines) ? 0
                                  : std::max(static_cast<int>(lines) - (tb_height() - closing), 0);
}

void draw_screen(AppState *s) {
    tb_clear();
    StatePlace place = state_place(s);
    if (place == PLACE_OVERLAY) {
        std::vector<OverlayLine> lines = overlay(s);
        int rows = tb_height();
        bool fits = overlay_fits(s, lines.size());
        std::vector<OverlayLine> closing = overlay_closing(s, !fits);
        if (fits) {
            lines.push_back({ROLE_HELP, ""});
        } else {
            int first = std::clamp(s->overlay_scroll, 0, draw_overlay_hidden(s));
            lines.erase(lines.begin(), lines.begin() + first);
            lines.resize(static_cast<size_t>(std::max(rows - static_cast<int>(closing.size()), 0)));
        }
        lines.insert(lines.end(), closing.begin(), closing.end());
        for (int y = 0; y < rows && y < static_cast<int>(lines.size()); y++)
            print(s, SCREEN_COL_ITEMS, SCREEN_ROW_TOP_LINE + y, lines[static_cast<size_t>(y)].role,
                  lines[static_cast<size_t>(y)].text.c_str());
        tb_present();
        return;
    }
    draw_header(s);
    draw_items(s);
    draw_apps(s);
    const char *status = s->status;
    if (status[0] == '\0')
        status = s->source->idle_status;
    bool red = status == s->status && s->status_tone != TONE_DONE;
    ColorRole role = red ? ROLE_STATUS_FAILED : ROLE_STATUS_OK;
    // A status wider than the screen begins in the blank row above its own rather than being cut
    // off (the names in it can be long); what a third row would hold ends in "…".
    int width = std::max(tb_width() - SCREEN_COL_ITEMS, 1), h = tb_height();
    std::vector<OverlayLine> lines = wrap({role, status, 0}, width);
    if (lines.size() > 1 && screen_list_rows(h) > 0) {
        std::string rest;
        for (size_t i = 1; i < lines.size(); i++)
            rest += (i > 1 ? " " : "") + lines[i].text;
        print(s, SCREEN_COL_ITEMS, h - 2, role, lines[0].text.c_str());
        print(s, SCREEN_COL_ITEMS, h - 1, role, fit_columns(rest.c_str(), width).c_str());
    } else if (status[0] != '\0') {
        print(s, SCREEN_COL_ITEMS, h - 1, role, status);
    }
    tb_present();
}
