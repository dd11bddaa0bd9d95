#include "engine/Release.h"

#include <algorithm>

#include "text/CommaText.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

// Start and end of field `column` in packed fields; start == npos when there are fewer.
std::pair<size_t, size_t> PackedFieldSpan(std::string_view packed, int column) {
    // Fields are short: a walk over their bytes is quicker than a library search per field.
    const char* const data = packed.data();
    const size_t n = packed.size();
    size_t p = 0;
    for (int c = 0; c < column; ++c) {
        while (p < n && data[p] != Release::kSeparator) {
            ++p;
        }
        if (p == n) {
            return {std::string_view::npos, std::string_view::npos};
        }
        ++p;
    }
    const size_t start = p;
    while (p < n && data[p] != Release::kSeparator) {
        ++p;
    }
    return {start, p};
}

}  // namespace

size_t Release::Read(std::string_view normalisedLine, size_t storedLine) {
    packed_.clear();
    fields_ = static_cast<int>(SplitFieldsInto(normalisedLine, kSeparator, packed_));
    storedLine_ = storedLine;
    // A header line may carry the page's update stamp in front of its captions.
    if (fields_ >= 2 && RawField(1) == kNumberCaption) {
        packed_.erase(0, packed_.find(kSeparator) + 1);
        --fields_;
    }
    // The check column's text is the tick: it is kept as the tick alone.
    const auto [start, end] = PackedFieldSpan(packed_, kCheckCol);
    if (start != std::string::npos) {
        tickedInFile_ = StoredFlagTicked(std::string_view(packed_).substr(start, end - start));
        tick_ = tickedInFile_ ? Tick::On : Tick::Off;
        packed_.erase(start, end - start);
    } else {
        tickedInFile_ = false;
        tick_ = Tick::Off;
    }
    return static_cast<size_t>(fields_);
}

std::string_view Release::RawField(int column) const {
    const auto [start, end] = PackedFieldSpan(packed_, column);
    return start == std::string::npos ? std::string_view{}
                                      : std::string_view(packed_).substr(start, end - start);
}

std::string_view Release::Field(int column) const {
    return TrimControls(RawField(column));
}

void Release::SetField(int column, std::string_view text) {
    text = text.substr(0, text.find(kSeparator));
    const auto [start, end] = PackedFieldSpan(packed_, column);
    if (start == std::string::npos) {
        // Empty fields up to the one being set.
        const int have = fields_ == 0 ? 1 : fields_;
        packed_.append(static_cast<size_t>(column + 1 - have), kSeparator);
        packed_.append(text);
        fields_ = column + 1;
        return;
    }
    packed_.replace(start, end - start, text);
    fields_ = std::max(fields_, column + 1);
}

std::string Release::Identity() const {
    std::string identity;
    for (const int column : {kPublisherCol, kTitleCol, kAuthorCol, kDateCol}) {
        identity += Field(column);
        identity += kSeparator;
    }
    return identity;
}

void Release::Clear() {
    packed_.clear();
    fields_ = 0;
    tick_ = Tick::None;
    tickedInFile_ = false;
    storedLine_ = 0;
}

bool StoredFlagTicked(std::string_view flag) {
    return flag == "1" || flag == "１"_sj;
}

std::string_view StoredFlag(bool ticked) {
    return ticked ? "1" : "0";
}

const std::string& TickGlyph(bool ticked) {
    return ticked ? "■"_sj : "□"_sj;
}

std::string_view ShownField(const Release& release, int column) {
    if (column == kCheckCol && release.HasTick()) {
        return TickGlyph(release.Ticked());
    }
    return release.Field(column);
}

std::vector<std::string_view> TickedFields(const std::vector<Release>& rows, int column,
                                           size_t most) {
    std::vector<std::string_view> fields;
    for (const Release& release : rows) {
        if (fields.size() >= most) {
            break;
        }
        if (release.Ticked()) {
            fields.push_back(release.Field(column));
        }
    }
    return fields;
}

}  // namespace yomida
