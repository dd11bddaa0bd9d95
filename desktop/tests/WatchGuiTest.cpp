#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include "Named.h"
#include "desktop/BusyPanel.h"
#include "desktop/MainWindow.h"
#include "desktop/SeriesMenu.h"
#include "desktop/SeriesWindow.h"
#include "desktop/WatchResultWindow.h"
#include "desktop/WatchWordsDialog.h"
#include "engine/SeriesStore.h"
#include "support/FormFixture.h"
#include "support/TestSupport.h"

namespace yomida::qt {
namespace {

const std::string kHeader = "No,□,出版社,発売日,タイトル,作者,価格";

class WatchGuiTest : public test::FormFixture {
protected:
    std::unique_ptr<MainWindow> window;

    void Open() {
        test::WriteBytes(dir / "yomida.INI", "[FILE]\r\nON_OFF_LINE=OFF\r\n");
        window = std::make_unique<MainWindow>(form);
        ASSERT_TRUE(form.FormCreate(dir / "yomida"));
        window->Push();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    QString Cell(QTableWidget* t, int row, int col) { return t->item(row, col)->text(); }
    // Starts the scan and lets the window's event loop run until it has ended.
    void Scan() {
        window->OpenWatchResults();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !form.Watch.WatchScanning(); }));
    }
};

TEST_F(WatchGuiTest, WordsDialogKeepsOneWordALine) {
    Open();
    WatchWordsDialog* dialog = Named<WatchWordsDialog>(*window, "WatchWordsDialog");
    dialog->Prepare();
    Named<QPlainTextEdit>(*dialog, "Memo2")
        ->setPlainText(QString::fromUtf8("ワンピース\n\nONE PIECE"));
    Named<QPlainTextEdit>(*dialog, "Memo3")->setPlainText(QString::fromUtf8("尾田"));
    dialog->Ok();
    EXPECT_EQ(test::U8(form.CurrentSettings().watchTitle), "ワンピース,ONE PIECE");
    EXPECT_EQ(test::U8(form.CurrentSettings().watchAuthor), "尾田");
    dialog->Prepare();
    EXPECT_EQ(Named<QPlainTextEdit>(*dialog, "Memo2")->toPlainText(),
              QString::fromUtf8("ワンピース\nONE PIECE"));
}

TEST_F(WatchGuiTest, ResultWindowMarksNewMatchesAndOpensTheirList) {
    Open();
    form.ChangeSettings([&](SettingsRecord& s) { s.watchAuthor = test::Sj("尾田"); });
    test::WriteDataFile(dir / "data" / "comic0305.csv",
                        {kHeader, "1,0,講談社,15,ワンピース 1,尾田,420", "2,0,集英社,上,別,甲,1"});
    Scan();
    QTableWidget* table =
        Named<QTableWidget>(*Named<WatchResultWindow>(*window, "WatchResultWindow"), "WatchTable");
    ASSERT_TRUE(Named<WatchResultWindow>(*window, "WatchResultWindow")->isVisible());
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(Cell(table, 0, 0), QStringLiteral("2003/05/15"));
    EXPECT_EQ(Cell(table, 0, 3), QString::fromUtf8("ワンピース 1"));
    EXPECT_EQ(Cell(table, 0, 6), QString());

    test::WriteDataFile(dir / "data" / "bunko0306.csv",
                        {kHeader, "1,0,社,2,小説,甲", "7,0,集英社,下,ワンピース 2,尾田,420"});
    Scan();
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(Cell(table, 1, 0), QString::fromUtf8("2003/06/下"));
    EXPECT_EQ(Cell(table, 1, 1), QString::fromUtf8("×××××××××"));
    EXPECT_EQ(Cell(table, 1, 6), QString::fromUtf8("新"));
    Named<QCheckBox>(*Named<WatchResultWindow>(*window, "WatchResultWindow"), "NewOnly")
        ->setChecked(true);
    ASSERT_EQ(table->rowCount(), 1);

    emit table->cellDoubleClicked(0, 2);
    EXPECT_EQ(form.CurrentSettings().category, 3);
    EXPECT_EQ(Named<QLineEdit>(*window, "EdtCalen")->text(), QString::fromUtf8("2003年06月"));
    const QModelIndex current = Named<QTableView>(*window, "ComboGrid1")->currentIndex();
    EXPECT_EQ(Named<QTableView>(*window, "ComboGrid1")
                  ->model()
                  ->index(current.row(), 4)
                  .data()
                  .toString(),
              QString::fromUtf8("ワンピース 2"));
}

