#pragma once

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/WindowFetchPolicy.h"
#include "download/DownloadManager.h"
#include "platform/Clock.h"
#include "platform/TcpSocket.h"
#include "settings/SettingsRecord.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

namespace yomida::test {

// A scripted Ui and real sockets on 2003/05/07, in a fresh folder.
class LoopbackFixture : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedUi ui;
    FixedClock clock{std::chrono::year_month_day{std::chrono::year{2003}, std::chrono::month{5},
                                                 std::chrono::day{7}}};
    PosixTcpConnector connector;
};

// The program's download manager over that, its settings and data folder in the test's folder.
class DownloadFixture : public LoopbackFixture {
protected:
    DownloadFixture() {
        settings.DerivePaths(dir / "yomida");
        std::filesystem::create_directory(settings.dataFolder);
    }

    DownloadManager downloads{clock, connector};
    // The window's answers, asked of the scripted Ui.
    WindowFetchPolicy policy{ui};
    SettingsRecord settings;
    FetchContext context;
};

}  // namespace yomida::test
