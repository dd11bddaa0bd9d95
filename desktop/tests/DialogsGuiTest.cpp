#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "desktop/ConditionListDialog.h"
#include "desktop/MainWindow.h"
#include "desktop/SetupDialog.h"
#include "desktop/VersionDialog.h"
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
};

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
    EXPECT_EQ(form.Settings.conditions[0][2], "A,B");

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
    setup->Ok();
    EXPECT_EQ(form.Settings.port, 0);

    VersionDialog* version = window->Version();
    version->Prepare();
    EXPECT_EQ(version->Line(0)->text(), QString::fromUtf8("書籍発売日検索プログラム"));
    EXPECT_EQ(version->Line(1)->text(), QStringLiteral("YOMIDA Ver. 2.0.2.0"));
    QTest::mouseClick(version->Line(4), Qt::LeftButton);
    ASSERT_FALSE(ui.shellOpened.empty());
    EXPECT_NE(ui.shellOpened.back().find("index.htm"), std::string::npos);
}

}  // namespace
}  // namespace yomida::qt
