#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <iostream>

#include "sources/Convert.h"
#include "support/FaultInjection.h"
#include "support/FormFixture.h"
#include "support/ScriptedUi.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::chrono;
using test::Sj;
using test::U8;

class FaultInjectionTest : public ::testing::Test {
protected:
    test::TempDir dir;
    ScriptedUi ui;
    FixedClock clock{year_month_day{year{2003}, month{5}, day{7}}};
    std::unique_ptr<test::WindowLogic> logic;
    MainWindowLogic* form = nullptr;

    void SetUp() override {
        Faults() = FaultPlan{};
        logic = std::make_unique<test::WindowLogic>(ui, clock);
        form = &logic->form;
        ASSERT_TRUE(form->FormCreate(dir / "yomida"));
        form->Source.UseSource({dir / "data" / "comic0305.csv", {}});
        std::vector<std::string> lines = {"No,□,出版社,発売日,タイトル,作者,価格"};
        for (int i = 1; i <= 300; ++i) {
            lines.push_back(std::to_string(i) + ",0,講談社," + std::to_string(i % 31 + 1) +
                            ",タイトル" + std::to_string(i) + ",作者,420");
        }
        test::WriteDataFile(form->Source.DataFilePath(), lines);
    }
    void TearDown() override { Faults() = FaultPlan{}; }

    // Runs `operation` once with each of its writes failing in turn (full disk), then with an
    // unwritable folder and a failing rename: every time `target` must be unchanged, the user
    // told, and no temporary file left. Returns how many faults were injected.
    int Survives(const std::filesystem::path& target, const std::function<void()>& operation,
                 const std::function<bool()>& toldUser) {
        auto contents = [&] {
            return std::filesystem::exists(target) ? test::ReadBytes(target) : std::string();
        };
        std::string before = contents();
        int injected = 0;
        for (int n = 0;; ++n) {
            Faults() = FaultPlan{};
            Faults().failAtWrite = n;
            Faults().writeErrno = ENOSPC;
            ui.messages.clear();
            bool threw = false;
            try {
                operation();
            } catch (const std::exception&) {
                threw = true;
            }
            const bool faulted = Faults().writesSoFar > n;
            Faults() = FaultPlan{};
            if (!faulted) {
                break;  // the operation needs fewer writes: it ran through
            }
            ++injected;
            EXPECT_TRUE(threw || toldUser()) << "write " << n;
            EXPECT_TRUE(contents() == before) << "write " << n;
            EXPECT_TRUE(NoTemporaries()) << "write " << n;
            if (injected > 5000) {
                ADD_FAILURE() << "runaway";
                break;
            }
        }
        before = contents();  // the run without a fault may have replaced it
        for (int kind = 0; kind < 2; ++kind) {
            Faults() = FaultPlan{};
            (kind == 0 ? Faults().createErrno : Faults().renameErrno) = EACCES;
            ui.messages.clear();
            bool threw = false;
            try {
                operation();
            } catch (const std::exception&) {
                threw = true;
            }
            Faults() = FaultPlan{};
            ++injected;
            EXPECT_TRUE(threw || toldUser()) << "kind " << kind;
            EXPECT_TRUE(contents() == before) << "kind " << kind;
            EXPECT_TRUE(NoTemporaries());
        }
        return injected;
    }

    bool NoTemporaries() {
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
            const std::string name = e.path().filename().string();
            if (name.ends_with(".tmp") || name.ends_with(".lock") || name == "newfiles.$$$") {
                return false;
            }
        }
        return true;
    }
};

TEST_F(FaultInjectionTest, CheckSaveConversionExportAndSettingsSurviveAFullDisk) {
    form->LoadReleaseList();
    for (int r = 1; r < form->List.ComboGrid1.RowCount(); r += 3) {
        form->List.ComboGrid1.SetCurrentCell(1, r);
        form->List.ComboGrid1Click();
    }
    int injected = Survives(
        form->Source.DataFilePath(), [&] { form->CheckSaveExecute(); }, [] { return false; });

    // A conversion over the existing list.
    const std::filesystem::path page = dir / "page.html";
    injected += Survives(
        form->Source.DataFilePath(),
        [&] {
            std::filesystem::copy_file(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html",
                                       page, std::filesystem::copy_options::overwrite_existing);
            ConvertRequest r{1, page, form->Source.DataFilePath(), "", {}};
            static_cast<void>(Convert(r));
        },
        [] { return false; });

    // An export over an earlier export.
    const std::filesystem::path csv = dir / "export.csv";
    test::WriteBytes(csv, "the earlier export\r\n");
    injected += Survives(
        csv,
        [&] {
            ui.saveAnswers.push_back(csv);
            form->SaveCSVExecute();
        },
        [] { return false; });

    // The settings file at exit: told with "… に書き込めません".
    test::WriteBytes(dir / "yomida.INI", "[FONT]\r\nSIZE=11\r\n");
    injected += Survives(
        dir / "yomida.INI", [&] { form->SaveSettings(); },
        [&] {
            return !ui.messages.empty() &&
                   U8(ui.messages.back().text).ends_with(" に書き込めません");
        });
    std::cout << "faults injected: " << injected << "\n";
    EXPECT_GT(injected, 20);
}

