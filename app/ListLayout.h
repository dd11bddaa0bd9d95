#pragma once

#include "app/ReleaseList.h"
#include "settings/SettingsRecord.h"

namespace yomida {

// What the settings keep of the release list between runs: the grid's column widths, the order
// chosen and the search boxes' histories. Shown at the start, kept at the end.
void ShowListLayout(const SettingsRecord& settings, ReleaseList& list);
void KeepListLayout(const ReleaseList& list, SettingsRecord& settings);

}  // namespace yomida
