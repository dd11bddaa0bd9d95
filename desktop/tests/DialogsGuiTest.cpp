#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QWindow>

#include "Named.h"
#include "desktop/ConditionListDialog.h"
#include "desktop/FeedPathsBox.h"
#include "desktop/MainWindow.h"
#include "desktop/SetupDialog.h"
#include "desktop/VersionDialog.h"
#include "desktop/WatchResultWindow.h"
#include "desktop/WatchWordsDialog.h"
#include "desktop/WordEditor.h"
#include "support/FormFixture.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

namespace yomida::qt {
namespace {

using namespace std::chrono;

class DialogsGuiTest : public test::FormFixture {
protected:
    std::unique_ptr<MainWindow> window;

    void SetUp() override {
        window = std::make_unique<MainWindow>(form);
        ASSERT_TRUE(form.FormCreate(dir / "yomida"));
        window->Push();
        window->show();
    }
    QPushButton* Button(QWidget* parent, const char* caption) {
        for (QPushButton* b : parent->findChildren<QPushButton*>()) {
            if (b->text() == QString::fromUtf8(caption)) {
                return b;
            }
        }
        return nullptr;
    }
    static QString Name(QObject* object) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(object);
        return a != nullptr ? a->text(QAccessible::Name) : QString();
    }
    static QAccessible::Role Role(QObject* object) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(object);
        return a != nullptr ? a->role() : QAccessible::NoRole;
    }
};

TEST_F(DialogsGuiTest, ScreenReaderHearsWhatEachFieldAndWindowIs) {
    ConditionListDialog* conditions = Named<ConditionListDialog>(*window, "ConditionListDialog");
    conditions->Prepare();
    EXPECT_EQ(Name(Named<QLineEdit>(*conditions, "EdtName")), QString::fromUtf8("検索条件名称"));
    EXPECT_EQ(Name(Named<QListWidget>(*conditions, "LbxName")),
              QString::fromUtf8("保存した検索条件"));
    conditions->reject();

    for (QAction* a : window->findChildren<QAction*>()) {
        if (a->text() == QString::fromUtf8("タイトル条件編集")) {
            a->trigger();
        }
    }
    WordEditor* editor = Named<WordEditor>(*window, "WordEditor");
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(Role(editor), QAccessible::Dialog);
    EXPECT_EQ(Name(editor), QString::fromUtf8("YOMIDA エディター"));
    EXPECT_EQ(Name(Named<QPlainTextEdit>(*editor, "Memo1")),
              QString::fromUtf8("タイトルの条件（1行に1語）"));

    WatchWordsDialog* words = Named<WatchWordsDialog>(*window, "WatchWordsDialog");
    const char* boxes[3] = {"出版社", "タイトル", "作者名"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Name(Named<QPlainTextEdit>(*words, QStringLiteral("Memo%1").arg(i + 1))),
                  QString::fromUtf8(boxes[i]));
    }
    WatchResultWindow* results = Named<WatchResultWindow>(*window, "WatchResultWindow");
    EXPECT_EQ(Role(results), QAccessible::Window);
    EXPECT_EQ(Name(results), QString::fromUtf8("ウォッチ結果"));
    EXPECT_EQ(Name(Named<QTableWidget>(*results, "WatchTable")),
              QString::fromUtf8("ウォッチに合った行"));

    // A combo box on Linux is named by its text; the label tied to it says what it orders.
    QComboBox* order = window->findChild<QComboBox*>(QStringLiteral("CmbSort"));
    ASSERT_NE(order, nullptr);
    QStringList labels;
    for (const auto& [label, relation] :
         QAccessible::queryAccessibleInterface(order)->relations(QAccessible::Label)) {
        labels << label->text(QAccessible::Name);
    }
    EXPECT_EQ(labels, QStringList{QString::fromUtf8("並び順")});

    // The free condition slots say which slot they are.
    QStringList slotNames;
    for (QAction* a : window->findChildren<QAction*>()) {
        if (a->shortcut() == QKeySequence(QStringLiteral("Ctrl+3"))) {
            slotNames << a->text();
        }
    }
    EXPECT_EQ(slotNames, QStringList{QString::fromUtf8("検索条件 3 (未使用)")});
}

