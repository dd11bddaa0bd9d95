#include "cli/Cli.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <ext/stdio_filebuf.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "cli/CliArgs.h"
#include "cli/Command.h"
#include "cli/FetchCommand.h"
#include "platform/FileSystem.h"
#include "support/CliRun.h"
#include "support/LoopbackServer.h"
#include "support/TestCertificates.h"
#include "support/TestSupport.h"
#include "support/WeeklyFetch.h"

namespace yomida {
namespace {

using test::CliOutput;
using test::InvokeCli;
using test::Sj;

TEST(Cli, NormaliseIsByteExact) {
    CliOutput r = InvokeCli({"normalise"}, Sj("ＡＢＣ　ｶﾞﾝﾀﾞﾑ，１\r\n") + "\x81");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Sj("ABC ガンダム，1\r\n") + "\x81");
}

TEST(Cli, ScrambleTwiceGivesTheInputBack) {
    const std::string input = Sj("No,□,出版社\n1,0,講談社,15\r\n\nlast");
    CliOutput once = InvokeCli({"scramble"}, input);
    EXPECT_EQ(once.status, 0);
    EXPECT_NE(once.out, input);
    CliOutput twice = InvokeCli({"scramble"}, once.out);
    EXPECT_EQ(twice.out, Sj("No,□,出版社\r\n1,0,講談社,15\r\n\r\nlast\r\n"));
    EXPECT_EQ(InvokeCli({"scramble"}, "").out, "");
}

TEST(Cli, ShowPrintsTheGridAndTheCount) {
    test::TempDir dir;
    test::WriteDataFile(
        dir / "comic0305.csv",
        {"No,□,出版社,発売日,タイトル,作者,価格", "1,0,講談社,15,ワンピース,尾田,420",
         "2,1,集英社,上,NARUTO,岸本,390", "3,0,小学館,25,コナン,青山,410"});
    const std::string file = (dir / "comic0305.csv").string();
    CliOutput all = InvokeCli({"show", file});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.out,
              "No\t□\t出版社\t発売日\tタイトル\t作者\t価格\n"
              "1\t□\t講談社\t15\tワンピース\t尾田\t420\n"
              "2\t■\t集英社\t上\tNARUTO\t岸本\t390\n"
              "3\t□\t小学館\t25\tコナン\t青山\t410\n");
    EXPECT_EQ(all.err, "3件\n");

    CliOutput days = InvokeCli({"show", file, "--days", "10-20", "--marks", "中下"});
    EXPECT_EQ(days.err, "1件\n");
    EXPECT_NE(days.out.find("ワンピース"), std::string::npos);

    CliOutput marks = InvokeCli({"show", file, "--days=1-5", "--marks", "上"});
    EXPECT_EQ(marks.err, "1件\n");
    EXPECT_NE(marks.out.find("NARUTO"), std::string::npos);

    EXPECT_EQ(InvokeCli({"show", file, "--checked"}).err, "1件\n");
    EXPECT_EQ(InvokeCli({"show", file, "--publisher", "講談社,小学館"}).err, "2件\n");
    EXPECT_EQ(InvokeCli({"show", file, "--title", "naruto", "--author", "青山"}).err, "2件\n");

