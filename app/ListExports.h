#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "app/Controls.h"
#include "app/ReleaseList.h"
#include "engine/WatchScan.h"
#include "platform/Clock.h"
#include "platform/Ui.h"

namespace yomida {

// The exports of the list shown, each after its save dialog, which starts in the folder of the
// last CSV export (`csvFolder`, CP932). Warnings go to the user; texts are CP932.
class ListExports {
public:
    ListExports(Ui& ui, const Clock& clock) : ui_(ui), clock_(clock) {}

    // 検索結果をCSVで出力: the folder chosen becomes the next dialog's.
    void SaveCsv(ReleaseList& list, std::chrono::year_month month, std::string& csvFolder);
    // カレンダーに出力: the ticked rows (every row when none is ticked) of the list `dataFile`
    // holds; `status` tells how many went out.
    void SaveCalendar(const ReleaseList& list, const std::filesystem::path& dataFile,
                      const WeekNumbering& weeks, const std::string& csvFolder,
                      StatusPanel& status);

private:
    std::optional<std::filesystem::path> Choose(const std::string& filter, const char* extension,
                                                const std::string& csvFolder);

    Ui& ui_;
    const Clock& clock_;
};

}  // namespace yomida
