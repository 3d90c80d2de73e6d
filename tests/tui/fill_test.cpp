// The fill's walk: every row of the list once, nearest to the selection first, whatever the
// list's length and the selection's place in it.
#include <gtest/gtest.h>
#include <vector>

#include "state/state.h"
#include "tui/fill.h"

namespace {

// A list of rows that each need one question, recording the order they are asked in.
int32_t rows_count = 0;
std::vector<bool> answered;
std::vector<int32_t> asked;

int32_t count_rows(AppState *) {
    return rows_count;
}

bool ask_once(AppState *, int32_t row) {
    if (answered[row])
        return false;
    answered[row] = true;
    asked.push_back(row);
    return true;
}

void make_rows(int32_t count) {
    rows_count = count;
    answered.assign(count, false);
    asked.clear();
}

PaneSource recording() {
    PaneSource source{};
    source.item_count = count_rows;
    source.ask_ahead = ask_once;
    return source;
}

} // namespace

TEST(Fill, AsksEveryRowOnceNearestFirst) {
    struct Case {
        int32_t count;
        int32_t selected;
        std::vector<int32_t> order;
    };
    const Case cases[] = {
        {0, 0, {}},
        {1, 0, {0}},
        {4, 0, {0, 1, 2, 3}},
        {4, 3, {3, 2, 1, 0}},
        {6, 2, {2, 3, 1, 4, 0, 5}},
        {5, 9, {4, 3, 2, 1, 0}}, // a selection past a list that shrank
    };
    PaneSource source = recording();
    for (const Case &c : cases) {
        AppState s{};
        s.source = &source;
        s.selected = c.selected;
        make_rows(c.count);
        Fill fill;
        fill_restart(&fill, &s);
        int steps = 0;
        while (fill_step(&fill, &s) && steps < 100)
            steps++;
        EXPECT_EQ(asked, c.order) << c.count << " rows from " << c.selected;
        EXPECT_EQ(steps, static_cast<int>(c.order.size())) << "one question a step";
    }
}

TEST(Fill, ALongAnsweredListIsWalkedInSlices) {
    PaneSource source = recording();
    AppState s{};
    s.source = &source;
    make_rows(100000);
    answered.flip();
    answered.back() = false;
    Fill fill;
    fill_restart(&fill, &s);
    int steps = 1;
    while (fill_step(&fill, &s))
        steps++;
    EXPECT_EQ(asked, std::vector<int32_t>{rows_count - 1}) << "the one row left, at the far end";
    EXPECT_GT(steps, 100) << "no step looks at the whole list";
}
