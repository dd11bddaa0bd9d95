#include <gtest/gtest.h>

#include "engine/WatchMemory.h"
#include "support/FormFixture.h"

namespace yomida {
namespace {

using test::Sj;
using test::U8;

class WatchActionsTest : public test::FormFixture {
protected:
    std::filesystem::path SavedPage(const std::string& name = "page.html") {
        const std::filesystem::path copy = dir / "saved" / name;
        std::filesystem::create_directories(copy.parent_path());
        std::filesystem::copy_file(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html",
                                   copy, std::filesystem::copy_options::overwrite_existing);
        return copy;
    }
    std::filesystem::path DataFile() { return form.CurrentSettings().dataFolder / "comic0305.csv"; }
    // What the window's event loop does for a scan: start it, then see it to its end.
    void Scan() {
        form.Watch.WatchScanExecute();
        form.Watch.WatchScanWait();
    }
};

TEST_F(WatchActionsTest, DroppedPageIsImportedForTheSelectedPeriodWithoutTheBrowser) {
    Start();
    ASSERT_EQ(form.CurrentSettings().category, 1);
    form.DropImport(dir / "list.txt");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, ScriptedUi::Kind::Warning);

    form.DropImport(SavedPage("Page.HTML"));
    EXPECT_TRUE(ui.shellOpened.empty());
    EXPECT_EQ(test::ReadDataFile(DataFile()).size(), 7u);
    EXPECT_EQ(form.List.ComboGrid1.RowCount(), 7);
    EXPECT_EQ(form.CurrentSettings().htmlFolder, (dir / "saved" / "").string());

    // A broken page asks first, then keeps the stored list.
    const std::filesystem::path broken = dir / "saved" / "broken.html";
    std::filesystem::copy_file(std::filesystem::path(YOMIDA_TEST_DATA) / "broken" / "empty.html",
                               broken);
    ui.confirmAnswers = {true};
    form.DropImport(broken);
    EXPECT_EQ(test::ReadDataFile(DataFile()).size(), 7u);
    EXPECT_EQ(form.List.ComboGrid1.RowCount(), 7);
    EXPECT_TRUE(U8(ui.messages[1].text).starts_with("置いたファイルで"));
}

TEST_F(WatchActionsTest, ConversionAnnouncesNewMatchesAfterTheFirstLook) {
    Start();
    form.ChangeSettings([&](SettingsRecord& s) { s.watchAuthor = Sj("架空,ないない"); });
    Scan();  // nothing stored yet: the first look, which marks nothing
    EXPECT_TRUE(form.Watch.Service().Matches().empty());
    EXPECT_TRUE(
        std::filesystem::exists(form.CurrentSettings().dataFolder / WatchMemory::kWindowFile));

    const auto count = [](const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != text.npos; at = text.find(what, at + 1)) {
            ++n;
        }
        return n;
    };
    std::vector<NewsTitle> announced;
    form.Watch.SetNewsHandler(
        [&](size_t fresh, const std::vector<NewsTitle>& titles, size_t changes) {
            announced = titles;
            EXPECT_EQ(fresh, titles.size());
            EXPECT_EQ(changes, 0u);
        });
    form.DropImport(SavedPage());
    EXPECT_EQ(form.Watch.Service().NewCount(), 3u);
    EXPECT_EQ(U8(form.StBar.panels[0].text), "ウォッチ: 新着 3件");
    ASSERT_EQ(announced.size(), 3u) << "the desktop is told, with the titles";
    EXPECT_EQ(
        count(test::ReadBytes(form.CurrentSettings().dataFolder / "watch.ics"), "BEGIN:VEVENT"), 3u)
        << "the subscribed calendar follows a new list at once";

