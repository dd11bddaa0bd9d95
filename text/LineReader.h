#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace yomida {

// Reads a text held in memory line by line, as TextFileReader reads a file: a line ends at LF or
// CR LF, the terminator is not part of the line, and a last line without a terminator still
// counts. Lines are views into the text, which must outlive them; nothing is copied.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    // Puts the next line into `line` and returns true, or returns false at the end of the text.
    bool ReadLine(std::string_view& line) {
        if (pos_ >= text_.size()) {
            return false;
        }
        const char* start = text_.data() + pos_;
        const size_t left = text_.size() - pos_;
        const auto* lf = static_cast<const char*>(std::memchr(start, '\n', left));
        size_t length = lf != nullptr ? static_cast<size_t>(lf - start) : left;
        pos_ += lf != nullptr ? length + 1 : left;
        // A CR before the LF, or at the very end of the text, belongs to the terminator.
        if (length > 0 && start[length - 1] == '\r') {
            --length;
        }
        line = std::string_view(start, length);
        return true;
    }
    // True when no line is left to read.
    bool AtEnd() const { return pos_ >= text_.size(); }
    // The whole text, for a reader that takes it in one piece.
    std::string_view Text() const { return text_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace yomida
