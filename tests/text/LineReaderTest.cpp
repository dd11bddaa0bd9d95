#include "text/LineReader.h"

#include <gtest/gtest.h>

#include "platform/TextFile.h"
#include "support/TestSupport.h"

namespace yomida {
namespace {

using namespace std::string_literals;

// The converters once read their input from a file and now read it from memory: every text
// must split into the same lines both ways, or a converted list would change.
TEST(LineReader, SplitsAsTheFileReaderDoes) {
    test::TempDir dir;
    const std::string texts[] = {
        ""s,
        "\n"s,
        "\r"s,
        "\r\n\r\n"s,
        "one\r\ntwo\nthree\r\n\r\nx\0y\nlast\r"s,
        "cr\r\r\nin\rside\n\n"s,
        "no terminator"s,
        "ends in two\r\r"s,
    };
    for (const std::string& text : texts) {
        test::WriteBytes(dir / "t.txt", text);
        TextFileReader file(dir / "t.txt");
        std::vector<std::string> fromFile;
        std::string fileLine;
        while (file.ReadLine(fileLine)) {
            fromFile.push_back(fileLine);
        }
        LineReader memory(text);
        std::vector<std::string> fromMemory;
        std::string_view line;
        while (!memory.AtEnd()) {
            ASSERT_TRUE(memory.ReadLine(line));
            fromMemory.emplace_back(line);
        }
        EXPECT_FALSE(memory.ReadLine(line));
        EXPECT_EQ(fromMemory, fromFile) << testing::PrintToString(text);
    }
}

}  // namespace
}  // namespace yomida