    CliOutput none = InvokeCli({"show", file, "--publisher", "ない"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "No\t□\t出版社\t発売日\tタイトル\t作者\t価格\n");
    EXPECT_EQ(none.err, "0件\n");
}

TEST(Cli, UrlPrintsTheFileNameAndTheSourceUrl) {
    CliOutput comic = InvokeCli({"url", "--category", "3", "--month", "2003-05"});
    EXPECT_EQ(comic.status, 0);
    EXPECT_EQ(comic.out,
              "bunko0305.csv\nhttp://www.taiyosha.co.jp/bunko/bunko0305_listdate.html\n");
    CliOutput week = InvokeCli({"url", "--category", "2", "--month", "2001-01", "--week", "1321"});
    EXPECT_TRUE(week.out.starts_with("syosk1321.csv\nhttp://"));
    EXPECT_TRUE(week.out.ends_with("/1321/japa/t_a.htm\n"));
    CliOutput booktown = InvokeCli({"url", "--category=7", "--month=2003-05"});
    EXPECT_TRUE(booktown.out.ends_with("/P3/CM/html/bookclip/new/shoseki/02_s.html\n"));
    EXPECT_EQ(InvokeCli({"url", "--category", "16", "--month", "2003-05"}).status, 2);
    EXPECT_EQ(InvokeCli({"url", "--category", "1", "--month", "2003-13"}).status, 2);
    EXPECT_EQ(InvokeCli({"url", "--category", "1"}).status, 2);
}

TEST(Cli, UrlNamesARefusedHostByItsKey) {
    test::TempDir dir;
    const std::string ini = (dir / "yomida.INI").string();
    test::WriteBytes(ini, "[HOSTS]\r\nTAIYOSHA=127.0.0.1:8080/bunko\r\n");
    CliOutput bunko =
        InvokeCli({"url", "--category", "3", "--month", "2003-05", "--settings", ini});
    EXPECT_EQ(bunko.status, 0);
    EXPECT_EQ(bunko.out,
              "bunko0305.csv\nhttp://www.taiyosha.co.jp/bunko/bunko0305_listdate.html\n");
    EXPECT_EQ(bunko.err,
              "yomida-cli: [HOSTS] TAIYOSHA のホストは使えません: 書けるのはホスト名か IP アドレス"
              "と「:ポート番号」だけです。組み込みのホストを使います。\nsource: built-in\n");
}

TEST(Cli, UrlTakesHostsAndTemplatesFromASettingsFile) {
    test::TempDir dir;
    const std::string ini = (dir / "yomida.INI").string();
    test::WriteBytes(ini,
                     "[HOSTS]\r\nTAIYOSHA=127.0.0.1:8080\r\n[SOURCES]\r\n"
                     "Comic=https://{host}/list/{yy}-{m}?w={week}\r\nbunko=gopher://{host}/\r\n");
    CliOutput comic =
        InvokeCli({"url", "--category", "1", "--month", "2003-05", "--settings", ini});
    EXPECT_EQ(comic.status, 0);
    EXPECT_EQ(comic.out, "comic0305.csv\nhttps://www.mangaoh.co.jp/list/03-5?w=1319\n");
    EXPECT_TRUE(comic.err.ends_with("source: [SOURCES] comic\n")) << comic.err;

    CliOutput bunko = InvokeCli({"url", "--category=3", "--month=2003-05", "--settings=" + ini});
    EXPECT_EQ(bunko.status, 0);
    EXPECT_EQ(bunko.out, "bunko0305.csv\nhttp://127.0.0.1:8080/bunko/bunko0305_listdate.html\n");
    EXPECT_EQ(bunko.err,
              "yomida-cli: [SOURCES] bunko の URL は使えません: gopher は使えないスキームです"
              "（http か https のみ）。組み込みの URL を使います。\nsource: built-in\n");

    // The list id and the week numbering are the file's too, as fetch takes them.
    test::WriteBytes(dir / "weeks.ini", "[SYOSEKI_SERCH]\r\nNO=500\r\n");
    CliOutput weekly = InvokeCli({"url", "--category", "2", "--month", "2003-05", "--settings",
                                  (dir / "weeks.ini").string()});
    EXPECT_TRUE(weekly.out.starts_with("syosk619.csv\n")) << weekly.out;

    CliOutput missing =
        InvokeCli({"url", "--category", "1", "--month", "2003-05", "--settings", ini + ".none"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find(".none が見つかりません"), std::string::npos) << missing.err;
}

TEST(Cli, OrderTickAndExport) {
    test::TempDir dir;
    const std::string file = (dir / "comic0305.csv").string();
    test::WriteDataFile(
        file, {"No,□,出版社,発売日,タイトル,作者,価格", "1,0,講談社,15,ワンピース,尾田,420",
               "2,0,集英社,上,NARUTO,岸本,390", "3,0,小学館,25,コナン,青山,410"});
    CliOutput byPrice = InvokeCli({"show", file, "--order", "price"});
    EXPECT_EQ(byPrice.out,
              "No\t□\t出版社\t発売日\tタイトル\t作者\t価格\n"
              "2\t□\t集英社\t上\tNARUTO\t岸本\t390\n"
              "3\t□\t小学館\t25\tコナン\t青山\t410\n"
              "1\t□\t講談社\t15\tワンピース\t尾田\t420\n");
    EXPECT_EQ(InvokeCli({"show", file, "--order", "cost"}).status, 2);

    CliOutput tick = InvokeCli({"tick", file, "1", "3"});
    EXPECT_EQ(tick.status, 0) << tick.err;
    EXPECT_EQ(InvokeCli({"show", file, "--checked"}).err, "2件\n");
    // Ticking again unticks.
    EXPECT_EQ(InvokeCli({"tick", file, "1", "--publisher", "講談社"}).status, 0);
    CliOutput checked = InvokeCli({"show", file, "--checked"});
    EXPECT_EQ(checked.err, "1件\n");
    EXPECT_NE(checked.out.find("コナン"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "newfiles.$$$"));

    const std::string csv = (dir / "out.csv").string();
    CliOutput exported = InvokeCli({"export", file, "--month", "2003-05", csv, "--order", "date"});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(test::ReadBytes(csv), Sj("2003/05/上,\"NARUTO\",390,\"岸本\",\"集英社\"\r\n"
                                       "2003/05/15,\"ワンピース\",420,\"尾田\",\"講談社\"\r\n"
                                       "2003/05/25,\"コナン\",410,\"青山\",\"小学館\"\r\n"));
    EXPECT_EQ(InvokeCli({"export", file, csv}).status, 2);
    EXPECT_EQ(InvokeCli({"tick", (dir / "none.csv").string(), "1"}).status, 1);
}

TEST(Cli, ATickThatFindsNoShownRecordSavesNothingAndFails) {
    test::TempDir dir;
    const std::string file = (dir / "comic0305.csv").string();
    test::WriteDataFile(
        file, {"No,□,出版社,発売日,タイトル,作者,価格", "1,0,講談社,15,ワンピース,尾田,420",
               "3,0,小学館,25,コナン,青山,410"});
    const std::string before = test::ReadBytes(file);
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"tick", file, "999"},
                                               {"tick", file, "abc"},
                                               {"tick", file, "1", "999"},
                                               {"tick", file, "1", "3", "--publisher", "講談社"}}) {
        CliOutput r = InvokeCli(args);
        EXPECT_EQ(r.status, 1) << args[2];
        const std::string& missing = args[2] == "1" ? args[3] : args[2];
        EXPECT_NE(r.err.find("number " + missing + " in " + file), std::string::npos) << r.err;
        EXPECT_EQ(test::ReadBytes(file), before) << "no tick is saved when one number is wrong";
    }
    EXPECT_EQ(InvokeCli({"tick", file, "3", "1"}).status, 0);
    EXPECT_EQ(InvokeCli({"show", file, "--checked"}).err, "2件\n");
}

