#pragma once

#include <string>
#include <string_view>

namespace yomida {

// Data files are stored with every byte XORed with a fixed key whose position runs on from byte
// to byte and from line to line through the whole file; the same operation scrambles and
// unscrambles. One Scrambler follows one pass over one file: it starts at the key's first byte
// and takes the lines strictly in file order.
class Scrambler {
public:
    void ResetScramble() { position_ = 0; }
    std::string ScrambleLine(std::string_view line);
    void ScrambleLineInPlace(std::string& line);

    // 1-based index into the key of the byte that scrambles the next input byte.
    size_t KeyPosition() const { return position_ + 1; }

private:
    size_t position_ = 0;
};

}  // namespace yomida
