#include "settings/WatchWordsForm.h"

#include <gtest/gtest.h>

#include "settings/SettingsFile.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::Sj;

TEST(WatchWordsForm, LinesBecomeCommaTextsAndComeBackWhole) {
    SettingsRecord settings;
    WatchWordsForm form(settings);
    form.FormShow();
    EXPECT_TRUE(form.Memo[1].empty());  // a settings file without the section watches nothing
    form.Memo[0] = {Sj("講談社"), "", Sj("  集英社 ")};
    form.Memo[1] = {"ONE PIECE", "a,b", "say \"hi\""};
    form.BtnOkClick();
    EXPECT_EQ(settings.watchPublisher, Sj("講談社,集英社"));
    EXPECT_EQ(settings.watchTitle, "ONE PIECE,\"a,b\",\"say \"\"hi\"\"\"");

    test::TempDir dir;
    WriteSettingsFile(settings, dir / "YOMIDA.INI");
    SettingsRecord reread;
    ReadSettingsFile(dir / "YOMIDA.INI", reread);
    WatchWordsForm again(reread);
    again.FormShow();
    EXPECT_EQ(again.Memo[0], (std::vector<std::string>{Sj("講談社"), Sj("集英社")}));
    EXPECT_EQ(again.Memo[1], (std::vector<std::string>{"ONE PIECE", "a,b", "say \"hi\""}));
}

}  // namespace
}  // namespace yomida