TEST(Cli, EveryCommandPrintsItsOwnUsage) {
    const std::vector<std::pair<std::string, std::string>> commands = {
        {"normalise", "usage: yomida-cli normalise\n              standard input (CP932)"},
        {"scramble", "usage: yomida-cli scramble\n"},
        {"show", "usage: yomida-cli show DATAFILE [--publisher TEXT]"},
        {"tick", "usage: yomida-cli tick DATAFILE NUMBER..."},
        {"export", "usage: yomida-cli export DATAFILE --month YYYY-MM OUTPUT"},
        {"ical", "usage: yomida-cli ical DATAFILE"},
        {"watch", "usage: yomida-cli watch DATAFOLDER"},
        {"convert", "usage: yomida-cli convert --category N"},
        {"fetch", "usage: yomida-cli fetch --category N"},
        {"http", "usage: yomida-cli http get|head URL"},
        {"url", "usage: yomida-cli url --category N"},
        {"--version", "usage: yomida-cli --version\n              print the program's version\n"},
        {"--paths", "usage: yomida-cli --paths\n"}};
    for (const auto& [command, start] : commands) {
        // Standard input that would be read holds text: a command that read it would print it.
        CliOutput r = InvokeCli({command, "--help"}, "ＡＢＣ\n");
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.err, "") << command;
        EXPECT_TRUE(r.out.starts_with(start)) << r.out;
        EXPECT_GE(std::count(r.out.begin(), r.out.end(), '\n'), 2) << r.out;
        EXPECT_EQ(r.out.find("yomida-cli", 10), std::string::npos) << "one command: " << r.out;
    }
    CliOutput show = InvokeCli({"show", "x.csv", "--help"});
    EXPECT_EQ(show.status, 0);
    EXPECT_TRUE(show.out.ends_with("and the record count on standard error\n")) << show.out;
    EXPECT_EQ(InvokeCli({"frobnicate", "--help"}).status, 2);
}

