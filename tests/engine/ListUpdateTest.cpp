#include "engine/ListUpdate.h"

#include <gtest/gtest.h>

#include "engine/SourceHealth.h"
#include "engine/UpdateRun.h"
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

// Answers every step with a result the test scripts, and notes what it was asked.
class ScriptedFetcher final : public SourceFetcher {
public:
    FetchResult answer;
    FetchResult check;
    Result<std::string, ProbeRefusal> probe = std::string("_old");
    std::function<void(const FetchContext&)> onFetch;
    std::vector<std::string> probedHosts;
    int fetches = 0;

    FetchResult FetchSource(const FetchContext& context, FetchPolicy&) override {
        ++fetches;
        if (onFetch) {
            onFetch(context);
        }
        return answer;
    }
    FetchResult ImportFile(const FetchContext& context, const std::filesystem::path&,
                           FetchPolicy& policy) override {
        return FetchSource(context, policy);
    }
    FetchResult CheckForUpdate(const FetchContext&, FetchPolicy&) override { return check; }
    Result<std::string, ProbeRefusal> ProbeBookTownMonth(const FetchContext&,
                                                         const std::string& host,
                                                         FetchPolicy&) override {
        probedHosts.push_back(host);
        return probe;
    }
};

// Answers from a script and notes every question, as a window's user would be asked.
class ScriptedPolicy final : public FetchPolicy {
public:
    std::deque<bool> answers;
    std::vector<FetchQuestion> asked;

    bool Ask(FetchQuestion question, const std::string&) override {
        asked.push_back(question);
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return yes;
    }
    std::optional<std::filesystem::path> ChooseImportFile(const ImportFileChoice&) override {
        return std::nullopt;
    }
    void OpenPage(const std::string&) override {}
    void StartProgram(const std::filesystem::path&) override {}
    void Working(bool) override {}
};

class ListUpdateTest : public ::testing::Test {
protected:
    test::TempDir dir;
    FixedClock clock{year_month_day{year{2003}, month{5}, day{7}}};
    ScriptedFetcher fetcher;
    ScriptedPolicy policy;
    ListUpdate lists{fetcher, clock};
    ListUpdateRequest request;

    void SetUp() override {
        request.settings.dataFolder = dir.path();
        request.settings.listId = "2003/05";
        request.category = 2;
        request.target = year{2003} / 5 / 1;
        request.weekNumber = 1321;
    }
    std::optional<CategoryHealth> Recorded(int category = 2) const {
        return SourceHealth(dir.path()).Find(category);
    }
    void NewList() {
        fetcher.onFetch = [](const FetchContext& c) {
            test::WriteDataFile(c.dataFile, {"\"s\",No", "1,,a,b,c,,"});
        };
        fetcher.answer.ranToEnd = true;
        fetcher.answer.requested = true;
        fetcher.answer.replaced = true;
        fetcher.answer.records = 1;
        fetcher.answer.outcome = FetchOutcome::Updated;
    }
};

TEST_F(ListUpdateTest, ResolvesWithTheSettingsHostsAndTellsARefusedProbe) {
    request.settings.hosts = {{"WEEKLY", "weekly.invalid"}, {"BOOKTOWN", "books.invalid"}};
    lists.UseSettings(request.settings);
    EXPECT_EQ(lists.Locate(request).dataFile, dir / "syosk1321.csv");
    EXPECT_NE(lists.Locate(request).sourceUrl.find("weekly.invalid/1321/"), std::string::npos);

    // The month probe goes to the settings' host; a month the site does not show is no failure
    // of the source, and nothing is recorded.
    request.category = 7;
    policy.answers = {false};
    ListUpdateResult probed = lists.Run(request, policy);
    EXPECT_TRUE(probed.resolved);
    EXPECT_EQ(fetcher.probedHosts, std::vector<std::string>{"books.invalid"});
    ProbeRefusal notShown;
    notShown.notices = {{Notice::Kind::Error, Sj("指定年月は範囲外の為ダウンロード出来ません。")}};
    fetcher.probe = Failure<ProbeRefusal>{notShown, ""};
    ListUpdateResult refused = lists.Run(request, policy);
    EXPECT_FALSE(refused.resolved);
    EXPECT_EQ(refused.outcome, FetchOutcome::NotServed);
    EXPECT_EQ(refused.location.dataFile, dir / "snsyo0305.csv");
    EXPECT_EQ(refused.notices, notShown.notices);
    EXPECT_FALSE(Recorded(7));

    // A probe whose request failed is the source's failure like any other.
    ProbeRefusal failed;
    failed.outcome = FetchOutcome::TransportError;
    failed.detail = "Connection Failed";
    fetcher.probe = Failure<ProbeRefusal>{failed, failed.detail};
    EXPECT_EQ(lists.Run(request, policy).outcome, FetchOutcome::TransportError);
    ASSERT_TRUE(Recorded(7));
    EXPECT_EQ(Recorded(7)->outcome, FetchOutcome::TransportError);
    EXPECT_EQ(Recorded(7)->detail, "Connection Failed");

    // Offline nothing is probed.
    request.online = false;
    static_cast<void>(lists.Run(request, policy));
    EXPECT_EQ(fetcher.probedHosts.size(), 3u);
}

