#include "app/ComboGrid.h"

#include <gtest/gtest.h>

namespace yomida {
namespace {

TEST(ComboGrid, CellsCanBeSetAnywhereAndReadBack) {
    ComboGrid g;
    g.SetRowCount(3);
    g.SetCell(3, 1, "d");
    g.SetCell(0, 1, "a");
    g.SetCell(5, 1, "f");
    g.SetCell(3, 1, "dd");
    EXPECT_EQ(g.Cell(0, 1), "a");
    EXPECT_EQ(g.Cell(1, 1), "");
    EXPECT_EQ(g.Cell(3, 1), "dd");
    EXPECT_EQ(g.Cell(5, 1), "f");
    EXPECT_EQ(g.Cell(6, 1), "");
    EXPECT_EQ(g.Cell(0, 2), "");
    EXPECT_EQ(g.Cell(0, 99), "");
    g.SetCell(1, 2, std::string_view("x\0y", 3));
    EXPECT_EQ(g.Cell(1, 2), "x");
    EXPECT_EQ(g.Cell(2, 2), "") << "a NUL inside a text never splits a cell";
    g.ClearRow(1);
    EXPECT_EQ(g.Cell(5, 1), "");
    EXPECT_THROW(g.SetCell(0, 3, "out of rows"), std::out_of_range);
}

TEST(ComboGrid, TicksBelongToRows) {
    ComboGrid g;
    g.SetRowCount(4);
    EXPECT_FALSE(g.HasTick(1)) << "a new row carries no tick";
    for (int r = 1; r <= 3; ++r) {
        g.SetCell(0, r, std::to_string(r));
        g.SetTicked(r, r == 2);
    }
    EXPECT_TRUE(g.HasTick(1));
    EXPECT_FALSE(g.Ticked(1));
    EXPECT_TRUE(g.Ticked(2));
    EXPECT_EQ(g.Cell(1, 2), "") << "a tick is no text";

    const uint64_t before = g.Revision();
    g.ToggleTick(3);
    EXPECT_NE(g.Revision(), before);
    EXPECT_TRUE(g.Ticked(3));
    g.ToggleTick(3);
    EXPECT_FALSE(g.Ticked(3));
    EXPECT_TRUE(g.HasTick(3));

    g.ClearRow(1);
    EXPECT_FALSE(g.HasTick(1));
    g.SetTicked(3, true);
    g.SetRowCount(3);
    g.SetRowCount(4);
    EXPECT_FALSE(g.HasTick(3)) << "a dropped row takes its tick with it";
    EXPECT_THROW(g.SetTicked(4, true), std::out_of_range);
}

TEST(ComboGrid, WideRowsReadCellByCell) {
    ComboGrid g;
    g.SetRowCount(3);
    for (int c = 4999; c >= 0; --c) {
        g.SetCell(c, 1, c % 3 == 0 ? "" : std::to_string(c));
    }
    g.SetCell(0, 2, "a");
    for (int c = 0; c < 5000; ++c) {
        ASSERT_EQ(g.Cell(c, 1), c % 3 == 0 ? "" : std::to_string(c)) << c;
        ASSERT_EQ(g.Cell(c, 2), c == 0 ? "a" : "");
    }
    EXPECT_EQ(g.Cell(5000, 1), "");
    EXPECT_EQ(g.Cell(1 << 30, 1), "");
    // A change to the row is seen at once, however it was made.
    g.SetCell(4000, 1, "changed");
    EXPECT_EQ(g.Cell(4000, 1), "changed");
    EXPECT_EQ(g.Cell(4001, 1), "4001");
    g.ClearRow(1);
    g.SetCell(100, 1, "tail");
    EXPECT_EQ(g.Cell(100, 1), "tail");
    EXPECT_EQ(g.Cell(4000, 1), "");
    g.ClearRow(1);
    EXPECT_EQ(g.Cell(100, 1), "");
}

TEST(ComboGrid, RowsAndColumnsResize) {
    ComboGrid g;
    EXPECT_EQ(g.RowCount(), 2);
    g.SetRowCount(5);
    g.SetCell(0, 4, "last");
    g.SetCurrentCell(2, 4);
    g.SetRowCount(3);
    EXPECT_EQ(g.Row(), 2) << "the current cell stays inside the grid";
    g.SetRowCount(5);
    EXPECT_EQ(g.Cell(0, 4), "") << "dropped rows come back empty";
    g.SetRowCount(0);
    EXPECT_EQ(g.RowCount(), 2);
    EXPECT_EQ(g.RecordRowCount(), 1) << "the blank row under the captions stays";
    EXPECT_EQ(g.LastRow(), 1);

    g.SetColCount(8);
    g.SetColWidth(7, 200);
    g.SetColCount(7);
    g.SetColCount(8);
    EXPECT_EQ(g.ColWidth(7), ComboGrid::kDefaultColWidth) << "a dropped column loses its width";
}

}  // namespace
}  // namespace yomida
