#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "desktop/FeedPathsBox.h"

#include "Named.h"

namespace yomida::qt {
namespace {

TEST(FeedPathsGuiTest, EachButtonCopiesItsPathWholeEvenWhereCp932LacksACharacter) {
    // ü has no CP932 form: the path must still be copied as it names the file.
    FeedPathsBox box("/home/müller/データ");
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(Named<QLineEdit>(box, "CalendarPath")->text(),
              QString::fromUtf8("/home/müller/データ/watch.ics"));
    EXPECT_EQ(Named<QLineEdit>(box, "FeedPath")->text(),
              QString::fromUtf8("/home/müller/データ/watch.atom"));

    QTest::mouseClick(Named<QPushButton>(box, "CopyFeed"), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), Named<QLineEdit>(box, "FeedPath")->text());
    QTest::mouseClick(Named<QPushButton>(box, "CopyCalendar"), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), Named<QLineEdit>(box, "CalendarPath")->text());

    box.SetDataFolder("/srv/同期/./yomida/");
    EXPECT_EQ(Named<QLineEdit>(box, "CalendarPath")->text(),
              QString::fromUtf8("/srv/同期/yomida/watch.ics"));
}

}  // namespace
}  // namespace yomida::qt
