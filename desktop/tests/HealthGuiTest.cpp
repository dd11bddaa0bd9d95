#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "Named.h"
#include "desktop/HealthWindow.h"
#include "desktop/MainWindow.h"
#include "support/FormFixture.h"
#include "support/TestSupport.h"

namespace yomida::qt {
namespace {

class HealthGuiTest : public test::FormFixture {
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
    QAction* MenuItem(const QString& menu, const QString& item) {
        for (QAction* top : window->menuBar()->actions()) {
            if (top->text().startsWith(menu) && top->menu() != nullptr) {
                for (QAction* a : top->menu()->actions()) {
                    if (a->text().startsWith(item)) {
                        return a;
                    }
                }
            }
        }
        return nullptr;
    }
};

TEST_F(HealthGuiTest, TheViewMenuOpensOneRowPerCategoryAndTheTreeMarksAFailure) {
    std::filesystem::create_directories(dir / "data");
    test::WriteBytes(
        dir / "data" / "health.txt",
        "yomida-health,1\r\n"
        "comic,comic0305.csv,2003-05-07T09:30:00,2003-05-01T07:00:00,http-status,404,40,"
        "100,\"HTTP/1.0 404 Not Found\"\r\n"
        "syosk,syosk1321.csv,2003-05-07T08:00:00,2003-05-07T08:00:00,updated,0,12,10,\"\"\r\n");
    Open();

    QTreeWidgetItem* comic = Named<QTreeWidget>(*window, "TView")->topLevelItem(0)->child(0);
    ASSERT_NE(comic, nullptr);
    EXPECT_TRUE(comic->toolTip(0).endsWith(QString::fromUtf8("（前回の取得に失敗）")))
        << comic->toolTip(0).toStdString();
    EXPECT_TRUE(comic->data(0, Qt::AccessibleTextRole).toString().contains("失敗"));

    QAction* item = MenuItem(QString::fromUtf8("表示"), QString::fromUtf8("取得状況"));
    ASSERT_NE(item, nullptr);
    item->trigger();
    HealthWindow* health = Named<HealthWindow>(*window, "HealthWindow");
    ASSERT_TRUE(health->isVisible());
    EXPECT_EQ(health->accessibleName(), QString::fromUtf8("取得状況"));
    QTableWidget* table = Named<QTableWidget>(*health, "HealthTable");
    EXPECT_FALSE(table->accessibleName().isEmpty());
    ASSERT_EQ(table->rowCount(), static_cast<int>(Categories().size()));
    EXPECT_EQ(table->item(0, HealthWindow::kName)->text(), QString::fromUtf8("まんが王倶楽部"));
    EXPECT_EQ(table->item(0, HealthWindow::kLastSuccess)->text(), "2003/05/01 07:00");
    EXPECT_EQ(table->item(0, HealthWindow::kLastAttempt)->text(), "2003/05/07 09:30");
    EXPECT_EQ(table->item(0, HealthWindow::kOutcome)->text(), "HTTP 404");
    EXPECT_EQ(table->item(0, HealthWindow::kOutcome)->toolTip(), "HTTP/1.0 404 Not Found");
    EXPECT_EQ(table->item(0, HealthWindow::kCount)->text(), "40");
    EXPECT_TRUE(table->item(0, HealthWindow::kTrend)
                    ->text()
                    .contains(QString::fromUtf8("ページの形が変わった可能性があります")));
    int weekly = -1;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (table->item(row, HealthWindow::kLastAttempt)->text().startsWith("2003/05/07 08")) {
            weekly = row;
        }
    }
    ASSERT_GE(weekly, 0);
    EXPECT_EQ(table->item(weekly, HealthWindow::kOutcome)->text(), QString::fromUtf8("更新"));
    EXPECT_EQ(table->item(weekly, HealthWindow::kTrend)->text(),
              QString::fromUtf8("+2（前の期間 10件）"));
    EXPECT_FALSE(Named<QLabel>(*health, "HealthNote")->isVisible());
    const QRect area = health->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(health->frameGeometry()))
        << "the window fits the screen's free area, whatever its rows need";