// A command line that a command refuses gets one line of reason and that command's synopsis, the
// head of its --help; only a command the program does not know gets the whole usage.
TEST(Cli, ARefusedCommandLineGetsItsReasonAndTheCommandsSynopsis) {
    test::TempDir dir;
    const std::string file = (dir / "comic2402.csv").string();
    test::WriteDataFile(file, {test::kListHeader, "1,0,講談社,15,ワンピース,尾田,420"});
    const std::string ical =
        "usage: yomida-cli ical DATAFILE [--month YYYY-MM] OUTPUT [--settings INIFILE]\n"
        "              [the filter and --order options of show]\n";
    const std::string show =
        "usage: yomida-cli show DATAFILE [--publisher TEXT] [--title TEXT] [--author TEXT]\n"
        "              [--days FIRST-LAST] [--marks MARKS] [--checked]\n"
        "              [--order date|publisher|title|price]\n";
    struct Refusal {
        std::vector<std::string> args;
        std::string reason;
        std::string synopsis;
    };
    const std::vector<Refusal> refusals = {
        {{"ical", file, "--month", "2024-03", "-"},
         "--month 2024-03 is not the month of " + file + ", which is 2024-02",
         ical},
        {{"ical", file, "--month", "2024-13", "-"}, "--month takes YYYY-MM: 2024-13", ical},
        {{"ical", file, "--month", "Feb", "-"}, "--month takes YYYY-MM: Feb", ical},
        {{"ical", file}, "ical takes DATAFILE [--month YYYY-MM] OUTPUT", ical},
        {{"show", file, "--colour"}, "unknown option --colour", show},
        {{"status", "extra"},
         "status takes no arguments but --data DIR and --json",
         "usage: yomida-cli status [--data DIR] [--json]\n"},
        {{"--version", "now"}, "--version takes no arguments", "usage: yomida-cli --version\n"},
    };
    for (const Refusal& refusal : refusals) {
        const CliOutput r = InvokeCli(refusal.args);
        EXPECT_EQ(r.status, 2) << refusal.reason;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "yomida-cli: " + refusal.reason + "\n" + refusal.synopsis);
        EXPECT_TRUE(InvokeCli({refusal.args[0], "--help"}).out.starts_with(refusal.synopsis))
            << refusal.args[0];
    }
    const CliOutput unknown = InvokeCli({"frobnicate", file});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "yomida-cli: unknown command frobnicate\n" + InvokeCli({"--help"}).out);
}

// The program's usage and each command's --help come from the same entry: put back into the
// usage's layout, the help of every command the usage lists gives the usage again.
TEST(Cli, TheUsageIsEveryCommandsHelpInTurn) {
    const std::string usage = InvokeCli({"--help"}).out;
    std::istringstream lines(usage);
    std::string line;
    std::string rebuilt;
    bool inHead = true;
    while (std::getline(lines, line)) {
        const bool entryStart = line.size() > 2 && line.starts_with("  ") && line[2] != ' ';
        if (!entryStart) {
            // The head is kept as it stands; the rest of an entry comes with its command's help.
            if (inHead) {
                rebuilt += line + '\n';
            }
            continue;
        }
        inHead = false;
        const std::string name = line.substr(2, line.find(' ', 2) - 2);
        const CliOutput help = InvokeCli({name, "--help"});
        ASSERT_EQ(help.status, 0) << name;
        ASSERT_TRUE(help.out.starts_with("usage: yomida-cli " + name)) << help.out;
        std::string entry = "  " + help.out.substr(std::string("usage: yomida-cli ").size());
        const std::string indent(14, ' ');
        const size_t firstEnd = entry.find('\n');
        if (firstEnd + 2 <= indent.size() && entry.compare(firstEnd + 1, 14, indent) == 0) {
            entry = entry.substr(0, firstEnd) + std::string(14 - firstEnd, ' ') +
                    entry.substr(firstEnd + 1 + 14);
        }
        rebuilt += entry;
    }
    EXPECT_EQ(rebuilt, usage);
}

TEST(Cli, CommandEntriesPutShortNamesBesideTheirDescription) {
    const auto run = [](const std::vector<std::string>&, std::istream&, std::ostream&,
                        std::ostream&) { return 0; };
    const cli::Command shortName{"mark", "", "one line\nand another\n", run};
    EXPECT_EQ(shortName.Entry(), "  mark        one line\n              and another\n");
    EXPECT_EQ(shortName.Help(),
              "usage: yomida-cli mark\n              one line\n              and another\n");
    const cli::Command longName{"synchronise", " [--all]\n              [--dry-run]", "does it\n",
                                run};
    EXPECT_EQ(longName.Entry(),
              "  synchronise [--all]\n              [--dry-run]\n              does it\n");
    EXPECT_EQ(longName.Help(),
              "usage: yomida-cli synchronise [--all]\n              [--dry-run]\n"
              "              does it\n");
    const std::vector<cli::Command> table = {shortName, longName};
    EXPECT_EQ(cli::FindCommand(table, "synchronise"), &table[1]);
    EXPECT_EQ(cli::FindCommand(table, "sync"), nullptr);
    EXPECT_EQ(cli::ProgramUsage(table),
              "usage: yomida-cli COMMAND ...\n       yomida-cli --version | --paths\n\n" +
                  shortName.Entry() + longName.Entry());
}

