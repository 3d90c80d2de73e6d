#include "catalog/catalog.h"
#include "fixture.h"

namespace {

class Run : public QuarveTest {};

} // namespace

TEST_F(Run, QuitEndsTheLoopWithStatusZero) {
    start(80, 12);
    grid_push_key(TB_KEY_ARROW_DOWN);
    grid_push_char('q');
    EXPECT_EQ(shell_run(&s), 0);
    EXPECT_EQ(s.selected, 1);
    EXPECT_EQ(grid_frames(), 1) << "input that is waiting already is taken before a frame";
}

TEST_F(Run, ALostTerminalEndsTheLoopInsteadOfSpinning) {
    start(80, 12);
    grid_push_key(TB_KEY_ARROW_DOWN);
    EXPECT_EQ(shell_run(&s), 1);
    EXPECT_EQ(grid_frames(), 2);
}

TEST_F(Run, ResizeRedrawsAtTheNewHeight) {
    start(80, 12);
    for (int i = 0; i < 9; i++)
        grid_push_key(TB_KEY_ARROW_DOWN);
    grid_push_resize(80, 8);
    EXPECT_EQ(shell_run(&s), 1);
    EXPECT_EQ(grid_row(5), "  Archive Manager") << "two rows, the selection the last";
    EXPECT_EQ(grid_row(4), "  Mail Client");
    EXPECT_EQ(s.scroll, 8);
}