TEST_F(ListUpdateTest, TheDisplaysQuestionsComeInTheirOrderAndEachStepIsRecorded) {
    // No list: asked first; No fetches nothing.
    policy.answers = {false};
    ListUpdateResult declined = lists.Run(request, policy);
    EXPECT_EQ(policy.asked, std::vector<FetchQuestion>{FetchQuestion::Download});
    EXPECT_FALSE(declined.showList);
    EXPECT_EQ(fetcher.fetches, 0);

    // Yes fetches, records and shows the new list.
    NewList();
    policy.answers = {true};
    ListUpdateResult fetched = lists.Run(request, policy);
    EXPECT_TRUE(fetched.showList);
    EXPECT_EQ(fetched.outcome, FetchOutcome::Updated);
    EXPECT_EQ(fetched.records, 1);
    EXPECT_EQ(Recorded()->outcome, FetchOutcome::Updated);
    EXPECT_EQ(Recorded()->count, 1);

    // A stored list whose page is newer: asked again; No shows the stored list.
    policy.asked.clear();
    fetcher.check.requested = true;
    fetcher.check.ranToEnd = true;
    fetcher.check.outcome = FetchOutcome::Updated;
    policy.answers = {false};
    EXPECT_TRUE(lists.Run(request, policy).showList);
    EXPECT_EQ(policy.asked, std::vector<FetchQuestion>{FetchQuestion::DownloadAgain});

    // A check the server refuses is recorded, and the stored list is shown.
    fetcher.check = FetchResult{};
    fetcher.check.requested = true;
    fetcher.check.outcome = FetchOutcome::HttpStatus;
    fetcher.check.httpStatus = 404;
    ListUpdateResult refused = lists.Run(request, policy);
    EXPECT_TRUE(refused.showList);
    EXPECT_EQ(refused.outcome, FetchOutcome::HttpStatus);
    EXPECT_EQ(Recorded()->httpStatus, 404);

    // Offline, a forced download is refused before anything else.
    request.online = false;
    request.forced = true;
    ListUpdateResult offline = lists.Run(request, policy);
    ASSERT_EQ(offline.notices.size(), 1u);
    EXPECT_EQ(offline.notices[0].kind, Notice::Kind::Warning);
    EXPECT_FALSE(offline.showList);

    // A conversion that throws: recorded, and passed on.
    request.online = true;
    policy.answers = {true};
    fetcher.onFetch = [](const FetchContext&) { throw std::runtime_error("bad row 3"); };
    EXPECT_THROW(static_cast<void>(lists.Run(request, policy)), std::runtime_error);
    EXPECT_EQ(Recorded()->outcome, FetchOutcome::ConversionError);
    EXPECT_EQ(Recorded()->detail, "bad row 3");
}

// The weekly category's list of week 1321, as `fetch` and `update` ask for it.
class UnattendedUpdateTest : public test::LoopbackFixture {
protected:
    SettingsRecord settings;
    ListUpdateRequest request;
    DownloadManager downloads{clock, connector};

