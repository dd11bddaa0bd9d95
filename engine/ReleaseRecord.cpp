#include "engine/ReleaseRecord.h"

#include "sources/RecordLayout.h"
#include "text/SjisLiteral.h"

namespace yomida {

bool StoredFlagTicked(std::string_view flag) {
    return flag == "1" || flag == "１"_sj;
}

std::string_view StoredFlag(bool ticked) {
    return ticked ? "1" : "0";
}

const std::string& TickGlyph(bool ticked) {
    return ticked ? "■"_sj : "□"_sj;
}

std::string_view ShownCell(const ComboGrid& grid, int col, int row) {
    if (col == kCheckCol && row >= 0 && row < grid.RowCount() && grid.HasTick(row)) {
        return TickGlyph(grid.Ticked(row));
    }
    return grid.Cell(col, row);
}

}  // namespace yomida
