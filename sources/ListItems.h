#pragma once

#include <string>
#include <string_view>

#include "sources/ConverterContext.h"

namespace yomida {

// A page with every line ended by CR LF, whether it ended in CR, LF or CR LF.
std::string NormaliseLineBreaks(std::string_view page);

// 太洋社 paperback list items; an item broken over several lines is joined line by line.
bool ConvertTaiyoshaBunko(ConverterContext& context);

// 太洋社 comic list items; a title split by the separator run is rejoined from its pieces.
bool ConvertTaiyoshaComic(ConverterContext& context);

// The weekly new-book list: no release date, an optional ISBN.
bool ConvertWeeklyList(ConverterContext& context);

// True when the text is a whole number: an optional sign and digits.
bool IsWholeNumber(std::string_view text);

}  // namespace yomida