TEST(Cli, OutputToAFullDeviceOrAClosedPipeFails) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    test::TempDir dir;
    const std::string file = (dir / "comic0305.csv").string();
    test::WriteDataFile(
        file, {"No,□,出版社,発売日,タイトル,作者,価格", "1,0,講談社,15,ワンピース,尾田,420"});
    std::istringstream in;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--version"}, {"--help"}, {"show", "--help"}, {"show", file}}) {
        std::ofstream full("/dev/full");
        std::ostringstream err;
        EXPECT_EQ(RunCli(args, in, full, err), 1) << args[0];
        EXPECT_NE(err.str().find("cannot write to standard output"), std::string::npos)
            << err.str();
    }

    // A reader that went away, with SIGPIPE ignored as a script's shell may leave it.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    {
        __gnu_cxx::stdio_filebuf<char> buffer(fds[1], std::ios::out);
        std::ostream pipe(&buffer);
        std::ostringstream err;
        EXPECT_EQ(RunCli({"url", "--category", "3", "--month", "2003-05"}, in, pipe, err), 1);
        EXPECT_NE(err.str().find("Broken pipe"), std::string::npos) << err.str();
    }
    std::signal(SIGPIPE, previous);
}

TEST(Cli, TicksFromTwoProcessesOnOneFolderAndOneFileAreAllKept) {
    test::TempDir dir;
    std::vector<std::string> lines = {"No,□,出版社,発売日,タイトル,作者,価格"};
    for (int n = 1; n <= 200; ++n) {
        lines.push_back(std::to_string(n) + ",0,講談社,15,タイトル" + std::to_string(n) +
                        ",作者,420");
    }
    test::WriteDataFile(dir / "comic2612.csv", lines);
    test::WriteDataFile(dir / "comic2611.csv", lines);
    // Child 0 and 1 tick records of their own files; 2 and 3 tick different records of one file.
    const std::string files[4] = {
        (dir / "comic2612.csv").string(), (dir / "comic2611.csv").string(),
        (dir / "comic2612.csv").string(), (dir / "comic2611.csv").string()};
    test::RunInChildProcesses(4, [&](int c) {
        for (int n = 0; n < 8; ++n) {
            const int record = c < 2 ? 1 + n : 101 + n;
            if (InvokeCli({"tick", files[c], std::to_string(record)}).status != 0) {
                return false;
            }
        }
        return true;
    });
    for (const char* name : {"comic2612.csv", "comic2611.csv"}) {
        const std::vector<std::string> saved = test::ReadDataFile(dir / name);
        ASSERT_EQ(saved.size(), lines.size()) << name;
        CliOutput checked = InvokeCli({"show", (dir / name).string(), "--checked"});
        EXPECT_EQ(checked.err, "16件\n") << name;
    }
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"comic2611.csv", "comic2612.csv"}));
}

TEST(Cli, ConvertWritesTheDataFileAndReportsFailures) {
    test::TempDir dir;
    const std::string page = (dir / "page.html").string();
    std::filesystem::copy_file(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-novel.html", page);
    const std::string out = (dir / "bngei0305.csv").string();
    CliOutput r = InvokeCli({"convert", "--category", "6", "--month", "2003-05", "--stamp",
                             "Mon, 05 May 2003", page, out});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto lines = test::ReadDataFile(out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "\"Mon, 05 May 2003\",No,□,出版社,発売日,タイトル,作者,価格");
    EXPECT_EQ(InvokeCli({"show", out, "--title", "港町"}).err, "1件\n");

    // A stamp with quotes and commas stays one item, so every caption keeps its column.
    const std::string quoted = (dir / "quoted.csv").string();
    EXPECT_EQ(InvokeCli({"convert", "--category", "6", "--month", "2003-05", "--stamp",
                         "Mon, 5 \"x\" 2003", page, quoted})
                  .status,
              0);
    EXPECT_EQ(test::ReadDataFile(quoted)[0],
              "\"Mon, 5 \"\"x\"\" 2003\",No,□,出版社,発売日,タイトル,作者,価格");
    EXPECT_TRUE(InvokeCli({"show", quoted, "--title", "港町"}).out.starts_with("No\t□\t出版社"));

    CliOutput missing = InvokeCli(
        {"convert", "--category", "6", "--month", "2003-05", (dir / "none.html").string(), out});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("ダウンロードファイルが見つかりません。"), std::string::npos);

    test::WriteBytes(dir / "bad.html", "<h2 class=\"publisher-title\">2003/05/zz</h2>\n<p>x</p>\n");
    CliOutput bad = InvokeCli(
        {"convert", "--category", "6", "--month", "2003-05", (dir / "bad.html").string(), out});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("zz"), std::string::npos);
    EXPECT_EQ(test::ReadDataFile(out).size(), 4u) << "the earlier data file is intact";
    EXPECT_EQ(InvokeCli({"convert", "--category", "6", page, out}).status, 2);

    // A missing folder of the output is made, one level deep and private.
    const std::filesystem::path lists = dir / "lists";
    CliOutput folder = InvokeCli({"convert", "--category", "6", "--month", "2003-05", page,
                                  (lists / "bngei0305.csv").string()});
    EXPECT_EQ(folder.status, 0) << folder.err;
    EXPECT_EQ(test::ReadDataFile(lists / "bngei0305.csv").size(), 4u);
    EXPECT_EQ(std::filesystem::status(lists).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    CliOutput deep = InvokeCli({"convert", "--category", "6", "--month", "2003-05", page,
                                (dir / "a" / "b" / "bngei0305.csv").string()});
    EXPECT_EQ(deep.status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "a"));
}

