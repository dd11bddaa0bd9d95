#pragma once

#include <gtest/gtest.h>

#include "app/MainWindowLogic.h"
#include "download/DownloadManager.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

namespace yomida::test {

// Hands every request to the download manager, or to a test's own fetcher once one is set.
class ForwardingFetcher final : public SourceFetcher {
public:
    explicit ForwardingFetcher(SourceFetcher& fallback) : fallback_(fallback) {}
    SourceFetcher* target = nullptr;

    FetchResult FetchSource(const FetchContext& c, FetchPolicy& p) override {
        return Target().FetchSource(c, p);
    }
    FetchResult CheckForUpdate(const FetchContext& c, FetchPolicy& p) override {
        return Target().CheckForUpdate(c, p);
    }
    FetchResult ImportFile(const FetchContext& c, const std::filesystem::path& file,
                           FetchPolicy& p) override {
        return Target().ImportFile(c, file, p);
    }
    Result<std::string, ProbeRefusal> ProbeBookTownMonth(const FetchContext& c,
                                                         const std::string& host,
                                                         FetchPolicy& p) override {
        return Target().ProbeBookTownMonth(c, host, p);
    }

private:
    SourceFetcher& Target() { return target != nullptr ? *target : fallback_; }
    SourceFetcher& fallback_;
};

// The main window's logic with the program's own download manager.
struct WindowLogic {
    WindowLogic(Ui& ui, const Clock& clock) : downloads(clock, tcp), form(ui, clock, downloads) {}

    PosixTcpConnector tcp;
    DownloadManager downloads;
    MainWindowLogic form;
};

// The main window's logic on 2003/05/07 with a scripted Ui, in a fresh folder.
class FormFixture : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedUi ui;
    FixedClock clock{std::chrono::year_month_day{std::chrono::year{2003}, std::chrono::month{5},
                                                 std::chrono::day{7}}};
    PosixTcpConnector tcp;
    DownloadManager downloads{clock, tcp};
    ForwardingFetcher fetcher{downloads};
    MainWindowLogic form{ui, clock, fetcher};

    // Starts the window as the program does, the program living in the test's folder.
    void Start() { ASSERT_TRUE(form.FormCreate(dir / "yomida")); }
};

}  // namespace yomida::test