TEST_F(DialogsGuiTest, ConditionListAddsAndOkRelabelsTheCommands) {
    Named<QComboBox>(*window, "CmbSrch1")->setEditText(QStringLiteral("A,B"));
    ConditionListDialog* dialog = Named<ConditionListDialog>(*window, "ConditionListDialog");
    dialog->Prepare();
    Named<QLineEdit>(*dialog, "EdtName")->setText(QString::fromUtf8("新刊チェック"));
    QTest::mouseClick(Button(dialog, "追加"), Qt::LeftButton);
    ASSERT_EQ(Named<QListWidget>(*dialog, "LbxName")->count(), 1);
    EXPECT_EQ(Named<QListWidget>(*dialog, "LbxName")->currentRow(), 0);
    QTest::mouseClick(Button(dialog, "ＯＫ"), Qt::LeftButton);
    EXPECT_EQ(test::U8(form.Conditions.Jouken[0].caption), "新刊チェック");
    EXPECT_EQ(form.CurrentSettings().conditions[0][2], "A,B");

    dialog->Prepare();
    Named<QLineEdit>(*dialog, "EdtName")->clear();
    QTest::mouseClick(Button(dialog, "追加"), Qt::LeftButton);
    EXPECT_EQ(test::U8(ui.messages.back().text), "検索条件名称を入力して下さい。");
}

TEST_F(DialogsGuiTest, WordEditorOpensOnDoubleClickAndWritesTheBox) {
    QComboBox* box = Named<QComboBox>(*window, "CmbSrch2");
    box->setEditText(QStringLiteral("B,A,B"));
    QTest::mouseDClick(box->lineEdit(), Qt::LeftButton);
    WordEditor* editor = Named<WordEditor>(*window, "WordEditor");
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(Named<QPlainTextEdit>(*editor, "Memo1")->toPlainText(), QStringLiteral("A\nB"));
    Named<QPlainTextEdit>(*editor, "Memo1")->setPlainText(QStringLiteral("X\nY\n"));
    editor->Ok();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(box->currentText(), QStringLiteral("X,Y"));
}

TEST_F(DialogsGuiTest, SetupDialogAppliesAndVersionDialogShowsItsLines) {
    SetupDialog* setup = Named<SetupDialog>(*window, "SetupDialog");
    setup->Prepare();
    EXPECT_EQ(Named<QLineEdit>(*setup, "EdtFontSize")->text(), QStringLiteral("9"));
    EXPECT_EQ(Named<QLineEdit>(*setup, "EdtPORT")->text(), QStringLiteral("0"));
    Named<QLineEdit>(*setup, "EdtPORT")->setText(QStringLiteral("8080x"));
    QCheckBox* direct = nullptr;
    for (QCheckBox* box : setup->findChildren<QCheckBox*>()) {
        if (box->text() == QString::fromUtf8("直接取得する")) {
            direct = box;
        }
    }
    ASSERT_NE(direct, nullptr);
    EXPECT_TRUE(direct->isChecked());
    direct->setChecked(false);
    setup->Ok();
    EXPECT_EQ(form.CurrentSettings().port, 0);
    EXPECT_FALSE(form.CurrentSettings().directFetch);

    VersionDialog* version = Named<VersionDialog>(*window, "VersionDialog");
    version->Prepare();
    EXPECT_EQ(Named<QLabel>(*version, "LblVer1")->text(),
              QString::fromUtf8("書籍発売日検索プログラム"));
    EXPECT_EQ(Named<QLabel>(*version, "LblVer2")->text(), QStringLiteral("YOMIDA Ver. 2.0.2.0"));
    QTest::mouseClick(Named<QLabel>(*version, "LblVer5"), Qt::LeftButton);
    ASSERT_FALSE(ui.shellOpened.empty());
    EXPECT_NE(ui.shellOpened.back().find("index.htm"), std::string::npos);
}

