#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/Ui.h"

namespace yomida {

struct ConvertRequest {
    int category = 0;
    std::filesystem::path input;   // the page; only read
    std::filesystem::path output;  // the category's data file
    std::string stampPrefix;       // "\"stamp\"," or empty
    std::chrono::year_month_day target{};
    // When given: set to the records written, and a page without any is left to the caller
    // to report.
    int* records = nullptr;
};

// Turns a fetched or imported page into the category's data file: the pre-processor and
// converter of the category, every written line scrambled as the data file's folder says. The
// data file is replaced only when the conversion has written at least one counted line and did
// not fail with an error, so a broken page never destroys the list that was there. Returns false
// when the input is missing or the converter stopped with a message (already shown); conversion and
// file errors throw.
[[nodiscard]] bool Convert(const ConvertRequest& request, Ui& ui);

// Where Convert keeps the version of a data file that its last replacement put aside
// ("comic2612.csv.prev"); no list is read from there.
std::filesystem::path PreviousVersionPath(const std::filesystem::path& dataFile);

}  // namespace yomida
