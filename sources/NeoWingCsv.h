#pragma once

#include "sources/ConverterContext.h"

namespace yomida {

// KOSUMIRA's CSV file of NEO WING items: the items of the target month only, as an
// audio-visual release list numbered from 0.
bool ConvertNeoWingCsv(ConverterContext& context);

}  // namespace yomida
