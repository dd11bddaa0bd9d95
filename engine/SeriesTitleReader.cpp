#include "engine/SeriesTitleReader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <utility>

#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {

struct EditionWord {
    std::vector<SjisCode> units;
    std::string text;   // CP932
    bool line = false;  // a line of its own, rather than another edition of the same volume
};

struct BracketPair {
    SjisCode open;
    SjisCode close;
};

// The words a title is read by, as CP932 codes, made once.
struct SeriesTitleWords {
    SjisCode dai, kan, zen, ue, naka, shita, mae, ato, hen, han, juu, hyaku, sen;
    std::array<SjisCode, 11> kanjiDigits;  // 〇 一 … 九, then 零
    std::vector<BracketPair> brackets;
    std::vector<EditionWord> editions;
    // The characters a volume form can start with, so the reader passes over the rest of a
    // title at one look-up a character.
    std::vector<uint8_t> startsForm;
};

namespace {

SjisCode SeriesCodeOf(const std::string& cp932) {
    std::vector<SjisCode> codes;
    TitleNormaliser::AppendCodes(cp932, codes);
    if (codes.size() != 1) {
        throw std::logic_error("a word of the title reader is not one CP932 character");
    }
    return codes[0];
}

const SeriesTitleWords& SeriesWordsOf() {
    static const SeriesTitleWords words = [] {
        SeriesTitleWords w{};
        w.dai = SeriesCodeOf("第"_sj);
        w.kan = SeriesCodeOf("巻"_sj);
        w.zen = SeriesCodeOf("全"_sj);
        w.ue = SeriesCodeOf("上"_sj);
        w.naka = SeriesCodeOf("中"_sj);
        w.shita = SeriesCodeOf("下"_sj);
        w.mae = SeriesCodeOf("前"_sj);
        w.ato = SeriesCodeOf("後"_sj);
        w.hen = SeriesCodeOf("編"_sj);
        w.han = SeriesCodeOf("版"_sj);
        w.juu = SeriesCodeOf("十"_sj);
        w.hyaku = SeriesCodeOf("百"_sj);
        w.sen = SeriesCodeOf("千"_sj);
        const std::string digits = "〇一二三四五六七八九零"_sj;
        std::vector<SjisCode> codes;
        TitleNormaliser::AppendCodes(digits, codes);
        std::copy_n(codes.begin(), w.kanjiDigits.size(), w.kanjiDigits.begin());
        for (std::string_view pair : {"()", "[]", "{}", "<>"}) {
            w.brackets.push_back({static_cast<SjisCode>(pair[0]), static_cast<SjisCode>(pair[1])});
        }
        for (const std::string* pair :
             {&"【】"_sj, &"〔〕"_sj, &"《》"_sj, &"〈〉"_sj, &"「」"_sj, &"『』"_sj}) {
            codes.clear();
            TitleNormaliser::AppendCodes(*pair, codes);
            w.brackets.push_back({codes[0], codes[1]});
        }
        for (const std::string* word :
             {&"通常版"_sj, &"特装版"_sj, &"限定版"_sj, &"同梱版"_sj, &"特別版"_sj}) {
            w.editions.push_back({{}, *word, false});
        }
        for (const std::string* word :
             {&"新装版"_sj, &"完全版"_sj, &"愛蔵版"_sj, &"文庫版"_sj, &"ワイド版"_sj}) {
            w.editions.push_back({{}, *word, true});
        }
        for (EditionWord& e : w.editions) {
            TitleNormaliser::AppendCodes(e.text, e.units);
        }
        w.startsForm.assign(0x10000, 0);
        for (SjisCode c : {w.dai, w.ue, w.naka, w.shita, w.mae, w.ato}) {
            w.startsForm[c] = 1;
        }
        for (const BracketPair& b : w.brackets) {
            w.startsForm[b.open] = 1;
        }
        for (char c : std::string_view("#vV0123456789")) {
            w.startsForm[static_cast<unsigned char>(c)] = 1;
        }
        return w;
    }();
    return words;
}

// The character that starts at `i` of CP932 text.
SjisCode SeriesCodeAt(std::string_view text, size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (CharLength(text, i) == 2) {
        return static_cast<SjisCode>(lead << 8 | static_cast<unsigned char>(text[i + 1]));
    }
    return lead;
}

bool IsAsciiDigit(SjisCode c) {
    return c >= '0' && c <= '9';
}

bool IsAsciiLetter(SjisCode c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsBlankCode(SjisCode c) {
    return c <= 0x20;
}

SjisCode AsciiLowerCode(SjisCode c) {
    return c >= 'A' && c <= 'Z' ? static_cast<SjisCode>(c + 32) : c;
}

// Volume forms in normalised characters. Positions are indices into the characters.
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
    std::optional<Found> Last() const {
        size_t firstKey = 0;
        while (firstKey < n_ && normaliser_.Dropped(u_[firstKey])) {
            ++firstKey;
        }
        std::optional<Found> last;
        for (size_t i = firstKey + 1; i < n_;) {
            if (const std::optional<Found> f = At(i)) {
                last = f;
                i = f->end;
            } else {
                ++i;
            }
        }
        // The trailing number may be the end of a form already found (vol. 107).
        if (const std::optional<Found> t = Trailing(firstKey);
            t && (!last || t->start >= last->end)) {
            last = t;
        }
        return last;
    }

    // The whole of [a, b), blanks around it aside, as a volume: what brackets or a source's
    // volume field hold.
    std::optional<int> Phrase(size_t a, size_t b) const {
        while (a < b && IsBlankCode(u_[a])) {
            ++a;
        }
        while (b > a && IsBlankCode(u_[b - 1])) {
            --b;
        }
        if (a == b) {
            return std::nullopt;
        }
        if (const std::optional<size_t> close = Close(a); close && *close == b - 1) {
            return Phrase(a + 1, b - 1);
        }
        const SjisCode c = u_[a];
        std::optional<Found> f;
        if (c == w_.dai) {
            f = Dai(a, b);
        } else if (c == '#') {
            f = Hash(a, b);
        } else if (IsAsciiLetter(c)) {
            f = Vol(a, b);
        } else if (IsAsciiDigit(c)) {
            const std::optional<Found> number = Digits(a, b);
            if (number && number->end < b && u_[number->end] == w_.kan) {
                f = Found{a, number->end + 1, number->volume};
            } else {
                f = number;
            }
        } else if (const std::optional<Found> kanji = Kanji(a, b);
                   kanji && kanji->end < b && u_[kanji->end] == w_.kan) {
            f = Found{a, kanji->end + 1, kanji->volume};
        } else if (const int part = UpperMiddleLower(c); part > 0) {
            f = Found{a, a + 1 < b && u_[a + 1] == w_.kan ? a + 2 : a + 1, part};
        } else {
            f = FirstOrSecondPart(a, b);
        }
        if (!f || f->end != b) {
            return std::nullopt;
        }
        return f->volume;
    }

private:
    // A form that starts at `i`, where some of the name comes before it.
    std::optional<Found> At(size_t i) const {
        const SjisCode c = u_[i];
        if (w_.startsForm[c] == 0) {
            return std::nullopt;
        }
        const SjisCode before = u_[i - 1];
        if (const std::optional<size_t> close = Close(i)) {
            if (const std::optional<int> v = Phrase(i + 1, *close)) {
                return Found{i, *close + 1, *v};
            }
            return std::nullopt;
        }
        if (c == w_.dai) {
            return Dai(i, n_);
        }
        if (c == '#') {
            return Hash(i, n_);
        }
        if ((c == 'v' || c == 'V') && !IsAsciiLetter(before)) {
            return Vol(i, n_);
        }
        if (IsAsciiDigit(c) && !IsAsciiDigit(before) && before != '.' && before != '-' &&
            before != '~' && before != w_.dai && before != w_.zen) {
            // N巻; 全3巻 is a set of three, 1-3巻 a run of them.
            const std::optional<Found> number = Digits(i, n_);
            if (number && number->end < n_ && u_[number->end] == w_.kan) {
                return Found{i, number->end + 1, number->volume};
            }
            return std::nullopt;
        }
        if (const int part = UpperMiddleLower(c);
            part > 0 && i + 1 < n_ && u_[i + 1] == w_.kan && UpperMiddleLower(before) == 0) {
            // 上巻, but not the 下巻 of 上下巻, which is both.
            return Found{i, i + 2, part};
        }
        if (normaliser_.Dropped(before)) {
            if (std::optional<Found> f = FirstOrSecondPart(i, n_);
                f && (f->end == n_ || normaliser_.Dropped(u_[f->end]))) {
                return f;
            }
        }
        return std::nullopt;
    }

    // A number or 上/中/下 after a blank at the end, once blanks and bracketed words there
    // (a label, a note) are passed over.
    std::optional<Found> Trailing(size_t firstKey) const {
        size_t end = n_;
        for (;;) {
            while (end > 0 && IsBlankCode(u_[end - 1])) {
                --end;
            }
            const std::optional<size_t> open = end > 0 ? Open(end - 1) : std::nullopt;
            if (!open || *open <= firstKey) {
                break;
            }
            end = *open;
        }
        size_t start = end;
        while (start > 0 && !IsBlankCode(u_[start - 1])) {
            --start;
        }
        if (start == end || start < firstKey + 2) {
            return std::nullopt;
        }
        if (const std::optional<Found> number = Digits(start, end); number && number->end == end) {
            return number;
        }
        if (const int part = UpperMiddleLower(u_[start]); part > 0 && start + 1 == end) {
            return Found{start, end, part};
        }
        return std::nullopt;
    }

    // Up to five digits (a longer run is a code or a year range, not a volume).
    std::optional<Found> Digits(size_t i, size_t limit) const {
        int value = 0;
        size_t j = i;
        for (; j < limit && IsAsciiDigit(u_[j]); ++j) {
            if (j - i == 5) {
                return std::nullopt;
            }
            value = value * 10 + (u_[j] - '0');
        }
        if (j == i) {
            return std::nullopt;
        }
        return Found{i, j, value};
    }

    // Kanji numerals, counted (十二, 百二十三) or written digit by digit (一〇二).
    std::optional<Found> Kanji(size_t i, size_t limit) const {
        int total = 0;
        int current = 0;
        size_t j = i;
        for (; j < limit && total + current <= 99999; ++j) {
            const SjisCode c = u_[j];
            const auto digit = std::find(w_.kanjiDigits.begin(), w_.kanjiDigits.end(), c);
            if (digit != w_.kanjiDigits.end()) {
                current = current * 10 + static_cast<int>((digit - w_.kanjiDigits.begin()) % 10);
                continue;
            }
            const int unit = c == w_.juu ? 10 : c == w_.hyaku ? 100 : c == w_.sen ? 1000 : 0;
            if (unit == 0) {
                break;
            }
            total += (current == 0 ? 1 : current) * unit;
            current = 0;
        }
        if (j == i || total + current > 99999) {
            return std::nullopt;
        }
        return Found{i, j, total + current};
    }

    // 第N巻, with digits or kanji numerals and blanks allowed around the number.
    std::optional<Found> Dai(size_t i, size_t limit) const {
        size_t j = SkipBlanks(i + 1, limit);
        std::optional<Found> number = Digits(j, limit);
        if (!number) {
            number = Kanji(j, limit);
        }
        if (!number) {
            return std::nullopt;
        }
        j = SkipBlanks(number->end, limit);
        if (j == limit || u_[j] != w_.kan) {
            return std::nullopt;
        }
        return Found{i, j + 1, number->volume};
    }

    std::optional<Found> Hash(size_t i, size_t limit) const {
        const std::optional<Found> number = Digits(i + 1, limit);
        if (!number) {
            return std::nullopt;
        }
        return Found{i, number->end, number->volume};
    }

    // vol.N, Vol N, VOL.N, volume N: letters in either case.
    std::optional<Found> Vol(size_t i, size_t limit) const {
        size_t j = i;
        for (char c : std::string_view("vol")) {
            if (j == limit || AsciiLowerCode(u_[j]) != static_cast<SjisCode>(c)) {
                return std::nullopt;
            }
            ++j;
        }
        if (limit - j >= 3 && AsciiLowerCode(u_[j]) == 'u' && AsciiLowerCode(u_[j + 1]) == 'm' &&
            AsciiLowerCode(u_[j + 2]) == 'e') {
            j += 3;
        }
        if (j < limit && u_[j] == '.') {
            ++j;
        }
        const std::optional<Found> number = Digits(SkipBlanks(j, limit), limit);
        if (!number) {
            return std::nullopt;
        }
        return Found{i, number->end, number->volume};
    }

    // 前編 and 後編, the two halves of a story.
    std::optional<Found> FirstOrSecondPart(size_t i, size_t limit) const {
        if (i + 1 >= limit || u_[i + 1] != w_.hen) {
            return std::nullopt;
        }
        if (u_[i] == w_.mae) {
            return Found{i, i + 2, 1};
        }
        if (u_[i] == w_.ato) {
            return Found{i, i + 2, 2};
        }
        return std::nullopt;
    }

    int UpperMiddleLower(SjisCode c) const {
        return c == w_.ue ? 1 : c == w_.naka ? 2 : c == w_.shita ? 3 : 0;
    }

    size_t SkipBlanks(size_t i, size_t limit) const {
        while (i < limit && IsBlankCode(u_[i])) {
            ++i;
        }
        return i;
    }

    // The closing bracket of the one opening at `i`, before the next opening of its kind.
    std::optional<size_t> Close(size_t i) const {
        for (const BracketPair& b : w_.brackets) {
            if (u_[i] != b.open) {
                continue;
            }
            for (size_t j = i + 1; j < n_ && u_[j] != b.open; ++j) {
                if (u_[j] == b.close) {
                    return j;
                }
            }
            return std::nullopt;
        }
        return std::nullopt;
    }

    // The opening bracket of the one closing at `i`, after the last closing of its kind.
    std::optional<size_t> Open(size_t i) const {
        for (const BracketPair& b : w_.brackets) {
            if (u_[i] != b.close) {
                continue;
            }
            for (size_t j = i; j-- > 0 && u_[j] != b.close;) {
                if (u_[j] == b.open) {
                    return j;
                }
            }
            return std::nullopt;
        }
        return std::nullopt;
    }

    const std::vector<SjisCode>& u_;
    const size_t n_;
    const TitleNormaliser& normaliser_;
    const SeriesTitleWords& w_;
};

}  // namespace

