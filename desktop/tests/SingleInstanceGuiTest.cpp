#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include "desktop/SingleInstance.h"
#include "support/ScriptedUi.h"

namespace yomida::qt {
namespace {

TEST(SingleInstanceGuiTest, AWatchStartHandsTheResultsToTheRunningWindowQuietly) {
    ScriptedUi ui;
    SingleInstance first(ui);
    ASSERT_TRUE(first.First());
    QWidget window;
    window.show();
    int opened = 0;
    first.RaiseOnSecondStart(window, [&] { ++opened; });

    {
        SingleInstance plain(ui);
        EXPECT_FALSE(plain.First());
    }
    ASSERT_EQ(ui.messages.size(), 1u) << "a plain second start says the window runs";
    QTest::qWait(200);
    EXPECT_EQ(opened, 0) << "a plain second start only raises the window";

    {
        SingleInstance watch(ui, InstanceLock::kWatch);
        EXPECT_FALSE(watch.First());
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return opened > 0; }, 5000));
    EXPECT_EQ(ui.messages.size(), 1u) << "asked for the watch results, it warns of nothing";
}

}  // namespace
}  // namespace yomida::qt
