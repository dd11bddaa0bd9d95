#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/Cli.h"
#include "support/CliRun.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"
#include "support/WeeklyFetch.h"

namespace yomida {
namespace {

using test::CliOutput;
using test::InvokeCli;
using test::Sj;

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream lines(text);
    for (std::string part; std::getline(lines, part, separator);) {
        parts.push_back(part);
    }
    return parts;
}

TEST(StatusCommand, FetchRecordsAndStatusPrintsEachCategory) {
    test::TempDir dir;
    test::LoopbackServer server(
        {{test::kWeeklyOk + test::WeeklyPage()}, {"HTTP/1.0 503 Busy\r\n\r\n"}});
    test::WriteBytes(dir / "hosts.ini",
                     "[HOSTS]\r\nWEEKLY=127.0.0.1:" + std::to_string(server.Port()) + "\r\n");
    const std::string data = (dir / "data").string();
    const std::vector<std::string> fetch = test::WeeklyFetchArgs(data, dir / "hosts.ini");
    ASSERT_EQ(InvokeCli(fetch).status, 0);
    std::vector<std::string> forced = fetch;
    forced.push_back("--force");
    ASSERT_EQ(InvokeCli(forced).status, 1);

    const CliOutput status = InvokeCli({"status", "--data", data});
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_EQ(status.err, "");
    const std::vector<std::string> lines = Split(status.out, '\n');
    ASSERT_EQ(lines.size(), 15u) << status.out;
    // Never fetched: what the category is, and nothing more.
    EXPECT_EQ(lines[0], "comic\t1\tまんが王倶楽部");
    std::vector<std::string> weekly;
    for (const std::string& line : lines) {
        if (line.starts_with("syosk\t")) {
            weekly = Split(line, '\t');
        } else {
            EXPECT_EQ(Split(line, '\t').size(), 3u) << line;
        }
    }
    ASSERT_EQ(weekly.size(), 12u) << status.out;
    EXPECT_EQ(weekly[1], "2");
    EXPECT_EQ(weekly[3], "syosk1321.csv");
    EXPECT_TRUE(weekly[4].starts_with("20")) << "last attempt";
    EXPECT_TRUE(weekly[5].starts_with("20")) << "last success";
    EXPECT_EQ(weekly[6], "http-status");
    EXPECT_EQ(weekly[7], "503");
    EXPECT_EQ(weekly[8], "2");
    EXPECT_EQ(weekly[9], "");
    EXPECT_EQ(weekly[10], "failed");
    EXPECT_EQ(weekly[11], "HTTP/1.0 503 Busy");

    const CliOutput json = InvokeCli({"status", "--data", data, "--json"});
    EXPECT_EQ(json.status, 0);
    const nlohmann::json doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["damaged"], false);
    ASSERT_EQ(doc["categories"].size(), 15u);
    for (const nlohmann::json& row : doc["categories"]) {
        if (row["code"] == "syosk") {
            EXPECT_EQ(row["outcome"], "http-status");
            EXPECT_EQ(row["httpStatus"], 503);
            EXPECT_EQ(row["count"], 2);
            EXPECT_TRUE(row["previousCount"].is_null());
            EXPECT_EQ(row["failed"], true);
            EXPECT_EQ(row["lastSuccess"], weekly[5]);
        } else {
            EXPECT_TRUE(row["outcome"].is_null()) << row["code"];
        }
    }

    // A damaged file: said on standard error, the categories still listed, exit 0.
    test::WriteBytes(dir / "data" / "health.txt", "not,health\r\n");
    const CliOutput damaged = InvokeCli({"status", "--data", data});
    EXPECT_EQ(damaged.status, 0);
    EXPECT_NE(damaged.err.find("health.txt cannot be read"), std::string::npos) << damaged.err;
    EXPECT_EQ(Split(damaged.out, '\n').size(), 15u);

    EXPECT_EQ(InvokeCli({"status", "--data", (dir / "none").string()}).status, 1);
    EXPECT_EQ(InvokeCli({"status", "extra"}).status, 2);
    const CliOutput help = InvokeCli({"status", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("usage: yomida-cli status [--data DIR] [--json]\n"))
        << help.out;
}

}  // namespace
}  // namespace yomida
