#pragma once

#include <string>
#include <string_view>

#include "sources/ConverterContext.h"

namespace yomida {

// A saved product-list page (UTF-8 HTML) as a marker page (CP932), where every field of interest
// starts its own line behind a 【QZ…】 tag; lines end in CR LF.
std::string BuildMarkerPage(std::string_view utf8Page);
// The marker page text of a page whose lines are already joined by CR LF.
std::string MarkerPageText(std::string_view utf8Page);

// Walks a marker page and writes one record per priced entry. The header line is counted, so
// the first record is number 1.
bool ExtractProductList(ConverterContext& context);

}  // namespace yomida
