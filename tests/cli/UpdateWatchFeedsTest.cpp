#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/CliRun.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::CliOutput;
using test::InvokeCli;
using test::Sj;

// Points the desktop notifications at a bus that is not there for as long as it lives, so the
// news of a run goes nowhere.
class NoSessionBus {
public:
    explicit NoSessionBus(const std::filesystem::path& missing) {
        const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        if (bus != nullptr) {
            before_ = bus;
        }
        ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + missing.string()).c_str(), 1);
    }
    ~NoSessionBus() {
        if (before_) {
            ::setenv("DBUS_SESSION_BUS_ADDRESS", before_->c_str(), 1);
        } else {
            ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        }
    }
    NoSessionBus(const NoSessionBus&) = delete;
    NoSessionBus& operator=(const NoSessionBus&) = delete;

private:
    std::optional<std::string> before_;
};

TEST(UpdateCommand, AFeedThatCannotBeWrittenFailsTheRunAndKeepsItsNews) {
    test::TempDir dir;
    const NoSessionBus bus(dir / "no-bus");
    const std::filesystem::path data = dir / "data";
    std::filesystem::create_directories(data);
    test::WriteBytes(dir / "y.ini", "[WATCH]\r\nTITLE=" + Sj("探偵団") + "\r\n");
    test::WriteDataFile(data / "comic2405.csv", {test::kListHeader, "1,0,社,1,探偵団 1,x,1"});
    // The paperback list is imported by hand: the run fetches nothing and only looks.
    const std::vector<std::string> update = {
        "update",     "--data", data.string(), "--settings", (dir / "y.ini").string(),
        "--category", "3",      "--months",    "1"};
    const CliOutput first = InvokeCli(update);
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(first.out.ends_with("\nnew watch matches\t0\n")) << first.out;

    test::WriteDataFile(data / "comic2406.csv", {test::kListHeader, "1,0,社,1,探偵団 2,x,1"});
    std::filesystem::remove(data / "watch.atom");
    std::filesystem::create_directory(data / "watch.atom");
    const CliOutput full = InvokeCli(update);
    EXPECT_EQ(full.status, 1);
    EXPECT_TRUE(full.out.ends_with("\nnew watch matches\t1\n")) << full.out;
    EXPECT_NE(full.err.find("watch.atom"), std::string::npos) << full.err;

    std::filesystem::remove(data / "watch.atom");
    const CliOutput again = InvokeCli(update);
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(again.out.ends_with("\nnew watch matches\t1\n")) << again.out;
    EXPECT_NE(test::ReadBytes(data / "watch.atom").find("探偵団 2"), std::string::npos);
    EXPECT_TRUE(InvokeCli(update).out.ends_with("\nnew watch matches\t0\n"));
}

}  // namespace
}  // namespace yomida
