#pragma once

#include <chrono>
#include <string>

#include "settings/SettingsRecord.h"

namespace yomida {

// The period the window shows is a month for every list but the weekly one, which counts weeks.
bool IsWeeklyCategory(int category);

// A month on or back, keeping the day where the month has it: 2003/03/31 back one is 2003/02/28.
std::chrono::year_month_day StepMonth(std::chrono::year_month_day date, bool next);

// The target period field's text: "2003年05月", or the weekly list's days, "05/03-05/09". CP932.
std::string TargetPeriodText(int category, std::chrono::year_month_day date, int week,
                             const SettingsRecord& settings);

}  // namespace yomida
