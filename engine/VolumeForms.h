#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/SeriesTitleWords.h"
#include "engine/TitleNormaliser.h"

namespace yomida {

// The volume forms of a title in normalised characters, for SeriesTitleReader. Positions are
// indices into the characters.
class VolumeForms {
public:
    struct Found {
        size_t start = 0;
        size_t end = 0;
        int volume = 0;
    };

    VolumeForms(const std::vector<SjisCode>& u, const TitleNormaliser& normaliser,
                const SeriesTitleWords& words)
        : u_(u), n_(u.size()), normaliser_(normaliser), w_(words) {}

    // The last volume form after some of the name: its start and volume.
    std::optional<Found> Last() const;

    // The whole of [a, b), blanks around it aside, as a volume: what brackets or a source's
    // volume field hold.
    std::optional<int> Phrase(size_t a, size_t b) const;

private:
    // A form that starts at `i`, where some of the name comes before it.
    std::optional<Found> At(size_t i) const;

    // A number or 上/中/下 after a blank at the end, once blanks and bracketed words there
    // (a label, a note) are passed over.
    std::optional<Found> Trailing(size_t firstKey) const;

    // Up to five digits (a longer run is a code or a year range, not a volume).
    std::optional<Found> Digits(size_t i, size_t limit) const;

    // Kanji numerals, counted (十二, 百二十三) or written digit by digit (一〇二).
    std::optional<Found> Kanji(size_t i, size_t limit) const;

    // 第N巻, with digits or kanji numerals and blanks allowed around the number.
    std::optional<Found> Dai(size_t i, size_t limit) const;
    // #N.
    std::optional<Found> Hash(size_t i, size_t limit) const;

    // vol.N, Vol N, VOL.N, volume N: letters in either case.
    std::optional<Found> Vol(size_t i, size_t limit) const;

    // 前編 and 後編, the two halves of a story.
    std::optional<Found> FirstOrSecondPart(size_t i, size_t limit) const;
    // 上, 中 and 下 as 1, 2 and 3; 0 for any other character.
    int UpperMiddleLower(SjisCode c) const;
    size_t SkipBlanks(size_t i, size_t limit) const;

    // The closing bracket of the one opening at `i`, before the next opening of its kind.
    std::optional<size_t> Close(size_t i) const {
        const uint8_t role = w_.bracket[u_[i]];
        if (role == 0 || (role & SeriesTitleWords::kClosing) != 0) {
            return std::nullopt;
        }
        const SeriesTitleWords::Brackets& b = w_.brackets[role - 1];
        for (size_t j = i + 1; j < n_ && u_[j] != b.open; ++j) {
            if (u_[j] == b.close) {
                return j;
            }
        }
        return std::nullopt;
    }

    // The opening bracket of the one closing at `i`, after the last closing of its kind.
    std::optional<size_t> Open(size_t i) const {
        const uint8_t role = w_.bracket[u_[i]];
        if ((role & SeriesTitleWords::kClosing) == 0) {
            return std::nullopt;
        }
        const SeriesTitleWords::Brackets& b = w_.brackets[(role & ~SeriesTitleWords::kClosing) - 1];
        for (size_t j = i; j-- > 0 && u_[j] != b.close;) {
            if (u_[j] == b.open) {
                return j;
            }
        }
        return std::nullopt;
    }

    const std::vector<SjisCode>& u_;
    const size_t n_;
    const TitleNormaliser& normaliser_;
    const SeriesTitleWords& w_;
};

}  // namespace yomida
