#include "platform/TextFile.h"

#include <gtest/gtest.h>

#include "platform/IoError.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::string_literals;

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
    TextFileReader reader(path);
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line)) {
        lines.push_back(line);
    }
    return lines;
}

TEST(TextFile, ReaderAcceptsCrLfAndLfAndAnUnterminatedLastLine) {
    test::TempDir dir;
    test::WriteBytes(dir / "a.txt", "one\r\ntwo\nthree\r\n\r\nx\0y\nlast\r"s);
    EXPECT_EQ(ReadLines(dir / "a.txt"), (std::vector<std::string>{"one", "two", "three", "",
                                                                  std::string("x\0y", 3), "last"}));
    test::WriteBytes(dir / "empty.txt", "");
    EXPECT_TRUE(ReadLines(dir / "empty.txt").empty());
}

TEST(TextFile, ReaderHandlesLinesLongerThanItsBuffer) {
    test::TempDir dir;
    const std::string longLine(3 * 1024 * 1024 + 7, 'z');
    test::WriteBytes(dir / "long.txt", "a\r\n" + longLine + "\r\nb");
    auto lines = ReadLines(dir / "long.txt");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], longLine);
    EXPECT_EQ(lines[2], "b");
}

TEST(TextFile, WriterEndsEveryLineWithCrLf) {
    test::TempDir dir;
    TextFileWriter writer(dir / "out.txt");
    writer.WriteLine("a");
    writer.WriteLine("");
    writer.WriteLine(std::string(100000, 'q'));
    writer.Close();
    EXPECT_EQ(test::ReadBytes(dir / "out.txt"), "a\r\n\r\n" + std::string(100000, 'q') + "\r\n");
}

TEST(TextFile, MissingFileAndUncreatableFileThrowIoError) {
    test::TempDir dir;
    try {
        TextFileReader reader(dir / "missing.csv");
        FAIL() << "no exception";
    } catch (const IoError& e) {
        EXPECT_EQ(e.op(), IoError::Op::Open);
        EXPECT_NE(std::string(e.what()).find("missing.csv"), std::string::npos);
    }
    EXPECT_THROW(TextFileWriter(dir / "no" / "such" / "folder.txt"), IoError);
    // A folder is no file to read.
    try {
        TextFileReader folder(dir.path());
        FAIL() << "a folder was opened as a file";
    } catch (const IoError& e) {
        EXPECT_EQ(e.refusal(), IoError::Refusal::NotRegularFile);
        EXPECT_NE(std::string(e.what()).find("通常のファイルではありません"), std::string::npos);
    }
}

}  // namespace
}  // namespace yomida
