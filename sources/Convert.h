#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace yomida {

struct ConvertRequest {
    int category = 0;
    std::filesystem::path input;   // the page; only read
    std::filesystem::path output;  // the category's data file
    std::string stampPrefix;       // "\"stamp\"," or empty
    std::chrono::year_month_day target{};
    // A list whose records are those the data file holds leaves the file as it is, ticks,
    // stamp and all (SameList).
    bool keepSameList = false;
};

// How a conversion ended.
enum class ConvertOutcome {
    Converted,     // the data file now holds the page's list
    NoReleases,    // the page held no release; the data file is as it was
    InputMissing,  // there is no page file
    OtherPeriod,   // the page is the list of another month than the one asked for
    SameList,      // the page made the records the data file holds, which is left untouched
};

struct [[nodiscard]] ConvertResult {
    ConvertOutcome outcome = ConvertOutcome::Converted;
    int records = 0;  // release records written
    // What to tell the user (CP932), or empty: for a failure an error, for a page without
    // releases a warning.
    std::string message;

    // Whether the converter went through the page, with or without releases.
    bool RanToEnd() const {
        return outcome == ConvertOutcome::Converted || outcome == ConvertOutcome::NoReleases ||
               outcome == ConvertOutcome::SameList;
    }
};

// Turns a fetched or imported page into the category's data file: the pre-processor and
// converter of the category, every written line scrambled as the data file's folder says. The
// data file is replaced only when the conversion has written at least one counted line and did
// not fail with an error, so a broken page never destroys the list that was there; with
// keepSameList, also not when its records are the stored ones. Conversion and file errors throw.
ConvertResult Convert(const ConvertRequest& request);

// Where Convert keeps the version of a data file that its last replacement put aside
// ("comic2612.csv.prev"); no list is read from there.
std::filesystem::path PreviousVersionPath(const std::filesystem::path& dataFile);

}  // namespace yomida
