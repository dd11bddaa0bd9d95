#include "engine/Schedule.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

#include "platform/ChildProcess.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

// Stands in for systemctl: records each call as one line and answers from a table, success
// with no output for a call the table does not name.
struct ScriptedSystemctl {
    std::vector<std::string> calls;
    std::map<std::string, CommandResult> answers;
    std::function<void(const std::string&)> onCall;

    CommandRunner Runner() {
        return [this](const std::vector<std::string>& argv) {
            std::string line;
            for (const std::string& a : argv) {
                line += (line.empty() ? "" : " ") + a;
            }
            calls.push_back(line);
            if (onCall) {
                onCall(line);
            }
            if (auto it = answers.find(line); it != answers.end()) {
                return it->second;
            }
            CommandResult ok;
            ok.started = true;
            ok.exitStatus = 0;
            return ok;
        };
    }
};

CommandResult Said(int status, std::string output) {
    CommandResult r;
    r.started = true;
    r.exitStatus = status;
    r.output = std::move(output);
    return r;
}

const char* const kProbe = "systemctl --user show --property=Version";

TEST(UpdateSchedule, OnWritesTheHourReloadsAndEnablesOffDisables) {
    test::TempDir dir;
    ScriptedSystemctl systemctl;
    std::string dropInAtReload;
    UpdateSchedule schedule(systemctl.Runner(), dir.path());
    systemctl.onCall = [&](const std::string& line) {
        if (line == "systemctl --user daemon-reload" &&
            std::filesystem::exists(schedule.DropInFile())) {
            dropInAtReload = test::ReadBytes(schedule.DropInFile());
        }
    };
    EXPECT_EQ(schedule.Apply(true, 6), "");
    EXPECT_EQ(schedule.DropInFile(), dir / "yomida-update.timer.d/time.conf");
    EXPECT_EQ(dropInAtReload, "[Timer]\nOnCalendar=\nOnCalendar=*-*-* 06:00:00\n")
        << "the drop-in is in place before systemd reads it again";
    EXPECT_EQ(systemctl.calls,
              (std::vector<std::string>{kProbe, "systemctl --user daemon-reload",
                                        "systemctl --user enable --now yomida-update.timer"}));

    // Another hour replaces the drop-in; an hour past the day is held at 23.
    systemctl.calls.clear();
    EXPECT_EQ(schedule.Apply(true, 30), "");
    EXPECT_EQ(test::ReadBytes(schedule.DropInFile()),
              "[Timer]\nOnCalendar=\nOnCalendar=*-*-* 23:00:00\n");
    EXPECT_EQ(systemctl.calls.size(), 3u);

    // The installed time needs no drop-in.
    EXPECT_EQ(schedule.Apply(true, 7), "");
    EXPECT_FALSE(std::filesystem::exists(schedule.DropInFile()));

    systemctl.calls.clear();
    EXPECT_EQ(schedule.Apply(false, 7), "");
    EXPECT_EQ(systemctl.calls, (std::vector<std::string>{
                                   kProbe, "systemctl --user disable --now yomida-update.timer"}));
}

TEST(UpdateSchedule, NoUserManagerOrAFailingStepChangesNothing) {
    test::TempDir dir;
    ScriptedSystemctl systemctl;
    UpdateSchedule schedule(systemctl.Runner(), dir.path());
    systemctl.answers[kProbe] = Said(1, "Failed to connect to bus: No medium found\n");
    std::string words = schedule.Apply(true, 5);
    EXPECT_EQ(words,
              "systemd のユーザーマネージャーが見つからないため、自動更新を設定できません。"
              "（Failed to connect to bus: No medium found）");
    EXPECT_EQ(systemctl.calls, std::vector<std::string>{kProbe});
    EXPECT_FALSE(std::filesystem::exists(dir / "yomida-update.timer.d"));
    ScheduleStatus status;
    EXPECT_NE(schedule.Read(status), "");

    // systemctl not installed at all: the reason is that it could not be started.
    CommandResult missing;
    missing.startError = "systemctl: No such file or directory";
    systemctl.answers[kProbe] = missing;
    words = schedule.Apply(false, 7);
    EXPECT_NE(words.find("見つからない"), std::string::npos);
    EXPECT_NE(words.find("systemctl: No such file or directory"), std::string::npos);

    // A timer systemd refuses to enable leaves the earlier hour in place.
    systemctl.answers.clear();
    ASSERT_EQ(schedule.Apply(true, 9), "");
    systemctl.answers["systemctl --user enable --now yomida-update.timer"] =
        Said(1, "Failed to enable unit: Unit file yomida-update.timer does not exist.\n");
    words = schedule.Apply(true, 21);
    EXPECT_NE(words.find("does not exist"), std::string::npos) << words;
    EXPECT_EQ(test::ReadBytes(schedule.DropInFile()),
              "[Timer]\nOnCalendar=\nOnCalendar=*-*-* 09:00:00\n");
}

