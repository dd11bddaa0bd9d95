#include <gtest/gtest.h>

#include "app/MainWindowLogic.h"
#include "support/FormFixture.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
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

// What an export writes is the engine's (tests/engine/CsvExportTest.cpp); the window adds the
// dialog, the remembered folder and the target month.
TEST_F(CsvExportTest, TheTargetMonthDatesTheRowsAndTheFolderIsRemembered) {
    Rows(45);
    const std::string csv = Export();
    EXPECT_TRUE(csv.starts_with("2003/05/1,\"c4r1\",c6r1,\"c5r1\",\"c2r1\"\r\n")) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 30);
    EXPECT_EQ(form.CurrentSettings().csvFolder, (dir.path() / "").string());
    EXPECT_EQ(ui.dialogRequests.back().initialFolder, "");
    Export();
    EXPECT_EQ(ui.dialogRequests.back().initialFolder, (dir.path() / "").string());
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
    EXPECT_EQ(ui.Cursor(), CursorShape::Default);
}

}  // namespace
}  // namespace yomida