SeriesTitleReader::SeriesTitleReader()
    : normaliser_(TitleNormaliser::Instance()), words_(SeriesWordsOf()) {}

void SeriesTitleReader::TakeOutEditions(Parts& parts) {
    const SeriesTitleWords& w = words_;
    removed_.clear();
    for (size_t k = 0; k < units_.size(); ++k) {
        if (units_[k] != w.han) {
            continue;
        }
        for (const EditionWord& e : w.editions) {
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
                       !IsAsciiDigit(units_[glued - 1]) && units_[glued - 1] != w.kan) {
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
    for (size_t i = 0; i < end; ++i) {
        SjisCode c = units_[i];
        if (normaliser_.Dropped(c)) {
            continue;
        }
        if (c >= 'a' && c <= 'z') {
            c = static_cast<SjisCode>(c - 32);
        }
        TitleNormaliser::AppendBytes(c, key);
    }
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
        c = c >= 'a' && c <= 'z' ? static_cast<SjisCode>(c - 32) : c;
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
        c = c >= 'a' && c <= 'z' ? static_cast<SjisCode>(c - 32) : c;
        if (start.first == 0) {
            start.first = c;
        } else if (start.second == 0) {
            start.second = c;
        }
    };
    const size_t n = text.size();
    size_t i = 0;
    SjisCode code = n > 0 ? SeriesCodeAt(text, 0) : 0;
    // Moves on to the next character; false when that one depends on the one before (ﾞ after
    // ｶ), which leaves the text to the whole reading.
    TitleNormaliser::Look look = normaliser_.LookUp(code);
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
    for (const EditionWord& e : SeriesWordsOf().editions) {
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
