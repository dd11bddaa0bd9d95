#pragma once

#include <string.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace yomida {

// Finds a pattern in a text that arrives in pieces, as one search over the whole text would:
// the text between occurrences is handed on as it comes, but for the few bytes at the end of a
// piece that may start an occurrence, which wait for the next piece.
class PatternScanner {
public:
    explicit PatternScanner(std::string_view pattern) : pattern_(pattern) {}
    // Looks for the pattern by a byte of it that the page seldom holds elsewhere.
    PatternScanner(std::string_view pattern, size_t rareByte)
        : pattern_(pattern), rareByte_(rareByte) {}

    // Hands every byte of `in` that is no part of an occurrence to `text`, in order, and calls
    // `found` at each occurrence; once `found` returns false, the rest goes to `text` unsearched.
    template <class Text, class Found>
    void Feed(std::string_view in, Text&& text, Found&& found) {
        while (!held_.empty() && !in.empty()) {
            // An occurrence may start in the held bytes: look at them with enough of the piece.
            const size_t take = std::min(in.size(), pattern_.size());
            bridge_.assign(held_);
            bridge_.append(in.substr(0, take));
            held_.clear();
            in.remove_prefix(take);
            Scan(bridge_, text, found);
        }
        if (!in.empty()) {
            Scan(in, text, found);
        }
    }

    // Hands on what is held at the end of the text.
    template <class Text>
    void Finish(Text&& text) {
        if (!held_.empty()) {
            text(std::string_view(held_));
            held_.clear();
        }
    }

private:
    template <class Text, class Found>
    void Scan(std::string_view piece, Text& text, Found& found) {
        size_t from = 0;
        while (looking_) {
            const size_t hit = Find(piece, from);
            if (hit == std::string_view::npos) {
                break;
            }
            if (hit > from) {
                text(piece.substr(from, hit - from));
            }
            from = hit + pattern_.size();
            looking_ = found();
        }
        const std::string_view rest = piece.substr(from);
        const size_t keep = looking_ ? StartAtEnd(rest) : 0;
        if (rest.size() > keep) {
            text(rest.substr(0, rest.size() - keep));
        }
        held_.assign(rest.substr(rest.size() - keep));
    }

    size_t Find(std::string_view text, size_t from) const {
        if (rareByte_ == kNone) {
            // The C library's search skips ahead where a search for the first byte and a compare
            // would stop at every "<" or quote of the page.
            const void* hit =
                ::memmem(text.data() + from, text.size() - from, pattern_.data(), pattern_.size());
            return hit == nullptr
                       ? std::string_view::npos
                       : static_cast<size_t>(static_cast<const char*>(hit) - text.data());
        }
        for (size_t at = from + rareByte_; at < text.size(); ++at) {
            const void* hit = std::memchr(text.data() + at, pattern_[rareByte_], text.size() - at);
            if (hit == nullptr) {
                break;
            }
            at = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
            const size_t start = at - rareByte_;
            if (text.substr(start, pattern_.size()) == pattern_) {
                return start;
            }
        }
        return std::string_view::npos;
    }

    // The length of the longest end of `text` that the pattern starts with; only there can an
    // occurrence begin that the text does not hold whole.
    size_t StartAtEnd(std::string_view text) const {
        for (size_t k = std::min(text.size(), pattern_.size() - 1); k > 0; --k) {
            if (text.substr(text.size() - k) == pattern_.substr(0, k)) {
                return k;
            }
        }
        return 0;
    }

    static constexpr size_t kNone = static_cast<size_t>(-1);
    std::string_view pattern_;
    size_t rareByte_ = kNone;
    std::string held_;
    std::string bridge_;
    bool looking_ = true;
};

}  // namespace yomida
