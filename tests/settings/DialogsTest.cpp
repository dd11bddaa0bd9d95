#include <gtest/gtest.h>

#include "app/MainWindowLogic.h"
#include "settings/SettingsFile.h"
#include "support/FormFixture.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"
#include "text/CommaText.h"
#include "text/Numbers.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;
using test::U8;

class DialogsTest : public test::FormFixture {
protected:
    void SetUp() override { Start(); }
    std::vector<std::string> Messages() {
        std::vector<std::string> texts;
        for (const auto& m : ui.messages) {
            texts.push_back(U8(m.text));
        }
        ui.messages.clear();
        return texts;
    }
    // What a button gave back, kept as the window would show it.
    void Said(const Result<void>& done) {
        if (!done) {
            ui.messages.push_back({ScriptedUi::Kind::Error, done.ErrorText()});
        }
    }
    void Add(const std::string& name) {
        form.slist.EdtName = Sj(name);
        Said(form.slist.BtnAddClick());
    }
};

TEST_F(DialogsTest, SavingAConditionAndApplyingItAgain) {
    form.List.CmbSort.itemIndex = 2;
    form.List.Filter.CmbSrch1.text = "A,B";
    form.JoukenSaveExecute();
    Add("x");
    form.List.CmbSort.itemIndex = 0;
    form.List.Filter.CbDate.checked = true;
    form.List.Filter.SEdtF.value = 10;
    form.List.Filter.SEdtT.value = 20;
    form.List.Filter.Cb2.checked = false;
    form.List.Filter.CmbSrch2.text = Sj("ワン　ピース");
    Add("  y  ");
    form.slist.BtnOKClick();
    EXPECT_EQ(form.CurrentSettings().conditions[0],
              (SavedCondition{"x", "2,0,0,0,0,0,0", "A,B", "", ""}));
    EXPECT_EQ(form.CurrentSettings().conditions[1][1], "0,1,10,20,1,0,1");
    EXPECT_EQ(form.CurrentSettings().conditions[1][0], "y");
    EXPECT_EQ(form.Conditions.Jouken[1].caption, "y");
    EXPECT_EQ(form.Conditions.Jouken[2].caption, "") << "a free slot has an empty caption";

    form.Conditions.JoukenDelExecute();
    EXPECT_FALSE(form.List.Filter.CbDate.checked);
    EXPECT_EQ(form.List.Filter.CmbSrch1.text, "");
    EXPECT_EQ(form.List.CmbSort.itemIndex, 0) << "clearing keeps the order";
    form.List.Filter.SEdtF.value = 3;
    form.Conditions.JoukenExecute(1);
    EXPECT_EQ(form.List.CmbSort.itemIndex, 2);
    EXPECT_FALSE(form.List.Filter.CbDate.checked);
    EXPECT_EQ(form.List.Filter.SEdtF.value, 3) << "range off: days keep their values";
    EXPECT_EQ(form.List.Filter.CmbSrch1.text, "A,B");
    form.Conditions.JoukenExecute(2);
    EXPECT_TRUE(form.List.Filter.CbDate.checked && form.List.Filter.Pnl1.visible);
    EXPECT_EQ(form.List.Filter.SEdtF.value, 10);
    EXPECT_EQ(form.List.Filter.SEdtT.value, 20);
    EXPECT_TRUE(form.List.Filter.Cb1.checked && !form.List.Filter.Cb2.checked &&
                form.List.Filter.Cb3.checked);
    EXPECT_EQ(U8(form.List.Filter.CmbSrch2.text), "ワン　ピース");
    form.Conditions.JoukenExecute(3);  // a free slot does nothing
    EXPECT_EQ(U8(form.List.Filter.CmbSrch2.text), "ワン　ピース");

    form.FormClose();
    const std::string ini = test::ReadBytes(dir / "yomida.INI");
    EXPECT_NE(ini.find("NAME_1=x\r\nDATE_1=2,0,0,0,0,0,0\r\nJKN1_1=A,B\r\nJKN2_1=\r\nJKN3_1=\r\n"),
              std::string::npos);
}

TEST_F(DialogsTest, MalformedStoredConditions) {
    form.ChangeSettings([&](SettingsRecord& s) {
        s.conditions[0] = {"bad", "1,2,3", "P", "", ""};
    });
    form.ChangeSettings([&](SettingsRecord& s) {
        s.conditions[1] = {"worse", "x,1,1,1,1,1,1", "Q", "", ""};
    });
    form.List.Filter.CmbSrch1.text = "keep";
    form.Conditions.JoukenExecute(1);
    EXPECT_EQ(form.List.Filter.CmbSrch1.text, "keep") << "not seven options: nothing at all";
    EXPECT_THROW(form.Conditions.JoukenExecute(2), ConversionError);
}

