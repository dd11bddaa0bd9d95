#include "desktop/MainWindow.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QColor>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include "Named.h"
#include "desktop/GridModel.h"
#include "support/FormFixture.h"
#include "support/LoopbackServer.h"
#include "support/ScriptedUi.h"
#include "support/TestCertificates.h"
#include "support/TestSupport.h"

namespace yomida::qt {
namespace {

using namespace std::chrono;

class MainWindowGuiTest : public test::FormFixture {
protected:
    std::unique_ptr<MainWindow> window;

    void Open(const std::string& ini = "") {
        if (!ini.empty()) {
            test::WriteBytes(dir / "yomida.INI", ini);
        }
        window = std::make_unique<MainWindow>(form);
        ASSERT_TRUE(form.FormCreate(dir / "yomida"));
        window->Push();
        window->ApplyGeometry();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void WriteList() {
        test::WriteDataFile(dir / "data" / "comic0305.csv",
                            {"No,□,出版社,発売日,タイトル,作者,価格",
                             "1,0,講談社,15,ワンピース,尾田,420", "2,1,集英社,上,NARUTO,岸本,390"});
    }
    QString Text(int panel) {
        return Named<QLabel>(*window, QStringLiteral("StBarPanel%1").arg(panel))->text();
    }
};

TEST_F(MainWindowGuiTest, OpensWithDefaultGeometryAndCaptions) {
    Open();
    EXPECT_EQ(window->size(), QSize(691, 614))
        << window->minimumSizeHint().width() << "x" << window->minimumSizeHint().height();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("YOMIDA"));
    QTreeWidget* tree = Named<QTreeWidget>(*window, "TView");
    ASSERT_EQ(tree->topLevelItemCount(), 5);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QString::fromUtf8("コミック"));
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), QString::fromUtf8("まんが王倶楽部"));
    EXPECT_EQ(tree->topLevelItem(0)->child(1)->text(0), QString::fromUtf8("×××××××××"));
    EXPECT_EQ(tree->topLevelItem(4)->childCount(), 2);
    EXPECT_EQ(Text(0), QString::fromUtf8("まんが王倶楽部の検索"));
    EXPECT_EQ(Text(2), QStringLiteral("ON"));
    EXPECT_EQ(Named<QLineEdit>(*window, "EdtCalen")->text(), QString::fromUtf8("2003年05月"));
    EXPECT_EQ(Named<QPushButton>(*window, "BtnDsp")->text(), QString::fromUtf8("検　索"));
    EXPECT_EQ(Named<QTableView>(*window, "ComboGrid1")->horizontalHeader()->sectionSize(0), 0);
}

TEST_F(MainWindowGuiTest, TheTreeIsWideEnoughForItsNamesUnlessTheSettingsSayHowWide) {
    // The three まんが王倶楽部 lists differ only at the end of their names.
    for (const char* size : {"9", "16"}) {
        Open(std::string("[FONT]\r\nSIZE=") + size + "\r\n");
        auto* tree = Named<QTreeWidget>(*window, "TView");
        EXPECT_EQ(tree->horizontalScrollBar()->maximum(), 0) << "cut at font size " << size;
        QTreeWidgetItem* novels = tree->topLevelItem(3)->child(0);
        ASSERT_EQ(novels->text(0), QString::fromUtf8("まんが王倶楽部・小説"));
        EXPECT_LE(tree->visualItemRect(novels).left() +
                      tree->fontMetrics().horizontalAdvance(novels->text(0)),
                  tree->viewport()->width())
            << "at font size " << size;
        window.reset();
    }

    Open("[WINDOW]\r\nT_WIDTH=90\r\n");
    EXPECT_EQ(Named<QSplitter>(*window, "PnlCli")->sizes().value(0), 90);
}

