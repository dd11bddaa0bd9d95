#pragma once

#include <iosfwd>

#include "sources/Catalogue.h"

namespace yomida::cli {

struct ParsedArgs;

// `yomida-cli fetch` of a category defined as data: every request of the month (by day and page,
// a second apart), the responses converted into the data file, the previous list kept when the
// fetch fails or brings no records. Prints the data file and its record count; exit 0, or 1 on a
// failure.
int FetchDefinedCategory(const CategoryInfo& category, ParsedArgs& p, std::ostream& out,
                         std::ostream& err);

}  // namespace yomida::cli