TEST_F(DialogsGuiTest, SetupSchedulePageSwitchesTheTimerAndShowsARefusal) {
    std::vector<std::pair<bool, int>> switched;
    std::string refusal;
    form.setup.ApplySchedule = [&](bool on, int hour) {
        switched.emplace_back(on, hour);
        return refusal;
    };
    SetupDialog* setup = Named<SetupDialog>(*window, "SetupDialog");
    setup->Prepare();
    auto* pages = setup->findChild<QTabWidget*>();
    ASSERT_NE(pages, nullptr);
    ASSERT_EQ(pages->count(), 6);
    EXPECT_EQ(pages->tabText(5), QString::fromUtf8("自動更新"));
    EXPECT_EQ(Named<QCheckBox>(*setup, "CbxSchedule")->text(), QString::fromUtf8("自動更新する"));
    EXPECT_EQ(Named<QCheckBox>(*setup, "CbxAlarm")->text(),
              QString::fromUtf8("前日9時に通知（カレンダー）"));
    EXPECT_FALSE(Named<QCheckBox>(*setup, "CbxSchedule")->isChecked());
    EXPECT_EQ(Named<QSpinBox>(*setup, "SpnHour")->value(), 7);
    EXPECT_EQ(Named<QSpinBox>(*setup, "SpnHour")->maximum(), 23);
    EXPECT_FALSE(Named<QSpinBox>(*setup, "SpnHour")->isEnabled())
        << "no hour to pick while the update is off";
    // The files to subscribe to are named on the same page.
    EXPECT_EQ(Named<QLabel>(*setup, "CalendarPath")->toolTip(),
              QString::fromStdString((form.CurrentSettings().dataFolder / "watch.ics").string()));
    EXPECT_EQ(Named<QLabel>(*setup, "FeedPath")->toolTip(),
              QString::fromStdString((form.CurrentSettings().dataFolder / "watch.atom").string()));

    Named<QCheckBox>(*setup, "CbxSchedule")->click();
    EXPECT_TRUE(Named<QSpinBox>(*setup, "SpnHour")->isEnabled());
    Named<QSpinBox>(*setup, "SpnHour")->setValue(21);
    Named<QCheckBox>(*setup, "CbxAlarm")->setChecked(true);
    setup->Ok();
    EXPECT_EQ(switched, (std::vector<std::pair<bool, int>>{{true, 21}}));
    EXPECT_TRUE(form.CurrentSettings().scheduleOn);
    EXPECT_EQ(form.CurrentSettings().scheduleHour, 21);
    EXPECT_TRUE(form.CurrentSettings().scheduleAlarm);

    refusal = "systemd のユーザーマネージャーが見つからないため、自動更新を設定できません。";
    setup->Prepare();
    EXPECT_TRUE(Named<QCheckBox>(*setup, "CbxSchedule")->isChecked());
    EXPECT_EQ(Named<QSpinBox>(*setup, "SpnHour")->value(), 21);
    Named<QCheckBox>(*setup, "CbxSchedule")->setChecked(false);
    setup->Ok();
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(test::U8(ui.messages.back().text), refusal);
    EXPECT_TRUE(form.CurrentSettings().scheduleOn)
        << "the timer is still on, and so is the setting";
}

TEST_F(DialogsGuiTest, SetupHelpOpensTheManualAtThePageInFront) {
    const std::string manual =
        test::ReadBytes(std::filesystem::path(YOMIDA_SAMPLES) / ".." / "manual" / "index.htm");
    auto* setup = Named<SetupDialog>(*window, "SetupDialog");
    setup->SetScheduleCheck([] { return std::string(); });
    setup->Prepare();
    auto* pages = Named<QTabWidget>(*setup, "PageControl1");
    const char* sections[] = {"setup-font",   "setup-books", "setup-proxy",
                              "setup-dialup", "setup-other", "schedule"};
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        QTest::mouseClick(Named<QPushButton>(*setup, "BtnHelp"), Qt::LeftButton);
        ASSERT_FALSE(ui.shellOpened.empty());
        const std::string opened = ui.shellOpened.back();
        const std::string section = sections[page];
        EXPECT_TRUE(opened.ends_with("index.htm#" + section)) << opened;
        EXPECT_NE(manual.find("id=\"" + section + "\""), std::string::npos)
            << "the manual has no section " << section;
    }
    setup->reject();
}

