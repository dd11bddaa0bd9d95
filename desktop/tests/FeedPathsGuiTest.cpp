#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "Named.h"
#include "desktop/FeedPathsBox.h"

namespace yomida::qt {
namespace {

TEST(FeedPathsGuiTest, EachButtonCopiesItsPathWholeEvenWhereCp932LacksACharacter) {
    // ü has no CP932 form: the path must still be copied as it names the file.
    FeedPathsBox box("/home/müller/データ");
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    auto* calendar = Named<QLabel>(box, "CalendarPath");
    auto* feed = Named<QLabel>(box, "FeedPath");
    EXPECT_EQ(calendar->toolTip(), QString::fromUtf8("/home/müller/データ/watch.ics"));
    EXPECT_EQ(feed->toolTip(), QString::fromUtf8("/home/müller/データ/watch.atom"));

    auto* copyFeed = Named<QPushButton>(box, "CopyFeed");
    QTest::mouseClick(copyFeed, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), feed->toolTip());
    QTest::mouseClick(Named<QPushButton>(box, "CopyCalendar"), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), calendar->toolTip());

    box.SetDataFolder("/srv/同期/./yomida/");
    EXPECT_EQ(calendar->toolTip(), QString::fromUtf8("/srv/同期/yomida/watch.ics"));
}

TEST(FeedPathsGuiTest, ALongPathKeepsItsFileNameInSightAndCopyingIsConfirmed) {
    const QString folder = QStringLiteral("/home/taro/") + QString(60, QLatin1Char('x')) +
                           QStringLiteral("/yomida/data");
    FeedPathsBox box(folder.toStdString());
    box.resize(420, box.sizeHint().height());
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    for (const char* name : {"CalendarPath", "FeedPath"}) {
        auto* path = Named<QLabel>(box, name);
        const QString shown = path->text();
        EXPECT_TRUE(shown.startsWith(QStringLiteral("/home/"))) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(QStringLiteral("/watch.ics")) ||
                    shown.endsWith(QStringLiteral("/watch.atom")))
            << shown.toStdString();
        EXPECT_TRUE(shown.contains(QChar(0x2026))) << "cut in the middle: " << shown.toStdString();
        EXPECT_LE(path->fontMetrics().horizontalAdvance(shown), path->contentsRect().width());
        // A screen reader hears the whole path.
        EXPECT_TRUE(path->accessibleDescription().startsWith(folder));
    }

    auto* copy = Named<QPushButton>(box, "CopyCalendar");
    const int width = copy->width();
    QTest::mouseClick(copy, Qt::LeftButton);
    EXPECT_TRUE(QApplication::clipboard()->text().endsWith(QStringLiteral("/data/watch.ics")));
    EXPECT_EQ(copy->text(), QString::fromUtf8("コピーしました"));
    EXPECT_EQ(copy->width(), width) << "the row does not jump";
    EXPECT_TRUE(QTest::qWaitFor([copy] { return copy->text() == QString::fromUtf8("コピー"); }));
}

}  // namespace
}  // namespace yomida::qt