TEST_F(MainWindowGuiTest, ChoosingALeafShowsItsRowsAndSearchingFilters) {
    Open("[FILE]\r\nON_OFF_LINE=OFF\r\n");
    WriteList();
    Named<QTreeWidget>(*window, "TView")
        ->setCurrentItem(Named<QTreeWidget>(*window, "TView")->topLevelItem(0)->child(0));
    EXPECT_TRUE(ui.messages.empty());
    QAbstractItemModel* model = Named<QTableView>(*window, "ComboGrid1")->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->headerData(4, Qt::Horizontal).toString(), QString::fromUtf8("タイトル"));
    // Ordered by date: 上 comes before the 15th.
    EXPECT_EQ(model->index(0, 4).data().toString(), QStringLiteral("NARUTO"));
    EXPECT_EQ(model->index(0, 1).data().toString(), QString::fromUtf8("■"));
    EXPECT_EQ(model->index(1, 4).data().toString(), QString::fromUtf8("ワンピース"));
    EXPECT_EQ(Text(1), QString::fromUtf8("2件"));
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);

    QComboBox* title = Named<QComboBox>(*window, "CmbSrch2");
    title->setFocus();
    QTest::keyClicks(title, QStringLiteral("naruto"));
    QTest::mouseClick(Named<QPushButton>(*window, "BtnDsp"), Qt::LeftButton);
    EXPECT_EQ(Text(1), QString::fromUtf8("1件"));
    EXPECT_EQ(model->index(0, 4).data().toString(), QStringLiteral("NARUTO"));
    EXPECT_EQ(title->count(), 1) << "the search went into the history";
    EXPECT_EQ(title->toolTip(), QStringLiteral("naruto"));
}

TEST_F(MainWindowGuiTest, ClickingTheCheckColumnTicksAndColoursTheRow) {
    Open("[FILE]\r\nON_OFF_LINE=OFF\r\n");
    WriteList();
    Named<QTreeWidget>(*window, "TView")
        ->setCurrentItem(Named<QTreeWidget>(*window, "TView")->topLevelItem(0)->child(0));
    QTableView* grid = Named<QTableView>(*window, "ComboGrid1");
    QAbstractItemModel* model = grid->model();
    const QModelIndex check = model->index(1, 1);  // ワンピース, not ticked
    EXPECT_FALSE(model->index(1, 4).data(Qt::BackgroundRole).isValid());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(check).center());
    EXPECT_EQ(model->index(1, 1).data().toString(), QString::fromUtf8("■"));
    EXPECT_EQ(model->index(1, 4).data(Qt::BackgroundRole).value<QColor>(), QColor(0, 255, 0));
    EXPECT_EQ(grid->currentIndex().column(), 2) << "the cursor leaves the check column";
    EXPECT_EQ(model->index(1, 6).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);

    // Ordering by price keeps the tick with its row.
    QComboBox* order = window->findChild<QComboBox*>(QStringLiteral("CmbSort"));
    ASSERT_NE(order, nullptr);
    order->setCurrentIndex(3);
    emit order->activated(3);
    EXPECT_EQ(model->index(0, 4).data().toString(), QStringLiteral("NARUTO"));
    EXPECT_EQ(model->index(1, 1).data().toString(), QString::fromUtf8("■"));
}

TEST_F(MainWindowGuiTest, ALineOfAMillionColumnsLoadsSearchesAndScrolls) {
    Open("[FILE]\r\nON_OFF_LINE=OFF\r\n");
    test::WriteDataFile(dir / "data" / "comic0305.csv",
                        {"No,□,出版社,発売日,タイトル,作者,価格",
                         "1,0,講談社,15,ONEPIECE,尾田,420" + std::string(1000000, ',') + "end"});
    Named<QTreeWidget>(*window, "TView")
        ->setCurrentItem(Named<QTreeWidget>(*window, "TView")->topLevelItem(0)->child(0));
    QTableView* grid = Named<QTableView>(*window, "ComboGrid1");
    QAbstractItemModel* model = grid->model();
    ASSERT_EQ(model->columnCount(), 1000007);
    EXPECT_EQ(model->index(0, 1000006).data().toString(), QStringLiteral("end"));
    EXPECT_EQ(grid->horizontalHeader()->sectionSize(0), 0) << "the number column stays hidden";
    EXPECT_EQ(grid->horizontalHeader()->sectionSize(500000), ComboGrid::kDefaultColWidth);

    QComboBox* title = Named<QComboBox>(*window, "CmbSrch2");
    title->setFocus();
    QTest::keyClicks(title, QStringLiteral("onepiece"));
    QTest::mouseClick(Named<QPushButton>(*window, "BtnDsp"), Qt::LeftButton);
    EXPECT_EQ(Text(1), QString::fromUtf8("1件"));
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    QTest::qWait(20);
    EXPECT_EQ(grid->horizontalHeader()->logicalIndexAt(grid->viewport()->width() - 1), 1000006);
}