TEST_F(DialogsTest, ListDialogRulesAndMessages) {
    form.JoukenSaveExecute();
    form.slist.EdtName = "   ";
    Said(form.slist.BtnAddClick());
    for (int i = 1; i <= 10; ++i) {
        Add("c" + std::to_string(i));
    }
    EXPECT_EQ(form.slist.LbxNameIndex, 9) << "the new entry is selected";
    Add("c11");
    Add("c3");
    form.slist.LbxNameIndex = -1;
    Said(form.slist.BtnRepClick());
    Said(form.slist.BtnDelClick());
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "検索条件名称を入力して下さい。", "これ以上追加できません。",
                              "これ以上追加できません。", "置換対象を選択して下さい。",
                              "削除対象を選択して下さい。"}));

    form.slist.LbxNameIndex = 0;
    form.slist.LbxNameClick();
    EXPECT_EQ(form.slist.EdtName, "c1");
    EXPECT_TRUE(form.slist.LbxNameHint.starts_with("c1\n\r"));
    Said(form.slist.BtnRepClick());  // keeping its own name is fine
    EXPECT_EQ(form.slist.LbxNameIndex, -1) << "refreshing the list loses the selection";
    form.slist.LbxNameIndex = 0;
    form.slist.EdtName = "c2";
    Said(form.slist.BtnRepClick());
    EXPECT_EQ(Messages(), std::vector<std::string>{"同じ検索条件名称があります。"});

    Said(form.slist.BtnUpClick());  // the first entry: nothing happens
    EXPECT_EQ(form.slist.LbxName[0], "c1");
    Said(form.slist.BtnDownClick());
    EXPECT_EQ(form.slist.LbxName[1], "c1");
    EXPECT_EQ(form.slist.LbxNameIndex, 1);
    form.slist.LbxNameIndex = 9;
    Said(form.slist.BtnDownClick());
    EXPECT_EQ(form.slist.LbxName[9], "c10");

    form.slist.LbxNameIndex = 0;
    Said(form.slist.BtnDelClick());
    EXPECT_EQ(form.slist.LbxName.size(), 9u);
    EXPECT_EQ(form.slist.LbxName[0], "c1");
    EXPECT_EQ(form.slist.Working[9], SavedCondition{});

    // Cancel: the main window's slots never changed, and the next opening shows them.
    EXPECT_EQ(form.CurrentSettings().conditions[0][0], "");
    form.JoukenSaveExecute();
    EXPECT_TRUE(form.slist.LbxName.empty());
}

TEST_F(DialogsTest, WordListEditor) {
    form.List.Filter.CmbSrch1.text = "B,A,B,,C";
    form.EditSYUPPANExecute();
    EXPECT_EQ(form.edit.Memo1, (std::vector<std::string>{"", "A", "B", "C"}));
    EXPECT_EQ(form.edit.EdtName, "CmbSrch1");
    form.edit.BtnOKClick();
    EXPECT_EQ(form.List.Filter.CmbSrch1.text, ",A,B,C");
    EXPECT_FALSE(form.edit.visible);

    form.List.Filter.CmbSrch2.text = "AB CD,EF,ab";
    form.EditTITLEExecute();
    EXPECT_EQ(form.edit.Memo1.size(), 4u) << "a half-width space separates words";
    EXPECT_EQ(form.edit.Memo1.front().size(), 2u);
    form.List.Filter.CmbSrch3.text = "x";
    form.EditSAKUSYAExecute();  // switches the editor to another box
    form.edit.Memo1.clear();
    form.edit.BtnOKClick();
    EXPECT_EQ(form.List.Filter.CmbSrch3.text, "");
    EXPECT_EQ(form.List.Filter.CmbSrch2.text, "AB CD,EF,ab") << "the earlier box is untouched";
}

TEST_F(DialogsTest, CopyCheckedTitlesAndAuthors) {
    form.List.ComboGrid1.SetRowCount(151);
    for (int r = 1; r <= 150; ++r) {
        form.List.ComboGrid1.SetTicked(r, true);
        form.List.ComboGrid1.SetCell(4, r, "T " + std::to_string(r));
        form.List.ComboGrid1.SetCell(5, r, r == 2 ? "" : "A " + std::to_string(r));
    }
    form.List.Filter.CmbSrch2.text = "old word";
    form.CopyTITLEExecute();
    const std::vector<std::string> titles = SplitCommaText(form.List.Filter.CmbSrch2.text);
    ASSERT_EQ(titles.size(), 101u);
    EXPECT_EQ(U8(titles[0]), "old　word");
    EXPECT_EQ(U8(titles[100]), "T　100");

    form.List.Filter.CmbSrch3.text = "A";
    form.CopySAKUSYAExecute();
    EXPECT_TRUE(form.List.Filter.CmbSrch3.text.starts_with("A,A 1,,A 3"))
        << form.List.Filter.CmbSrch3.text;

    for (int r = 1; r <= 150; ++r) {
        form.List.ComboGrid1.SetTicked(r, false);
    }
    form.List.Filter.CmbSrch2.text = "a b";
    form.List.Filter.CmbSrch3.text = "c d";
    form.CopyTITLEExecute();
    form.CopySAKUSYAExecute();
    EXPECT_EQ(U8(form.List.Filter.CmbSrch2.text), "a　b");
    EXPECT_EQ(form.List.Filter.CmbSrch3.text, "c d");
}

