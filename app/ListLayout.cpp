#include "app/ListLayout.h"

#include "sources/RecordLayout.h"
#include "text/Sjis.h"

namespace yomida {

void ShowListLayout(const SettingsRecord& settings, ReleaseList& list) {
    ComboGrid& grid = list.ComboGrid1;
    static_assert(kStoredColumnCount == kRecordColumns, "a width is kept for every column");
    for (size_t c = 0; c < kStoredColumnCount; ++c) {
        grid.SetColWidth(static_cast<int>(c), settings.columnWidths[c]);
    }
    grid.SetEighthColWidth(grid.ColWidth(kCodeCol));
    const int sort = settings.sortOrder;
    list.CmbSort.itemIndex =
        sort >= 0 && sort < static_cast<int>(list.CmbSort.items.size()) ? sort : -1;
    for (int box = 1; box <= 3; ++box) {
        std::vector<std::string>& history = list.Filter.SearchBox(box).items;
        history.clear();
        for (const std::string& value : settings.histories[static_cast<size_t>(box - 1)]) {
            const std::string_view entry = TrimControls(value);
            if (!entry.empty()) {
                history.emplace_back(entry);
            }
        }
    }
}

void KeepListLayout(const ReleaseList& list, SettingsRecord& settings) {
    const ComboGrid& grid = list.ComboGrid1;
    const SettingsRecord defaults;
    for (int c = 0; c < kCodeCol; ++c) {
        settings.columnWidths[static_cast<size_t>(c)] =
            c < grid.ColCount() ? grid.ColWidth(c) : defaults.columnWidths[static_cast<size_t>(c)];
    }
    settings.columnWidths[kCodeCol] = grid.EighthColWidth();
    settings.sortOrder = list.CmbSort.itemIndex;
    const SearchFilter& f = list.Filter;
    const std::array<const ComboBox*, 3> boxes{&f.CmbSrch1, &f.CmbSrch2, &f.CmbSrch3};
    for (size_t box = 0; box < boxes.size(); ++box) {
        const std::vector<std::string>& history = boxes[box]->items;
        std::array<std::string, kHistoryLength>& stored = settings.histories[box];
        for (size_t n = 0; n < kHistoryLength; ++n) {
            stored[n] = n < history.size() ? history[n] : std::string();
        }
    }
}

}  // namespace yomida
