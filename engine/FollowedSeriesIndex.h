#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/SeriesStore.h"
#include "engine/SeriesTitleReader.h"

namespace yomida {

// The followed series by key, made once per scan, so that asking whether a record is the next
// volume of one of them costs one reading of its title and one hash look-up, however many
// series are followed. Const once made: the scan's threads share one, each with its own reader.
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

    std::vector<FollowedSeries> followed_;
    std::unordered_map<std::string, size_t, KeyHash, std::equal_to<>> byKey_;
};

}  // namespace yomida
