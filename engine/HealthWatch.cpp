#include "engine/HealthWatch.h"

#include <system_error>

#include "platform/Cp932.h"
#include "sources/Catalogue.h"
#include "sources/DataFileName.h"
#include "text/Messages.h"
#include "text/Numbers.h"
#include "text/ScrambledFile.h"
#include "text/Sjis.h"

namespace yomida {
namespace {

// The status of the header's first line, the first word after the version; 0 without one.
int StatusOf(const std::string& header) {
    const std::string_view line = std::string_view(header).substr(0, header.find('\n'));
    const size_t blank = line.find(' ');
    const size_t code = line.find_first_not_of(' ', blank);
    if (blank == std::string_view::npos || code == std::string_view::npos) {
        return 0;
    }
    return TryStrToInt(line.substr(code, line.find(' ', code) - code)).value_or(0);
}

int CountOf(const std::optional<std::vector<std::string>>& records) {
    return records ? static_cast<int>(records->size()) : -1;
}

}  // namespace

HealthWatch::HealthWatch(const FetchContext& context, HealthStep step, const Clock& clock)
    : context_(context), step_(step), clock_(clock) {
    before_ = StateOf(context_.dataFile);
}

std::optional<std::vector<std::string>> HealthWatch::ReadRecords(
    const std::filesystem::path& file) {
    std::error_code ec;
    if (file.empty() || !std::filesystem::is_regular_file(file, ec)) {
        return std::nullopt;
    }
    try {
        ScrambledReader in(file);
        std::vector<std::string> records;
        std::string line;
        bool header = true;
        while (in.ReadLine(line)) {
            if (!header) {
                records.push_back(line);
            }
            header = false;
        }
        return records;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::filesystem::path HealthWatch::PreviousPeriodFile(const std::filesystem::path& dataFile,
                                                      int category) {
    const std::optional<DataFileName> name = DataFileName::Parse(dataFile.filename().string());
    if (!name || name->Category().number != category) {
        return {};
    }
    const std::optional<DataFileName> previous = name->Previous();
    return previous ? dataFile.parent_path() / previous->Text() : std::filesystem::path();
}

HealthWatch::ListState HealthWatch::StateOf(const std::filesystem::path& file) {
    ListState state;
    state.records = ReadRecords(file);
    std::error_code ec;
    state.written = std::filesystem::last_write_time(file, ec);
    return state;
}

FetchResult HealthWatch::Run(const std::function<FetchResult()>& step) {
    CategoryHealth row;
    row.category = context_.category;
    row.list = context_.dataFile.filename().string();
    row.lastAttempt = clock_.Now();
    FetchResult result;
    try {
        result = step();
    } catch (const std::exception& e) {
        row.outcome = HealthOutcome::ConversionError;
        row.detail = Utf8ToCp932(e.what());  // the record keeps CP932 like the file
        Record(std::move(row));
        throw;
    }
    if (Conclude(result, row)) {
        Record(std::move(row));
    }
    return result;
}

bool HealthWatch::Conclude(const FetchResult& result, CategoryHealth& row) const {
    const bool ranToEnd = result.ranToEnd;
    const bool cancelled = result.Cancelled();
    if (!result.requestError.empty()) {
        row.detail = result.requestError;
        row.outcome = cancelled ? HealthOutcome::Cancelled
                      : result.requestOutcome == HttpOutcome::kCertificateError
                          ? HealthOutcome::CertificateError
                          : HealthOutcome::TransportError;
        return true;
    }
    const std::string& header = result.responseHeader;
    const bool requested = !header.empty();
    const int status = requested ? StatusOf(header) : 0;
    if (requested && (status < 200 || status > 299)) {
        row.outcome = HealthOutcome::HttpStatus;
        row.httpStatus = status;
        row.detail = Trimmed(header.substr(0, header.find('\n')));
        return true;
    }
    const std::filesystem::path previous = PreviousPeriodFile(context_.dataFile, context_.category);
    if (step_ == HealthStep::UpdateCheck) {
        if (!requested || ranToEnd) {
            return false;
        }
        row.outcome = HealthOutcome::Unchanged;
        row.lastSuccess = row.lastAttempt;
        row.count = CountOf(before_.records);
        row.previousCount = CountOf(ReadRecords(previous));
        return true;
    }
    if (!ranToEnd) {
        // The converter stopped with its own message, or the page it was given was gone.
        row.outcome = cancelled ? HealthOutcome::Cancelled : HealthOutcome::ConversionError;
        return true;
    }
    if (!result.conversionStarted) {
        row.outcome = HealthOutcome::Cancelled;  // the import by hand was declined or closed
        return true;
    }
    const ListState after = StateOf(context_.dataFile);
    const bool replaced =
        after.records && (after.written != before_.written || after.records != before_.records);
    row.previousCount = CountOf(ReadRecords(previous));
    if (!replaced) {
        // The converter keeps the old list when the page held no record.
        row.outcome = HealthOutcome::NoRecords;
        row.count = 0;
        return true;
    }
    row.outcome = after.records == before_.records ? HealthOutcome::Unchanged
                  : requested                      ? HealthOutcome::Updated
                                                   : HealthOutcome::Imported;
    row.lastSuccess = row.lastAttempt;
    row.count = CountOf(after.records);
    return true;
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
