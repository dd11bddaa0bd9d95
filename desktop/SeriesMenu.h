#pragma once

#include "app/MainWindowLogic.h"
#include "desktop/SearchPanel.h"

class QMenu;
class QWidget;

namespace yomida::qt {

// Adds 編集 › シリーズを追う to `edit` (the ticked rows of the grid, or the current row) and
// 表示 › シリーズ to `view` (the window of followed series, made on first use beside `window`),
// and connects them to the series' logic. `handle` runs a handler as the main window runs every
// other: the widgets' state pulled into the logic first, a failure shown, the result pushed.
void AddSeriesActions(MainWindowLogic& form, QWidget& window, const Handler& handle, QMenu* edit,
                      QMenu* view);

}  // namespace yomida::qt
