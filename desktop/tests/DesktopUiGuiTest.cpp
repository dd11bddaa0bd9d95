#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include "Named.h"
#include "desktop/BusyPanel.h"
#include "desktop/ConditionListDialog.h"
#include "desktop/FontSubstitution.h"
#include "desktop/MainActions.h"
#include "desktop/MainWindow.h"
#include "desktop/QtText.h"
#include "desktop/QtUi.h"
#include "desktop/SetupDialog.h"
#include "desktop/Translations.h"
#include "desktop/VersionDialog.h"
#include "desktop/WordEditor.h"
#include "support/FormFixture.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"

namespace yomida::qt {
namespace {

using namespace std::chrono;

// The window with the program's own Ui: real message boxes and file dialogs, answered from
// inside their own event loops.
class DesktopUiGuiTest : public ::testing::Test {
protected:
    test::TempDir dir;
    QtUi ui;
    FixedClock clock{year_month_day{year{2003}, month{5}, day{7}}};
    test::WindowLogic logic{ui, clock};
    MainWindowLogic& form = logic.form;
    std::unique_ptr<MainWindow> window;

    static void SetUpTestSuite() { translated_ = InstallJapaneseTranslations(*qApp); }

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
    void OpenWithList() {
        Open("[FILE]\r\nON_OFF_LINE=OFF\r\n");
        test::WriteDataFile(dir / "data" / "comic0305.csv",
                            {"No,□,出版社,発売日,タイトル,作者,価格",
                             "1,0,講談社,15,ワンピース,尾田,420", "2,1,集英社,上,NARUTO,岸本,390"});
        Named<QTreeWidget>(*window, "TView")
            ->setCurrentItem(Named<QTreeWidget>(*window, "TView")->topLevelItem(0)->child(0));
        ASSERT_EQ(Named<QTableView>(*window, "ComboGrid1")->model()->rowCount(), 2);
    }
    // Runs `answer` on the next modal widget of type T once it is on screen, from inside the
    // event loop that shows it.
    template <typename T>
    static void OnModal(std::function<void(T*)> answer) {
        auto* timer = new QTimer(qApp);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, answer = std::move(answer)] {
            T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
            if (modal == nullptr || !modal->isVisible()) {
                return;
            }
            timer->stop();
            timer->deleteLater();
            answer(modal);
        });
        timer->start(5);
    }
    QAction* MenuAction(const char* caption) {
        for (QAction* a : window->findChildren<QAction*>()) {
            if (a->text() == QString::fromUtf8(caption)) {
                return a;
            }
        }
        return nullptr;
    }
    QString Text(int panel) {
        return Named<QLabel>(*window, QStringLiteral("StBarPanel%1").arg(panel))->text();
    }

    static bool translated_;
};

bool DesktopUiGuiTest::translated_ = false;

