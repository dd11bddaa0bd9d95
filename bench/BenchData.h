#pragma once

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "app/UFRMmain.h"
#include "platform/ScriptedUi.h"

namespace yomida::bench {

// A data file of 100,000 records, about 10 MB, written as the converters write it; made once
// per run in a temporary folder.
const std::filesystem::path& BigDataFile();

// The main window's logic with the big data file as its list, its folder as the data folder.
struct BigListWindow {
    ScriptedUi ui;
    SystemClock clock;
    Scrambler scrambler{BigDataFile().parent_path()};
    TFRMmain form{ui, scrambler, clock};

    BigListWindow() {
        form.DataFilePath = BigDataFile();
        form.Settings.dataFolder = BigDataFile().parent_path();
    }
};

// A new empty folder in the temporary folder.
std::filesystem::path NewTempFolder();

// Times the conversion of `page` for a category (target month May 2003), the writing of the
// page file left out.
void RunConvert(benchmark::State& state, int category, const std::string& page);

}  // namespace yomida::bench
