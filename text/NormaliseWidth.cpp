#include "text/NormaliseWidth.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/Cp932.h"
#include "text/Sjis.h"

namespace yomida {
namespace {

constexpr unsigned char kKanaFirst = 0xA1;
constexpr unsigned char kKanaLast = 0xDD;
constexpr size_t kKanaCount = kKanaLast - kKanaFirst + 1;
constexpr unsigned char kVoicedMark = 0xDE;
constexpr unsigned char kSemiVoicedMark = 0xDF;

// The JIS X 0201 to JIS X 0208 correspondence for 0xA1 to 0xDD, in byte order.
constexpr const char* kPlainKana =
    "。「」、・ヲァィゥェォャュョッー"
    "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン";

// Where the voiced and semi-voiced tables differ from the plain one: first byte, then letters.
struct KanaOverride {
    unsigned char first;
    const char* letters;
};
constexpr KanaOverride kVoicedKana[] = {
    {0xB3, "ヴ"}, {0xB6, "ガギグゲゴザジズゼゾダヂヅデド"}, {0xCA, "バビブベボ"}};
constexpr KanaOverride kSemiVoicedKana[] = {{0xCA, "パピプペポ"}};

// Full-width characters that become one ASCII byte. Digits and letters are ranges, below.
struct FullWidthOverride {
    const char* fullWidth;
    char ascii;
};
constexpr FullWidthOverride kFullWidthToAscii[] = {
    {"　", ' '}, {"．", '.'}, {"：", ':'},  {"；", ';'}, {"？", '?'}, {"！", '!'}, {"＾", '^'},
    {"／", '/'}, {"｜", '|'}, {"‘", '\''},  {"’", '\''}, {"（", '('}, {"）", ')'}, {"［", '['},
    {"］", ']'}, {"｛", '{'}, {"｝", '}'},  {"＋", '+'}, {"－", '-'}, {"＝", '='}, {"＜", '<'},
    {"＞", '>'}, {"′", '\''}, {"￥", '\\'}, {"＄", '$'}, {"％", '%'}, {"＃", '#'}, {"＆", '&'},
    {"＊", '*'}, {"＠", '@'}, {"〓", '='}};

using Code = uint16_t;  // lead byte * 256 + trail byte

struct Tables {
    std::array<Code, kKanaCount> plain{};
    std::array<Code, kKanaCount> voiced{};
    std::array<Code, kKanaCount> semiVoiced{};
    // ASCII byte for each code with lead byte 0x81 or 0x82, or 0 when the code stays as it is.
    std::array<std::array<char, 256>, 2> ascii{};
};

std::vector<Code> CodesOf(const char* utf8) {
    std::string sjis = Utf8ToCp932(utf8);
    std::vector<Code> codes;
    for (size_t i = 0; i + 1 < sjis.size(); i += 2) {
        codes.push_back(static_cast<Code>(static_cast<unsigned char>(sjis[i]) << 8 |
                                          static_cast<unsigned char>(sjis[i + 1])));
    }
    if (sjis.size() % 2 != 0) {
        throw std::logic_error("normaliser table holds a single-byte character");
    }
    return codes;
}

void Override(std::array<Code, kKanaCount>& table, const KanaOverride& o) {
    std::vector<Code> codes = CodesOf(o.letters);
    for (size_t k = 0; k < codes.size(); ++k) {
        table.at(o.first - kKanaFirst + k) = codes[k];
    }
}

Tables BuildTables() {
    Tables t;
    std::vector<Code> plain = CodesOf(kPlainKana);
    if (plain.size() != kKanaCount) {
        throw std::logic_error("plain katakana table has the wrong length");
    }
    std::copy(plain.begin(), plain.end(), t.plain.begin());
    t.voiced = t.plain;
    t.semiVoiced = t.plain;
    for (const KanaOverride& o : kVoicedKana) {
        Override(t.voiced, o);
    }
    for (const KanaOverride& o : kSemiVoicedKana) {
        Override(t.semiVoiced, o);
    }
    for (const FullWidthOverride& f : kFullWidthToAscii) {
        Code code = CodesOf(f.fullWidth).at(0);
        t.ascii.at((code >> 8) - 0x81)[code & 0xFF] = f.ascii;
    }
    for (int k = 0; k < 10; ++k) {  // ０–９ at 0x824F
        t.ascii[1][0x4F + k] = static_cast<char>('0' + k);
    }
    for (int k = 0; k < 26; ++k) {  // Ａ–Ｚ at 0x8260, ａ–ｚ at 0x8281
        t.ascii[1][0x60 + k] = static_cast<char>('A' + k);
        t.ascii[1][0x81 + k] = static_cast<char>('A' + k);
    }
    return t;
}

const Tables& GetTables() {
    static const Tables tables = BuildTables();
    return tables;
}

inline char* PutCode(char* o, Code code) {
    o[0] = static_cast<char>(code >> 8);
    o[1] = static_cast<char>(code & 0xFF);
    return o + 2;
}

// Only a half-width katakana byte can become two bytes; sizing the result by them keeps a whole
// page from touching twice its size in fresh memory. Trail bytes in the katakana range are
// counted too: an upper bound is enough, and a loop without branches is quick.
inline size_t KanaBytes(const unsigned char* in, size_t n) {
    size_t kana = 0;
    for (size_t i = 0; i < n; ++i) {
        kana += static_cast<unsigned char>(in[i] - kKanaFirst) <= kKanaLast - kKanaFirst ? 1 : 0;
    }
    return kana;
}

}  // namespace

void NormaliseWidthInto(std::string_view text, std::string& out) {
    out.clear();
    NormaliseWidthAppend(text, out);
}

void NormaliseWidthAppend(std::string_view text, std::string& out) {
    const Tables& t = GetTables();
    const size_t n = text.size();
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const size_t start = out.size();
    out.resize(start + n + KanaBytes(in, n));
    char* o = out.data() + start;
    size_t i = 0;
    while (i < n) {
        const unsigned char b = in[i];
        if (b < 0x80) {
            // Markup is ASCII for the most part, and ASCII stays as it is.
            if (i + 8 <= n && EightAreAscii(in + i)) {
                std::memcpy(o, in + i, 8);
                o += 8;
                i += 8;
                continue;
            }
            *o++ = static_cast<char>(b);
            ++i;
        } else if (IsLeadByte(b)) {
            if (i + 1 >= n) {
                *o++ = static_cast<char>(b);
                ++i;
                continue;
            }
            const unsigned char trail = in[i + 1];
            if (b <= 0x82) {
                const char ascii = t.ascii[b - 0x81][trail];
                if (ascii != 0) {
                    *o++ = ascii;
                    i += 2;
                    continue;
                }
            }
            o[0] = static_cast<char>(b);
            o[1] = static_cast<char>(trail);
            o += 2;
            i += 2;
        } else if (b >= kKanaFirst && b <= kKanaLast) {
            const size_t k = b - kKanaFirst;
            const unsigned char next = i + 1 < n ? in[i + 1] : 0;
            if (next == kVoicedMark) {
                o = PutCode(o, t.voiced[k]);
                i += 2;
            } else if (next == kSemiVoicedMark) {
                o = PutCode(o, t.semiVoiced[k]);
                i += 2;
            } else {
                o = PutCode(o, t.plain[k]);
                ++i;
            }
        } else {
            *o++ = static_cast<char>(b);
            ++i;
        }
    }
    out.resize(static_cast<size_t>(o - out.data()));
}

std::string NormaliseWidth(std::string_view text) {
    std::string out;
    NormaliseWidthInto(text, out);
    return out;
}

}  // namespace yomida