TEST_F(MainWindowGuiTest, ImportingASamplePageShowsItsRows) {
    Open("[INTERNET]\r\nDIRECT=0\r\n");  // online, no data file yet, imported by hand
    const std::filesystem::path page = dir / "saved.html";
    std::filesystem::copy_file(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-bl.html", page);
    ui.confirmAnswers = {true, true};  // download? then: open the page in the browser?
    ui.openAnswers = {page};
    Named<QTreeWidget>(*window, "TView")
        ->setCurrentItem(
            Named<QTreeWidget>(*window, "TView")->topLevelItem(1)->child(0));  // まんが王倶楽部・BL
    ASSERT_EQ(ui.shellOpened.size(), 1u);
    EXPECT_NE(ui.shellOpened[0].find("category=bl&date=20030501"), std::string::npos);
    EXPECT_EQ(Text(1), QString::fromUtf8("3件"));
    QAbstractItemModel* model = Named<QTableView>(*window, "ComboGrid1")->model();
    EXPECT_EQ(model->index(0, 4).data().toString(), QString::fromUtf8("【見本】きみと紅茶を"));
    EXPECT_TRUE(std::filesystem::exists(dir / "data" / "tanbi0305.csv"));
}

TEST_F(MainWindowGuiTest, AFailedDirectDownloadOffersTheImportByHand) {
    test::TestCa ca;
    ca.TrustIn(dir / "ca.pem");
    test::LoopbackServer server({{"HTTP/1.0 404 Not Found\r\n\r\n"}}, ca.IssueForLoopback());
    Open("[HOSTS]\r\nMANGAOH=127.0.0.1:" + std::to_string(server.Port()) + "\r\n");
    const std::filesystem::path page = dir / "saved.html";
    std::filesystem::copy_file(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-bl.html", page);
    // Download? Then one question: import a saved page instead, with the reason and the steps.
    ui.confirmAnswers = {true, true};
    ui.openAnswers = {page};
    Named<QTreeWidget>(*window, "TView")
        ->setCurrentItem(
            Named<QTreeWidget>(*window, "TView")->topLevelItem(1)->child(0));  // まんが王倶楽部・BL
    ASSERT_EQ(server.Requests().size(), 1u);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(test::U8(ui.messages[1].text)
                    .starts_with("直接取得できませんでした。ブラウザで保存したページから取り込み"
                                 "ますか？\n\r\n\rサーバーが 404（ページがありません）を返しま"
                                 "した"));
    ASSERT_EQ(ui.shellOpened.size(), 1u);
    EXPECT_NE(ui.shellOpened[0].find("https://127.0.0.1:"), std::string::npos);
    EXPECT_EQ(Text(1), QString::fromUtf8("3件"));
}

TEST_F(MainWindowGuiTest, DirectDownloadFromALocalServer) {
    const std::string page =
        test::ReadBytes(std::filesystem::path(YOMIDA_TEST_DATA) / "weekly.html");
    test::LoopbackServer server(
        {{"HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(test::Sj(page).size()) +
          "\r\n\r\n" + test::Sj(page)}});
    // Week 1320 is the week of 2003/05/07 in the default numbering.
    Open("[HOSTS]\r\nWEEKLY=127.0.0.1:" + std::to_string(server.Port()) + "\r\n");
    ui.confirmAnswers = {true};
    Named<QTreeWidget>(*window, "TView")
        ->setCurrentItem(
            Named<QTreeWidget>(*window, "TView")->topLevelItem(3)->child(5));  // the weekly list
    ASSERT_EQ(server.Requests().size(), 1u)
        << (ui.messages.empty() ? "" : test::U8(ui.messages.back().text));
    EXPECT_TRUE(server.Requests()[0].starts_with("GET /1320/japa/t_a.htm HTTP/1.0\r\n"));
    EXPECT_EQ(Text(1), QString::fromUtf8("2件"));
    EXPECT_TRUE(Named<QTreeWidget>(*window, "TView")->isVisibleTo(window.get()))
        << "the busy display is gone again";
}

TEST_F(MainWindowGuiTest, KeyboardLeavesTheGridAndStepsThroughTheTree) {
    Open("[FILE]\r\nON_OFF_LINE=OFF\r\n");
    WriteList();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTreeWidget* tree = Named<QTreeWidget>(*window, "TView");
    QTableView* grid = Named<QTableView>(*window, "ComboGrid1");
    tree->setFocus();
    tree->setCurrentItem(tree->topLevelItem(0));  // the group: nothing is shown
    ASSERT_TRUE(tree->hasFocus());

    // Down onto a leaf shows its list and the focus stays, so the next Down steps on.
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_TRUE(tree->hasFocus()) << "the display took the focus from the tree";
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0)->child(1));
    EXPECT_TRUE(tree->hasFocus());
    QTest::keyClick(tree, Qt::Key_Up);
    ASSERT_EQ(grid->model()->rowCount(), 2);

    // Tab and Shift+Tab leave the grid instead of walking its cells.
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 2));
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_FALSE(grid->hasFocus());
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 2));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(tree->hasFocus());
    // The arrows still move between cells.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(0, 3));
    // Tab out of a cell being edited keeps the text and leaves the grid too.
    grid->edit(grid->currentIndex());
    ASSERT_NE(QApplication::focusWidget(), grid);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_FALSE(grid->isAncestorOf(QApplication::focusWidget()) ||
                 QApplication::focusWidget() == grid)
        << QApplication::focusWidget()->metaObject()->className();
    EXPECT_EQ(grid->model()->index(0, 3).data().toString(), QStringLiteral("x"));
    grid->setFocus();

    // F6 goes round the search boxes, the tree and the grid; Shift+F6 back.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    EXPECT_TRUE(Named<QComboBox>(*window, "CmbSrch1")->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    EXPECT_TRUE(tree->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    EXPECT_TRUE(grid->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(tree->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(Named<QComboBox>(*window, "CmbSrch1")->hasFocus());
}

