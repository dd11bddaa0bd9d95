#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace yomida {

// One CP932 character as a number: a single byte as itself, a double-byte character as its
// lead byte times 256 plus its trail byte. A lead byte left alone at the end of a text is a
// single byte.
using SjisCode = uint16_t;

// Puts a title into one form so that the ways shops write a series name compare equal: NFKC
// (through ICU) turns full-width letters and digits into ASCII, half-width katakana into
// full-width ones, ① into 1 and the like; then old and variant forms of kanji take their common
// form (國 → 国, 﨑 → 崎). Text stays CP932 on both sides.
//
// ICU is asked once per CP932 character, when the table is built on first use; a title is then
// looked up character by character. That gives what ICU would give the whole title, because
// NFKC can be applied piecewise at every point where the next character has a normalisation
// boundary before it; the few characters without one (the half-width voiced marks ﾞ and ﾟ)
// send the run they close back through ICU as a whole.
class TitleNormaliser {
public:
    // The one table of the program, built on first use; safe to share between threads.
    static const TitleNormaliser& Instance();

    // The characters of `text`, normalised, into `out` (replacing its contents).
    void Normalise(std::string_view text, std::vector<SjisCode>& out) const;
    // The same through ICU for the whole text at once: what Normalise must agree with.
    static void NormaliseWithIcu(std::string_view text, std::vector<SjisCode>& out);

    // The normal form of one character taken alone; `code` must outlive the span.
    std::span<const SjisCode> NormalForm(const SjisCode& code) const {
        const size_t index = Index(code);
        if ((flags_[index] & kSame) != 0) {
            return {&code, 1};
        }
        return {codes_.data() + entries_[index].first, entries_[index].count};
    }

    // Whether a normalised character is left out of a series key: blanks, punctuation and
    // symbols (・ ～ ！ 「」 【】 ☆ …), as ICU classifies them.
    bool Dropped(SjisCode code) const { return (flags_[Index(code)] & kDropped) != 0; }
    // What the table knows of one character taken alone, in one look-up.
    class Look {
    public:
        // It is its own normal form and part of a key.
        bool KeptAsItIs() const { return (bits_ & (kSame | kDropped)) == kSame; }
        // Its normal form holds a blank, punctuation or an ASCII digit: what ends a word.
        bool EndsWord() const { return (bits_ & kEndsWord) != 0; }
        bool JoinsPrevious() const { return (bits_ & kJoinsPrevious) != 0; }

    private:
        friend class TitleNormaliser;
        explicit Look(uint8_t bits) : bits_(bits) {}
        uint8_t bits_;
    };
    Look LookUp(SjisCode code) const { return Look(flags_[Index(code)]); }
    // Whether the normaliser has to look at the character before this one.
    bool JoinsPrevious(SjisCode code) const { return (flags_[Index(code)] & kJoinsPrevious) != 0; }

    // The old and variant forms with the form they take.
    static std::span<const std::pair<char32_t, char32_t>> VariantForms();

    static void AppendBytes(SjisCode code, std::string& out) {
        if (code > 0xFF) {
            out += static_cast<char>(code >> 8);
        }
        out += static_cast<char>(code & 0xFF);
    }
    // The characters of CP932 text as codes, appended to `out`.
    static void AppendCodes(std::string_view text, std::vector<SjisCode>& out);

private:
    TitleNormaliser();
    void AddCharacter(SjisCode code, std::string_view bytes);

    static constexpr uint8_t kSame = 1;           // normalises to itself
    static constexpr uint8_t kDropped = 2;        // not part of a key
    static constexpr uint8_t kJoinsPrevious = 4;  // no normalisation boundary before it
    static constexpr uint8_t kEndsWord = 8;       // see EndsWord

    struct Entry {
        uint32_t first = 0;  // into codes_
        uint32_t count = 0;
    };

    // Single bytes first, then every lead byte with every byte after it.
    static constexpr size_t kEntries = 256 + 60 * 256;
    static size_t Index(SjisCode code) {
        if (code <= 0xFF) {
            return code;
        }
        const unsigned lead = code >> 8;
        const unsigned row = lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 0x1F;
        return 256 + row * 256 + (code & 0xFF);
    }

    // A half-width katakana letter with a voiced or semi-voiced mark after it, the one run that
    // comes up often enough to keep ICU's answer for (ｶﾞ → ガ): indexed by the letter's byte
    // from 0xA0 and the mark.
    static constexpr unsigned kFirstHalfWidth = 0xA0;
    static constexpr unsigned kVoicedMark = 0xDE;
    static constexpr unsigned kSemiVoicedMark = 0xDF;
    static size_t PairIndex(unsigned letter, unsigned mark) {
        return (letter - kFirstHalfWidth) * 2 + (mark - kVoicedMark);
    }
    bool AppendPair(std::string_view run, std::vector<SjisCode>& out) const;
    // Normalise for a text with characters that depend on the one before.
    void NormaliseRuns(std::string_view text, std::vector<SjisCode>& out) const;

    std::vector<Entry> entries_;
    // Apart from the entries, so the look-ups of a key's characters stay in a small table.
    std::vector<uint8_t> flags_;
    std::vector<Entry> pairs_;
    std::vector<SjisCode> codes_;
    size_t maxCodesPerByte_ = 1;
};

}  // namespace yomida