TEST_F(DesktopUiGuiTest, SlowDownloadShowsTheBusyDisplayAndNothingChangesTheChoiceUnderIt) {
    const std::string page =
        test::Sj(test::ReadBytes(std::filesystem::path(YOMIDA_TEST_DATA) / "weekly.html"));
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(page.size()) +
                             "\r\n\r\n" + page.substr(0, 200);
    test::LoopbackServer server({{head, page.substr(200), 3}});
    Open("[HOSTS]\r\nWEEKLY=127.0.0.1:" + std::to_string(server.Port()) + "\r\n");
    QTreeWidgetItem* weekly = Named<QTreeWidget>(*window, "TView")->topLevelItem(3)->child(5);

    // The question stands over the new choice, not the previous one.
    QString statusAtQuestion, periodAtQuestion, yesText;
    QTreeWidgetItem* leafAtQuestion = nullptr;
    QWidget* questionParent = nullptr;
    OnModal<QMessageBox>([&](QMessageBox* box) {
        statusAtQuestion = Text(0);
        periodAtQuestion = Named<QLineEdit>(*window, "EdtCalen")->text();
        leafAtQuestion = Named<QTreeWidget>(*window, "TView")->currentItem();
        questionParent = box->parentWidget();
        yesText = box->button(QMessageBox::Yes)->text();
        box->button(QMessageBox::Yes)->click();
    });
    // Meanwhile, what the user sees, and what a click on another leaf or the search button does.
    bool sawCancel = false, sawProgress = false, treeShownDuringTransfer = false;
    bool menusOn = false;
    QString received;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!form.Displaying() || !Named<QPushButton>(*window, "BtnCancel")->isVisible()) {
            return;
        }
        sawCancel = true;
        sawProgress = sawProgress || Named<QProgressBar>(*window, "PBar1")->isVisible();
        treeShownDuringTransfer =
            treeShownDuringTransfer || Named<QTreeWidget>(*window, "TView")->isVisible();
        menusOn = menusOn || window->menuBar()->isEnabled();
        if (Text(0).startsWith(QString::fromUtf8("受信: "))) {
            received = Text(0);
        }
        Named<QTreeWidget>(*window, "TView")
            ->setCurrentItem(Named<QTreeWidget>(*window, "TView")->topLevelItem(0)->child(0));
        Named<QPushButton>(*window, "BtnDsp")->click();
    });
    watch.start(10);
    Named<QTreeWidget>(*window, "TView")->setCurrentItem(weekly);
    watch.stop();

    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(leafAtQuestion, weekly);
    EXPECT_FALSE(statusAtQuestion.contains(QString::fromUtf8("まんが王")))
        << statusAtQuestion.toStdString();
    EXPECT_TRUE(periodAtQuestion.contains(QLatin1Char('-'))) << periodAtQuestion.toStdString();
    EXPECT_EQ(questionParent, window.get());
    if (translated_) {
        EXPECT_TRUE(yesText.contains(QString::fromUtf8("はい"))) << yesText.toStdString();
    }

    EXPECT_TRUE(sawCancel);
    EXPECT_TRUE(sawProgress);
    EXPECT_FALSE(treeShownDuringTransfer);
    EXPECT_FALSE(menusOn);
    EXPECT_EQ(received, QString::fromUtf8("受信: 0 KByte...")) << received.toStdString();

    // Afterwards: the weekly list under its own name, the busy display gone.
    EXPECT_EQ(Named<QTreeWidget>(*window, "TView")->currentItem(), weekly);
    EXPECT_EQ(Text(0), FromSjis(form.StBar.panels[0].text));
    EXPECT_TRUE(Text(0).endsWith(QString::fromUtf8("の検索")));
    EXPECT_FALSE(Text(0).contains(QString::fromUtf8("まんが王")));
    EXPECT_EQ(Text(1), QString::fromUtf8("2件"));
    EXPECT_TRUE(Named<QTreeWidget>(*window, "TView")->isVisible());
    EXPECT_FALSE(Named<BusyPanel>(*window, "BusyPanel")->isVisible());
    EXPECT_TRUE(window->menuBar()->isEnabled());
}

TEST_F(DesktopUiGuiTest, ForcedDownloadUnpressesAtOnceAndEscapeCancelsIt) {
    // A server that sends part of the page and then nothing: only a cancel ends the transfer.
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n<html>";
    test::LoopbackServer server({{head, "", 0, true}});
    Open("[HOSTS]\r\nWEEKLY=127.0.0.1:" + std::to_string(server.Port()) + "\r\n");
    QAction* forced = MenuAction("データの強制ダウンロード");
    ASSERT_NE(forced, nullptr);
    forced->trigger();
    ASSERT_TRUE(form.DownLoad.checked);

    OnModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    bool pressedDuringTransfer = false, escaped = false;
    int ticks = 0;
    QString failure;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!Named<QPushButton>(*window, "BtnCancel")->isVisible() || escaped) {
            return;
        }
        pressedDuringTransfer = pressedDuringTransfer || forced->isChecked();
        window->activateWindow();
        if (QApplication::activeWindow() != window.get()) {
            return;
        }
        if (++ticks == 3) {
            OnModal<QMessageBox>([&](QMessageBox* box) {
                failure = box->text();
                box->button(QMessageBox::Ok)->click();
            });
            QTest::keyClick(window.get(), Qt::Key_Escape);
            escaped = true;
        }
    });
    watch.start(10);
    // Should Escape do nothing, the button ends the test instead of the server's silence.
    QTimer fallback;
    fallback.setSingleShot(true);
    QObject::connect(&fallback, &QTimer::timeout, [&] {
        OnModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
        Named<QPushButton>(*window, "BtnCancel")->click();
    });
    fallback.start(5000);
    Named<QTreeWidget>(*window, "TView")
        ->setCurrentItem(
            Named<QTreeWidget>(*window, "TView")->topLevelItem(3)->child(5));  // the weekly list
    const bool cancelledByEscape = fallback.isActive();
    watch.stop();
    fallback.stop();

    EXPECT_FALSE(pressedDuringTransfer) << "the toggle the fetch cleared still showed pressed";
    EXPECT_FALSE(form.DownLoad.checked);
    EXPECT_TRUE(escaped);
    EXPECT_TRUE(cancelledByEscape);
    EXPECT_EQ(failure, QString::fromUtf8("データ取得処理：エラー！！"));
    EXPECT_FALSE(Named<BusyPanel>(*window, "BusyPanel")->isVisible());
    EXPECT_FALSE(std::filesystem::exists(dir / "data" / "syosk1320.csv"));
}

