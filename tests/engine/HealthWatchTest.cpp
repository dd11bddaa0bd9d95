#include "engine/HealthWatch.h"

#include <gtest/gtest.h>

#include "download/DownloadManager.h"
#include "support/DownloadFixture.h"
#include "support/FormFixture.h"
#include "support/LoopbackServer.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"
#include "support/WeeklyFetch.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;
using test::U8;

// The weekly category's direct download, as the window and `yomida-cli fetch` run it.
class HealthWatchTest : public test::DownloadFixture {
protected:
    bool cancelled = false;

    void SetUp() override {
        context.UseSettings(settings);
        context.category = 2;
        context.directFetch = true;
        context.dataFile = settings.dataFolder / "syosk1321.csv";
        context.setBusyDisplay = [](bool) {};
        context.setStatusText = [](const std::string&) {};
        context.progress.cancelled = [this] { return cancelled; };
    }

    CategoryHealth Step(HealthStep step, const std::function<FetchResult()>& work) {
        HealthWatch watch(context, step, clock);
        context.stampPrefix = watch.Run(work).stampPrefix;
        EXPECT_EQ(watch.RecordError(), "");
        return SourceHealth(settings.dataFolder).Find(context.category).value_or(CategoryHealth{});
    }
    CategoryHealth Fetch() {
        return Step(HealthStep::Fetch, [this] { return downloads.FetchSource(context, policy); });
    }
};

TEST_F(HealthWatchTest, EachOutcomeOfADirectFetchIsRecorded) {
    test::WriteDataFile(
        settings.dataFolder / "syosk1320.csv",
        {"\"x\",No", "1,,a,b,c,,", "2,,a,b,c,,", "3,,a,b,c,,", "4,,a,b,c,,", "5,,a,b,c,,"});
    test::LoopbackServer server({{test::kWeeklyOk + test::WeeklyPage()},
                                 {test::kWeeklyOk},
                                 {test::kWeeklyOk + test::WeeklyPage()},
                                 {"HTTP/1.0 404 Not Found\r\n\r\n"},
                                 {test::kWeeklyOk + "<html><body>nothing this week</body></html>"},
                                 {"HTTP/1.0 200 OK\r\nContent-Length: 90000\r\n\r\nshort"}});
    context.sourceUrl = server.Url("/list");
    clock.SetTimeOfDay(hours{7});

    CategoryHealth h = Fetch();
    EXPECT_EQ(h.outcome, FetchOutcome::Updated);
    EXPECT_EQ(h.list, "syosk1321.csv");
    EXPECT_EQ(h.count, 2);
    EXPECT_EQ(h.previousCount, 5);
    EXPECT_TRUE(h.Suspicious()) << "2 of the week before's 5";
    EXPECT_EQ(StampText(*h.lastAttempt), "2003-05-07T07:00:00");
    EXPECT_EQ(h.lastSuccess, h.lastAttempt);

    // The update check finds the page as it was.
    clock.SetTimeOfDay(hours{8});
    h = Step(HealthStep::UpdateCheck, [this] { return downloads.CheckForUpdate(context, policy); });
    EXPECT_EQ(h.outcome, FetchOutcome::Unchanged);
    EXPECT_EQ(StampText(*h.lastSuccess), "2003-05-07T08:00:00");

    // The same page fetched again makes the same list.
    h = Fetch();
    EXPECT_EQ(h.outcome, FetchOutcome::Unchanged);
    EXPECT_EQ(h.count, 2);

    clock.SetTimeOfDay(hours{9});
    const std::string list = test::ReadBytes(context.dataFile);
    h = Fetch();
    EXPECT_EQ(h.outcome, FetchOutcome::HttpStatus);
    EXPECT_EQ(h.httpStatus, 404);
    EXPECT_EQ(h.detail, "HTTP/1.0 404 Not Found");
    EXPECT_EQ(StampText(*h.lastSuccess), "2003-05-07T08:00:00");
    EXPECT_EQ(h.count, 2) << "the counts of the list still shown";

    h = Fetch();
    EXPECT_EQ(h.outcome, FetchOutcome::NoRecords);
    EXPECT_EQ(h.count, 0);
    EXPECT_TRUE(h.Failed());
    EXPECT_TRUE(h.Suspicious());

    h = Fetch();
    EXPECT_EQ(h.outcome, FetchOutcome::TransportError) << "a cut transfer";
    EXPECT_EQ(h.detail, "Connection closed before the end of the body");

    context.sourceUrl = "http://127.0.0.1:1/list";
    h = Fetch();
    EXPECT_EQ(h.outcome, FetchOutcome::TransportError);
    EXPECT_EQ(h.detail, "Connection Failed");
    EXPECT_EQ(test::ReadBytes(context.dataFile), list) << "every failure kept the list";
}

