#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "text/Dates.h"

namespace yomida::test {

// The header line of a release list of seven columns, in UTF-8 as WriteDataFile takes it.
inline const std::string kListHeader = "No,□,出版社,発売日,タイトル,作者,価格";
// The week numbering of the program's own settings: week 1200 ends on 2001/01/13.
inline const WeekNumbering kWeeks{
    std::chrono::year_month_day{std::chrono::year{2001}, std::chrono::month{1},
                                std::chrono::day{13}},
    1200};

// A fresh temporary folder per test, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// CP932 bytes of a UTF-8 test text.
std::string Sj(std::string_view utf8);
// UTF-8 of CP932 bytes, for readable assertions.
std::string U8(std::string_view cp932);

// Writes UTF-8 lines as a data file: CP932, CR LF, scrambled as one key stream.
void WriteDataFile(const std::filesystem::path& path, const std::vector<std::string>& utf8Lines);
// Reads a data file back as UTF-8 plain lines.
std::vector<std::string> ReadDataFile(const std::filesystem::path& path);

void WriteBytes(const std::filesystem::path& path, std::string_view bytes);
std::string ReadBytes(const std::filesystem::path& path);

// Runs WORK(0) to WORK(COUNT - 1) at once, each in a process of its own, and waits for all of
// them; a child whose work returns false or throws fails the test.
void RunInChildProcesses(int count, const std::function<bool(int)>& work);

}  // namespace yomida::test
