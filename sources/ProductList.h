#pragma once

#include <filesystem>

#include "sources/ConverterContext.h"

namespace yomida {

// Converts a saved product-list page (UTF-8 HTML) through its marker page, read from the file a
// piece at a time, and writes one record per priced entry. The header line is counted, so the
// first record is number 1.
bool ConvertProductListPage(const std::filesystem::path& page, RecordWriter& out);

// Walks a marker page and writes one record per priced entry, as ConvertProductListPage does;
// for pages that carry their marker tags themselves.
bool ExtractProductList(ConverterContext& context);

}  // namespace yomida
