#include "download/TSUBget.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/ScriptedUi.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;
using test::U8;

class TSUBgetTest : public ::testing::Test {
protected:
    test::TempDir dir;
    ScriptedUi ui;
    FixedClock clock{year_month_day{year{2003}, month{5}, day{7}}};
    Scrambler scrambler{dir / "data"};
    TSUBget data{scrambler, ui, clock};
    SettingsRecord settings;
    bool directFetch = false;
    bool forced = true;
    std::string stamp;
    FetchContext context;

    void SetUp() override {
        settings.DerivePaths(dir / "yomida");
        std::filesystem::create_directory(settings.dataFolder);
        scrambler.SetMarkerFoundHandler([this] { directFetch = false; });
        context.category = 1;
        context.directFetch = &directFetch;
        context.sourceUrl = "https://example.invalid/list";
        context.dataFile = settings.dataFolder / "comic0305.csv";
        context.settings = &settings;
        context.stampPrefix = &stamp;
        context.forcedDownload = &forced;
    }
    std::filesystem::path SamplePage() {
        const std::filesystem::path copy = dir / "saved" / "page.html";
        std::filesystem::create_directories(copy.parent_path());
        std::filesystem::copy_file(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html",
                                   copy, std::filesystem::copy_options::overwrite_existing);
        return copy;
    }
};

TEST_F(TSUBgetTest, HtmlImportOpensTheBrowserAndConvertsTheSavedPage) {
    EXPECT_TRUE(data.FetchSource(context)) << "No: nothing happens, the display goes on";
    EXPECT_FALSE(forced) << "every fetch clears the forced download";
    EXPECT_TRUE(ui.shellOpened.empty());

    ui.confirmAnswers = {true};
    EXPECT_TRUE(data.FetchSource(context)) << "cancelled dialog";
    EXPECT_EQ(ui.shellOpened, std::vector<std::string>{"https://example.invalid/list"});
    EXPECT_EQ(U8(ui.dialogRequests.back().filter), "HTMLﾌｧｲﾙ|*.htm;*.html|すべてのﾌｧｲﾙ|*.*");
    EXPECT_FALSE(std::filesystem::exists(context.dataFile));

    ui.confirmAnswers = {true};
    ui.openAnswers = {SamplePage()};
    EXPECT_TRUE(data.FetchSource(context));
    EXPECT_EQ(test::ReadDataFile(context.dataFile).size(), 7u);
    EXPECT_EQ(settings.htmlFolder, ((dir / "saved") / "").string());
    ui.confirmAnswers = {true};
    data.FetchSource(context);
    EXPECT_EQ(ui.dialogRequests.back().initialFolder, (dir / "saved" / "").string());
    EXPECT_TRUE(
        U8(ui.messages[0].text).starts_with("発売日一覧のページをブラウザで表示します。\n\r"));
}

TEST_F(TSUBgetTest, CsvImportStartsTheSiblingProgramWhenItIsThere) {
    context.category = 11;
    ui.confirmAnswers = {true};
    EXPECT_TRUE(data.FetchSource(context));
    EXPECT_TRUE(ui.programsStarted.empty()) << "no sibling program beside ours";
    EXPECT_EQ(U8(ui.messages[0].text),
              "KOSUMIRAで取り込んだCSVファイルが必要です。\n\rYOMIDAでそのファイルを読み込ませて下"
              "さい。");

    test::WriteBytes(settings.siblingProgram, "");
    ui.confirmAnswers = {true};
    ui.openAnswers = {dir / "neo" / "list.csv"};
    data.FetchSource(context);
    EXPECT_EQ(ui.programsStarted, std::vector<std::filesystem::path>{settings.siblingProgram});
    EXPECT_EQ(settings.neoWingFolder, (dir / "neo" / "").string());
    EXPECT_EQ(U8(ui.dialogRequests.back().filter), "CSVﾌｧｲﾙ|*.csv|すべてのﾌｧｲﾙ|*.*");
}

TEST_F(TSUBgetTest, DirectFetchWithoutTheHttpClientFailsAndTheMarkerForcesTheImport) {
    directFetch = true;
    EXPECT_FALSE(data.FetchSource(context));
    EXPECT_EQ(U8(ui.messages.back().text), "データ取得処理：エラー！！");

    test::WriteBytes(settings.dataFolder / "コミック", "");
    ui.messages.clear();
    EXPECT_TRUE(data.FetchSource(context));
    EXPECT_FALSE(directFetch);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, ScriptedUi::Kind::Confirm);
}

TEST_F(TSUBgetTest, StoredStamp) {
    EXPECT_EQ(data.ReadStoredStamp(context.dataFile), "");
    test::WriteDataFile(context.dataFile, {"\"Mon, 05 May 2003 10:00:00 GMT\",No,□,出版社"});
    EXPECT_EQ(data.ReadStoredStamp(context.dataFile), "Mon, 05 May 2003 10:00:00 GMT");
    test::WriteDataFile(context.dataFile, {"No,□,出版社"});
    EXPECT_EQ(data.ReadStoredStamp(context.dataFile), "No");
    test::WriteBytes(context.dataFile, "");
    EXPECT_EQ(data.ReadStoredStamp(context.dataFile), "");
}

}  // namespace
}  // namespace yomida