    // A damaged file: the window says so and lists the categories without a record.
    test::WriteBytes(dir / "data" / "health.txt", "garbage");
    window->OpenHealth();
    EXPECT_TRUE(Named<QLabel>(*health, "HealthNote")->isVisible());
    EXPECT_EQ(table->item(0, HealthWindow::kOutcome)->text(), QString::fromUtf8("未取得"));
}

// The contrast ratio of two colours as the accessibility guidelines define it, 1 to 21.
double ContrastRatio(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(HealthGuiTest, AWindowTheKeyboardLeavesAndClosesWithTheFailureReadAloudAndLegible) {
    std::filesystem::create_directories(dir / "data");
    test::WriteBytes(dir / "data" / "health.txt",
                     "yomida-health,1\r\n"
                     "comic,comic0305.csv,2003-05-07T09:30:00,,transport-error,0,-1,-1,"
                     "\"connection refused\"\r\n");
    Open();
    window->OpenHealth();
    auto* health = Named<HealthWindow>(*window, "HealthWindow");
    QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(health);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->role(), QAccessible::Window) << "read as a window, not a filler";
    EXPECT_EQ(frame->text(QAccessible::Name), QString::fromUtf8("取得状況"));

    // The detail of the failure is the outcome cell's description, not only its tooltip.
    auto* table = Named<QTableWidget>(*health, "HealthTable");
    QAccessibleTableInterface* cells =
        QAccessible::queryAccessibleInterface(table)->tableInterface();
    ASSERT_NE(cells, nullptr);
    QAccessibleInterface* outcome = cells->cellAt(0, HealthWindow::kOutcome);
    ASSERT_NE(outcome, nullptr);
    EXPECT_EQ(outcome->text(QAccessible::Description), QStringLiteral("connection refused"));

    // Tab leaves the table for the close button instead of walking its cells.
    health->windowHandle()->requestActivate();
    ASSERT_TRUE(QTest::qWaitFor([health] { return QApplication::activeWindow() == health; }));
    table->setFocus();
    table->setCurrentCell(0, 0);
    QTest::keyClick(table, Qt::Key_Tab);
    auto* close = Named<QPushButton>(*health, "HealthClose");
    EXPECT_EQ(close->text(), QString::fromUtf8("閉じる"));
    EXPECT_TRUE(close->hasFocus());
    QTest::keyClick(close, Qt::Key_Space);
    EXPECT_FALSE(health->isVisible());

    // Escape closes it too.
    window->OpenHealth();
    health->windowHandle()->requestActivate();
    ASSERT_TRUE(QTest::qWaitFor([health] { return QApplication::activeWindow() == health; }));
    QTest::keyClick(table, Qt::Key_Escape);
    EXPECT_FALSE(health->isVisible());

    // The failure's red stays legible on a light and on a dark palette (Adwaita-Dark's #2d2d2d).
    const QPalette original = health->palette();
    for (const QColor base : {QColor(Qt::white), QColor(0x2d, 0x2d, 0x2d), QColor(0x1e, 0x1e, 0x1e),
                              QColor(0x80, 0x80, 0x80)}) {
        QPalette palette = original;
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::Text, base.lightness() < 128 ? Qt::white : Qt::black);
        health->setPalette(palette);
        window->OpenHealth();
        const QColor red = table->item(0, HealthWindow::kOutcome)->foreground().color();
        EXPECT_GE(ContrastRatio(red, base), 4.5)
            << red.name().toStdString() << " on " << base.name().toStdString();
        EXPECT_GT(red.red(), red.green() + 40) << "still a red: " << red.name().toStdString();
    }
    health->setPalette(original);
}

}  // namespace
}  // namespace yomida::qt
