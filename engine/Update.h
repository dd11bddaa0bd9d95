#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Notifier.h"
#include "platform/Clock.h"
#include "platform/TcpSocket.h"
#include "platform/Ui.h"
#include "settings/SettingsRecord.h"

namespace yomida {

// What bringing one category's list up to date came to.
enum class UpdateOutcome {
    Updated,            // a new list is stored
    Unchanged,          // the page has not changed since the stored list
    NoRecords,          // the page held no release; the stored list is kept
    NotServed,          // the source has no page for the period (or the probe said why not)
    HttpStatus,         // the server answered with an error status
    Cancelled,          // the caller stopped it
    TransportError,     // the request failed on the way
    CertificateError,   // the server's certificate did not verify
    ConversionError,    // the page could not be turned into a list, or the list not stored
    NeedsManualImport,  // the category is imported by hand; nothing was fetched
};

// "updated", "no-records" and the like, as the command line prints them.
std::string_view UpdateOutcomeWord(UpdateOutcome outcome);

struct UpdateRequest {
    int category = 0;
    std::chrono::year_month_day target{};  // a day of the month to fetch
    // The weekly category's week; left out, the week the settings' numbering gives `target`.
    std::optional<int> weekNumber;
    // The data folder, [HOSTS], [SOURCES], LISTID, the week numbering and the proxy.
    SettingsRecord settings;
    // Whether the category is downloaded by the program; left out, as the settings' switch
    // says.
    std::optional<bool> direct;
    bool force = false;  // download even when the update check finds the page unchanged
    int timeOutMs = 60000;
    // Asked while waiting on the network; true stops the request.
    std::function<bool()> cancelled;
    // The status texts a window would show (CP932).
    std::function<void(const std::string&)> progress;
};

struct [[nodiscard]] UpdateResult {
    UpdateOutcome outcome = UpdateOutcome::ConversionError;
    std::filesystem::path dataFile;
    bool hadList = false;     // a list was stored before
    bool downloaded = false;  // the page was asked for (not only whether it changed)
    std::string stamp;        // the stored list's update stamp afterwards (CP932)
    int records = -1;         // of the stored list afterwards; -1 without one
    int httpStatus = 0;       // with HttpStatus
    std::string detail;       // the error's own text (CP932), or empty
    std::string healthError;  // why the health record could not be written (UTF-8), or empty

    bool Succeeded() const {
        return outcome == UpdateOutcome::Updated || outcome == UpdateOutcome::Unchanged;
    }
};

// Brings one category's list for one period up to date as the window does: resolves the
// source (the month probe included), asks whether the page changed when a list is stored,
// downloads and converts it, and records the source's health. Questions go to `ui` and are
// taken as declined by an unattended one. Never throws for a failure of the source or the
// disk: the result says what happened and the stored list is left whole.
[[nodiscard]] UpdateResult Update(const UpdateRequest& request, Ui& ui, const Clock& clock,
                                  TcpConnector& connector);

// One category and period of a run of updates, with what came of it.
struct CategoryUpdate {
    int category = 0;
    std::string period;  // "2026-12", or the week number of the weekly list
    UpdateResult result;
};

// What a run of updates found, for those who tell the user afterwards.
struct UpdateSummary {
    std::vector<CategoryUpdate> categories;
    size_t newMatches = 0;
    std::vector<NewsTitle> newTitles;  // of the new watch matches, in watch order
    size_t changes = 0;                // watched titles postponed or withdrawn
};

}  // namespace yomida
