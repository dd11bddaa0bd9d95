#include "engine/SeriesTitleReader.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "engine/SeriesTitleWords.h"
#include "engine/VolumeForms.h"
#include "text/Sjis.h"

namespace yomida {
namespace {

// The character that starts at `i` of CP932 text.
SjisCode SeriesCodeAt(std::string_view text, size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (CharLength(text, i) == 2) {
        return static_cast<SjisCode>(lead << 8 | static_cast<unsigned char>(text[i + 1]));
    }
    return lead;
}

}  // namespace

SeriesTitleReader::SeriesTitleReader()
    : normaliser_(TitleNormaliser::Instance()), words_(SeriesTitleWords::Get()) {}

void SeriesTitleReader::TakeOutEditions(Parts& parts) {
    const SeriesTitleWords& w = words_;
    removed_.clear();
    for (size_t k = 0; k < units_.size(); ++k) {
        if (units_[k] != w.han) {
            continue;
        }
        for (const SeriesTitleWords::Edition& e : w.editions) {
            const size_t length = e.units.size();
            if (k + 1 < length || !std::equal(e.units.begin(), e.units.end(),
                                              units_.begin() + static_cast<long>(k + 1 - length))) {
                continue;
            }
            size_t start = k + 1 - length;
            if (e.line) {
                parts.line = e.text;
            } else {
                parts.edition = e.text;
                // What is written onto the word belongs to it (DVD付き限定版), back to a blank,
                // a bracket or the volume; but never the start of the name itself.
                size_t glued = start;
                while (glued > 0 && !normaliser_.Dropped(units_[glued - 1]) &&
                       !IsTitleDigit(units_[glued - 1]) && units_[glued - 1] != w.kan) {
                    --glued;
                }
                if (glued > 0) {
                    start = glued;
                }
            }
            removed_.emplace_back(start, k + 1);
            break;
        }
    }
    if (removed_.empty()) {
        return;
    }
    // Each edition leaves a blank, so the words on either side stay apart.
    kept_.clear();
    size_t from = 0;
    for (const auto& [start, end] : removed_) {
        if (start >= from) {
            kept_.insert(kept_.end(), units_.begin() + static_cast<long>(from),
                         units_.begin() + static_cast<long>(start));
            kept_.push_back(' ');
        }
        from = std::max(from, end);
    }
    kept_.insert(kept_.end(), units_.begin() + static_cast<long>(from), units_.end());
    units_.swap(kept_);
}

void SeriesTitleReader::ReadParts(std::string_view text, Parts& parts) {
    normaliser_.Normalise(text, units_);
    parts.edition.clear();
    parts.line.clear();
    TakeOutEditions(parts);
    const std::optional<VolumeForms::Found> found = VolumeForms(units_, normaliser_, words_).Last();
    parts.keyEnd = found ? found->start : units_.size();
    parts.volume = found ? found->volume : 0;
}

void SeriesTitleReader::AppendKey(size_t end, std::string& key) const {
    // Written straight into room for every character at two bytes, then cut to what it took.
    const size_t from = key.size();
    key.resize(from + 2 * end);
    char* to = key.data() + from;
    for (size_t i = 0; i < end; ++i) {
        const SjisCode c = units_[i];
        if (normaliser_.Dropped(c)) {
            continue;
        }
        if (c > 0xFF) {
            *to++ = static_cast<char>(c >> 8);
        }
        *to++ = static_cast<char>(TitleUpper(c) & 0xFF);
    }
    key.resize(static_cast<size_t>(to - key.data()));
}

void SeriesTitleReader::ReadInto(std::string_view title, std::string_view series,
                                 std::string_view volume, SeriesTitle& out) {
    out.key.clear();
    const bool ownSeries = !TrimControls(series).empty();
    if (ownSeries) {
        ReadParts(series, seriesParts_);
        AppendKey(seriesParts_.keyEnd, out.key);
    }
    ReadParts(title, parts_);
    if (!ownSeries) {
        AppendKey(parts_.keyEnd, out.key);
    }
    const std::string& line =
        ownSeries && !seriesParts_.line.empty() ? seriesParts_.line : parts_.line;
    if (!out.key.empty()) {
        out.key += line;
    }
    out.volume = parts_.volume;
    out.edition = parts_.edition;
    if (!TrimControls(volume).empty()) {
        if (const std::optional<int> v = ReadVolume(volume)) {
            out.volume = *v;
        }
    }
}

SeriesTitle SeriesTitleReader::Read(std::string_view title, std::string_view series,
                                    std::string_view volume) {
    SeriesTitle out;
    ReadInto(title, series, volume, out);
    return out;
}

std::optional<int> SeriesTitleReader::ReadVolume(std::string_view text) {
    normaliser_.Normalise(text, units_);
    return VolumeForms(units_, normaliser_, words_).Phrase(0, units_.size());
}

SeriesTitleReader::KeyStart SeriesTitleReader::KeyStartOfUnits() const {
    KeyStart start;
    for (SjisCode c : units_) {
        if (normaliser_.Dropped(c)) {
            continue;
        }
        c = TitleUpper(c);
        if (start.first == 0) {
            start.first = c;
        } else {
            start.second = c;
            break;
        }
    }
    return start;
}

std::optional<SeriesTitleReader::KeyStart> SeriesTitleReader::QuickKeyStart(
    std::string_view text) const {
    const SeriesTitleWords& w = words_;
    KeyStart start;
    const auto take = [&start](SjisCode c) {
        c = TitleUpper(c);
        if (start.first == 0) {
            start.first = c;
        } else if (start.second == 0) {
            start.second = c;
        }
    };
    const size_t n = text.size();
    size_t i = 0;
    SjisCode code = n > 0 ? SeriesCodeAt(text, 0) : 0;
    TitleNormaliser::Look look = normaliser_.LookUp(code);
    // Moves on to the next character; false when that one depends on the one before (ﾞ after
    // ｶ), which leaves the text to the whole reading.
    const auto advance = [&] {
        i += code > 0xFF ? 2 : 1;
        if (i >= n) {
            return true;
        }
        code = SeriesCodeAt(text, i);
        look = normaliser_.LookUp(code);
        return !look.JoinsPrevious();
    };
    // An edition's word (they all end in 版) is taken out of the name with what is written onto
    // it back to a blank, a bracket, a digit or 巻. So once one of those follows the first two
    // characters before any 版 does, no edition can reach them. No character but 版 itself
    // has 版 in its normal form.
    while (i < n && start.second == 0) {
        const SjisCode current = code;
        const TitleNormaliser::Look currentLook = look;
        if (!advance() || current == w.han) {
            return std::nullopt;
        }
        if (currentLook.KeptAsItIs()) {
            take(current);
            continue;
        }
        for (SjisCode c : normaliser_.NormalForm(current)) {
            if (!normaliser_.Dropped(c)) {
                take(c);
            }
        }
    }
    while (i < n) {
        const SjisCode current = code;
        const TitleNormaliser::Look currentLook = look;
        if (!advance() || current == w.han) {
            return std::nullopt;
        }
        if (current == w.kan || currentLook.EndsWord()) {
            break;
        }
    }
    return start;
}

SeriesTitleReader::KeyStart SeriesTitleReader::ReadKeyStart(std::string_view title,
                                                            std::string_view series) {
    const std::string_view text = series.empty() || TrimControls(series).empty() ? title : series;
    if (const std::optional<KeyStart> quick = QuickKeyStart(text)) {
        return *quick;
    }
    normaliser_.Normalise(text, units_);
    TakeOutEditions(parts_);
    return KeyStartOfUnits();
}

SeriesTitleReader::KeyStart SeriesTitleReader::KeyStartOf(std::string_view key) {
    // A line joins the end of a key; the name before it is what a title starts with.
    for (const SeriesTitleWords::Edition& e : SeriesTitleWords::Get().editions) {
        if (e.line && key.size() > e.text.size() && key.ends_with(e.text) &&
            StartsCharacter(key, 0, key.size() - e.text.size())) {
            key.remove_suffix(e.text.size());
            break;
        }
    }
    KeyStart start;
    std::vector<SjisCode> codes;
    TitleNormaliser::AppendCodes(key.substr(0, 4), codes);
    if (!codes.empty()) {
        start.first = codes[0];
    }
    if (codes.size() > 1) {
        start.second = codes[1];
    }
    return start;
}

SeriesTitle ReadSeriesTitle(std::string_view title, std::string_view series,
                            std::string_view volume) {
    SeriesTitleReader reader;
    return reader.Read(title, series, volume);
}

}  // namespace yomida