TEST_F(DesktopUiGuiTest, FontDialogOpensOnTheFontInUseAndOkAloneKeepsIt) {
    SubstituteWindowsFonts();
    const FontChoice stored{test::Sj("ＭＳ ゴシック"), 9};
    const QString inUse = QFontInfo(QFont(FromSjis(stored.name), 9)).family();
    QString shown;
    OnModal<QFontDialog>([&](QFontDialog* fonts) {
        shown = fonts->currentFont().family();
        fonts->accept();
    });
    const std::optional<FontChoice> kept = ui.FontDialog(stored);
    EXPECT_EQ(shown, inUse);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(test::U8(kept->name), "ＭＳ ゴシック");
    EXPECT_EQ(kept->size, 9);

    // Another family chosen in the dialog is taken by its own name.
    const QString other = inUse == QStringLiteral("DejaVu Serif") ? QStringLiteral("DejaVu Sans")
                                                                  : QStringLiteral("DejaVu Serif");
    if (!QFontDatabase::families().contains(other)) {
        GTEST_SKIP() << "fonts-dejavu is not installed";
    }
    OnModal<QFontDialog>([&](QFontDialog* fonts) {
        fonts->setCurrentFont(QFont(other, 12));
        fonts->accept();
    });
    const std::optional<FontChoice> changed = ui.FontDialog(stored);
    ASSERT_TRUE(changed.has_value());
    EXPECT_EQ(FromSjis(changed->name), other);
    EXPECT_EQ(changed->size, 12);
}

