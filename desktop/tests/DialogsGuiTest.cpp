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
    ConditionListDialog* conditions = window->ConditionList();
    conditions->Prepare();
    EXPECT_EQ(Name(conditions->NameField()), QString::fromUtf8("検索条件名称"));
    EXPECT_EQ(Name(conditions->NameList()), QString::fromUtf8("保存した検索条件"));
    conditions->reject();

    for (QAction* a : window->findChildren<QAction*>()) {
        if (a->text() == QString::fromUtf8("タイトル条件編集")) {
            a->trigger();
        }
    }
    WordEditor* editor = window->Editor();
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(Role(editor), QAccessible::Dialog);
    EXPECT_EQ(Name(editor), QString::fromUtf8("YOMIDA エディター"));
    EXPECT_EQ(Name(editor->Memo()), QString::fromUtf8("タイトルの条件（1行に1語）"));

    WatchWordsDialog* words = window->WatchWords();
    const char* boxes[3] = {"出版社", "タイトル", "作者名"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Name(words->Box(i)), QString::fromUtf8(boxes[i]));
    }
    WatchResultWindow* results = window->WatchResults();
    EXPECT_EQ(Role(results), QAccessible::Window);
    EXPECT_EQ(Name(results), QString::fromUtf8("ウォッチ結果"));
    EXPECT_EQ(Name(results->Table()), QString::fromUtf8("ウォッチに合った行"));

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
    window->SearchBox(1)->setEditText(QStringLiteral("A,B"));
    ConditionListDialog* dialog = window->ConditionList();
    dialog->Prepare();
    dialog->NameField()->setText(QString::fromUtf8("新刊チェック"));
    QTest::mouseClick(Button(dialog, "追加"), Qt::LeftButton);
    ASSERT_EQ(dialog->NameList()->count(), 1);
    EXPECT_EQ(dialog->NameList()->currentRow(), 0);
    QTest::mouseClick(Button(dialog, "ＯＫ"), Qt::LeftButton);
    EXPECT_EQ(test::U8(form.Conditions.Jouken[0].caption), "新刊チェック");
    EXPECT_EQ(form.CurrentSettings().conditions[0][2], "A,B");

    dialog->Prepare();
    dialog->NameField()->clear();
    QTest::mouseClick(Button(dialog, "追加"), Qt::LeftButton);
    EXPECT_EQ(test::U8(ui.messages.back().text), "検索条件名称を入力して下さい。");
}

TEST_F(DialogsGuiTest, WordEditorOpensOnDoubleClickAndWritesTheBox) {
    QComboBox* box = window->SearchBox(2);
    box->setEditText(QStringLiteral("B,A,B"));
    QTest::mouseDClick(box->lineEdit(), Qt::LeftButton);
    WordEditor* editor = window->Editor();
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->Memo()->toPlainText(), QStringLiteral("A\nB"));
    editor->Memo()->setPlainText(QStringLiteral("X\nY\n"));
    editor->Ok();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(box->currentText(), QStringLiteral("X,Y"));
}

TEST_F(DialogsGuiTest, SetupDialogAppliesAndVersionDialogShowsItsLines) {
    SetupDialog* setup = window->Setup();
    setup->Prepare();
    EXPECT_EQ(setup->FontSizeField()->text(), QStringLiteral("9"));
    EXPECT_EQ(setup->PortField()->text(), QStringLiteral("0"));
    setup->PortField()->setText(QStringLiteral("8080x"));
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

    VersionDialog* version = window->Version();
    version->Prepare();
    EXPECT_EQ(version->Line(0)->text(), QString::fromUtf8("書籍発売日検索プログラム"));
    EXPECT_EQ(version->Line(1)->text(), QStringLiteral("YOMIDA Ver. 2.0.2.0"));
    QTest::mouseClick(version->Line(4), Qt::LeftButton);
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
    SetupDialog* setup = window->Setup();
    setup->Prepare();
    auto* pages = setup->findChild<QTabWidget*>();
    ASSERT_NE(pages, nullptr);
    ASSERT_EQ(pages->count(), 6);
    EXPECT_EQ(pages->tabText(5), QString::fromUtf8("自動更新"));
    EXPECT_EQ(setup->ScheduleBox()->text(), QString::fromUtf8("自動更新する"));
    EXPECT_EQ(setup->AlarmBox()->text(), QString::fromUtf8("前日9時に通知（カレンダー）"));
    EXPECT_FALSE(setup->ScheduleBox()->isChecked());
    EXPECT_EQ(setup->HourBox()->value(), 7);
    EXPECT_EQ(setup->HourBox()->maximum(), 23);
    EXPECT_FALSE(setup->HourBox()->isEnabled()) << "no hour to pick while the update is off";
    // The files to subscribe to are named on the same page.
    EXPECT_EQ(setup->FeedPaths()->CalendarPath()->text(),
              QString::fromStdString((form.CurrentSettings().dataFolder / "watch.ics").string()));
    EXPECT_EQ(setup->FeedPaths()->FeedPath()->text(),
              QString::fromStdString((form.CurrentSettings().dataFolder / "watch.atom").string()));

    setup->ScheduleBox()->click();
    EXPECT_TRUE(setup->HourBox()->isEnabled());
    setup->HourBox()->setValue(21);
    setup->AlarmBox()->setChecked(true);
    setup->Ok();
    EXPECT_EQ(switched, (std::vector<std::pair<bool, int>>{{true, 21}}));
    EXPECT_TRUE(form.CurrentSettings().scheduleOn);
    EXPECT_EQ(form.CurrentSettings().scheduleHour, 21);
    EXPECT_TRUE(form.CurrentSettings().scheduleAlarm);

    refusal = "systemd のユーザーマネージャーが見つからないため、自動更新を設定できません。";
    setup->Prepare();
    EXPECT_TRUE(setup->ScheduleBox()->isChecked());
    EXPECT_EQ(setup->HourBox()->value(), 21);
    setup->ScheduleBox()->setChecked(false);
    setup->Ok();
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(test::U8(ui.messages.back().text), refusal);
    EXPECT_TRUE(form.CurrentSettings().scheduleOn)
        << "the timer is still on, and so is the setting";
}

}  // namespace
}  // namespace yomida::qt
