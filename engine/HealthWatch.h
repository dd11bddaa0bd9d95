#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "download/SourceFetcher.h"
#include "engine/SourceHealth.h"
#include "platform/Clock.h"

namespace yomida {

// Which step of getting a list a health watch looks at.
enum class HealthStep {
    Fetch,        // a download or an import by hand, whichever the category takes
    Import,       // a file the user dropped on the window
    UpdateCheck,  // the request that asks whether the page changed
};

// Watches one step of getting a category's list and records in the data folder's health file
// what came of it, from the step's result and from the list before and after. The health
// record only reports: failing to write it never stops the step.
class HealthWatch {
public:
    HealthWatch(const FetchContext& context, HealthStep step, const Clock& clock);

    // Runs the step and records its outcome; passes on what the step returns or throws. An
    // update check is recorded only when it found the page unchanged or failed: a changed
    // page is recorded by the fetch that follows.
    FetchResult Run(const std::function<FetchResult()>& step);

    // The row recorded, if any, and why the health file could not be written (empty when it
    // was).
    const std::optional<CategoryHealth>& Recorded() const { return recorded_; }
    const std::string& RecordError() const { return recordError_; }

    // The records of a data file (its lines after the header line), nothing when it is absent.
    static std::optional<std::vector<std::string>> ReadRecords(const std::filesystem::path& file);
    // The category's data file for the period before that of `dataFile`: the month before, or
    // the week before for a weekly category; empty for a name the program does not write.
    static std::filesystem::path PreviousPeriodFile(const std::filesystem::path& dataFile,
                                                    int category);

private:
    struct ListState {
        std::optional<std::vector<std::string>> records;
        std::filesystem::file_time_type written{};
    };
    static ListState StateOf(const std::filesystem::path& file);
    // Works out the outcome after the step returned `result`; false when there is nothing to
    // record.
    bool Conclude(const FetchResult& result, CategoryHealth& row) const;
    void Record(CategoryHealth row);

    const FetchContext& context_;
    HealthStep step_;
    const Clock& clock_;
    ListState before_;
    std::optional<CategoryHealth> recorded_;
    std::string recordError_;
};

}  // namespace yomida
