// tb_print's contract, checked on the grid that shares its text decoding with the terminal.
#include <gtest/gtest.h>

#include "grid.h"

TEST(GridPrint, ClipsAtTheRightEdgeWithoutWrapping) {
    grid_reset(10, 3);
    tb_print(6, 0, TB_WHITE, TB_BLACK, "abcdefgh");
    tb_print(8, 1, TB_WHITE, TB_BLACK, "日本");
    tb_present();
    EXPECT_EQ(grid_row(0), "      abcd");
    EXPECT_EQ(grid_row(1), "        日"); // the second wide character does not fit
    EXPECT_EQ(grid_row(2), "");
}

TEST(GridPrint, StartOutsideTheScreenDrawsNothing) {
    grid_reset(10, 3);
    EXPECT_NE(tb_print(10, 0, TB_WHITE, TB_BLACK, "x"), TB_OK);
    EXPECT_NE(tb_print(0, 3, TB_WHITE, TB_BLACK, "x"), TB_OK);
    EXPECT_NE(tb_print(-1, 0, TB_WHITE, TB_BLACK, "x"), TB_OK);
    tb_present();
    for (int y = 0; y < 3; y++)
        EXPECT_EQ(grid_row(y), "");
}

TEST(GridPrint, WideCharactersTakeTwoCellsAndOverwriteCleanly) {
    grid_reset(10, 1);
    tb_print(0, 0, TB_RED, TB_BLACK, "日x");
    tb_present();
    EXPECT_EQ(grid_row(0), "日x");
    EXPECT_EQ(grid_cell(2, 0).text, "x");
    EXPECT_EQ(grid_cell(1, 0).fg, TB_RED);
    tb_print(1, 0, TB_WHITE, TB_BLACK, "y");
    tb_present();
    EXPECT_EQ(grid_row(0), " yx");
}
