#include "engine/Updater.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;

// Answers every step with a result the test scripts, and notes what it was asked.
class ScriptedFetcher final : public SourceFetcher {
public:
    FetchResult answer;
    Result<std::string> probe = std::string("_old");
    std::function<void(const FetchContext&)> onFetch;
    std::vector<std::string> probedHosts;

    FetchResult FetchSource(const FetchContext& context) override {
        if (onFetch) {
            onFetch(context);
        }
        return answer;
    }
    FetchResult ImportFile(const FetchContext& context, const std::filesystem::path&) override {
        return FetchSource(context);
    }
    FetchResult CheckForUpdate(const FetchContext&) override { return answer; }
    Result<std::string> ProbeBookTownMonth(const FetchContext&, const std::string& host) override {
        probedHosts.push_back(host);
        return probe;
    }
};

class UpdaterTest : public ::testing::Test {
protected:
    test::TempDir dir;
    FixedClock clock{year_month_day{year{2003}, month{5}, day{7}}};
    ScriptedFetcher fetcher;
    Updater updater{fetcher, clock};
    FetchContext context;

    void SetUp() override {
        context.dataFolder = dir.path();
        context.category = 2;
        context.dataFile = dir / "syosk1321.csv";
    }
    SourceQuery Query(int category) const {
        SourceQuery q;
        q.category = category;
        q.target = year_month_day{year{2003}, month{5}, day{1}};
        q.weekNumber = 1321;
        q.dataFolder = dir.path();
        q.listId = "2003/05";
        return q;
    }
    std::optional<CategoryHealth> Recorded() const { return SourceHealth(dir.path()).Find(2); }
};

TEST_F(UpdaterTest, ResolveTakesTheSettingsHostsAndReportsARefusedProbe) {
    SettingsRecord settings;
    settings.hosts = {{"WEEKLY", "weekly.invalid"}, {"BOOKTOWN", "books.invalid"}};
    updater.UseSettings(settings);
    SourceLocation location;
    ASSERT_TRUE(updater.ResolveSource(Query(2), context, location).Ok());
    EXPECT_EQ(location.dataFile, dir / "syosk1321.csv");
    EXPECT_NE(location.sourceUrl.find("weekly.invalid/1321/"), std::string::npos)
        << location.sourceUrl;

    // The month probe goes to the settings' host; refused, the path is set and the URL kept.
    ASSERT_TRUE(updater.ResolveSource(Query(7), context, location).Ok());
    EXPECT_EQ(fetcher.probedHosts, std::vector<std::string>{"books.invalid"});
    const std::string before = location.sourceUrl;
    fetcher.probe = Fail("out of range");
    const Result<void, ResolveFailure> refused = updater.ResolveSource(Query(7), context, location);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.ErrorCode(), ResolveFailure::kProbeRefused);
    EXPECT_EQ(location.dataFile, dir / "snsyo0305.csv");
    EXPECT_EQ(location.sourceUrl, before);

    // Offline nothing is probed.
    SourceQuery offline = Query(7);
    offline.online = false;
    EXPECT_TRUE(updater.ResolveSource(offline, context, location).Ok());
    EXPECT_EQ(fetcher.probedHosts.size(), 2u);
}

TEST_F(UpdaterTest, EachStepReturnsItsResultAndRecordsTheSourcesHealth) {
    // A fetch that brings a new list.
    fetcher.onFetch = [](const FetchContext& c) {
        test::WriteDataFile(c.dataFile, {"\"s\",No", "1,,a,b,c,,"});
    };
    fetcher.answer.ranToEnd = true;
    fetcher.answer.conversionStarted = true;
    fetcher.answer.responseHeader = "HTTP/1.0 200 OK\r\n\r\n";
    fetcher.answer.stampPrefix = "\"s\",";
    StepResult step = updater.FetchAndConvert(context);
    EXPECT_TRUE(step.fetch.ranToEnd);
    EXPECT_EQ(step.fetch.stampPrefix, "\"s\",");
    ASSERT_TRUE(step.health);
    EXPECT_EQ(step.health->outcome, HealthOutcome::Updated);
    EXPECT_EQ(step.healthError, "");
    EXPECT_EQ(Recorded()->outcome, HealthOutcome::Updated);
    EXPECT_EQ(Recorded()->count, 1);

    // An update check the server refuses.
    fetcher.answer = FetchResult{};
    fetcher.answer.responseHeader = "HTTP/1.0 404 Not Found\r\n\r\n";
    step = updater.CheckForUpdate(context);
    EXPECT_FALSE(step.fetch.ranToEnd);
    EXPECT_EQ(step.health->outcome, HealthOutcome::HttpStatus);
    EXPECT_EQ(Recorded()->httpStatus, 404);

    // A cancelled request.
    fetcher.answer.requestError = "Socket send aborted";
    fetcher.answer.requestOutcome = HttpOutcome::kCancelled;
    step = updater.FetchAndConvert(context);
    EXPECT_EQ(step.health->outcome, HealthOutcome::Cancelled);

    // An import whose conversion throws: the failure is recorded and still reaches the caller.
    fetcher.onFetch = [](const FetchContext&) { throw std::runtime_error("bad row 3"); };
    EXPECT_THROW(static_cast<void>(updater.Import(context, dir / "page.html")), std::runtime_error);
    EXPECT_EQ(Recorded()->outcome, HealthOutcome::ConversionError);
    EXPECT_EQ(Recorded()->detail, "bad row 3");
    EXPECT_EQ(updater.LastHealthError(), "");
}

}  // namespace
}  // namespace yomida
