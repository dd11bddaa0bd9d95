#include "engine/TitleNormaliser.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

#include "platform/Cp932.h"
#include "text/Sjis.h"

namespace yomida {
namespace {

// Old and variant forms of kanji that shops and publishers write for the same name, with the
// form a series key takes. Both sides are in CP932, so the key can be stored as it is.
constexpr std::array<std::pair<char32_t, char32_t>, 58> kVariantForms{{
    {U'國', U'国'}, {U'學', U'学'}, {U'髙', U'高'}, {U'﨑', U'崎'}, {U'澤', U'沢'}, {U'邊', U'辺'},
    {U'邉', U'辺'}, {U'齋', U'斎'}, {U'齊', U'斉'}, {U'櫻', U'桜'}, {U'濱', U'浜'}, {U'濵', U'浜'},
    {U'嶋', U'島'}, {U'嶌', U'島'}, {U'廣', U'広'}, {U'黑', U'黒'}, {U'眞', U'真'}, {U'惠', U'恵'},
    {U'德', U'徳'}, {U'實', U'実'}, {U'圓', U'円'}, {U'會', U'会'}, {U'體', U'体'}, {U'戀', U'恋'},
    {U'傳', U'伝'}, {U'聲', U'声'}, {U'藝', U'芸'}, {U'驛', U'駅'}, {U'繪', U'絵'}, {U'續', U'続'},
    {U'彌', U'弥'}, {U'龜', U'亀'}, {U'變', U'変'}, {U'發', U'発'}, {U'萬', U'万'}, {U'亞', U'亜'},
    {U'氣', U'気'}, {U'經', U'経'}, {U'靜', U'静'}, {U'來', U'来'}, {U'禮', U'礼'}, {U'舊', U'旧'},
    {U'單', U'単'}, {U'團', U'団'}, {U'劍', U'剣'}, {U'劔', U'剣'}, {U'檢', U'検'}, {U'擧', U'挙'},
    {U'晝', U'昼'}, {U'寫', U'写'}, {U'壽', U'寿'}, {U'曉', U'暁'}, {U'樂', U'楽'}, {U'螢', U'蛍'},
    {U'鐵', U'鉄'}, {U'豐', U'豊'}, {U'冨', U'富'}, {U'瀨', U'瀬'},
}};

char32_t CommonKanjiForm(char32_t c) {
    for (const auto& [from, to] : kVariantForms) {
        if (from == c) {
            return to;
        }
    }
    return c;
}

const UNormalizer2* NfkcNormaliser() {
    UErrorCode err = U_ZERO_ERROR;
    const UNormalizer2* nfkc = unorm2_getNFKCInstance(&err);
    if (U_FAILURE(err)) {
        throw std::runtime_error("ICU has no NFKC normaliser");
    }
    return nfkc;
}

std::u16string TitleUtf16(std::string_view cp932) {
    const std::string utf8 = Cp932ToUtf8(cp932);
    std::u16string utf16(utf8.size() + 1, u'\0');
    int32_t n = 0;
    UErrorCode err = U_ZERO_ERROR;
    u_strFromUTF8WithSub(utf16.data(), static_cast<int32_t>(utf16.size()), &n, utf8.data(),
                         static_cast<int32_t>(utf8.size()), u'?', nullptr, &err);
    if (U_FAILURE(err)) {
        throw std::runtime_error("UTF-8 decoding failed");
    }
    utf16.resize(static_cast<size_t>(n));
    return utf16;
}

// NFKC, then the common form of every character, then back to CP932.
std::string NormalisedCp932(const std::u16string& utf16) {
    const UNormalizer2* nfkc = NfkcNormaliser();
    UErrorCode err = U_ZERO_ERROR;
    // NFKC makes a text at most 18 times longer (U+FDFA); a retry covers the rest.
    std::u16string normal(utf16.size() * 4 + 8, u'\0');
    int32_t n = unorm2_normalize(nfkc, utf16.data(), static_cast<int32_t>(utf16.size()),
                                 normal.data(), static_cast<int32_t>(normal.size()), &err);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
        normal.resize(static_cast<size_t>(n));
        err = U_ZERO_ERROR;
        n = unorm2_normalize(nfkc, utf16.data(), static_cast<int32_t>(utf16.size()), normal.data(),
                             n, &err);
    }
    if (U_FAILURE(err)) {
        throw std::runtime_error("NFKC normalisation failed");
    }
    std::string utf8;
    for (int32_t i = 0; i < n;) {
        UChar32 c = 0;
        U16_NEXT(normal.data(), i, n, c);
        const char32_t common = CommonKanjiForm(static_cast<char32_t>(c));
        char bytes[4];
        int32_t length = 0;
        UBool failed = false;
        U8_APPEND(reinterpret_cast<uint8_t*>(bytes), length, 4, common, failed);
        if (!failed) {
            utf8.append(bytes, static_cast<size_t>(length));
        }
    }
    return Utf8ToCp932(utf8);
}

// Blanks, controls, punctuation and symbols: what a shop adds or leaves out of a name at will.
bool LeftOutOfKey(const std::u16string& utf16) {
    for (size_t i = 0; i < utf16.size();) {
        UChar32 c = 0;
        U16_NEXT(utf16.data(), i, utf16.size(), c);
        switch (u_charType(c)) {
            case U_SPACE_SEPARATOR:
            case U_LINE_SEPARATOR:
            case U_PARAGRAPH_SEPARATOR:
            case U_CONTROL_CHAR:
            case U_FORMAT_CHAR:
            case U_CONNECTOR_PUNCTUATION:
            case U_DASH_PUNCTUATION:
            case U_START_PUNCTUATION:
            case U_END_PUNCTUATION:
            case U_INITIAL_PUNCTUATION:
            case U_FINAL_PUNCTUATION:
            case U_OTHER_PUNCTUATION:
            case U_MATH_SYMBOL:
            case U_CURRENCY_SYMBOL:
            case U_MODIFIER_SYMBOL:
            case U_OTHER_SYMBOL:
                break;
            default:
                return false;
        }
    }
    return true;
}

}  // namespace