TEST_F(WatchGuiTest, ResultWindowNamesCategoriesAsTheTreeFitsTheScreenAndClosesOnEscape) {
    Open();
    form.ChangeSettings([&](SettingsRecord& s) { s.watchAuthor = test::Sj("尾田"); });
    test::WriteDataFile(dir / "data" / "comic0305.csv", {kHeader, "1,0,講談社,15,本 1,尾田,1"});
    test::WriteDataFile(dir / "data" / "bngei0305.csv", {kHeader, "1,0,講談社,16,本 2,尾田,1"});
    Scan();
    WatchResultWindow* results = Named<WatchResultWindow>(*window, "WatchResultWindow");
    QTableWidget* table = Named<QTableWidget>(*results, "WatchTable");
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(Cell(table, 0, 1), QString::fromUtf8("まんが王倶楽部"));
    EXPECT_EQ(Cell(table, 1, 1), QString::fromUtf8("まんが王倶楽部・小説"));

    // Made too tall and moved low, it comes back onto the screen when it is shown again.
    results->resize(760, 3000);
    results->move(200, 500);
    Scan();
    const QRect area = results->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(results->frameGeometry()))
        << results->frameGeometry().bottom() << " > " << area.bottom();

    results->windowHandle()->requestActivate();
    ASSERT_TRUE(QTest::qWaitFor([results] { return QApplication::activeWindow() == results; }));
    QTest::keyClick(table, Qt::Key_Escape);
    EXPECT_FALSE(results->isVisible());
}

TEST_F(WatchGuiTest, ResultWindowIsNoKeyboardTrapAndReturnOpensTheRowsList) {
    Open();
    form.ChangeSettings([&](SettingsRecord& s) { s.watchAuthor = test::Sj("尾田"); });
    test::WriteDataFile(dir / "data" / "comic0305.csv", {kHeader, "1,0,講談社,15,本 1,尾田,1"});
    test::WriteDataFile(dir / "data" / "bngei0306.csv", {kHeader, "4,0,講談社,16,本 2,尾田,1"});
    Scan();
    auto* results = Named<WatchResultWindow>(*window, "WatchResultWindow");
    auto* table = Named<QTableWidget>(*results, "WatchTable");
    results->windowHandle()->requestActivate();
    ASSERT_TRUE(QTest::qWaitFor([results] { return QApplication::activeWindow() == results; }));

    // Tab and Shift+Tab leave the table; the arrow keys move between its rows.
    table->setFocus();
    table->setCurrentCell(0, 0);
    QTest::keyClick(table, Qt::Key_Tab);
    EXPECT_FALSE(table->hasFocus());
    EXPECT_EQ(table->currentColumn(), 0);
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_FALSE(table->hasFocus());
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Down);
    ASSERT_EQ(table->currentRow(), 1);

    // Return opens the current row's list as a double click does; Enter on the keypad too.
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        form.ChangeSettings([&](SettingsRecord& s) { s.category = 1; });
        QTest::keyClick(table, key);
        EXPECT_EQ(form.CurrentSettings().category, 6) << "key " << key;
        EXPECT_EQ(Named<QLineEdit>(*window, "EdtCalen")->text(), QString::fromUtf8("2003年06月"));
        results->windowHandle()->requestActivate();
        ASSERT_TRUE(QTest::qWaitFor([results] { return QApplication::activeWindow() == results; }));
        table->setFocus();
    }
}

TEST_F(WatchGuiTest, ResultWindowShowsPostponedAndWithdrawnTitles) {
    Open();
    form.ChangeSettings([&](SettingsRecord& s) { s.watchAuthor = test::Sj("尾田"); });
    const std::filesystem::path data = dir / "data";
    test::WriteDataFile(data / "comic0305.csv.prev",
                        {kHeader, "1,0,講談社,15,本 1,尾田,1", "2,0,講談社,20,本 2,尾田,1"});
    test::WriteDataFile(data / "comic0305.csv", {kHeader, "1,0,社,3,他の本,甲,1"});
    test::WriteDataFile(data / "comic0306.csv", {kHeader, "1,0,講談社,2,本 1,尾田,1"});
    Scan();
    QTableWidget* table =
        Named<QTableWidget>(*Named<WatchResultWindow>(*window, "WatchResultWindow"), "WatchTable");
    ASSERT_EQ(table->columnCount(), 9);
    EXPECT_EQ(table->horizontalHeaderItem(7)->text(), QString::fromUtf8("変更"));
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(Cell(table, 0, 3), QString::fromUtf8("本 2"));
    EXPECT_EQ(Cell(table, 0, 7), QString::fromUtf8("取り消し?"));
    EXPECT_EQ(Cell(table, 1, 0), QStringLiteral("2003/06/02"));
    EXPECT_EQ(Cell(table, 1, 7), QString::fromUtf8("延期 2003/05→2003/06"));
    EXPECT_EQ(Named<WatchResultWindow>(*window, "WatchResultWindow")->findChild<QLabel*>()->text(),
              QString::fromUtf8("1件（新着 0件）"));
}

