#pragma once

#include <filesystem>

#include "sources/ConverterContext.h"

namespace yomida {

// Writes an HTML page into `processed` with each table row as one line of comma-ended cells.
void JoinTableRows(const std::filesystem::path& page, TextFileWriter& processed);

// 本やタウン new-book rows: two publisher columns joined, "旬" dropped from dates, ISBN.
bool ConvertBookTownRows(ConverterContext& context);

// まんがの森 rows: publisher rows ahead of their entries; a page of another month stops the
// conversion with a message.
bool ConvertMangaNoMoriRows(ConverterContext& context);

}  // namespace yomida