TEST_F(DialogsTest, SetupDialog) {
    form.SETUPExecute();
    EXPECT_EQ(U8(form.setup.EdtFontName), "ＭＳ ゴシック");
    EXPECT_EQ(form.setup.EdtFontSize, "9");
    EXPECT_EQ(form.setup.EdtSyoDate, (year_month_day{year{2001}, month{1}, day{13}}));
    EXPECT_EQ(form.setup.EdtSyoNo, "1200");
    EXPECT_EQ(form.setup.EdtListId, "2003/05");
    EXPECT_EQ(form.setup.EdtPORT, "0");
    EXPECT_TRUE(form.setup.CbxCheck);
    EXPECT_FALSE(form.setup.CbxHeader);
    EXPECT_TRUE(form.setup.CbxDirect);
    EXPECT_TRUE(FetchesDirectly(1, form.CurrentSettings()))
        << "まんが王倶楽部 is downloaded directly";

    FontChoice twelve;
    twelve.name = "IPAGothic";
    twelve.size = 12;
    form.setup.TakeFont(twelve);
    form.setup.EdtPORT = "8080x";
    form.setup.EdtPROXY = "proxy.example";
    Said(form.setup.BtnOKClick());
    EXPECT_EQ(form.CurrentSettings().port, 0);
    EXPECT_EQ(form.CurrentSettings().fontSize, 12);
    EXPECT_EQ(form.CurrentSettings().gridRowHeight, 18)
        << "12 points at 96 dpi is 16 pixels, plus 2";
    EXPECT_EQ(form.CurrentSettings().proxy, "proxy.example");

    // 直接取得する off: まんが王倶楽部 goes back to the import by hand at once.
    form.SETUPExecute();
    form.setup.CbxDirect = false;
    Said(form.setup.BtnOKClick());
    EXPECT_FALSE(form.CurrentSettings().directFetch);
    EXPECT_FALSE(FetchesDirectly(1, form.CurrentSettings()));
    const std::filesystem::path file = dir / "round.ini";
    WriteSettingsFile(form.CurrentSettings(), file);
    const std::string written = test::ReadBytes(file);
    EXPECT_NE(
        written.find("[INTERNET]\r\nPROXY=proxy.example\r\nPORT=0\r\nDIALUP=0\r\nDIRECT=0\r\n"),
        std::string::npos);
    SettingsRecord reread;
    ReadSettingsFile(file, reread);
    EXPECT_FALSE(reread.directFetch);
    WriteSettingsFile(reread, file);
    EXPECT_EQ(test::ReadBytes(file), written) << "the settings file round-trips byte for byte";
    test::WriteBytes(file, "[INTERNET]\r\nPROXY=\r\n");
    ReadSettingsFile(file, reread);
    EXPECT_TRUE(reread.directFetch) << "on when the file does not say";
    form.SETUPExecute();
    EXPECT_FALSE(form.setup.CbxDirect);
    form.setup.CbxDirect = true;
    Said(form.setup.BtnOKClick());
    EXPECT_TRUE(FetchesDirectly(1, form.CurrentSettings()));

    // Typed numbers at the ends of the integer range are held as the settings file's are.
    form.SETUPExecute();
    form.setup.EdtFontSize = "2147483647";
    form.setup.EdtSyoNo = "-2147483648";
    Said(form.setup.BtnOKClick());
    EXPECT_EQ(form.CurrentSettings().fontSize, 1000);
    EXPECT_EQ(form.CurrentSettings().weekBaseNumber, -10'000'000);
    EXPECT_EQ(form.CurrentSettings().gridRowHeight, 1335);
    form.SETUPExecute();
    form.setup.EdtFontSize = "12";
    form.setup.EdtSyoNo = "1200";
    Said(form.setup.BtnOKClick());

    // A start number that is no number stops at that step.
    form.SETUPExecute();
    form.setup.EdtFontSize = "10";
    form.setup.EdtSyoNo = "12x";
    form.setup.EdtPROXY = "never.taken";
    EXPECT_THROW(Said(form.setup.BtnOKClick()), ConversionError);
    EXPECT_EQ(form.CurrentSettings().fontSize, 10);
    EXPECT_EQ(form.CurrentSettings().proxy, "proxy.example");
    EXPECT_EQ(form.CurrentSettings().gridRowHeight, 18) << "the settings were not applied";

    // A list month the まんがの森 list cannot count from is refused the same way.
    for (const char* listId : {"2003年5月", "", "2003", "abcd"}) {
        form.SETUPExecute();
        form.setup.EdtListId = Sj(listId);
        EXPECT_THROW(Said(form.setup.BtnOKClick()), ConversionError) << listId;
        EXPECT_EQ(form.CurrentSettings().listId, "2003/05") << listId;
    }
    form.SETUPExecute();
    form.setup.EdtListId = "2004/11";
    Said(form.setup.BtnOKClick());
    EXPECT_EQ(form.CurrentSettings().listId, "2004/11");

    form.VERSIONExecute();
    EXPECT_EQ(U8(form.ver.LblVer1), "書籍発売日検索プログラム");
    EXPECT_EQ(form.ver.LblVer2, "YOMIDA Ver. 2.0.2.0");
    form.ver.LblVer5Click();
    EXPECT_EQ(ui.shellOpened.back(), form.ver.LblVer5);
}

