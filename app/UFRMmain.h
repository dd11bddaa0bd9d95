#pragma once

#include <filesystem>

#include "app/ComboGrid.h"
#include "app/Controls.h"
#include "app/SearchFilter.h"
#include "platform/Clock.h"
#include "platform/Ui.h"
#include "text/Scrambler.h"

namespace yomida {

// The main window's logic. The filter controls come from SearchFilter, so every named control
// is a member of the window as the handlers expect.
class TFRMmain : public SearchFilter {
public:
    TFRMmain(Ui& ui, Scrambler& scrambler, const Clock& clock);

    ComboGrid ComboGrid1;
    StatusBar StBar;  // 0: category and progress, 1: record count, 2: ON or OFF

    // Path of the data file of the selected category and period.
    std::filesystem::path DataFilePath;

    // The loading phase of the display: reads the data file, filters it into the grid and
    // shows the count. Throws IoError when the file cannot be read; the rows placed so far stay.
    void LoadReleaseList();

    // Leaf icons for the target period. The category tree is not built yet, so there is
    // nothing to refresh.
    void RefreshCategoryIcons() {}
    // Orders rows 1 to n by the chosen order. No order box exists yet, so the rows keep file
    // order.
    void CmbSortChange() {}

private:
    void ReadLinesIntoGrid(class TextFileReader& file, int& widest);

    Ui& ui_;
    Scrambler& scrambler_;
};

}  // namespace yomida