TEST_F(DialogsGuiTest, SetupReturnMeansOkOnEveryPage) {
    form.setup.ApplySchedule = [](bool, int) { return std::string(); };
    auto* setup = Named<SetupDialog>(*window, "SetupDialog");
    setup->SetScheduleCheck([] { return std::string(); });
    auto* pages = Named<QTabWidget>(*setup, "PageControl1");
    for (int page = 0; page < pages->count(); ++page) {
        ui.fontAnswers = {FontChoice{"IPAGothic", 20}};
        setup->Prepare();
        pages->setCurrentIndex(page);
        setup->show();
        setup->windowHandle()->requestActivate();
        ASSERT_TRUE(QTest::qWaitFor([setup] { return QApplication::activeWindow() == setup; }));
        // The font page's first field has the focus, next to its 変更 button.
        QWidget* focus = page == 0 ? Named<QWidget>(*setup, "EdtFontName") : pages->currentWidget();
        focus->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(setup->isVisible()) << "page " << page;
        EXPECT_EQ(setup->result(), QDialog::Accepted) << "page " << page;
        EXPECT_EQ(ui.fontAnswers.size(), 1U) << "no font dialog on page " << page;
    }
    EXPECT_EQ(test::U8(form.CurrentSettings().fontName), "ＭＳ ゴシック");
}

TEST_F(DialogsGuiTest, SetupSaysOnItsPageWhenNoUserManagerCanRunTheUpdate) {
    int switched = 0;
    form.setup.ApplySchedule = [&](bool, int) {
        ++switched;
        return std::string("not reached");
    };
    int checks = 0;
    const std::string reason =
        "systemd のユーザーマネージャーが見つからないため、自動更新を設定できません。"
        "(Failed to connect to bus)";
    auto* setup = Named<SetupDialog>(*window, "SetupDialog");
    setup->SetScheduleCheck([&] {
        ++checks;
        return reason;
    });
    setup->Prepare();
    auto* pages = Named<QTabWidget>(*setup, "PageControl1");
    EXPECT_EQ(checks, 0) << "systemd is asked only when the page is looked at";
    Named<QLineEdit>(*setup, "EdtPORT")->setText(QStringLiteral("8080"));
    pages->setCurrentIndex(5);
    setup->show();
    EXPECT_EQ(checks, 1);
    auto* schedule = Named<QCheckBox>(*setup, "CbxSchedule");
    EXPECT_FALSE(schedule->isEnabled());
    EXPECT_FALSE(Named<QSpinBox>(*setup, "SpnHour")->isEnabled());
    EXPECT_TRUE(Named<QCheckBox>(*setup, "CbxAlarm")->isEnabled()) << "the calendar needs no timer";
    auto* why = Named<QLabel>(*setup, "ScheduleUnavailable");
    EXPECT_TRUE(why->isVisible());
    EXPECT_EQ(why->text().toStdString(), reason);

    // OK keeps what the other pages changed, and asks the missing manager nothing.
    QTest::mouseClick(Named<QPushButton>(*setup, "BtnOK"), Qt::LeftButton);
    EXPECT_EQ(setup->result(), QDialog::Accepted);
    EXPECT_EQ(form.CurrentSettings().port, 8080);
    EXPECT_EQ(switched, 0);
    EXPECT_TRUE(ui.messages.empty());

    // Once the manager is there, the page says nothing and the box can be ticked.
    setup->SetScheduleCheck([] { return std::string(); });
    setup->Prepare();
    setup->show();
    EXPECT_TRUE(schedule->isEnabled());
    EXPECT_FALSE(why->isVisible());
    setup->reject();
}

}  // namespace
}  // namespace yomida::qt
