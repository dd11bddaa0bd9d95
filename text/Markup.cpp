#include "text/Markup.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>

#include "platform/Cp932.h"

namespace yomida {
namespace {

struct NamedReference {
    std::string_view name;
    std::string_view utf8;
};

// The names of HTML whose characters CP932 has.
// clang-format off
constexpr NamedReference kNamedReferences[] = {
    {"AMP", "&"}, {"Acy", "А"}, {"Alpha", "Α"}, {"ApplyFunction", "\u2061"}, {"Bcy", "Б"},
    {"Because", "∵"}, {"Beta", "Β"}, {"CHcy", "Ч"}, {"Chi", "Χ"}, {"CloseCurlyDoubleQuote", "”"},
    {"CloseCurlyQuote", "’"}, {"Congruent", "≡"}, {"ContourIntegral", "∮"}, {"Dagger", "‡"},
    {"Dcy", "Д"}, {"Del", "∇"}, {"Delta", "Δ"}, {"DiacriticalAcute", "´"},
    {"DiacriticalGrave", "`"}, {"Dot", "¨"}, {"DoubleDot", "¨"}, {"DoubleLeftRightArrow", "⇔"},
    {"DoubleRightArrow", "⇒"}, {"DoubleVerticalBar", "∥"}, {"DownArrow", "↓"}, {"Ecy", "Э"},
    {"Element", "∈"}, {"Epsilon", "Ε"}, {"Eta", "Η"}, {"Exists", "∃"}, {"Fcy", "Ф"},
    {"ForAll", "∀"}, {"GT", ">"}, {"Gamma", "Γ"}, {"Gcy", "Г"}, {"GreaterFullEqual", "≧"},
    {"Gt", "≫"}, {"HARDcy", "Ъ"}, {"Hat", "^"}, {"HorizontalLine", "─"}, {"IEcy", "Е"},
    {"IOcy", "Ё"}, {"Icy", "И"}, {"Implies", "⇒"}, {"Int", "∬"}, {"Integral", "∫"},
    {"InvisibleComma", "\u2063"}, {"InvisibleTimes", "\u2062"}, {"Iota", "Ι"}, {"Jcy", "Й"},
    {"KHcy", "Х"}, {"Kappa", "Κ"}, {"Kcy", "К"}, {"LT", "<"}, {"Lambda", "Λ"}, {"Lcy", "Л"},
    {"LeftArrow", "←"}, {"Leftrightarrow", "⇔"}, {"LessFullEqual", "≦"}, {"Lt", "≪"}, {"Mcy", "М"},
    {"Mu", "Μ"}, {"Ncy", "Н"}, {"NegativeMediumSpace", "\u200B"}, {"NegativeThickSpace", "\u200B"},
    {"NegativeThinSpace", "\u200B"}, {"NegativeVeryThinSpace", "\u200B"},
    {"NestedGreaterGreater", "≫"}, {"NestedLessLess", "≪"}, {"NewLine", "\n"},
    {"NoBreak", "\u2060"}, {"NotEqual", "≠"}, {"Nu", "Ν"}, {"Ocy", "О"}, {"Omega", "Ω"},
    {"Omicron", "Ο"}, {"OpenCurlyDoubleQuote", "“"}, {"OpenCurlyQuote", "‘"}, {"OverBar", "‾"},
    {"PartialD", "∂"}, {"Pcy", "П"}, {"Phi", "Φ"}, {"Pi", "Π"}, {"PlusMinus", "±"}, {"Prime", "″"},
    {"Proportional", "∝"}, {"Psi", "Ψ"}, {"QUOT", "\""}, {"Rcy", "Р"}, {"ReverseElement", "∋"},
    {"Rho", "Ρ"}, {"RightArrow", "→"}, {"Rightarrow", "⇒"}, {"SHCHcy", "Щ"}, {"SHcy", "Ш"},
    {"SOFTcy", "Ь"}, {"Scy", "С"}, {"ShortDownArrow", "↓"}, {"ShortLeftArrow", "←"},
    {"ShortRightArrow", "→"}, {"ShortUpArrow", "↑"}, {"Sigma", "Σ"}, {"Sqrt", "√"},
    {"Square", "□"}, {"SubsetEqual", "⊆"}, {"SuchThat", "∋"}, {"Sum", "∑"}, {"Superset", "⊃"},
    {"SupersetEqual", "⊇"}, {"TScy", "Ц"}, {"Tab", "\t"}, {"Tau", "Τ"}, {"Tcy", "Т"},
    {"Therefore", "∴"}, {"Theta", "Θ"}, {"Ucy", "У"}, {"UnderBar", "_"}, {"UpArrow", "↑"},
    {"UpTee", "⊥"}, {"Upsilon", "Υ"}, {"Vcy", "В"}, {"Verbar", "‖"}, {"Vert", "‖"},
    {"VerticalLine", "|"}, {"Xi", "Ξ"}, {"YAcy", "Я"}, {"YUcy", "Ю"}, {"Ycy", "Ы"}, {"ZHcy", "Ж"},
    {"Zcy", "З"}, {"ZeroWidthSpace", "\u200B"}, {"Zeta", "Ζ"}, {"acute", "´"}, {"acy", "а"},
    {"af", "\u2061"}, {"alpha", "α"}, {"amp", "&"}, {"and", "∧"}, {"ang", "∠"}, {"angle", "∠"},
    {"angrt", "∟"}, {"apos", "'"}, {"ast", "*"}, {"backsim", "∽"}, {"bcy", "б"}, {"becaus", "∵"},
    {"because", "∵"}, {"beta", "β"}, {"bigcirc", "◯"}, {"bigstar", "★"}, {"bigtriangledown", "▽"},
    {"bigtriangleup", "△"}, {"bot", "⊥"}, {"bottom", "⊥"}, {"boxdl", "┐"}, {"boxdr", "┌"},
    {"boxh", "─"}, {"boxhd", "┬"}, {"boxhu", "┴"}, {"boxul", "┘"}, {"boxur", "└"}, {"boxv", "│"},
    {"boxvh", "┼"}, {"boxvl", "┤"}, {"boxvr", "├"}, {"brvbar", "¦"}, {"bsim", "∽"}, {"bsol", "\\"},
    {"cap", "∩"}, {"caps", "∩\uFE00"}, {"chcy", "ч"}, {"chi", "χ"}, {"cir", "○"}, {"colon", ":"},
    {"comma", ","}, {"commat", "@"}, {"conint", "∮"}, {"cup", "∪"}, {"cups", "∪\uFE00"},
    {"dagger", "†"}, {"darr", "↓"}, {"dash", "‐"}, {"dcy", "д"}, {"ddagger", "‡"}, {"deg", "°"},
    {"delta", "δ"}, {"die", "¨"}, {"div", "÷"}, {"divide", "÷"}, {"dollar", "$"},
    {"downarrow", "↓"}, {"ecy", "э"}, {"efDot", "≒"}, {"epsi", "ε"}, {"epsilon", "ε"},
    {"equals", "="}, {"equiv", "≡"}, {"eta", "η"}, {"excl", "!"}, {"exist", "∃"},
    {"fallingdotseq", "≒"}, {"fcy", "ф"}, {"female", "♀"}, {"fjlig", "fj"}, {"flat", "♭"},
    {"forall", "∀"}, {"gE", "≧"}, {"gamma", "γ"}, {"gcy", "г"}, {"geqq", "≧"}, {"gg", "≫"},
    {"grave", "`"}, {"gt", ">"}, {"hArr", "⇔"}, {"hardcy", "ъ"}, {"hellip", "…"}, {"horbar", "―"},
    {"hyphen", "‐"}, {"ic", "\u2063"}, {"icy", "и"}, {"iecy", "е"}, {"iff", "⇔"}, {"in", "∈"},
    {"infin", "∞"}, {"int", "∫"}, {"iocy", "ё"}, {"iota", "ι"}, {"isin", "∈"}, {"isinv", "∈"},
    {"it", "\u2062"}, {"jcy", "й"}, {"kappa", "κ"}, {"kcy", "к"}, {"khcy", "х"}, {"lE", "≦"},
    {"lambda", "λ"}, {"larr", "←"}, {"lbrace", "{"}, {"lbrack", "["}, {"lcub", "{"}, {"lcy", "л"},
    {"ldquo", "“"}, {"leftarrow", "←"}, {"leqq", "≦"}, {"ll", "≪"}, {"lowbar", "_"}, {"lpar", "("},
    {"lrm", "\u200E"}, {"lrtri", "⊿"}, {"lsqb", "["}, {"lsquo", "‘"}, {"lt", "<"}, {"male", "♂"},
    {"mcy", "м"}, {"mdash", "—"}, {"midast", "*"}, {"minus", "−"}, {"mldr", "…"}, {"mu", "μ"},
    {"nabla", "∇"}, {"ncy", "н"}, {"ne", "≠"}, {"ni", "∋"}, {"niv", "∋"}, {"nldr", "‥"},
    {"nu", "ν"}, {"num", "#"}, {"numero", "№"}, {"ocy", "о"}, {"ohm", "Ω"}, {"oint", "∮"},
    {"oline", "‾"}, {"omega", "ω"}, {"omicron", "ο"}, {"or", "∨"}, {"par", "∥"}, {"para", "¶"},
    {"parallel", "∥"}, {"part", "∂"}, {"pcy", "п"}, {"percnt", "%"}, {"period", "."},
    {"permil", "‰"}, {"perp", "⊥"}, {"phi", "φ"}, {"pi", "π"}, {"plus", "+"}, {"plusmn", "±"},
    {"pm", "±"}, {"prime", "′"}, {"profline", "⌒"}, {"prop", "∝"}, {"propto", "∝"}, {"psi", "ψ"},
    {"quest", "?"}, {"quot", "\""}, {"rArr", "⇒"}, {"radic", "√"}, {"rarr", "→"}, {"rbrace", "}"},
    {"rbrack", "]"}, {"rcub", "}"}, {"rcy", "р"}, {"rdquo", "”"}, {"rdquor", "”"}, {"rho", "ρ"},
    {"rightarrow", "→"}, {"rlm", "\u200F"}, {"rpar", ")"}, {"rsqb", "]"}, {"rsquo", "’"},
    {"rsquor", "’"}, {"scy", "с"}, {"sect", "§"}, {"semi", ";"}, {"sharp", "♯"}, {"shchcy", "щ"},
    {"shcy", "ш"}, {"shortparallel", "∥"}, {"shy", "\u00AD"}, {"sigma", "σ"}, {"slarr", "←"},
    {"softcy", "ь"}, {"sol", "/"}, {"spar", "∥"}, {"squ", "□"}, {"square", "□"}, {"srarr", "→"},
    {"star", "☆"}, {"starf", "★"}, {"sub", "⊂"}, {"sube", "⊆"}, {"subset", "⊂"}, {"subseteq", "⊆"},
    {"sum", "∑"}, {"sung", "♪"}, {"sup", "⊃"}, {"supe", "⊇"}, {"supset", "⊃"}, {"supseteq", "⊇"},
    {"tau", "τ"}, {"tcy", "т"}, {"there4", "∴"}, {"therefore", "∴"}, {"theta", "θ"},
    {"times", "×"}, {"tscy", "ц"}, {"uarr", "↑"}, {"ucy", "у"}, {"uml", "¨"}, {"uparrow", "↑"},
    {"upsi", "υ"}, {"upsilon", "υ"}, {"varpropto", "∝"}, {"vcy", "в"}, {"vee", "∨"},
    {"verbar", "|"}, {"vert", "|"}, {"vprop", "∝"}, {"wedge", "∧"}, {"xcirc", "◯"}, {"xdtri", "▽"},
    {"xi", "ξ"}, {"xutri", "△"}, {"yacy", "я"}, {"ycy", "ы"}, {"yen", "¥"}, {"yucy", "ю"},
    {"zcy", "з"}, {"zeta", "ζ"}, {"zhcy", "ж"}, {"zwj", "\u200D"}, {"zwnj", "\u200C"}};
// clang-format on

// HTML reads the numbers 0x80 to 0x9F as the characters windows-1252 puts there, as pages
// written on Windows mean them.
constexpr char32_t kWindows1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t kReplacementCharacter = 0xFFFD;

std::string Utf8Of(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

// A character in CP932, through the same conversion as the page's text. Pages that write a
// whole title as numbers repeat their characters, so each is converted once.
const std::string& Cp932Of(char32_t c) {
    thread_local std::unordered_map<char32_t, std::string> converted;
    auto [at, added] = converted.try_emplace(c);
    if (added) {
        at->second = Utf8ToCp932(Utf8Of(c));
    }
    return at->second;
}

const std::string* NamedCharacter(std::string_view name) {
    static const std::unordered_map<std::string_view, std::string> cp932 = [] {
        std::unordered_map<std::string_view, std::string> table;
        for (const NamedReference& r : kNamedReferences) {
            table.emplace(r.name, Utf8ToCp932(r.utf8));
        }
        return table;
    }();
    const auto at = cp932.find(name);
    return at == cp932.end() ? nullptr : &at->second;
}

bool IsDigit(char c, bool hex) {
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

uint32_t DigitValue(char c) {
    if (c <= '9') {
        return static_cast<uint32_t>(c - '0');
    }
    return static_cast<uint32_t>((c | 0x20) - 'a' + 10);
}

// The character of a numeric reference: what is no character at all is the replacement
// character, as HTML reads it.
char32_t NumberedCharacter(uint32_t number) {
    if (number == 0 || number > 0x10FFFF || (number >= 0xD800 && number <= 0xDFFF)) {
        return kReplacementCharacter;
    }
    if (number >= 0x80 && number <= 0x9F) {
        return kWindows1252[number - 0x80];
    }
    return number;
}

// The CP932 form of a character: printable ASCII is the same in CP932, and a page may hold
// thousands of such references; the rest goes through the code page conversion.
std::string_view Cp932Form(char32_t c) {
    static const std::array<char, 0x80> ascii = [] {
        std::array<char, 0x80> bytes{};
        for (size_t b = 0; b < bytes.size(); ++b) {
            bytes[b] = static_cast<char>(b);
        }
        return bytes;
    }();
    if (c >= 0x20 && c < 0x7F) {
        return std::string_view(&ascii[c], 1);
    }
    return Cp932Of(c);
}

// A numeric reference at the front of `text` ("&#39;", "&#x27;"): its length and its character
// in CP932, or a length of 0 when there is none.
size_t ReadNumericReference(std::string_view text, std::string_view& decoded) {
    const bool hex = text.size() > 2 && (text[2] == 'x' || text[2] == 'X');
    size_t i = hex ? 3 : 2;
    const size_t first = i;
    uint32_t number = 0;
    for (; i < text.size() && IsDigit(text[i], hex); ++i) {
        // Past the last character the number needs no more digits to be no character.
        number = std::min<uint32_t>(number * (hex ? 16 : 10) + DigitValue(text[i]), 0x110000);
    }
    if (i == first || i == text.size() || text[i] != ';') {
        return 0;
    }
    decoded = Cp932Form(NumberedCharacter(number));
    return i + 1;
}

bool IsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// A named reference at the front of `text` ("&quot;"), as ReadNumericReference reads a numeric
// one; a name HTML does not know is none.
size_t ReadNamedReference(std::string_view text, std::string_view& decoded) {
    size_t i = 1;
    while (i < text.size() && IsNameCharacter(text[i])) {
        ++i;
    }
    if (i == 1 || i == text.size() || text[i] != ';') {
        return 0;
    }
    const std::string* named = NamedCharacter(text.substr(1, i - 1));
    if (named == nullptr) {
        return 0;
    }
    decoded = *named;
    return i + 1;
}

}  // namespace

std::string EscapeMarkup(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n') {
                    out += c;
                }
        }
    }
    return out;
}

void DecodeCharacterReferences(std::string_view text, std::string& out) {
    // "&", "#", ";", digits and the letters of names are single-byte characters and "&" is
    // never a trail byte, so a byte search finds every reference and no reference is cut.
    size_t copied = 0;
    size_t at = text.find('&');
    while (at != std::string_view::npos) {
        std::string_view decoded;
        const std::string_view rest = text.substr(at);
        const size_t length = rest.size() > 1 && rest[1] == '#'
                                  ? ReadNumericReference(rest, decoded)
                                  : ReadNamedReference(rest, decoded);
        if (length == 0) {
            at = text.find('&', at + 1);
            continue;
        }
        out.append(text.substr(copied, at - copied));
        out.append(decoded);
        copied = at + length;
        at = text.find('&', copied);
    }
    out.append(text.substr(copied));
}

}  // namespace yomida