    void SetUp() override {
        settings.dataFolder = dir / "data";
        std::filesystem::create_directory(settings.dataFolder);
        Reset();
    }
    void Reset() {
        request = UnattendedRequest(settings, 2, 5000);
        request.target = year{2003} / 5 / 1;
        request.weekNumber = 1321;
    }
    void PointAt(const test::LoopbackServer& server) {
        settings.hosts["WEEKLY"] = "127.0.0.1:" + std::to_string(server.Port());
        request.settings.hosts = settings.hosts;
    }
    std::filesystem::path List() const { return settings.dataFolder / "syosk1321.csv"; }
    ListUpdateResult Update(bool force = false) {
        request.forced = force;
        ListUpdate lists(downloads, clock);
        lists.UseSettings(request.settings);
        UnattendedPolicy unattended;
        return lists.Run(request, unattended);
    }
    FetchOutcome Recorded() const {
        return SourceHealth(settings.dataFolder).Find(2).value().outcome;
    }
};

TEST_F(UnattendedUpdateTest, FetchesChecksAndKeepsTheListOnEveryFailure) {
    test::LoopbackServer server(
        {{test::kWeeklyOk + WeeklyPage()},
         {test::kWeeklyOk},
         {test::kWeeklyOk + "<html></html>"},
         {"HTTP/1.0 500 Oops\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\nLast-Modified: Tue, 06 May 2003\r\n\r\n"},
         {"HTTP/1.0 200 OK\r\nLast-Modified: Tue, 06 May 2003\r\n\r\n" + WeeklyPage()}});
    PointAt(server);

    ListUpdateResult first = Update();
    EXPECT_EQ(first.outcome, FetchOutcome::Updated) << U8(first.detail);
    EXPECT_EQ(first.location.dataFile, List());
    EXPECT_FALSE(first.hadList);
    EXPECT_TRUE(first.downloaded);
    EXPECT_EQ(first.records, 2);
    EXPECT_EQ(first.stamp, "Mon, 05 May 2003 10:00:00 GMT");
    EXPECT_EQ(Recorded(), FetchOutcome::Updated);
    const std::string list = test::ReadBytes(List());

    ListUpdateResult same = Update();
    EXPECT_EQ(same.outcome, FetchOutcome::Unchanged);
    EXPECT_FALSE(same.downloaded);
    EXPECT_EQ(same.records, 2);
    EXPECT_TRUE(server.Requests()[1].starts_with("HEAD /1321/"));

    // Forced: a page without records is a failure, not the old list passed off as new.
    ListUpdateResult empty = Update(true);
    EXPECT_EQ(empty.outcome, FetchOutcome::NoRecords);
    EXPECT_FALSE(empty.Succeeded());
    EXPECT_EQ(U8(empty.detail), "ページに発売情報がありませんでした。");
    EXPECT_EQ(empty.records, 2) << "the stored list is kept";
    EXPECT_EQ(Recorded(), FetchOutcome::NoRecords);
    EXPECT_EQ(test::ReadBytes(List()), list);

    ListUpdateResult refused = Update(true);
    EXPECT_EQ(refused.outcome, FetchOutcome::HttpStatus);
    EXPECT_EQ(refused.httpStatus, 500);
    EXPECT_EQ(test::ReadBytes(List()), list);

    // A newer page with the same releases: downloaded, stamped anew, and no news.
    ListUpdateResult changed = Update();
    EXPECT_EQ(changed.outcome, FetchOutcome::Unchanged);
    EXPECT_TRUE(changed.downloaded);
    EXPECT_EQ(changed.stamp, "Tue, 06 May 2003");
    EXPECT_EQ(server.Requests().size(), 6u);

    // The page goes to a file of this process, and no scratch file is left.
    for (const auto& entry : std::filesystem::directory_iterator(settings.dataFolder)) {
        EXPECT_FALSE(entry.path().filename().string().starts_with("download")) << entry.path();
    }

    // Nothing is asked of the network for a category imported by hand.
    UpdateRunRequest run;
    run.settings = settings;
    run.settings.directFetch = false;
    run.categories = {3, 1};
    run.periods = 2;
    const UpdateSummary skipped = RunUpdates(run, downloads, clock);
    ASSERT_EQ(skipped.categories.size(), 2u) << "one line for each, not one per period";
    EXPECT_EQ(skipped.categories[0].result.outcome, FetchOutcome::ManualImport);
    EXPECT_EQ(skipped.categories[1].result.outcome, FetchOutcome::ManualImport);
    EXPECT_FALSE(skipped.failed);
    EXPECT_EQ(server.Requests().size(), 6u);
}