std::span<const std::pair<char32_t, char32_t>> TitleNormaliser::VariantForms() {
    return kVariantForms;
}

const TitleNormaliser& TitleNormaliser::Instance() {
    static const TitleNormaliser table;
    return table;
}

TitleNormaliser::TitleNormaliser()
    : entries_(kEntries),
      flags_(kEntries, 0),
      pairs_(PairIndex(kSemiVoicedMark, kSemiVoicedMark) + 1) {
    for (unsigned letter = kFirstHalfWidth; letter <= kSemiVoicedMark; ++letter) {
        for (unsigned mark : {kVoicedMark, kSemiVoicedMark}) {
            const char bytes[2] = {static_cast<char>(letter), static_cast<char>(mark)};
            std::vector<SjisCode> normal;
            AppendCodes(NormalisedCp932(TitleUtf16(std::string_view(bytes, 2))), normal);
            Entry& e = pairs_[PairIndex(letter, mark)];
            e.first = static_cast<uint32_t>(codes_.size());
            e.count = static_cast<uint32_t>(normal.size());
            codes_.insert(codes_.end(), normal.begin(), normal.end());
        }
    }
    for (unsigned b = 0; b <= 0xFF; ++b) {
        const char byte = static_cast<char>(b);
        AddCharacter(static_cast<SjisCode>(b), std::string_view(&byte, 1));
    }
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsLeadByte(static_cast<unsigned char>(lead))) {
            continue;
        }
        for (unsigned trail = 0; trail <= 0xFF; ++trail) {
            const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            AddCharacter(static_cast<SjisCode>(lead << 8 | trail), std::string_view(bytes, 2));
        }
    }
    // Once every character's own flags are known, those of their normal forms.
    for (size_t code = 0; code <= 0xFFFF; ++code) {
        const auto c = static_cast<SjisCode>(code);
        if (code > 0xFF && !IsLeadByte(static_cast<unsigned char>(code >> 8))) {
            continue;
        }
        for (SjisCode n : NormalForm(c)) {
            if ((n >= '0' && n <= '9') || Dropped(n)) {
                flags_[Index(c)] |= kEndsWord;
            }
        }
    }
}

void TitleNormaliser::AddCharacter(SjisCode code, std::string_view bytes) {
    const std::u16string utf16 = TitleUtf16(bytes);
    std::vector<SjisCode> normal;
    AppendCodes(NormalisedCp932(utf16), normal);
    Entry& e = entries_[Index(code)];
    uint8_t& flags = flags_[Index(code)];
    if (normal.size() == 1 && normal[0] == code) {
        flags |= kSame;
    } else {
        e.first = static_cast<uint32_t>(codes_.size());
        e.count = static_cast<uint32_t>(normal.size());
        codes_.insert(codes_.end(), normal.begin(), normal.end());
        maxCodesPerByte_ =
            std::max(maxCodesPerByte_, (normal.size() + bytes.size() - 1) / bytes.size());
    }
    if (LeftOutOfKey(utf16)) {
        flags |= kDropped;
    }
    if (!utf16.empty()) {
        UChar32 first = 0;
        size_t i = 0;
        U16_NEXT(utf16.data(), i, utf16.size(), first);
        if (!unorm2_hasBoundaryBefore(NfkcNormaliser(), first)) {
            flags |= kJoinsPrevious;
        }
    }
}

