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

    g.SetColCount(8);
    g.SetColWidth(7, 200);
    g.SetColCount(7);
    g.SetColCount(8);
    EXPECT_EQ(g.ColWidth(7), ComboGrid::kDefaultColWidth) << "a dropped column loses its width";
}

}  // namespace
}  // namespace yomida
