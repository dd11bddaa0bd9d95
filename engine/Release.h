#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "sources/RecordLayout.h"

namespace yomida {

// One release of a list, as loading reads it from its data file: its fields in the order of the
// record layout (number, flag, publisher, day, title, author, price, code, and any further field
// a line holds), the tick as a bool, and the line of the file it came from. Texts are CP932, as
// the list shows them: widths normalised, spaces half-width, no blanks at either end. The header
// line of a list is read into a Release too, its captions as fields.
class Release {
public:
    // The fields are kept in one string, joined by this byte, which no field holds: one
    // allocation a release instead of one a field.
    static constexpr char kSeparator = '\0';

    // Reads a data file's line, widths normalised, into fields; spaces stay inside fields.
    // Returns the number of fields.
    size_t Read(std::string_view normalisedLine, size_t storedLine);

    std::string_view Number() const { return Field(kNumberCol); }
    std::string_view Publisher() const { return Field(kPublisherCol); }
    // A day of the month, 上, 中 or 下, or empty.
    std::string_view Day() const { return Field(kDateCol); }
    std::string_view Title() const { return Field(kTitleCol); }
    std::string_view Author() const { return Field(kAuthorCol); }
    std::string_view Price() const { return Field(kPriceCol); }
    // The ISBN or model number, when the list has one.
    std::string_view Code() const { return Field(kCodeCol); }

    // The text of any column, as the list shows it; the check column holds none (Ticked() says
    // what its flag says).
    std::string_view Field(int column) const;
    // The same without its blanks trimmed, as a search compares it.
    std::string_view RawField(int column) const;
    void SetField(int column, std::string_view text);
    int FieldCount() const { return fields_; }

    // A release read from a file carries a tick, on or off; one made in memory carries none
    // until it is set.
    bool HasTick() const { return tick_ != Tick::None; }
    bool Ticked() const { return tick_ == Tick::On; }
    void SetTicked(bool ticked) { tick_ = ticked ? Tick::On : Tick::Off; }
    // The flag its line held when it was read or last saved.
    bool TickedInFile() const { return tickedInFile_; }
    void SetTickedInFile(bool ticked) { tickedInFile_ = ticked; }

    // The line of the data file it was read from, 0 for the first line.
    size_t StoredLine() const { return storedLine_; }
    // What identifies the release across versions of its list, whose numbers a new download
    // changes: publisher, title, author and day.
    std::string Identity() const;

    // The fields joined by kSeparator, for code that reads or moves them whole.
    const std::string& Packed() const { return packed_; }
    void Clear();

private:
    enum class Tick : unsigned char { None, Off, On };

    std::string packed_;
    int fields_ = 0;
    Tick tick_ = Tick::None;
    bool tickedInFile_ = false;
    size_t storedLine_ = 0;
};

// A list as loading reads it: the header line's captions and the releases in the order shown.
struct ReleaseTable {
    Release header;
    std::vector<Release> rows;
    int columns = 0;  // the most fields any line read had, the header's included
};

// A stored check flag: "1" is ticked, and so is the full-width "１" that shows as "1".
bool StoredFlagTicked(std::string_view flag);
// The flag a check save writes.
std::string_view StoredFlag(bool ticked);
// The glyph a tick is drawn as, CP932: "■" ticked, "□" not.
const std::string& TickGlyph(bool ticked);
// A column of a release as a list draws it: the check column shows the tick's glyph.
std::string_view ShownField(const Release& release, int column);

// The text of one column of the ticked releases, at most `most` of them, in the order shown.
std::vector<std::string_view> TickedFields(const std::vector<Release>& rows, int column,
                                           size_t most);

}  // namespace yomida
