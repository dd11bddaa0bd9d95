#include "engine/Updater.h"

#include "platform/ScopeExit.h"

namespace yomida {

void Updater::UseSettings(const SettingsRecord& settings) {
    hosts_.Override(settings.hosts);
    sources_ = SourceOverrides(settings.sources);
}

Result<void, ResolveFailure> Updater::ResolveSource(SourceQuery query,
                                                    const FetchContext& probeContext,
                                                    SourceLocation& location) {
    query.hosts = &hosts_;
    query.sources = &sources_;
    const BookTownProbe probe = [this, &probeContext]() -> std::optional<std::string> {
        Result<std::string> infix =
            fetcher_.ProbeBookTownMonth(probeContext, hosts_.Host(SourceSite::BookTown));
        if (!infix) {
            return std::nullopt;
        }
        return std::move(infix).Value();
    };
    if (!yomida::ResolveCategorySource(query, probe, location.dataFile, location.sourceUrl)) {
        return Failure<ResolveFailure>{ResolveFailure::kProbeRefused, {}};
    }
    return {};
}

StepResult Updater::CheckForUpdate(const FetchContext& context) {
    return Watched(context, HealthStep::UpdateCheck,
                   [&] { return fetcher_.CheckForUpdate(context); });
}

StepResult Updater::FetchAndConvert(const FetchContext& context) {
    return Watched(context, HealthStep::Fetch, [&] { return fetcher_.FetchSource(context); });
}

StepResult Updater::Import(const FetchContext& context, const std::filesystem::path& file) {
    return Watched(context, HealthStep::Import, [&] { return fetcher_.ImportFile(context, file); });
}

StepResult Updater::Watched(const FetchContext& context, HealthStep step,
                            const std::function<FetchResult()>& work) {
    HealthWatch watch(context, step, clock_);
    lastHealthError_.clear();
    // A step that throws leaves why its record could not be written all the same.
    const ScopeExit keep([&] { lastHealthError_ = watch.RecordError(); });
    StepResult result{watch.Run(work), {}, {}};
    result.health = watch.Recorded();
    result.healthError = watch.RecordError();
    return result;
}

}  // namespace yomida