TEST_F(FaultInjectionTest, KilledInTheMiddleLeavesTheOldOrTheNewFileWhole) {
    form->LoadReleaseList();
    for (int r = 1; r < form->List.ComboGrid1.RowCount(); r += 2) {
        form->List.ComboGrid1.SetCurrentCell(1, r);
        form->List.ComboGrid1Click();
    }
    const std::string original = test::ReadBytes(form->Source.DataFilePath());
    const std::filesystem::path page = dir / "page.html";
    // Runs an operation in a child process that is killed at write `killAt` (never when -1).
    auto runInChild = [&](int killAt, const std::function<void()>& operation) {
        test::WriteBytes(form->Source.DataFilePath(), original);
        std::filesystem::copy_file(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html",
                                   page, std::filesystem::copy_options::overwrite_existing);
        const pid_t child = ::fork();
        if (child == 0) {
            Faults() = FaultPlan{};
            Faults().killAtWrite = killAt;
            try {
                operation();
            } catch (...) {
            }
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return test::ReadBytes(form->Source.DataFilePath());
    };
    const std::function<void()> operations[] = {
        [&] { form->CheckSaveExecute(); },
        [&] {
            ConvertRequest r{1, page, form->Source.DataFilePath(), "", {}};
            static_cast<void>(Convert(r));
        }};
    int killed = 0;
    for (const auto& operation : operations) {
        const std::string done = runInChild(-1, operation);
        ASSERT_NE(done, original);
        for (int n = 0; n < 700; n += 7) {
            const std::string after = runInChild(n, operation);
            EXPECT_TRUE(after == original || after == done) << "killed at write " << n;
            ++killed;
        }
    }
    std::cout << "processes killed mid-write: " << killed << "\n";
}

TEST_F(FaultInjectionTest, AnImportedPageIsReadNeverRewritten) {
    const std::filesystem::path page = dir / "page.html";
    std::filesystem::copy_file(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html", page);
    const std::string original = test::ReadBytes(page);
    ConvertRequest r{1, page, form->Source.DataFilePath(), "", {}};
    ASSERT_TRUE(Convert(r).RanToEnd());
    const std::string first = test::ReadBytes(form->Source.DataFilePath());
    EXPECT_EQ(test::ReadBytes(page), original);
    ASSERT_TRUE(Convert(r).RanToEnd()) << "the same page imported twice";
    EXPECT_EQ(test::ReadBytes(form->Source.DataFilePath()), first);
    EXPECT_EQ(test::ReadBytes(page), original);

    // Stopped at the disk filling up in the middle, the page is still there to import again.
    Faults() = FaultPlan{};
    Faults().failAtWrite = 3;
    Faults().writeErrno = ENOSPC;
    EXPECT_ANY_THROW(static_cast<void>(Convert(r)));
    Faults() = FaultPlan{};
    EXPECT_EQ(test::ReadBytes(page), original);
    EXPECT_TRUE(NoTemporaries());
}

TEST_F(FaultInjectionTest, TruncatedAndPaddedDataFilesLoadAndSave) {
    std::string bytes = test::ReadBytes(form->Source.DataFilePath());
    test::WriteBytes(form->Source.DataFilePath(), bytes.substr(0, bytes.size() / 2 + 7));
    form->LoadReleaseList();
    const int rows = form->List.ComboGrid1.RowCount();
    EXPECT_GT(rows, 100);
    form->CheckSaveExecute();
    form->LoadReleaseList();
    EXPECT_EQ(form->List.ComboGrid1.RowCount(), rows);

    test::WriteBytes(form->Source.DataFilePath(),
                     bytes + std::string("\x01\xff garbage\r\n\x80\x81", 15));
    form->LoadReleaseList();
    EXPECT_GE(form->List.ComboGrid1.RowCount(), 301);
    form->CheckSaveExecute();
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace yomida