TEST(UpdateSchedule, StatusTellsOnOffTheHourAndTheNextRun) {
    test::TempDir dir;
    ScriptedSystemctl systemctl;
    UpdateSchedule schedule(systemctl.Runner(), dir.path());
    systemctl.answers["systemctl --user is-enabled yomida-update.timer"] = Said(1, "disabled\n");
    systemctl.answers
        ["systemctl --user show --property=NextElapseUSecRealtime --value yomida-update.timer"] =
        Said(0, "\n");
    ScheduleStatus status;
    ASSERT_EQ(schedule.Read(status), "");
    EXPECT_FALSE(status.on);
    EXPECT_EQ(status.hour, 7);
    EXPECT_EQ(status.nextRun, "");

    ASSERT_EQ(schedule.Apply(true, 18), "");
    systemctl.answers["systemctl --user is-enabled yomida-update.timer"] = Said(0, "enabled\n");
    systemctl.answers
        ["systemctl --user show --property=NextElapseUSecRealtime --value yomida-update.timer"] =
        Said(0, "Wed 2026-12-09 18:04:51 JST\n");
    ASSERT_EQ(schedule.Read(status), "");
    EXPECT_TRUE(status.on);
    EXPECT_EQ(status.hour, 18);
    EXPECT_EQ(status.nextRun, "Wed 2026-12-09 18:04:51 JST");
}

TEST(RunProgram, RunsWithoutAShellAndTellsAMissingProgram) {
    const CommandResult echoed = RunProgram({"printf", "%s|", "a b", "$HOME;x"});
    EXPECT_TRUE(echoed.started);
    EXPECT_EQ(echoed.exitStatus, 0);
    EXPECT_EQ(echoed.output, "a b|$HOME;x|") << "arguments reach the program as given";
    EXPECT_EQ(RunProgram({"sh", "-c", "echo no >&2; exit 3"}).output, "no\n");
    EXPECT_EQ(RunProgram({"sh", "-c", "exit 3"}).exitStatus, 3);
    // A program that does not end is killed at the limit, not waited for.
    const CommandResult stuck = RunProgramWithin({"sleep", "60"}, std::chrono::milliseconds(100));
    EXPECT_TRUE(stuck.timedOut);
    EXPECT_EQ(stuck.exitStatus, -1);
    const CommandResult missing = RunProgram({"yomida-no-such-program"});
    EXPECT_FALSE(missing.started);
    EXPECT_NE(missing.startError.find("yomida-no-such-program"), std::string::npos);
}

// A systemctl of the test's own, first on PATH while this lives.
class SystemctlOnPath {
public:
    explicit SystemctlOnPath(const std::string& script) : oldPath_(std::getenv("PATH")) {
        test::WriteBytes(dir_ / "systemctl", script);
        std::filesystem::permissions(dir_ / "systemctl", std::filesystem::perms::owner_all);
        ::setenv("PATH", (dir_.path().string() + ":" + oldPath_).c_str(), 1);
    }
    ~SystemctlOnPath() { ::setenv("PATH", oldPath_.c_str(), 1); }

private:
    test::TempDir dir_;
    std::string oldPath_;
};

TEST(RunProgram, TheLimitCoversTheWholeExchangeAndTheOutputIsCapped) {
    struct Case {
        std::string what;
        std::string script;
        bool timedOut;
        int exitStatus;
        std::string outputStart;
    };
    const std::vector<Case> cases = {
        {"closes its output and keeps running", "#!/bin/sh\necho started\nexec sleep 30 >&- 2>&-\n",
         true, -1, "started\n"},
        {"floods its output", "#!/bin/sh\nexec yes flood\n", true, -1, "flood\nflood\n"},
        {"floods its output, then fails", "#!/bin/sh\nhead -c 20000000 /dev/zero\nexit 3\n", false,
         3, std::string(16, '\0')},
        // A program it started still holds the output; the answer is complete all the same.
        {"leaves a program behind", "#!/bin/sh\n(sleep 2 &)\necho enabled\n", false, 0,
         "enabled\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SystemctlOnPath systemctl(c.script);
        const auto start = std::chrono::steady_clock::now();
        const CommandResult r =
            RunProgramWithin({"systemctl", "--user", "is-enabled", "yomida-update.timer"},
                             std::chrono::milliseconds(300));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
        EXPECT_TRUE(r.started);
        EXPECT_EQ(r.timedOut, c.timedOut);
        EXPECT_EQ(r.exitStatus, c.exitStatus);
        EXPECT_LE(r.output.size(), 64u * 1024);
        EXPECT_TRUE(r.output.starts_with(c.outputStart)) << r.output.substr(0, 40);
    }
}

TEST(UpdateSchedule, WithoutHomeTheUserDatabaseNamesTheUnitFolderOrNothingIsWritten) {
    const passwd* self = ::getpwuid(::geteuid());
    ASSERT_NE(self, nullptr);
    const std::filesystem::path expected =
        std::filesystem::path(self->pw_dir) / ".config/systemd/user";
    EXPECT_EQ(test::InChildProcess([&] {
                  ::unsetenv("HOME");
                  ::unsetenv("XDG_CONFIG_HOME");
                  const std::filesystem::path folder = UpdateSchedule::UserUnitFolder();
                  return folder == expected ? std::string() : folder.string();
              }),
              "");
    // No home at all: the drop-in is not written anywhere, and status cannot tell the hour.
    ScriptedSystemctl systemctl;
    UpdateSchedule homeless(systemctl.Runner(), "");
    EXPECT_EQ(
        homeless.Apply(true, 5),
        "自動更新の時刻を書けませんでした。（HOME が空で、ユーザー情報にもホームフォルダがありま"
        "せん）");
    ScheduleStatus status;
    EXPECT_NE(homeless.Read(status), "");
    EXPECT_EQ(homeless.Apply(false, 7), "") << "switching off needs no drop-in";
}

}  // namespace
}  // namespace yomida