TEST_F(DialogsTest, SetupSchedulePageSwitchesOnlyOnAChangeAndKeepsTheOldOnRefusal) {
    std::vector<std::pair<bool, int>> switched;
    std::string refusal;
    form.setup.ApplySchedule = [&](bool on, int hour) {
        switched.emplace_back(on, hour);
        return refusal;
    };
    form.SETUPExecute();
    EXPECT_FALSE(form.setup.CbxSchedule);
    EXPECT_EQ(form.setup.SpnHour, 7);
    EXPECT_FALSE(form.setup.CbxAlarm);

    // OK with the schedule untouched asks nothing of systemd.
    form.setup.CbxAlarm = true;
    Said(form.setup.BtnOKClick());
    EXPECT_TRUE(switched.empty());
    EXPECT_TRUE(form.CurrentSettings().scheduleAlarm);

    form.SETUPExecute();
    form.setup.CbxSchedule = true;
    form.setup.SpnHour = 5;
    Said(form.setup.BtnOKClick());
    EXPECT_EQ(switched, (std::vector<std::pair<bool, int>>{{true, 5}}));
    EXPECT_TRUE(form.CurrentSettings().scheduleOn);
    EXPECT_EQ(form.CurrentSettings().scheduleHour, 5);

    // No user manager: the words are shown and the stored schedule stays; the rest is taken.
    refusal = "systemd のユーザーマネージャーが見つからないため、自動更新を設定できません。";
    form.SETUPExecute();
    EXPECT_EQ(form.setup.SpnHour, 5);
    form.setup.SpnHour = 40;
    form.setup.EdtPROXY = "taken.example";
    Said(form.setup.BtnOKClick());
    EXPECT_EQ(switched.back(), (std::pair<bool, int>{true, 23}))
        << "the hour is held within the day";
    EXPECT_EQ(Messages(), std::vector<std::string>{refusal});
    EXPECT_EQ(form.CurrentSettings().scheduleHour, 5);
    EXPECT_TRUE(form.CurrentSettings().scheduleOn);
    EXPECT_EQ(form.CurrentSettings().proxy, "taken.example");

    refusal.clear();
    form.SETUPExecute();
    form.setup.CbxSchedule = false;
    Said(form.setup.BtnOKClick());
    EXPECT_EQ(switched.back(), (std::pair<bool, int>{false, 5}));
    EXPECT_FALSE(form.CurrentSettings().scheduleOn);

    const std::filesystem::path file = dir / "schedule.ini";
    WriteSettingsFile(form.CurrentSettings(), file);
    const std::string written = test::ReadBytes(file);
    EXPECT_NE(written.find("[SCHEDULE]\r\nON=0\r\nHOUR=5\r\nALARM=1\r\n"), std::string::npos);
    SettingsRecord reread;
    ReadSettingsFile(file, reread);
    EXPECT_EQ(reread.scheduleHour, 5);
    EXPECT_TRUE(reread.scheduleAlarm);
    WriteSettingsFile(reread, file);
    EXPECT_EQ(test::ReadBytes(file), written) << "the settings file round-trips byte for byte";
    test::WriteBytes(file, "[SCHEDULE]\r\nON=1\r\nHOUR=-3\r\n");
    ReadSettingsFile(file, reread);
    EXPECT_TRUE(reread.scheduleOn);
    EXPECT_EQ(reread.scheduleHour, 0);
}

}  // namespace
}  // namespace yomida
