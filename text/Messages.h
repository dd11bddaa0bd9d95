#pragma once

#include <cstddef>
#include <string>

namespace yomida {

// Every text the program says to its user in a message box, a question, the status bar, a
// notification or the command line's output. Both faces and every layer that speaks take their
// words from here, so a text is written once; the table lives in text/ because download/,
// sources/ and settings/ speak too and cannot reach the engine. Texts that end or start in a
// space or a line break are pieces that the caller joins to a name or a number.
enum class Msg {
    // Files and folders
    FolderNotCreated,
    CannotWrite,  // "%s" stands for the file's path
    DataFileMissing,
    NoDataFile,  // the command line's form, followed by the path
    FileMissing,
    DownloadedFileMissing,
    NotFound,
    NotAnInteger,

    // Closing the window
    Closing,
    QuitWithoutSavingTicks,

    // Updating a list
    OfflineNoForcedDownload,
    AskDownload,
    DataUpdatedAskRedownload,
    FetchFailed,
    Receiving,
    HeaderFetchError,
    DataFetchError,
    DirectFetchFailedAskImport,
    Converting,
    NoReleasesOnPage,
    ShowingPreviousList,
    MonthOutOfRange,
    BadUrl,
    BookTownFormatChanged,
    CurrentDataIs,
    ChangeTargetMonth,
    CertificateUnverifiedFor,  // followed by the host and the reason
    PageShapeChanged,
    CategorySearch,  // follows the category's caption in the status bar

    // Why a download brought no list, in the user's words
    ReasonServerAnswered,  // followed by the status, its name and ReasonAnsweredEnd
    ReasonAnsweredEnd,
    ReasonNotFound,
    ReasonForbidden,
    ReasonGone,
    ReasonServerError,
    ReasonUnavailable,
    ReasonHostUnknown,
    ReasonNoConnection,
    ReasonTimedOut,
    ReasonCutOff,
    ReasonCertificate,
    ReasonTooManyRequests,  // followed by the number of requests and ReasonRequestsEnd
    ReasonRequestsEnd,
    ReasonUnreadableResponse,  // followed by what could not be read
    ReasonResponsesTooLarge,
    FetchingRequest,  // the status bar's, followed by the request's number

    // Importing a page saved in the browser
    NeedKosumiraCsv,
    BrowserPageSteps,
    PlaceKosumiraCsv,
    PlaceSavedPage,
    AskReimport,

    // Ticks
    TicksNotPlaced,  // followed by the titles, a line each

    // Exports
    NothingToExport,
    NoDatedRows,
    NoDatedRowsFor,  // the command line's form, followed by the file's path
    NothingWritten,
    CalendarStatus,
    UndatedLeftOut,
    UndatedRows,

    // Counts
    Items,

    // The watch scan
    WatchStatus,
    WatchCancelled,
    WatchNewStatus,
    WatchNewPart,
    WatchUnreadablePart,
    WatchFeedsNotWritten,
    UnreadableDataFiles,

    // Desktop notifications
    NotifyNoSessionBus,
    NotifyNoServer,
    NotifyFailed,
    NotifySummary,
    NotifyNew,
    NotifyChanged,
    NotifyAlsoChanged,
    NotifyMore,

    // The browser
    BrowserNotStarted,

    // Saved search conditions
    EnterConditionName,
    NoMoreConditions,
    ConditionNameTaken,
    ChooseConditionToReplace,
    ChooseConditionToDelete,

    // A second start of the program
    LockNotRegular,  // follows the lock file's path
    AlreadyRunning,

    // Source addresses from the settings file
    UrlNoScheme,
    UrlBadScheme,
    UrlUnknownPlaceholder,
    UrlUnusable,
    UsingBuiltInUrl,

    // Automatic updates
    NoUserManager,
    SystemctlNoAnswer,
    ExitCode,
    ScheduleNotStopped,
    ScheduleTimeNotWritten,
    ScheduleNotLoaded,
    ScheduleNotStarted,
    NoHomeFolder,

    // Source health
    HealthFileDamaged,
    LastFetchFailed,

    // Source definitions
    DefinitionsLeftOut,  // followed by the files and why, a line each

    // The command line's console
    ConsoleError,
    ConsoleWarning,
    ConsoleQuestion,

    Count  // not a message: how many there are
};

inline constexpr size_t kMsgCount = static_cast<size_t>(Msg::Count);

// The text in CP932, converted once, on the first call.
[[nodiscard]] const std::string& MsgText(Msg id);

// The same text in UTF-8, for the terminal and the window's widgets.
[[nodiscard]] const std::string& MsgUtf8(Msg id);

}  // namespace yomida
