#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/ComboGrid.h"
#include "app/Controls.h"
#include "engine/Release.h"
#include "platform/Ui.h"
#include "settings/SettingsRecord.h"

namespace yomida {

// A followed series as the window of followed series shows it. Texts are CP932.
struct SeriesListRow {
    std::string key;
    std::string title;     // the title it was followed from
    std::string last;      // "34巻", empty when no volume is known
    std::string lastDate;  // "2026/12/05", empty when not known
    std::string next;      // "35巻" once the watch scan has found a dated next volume
    std::string nextDate;
    std::string nextCategory;  // the name the tree gives the category
};

// The series commands of the main window: 編集 › シリーズを追う, which follows the series of the
// ticked rows (or of the current row when none is ticked), and the list of followed series
// behind 表示 › シリーズ with its 追うのをやめる. What came of a command goes to the status bar;
// what went wrong to a message box.
class SeriesActions {
public:
    SeriesActions(Ui& ui, const SettingsRecord& settings, StatusPanel& status);

    // The rows a follow takes: the ticked ones, or else the current one; none on an empty list.
    static std::vector<Release> RowsToFollow(const ComboGrid& grid);
    // Follows the series of those rows of the list of `dataFile` (the list shown), each from the
    // row's own volume, date and category.
    void FollowExecute(const ComboGrid& grid, const std::filesystem::path& dataFile);

    // The followed series in the order followed; a series.txt that cannot be read is said once
    // and lists none.
    std::vector<SeriesListRow> Rows();
    // 追うのをやめる: answers whether the series was followed.
    bool UnfollowExecute(const std::string& key);

private:
    Ui& ui_;
    const SettingsRecord& settings_;
    StatusPanel& status_;
};

}  // namespace yomida
