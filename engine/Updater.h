#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "download/SourceFetcher.h"
#include "engine/HealthWatch.h"
#include "platform/Clock.h"
#include "platform/Result.h"
#include "settings/SettingsRecord.h"
#include "sources/Catalogue.h"

namespace yomida {

// Where a category's list of one period lives and where its page comes from.
struct SourceLocation {
    std::filesystem::path dataFile;
    std::string sourceUrl;
};

// Why a source could not be resolved.
enum class ResolveFailure {
    kProbeRefused,  // the 本やタウン month probe said no, after telling the user why
};

// What one watched step came to, with the health row it recorded.
struct [[nodiscard]] StepResult {
    FetchResult fetch;
    std::optional<CategoryHealth> health;  // the row recorded, if any
    std::string healthError;               // why the health file could not be written, or empty
};

// The steps of bringing a category's list up to date, shared by the window and the unattended
// update: resolve the source (the month probe included), ask whether the page changed, fetch
// and convert it, import a file the user has. Each step records the source's health; the
// questions to the user go between the steps, where the caller wants them.
class Updater {
public:
    Updater(SourceFetcher& fetcher, const Clock& clock) : fetcher_(fetcher), clock_(clock) {}

    // Takes the settings file's hosts and URL templates.
    void UseSettings(const SettingsRecord& settings);
    const HostTable& Hosts() const { return hosts_; }
    const SourceOverrides& Sources() const { return sources_; }

    // Sets `location` for the query (the hosts and templates are the updater's own); the month
    // probe, when the category has one and the query is online, goes out with `probeContext`.
    // The data file is set even when the probe fails; the URL then keeps its value. Throws
    // ConversionError for a setting the catalogue cannot use.
    [[nodiscard]] Result<void, ResolveFailure> ResolveSource(SourceQuery query,
                                                             const FetchContext& probeContext,
                                                             SourceLocation& location);
    // Whether the page is newer than the stored list (fetch.ranToEnd).
    StepResult CheckForUpdate(const FetchContext& context);
    // Fetches or imports the page and converts it; fetch.ranToEnd false tells the display to
    // stop.
    StepResult FetchAndConvert(const FetchContext& context);
    // Converts a file the user already has.
    StepResult Import(const FetchContext& context, const std::filesystem::path& file);

    // Why the health file could not be written by a step that threw, or empty.
    const std::string& LastHealthError() const { return lastHealthError_; }

private:
    StepResult Watched(const FetchContext& context, HealthStep step,
                       const std::function<FetchResult()>& work);

    SourceFetcher& fetcher_;
    const Clock& clock_;
    HostTable hosts_;
    SourceOverrides sources_;
    std::string lastHealthError_;
};

}  // namespace yomida
