#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/TitleNormaliser.h"

namespace yomida {

struct SeriesTitleWords;

// What a title says about its series. Texts are CP932.
struct SeriesTitle {
    // The series name in one form: normalised, blanks and punctuation left out, Latin letters
    // in upper case, and a line of its own (新装版, 完全版, 愛蔵版, 文庫版, ワイド版) at the end.
    // Empty when the title is nothing but punctuation or an edition's name.
    std::string key;
    // The volume: a number, 上/中/下 as 1/2/3, 前編/後編 as 1/2; 0 when the title has none.
    int volume = 0;
    // 通常版, 特装版, 限定版, 同梱版 or 特別版: another edition of the same volume. Empty when the
    // title names none.
    std::string edition;

    bool operator==(const SeriesTitle&) const = default;
};

// Reads titles into series, volume and edition. A reader keeps its scratch buffers between
// titles, so one per thread reads a whole list without allocating per title.
//
// The volume is the last of (N) 【N】 [N] 第N巻 (kanji numerals too: 第十二巻) N巻 vol.N #N
// 上巻 前編 …, or a number or 上/中/下 after a blank at the end of the title; brackets at the end
// that hold no volume (a label such as (ジャンプコミックス)) do not hide it. A form counts only
// after some of the name, and what follows it (a subtitle, a label) is not part of the key.
// Numbers that are not such a form stay in the key: 2001夜物語, 20世紀少年, ゴルゴ13; so do a
// set of all volumes (全3巻, 上下巻).
class SeriesTitleReader {
public:
    SeriesTitleReader();

    // `series` and `volume`, where a source gives them, win over what the title says: the key
    // comes from `series` (with the title's line when `series` names none), the volume from
    // `volume` when it reads as one.
    [[nodiscard]] SeriesTitle Read(std::string_view title, std::string_view series = {},
                                   std::string_view volume = {});
    // The same into `out`, reusing its strings.
    void ReadInto(std::string_view title, std::string_view series, std::string_view volume,
                  SeriesTitle& out);

    // A volume field by itself: "34", "第34巻", "(上)", "vol.3"; nothing when it is none of these.
    std::optional<int> ReadVolume(std::string_view text);

    // The first two characters of the name a key is made of (the key without its line), which
    // a watch scan sorts titles by before reading any whole. `second` is 0 when the name has
    // one character only, both are 0 when it has none.
    struct KeyStart {
        SjisCode first = 0;
        SjisCode second = 0;
    };
    // What the key read from a title (or from `series`, where a source gives it) starts with,
    // at a fraction of the cost of reading it: looked up character by character until two are
    // found, unless the text holds an edition or a character that depends on the one before.
    KeyStart ReadKeyStart(std::string_view title, std::string_view series = {});
    // The start of a key as Read made it.
    static KeyStart KeyStartOf(std::string_view key);

private:
    // The series key, volume, edition and line of one text, from units_.
    struct Parts {
        size_t keyEnd = 0;  // the key is made of units_[0, keyEnd)
        int volume = 0;
        std::string edition;
        std::string line;
    };
    void ReadParts(std::string_view text, Parts& parts);
    void TakeOutEditions(Parts& parts);
    void AppendKey(size_t end, std::string& key) const;
    KeyStart KeyStartOfUnits() const;
    std::optional<KeyStart> QuickKeyStart(std::string_view text) const;

    const TitleNormaliser& normaliser_;
    const SeriesTitleWords& words_;
    std::vector<SjisCode> units_;
    std::vector<SjisCode> kept_;
    std::vector<std::pair<size_t, size_t>> removed_;
    Parts parts_;
    Parts seriesParts_;
};

// One title read by a reader of its own, for a caller that reads a few.
SeriesTitle ReadSeriesTitle(std::string_view title, std::string_view series = {},
                            std::string_view volume = {});

}  // namespace yomida
