#include "screen/keys.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

// Hints of this rank and later come after the help line's own text.
constexpr int KEYS_ADDED_RANK = 6;

// The overlay's sections; a key is listed under the one its row names.
constexpr const char *KEYS_HEADINGS[] = {"In the lists", "In a search or an add"};

// One line of the help overlay, with its word on the help line and its part of the summary.
struct KeyText {
    uint8_t heading;     // index into KEYS_HEADINGS
    const char *keys;    // the overlay's keys column
    const char *help;    // what they do
    const char *hint;    // the help line's word for them, or NULL
    int hint_rank;       // its place in the help line
    const char *summary; // the command line's words for them, or NULL
    int summary_rank;    // their place in its sentence
};

// In the order of the help overlay.
constexpr KeyText KEY_TEXTS[] = {
    {0, "Up, Down", "move the selection in the pane that has the focus", nullptr, 0,
     "Up and Down move", 1},
    {0, "Page Up, Page Down", "move it by one pane height", nullptr, 0, nullptr, 0},
    {0, "Home, End", "go to the first or the last row", nullptr, 0, nullptr, 0},
    {0, "Right, Tab", "go to the applications", "Tab:Apps", 7, "Tab goes to the applications", 2},
    {0, "Left", "go back to the items", nullptr, 0, nullptr, 0},
    {0, "Enter", "(applications) make the selected application the default", "Enter:Set", 8,
     "Enter makes one the default", 3},
    {0, "u", "undo the most recent assignment", nullptr, 0, "u undoes", 4},
    {0, "r", "hand the item back to the system's defaults", nullptr, 0, "r resets", 5},
    {0, "p", "pin the item to its current defaults against other programs, or unpin it", nullptr, 0,
     "p pins", 6},
    {0, "R", "put back every pin another program changed", nullptr, 0, "R puts pins back", 7},
    // The help line's own text begins it: its keys rank first, in its order.
    {0, "1, 2", "list categories, or single MIME types by extension", "1:Categories 2:Ext", 1,
     "1, 2 and 3 switch lists", 10},
    {0, "3",
     "list applications; the other pane holds the MIME types of each, which i, p and r act on",
     "3:Apps", 6, nullptr, 0},
    {0, "A", "(application list) make the application the default for all its types", nullptr, 0,
     nullptr, 0},
    {0, "/", "search: narrows the items as you type", "/:Search", 3, "/ searches", 9},
    {0, "a", "add a MIME type or extension to the category, or to the MIME type list", "a:Add", 4,
     nullptr, 0},
    {0, "d", "(MIME type list) delete the selected MIME type", "d:Delete", 5, nullptr, 0},
    {0, "i", "why the item opens where it does", nullptr, 0, "i explains", 8},
    {0, "?", "this help", "?:Help", 9, nullptr, 0},
    {0, "q, Esc, Ctrl-C", "quit", "q:Quit", 10, "q quits", 11},
    {1, "any character", "typed as text; pasted text too, without its line breaks", nullptr, 0,
     nullptr, 0},
    {1, "Backspace", "remove the last character", nullptr, 0, nullptr, 0},
    {1, "Enter, Esc", "end the entry (Enter adds)", nullptr, 0, nullptr, 0},
    {1, "Ctrl-C", "quit", nullptr, 0, nullptr, 0},
};

// The texts that have a word of the given column, in the order of their rank (ties keep the
// table's order).
template <typename Rank> std::vector<const KeyText *> ranked(Rank rank) {
    std::vector<const KeyText *> rows;
    for (const KeyText &k : KEY_TEXTS)
        if (rank(k) > 0)
            rows.push_back(&k);
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const KeyText *a, const KeyText *b) { return rank(*a) < rank(*b); });
    return rows;
}

KeyHelp make_help() {
    KeyHelp help;
    int heading = -1;
    for (const KeyText &k : KEY_TEXTS) {
        if (k.heading != heading) {
            heading = k.heading;
            help.lines.push_back({KEYS_HEADINGS[heading], nullptr});
        }
        help.lines.push_back({k.keys, k.help});
    }
    for (const KeyText *k : ranked([](const KeyText &t) { return t.hint ? t.hint_rank : 0; })) {
        if (k->hint_rank >= KEYS_ADDED_RANK)
            help.added.emplace_back(k->hint);
        else
            help.hints += (help.hints.empty() ? "" : " ") + std::string(k->hint);
    }
    return help;
}

} // namespace

const KeyHelp *keys_help() {
    static const KeyHelp help = make_help();
    return &help;
}

std::vector<std::string> keys_summary() {
    std::vector<std::string> parts;
    for (const KeyText *k : ranked([](const KeyText &t) { return t.summary ? t.summary_rank : 0; }))
        parts.emplace_back(k->summary);
    return parts;
}
