#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/TitleNormaliser.h"

namespace yomida {

// The words a title is read by, as CP932 codes, made once for every reader.
struct SeriesTitleWords {
    struct Edition {
        std::vector<SjisCode> units;
        std::string text;   // CP932
        bool line = false;  // a line of its own, rather than another edition of the same volume
    };
    struct Brackets {
        SjisCode open;
        SjisCode close;
    };

    SjisCode dai, kan, zen, ue, naka, shita, mae, ato, hen, han, juu, hyaku, sen;
    std::array<SjisCode, 11> kanjiDigits;  // 〇 一 … 九, then 零
    std::vector<Brackets> brackets;
    // All end in 版, which is how a reader finds them.
    std::vector<Edition> editions;
    // The characters a volume form can start with, so the reader passes over the rest of a
    // title at one look-up a character.
    std::vector<uint8_t> startsForm;
    // By character, the place in `brackets` + 1 of the pair it opens, or that place with
    // kClosing of the pair it closes; 0 for any other character.
    static constexpr uint8_t kClosing = 0x80;
    std::vector<uint8_t> bracket;

    static const SeriesTitleWords& Get();
};

inline bool IsTitleDigit(SjisCode c) {
    return c >= '0' && c <= '9';
}

inline bool IsTitleLetter(SjisCode c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

inline bool IsTitleBlank(SjisCode c) {
    return c <= 0x20;
}

// Latin letters in the one case keys take.
inline SjisCode TitleUpper(SjisCode c) {
    return c >= 'a' && c <= 'z' ? static_cast<SjisCode>(c - 32) : c;
}

inline SjisCode TitleLower(SjisCode c) {
    return c >= 'A' && c <= 'Z' ? static_cast<SjisCode>(c + 32) : c;
}

}  // namespace yomida
