#include <gtest/gtest.h>

#include "app/MainWindowLogic.h"
#include "support/FormFixture.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;
using test::U8;

class CsvExportTest : public test::FormFixture {
protected:
    void Rows(int n) {
        form.List.ComboGrid1.SetRowCount(n + 1);
        for (int r = 1; r <= n; ++r) {
            const std::string i = std::to_string(r);
            for (int c = 0; c < 8; ++c) {
                form.List.ComboGrid1.SetCell(c, r, c == 3 ? i : "c" + std::to_string(c) + "r" + i);
            }
        }
    }
    std::string Export() {
        ui.saveAnswers.push_back(dir / "out.csv");
        form.SaveCSVExecute();
        return U8(test::ReadBytes(dir / "out.csv"));
    }
};

TEST_F(CsvExportTest, FirstThirtyRowsInGridOrder) {
    Rows(45);
    form.List.ComboGrid1.SetCell(3, 2, Sj("上"));
    form.List.ComboGrid1.SetCell(4, 1, Sj("say \"hi\""));
    const std::string csv = Export();
    EXPECT_TRUE(
        csv.starts_with("2003/05/1,\"say \"hi\"\",c6r1,\"c5r1\",\"c2r1\"\r\n"
                        "2003/05/上,\"c4r2\",c6r2,\"c5r2\",\"c2r2\"\r\n"))
        << csv;
    EXPECT_TRUE(csv.ends_with("2003/05/30,\"c4r30\",c6r30,\"c5r30\",\"c2r30\"\r\n"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 30);
    EXPECT_EQ(form.CurrentSettings().csvFolder, (dir.path() / "").string());
    EXPECT_EQ(ui.dialogRequests.back().initialFolder, "");
    Export();
    EXPECT_EQ(ui.dialogRequests.back().initialFolder, (dir.path() / "").string());
}

TEST_F(CsvExportTest, EmptyGridExportsTheEmptyRow) {
    EXPECT_EQ(Export(), "2003/05/,\"\",,\"\",\"\"\r\n");
}

TEST_F(CsvExportTest, CancelWritesNothingAndAFailedWriteKeepsTheOldFile) {
    Rows(2);
    form.SaveCSVExecute();  // no answer scripted: cancelled
    EXPECT_FALSE(std::filesystem::exists(dir / "out.csv"));
    EXPECT_EQ(form.CurrentSettings().csvFolder, "");

    test::WriteBytes(dir / "out.csv", "old export");
    std::filesystem::permissions(dir / "out.csv", std::filesystem::perms::owner_read);
    ui.saveAnswers.push_back(dir / "out.csv");
    EXPECT_ANY_THROW(form.SaveCSVExecute());
    EXPECT_EQ(test::ReadBytes(dir / "out.csv"), "old export");
}

}  // namespace
}  // namespace yomida
