#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "download/SourceFetcher.h"
#include "engine/SourceHealth.h"
#include "platform/Clock.h"

namespace yomida {

// Which step of getting a list a health watch looks at.
enum class HealthStep {
    Fetch,        // a download or an import by hand, whichever the category takes
    Import,       // a file the user dropped on the window
    UpdateCheck,  // the request that asks whether the page changed
    MonthProbe,   // the request that asks which month the site shows
};

// Records in the data folder's health file what one step of getting a category's list came to,
// as the step's result says it. The health record only reports: failing to write it never
// stops the step.
class HealthWatch {
public:
    HealthWatch(const FetchContext& context, HealthStep step, const Clock& clock);

    // Runs the step and records its outcome; passes on what the step returns or throws. An
    // update check is recorded only when it found the page unchanged or failed: a changed
    // page is recorded by the fetch that follows.
    FetchResult Run(const std::function<FetchResult()>& step);
    // Records a step that ended without a result of its own (a month probe that failed).
    void RecordFailure(FetchOutcome outcome, int httpStatus, const std::string& detail);

    // The row recorded, if any, and why the health file could not be written (empty when it
    // was).
    const std::optional<CategoryHealth>& Recorded() const { return recorded_; }
    const std::string& RecordError() const { return recordError_; }

    // The category's data file for the period before that of `dataFile`: the month before, or
    // the week before for a weekly category; empty for a name the program does not write.
    static std::filesystem::path PreviousPeriodFile(const std::filesystem::path& dataFile,
                                                    int category);

private:
    CategoryHealth StartRow() const;
    // The row the step's result makes; nothing when there is nothing to record.
    std::optional<CategoryHealth> RowOf(const FetchResult& result) const;
    void Record(CategoryHealth row);

    const FetchContext& context_;
    HealthStep step_;
    const Clock& clock_;
    std::optional<std::chrono::local_seconds> started_;
    std::optional<CategoryHealth> recorded_;
    std::string recordError_;
};

}  // namespace yomida
