#include "cli/WatchCommands.h"

#include <filesystem>
#include <optional>
#include <ostream>

#include "cli/CliArgs.h"
#include "engine/SeriesFollowing.h"
#include "engine/WatchChanges.h"
#include "engine/WatchFeeds.h"
#include "engine/WatchMemory.h"
#include "engine/WatchScan.h"
#include "engine/WatchService.h"
#include "platform/Clock.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/IoError.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsRecord.h"
#include "text/Messages.h"

namespace yomida::cli {

namespace {

// The settings file's watch words, or the command line's, which replace all three together.
WatchWords WordsOf(ParsedArgs& p, const SettingsRecord& settings) {
    if (p.Has("publisher") || p.Has("title") || p.Has("author")) {
        return {Utf8ToCp932(p.values["publisher"]), Utf8ToCp932(p.values["title"]),
                Utf8ToCp932(p.values["author"])};
    }
    return WatchPlace::Of(settings).words;
}

int PrintChanges(const std::vector<WatchChange>& changes, std::ostream& out) {
    for (const WatchChange& c : changes) {
        // A withdrawn title has no later period; its field stays, empty, so every line has the
        // same columns.
        out << Cp932ToUtf8(WatchChangeKindText(c.kind) + '\t' + c.fromPeriod + '\t' + c.toPeriod +
                           '\t' + std::to_string(c.category) + '\t' + c.publisher + '\t' + c.title +
                           '\t' + c.author)
            << '\n';
    }
    return changes.empty() ? kExitFailure : kExitOk;
}

// What this run reports: the watch matches, or with --next the next volumes of the followed
// series, each only as that, so a --new run remembers only what it printed and leaves the other
// kind's news to its own runs. `from` gets where each came from among the matches.
std::vector<WatchMatch> ReportedMatches(const std::vector<WatchMatch>& matches, bool next,
                                        std::vector<size_t>& from) {
    std::vector<WatchMatch> reported;
    for (size_t i = 0; i < matches.size(); ++i) {
        if (next ? !matches[i].isNext : !matches[i].watched) {
            continue;
        }
        WatchMatch m = matches[i];
        m.watched = !next;
        m.isNext = next;
        reported.push_back(std::move(m));
        from.push_back(i);
    }
    return reported;
}

int PrintMatches(const std::vector<WatchMatch>& matches, bool onlyNew, std::ostream& out) {
    size_t printed = 0;
    std::string line;
    for (const WatchMatch& m : matches) {
        if (onlyNew && !m.isNew) {
            continue;
        }
        line = m.dateText + '\t' + std::to_string(m.category) + '\t' + m.fileName;
        for (const std::string& cell : m.cells) {
            line += '\t';
            line += cell;
        }
        out << Cp932ToUtf8(line) << '\n';
        ++printed;
    }
    return printed > 0 ? kExitOk : kExitFailure;
}

// The followed series of the folder; one that cannot be read is said and left out.
std::vector<FollowedSeries> FollowedSeriesIn(const std::filesystem::path& folder,
                                             std::ostream& err) {
    std::string error;
    std::vector<FollowedSeries> followed = FollowedSeriesOf(folder, error);
    if (!error.empty()) {
        err << "yomida-cli: " << error << '\n';
    }
    return followed;
}

// The subscribed files follow every scan of the watch list, and series.txt the next volumes it
// found; a one-off search with words of its own leaves them alone. Failing to rewrite them does
// not change what the scan found, so the exit status stays the scan's.
void KeepWatchFiles(const std::filesystem::path& folder, const std::vector<WatchMatch>& matches,
                    const SettingsRecord& settings, std::ostream& err) {
    try {
        WriteWatchFeeds(folder, matches,
                        CurrentWatchFeedOptions(SystemClock(), settings.scheduleAlarm));
    } catch (const IoError& e) {
        err << "yomida-cli: " << e.what() << '\n';
    }
    try {
        RecordNextVolumes(folder, matches);
    } catch (const IoError& e) {
        err << "yomida-cli: " << e.what() << '\n';
    }
}

}  // namespace

int Watch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedArgs p = ParseArgs(args, 1, {"publisher", "title", "author", "settings"},
                             {"new", "changes", "next"});
    if (p.positional.size() != 1) {
        throw UsageError("watch takes one DATAFOLDER");
    }
    const std::filesystem::path folder = p.positional[0];
    if (!DirectoryExists(folder)) {
        throw UsageError("watch cannot read the folder " + folder.string());
    }
    // The words of the settings file named, or else of the program's own, when it has one.
    SettingsRecord settings;
    if (p.Has("settings") && !FileExists(p.values["settings"])) {
        throw UsageError("watch cannot read the settings file " + p.values["settings"]);
    }
    const std::optional<std::filesystem::path> settingsFile = SettingsFileOption(p, err);
    if (settingsFile && FileExists(*settingsFile)) {
        ReadSettingsFile(*settingsFile, settings);
    }
    const WatchWords words = WordsOf(p, settings);
    const bool ownWords = p.Has("publisher") || p.Has("title") || p.Has("author");
    if (p.flags["changes"] && (p.flags["new"] || p.flags["next"])) {
        throw UsageError("watch takes --changes alone, not with --new or --next");
    }
    const WeekNumbering weeks = settings.Weeks();
    const std::vector<WatchFile> files = FindWatchFiles(folder, weeks);
    WatchScanResult result = ScanWatchFiles(files, words, FollowedSeriesIn(folder, err));
    if (result.filesSkipped > 0) {
        err << "yomida-cli: " << MsgUtf8(Msg::UnreadableDataFiles) << result.filesSkipped
            << MsgUtf8(Msg::Items) << '\n';
    }
    if (p.flags["changes"]) {
        return PrintChanges(FindWatchChanges(files, result.matches, words), out);
    }
    const bool onlyNew = p.flags["new"];
    std::vector<size_t> from;
    std::vector<WatchMatch> reported = ReportedMatches(result.matches, p.flags["next"], from);
    if (onlyNew) {
        WatchMemory memory(folder / WatchMemory::kCommandLineFile);
        memory.MarkNewAndRemember(reported);
        // The feed takes in what this run told as new.
        for (size_t i = 0; i < reported.size(); ++i) {
            result.matches[from[i]].isNew = reported[i].isNew;
        }
    }
    if (!ownWords) {
        KeepWatchFiles(folder, result.matches, settings, err);
    }
    return PrintMatches(reported, onlyNew, out);
}

}  // namespace yomida::cli