    Scan();
    ASSERT_EQ(form.Watch.Service().Matches().size(), 3u);
    EXPECT_TRUE(form.Watch.Service().Matches()[0].isNew);
    EXPECT_EQ(announced[0].title, form.Watch.Service().Matches()[0].Cell(kTitleCol));
    EXPECT_EQ(U8(form.Watch.Service().Matches()[0].dateText), "2003/05/03");
    EXPECT_EQ(form.Watch.Service().NewCount(), 0u);
    // The scan rewrote the subscribed files: every match an event, every new one an entry.
    EXPECT_EQ(
        count(test::ReadBytes(form.CurrentSettings().dataFolder / "watch.ics"), "BEGIN:VEVENT"),
        3u);
    EXPECT_EQ(count(test::ReadBytes(form.CurrentSettings().dataFolder / "watch.atom"), "<entry>"),
              3u);
    Scan();
    EXPECT_FALSE(form.Watch.Service().Matches()[0].isNew);
    EXPECT_EQ(count(test::ReadBytes(form.CurrentSettings().dataFolder / "watch.atom"), "<entry>"),
              3u)
        << "entries stay once no longer new";
    EXPECT_EQ(ui.messagePumps, 0) << "the scan never turns the message loop inside a handler";

    form.WatchOpenMatch(form.Watch.Service().Matches()[2]);
    const ComboGrid& grid = form.List.ComboGrid1;
    EXPECT_EQ(U8(grid.Cell(kTitleCol, grid.Row())),
              U8(form.Watch.Service().Matches()[2].Cell(kTitleCol)));
}

TEST_F(WatchActionsTest, MatchOfAnotherCategoryOpensItsOwnPeriodInOneDisplay) {
    Start();
    form.ONLINEExecute();
    form.ChangeSettings([&](SettingsRecord& s) { s.watchAuthor = Sj("尾田"); });
    test::WriteDataFile(form.CurrentSettings().dataFolder / "bngei0212.csv",
                        {"No,□,出版社,発売日,タイトル,作者,価格", "1,0,社,2,小説,甲,1",
                         "4,0,集英社,20,ワンピース 小説,尾田,600"});
    Scan();
    ASSERT_EQ(form.Watch.Service().Matches().size(), 1u);
    EXPECT_EQ(ui.Cursor(), CursorShape::Default);

    // Nothing is stored for May in that category: a display of May would ask to download it.
    form.WatchOpenMatch(form.Watch.Service().Matches()[0]);
    EXPECT_TRUE(ui.messages.empty()) << U8(ui.messages.at(0).text);
    EXPECT_EQ(form.CurrentSettings().category, 6);
    EXPECT_EQ(form.TView.selected, TreeNodeOf(6));
    EXPECT_TRUE(form.CategoryActions[6].checked);
    EXPECT_EQ(U8(form.EdtCalen), "2002年12月");
    EXPECT_EQ(form.Source.DataFilePath(), form.CurrentSettings().dataFolder / "bngei0212.csv");
    const ComboGrid& grid = form.List.ComboGrid1;
    EXPECT_EQ(U8(grid.Cell(kTitleCol, grid.Row())), "ワンピース 小説");
}

