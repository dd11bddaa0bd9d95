#pragma once

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/ReleaseList.h"
#include "support/ScriptedUi.h"

namespace yomida::bench {

// A data file of 100,000 records, about 10 MB, written as the converters write it; made once
// per run in a temporary folder.
const std::filesystem::path& BigDataFile();

// The release list over the big data file.
struct BigList {
    ScriptedUi ui;
    SystemClock clock;
    ReleaseList list{ui, clock};

    void Load() { list.Load(BigDataFile(), list.Filter.Submit()); }
};

// A new empty folder in the temporary folder.
std::filesystem::path NewTempFolder();

// Times the conversion of `page` for a category (target month May 2003), the writing of the
// page file left out.
void RunConvert(benchmark::State& state, int category, const std::string& page);

// Runs a program from an argument list, its output thrown away; true when it exits 0.
bool RunToNull(const std::vector<std::string>& args);

}  // namespace yomida::bench
