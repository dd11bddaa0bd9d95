#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/SeriesStore.h"
#include "engine/SeriesTitleReader.h"

namespace yomida {

// The followed series by key, made once per scan, so that asking whether a record is the next
// volume of one of them costs the same however many series are followed: the first two
// characters of a title's name are looked up in a bit table of the followed names' first two,
// and only a title that passes is read whole and its key looked up in a hash table. Const once
// made: the scan's threads share one, each with its own reader.
class FollowedSeriesIndex {
public:
    explicit FollowedSeriesIndex(std::vector<FollowedSeries> followed);

    bool Empty() const { return followed_.empty(); }
    const std::vector<FollowedSeries>& Series() const { return followed_; }
    // The followed series of a key, or nothing.
    const FollowedSeries* Find(std::string_view key) const;

    // Whether a title (with the series and volume fields of a source that has them) is a next
    // volume: of a followed series, and above the highest volume seen. `read` receives what
    // the title says, so the caller has its volume and edition.
    const FollowedSeries* NextVolumeOf(SeriesTitleReader& reader, std::string_view title,
                                       SeriesTitle& read, std::string_view series = {},
                                       std::string_view volume = {}) const;

private:
    struct KeyHash {
        using is_transparent = void;
        size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
    };

    static constexpr size_t kPairBits = size_t{1} << 20;

    static bool TestBit(const std::vector<uint64_t>& bits, size_t bit) {
        return (bits[bit / 64] >> (bit % 64) & 1) != 0;
    }
    static size_t PairBit(const SeriesTitleReader::KeyStart& start) {
        const uint32_t mixed = (start.first * 0x9E3779B1u) ^ (start.second * 0x85EBCA6Bu);
        return (mixed ^ (mixed >> 15)) % kPairBits;
    }
    // A key's name is the start of the name its title's characters make, so the title starts
    // with the key's first two characters, or with its one when the name is that short.
    bool MayFollow(const SeriesTitleReader::KeyStart& start) const {
        return (start.second != 0 && TestBit(pairs_, PairBit(start))) ||
               (start.first != 0 && TestBit(singles_, start.first));
    }

    std::vector<FollowedSeries> followed_;
    std::unordered_map<std::string, size_t, KeyHash, std::equal_to<>> byKey_;
    // Bits by the first character of the names one character long, and by a hash of the first
    // two of the others; a title whose start has no bit set is of no followed series.
    std::vector<uint64_t> singles_;
    std::vector<uint64_t> pairs_;
};

}  // namespace yomida