TEST_F(DesktopUiGuiTest, BoxesOpenOverTheActiveDialog) {
    Open();
    ConditionListDialog* dialog = Named<ConditionListDialog>(*window, "ConditionListDialog");
    QWidget* boxParent = nullptr;
    QString boxText;
    OnModal<ConditionListDialog>([&](ConditionListDialog* shown) {
        OnModal<QMessageBox>([&](QMessageBox* box) {
            boxParent = box->parentWidget();
            boxText = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        Named<QLineEdit>(*shown, "EdtName")->clear();
        for (QPushButton* b : shown->findChildren<QPushButton*>()) {
            if (b->text() == QString::fromUtf8("追加")) {
                b->click();
            }
        }
        shown->reject();
    });
    dialog->Run();
    EXPECT_EQ(boxParent, dialog);
    EXPECT_EQ(boxText, QString::fromUtf8("検索条件名称を入力して下さい。"));
}

TEST_F(DesktopUiGuiTest, CsvNameTypedWithoutExtensionGetsIt) {
    OpenWithList();
    form.ChangeSettings([&](SettingsRecord& s) { s.csvFolder = dir.path().string() + "/"; });
    QString title;
    OnModal<QFileDialog>([&](QFileDialog* files) {
        title = files->windowTitle();
        files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("list"));
        QTest::keyClick(files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")),
                        Qt::Key_Return);
    });
    form.SaveCSVExecute();
    EXPECT_EQ(title, QString::fromUtf8("名前を付けて保存"));
    EXPECT_TRUE(std::filesystem::exists(dir / "list.csv"));
    EXPECT_FALSE(std::filesystem::exists(dir / "list"));
}

TEST_F(DesktopUiGuiTest, RecordNumbersAndTicksAreNeverEditedInPlace) {
    OpenWithList();
    QTableView* grid = Named<QTableView>(*window, "ComboGrid1");
    QAbstractItemModel* model = grid->model();
    EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model->flags(model->index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_TRUE(model->flags(model->index(0, 4)) & Qt::ItemIsEditable);

    // Home lands in the hidden number column; typing there must not change the number.
    const QString number = model->index(0, 0).data().toString();
    grid->setFocus();
    grid->setCurrentIndex(model->index(0, 4));
    QTest::keyClick(grid, Qt::Key_Home);
    EXPECT_EQ(grid->currentIndex().column(), 1) << "never the hidden number column";
    QTest::keyClicks(grid->focusWidget(), QStringLiteral("9"));
    QTest::keyClick(grid->focusWidget(), Qt::Key_Return);
    EXPECT_EQ(model->index(0, 0).data().toString(), number);
}

TEST_F(DesktopUiGuiTest, VersionDialogOpensFromTheHelpMenu) {
    Open();
    QAction* version = MenuAction("バージョン情報(&A)");
    ASSERT_NE(version, nullptr);
    bool shown = false;
    OnModal<VersionDialog>([&](VersionDialog* dialog) {
        shown = true;
        dialog->accept();
    });
    version->trigger();
    EXPECT_TRUE(shown);
}

TEST_F(DesktopUiGuiTest, SearchBoxHintFollowsTextTheProgramPutsThere) {
    Open();
    QComboBox* title = Named<QComboBox>(*window, "CmbSrch2");
    title->setFocus();
    QTest::keyClicks(title, QStringLiteral("naruto"));
    EXPECT_EQ(title->toolTip(), QStringLiteral("naruto"));
    QAction* clear = MenuAction("条件消去");
    ASSERT_NE(clear, nullptr);
    clear->trigger();
    EXPECT_EQ(title->currentText(), QString());
    EXPECT_EQ(title->toolTip(), QString());
}

TEST_F(DesktopUiGuiTest, EveryReachableControlHasAName) {
    Open();
    QStringList unnamed;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool control =
            w->focusPolicy() != Qt::NoFocus || qobject_cast<QAbstractButton*>(w) != nullptr ||
            qobject_cast<QProgressBar*>(w) != nullptr || qobject_cast<QLabel*>(w) != nullptr;
        if (!control || w->window() != window.get() || !w->isVisibleTo(window.get()) ||
            qobject_cast<QAbstractItemView*>(w->parentWidget()) != nullptr ||
            w->inherits("QScrollBar") || w->inherits("QHeaderView")) {
            continue;
        }
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        if (a == nullptr || a->text(QAccessible::Name).isEmpty()) {
            unnamed << QString::fromLatin1(w->metaObject()->className());
        }
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QLatin1Char(' ')).toStdString();
    const QAbstractItemModel* model = Named<QTableView>(*window, "ComboGrid1")->model();
    EXPECT_EQ(model->headerData(2, Qt::Horizontal, Qt::AccessibleTextRole).toString(),
              QString::fromUtf8("出版社"));
    // A name cut short by a narrow tree can still be read in full.
    QTreeWidgetItem* leaf = Named<QTreeWidget>(*window, "TView")->topLevelItem(0)->child(0);
    EXPECT_EQ(leaf->toolTip(0), QString::fromUtf8("まんが王倶楽部"));
}

TEST_F(DesktopUiGuiTest, WindowIsKeptOnTheScreen) {
    Open("[WINDOW]\r\nLEFT=3000\r\nTOP=-200\r\nWIDTH=5000\r\nHEIGHT=4000\r\n");
    const QRect area = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    EXPECT_TRUE(area.contains(frame))
        << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
    EXPECT_TRUE(Named<QPushButton>(*window, "BtnDsp")->isVisibleTo(window.get()));
}

TEST_F(DesktopUiGuiTest, ScreenReaderToggleOfAToolButtonReachesTheLogic) {
    Open();
    QAction* forced = MenuAction("データの強制ダウンロード");
    ASSERT_NE(forced, nullptr);
    forced->setChecked(true);  // what a toggle of the tool button does, without a trigger
    EXPECT_TRUE(form.DownLoad.checked);
    forced->trigger();
    EXPECT_FALSE(form.DownLoad.checked);
    EXPECT_FALSE(forced->isChecked());
}

TEST_F(DesktopUiGuiTest, SetupKeepsItsPageAndDialogsHaveAFixedBorder) {
    Open();
    SetupDialog* setup = Named<SetupDialog>(*window, "SetupDialog");
    auto* pages = setup->findChild<QTabWidget*>();
    ASSERT_NE(pages, nullptr);
    int pageAfterChange = -1;
    QWidget* fontParent = nullptr;
    OnModal<SetupDialog>([&](SetupDialog* shown) {
        pages->setCurrentIndex(2);
        OnModal<QFontDialog>([&](QFontDialog* fonts) {
            fontParent = fonts->parentWidget();
            fonts->reject();
        });
        for (QPushButton* b : shown->findChildren<QPushButton*>()) {
            if (b->text() == QString::fromUtf8("変更")) {
                b->click();
            }
        }
        pageAfterChange = pages->currentIndex();
        // All five tabs fit: none hides behind scroll arrows.
        EXPECT_LE(pages->tabBar()->sizeHint().width(), pages->width());
        shown->reject();
    });
    setup->Run();
    EXPECT_EQ(pageAfterChange, 2);
    EXPECT_EQ(fontParent, setup);
    EXPECT_FALSE(pages->tabBar()->usesScrollButtons());
    for (QDialog* dialog :
         {static_cast<QDialog*>(setup),
          static_cast<QDialog*>(Named<ConditionListDialog>(*window, "ConditionListDialog")),
          static_cast<QDialog*>(Named<VersionDialog>(*window, "VersionDialog"))}) {
        EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(dialog->layout()->sizeConstraint(), QLayout::SetFixedSize);
    }

    // The word editor closes on Escape.
    QTest::keyClicks(Named<QComboBox>(*window, "CmbSrch1"), QStringLiteral("abc"));
    Named<WordEditor>(*window, "WordEditor")->ShowLines();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Named<WordEditor>(*window, "WordEditor")));
    QTest::keyClick(Named<QPlainTextEdit>(*Named<WordEditor>(*window, "WordEditor"), "Memo1"),
                    Qt::Key_Escape);
    EXPECT_FALSE(Named<WordEditor>(*window, "WordEditor")->isVisible());
}