void TitleNormaliser::AppendCodes(std::string_view text, std::vector<SjisCode>& out) {
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(b) && i + 1 < text.size()) {
            out.push_back(static_cast<SjisCode>(b << 8 | static_cast<unsigned char>(text[i + 1])));
            i += 2;
        } else {
            out.push_back(b);
            ++i;
        }
    }
}

void TitleNormaliser::NormaliseWithIcu(std::string_view text, std::vector<SjisCode>& out) {
    out.clear();
    AppendCodes(NormalisedCp932(TitleUtf16(text)), out);
}

bool TitleNormaliser::AppendPair(std::string_view run, std::vector<SjisCode>& out) const {
    if (run.size() != 2) {
        return false;
    }
    const auto letter = static_cast<unsigned char>(run[0]);
    const auto mark = static_cast<unsigned char>(run[1]);
    if (letter < kFirstHalfWidth || letter > kSemiVoicedMark || mark < kVoicedMark ||
        mark > kSemiVoicedMark) {
        return false;
    }
    const Entry& e = pairs_[PairIndex(letter, mark)];
    out.insert(out.end(), codes_.begin() + e.first, codes_.begin() + e.first + e.count);
    return true;
}

void TitleNormaliser::Normalise(std::string_view text, std::vector<SjisCode>& out) const {
    // Most titles have no character that depends on the one before: those are written straight
    // into room made for the longest normal form the table holds.
    out.resize(text.size() * maxCodesPerByte_);
    SjisCode* to = out.data();
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        const auto b = static_cast<unsigned char>(text[i]);
        SjisCode code = b;
        size_t length = 1;
        if (IsLeadByte(b) && i + 1 < n) {
            code = static_cast<SjisCode>(b << 8 | static_cast<unsigned char>(text[i + 1]));
            length = 2;
        }
        const size_t index = Index(code);
        const uint8_t flags = flags_[index];
        if ((flags & kJoinsPrevious) != 0) {
            NormaliseRuns(text, out);
            return;
        }
        if ((flags & kSame) != 0) {
            *to++ = code;
        } else {
            const Entry& e = entries_[index];
            to = std::copy_n(codes_.data() + e.first, e.count, to);
        }
        i += length;
    }
    out.resize(static_cast<size_t>(to - out.data()));
}

void TitleNormaliser::NormaliseRuns(std::string_view text, std::vector<SjisCode>& out) const {
    out.clear();
    // The run of characters since the last normalisation boundary: where it starts in the text
    // and in `out`, and whether a character in it depends on the one before.
    size_t runText = 0;
    size_t runOut = 0;
    bool joined = false;
    std::vector<SjisCode> again;
    const auto renormaliseRun = [&](size_t end) {
        out.resize(runOut);
        const std::string_view run = text.substr(runText, end - runText);
        if (!AppendPair(run, out)) {
            NormaliseWithIcu(run, again);
            out.insert(out.end(), again.begin(), again.end());
        }
    };
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        const auto b = static_cast<unsigned char>(text[i]);
        SjisCode code = b;
        size_t length = 1;
        if (IsLeadByte(b) && i + 1 < n) {
            code = static_cast<SjisCode>(b << 8 | static_cast<unsigned char>(text[i + 1]));
            length = 2;
        }
        const size_t index = Index(code);
        const uint8_t flags = flags_[index];
        if ((flags & kJoinsPrevious) != 0) {
            joined = true;
        } else {
            if (joined) {
                renormaliseRun(i);
                joined = false;
            }
            runText = i;
            runOut = out.size();
        }
        if ((flags & kSame) != 0) {
            out.push_back(code);
        } else {
            const Entry& e = entries_[index];
            out.insert(out.end(), codes_.begin() + e.first, codes_.begin() + e.first + e.count);
        }
        i += length;
    }
    if (joined) {
        renormaliseRun(n);
    }
}

}  // namespace yomida
