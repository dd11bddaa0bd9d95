#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include "Named.h"
#include "desktop/HealthWindow.h"
#include "desktop/MainWindow.h"
#include "support/DefinedSourcesFixture.h"
#include "support/FormFixture.h"
#include "support/LoopbackServer.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

namespace yomida::qt {
namespace {

using namespace std::chrono;

// The built-in definitions and a user's file that cannot be read, as the program loads them.
DefinitionSet BuiltInsAndABrokenOne(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir / "user");
    test::WriteBytes(dir / "user" / "mine.yaml", "schema: 1\nid: mine\nnumber: 16x\n");
    return LoadDefinitions({YOMIDA_BUILTIN_SOURCES, dir / "user"}, DefinitionReader("2.0.2.0"));
}

// The window started with the sources defined as data installed before it, on 2026/12/08, its
// download manager's pacer never waiting on the clock.
class DefinedSourcesGuiTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::ScopedDefinitions installed{BuiltInsAndABrokenOne(dir.path())};
    ScriptedUi ui;
    FixedClock clock{year{2026} / December / 8};
    PosixTcpConnector tcp;
    HostPacer::Clock::time_point now{};
    DownloadManager downloads{
        clock, tcp, HostPacer([this] { return now; }, [this](milliseconds m) { now += m; })};
    MainWindowLogic form{ui, clock, downloads};
    std::unique_ptr<MainWindow> window;

    void Open(const std::string& ini) {
        test::WriteBytes(dir / "yomida.INI", ini);
        window = std::make_unique<MainWindow>(form);
        ASSERT_TRUE(form.FormCreate(dir / "yomida"));
        window->Push();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    QMenu* SubMenu(QMenu* menu, const QString& caption) {
        for (QAction* a : menu->actions()) {
            if (a->menu() != nullptr && a->text().startsWith(caption)) {
                return a->menu();
            }
        }
        return nullptr;
    }
};

TEST_F(DefinedSourcesGuiTest, TheWindowShowsFetchesAndRecordsTheDefinedCategories) {
    const std::string ok = "HTTP/1.0 200 OK\r\nContent-Type: application/rss+xml\r\n\r\n";
    test::LoopbackServer hanmoto({{ok + test::ReadBytes(std::filesystem::path(YOMIDA_TEST_DATA) /
                                                        "sources" / "hanmoto.rss")}});
    // The page's address over plain HTTP, as a user may point a source elsewhere.
    Open("[FILE]\r\nON_OFF_LINE=ON\r\n[HOSTS]\r\nHANMOTO=127.0.0.1:" +
         std::to_string(hanmoto.Port()) +
         "\r\n[SOURCES]\r\nhanmt=http://{host}/ci/bd/search/sdate/{from}/edate/{until}/order/"
         "asc/vw/rss20/\r\n");

    // One warning at start names the file that cannot be read, its line and why.
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].kind, ScriptedUi::Kind::Warning);
    const std::string warning = test::U8(ui.messages[0].text);
    EXPECT_TRUE(warning.starts_with("次の取得元の定義は読めないため使いません。")) << warning;
    EXPECT_NE(warning.find("mine.yaml:3: \"number\" must be a whole number"), std::string::npos)
        << warning;

    // The tree's new group with its three leaves.
    QTreeWidget* tree = Named<QTreeWidget>(*window, "TView");
    QTreeWidgetItem* group = tree->topLevelItem(tree->topLevelItemCount() - 1);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->text(0), QString::fromUtf8("近刊（公開データ）"));
    ASSERT_EQ(group->childCount(), 3);
    EXPECT_EQ(group->child(0)->text(0), QString::fromUtf8("近刊・全点（国立国会図書館サーチ）"));
    EXPECT_EQ(group->child(2)->text(0), QString::fromUtf8("近刊（版元ドットコム）"));

    // 検索対象 lists them; choosing one selects it, its item checked.
    QMenu* search = nullptr;
    for (QAction* top : window->menuBar()->actions()) {
        if (top->text().startsWith(QString::fromUtf8("検索"))) {
            search = top->menu();
        }
    }
    ASSERT_NE(search, nullptr);
    QMenu* targets = SubMenu(search, QString::fromUtf8("検索対象"));
    ASSERT_NE(targets, nullptr);
    QMenu* recent = SubMenu(targets, QString::fromUtf8("近刊（公開データ）"));
    ASSERT_NE(recent, nullptr);
    ASSERT_EQ(recent->actions().size(), 3);
    QAction* hanmotoItem = recent->actions()[2];
    EXPECT_EQ(hanmotoItem->text(), QString::fromUtf8("近刊（版元ドットコム）"));
    hanmotoItem->trigger();
    EXPECT_EQ(form.CurrentSettings().category, 18);
    EXPECT_TRUE(hanmotoItem->isChecked());
    EXPECT_FALSE(recent->actions()[0]->isChecked());

    // A search fetches the month through the window's one road, after asking.
    ui.confirmAnswers = {true};
    form.BtnDspClick();
    window->Push();
    EXPECT_EQ(form.List.ComboGrid1.RecordRowCount(), 2) << "the two titles of the month";
    ASSERT_EQ(hanmoto.Requests().size(), 1u);
    EXPECT_EQ(hanmoto.Requests()[0].rfind(
                  "GET /ci/bd/search/sdate/2026-12-01/edate/2026-12-31/order/asc/vw/rss20/ ", 0),
              0u);
    EXPECT_TRUE(std::filesystem::exists(dir / "data" / "hanmt2612.csv"));

    // 取得状況 has a row for every category and names the sources as their terms ask.
    window->OpenHealth();
    HealthWindow* health = Named<HealthWindow>(*window, "HealthWindow");
    QTableWidget* table = Named<QTableWidget>(*health, "HealthTable");
    ASSERT_EQ(table->rowCount(), static_cast<int>(Categories().size()));
    ASSERT_EQ(table->rowCount(), kCategoryCount + 3);
    const int last = table->rowCount() - 1;
    EXPECT_EQ(table->item(last, HealthWindow::kName)->text(),
              QString::fromUtf8("近刊（版元ドットコム）"));
    EXPECT_EQ(table->item(last, HealthWindow::kName)->toolTip(),
              QString::fromUtf8("出典：版元ドットコム"));
    EXPECT_EQ(table->item(last, HealthWindow::kOutcome)->text(), QString::fromUtf8("更新"));
    EXPECT_EQ(table->item(last, HealthWindow::kCount)->text(), "2");
    QLabel* attribution = Named<QLabel>(*health, "HealthAttribution");
    EXPECT_TRUE(attribution->isVisible());
    EXPECT_EQ(attribution->text(),
              QString::fromUtf8("出典：国立国会図書館サーチ　出典：版元ドットコム"));
}

}  // namespace
}  // namespace yomida::qt