TEST(Cli, HttpGetAndHead) {
    test::TempDir dir;
    test::LoopbackServer server({{"HTTP/1.0 200 OK\r\nLast-Modified: x\r\n\r\nthe body"},
                                 {"HTTP/1.0 200 OK\r\n\r\nto a file"},
                                 {"HTTP/1.0 404 Not Found\r\n\r\nmissing"},
                                 {"HTTP/1.0 200 OK\r\n\r\n"}});
    CliOutput get = InvokeCli({"http", "get", server.Url("/a")});
    EXPECT_EQ(get.status, 0);
    EXPECT_EQ(get.out, "the body");
    EXPECT_EQ(get.err, "HTTP/1.0 200 OK\r\nLast-Modified: x\r\n\r\n");
    const std::string file = (dir / "body.txt").string();
    EXPECT_EQ(InvokeCli({"http", "get", server.Url("/b"), "--out", file}).status, 0);
    EXPECT_EQ(test::ReadBytes(file), "to a file");
    EXPECT_EQ(InvokeCli({"http", "get", server.Url("/c")}).status, 1);
    // Through a "proxy": the loopback server sees the whole URL.
    CliOutput head = InvokeCli({"http", "head", "http://example.invalid/x", "--proxy",
                                "127.0.0.1:" + std::to_string(server.Port())});
    EXPECT_EQ(head.status, 0);
    EXPECT_TRUE(server.Requests().back().starts_with("HEAD http://example.invalid/x HTTP/1.0"));
    // A proxy without a host, or on a port no server can have, is refused rather than gone past.
    for (const char* bad : {":8080", "127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1"}) {
        const CliOutput http =
            InvokeCli({"http", "head", "http://example.invalid/", "--proxy", bad});
        EXPECT_EQ(http.status, 2) << bad;
        EXPECT_NE(http.err.find("--proxy"), std::string::npos) << http.err;
        EXPECT_EQ(InvokeCli({"fetch", "--category", "2", "--month", "2003-05", "--data",
                             (dir / "data").string(), "--proxy", bad})
                      .status,
                  2)
            << bad;
    }
    // A certificate that does not verify is named with its reason, in UTF-8.
    test::TestCa ca;
    ca.TrustIn(dir / "ca.pem");
    test::TestCa::Request expired;
    expired.ipAddresses = {"127.0.0.1"};
    expired.validToSeconds = -60;
    test::LoopbackServer secure({{"HTTP/1.0 200 OK\r\n\r\nsecret"}}, ca.Issue(expired));
    CliOutput https = InvokeCli({"http", "get", secure.Url("/")});
    EXPECT_EQ(https.status, 1);
    EXPECT_EQ(https.err,
              "yomida-cli: 証明書を確認できません: 127.0.0.1 (certificate has expired)\n");
    EXPECT_EQ(InvokeCli({"http", "put", "http://x/"}).status, 2);
}