TEST_F(WatchGuiTest, TheWindowShowsTheScanGoingOnAndCanCancelIt) {
    Open();
    form.ChangeSettings([&](SettingsRecord& s) { s.watchAuthor = test::Sj("尾田"); });
    for (const char* name : {"comic0305.csv", "comic0306.csv", "comic0307.csv"}) {
        test::WriteDataFile(dir / "data" / name, {kHeader, "1,0,講談社,15,本,尾田,1"});
    }
    // One file a tick of the window's timer, so every stage can be seen.
    form.Watch.SetWatchScanWorkers(0);
    window->OpenWatchResults();
    EXPECT_TRUE(form.Watch.WatchScanning()) << "the click returns while the scan goes on";
    EXPECT_EQ(Named<QLabel>(*window, "StBarPanel0")->text(), QString::fromUtf8("ウォッチ: 0/3"));
    EXPECT_FALSE(Named<QPushButton>(*window, "BtnDsp")->isEnabled())
        << "nothing else starts meanwhile";
    EXPECT_TRUE(Named<BusyPanel>(*window, "BusyPanel")->isVisible());
    EXPECT_TRUE(Named<QProgressBar>(*window, "PBar1")->isVisible());
    EXPECT_EQ(Named<QProgressBar>(*window, "PBar1")->accessibleName(),
              QString::fromUtf8("ウォッチの進み具合"));
    EXPECT_TRUE(Named<QTableView>(*window, "ComboGrid1")->isVisible()) << "the list stays in sight";
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return form.StBar.panels[0].text != test::Sj("ウォッチ: 0/3"); }));
    if (form.Watch.WatchScanning()) {
        EXPECT_EQ(Named<QLabel>(*window, "StBarPanel0")->text(),
                  QString::fromUtf8("ウォッチ: 1/3"));
        EXPECT_EQ(Named<QProgressBar>(*window, "PBar1")->value(), 33);
    }
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form.Watch.WatchScanning(); }));
    EXPECT_TRUE(Named<WatchResultWindow>(*window, "WatchResultWindow")->isVisible());
    EXPECT_EQ(
        Named<QTableWidget>(*Named<WatchResultWindow>(*window, "WatchResultWindow"), "WatchTable")
            ->rowCount(),
        3);
    EXPECT_TRUE(Named<QPushButton>(*window, "BtnDsp")->isEnabled());
    EXPECT_FALSE(Named<BusyPanel>(*window, "BusyPanel")->isVisible());
    Named<WatchResultWindow>(*window, "WatchResultWindow")->hide();

    // The cancel button ends the scan as it ends a download; nothing is shown then.
    window->OpenWatchResults();
    ASSERT_TRUE(Named<QPushButton>(*window, "BtnCancel")->isVisible());
    QTest::mouseClick(Named<QPushButton>(*window, "BtnCancel"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form.Watch.WatchScanning(); }));
    EXPECT_EQ(Named<QLabel>(*window, "StBarPanel0")->text(), QString::fromUtf8("ウォッチ: 中止"));
    EXPECT_FALSE(Named<WatchResultWindow>(*window, "WatchResultWindow")->isVisible());
    EXPECT_TRUE(Named<QPushButton>(*window, "BtnDsp")->isEnabled());
}

