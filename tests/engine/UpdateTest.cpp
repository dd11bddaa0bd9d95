#include "engine/Update.h"

#include <gtest/gtest.h>

#include "engine/SourceHealth.h"
#include "support/DownloadFixture.h"
#include "support/LoopbackServer.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"
#include "support/WeeklyFetch.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;
using test::U8;
using test::WeeklyPage;

// The weekly category's list of week 1321, as `fetch` and `update` ask for it.
class UpdateTest : public test::LoopbackFixture {
protected:
    UpdateRequest request;

    void SetUp() override {
        request.settings.dataFolder = dir / "data";
        std::filesystem::create_directory(request.settings.dataFolder);
        request.category = 2;
        request.target = year{2003} / 5 / 1;
        request.weekNumber = 1321;
        request.timeOutMs = 5000;
    }
    void PointAt(const test::LoopbackServer& server) {
        request.settings.hosts["WEEKLY"] = "127.0.0.1:" + std::to_string(server.Port());
    }
    std::filesystem::path List() const { return request.settings.dataFolder / "syosk1321.csv"; }
    UpdateResult Run(bool force = false) {
        request.force = force;
        return Update(request, ui, clock, connector);
    }
    HealthOutcome Recorded() const {
        return SourceHealth(request.settings.dataFolder).Find(2).value().outcome;
    }
};

TEST_F(UpdateTest, FetchesChecksAndKeepsTheListOnEveryFailure) {
    test::LoopbackServer server(
        {{test::kWeeklyOk + WeeklyPage()},
         {test::kWeeklyOk},
         {test::kWeeklyOk + "<html></html>"},
         {"HTTP/1.0 500 Oops\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\nLast-Modified: Tue, 06 May 2003\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\nLast-Modified: Tue, 06 May 2003\r\n\r\n" + WeeklyPage()}});
    PointAt(server);

    UpdateResult first = Run();
    EXPECT_EQ(first.outcome, UpdateOutcome::Updated) << U8(first.detail);
    EXPECT_EQ(first.dataFile, List());
    EXPECT_FALSE(first.hadList);
    EXPECT_TRUE(first.downloaded);
    EXPECT_EQ(first.records, 2);
    EXPECT_EQ(first.stamp, "Mon, 05 May 2003 10:00:00 GMT");
    EXPECT_EQ(Recorded(), HealthOutcome::Updated);
    const std::string list = test::ReadBytes(List());

    UpdateResult same = Run();
    EXPECT_EQ(same.outcome, UpdateOutcome::Unchanged);
    EXPECT_FALSE(same.downloaded);
    EXPECT_EQ(same.records, 2);
    EXPECT_TRUE(server.Requests()[1].starts_with("HEAD /1321/"));

    // Forced: a page without records is a failure, not the old list passed off as new.
    UpdateResult empty = Run(true);
    EXPECT_EQ(empty.outcome, UpdateOutcome::NoRecords);
    EXPECT_FALSE(empty.Succeeded());
    EXPECT_EQ(U8(empty.detail), "ページに発売情報がありませんでした。");
    EXPECT_EQ(empty.records, 2) << "the stored list is kept";
    EXPECT_EQ(Recorded(), HealthOutcome::NoRecords);
    EXPECT_EQ(test::ReadBytes(List()), list);

    UpdateResult refused = Run(true);
    EXPECT_EQ(refused.outcome, UpdateOutcome::HttpStatus);
    EXPECT_EQ(refused.httpStatus, 500);
    EXPECT_EQ(test::ReadBytes(List()), list);

    // A newer page with the same releases: downloaded, stamped anew, and no news.
    UpdateResult changed = Run();
    EXPECT_EQ(changed.outcome, UpdateOutcome::Unchanged);
    EXPECT_TRUE(changed.downloaded);
    EXPECT_EQ(changed.stamp, "Tue, 06 May 2003");
    EXPECT_EQ(server.Requests().size(), 6u);

    // The page goes to a file of this process, and no scratch file is left.
    for (const auto& entry : std::filesystem::directory_iterator(request.settings.dataFolder)) {
        EXPECT_FALSE(entry.path().filename().string().starts_with("download")) << entry.path();
    }

    // Nothing is asked of the network for a category imported by hand.
    request.category = 3;
    EXPECT_EQ(Run().outcome, UpdateOutcome::NeedsManualImport);
    request.category = 1;
    request.settings.directFetch = false;
    EXPECT_EQ(Run().outcome, UpdateOutcome::NeedsManualImport);
    EXPECT_EQ(server.Requests().size(), 6u);
    EXPECT_TRUE(ui.messages.empty() || ui.messages.back().kind != ScriptedUi::Kind::Confirm);
}

TEST_F(UpdateTest, GoesThroughTheProxyOfItsSettingsAndStopsWhenCancelled) {
    test::LoopbackServer proxy({{test::kWeeklyOk + WeeklyPage()}});
    request.settings.hosts["WEEKLY"] = "weekly.invalid";
    request.settings.proxy = "127.0.0.1";
    request.settings.port = proxy.Port();
    UpdateResult viaProxy = Run();
    EXPECT_EQ(viaProxy.outcome, UpdateOutcome::Updated) << U8(viaProxy.detail);
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_TRUE(proxy.Requests()[0].starts_with("GET http://weekly.invalid/1321/"))
        << proxy.Requests()[0];

    // A slow page, and a caller that gives up while it comes.
    test::LoopbackServer slow({{test::kWeeklyOk, WeeklyPage(), 20}});
    request.settings.proxy.clear();
    request.settings.port = 0;
    PointAt(slow);
    std::filesystem::remove(List());
    request.cancelled = [] { return true; };
    UpdateResult stopped = Run();
    EXPECT_EQ(stopped.outcome, UpdateOutcome::Cancelled) << U8(stopped.detail);
    EXPECT_FALSE(std::filesystem::exists(List()));
}

}  // namespace
}  // namespace yomida
