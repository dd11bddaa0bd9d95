#include "engine/FollowedSeriesIndex.h"

#include <utility>

namespace yomida {

FollowedSeriesIndex::FollowedSeriesIndex(std::vector<FollowedSeries> followed)
    : followed_(std::move(followed)) {
    byKey_.reserve(followed_.size());
    for (size_t i = 0; i < followed_.size(); ++i) {
        byKey_.emplace(followed_[i].key, i);
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
    reader.ReadInto(title, series, volume, read);
    const FollowedSeries* followed = Find(read.key);
    return followed != nullptr && read.volume > followed->volume ? followed : nullptr;
}

}  // namespace yomida
