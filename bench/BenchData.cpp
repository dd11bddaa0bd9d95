#include "BenchData.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <string>

#include "platform/Cp932.h"
#include "platform/TextFile.h"
#include "sources/Convert.h"
#include "support/ScriptedUi.h"
#include "text/Scrambler.h"

namespace yomida::bench {

// A data file of 100,000 records, about 10 MB, written as the converters write it.
const std::filesystem::path& BigDataFile() {
    static const std::filesystem::path path = [] {
        std::filesystem::path file = NewTempFolder() / "comic0305.csv";
        const char* titles[] = {"ワンピース", "ＮＡＲＵＴＯ", "名探偵コナン", "進撃の巨人",
                                "鬼滅の刃",   "ｶﾞﾝﾀﾞﾑ ｴｰｽ",   "よつばと！",   "ブルーピリオド"};
        const char* publishers[] = {"講談社", "集英社", "小学館", "ＫＡＤＯＫＡＷＡ", "白泉社"};
        Scrambler scrambler;
        scrambler.ResetScramble();
        TextFileWriter out(file);
        out.WriteLine(scrambler.ScrambleLine(
            Utf8ToCp932("\"2026/12/01 10:00\",No,□,出版社,発売日,タイトル,作者,価格,ISBN")));
        for (int i = 1; i <= 100000; ++i) {
            std::string line = std::to_string(i) + ",0," + publishers[i % 5] + "コミックス," +
                               std::to_string(i % 31 + 1) + "," + titles[i % 8] + "　第" +
                               std::to_string(i % 120) + "巻　特装版," + "作者　" +
                               std::to_string(i % 997) + "号,4" + std::to_string(i % 10) + "0," +
                               "978-4-06-" + std::to_string(100000 + i);
            out.WriteLine(scrambler.ScrambleLine(Utf8ToCp932(line)));
        }
        out.Close();
        return file;
    }();
    return path;
}

std::filesystem::path NewTempFolder() {
    std::string folder = (std::filesystem::temp_directory_path() / "yomida-bench-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    return folder;
}

void RunConvert(benchmark::State& state, int category, const std::string& page) {
    const std::filesystem::path dir = NewTempFolder();
    const std::chrono::year_month_day may2003{std::chrono::year{2003}, std::chrono::month{5},
                                              std::chrono::day{1}};
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(dir / "page", std::ios::binary) << page;
        state.ResumeTiming();
        ConvertRequest r{category, dir / "page", dir / "out.csv", "", may2003};
        if (!Convert(r).RanToEnd()) {
            state.SkipWithError("the page did not convert");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(page.size()));
    std::filesystem::remove_all(dir);
}

bool RunToNull(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return started == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

}  // namespace yomida::bench