TEST(Cli, FailuresAndUsage) {
    test::TempDir dir;
    CliOutput missing = InvokeCli({"show", (dir / "nothing.csv").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("nothing.csv"), std::string::npos);
    EXPECT_EQ(missing.out, "");

    EXPECT_EQ(InvokeCli({}).status, 2);
    EXPECT_EQ(InvokeCli({"frobnicate"}).status, 2);
    EXPECT_EQ(InvokeCli({"show"}).status, 2);
    EXPECT_EQ(InvokeCli({"show", "x", "--days", "5"}).status, 2);
    EXPECT_EQ(InvokeCli({"show", "x", "--days", "0-40"}).status, 2);
    EXPECT_EQ(InvokeCli({"show", "x", "--marks", "上x"}).status, 2);
    EXPECT_EQ(InvokeCli({"show", "x", "--bogus"}).status, 2);
    EXPECT_EQ(InvokeCli({"--help"}).status, 0);
}

TEST(Cli, VersionAndPaths) {
    CliOutput version = InvokeCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(std::regex_match(version.out, std::regex("yomida-cli [0-9]+(\\.[0-9]+){3}\n")))
        << version.out;

    // Beside the test program, whose folder is writable: the window program would be portable
    // there, with its settings file named after "yomida", not after this program.
    CliOutput paths = InvokeCli({"--paths"});
    EXPECT_EQ(paths.status, 0);
    const std::filesystem::path folder = ExecutablePath().parent_path();
    EXPECT_EQ(paths.out,
              (folder / "yomida.INI").string() + "\n" + (folder / "data").string() + "\n");

    EXPECT_EQ(InvokeCli({"--paths", "x"}).status, 2);
    EXPECT_EQ(InvokeCli({"--version", "--paths"}).status, 2);
}

TEST(Cli, FetchTheMangaOhListsOverHttps) {
    test::TempDir dir;
    test::TestCa ca;
    ca.TrustIn(dir / "ca.pem");
    const std::string page =
        test::ReadBytes(std::filesystem::path(YOMIDA_SAMPLES) / "mangaoh-comic.html");
    const std::string ok = "HTTP/1.0 200 OK\r\nLast-Modified: Sat, 01 Mar 2025\r\n\r\n";
    test::LoopbackServer server(
        {{ok + page}, {"HTTP/1.0 404 Not Found\r\n\r\n"}, {ok + "<html></html>"}},
        ca.IssueForLoopback());
    test::WriteBytes(dir / "hosts.ini",
                     "[HOSTS]\r\nMANGAOH=127.0.0.1:" + std::to_string(server.Port()) + "\r\n");
    const std::vector<std::string> fetch = {"fetch",
                                            "--category",
                                            "1",
                                            "--month",
                                            "2025-03",
                                            "--data",
                                            (dir / "data").string(),
                                            "--hosts",
                                            (dir / "hosts.ini").string(),
                                            "--force"};
    CliOutput first = InvokeCli(fetch);
    EXPECT_EQ(first.status, 0) << first.err;
    const std::filesystem::path list = dir / "data" / "comic2503.csv";
    EXPECT_EQ(first.out, list.string() + "\n6\n");
    EXPECT_TRUE(server.Requests()[0].starts_with(
        "GET /productlist/sale/month?count=all&group=day&displayMode=simple&category=comic_all&"
        "date=20250301 HTTP/1.0\r\n"));

    // A status other than 200 or a page without records: exit 1, the list byte for byte.
    const std::string before = test::ReadBytes(list);
    CliOutput missing = InvokeCli(fetch);
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("yomida-cli: HTTP/1.0 404 Not Found\n"), std::string::npos)
        << missing.err;
    CliOutput empty = InvokeCli(fetch);
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("yomida-cli: ページに発売情報がありませんでした。\n"),
              std::string::npos)
        << empty.err;
    EXPECT_EQ(test::ReadBytes(list), before);

    // A certificate for another host.
    test::TestCa::Request other;
    other.dnsNames = {"other.example"};
    test::LoopbackServer wrong({{ok + page}}, ca.Issue(other));
    test::WriteBytes(dir / "hosts.ini",
                     "[HOSTS]\r\nMANGAOH=127.0.0.1:" + std::to_string(wrong.Port()) + "\r\n");
    CliOutput refused = InvokeCli(fetch);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("yomida-cli: 証明書を確認できません: 127.0.0.1 (IP address "
                               "mismatch)\n"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(test::ReadBytes(list), before);
}

TEST(Cli, FetchDownloadsLikeTheWindowAndKeepsTheListOnAFailure) {
    test::TempDir dir;
    test::LoopbackServer server(
        {{test::kWeeklyOk + test::WeeklyPage()}, {test::kWeeklyOk}, {"HTTP/1.0 500 Oops\r\n\r\n"}});
    test::WriteBytes(dir / "hosts.ini",
                     "[HOSTS]\r\nWEEKLY=127.0.0.1:" + std::to_string(server.Port()) + "\r\n");
    const std::vector<std::string> fetch = test::WeeklyFetchArgs(dir / "data", dir / "hosts.ini");
    CliOutput first = InvokeCli(fetch);
    EXPECT_EQ(first.status, 0) << first.err;
    const std::filesystem::path list = dir / "data" / "syosk1321.csv";
    EXPECT_EQ(first.out, list.string() + "\n2\n");
    ASSERT_EQ(test::ReadDataFile(list).size(), 3u);
    EXPECT_TRUE(server.Requests()[0].starts_with("GET /1321/"));

    // Unchanged page: nothing is downloaded and the list stays.
    const std::string before = test::ReadBytes(list);
    CliOutput again = InvokeCli(fetch);
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, first.out);

    // Forced, against a server error: exit 1 and the previous list byte for byte.
    std::vector<std::string> forced = fetch;
    forced.push_back("--force");
    CliOutput failed = InvokeCli(forced);
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("unchanged"), std::string::npos);
    EXPECT_EQ(test::ReadBytes(list), before);

    for (const char* category : {"3", "8", "9", "10", "11"}) {
        CliOutput byHand = InvokeCli({"fetch", "--category", category, "--month", "2003-05"});
        EXPECT_EQ(byHand.status, 2) << category;
        EXPECT_NE(byHand.err.find("yomida-cli convert"), std::string::npos);
    }
    EXPECT_EQ(InvokeCli({"fetch", "--category", "2"}).status, 2);
    EXPECT_EQ(InvokeCli({"fetch", "--category", "2", "--month", "2003-05", "--hosts",
                         (dir / "missing.ini").string()})
                  .status,
              1);
}

