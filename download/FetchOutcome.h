#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace yomida {

// What getting a category's list came to: a fetch, an import by hand or an update check. The
// health file, `yomida-cli update`, `fetch` and `status` all speak of it in the same words.
enum class FetchOutcome {
    Updated,           // a fetched page made a new list
    Unchanged,         // the page, or the list it made, is the same as the stored one
    Imported,          // a saved page or CSV file made a new list
    NoRecords,         // a page arrived but held no release; the stored list is kept
    NotServed,         // the source has no page for the period
    HttpStatus,        // the server answered with an error status
    TransportError,    // the request failed on the way
    CertificateError,  // the server's certificate did not verify
    Cancelled,         // the user stopped it, or declined the import by hand
    ConversionError,   // the page could not be turned into a list, or the list not stored
    ManualImport,      // the category is imported by hand; nothing was fetched
};

// A new or unchanged list is stored: the source serves what the program reads.
bool Succeeded(FetchOutcome outcome);
// "updated", "no-records" and the like.
std::string_view FetchOutcomeWord(FetchOutcome outcome);
std::optional<FetchOutcome> FetchOutcomeFromWord(std::string_view word);
// The outcome in the window's words ("更新", "通信エラー"), CP932.
const std::string& FetchOutcomeText(FetchOutcome outcome);

}  // namespace yomida
