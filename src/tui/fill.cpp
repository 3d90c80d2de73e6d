#include "tui/fill.h"

#include <algorithm>

#include "screen/view.h"
#include "state/state.h"

namespace {

// Rows looked at in one step without a question: a long list that is mostly answered already
// is walked in slices short enough that input never waits for the walk.
constexpr int32_t FILL_LOOK_ROWS = 512;

// The row at place reach of the walk around anchor: anchor, anchor + 1, anchor - 1, anchor + 2…
int64_t row_at(const Fill *fill) {
    int64_t step = (static_cast<int64_t>(fill->reach) + 1) / 2;
    return fill->anchor + (fill->reach % 2 == 1 ? step : -step);
}

} // namespace

void fill_restart(Fill *fill, const AppState *s) {
    fill->anchor = s->selected;
    fill->reach = 0;
}

bool fill_step(Fill *fill, AppState *s) {
    int64_t count = view_count(s);
    // The walk is over once it has passed both ends of the list.
    int64_t last_reach = 2 * std::max<int64_t>(fill->anchor, count - 1 - fill->anchor);
    for (int32_t looked = 0; looked < FILL_LOOK_ROWS; looked++) {
        if (fill->reach > last_reach)
            return false;
        int64_t row = row_at(fill);
        if (row >= 0 && row < count && s->source->ask_ahead(s, static_cast<int32_t>(row)))
            return true;
        fill->reach++;
    }
    return true;
}