TEST_F(WatchActionsTest, TheWindowIsBusyWhileItScansAndTheScanIsNotReentered) {
    Start();
    form.ChangeSettings([&](SettingsRecord& s) { s.watchAuthor = Sj("尾田"); });
    test::WriteDataFile(
        form.CurrentSettings().dataFolder / "comic0305.csv",
        {"No,□,出版社,発売日,タイトル,作者,価格", "1,0,講談社,15,ワンピース,尾田,1"});
    test::WriteDataFile(form.CurrentSettings().dataFolder / "comic0306.csv",
                        {"No,□,出版社,発売日,タイトル,作者,価格", "1,0,講談社,15,別,甲,1"});
    // One file a step, so the test sees every stage the window's event loop would.
    form.Watch.SetWatchScanWorkers(0);
    form.Watch.WatchScanExecute();
    EXPECT_EQ(ui.messagePumps, 0) << "the handler returns without turning the message loop";
    EXPECT_TRUE(form.Watch.WatchScanning());
    EXPECT_TRUE(form.Displaying());
    EXPECT_EQ(ui.Cursor(), CursorShape::Hourglass);
    EXPECT_TRUE(form.Busy.progressVisible);
    EXPECT_TRUE(form.Busy.cancelVisible);
    EXPECT_EQ(U8(form.StBar.panels[0].text), "ウォッチ: 0/2");

    // What a click on ウォッチ結果 or 検索 would run meanwhile.
    form.Watch.WatchScanExecute();
    form.BtnDspClick();
    EXPECT_EQ(form.List.ComboGrid1.RowCount(), 2) << "no display ran under the scan";

    EXPECT_EQ(form.Watch.WatchScanStep(), WatchDisplay::State::Running);
    EXPECT_EQ(U8(form.StBar.panels[0].text), "ウォッチ: 1/2");
    EXPECT_EQ(form.Busy.progress, 50);
    EXPECT_TRUE(form.Displaying());
    EXPECT_EQ(form.Watch.WatchScanStep(), WatchDisplay::State::Ended);
    EXPECT_FALSE(form.Displaying());
    EXPECT_FALSE(form.Busy.progressVisible);
    EXPECT_EQ(ui.Cursor(), CursorShape::Default);
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(form.Watch.Service().Matches().size(), 1u) << "one scan ran, not two";
    EXPECT_EQ(U8(form.StBar.panels[0].text), "ウォッチ: 1件");
    EXPECT_EQ(form.Watch.WatchScanStep(), WatchDisplay::State::Idle);

    // Cancelled, the scan leaves the matches and the memory of what was shown alone.
    test::WriteDataFile(
        form.CurrentSettings().dataFolder / "comic0307.csv",
        {"No,□,出版社,発売日,タイトル,作者,価格", "1,0,講談社,15,ワンピース 2,尾田,1"});
    const std::string seen =
        test::ReadBytes(form.CurrentSettings().dataFolder / WatchMemory::kWindowFile);
    form.Watch.WatchScanExecute();
    form.BtnCancelClick();
    EXPECT_EQ(form.Watch.WatchScanStep(), WatchDisplay::State::Cancelled);
    EXPECT_FALSE(form.Displaying());
    EXPECT_EQ(form.Watch.Service().Matches().size(), 1u);
    EXPECT_EQ(test::ReadBytes(form.CurrentSettings().dataFolder / WatchMemory::kWindowFile), seen);
    EXPECT_EQ(U8(form.StBar.panels[0].text), "ウォッチ: 中止");

    // A memory that cannot be read fails the scan's end, which still frees the window.
    std::filesystem::remove(form.CurrentSettings().dataFolder / WatchMemory::kWindowFile);
    std::filesystem::create_directory(form.CurrentSettings().dataFolder / WatchMemory::kWindowFile);
    form.Watch.SetWatchScanWorkers(std::nullopt);
    form.Watch.WatchScanExecute();
    EXPECT_ANY_THROW(form.Watch.WatchScanWait());
    EXPECT_FALSE(form.Watch.WatchScanning());
    EXPECT_FALSE(form.Displaying());
    EXPECT_EQ(ui.Cursor(), CursorShape::Default);
}

TEST_F(WatchActionsTest, CalendarExportOfTheShownList) {
    Start();
    form.DropImport(SavedPage());
    ui.saveAnswers = {dir / "out.ics"};
    form.CalendarExportExecute();
    const std::string text = test::ReadBytes(dir / "out.ics");
    EXPECT_NE(text.find("DTSTART;VALUE=DATE:20030503\r\n"), std::string::npos);
    EXPECT_EQ(U8(form.StBar.panels[0].text), "カレンダー: 6件");

    // With no dated row there is nothing to put in a calendar: say so, ask for no file.
    ComboGrid& grid = form.List.ComboGrid1;
    for (int r = ComboGrid::kFixedRows; r < grid.RowCount(); ++r) {
        grid.SetCell(kDateCol, r, Sj("未定"));
    }
    ui.messages.clear();
    ui.saveAnswers = {dir / "none.ics"};
    form.CalendarExportExecute();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, ScriptedUi::Kind::Warning);
    EXPECT_EQ(U8(ui.messages[0].text),
              "発売日の決まった行が無いため、カレンダーに出力できません。");
    EXPECT_EQ(ui.saveAnswers.size(), 1u) << "no file was asked for";
    EXPECT_FALSE(std::filesystem::exists(dir / "none.ics"));

    // A search that matches nothing leaves only the blank row: there is no data at all.
    form.List.Filter.CmbSrch1.text = Sj("存在しない出版社");
    form.LoadReleaseList();
    ASSERT_EQ(grid.RecordRowCount(), 1);
    ui.messages.clear();
    form.CalendarExportExecute();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, ScriptedUi::Kind::Warning);
    EXPECT_EQ(U8(ui.messages[0].text), "出力するデータがありません。");
    EXPECT_EQ(ui.saveAnswers.size(), 1u) << "no file was asked for";
}

}  // namespace
}  // namespace yomida
