#pragma once

#include <string>
#include <string_view>

#include "engine/ComboGrid.h"

namespace yomida {

// A record's tick is a bool everywhere but at these edges: the flag stored in a data file and
// the glyph the grid draws.

// A stored check flag: "1" is ticked, and so is the full-width "１" that shows as "1".
bool StoredFlagTicked(std::string_view flag);
// The flag a check save writes.
std::string_view StoredFlag(bool ticked);

// The glyph a tick is drawn as, CP932: "■" ticked, "□" not.
const std::string& TickGlyph(bool ticked);
// A cell as the grid draws it: a row that carries a tick shows its glyph in the check column.
std::string_view ShownCell(const ComboGrid& grid, int col, int row);

}  // namespace yomida
