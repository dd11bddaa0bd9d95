#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace yomida {

// The one rule that turns a text into items: items are separated by commas or by characters of
// code 0x20 or less, an item in double quotes may hold anything (a doubled quote stands for
// one), two commas in a row give an empty item and so does a comma at the very end. A NUL byte
// ends the text.
void SplitCommaText(std::string_view text, std::vector<std::string>& items);
std::vector<std::string> SplitCommaText(std::string_view text);
// The same split with a half-width space an ordinary character of an item, as the fields of a
// data line are read: the items are appended to `packed` with `separator` between them. Returns
// how many items there were.
size_t SplitFieldsInto(std::string_view text, char separator, std::string& packed);
// Where field `index` of a data line starts and ends, its quotes included, as SplitFieldsInto
// reads the line; nothing when the line has fewer fields.
std::optional<std::pair<size_t, size_t>> FieldSpan(std::string_view text, size_t index);

// Appends `item` in double quotes with every quote inside it doubled, so that the split gives
// it back whole whatever it holds but a NUL byte.
void AppendQuoted(std::string_view item, std::string& out);

// A data file's update stamp as the first item of its header line, comma included: in quotes, a
// quote doubled and NUL bytes dropped, so that the line reads back with the stamp whole and
// every caption in its place.
std::string StampPrefix(std::string_view stamp);

}  // namespace yomida
