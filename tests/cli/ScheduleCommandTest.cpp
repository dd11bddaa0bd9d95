#include "cli/ScheduleCommand.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "cli/Cli.h"
#include "platform/ChildProcess.h"
#include "support/CliRun.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using test::CliOutput;
using test::InvokeCli;

// systemctl as a script: every call recorded, `refuse` makes the probe of the user manager fail.
struct FakeSystemctl {
    std::vector<std::string> calls;
    bool refuse = false;

    CommandRunner Runner() {
        return [this](const std::vector<std::string>& argv) {
            std::string line;
            for (size_t i = 2; i < argv.size(); ++i) {
                line += (line.empty() ? "" : " ") + argv[i];
            }
            calls.push_back(line);
            CommandResult r;
            r.started = true;
            r.exitStatus = 0;
            if (refuse && line == "show --property=Version") {
                r.exitStatus = 1;
                r.output = "Failed to connect to bus: No medium found\n";
            } else if (line == "is-enabled yomida-update.timer") {
                r.output = "enabled\n";
            } else if (line.starts_with("show --property=NextElapseUSecRealtime")) {
                r.output = "Wed 2026-12-09 06:02:10 JST\n";
            }
            return r;
        };
    }
};

CliOutput Schedule(FakeSystemctl& systemctl, const std::filesystem::path& units,
                   const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::ScheduleCommand(args, out, err, systemctl.Runner(), units);
    return {status, out.str(), err.str()};
}

TEST(ScheduleCommand, OnOffAndStatusSwitchTheTimerAndRecordTheSettings) {
    test::TempDir dir;
    const std::filesystem::path ini = dir / "yomida.ini";
    const std::filesystem::path units = dir / "units";
    test::WriteBytes(ini, "[FONT]\r\nSIZE=12\r\n[MINE]\r\nKEEP=me\r\n");
    FakeSystemctl systemctl;

    CliOutput r =
        Schedule(systemctl, units, {"schedule", "on", "--hour", "6", "--settings", ini.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "schedule\ton\nhour\t06:00\n");
    EXPECT_EQ(systemctl.calls.back(), "enable --now yomida-update.timer");
    EXPECT_EQ(test::ReadBytes(units / "yomida-update.timer.d/time.conf"),
              "[Timer]\nOnCalendar=\nOnCalendar=*-*-* 06:00:00\n");
    const std::string written = test::ReadBytes(ini);
    EXPECT_NE(written.find("[SCHEDULE]\r\nON=1\r\nHOUR=6\r\nALARM=0\r\n"), std::string::npos);
    EXPECT_NE(written.find("[MINE]\r\nKEEP=me\r\n"), std::string::npos);

    r = Schedule(systemctl, units, {"schedule", "status", "--settings", ini.string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "schedule\ton\nhour\t06:00\nnext\tWed 2026-12-09 06:02:10 JST\n");

    // Without --hour the settings file's hour is used again.
    r = Schedule(systemctl, units, {"schedule", "on", "--settings", ini.string()});
    EXPECT_EQ(r.out, "schedule\ton\nhour\t06:00\n");

    r = Schedule(systemctl, units, {"schedule", "off", "--settings", ini.string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "schedule\toff\n");
    EXPECT_EQ(systemctl.calls.back(), "disable --now yomida-update.timer");
    EXPECT_NE(test::ReadBytes(ini).find("[SCHEDULE]\r\nON=0\r\nHOUR=6\r\n"), std::string::npos);
}

TEST(ScheduleCommand, WithoutSystemdNothingChangesAndTheReasonIsGiven) {
    test::TempDir dir;
    const std::filesystem::path ini = dir / "yomida.ini";
    test::WriteBytes(ini, "[SCHEDULE]\r\nON=0\r\nHOUR=99\r\n");
    FakeSystemctl systemctl;
    systemctl.refuse = true;
    CliOutput r = Schedule(systemctl, dir / "units",
                           {"schedule", "on", "--hour", "5", "--settings", ini.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "yomida-cli: systemd のユーザーマネージャーが見つからないため、自動更新を設定できま"
              "せん。（Failed to connect to bus: No medium found）\n");
    EXPECT_EQ(test::ReadBytes(ini), "[SCHEDULE]\r\nON=0\r\nHOUR=99\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "units"));

    // status falls back on the settings file, its hour held within the day.
    r = Schedule(systemctl, dir / "units", {"schedule", "status", "--settings", ini.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "schedule\toff\nhour\t23:00\n");
}

TEST(ScheduleCommand, WithoutAHomeTheTimeIsNotSetAndTheCommandFails) {
    if (!test::CanPlayOtherUsers()) {
        GTEST_SKIP() << "needs root to be a user the user database does not know";
    }
    test::TempDir dir;
    ::chmod(dir.path().c_str(), 0777);
    const std::filesystem::path ini = dir / "yomida.ini";
    test::WriteBytes(ini, "[SCHEDULE]\r\nON=0\r\nHOUR=7\r\n");
    ::chmod(ini.c_str(), 0666);
    EXPECT_EQ(test::InChildProcess(
                  [&]() -> std::string {
                      ::unsetenv("HOME");
                      ::unsetenv("XDG_CONFIG_HOME");
                      if (::chdir(dir.path().c_str()) != 0) {
                          return "no folder to start in";
                      }
                      FakeSystemctl systemctl;
                      std::ostringstream out;
                      std::ostringstream err;
                      const int status = cli::ScheduleCommand(
                          {"schedule", "on", "--hour", "5", "--settings", ini.string()}, out, err,
                          systemctl.Runner());
                      if (status != 1 || !out.str().empty() ||
                          err.str().find("ユーザー情報にもホームフォルダがありません") ==
                              std::string::npos) {
                          return std::to_string(status) + " " + out.str() + err.str();
                      }
                      return std::string();
                  },
                  test::kUser),
              "");
    EXPECT_EQ(test::ReadBytes(ini), "[SCHEDULE]\r\nON=0\r\nHOUR=7\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / ".config")) << "no drop-in under the start folder";
}

TEST(ScheduleCommand, MalformedCommandLinesAndHelp) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"schedule"},
                                               {"schedule", "sometimes"},
                                               {"schedule", "on", "--hour", "24"},
                                               {"schedule", "on", "--hour", "x"},
                                               {"schedule", "off", "--hour", "3"},
                                               {"schedule", "on", "off"}}) {
        const CliOutput r = InvokeCli(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_NE(r.err.find("usage:"), std::string::npos);
    }
    const CliOutput missing =
        InvokeCli({"schedule", "status", "--settings", "/nonexistent/yomida.ini"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("/nonexistent/yomida.ini"), std::string::npos);

    const CliOutput help = InvokeCli({"schedule", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with(
        "usage: yomida-cli schedule on|off|status [--hour H] [--settings INIFILE]\n"))
        << help.out;
}

}  // namespace
}  // namespace yomida
