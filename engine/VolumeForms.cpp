#include "engine/VolumeForms.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace yomida {

std::optional<VolumeForms::Found> VolumeForms::Last() const {
    size_t firstKey = 0;
    while (firstKey < n_ && normaliser_.Dropped(u_[firstKey])) {
        ++firstKey;
    }
    std::optional<Found> last;
    for (size_t i = firstKey + 1; i < n_;) {
        if (w_.startsForm[u_[i]] == 0) {
            ++i;
        } else if (const std::optional<Found> f = At(i)) {
            last = f;
            i = f->end;
        } else {
            ++i;
        }
    }
    // The trailing number may be the end of a form already found (vol. 107).
    if (const std::optional<Found> t = Trailing(firstKey); t && (!last || t->start >= last->end)) {
        last = t;
    }
    return last;
}

std::optional<int> VolumeForms::Phrase(size_t a, size_t b) const {
    while (a < b && IsTitleBlank(u_[a])) {
        ++a;
    }
    while (b > a && IsTitleBlank(u_[b - 1])) {
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
    } else if (IsTitleLetter(c)) {
        f = Vol(a, b);
    } else if (IsTitleDigit(c)) {
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

std::optional<VolumeForms::Found> VolumeForms::At(size_t i) const {
    const SjisCode c = u_[i];
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
    if ((c == 'v' || c == 'V') && !IsTitleLetter(before)) {
        return Vol(i, n_);
    }
    if (IsTitleDigit(c) && !IsTitleDigit(before) && before != '.' && before != '-' &&
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

std::optional<VolumeForms::Found> VolumeForms::Trailing(size_t firstKey) const {
    size_t end = n_;
    for (;;) {
        while (end > 0 && IsTitleBlank(u_[end - 1])) {
            --end;
        }
        const std::optional<size_t> open = end > 0 ? Open(end - 1) : std::nullopt;
        if (!open || *open <= firstKey) {
            break;
        }
        end = *open;
    }
    size_t start = end;
    while (start > 0 && !IsTitleBlank(u_[start - 1])) {
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

std::optional<VolumeForms::Found> VolumeForms::Digits(size_t i, size_t limit) const {
    int value = 0;
    size_t j = i;
    for (; j < limit && IsTitleDigit(u_[j]); ++j) {
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

std::optional<VolumeForms::Found> VolumeForms::Kanji(size_t i, size_t limit) const {
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

std::optional<VolumeForms::Found> VolumeForms::Dai(size_t i, size_t limit) const {
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

std::optional<VolumeForms::Found> VolumeForms::Hash(size_t i, size_t limit) const {
    const std::optional<Found> number = Digits(i + 1, limit);
    if (!number) {
        return std::nullopt;
    }
    return Found{i, number->end, number->volume};
}

std::optional<VolumeForms::Found> VolumeForms::Vol(size_t i, size_t limit) const {
    size_t j = i;
    for (char c : std::string_view("vol")) {
        if (j == limit || TitleLower(u_[j]) != static_cast<SjisCode>(c)) {
            return std::nullopt;
        }
        ++j;
    }
    if (limit - j >= 3 && TitleLower(u_[j]) == 'u' && TitleLower(u_[j + 1]) == 'm' &&
        TitleLower(u_[j + 2]) == 'e') {
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

std::optional<VolumeForms::Found> VolumeForms::FirstOrSecondPart(size_t i, size_t limit) const {
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

int VolumeForms::UpperMiddleLower(SjisCode c) const {
    return c == w_.ue ? 1 : c == w_.naka ? 2 : c == w_.shita ? 3 : 0;
}

size_t VolumeForms::SkipBlanks(size_t i, size_t limit) const {
    while (i < limit && IsTitleBlank(u_[i])) {
        ++i;
    }
    return i;
}

}  // namespace yomida
