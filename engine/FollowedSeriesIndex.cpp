#include "engine/FollowedSeriesIndex.h"

#include <utility>

namespace yomida {

namespace {

void SetFollowedBit(std::vector<uint64_t>& bits, size_t bit) {
    bits[bit / 64] |= uint64_t{1} << (bit % 64);
}

}  // namespace

FollowedSeriesIndex::FollowedSeriesIndex(std::vector<FollowedSeries> followed)
    : followed_(std::move(followed)), singles_(0x10000 / 64), pairs_(kPairBits / 64) {
    byKey_.reserve(followed_.size());
    for (size_t i = 0; i < followed_.size(); ++i) {
        byKey_.emplace(followed_[i].key, i);
        const SeriesTitleReader::KeyStart start = SeriesTitleReader::KeyStartOf(followed_[i].key);
        if (start.second != 0) {
            SetFollowedBit(pairs_, PairBit(start));
        } else if (start.first != 0) {
            SetFollowedBit(singles_, start.first);
        }
    }
}

const FollowedSeries* FollowedSeriesIndex::Find(std::string_view key) const {
    const auto it = byKey_.find(key);
    return it == byKey_.end() ? nullptr : &followed_[it->second];
}

const FollowedSeries* FollowedSeriesIndex::NextVolumeOf(SeriesTitleReader& reader,
                                                        std::string_view title, SeriesTitle& read,
                                                        std::string_view series,
                                                        std::string_view volume) const {
    if (followed_.empty()) {
        return nullptr;
    }
    if (!MayFollow(reader.ReadKeyStart(title, series))) {
        return nullptr;
    }
    reader.ReadInto(title, series, volume, read);
    const FollowedSeries* followed = Find(read.key);
    return followed != nullptr && read.volume > followed->volume ? followed : nullptr;
}

}  // namespace yomida
