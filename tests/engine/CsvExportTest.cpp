#include "engine/CsvExport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;
using test::U8;

class CsvFileTest : public ::testing::Test {
protected:
    test::TempDir dir;
    ComboGrid grid;

    void Rows(int n) {
        grid.SetRowCount(n + 1);
        for (int r = 1; r <= n; ++r) {
            const std::string i = std::to_string(r);
            for (int c = 0; c < 8; ++c) {
                grid.SetCell(c, r, c == 3 ? i : "c" + std::to_string(c) + "r" + i);
            }
        }
    }
    std::string Export() {
        ExportCsv(grid.Rows(), dir / "out.csv", year{2003} / May);
        return U8(test::ReadBytes(dir / "out.csv"));
    }
};

TEST_F(CsvFileTest, FirstThirtyRowsInGridOrder) {
    Rows(45);
    grid.SetCell(3, 2, Sj("上"));
    grid.SetCell(4, 1, Sj("say \"hi\""));
    const std::string csv = Export();
    EXPECT_TRUE(
        csv.starts_with("2003/05/1,\"say \"hi\"\",c6r1,\"c5r1\",\"c2r1\"\r\n"
                        "2003/05/上,\"c4r2\",c6r2,\"c5r2\",\"c2r2\"\r\n"))
        << csv;
    EXPECT_TRUE(csv.ends_with("2003/05/30,\"c4r30\",c6r30,\"c5r30\",\"c2r30\"\r\n"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), kMaxCsvExportRows);

    Rows(3);
    const std::string shortList = Export();
    EXPECT_EQ(std::count(shortList.begin(), shortList.end(), '\n'), 3) << "a short list whole";
}

TEST_F(CsvFileTest, EmptyGridExportsTheEmptyRow) {
    EXPECT_EQ(Export(), "2003/05/,\"\",,\"\",\"\"\r\n");
    grid.KeepHeaderOnly();
    EXPECT_EQ(Export(), "2003/05/,\"\",,\"\",\"\"\r\n");
}

TEST_F(CsvFileTest, AFailedWriteKeepsTheOldFile) {
    Rows(2);
    test::WriteBytes(dir / "out.csv", "old export");
    std::filesystem::permissions(dir / "out.csv", std::filesystem::perms::owner_read);
    EXPECT_ANY_THROW(ExportCsv(grid.Rows(), dir / "out.csv", year{2003} / May));
    EXPECT_EQ(test::ReadBytes(dir / "out.csv"), "old export");
}

}  // namespace
}  // namespace yomida