TEST_F(UnattendedUpdateTest, GoesThroughTheProxyOfItsSettingsAndStopsWhenCancelled) {
    test::LoopbackServer proxy({{test::kWeeklyOk + WeeklyPage()}});
    request.settings.hosts["WEEKLY"] = "weekly.invalid";
    request.settings.proxy = "127.0.0.1";
    request.settings.port = proxy.Port();
    ListUpdateResult viaProxy = Update();
    EXPECT_EQ(viaProxy.outcome, FetchOutcome::Updated) << U8(viaProxy.detail);
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_TRUE(proxy.Requests()[0].starts_with("GET http://weekly.invalid/1321/"))
        << proxy.Requests()[0];

    // A slow page, and a caller that gives up while it comes.
    test::LoopbackServer slow({{test::kWeeklyOk, WeeklyPage(), 20}});
    request.settings.proxy.clear();
    request.settings.port = 0;
    PointAt(slow);
    std::filesystem::remove(List());
    request.progress.cancelled = [] { return true; };
    ListUpdateResult stopped = Update();
    EXPECT_EQ(stopped.outcome, FetchOutcome::Cancelled) << U8(stopped.detail);
    EXPECT_FALSE(std::filesystem::exists(List()));
}

TEST_F(UnattendedUpdateTest, AHeaderRequestRefusedAndAPageWithoutTheCheckAreFetched) {
    // A server that answers the header request with an error status may serve the page all the
    // same: it counts as changed.
    test::LoopbackServer server({{test::kWeeklyOk + WeeklyPage()},
                                 {"HTTP/1.0 405 Method Not Allowed\r\n\r\n"},
                                 {test::kWeeklyOk + WeeklyPage()}});
    PointAt(server);
    ASSERT_EQ(Update().outcome, FetchOutcome::Updated);
    const ListUpdateResult refusedHead = Update();
    EXPECT_EQ(refusedHead.outcome, FetchOutcome::Unchanged) << U8(refusedHead.detail);
    EXPECT_TRUE(refusedHead.downloaded);
    ASSERT_EQ(server.Requests().size(), 3u);
    EXPECT_TRUE(server.Requests()[2].starts_with("GET /1321/"));

    // まんがの森 has no update check: its page is fetched on every run, and the stored list is
    // kept as it is when the page gives the same releases.
    const std::string page =
        Sj(test::ReadBytes(std::filesystem::path(YOMIDA_TEST_DATA) / "manganomori.html"));
    test::LoopbackServer forest(
        {{"HTTP/1.0 200 OK\r\n\r\n" + page}, {"HTTP/1.0 200 OK\r\n\r\n" + page}});
    settings.hosts["MANGANOMORI"] = "127.0.0.1:" + std::to_string(forest.Port());
    settings.listId = "2003/05";
    request = UnattendedRequest(settings, 15, 5000);
    request.target = year{2003} / 5 / 1;
    const ListUpdateResult first = Update();
    ASSERT_EQ(first.outcome, FetchOutcome::Updated) << U8(first.detail);
    // A tick the user set stays: the same releases leave the file as it is, byte for byte.
    const std::filesystem::path list = first.location.dataFile;
    std::vector<std::string> lines = test::ReadDataFile(list);
    ASSERT_GE(lines.size(), 2u);
    lines[1].replace(lines[1].find(",0,"), 3, ",1,");
    test::WriteDataFile(list, lines);
    const std::string ticked = test::ReadBytes(list);
    const ListUpdateResult again = Update();
    EXPECT_EQ(again.outcome, FetchOutcome::Unchanged) << U8(again.detail);
    EXPECT_TRUE(again.downloaded);
    EXPECT_EQ(forest.Requests().size(), 2u);
    EXPECT_EQ(test::ReadBytes(list), ticked);
}

}  // namespace
}  // namespace yomida