TEST_F(DesktopUiGuiTest, DialogsComeInFrontOfTheStayOnTopWordEditor) {
    Open();
    WordEditor* editor = Named<WordEditor>(*window, "WordEditor");
    editor->ShowLines();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(editor));
    auto onTop = [editor] {
        return editor->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
    };
    ASSERT_TRUE(onTop());
    bool onTopDuringFiles = true, onTopDuringBox = true;
    OnModal<QFileDialog>([&](QFileDialog* files) {
        onTopDuringFiles = onTop();
        OnModal<QMessageBox>([&](QMessageBox* box) {
            onTopDuringBox = onTop();
            box->accept();
        });
        ui.ShowError("x");
        // The file dialog is still up after the box.
        EXPECT_FALSE(onTop());
        files->reject();
    });
    ui.OpenFileDialog(FileDialogRequest{});
    EXPECT_FALSE(onTopDuringFiles);
    EXPECT_FALSE(onTopDuringBox);
    EXPECT_TRUE(onTop()) << "back on top once the dialogs are gone";
    EXPECT_TRUE(editor->isVisible());
}

TEST_F(DesktopUiGuiTest, DateRangeFitsTheWindowAsItIs) {
    Open();
    const int width = window->width();
    QCheckBox* dateRange = nullptr;
    for (QCheckBox* box : window->findChildren<QCheckBox*>()) {
        if (box->text() == QString::fromUtf8("日付範囲検索をする")) {
            dateRange = box;
        }
    }
    ASSERT_NE(dateRange, nullptr);
    QTest::mouseClick(dateRange, Qt::LeftButton);
    ASSERT_TRUE(form.List.Filter.CbDate.checked);
    QApplication::processEvents();
    EXPECT_EQ(window->width(), width);
    EXPECT_TRUE(Named<QPushButton>(*window, "BtnDsp")->isVisible());
    EXPECT_LE(Named<QPushButton>(*window, "BtnDsp")->geometry().right(),
              window->centralWidget()->width());
    // Switched off again, the order box's label comes back and the window keeps its width.
    QTest::mouseClick(dateRange, Qt::LeftButton);
    ASSERT_FALSE(form.List.Filter.CbDate.checked);
    QApplication::processEvents();
    EXPECT_EQ(window->width(), width);
}

TEST_F(DesktopUiGuiTest, QtSpeaksJapanese) {
    ASSERT_TRUE(translated_) << "qtbase_ja is missing: install qt6-translations-l10n";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
              QString::fromUtf8("キャンセル"));
    EXPECT_EQ(QLocale().monthName(5), QString::fromUtf8("5月"));
}

}  // namespace
}  // namespace yomida::qt