TEST_F(MainWindowGuiTest, ClosingWritesTheSettingsAndTheNextStartComesBackAsLeft) {
    Open("[FILE]\r\nON_OFF_LINE=OFF\r\n");
    Named<QTableView>(*window, "ComboGrid1")->horizontalHeader()->resizeSection(2, 150);
    window->resize(700, 500);
    window->close();
    const std::string ini = test::ReadBytes(dir / "yomida.INI");
    EXPECT_NE(ini.find("WIDTH3=150\r\n"), std::string::npos);
    EXPECT_NE(ini.find("WIDTH=700\r\nHEIGHT=500\r\n"), std::string::npos);
    EXPECT_NE(ini.find("ON_OFF_LINE=OFF\r\nTAI_PATH="), std::string::npos);
    EXPECT_NE(ini.find("CSV_PATH=\r\n"), std::string::npos);

    ScriptedUi ui2;
    test::WindowLogic second(ui2, clock);
    MainWindowLogic& again = second.form;
    MainWindow window2(again);
    ASSERT_TRUE(again.FormCreate(dir / "yomida"));
    window2.Push();
    window2.ApplyGeometry();
    EXPECT_EQ(window2.size(), QSize(700, 500));
    EXPECT_EQ(Named<QTableView>(window2, "ComboGrid1")->horizontalHeader()->sectionSize(2), 150);
    EXPECT_EQ(Named<QLabel>(window2, "StBarPanel2")->text(), QStringLiteral("OFF"));
}

}  // namespace
}  // namespace yomida::qt
