#pragma once

#include <string>

namespace yomida {

// The columns of a release record: the fields of a data line after the header, and the columns
// of the result grid that shows them.
enum RecordColumn : int {
    kNumberCol = 0,     // record number
    kCheckCol = 1,      // tick
    kPublisherCol = 2,  // publisher, or medium of an audio-visual list
    kDateCol = 3,       // day of month, 上/中/下, or empty
    kTitleCol = 4,
    kAuthorCol = 5,  // author, or artist
    kPriceCol = 6,
    kCodeCol = 7,  // ISBN or model number, when the list has one
};

// The most columns a list of any kind has: the code column is the last.
constexpr int kRecordColumns = kCodeCol + 1;

// The caption of the number column in a header line.
constexpr const char* kNumberCaption = "No";

// The kinds of list a converter writes, each with its own header line.
enum class ListKind { Books, BooksWithIsbn, AudioVisual };

// The header line's captions of a list kind, CP932.
const std::string& HeaderCaptions(ListKind kind);

}  // namespace yomida
