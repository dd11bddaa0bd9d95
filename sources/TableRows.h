#pragma once

#include <string>
#include <string_view>

#include "sources/ConverterContext.h"

namespace yomida {

// An HTML page with each table row as one line of comma-ended cells, every line ended by CR LF.
std::string JoinTableRows(std::string_view page);

// 本やタウン new-book rows: two publisher columns joined, "旬" dropped from dates, ISBN.
bool ConvertBookTownRows(ConverterContext& context);

// まんがの森 rows: publisher rows ahead of their entries; a page of another month stops the
// conversion with a message.
bool ConvertMangaNoMoriRows(ConverterContext& context);

}  // namespace yomida
