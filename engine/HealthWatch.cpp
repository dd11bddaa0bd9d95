#include "engine/HealthWatch.h"

#include "platform/Cp932.h"
#include "sources/Catalogue.h"
#include "sources/DataFileName.h"
#include "text/DataFileRecords.h"

namespace yomida {
namespace {

int CountOf(const std::optional<std::vector<std::string>>& records) {
    return records ? static_cast<int>(records->size()) : -1;
}

}  // namespace

HealthWatch::HealthWatch(const FetchContext& context, HealthStep step, const Clock& clock)
    : context_(context), step_(step), clock_(clock) {}

std::filesystem::path HealthWatch::PreviousPeriodFile(const std::filesystem::path& dataFile,
                                                      int category) {
    const std::optional<DataFileName> name = DataFileName::Parse(dataFile.filename().string());
    if (!name || name->Category().number != category) {
        return {};
    }
    const std::optional<DataFileName> previous = name->Previous();
    return previous ? dataFile.parent_path() / previous->Text() : std::filesystem::path();
}

CategoryHealth HealthWatch::StartRow() const {
    CategoryHealth row;
    row.category = context_.category;
    row.list = context_.dataFile.filename().string();
    row.lastAttempt = started_;
    return row;
}

FetchResult HealthWatch::Run(const std::function<FetchResult()>& step) {
    started_ = clock_.Now();
    FetchResult result;
    try {
        result = step();
    } catch (const std::exception& e) {
        CategoryHealth row = StartRow();
        row.outcome = FetchOutcome::ConversionError;
        row.detail = Utf8ToCp932(e.what());  // the record keeps CP932 like the file
        Record(std::move(row));
        throw;
    }
    if (std::optional<CategoryHealth> row = RowOf(result)) {
        Record(std::move(*row));
    }
    return result;
}

void HealthWatch::RecordFailure(FetchOutcome outcome, int httpStatus, const std::string& detail) {
    started_ = clock_.Now();
    CategoryHealth row = StartRow();
    row.outcome = outcome;
    row.httpStatus = httpStatus;
    row.detail = detail;
    Record(std::move(row));
}

std::optional<CategoryHealth> HealthWatch::RowOf(const FetchResult& result) const {
    CategoryHealth row = StartRow();
    row.outcome = result.outcome;
    const auto counts = [&](int count) {
        row.count = count;
        row.previousCount =
            CountOf(ReadRecordLines(PreviousPeriodFile(context_.dataFile, context_.category)));
    };
    switch (result.outcome) {
        case FetchOutcome::NotServed:
        case FetchOutcome::ManualImport:
            return std::nullopt;
        case FetchOutcome::Updated:
        case FetchOutcome::Unchanged:
        case FetchOutcome::Imported:
            if (step_ == HealthStep::UpdateCheck && (result.ranToEnd || !result.requested)) {
                return std::nullopt;  // the fetch that follows tells, if there is one
            }
            row.lastSuccess = row.lastAttempt;
            counts(step_ == HealthStep::UpdateCheck ? CountOf(ReadRecordLines(context_.dataFile))
                                                    : result.records);
            return row;
        case FetchOutcome::NoRecords:
            counts(0);
            return row;
        case FetchOutcome::HttpStatus:
            row.httpStatus = result.httpStatus;
            [[fallthrough]];
        case FetchOutcome::TransportError:
        case FetchOutcome::CertificateError:
        case FetchOutcome::Cancelled:
        case FetchOutcome::ConversionError:
            row.detail = result.detail;
            return row;
    }
    return std::nullopt;
}

void HealthWatch::Record(CategoryHealth row) {
    recorded_ = row;
    if (context_.dataFolder.empty()) {
        return;
    }
    try {
        SourceHealth(context_.dataFolder).Record(row);
    } catch (const std::exception& e) {
        recordError_ = e.what();
    }
}

}  // namespace yomida