TEST_F(WatchGuiTest, DroppingASavedPageImportsIt) {
    Open();
    const std::filesystem::path page = dir / "page.html";
    std::filesystem::copy_file(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html", page);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(page.string()))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    EXPECT_EQ(Named<QTableView>(*window, "ComboGrid1")->model()->rowCount(), 6);
    EXPECT_EQ(Named<QLabel>(*window, "StBarPanel1")->text(), QString::fromUtf8("6件"));

    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/notes.txt"))});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    refused.ignore();
    QApplication::sendEvent(window.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(WatchGuiTest, FollowingASeriesMarksItsNextVolumeAndTheSeriesWindowListsIt) {
    Open();
    // Until the main window adds the series' actions itself, they are added here as it would:
    // to its menus 編集 and 表示 (of ファイル, 編集, 検索, 表示, ヘルプ).
    if (window->findChild<QAction*>(QStringLiteral("SeriesFollow")) == nullptr) {
        const QList<QAction*> menus = window->menuBar()->actions();
        AddSeriesActions(
            form, *window,
            [this](const std::function<void()>& handler) {
                form.Guarded(handler);
                window->Push();
            },
            menus.at(1)->menu(), menus.at(3)->menu());
    }
    form.ChangeSettings([&](SettingsRecord& s) { s.watchAuthor = test::Sj("尾田,諫山"); });
    const std::filesystem::path data = dir / "data";
    test::WriteDataFile(data / "comic0305.csv", {kHeader, "1,0,講談社,15,進撃の巨人 34,諫山,1",
                                                 "2,0,集英社,16,ワンピース 1,尾田,1"});
    Scan();
    auto* results = Named<WatchResultWindow>(*window, "WatchResultWindow");
    QTableWidget* table = Named<QTableWidget>(*results, "WatchTable");
    ASSERT_EQ(table->rowCount(), 2);
    // Opened from the watch results, the row is current in the main window: it is followed.
    emit table->cellDoubleClicked(0, 3);
    window->findChild<QAction*>(QStringLiteral("SeriesFollow"))->trigger();
    std::vector<FollowedSeries> followed = SeriesStore(data).Read().series;
    ASSERT_EQ(followed.size(), 1u);
    EXPECT_EQ(test::U8(followed[0].key), "進撃の巨人");
    EXPECT_EQ(followed[0].volume, 34);
    EXPECT_EQ(test::U8(followed[0].date), "2003/05/15");
    EXPECT_EQ(Named<QLabel>(*window, "StBarPanel0")->text(),
              QString::fromUtf8("シリーズを追います: 進撃の巨人 34巻"));

    // The next volume is found by the next scan, though the words no longer match it.
    form.ChangeSettings([&](SettingsRecord& s) { s.watchAuthor = test::Sj("尾田"); });
    test::WriteDataFile(data / "comic0306.csv", {kHeader, "1,0,講談社,2,進撃の巨人 35,諫山,1"});
    Scan();
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(Cell(table, 1, 3), QString::fromUtf8("進撃の巨人 35"));
    EXPECT_EQ(table->horizontalHeaderItem(8)->text(), QString::fromUtf8("次巻"));
    EXPECT_EQ(Cell(table, 1, 8), QString::fromUtf8("次巻"));
    EXPECT_EQ(Cell(table, 0, 8), QString());
    EXPECT_TRUE(
        Named<QLabel>(*results, "WatchCount")->text().contains(QString::fromUtf8("次巻 1件")));
    EXPECT_TRUE(
        Named<QLabel>(*window, "StBarPanel0")->text().contains(QString::fromUtf8("次巻 1件")))
        << Named<QLabel>(*window, "StBarPanel0")->text().toStdString();
    Named<QCheckBox>(*results, "NextOnly")->setChecked(true);
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(Cell(table, 0, 3), QString::fromUtf8("進撃の巨人 35"));

    // 表示 › シリーズ lists it with the dated next volume; 追うのをやめる stops following it.
    window->findChild<QAction*>(QStringLiteral("SeriesList"))->trigger();
    auto* series = Named<SeriesWindow>(*window, "SeriesWindow");
    ASSERT_TRUE(series->isVisible());
    QTableWidget* list = Named<QTableWidget>(*series, "SeriesTable");
    ASSERT_EQ(list->rowCount(), 1);
    const std::pair<int, const char*> cells[] = {
        {SeriesWindow::kKey, "進撃の巨人"},      {SeriesWindow::kLast, "34巻"},
        {SeriesWindow::kLastDate, "2003/05/15"}, {SeriesWindow::kNext, "35巻"},
        {SeriesWindow::kNextDate, "2003/06/02"}, {SeriesWindow::kNextCategory, "まんが王倶楽部"},
        {SeriesWindow::kTitle, "進撃の巨人 34"}};
    for (const auto& [column, text] : cells) {
        EXPECT_EQ(Cell(list, 0, column), QString::fromUtf8(text)) << column;
    }
    QTest::mouseClick(Named<QPushButton>(*series, "Unfollow"), Qt::LeftButton);
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_FALSE(Named<QPushButton>(*series, "Unfollow")->isEnabled());
    EXPECT_TRUE(SeriesStore(data).Read().series.empty());
}

}  // namespace
}  // namespace yomida::qt