TEST_F(HealthWatchTest, CancelCertificateAndConversionFailures) {
    test::LoopbackServer server({{test::kWeeklyOk + "<html>", std::string(50, ' '), 20}});
    context.sourceUrl = server.Url("/slow");
    context.progress.onBytes = [this](uint64_t received, uint64_t) {
        cancelled = received > 0;  // the window's cancel button
    };
    CategoryHealth h = Fetch();
    EXPECT_EQ(h.outcome, FetchOutcome::Cancelled);
    EXPECT_FALSE(h.Failed());
    context.progress.onBytes = {};
    cancelled = false;

    h = Step(HealthStep::Fetch, [] {
        FetchResult result;
        result.requested = true;
        result.detail = "証明書を確認できません: example.org (certificate has expired)"_sj;
        result.outcome = FetchOutcome::CertificateError;
        return result;
    });
    EXPECT_EQ(h.outcome, FetchOutcome::CertificateError);
    EXPECT_EQ(U8(h.detail), "証明書を確認できません: example.org (certificate has expired)");

    HealthWatch watch(context, HealthStep::Fetch, clock);
    EXPECT_THROW(watch.Run([]() -> FetchResult { throw std::runtime_error("bad row 3"); }),
                 std::runtime_error)
        << "the step's error still reaches the window's error box";
    h = SourceHealth(settings.dataFolder).Find(2).value();
    EXPECT_EQ(h.outcome, FetchOutcome::ConversionError);
    EXPECT_EQ(h.detail, "bad row 3");

    // An import by hand: declined, then a page chosen, then a page that is gone.
    context.category = 1;
    context.directFetch = false;
    context.dataFile = settings.dataFolder / "comic0305.csv";
    h = Fetch();
    EXPECT_EQ(h.outcome, FetchOutcome::Cancelled);
    ui.confirmAnswers = {true};
    ui.openAnswers = {std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html"};
    h = Fetch();
    EXPECT_EQ(h.outcome, FetchOutcome::Imported);
    EXPECT_EQ(h.count, 6);
    EXPECT_EQ(h.previousCount, -1);
    h = Step(HealthStep::Import,
             [this] { return downloads.ImportFile(context, dir / "gone.html", policy); });
    EXPECT_EQ(h.outcome, FetchOutcome::ConversionError);
    EXPECT_EQ(h.count, 6);
}

class HealthMarksTest : public test::FormFixture {};

TEST_F(HealthMarksTest, TheTreeMarksACategoryWhoseLastFetchFailed) {
    // The import by hand is the way this category's page comes here.
    test::WriteBytes(dir / "yomida.INI", "[INTERNET]\r\nDIRECT=0\r\n");
    Start();
    const size_t node = static_cast<size_t>(TreeNodeOf(1));
    EXPECT_FALSE(form.TView.nodes[node].failed);
    // A page that is gone: the import by hand fails to convert it.
    ui.confirmAnswers = {true, true};
    ui.openAnswers = {dir / "gone.html"};
    form.BtnDspClick();
    EXPECT_TRUE(form.TView.nodes[node].failed);
    EXPECT_EQ(SourceHealth(form.CurrentSettings().dataFolder).Find(1)->outcome,
              FetchOutcome::ConversionError);

    // A page dropped on the window mends it.
    form.DropImport(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html");
    EXPECT_FALSE(form.TView.nodes[node].failed);
    EXPECT_EQ(SourceHealth(form.CurrentSettings().dataFolder).Find(1)->outcome,
              FetchOutcome::Imported);
    EXPECT_EQ(U8(form.StBar.panels[1].text), "6件");

    // A damaged health file leaves the tree unmarked and is set aside by the next record.
    test::WriteBytes(form.CurrentSettings().dataFolder / "health.txt", "garbage");
    form.RefreshHealthMarks();
    EXPECT_FALSE(form.TView.nodes[node].failed);
}

}  // namespace
}  // namespace yomida
