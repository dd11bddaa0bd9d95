#include "text/Scrambler.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

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

TEST(Scrambler, PlainTextMarkerSwitchesScramblingOffAtTheNextReset) {
    test::TempDir dir;
    Scrambler s(dir.path());
    int markerSeen = 0;
    s.SetMarkerFoundHandler([&] { ++markerSeen; });
    std::filesystem::create_directory(dir.path() / Scrambler::PlainMarkerName());
    s.ResetScramble();
    EXPECT_FALSE(s.ScramblingOff()) << "a folder of that name does not count";
    std::filesystem::remove(dir.path() / Scrambler::PlainMarkerName());

    test::WriteBytes(dir.path() / Scrambler::PlainMarkerName(), "");
    EXPECT_NE(s.ScrambleLine("abc"), "abc") << "the marker counts only from the next reset";
    s.ResetScramble();
    EXPECT_TRUE(s.ScramblingOff());
    EXPECT_EQ(markerSeen, 1);
    EXPECT_EQ(s.ScrambleLine("abc"), "abc");
    EXPECT_EQ(s.KeyPosition(), 1u);
}

}  // namespace
}  // namespace yomida