TEST(Cli, AListThatCannotBeStoredIsReportedInReadableWords) {
    test::TempDir dir;
    test::LoopbackServer server({{test::kWeeklyOk + test::WeeklyPage()}});
    test::WriteBytes(dir / "hosts.ini",
                     "[HOSTS]\r\nWEEKLY=127.0.0.1:" + std::to_string(server.Port()) + "\r\n");
    // A folder where the list should go: the new list cannot be renamed over it.
    std::filesystem::create_directories(dir / "data" / "syosk1321.csv" / "x");
    std::vector<std::string> fetch = test::WeeklyFetchArgs(dir / "data", dir / "hosts.ini");
    fetch.push_back("--force");
    CliOutput r = InvokeCli(fetch);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("yomida-cli: ファイル"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::is_directory(dir / "data" / "syosk1321.csv" / "x"));
}

TEST(Cli, FetchAndHttpGiveUpOnASilentServer) {
    test::TempDir dir;
    const test::LoopbackServer::Reply silent{"", "", 0, true};
    test::LoopbackServer server({silent,
                                 silent,
                                 {"HTTP/1.0 200 OK\r\n\r\n" + std::string(2000, 's'), "", 0, true},
                                 silent});
    test::WriteBytes(dir / "hosts.ini",
                     "[HOSTS]\r\nWEEKLY=127.0.0.1:" + std::to_string(server.Port()) + "\r\n");
    std::vector<std::string> fetch = test::WeeklyFetchArgs(dir / "data", dir / "hosts.ini");
    fetch.insert(fetch.end(), {"--timeout", "1"});
    CliOutput got = InvokeCli(fetch);
    EXPECT_EQ(got.status, 1);
    EXPECT_NE(got.err.find("yomida-cli: Timed out: nothing received for 1 second\n"),
              std::string::npos)
        << got.err;
    EXPECT_NE(got.err.find("no list was fetched"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "data" / "syosk1321.csv"));

    // The update check of an existing list gives up the same way.
    test::WriteDataFile(dir / "data" / "syosk1321.csv", {"\"old\",No,□,出版社"});
    const std::string before = test::ReadBytes(dir / "data" / "syosk1321.csv");
    CliOutput checked = InvokeCli(fetch);
    EXPECT_EQ(checked.status, 1);
    EXPECT_NE(checked.err.find("Timed out: nothing received for 1 second"), std::string::npos)
        << checked.err;
    EXPECT_EQ(test::ReadBytes(dir / "data" / "syosk1321.csv"), before);

    CliOutput stalled = InvokeCli({"http", "get", server.Url("/stalled"), "--timeout", "1"});
    EXPECT_EQ(stalled.status, 1);
    EXPECT_EQ(stalled.err,
              "HTTP/1.0 200 OK\r\n\r\nyomida-cli: Timed out: nothing received for 1 second\n");
    EXPECT_EQ(InvokeCli({"http", "head", server.Url("/silent"), "--timeout=1"}).status, 1);

    for (const char* bad : {"x", "-1", "86401"}) {
        EXPECT_EQ(InvokeCli({"http", "get", server.Url("/"), "--timeout", bad}).status, 2) << bad;
    }
    EXPECT_EQ(cli::TimeOutOption(cli::ParseArgs({"fetch"}, 1, {"timeout"}, {})), 60000)
        << "a minute unless the command line says otherwise";
}

TEST(Cli, FetchTakesTheUrlTemplatesOfItsHostsFile) {
    test::TempDir dir;
    test::LoopbackServer server({{"HTTP/1.0 200 OK\r\n\r\n" + test::WeeklyPage()}});
    test::WriteBytes(dir / "y.ini",
                     "[SOURCES]\r\nsyosk=http://127.0.0.1:" + std::to_string(server.Port()) +
                         "/moved/{week}.htm\r\ncomic={host}/nothing\r\n");
    CliOutput r = InvokeCli(test::WeeklyFetchArgs(dir / "data", dir / "y.ini"));
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_TRUE(server.Requests()[0].starts_with("GET /moved/1321.htm ")) << server.Requests()[0];
    EXPECT_NE(r.err.find("[SOURCES] comic の URL は使えません"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace yomida
