#include <gtest/gtest.h>

#include "settings/SettingsFile.h"
#include "support/FormFixture.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

class SettingsAtCloseTest : public test::FormFixture {
protected:
    std::filesystem::path Ini() const { return dir / "yomida.INI"; }
};

TEST_F(SettingsAtCloseTest, ClosingKeepsWhatAnotherProgramChangedUnlessTheWindowChangedItToo) {
    test::WriteBytes(Ini(), "[SCHEDULE]\r\nON=0\r\nHOUR=7\r\n[MINE]\r\nKEEP=me\r\n");
    Start();
    // yomida-cli schedule on --hour 5, while the window is open.
    SettingsRecord other;
    ReadSettingsFile(Ini(), other);
    other.scheduleOn = true;
    other.scheduleHour = 5;
    other.fontSize = 12;
    WriteSettingsFile(other, Ini());
    // The window's own change of a key another program changed too wins.
    form.ChangeSettings([](SettingsRecord& s) { s.fontSize = 14; });

    ASSERT_TRUE(form.FormClose());
    const std::string text = test::ReadBytes(Ini());
    EXPECT_NE(text.find("[SCHEDULE]\r\nON=1\r\nHOUR=5\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("SIZE=14\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[MINE]\r\nKEEP=me\r\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace yomida
