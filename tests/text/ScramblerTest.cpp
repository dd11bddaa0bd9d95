#include "text/Scrambler.h"

#include <gtest/gtest.h>

#include "platform/TextFile.h"
#include "support/TestSupport.h"
#include "text/ScrambledFile.h"

namespace yomida {
namespace {

TEST(Scrambler, KnownBytesOfTheKeyStream) {
    Scrambler s;
    s.ResetScramble();
    // 'N' ^ 'w' = '9'; 'o' ^ 'r' = 0x1D.
    EXPECT_EQ(s.ScrambleLine("No"), "9\x1D");
    EXPECT_EQ(s.KeyPosition(), 3u);
}

TEST(Scrambler, BytesThatWouldBecomeControlCharactersStayUnchanged) {
    Scrambler s;
    s.ResetScramble();
    // 'w' ^ 0x05 = 'r' would give 0x05; 'r' ^ 0x1A = 'h' would give 0x1A.
    EXPECT_EQ(s.ScrambleLine("rh"), "rh");
    // No printable byte ever turns into CR, LF or 0x1A, whatever its key position.
    std::string all;
    for (int b = 0x20; b <= 0xFC; ++b) {
        all += static_cast<char>(b);
    }
    for (int shift = 0; shift < 23; ++shift) {
        s.ResetScramble();
        s.ScrambleLine(std::string(static_cast<size_t>(shift), 'a'));
        std::string stored = s.ScrambleLine(all);
        EXPECT_EQ(stored.find_first_of(std::string("\r\n\x1A", 3)), std::string::npos);
    }
}

TEST(Scrambler, RoundTripAndOneKeyStreamPerFile) {
    const std::vector<std::string> lines = {test::Sj("\"2003/05/01\",No,□,出版社"), "",
                                            test::Sj("1,0,講談社,15,ワンピース　１,尾田,420")};
    Scrambler writer;
    writer.ResetScramble();
    std::vector<std::string> stored;
    std::string joined;
    for (const std::string& l : lines) {
        stored.push_back(writer.ScrambleLine(l));
        joined += l;
    }
    Scrambler reader;
    reader.ResetScramble();
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(reader.ScrambleLine(stored[i]), lines[i]);
    }
    // The key runs on across lines: the file's lines scramble like one long line.
    Scrambler whole;
    whole.ResetScramble();
    EXPECT_EQ(whole.ScrambleLine(joined), stored[0] + stored[1] + stored[2]);
}

TEST(Scrambler, KeyPositionWrapsAfterTwentyThreeBytes) {
    Scrambler s;
    s.ResetScramble();
    s.ScrambleLine("");
    EXPECT_EQ(s.KeyPosition(), 1u);
    s.ScrambleLine(std::string(23, 'x'));
    EXPECT_EQ(s.KeyPosition(), 1u);
    s.ResetScramble();
    s.ScrambleLine(std::string(24, 'x'));
    EXPECT_EQ(s.KeyPosition(), 2u);
    s.ResetScramble();
    EXPECT_EQ(s.KeyPosition(), 1u);
}

TEST(ScrambledFile, EachFileStartsTheKeyAndThePlainTextMarkerSwitchesItOff) {
    test::TempDir dir;
    const std::filesystem::path file = dir / "comic0305.csv";
    auto write = [&](const std::vector<std::string>& lines) {
        TextFileWriter out(file);
        ScrambledWriter writer(out, file);
        for (const std::string& line : lines) {
            writer.WriteLine(line);
        }
        out.Close();
    };
    auto read = [&] {
        std::vector<std::string> lines;
        ScrambledReader in(file);
        std::string line;
        while (in.ReadLine(line)) {
            lines.push_back(line);
        }
        return lines;
    };
    write({"abc", "def"});
    Scrambler key;
    const std::string first = key.ScrambleLine("abc");
    const std::string second = key.ScrambleLine("def");
    EXPECT_EQ(test::ReadBytes(file), first + "\r\n" + second + "\r\n");
    EXPECT_EQ(read(), (std::vector<std::string>{"abc", "def"}));
    EXPECT_EQ(read(), (std::vector<std::string>{"abc", "def"})) << "a second pass starts over";

    std::filesystem::create_directory(dir / "コミック");
    EXPECT_FALSE(ScramblingOffIn(dir.path())) << "a folder of that name does not count";
    std::filesystem::remove(dir / "コミック");
    test::WriteBytes(dir / "コミック", "");
    EXPECT_TRUE(ScramblingOffIn(dir.path()));
    write({"abc", "def"});
    EXPECT_EQ(test::ReadBytes(file), "abc\r\ndef\r\n");
    EXPECT_EQ(read(), (std::vector<std::string>{"abc", "def"}));
}

}  // namespace
}  // namespace yomida
