#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "sources/ConverterContext.h"

namespace yomida {

// Writes a saved product-list page (UTF-8 HTML) as a marker page (CP932) into `processed`, where
// every field of interest starts its own line behind a 【QZ…】 tag.
void BuildMarkerPage(const std::filesystem::path& page, TextFileWriter& processed);
// The marker page text of a page's text, for callers that hold the page in memory.
std::string MarkerPageText(std::string_view utf8Page);

// Walks a marker page and writes one record per priced entry. The header line is counted, so
// the first record is number 1.
bool ExtractProductList(ConverterContext& context);

}  // namespace yomida
