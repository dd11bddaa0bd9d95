#include "cli/WatchCommands.h"

#include <filesystem>
#include <optional>
#include <ostream>

#include "cli/CliArgs.h"
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

}  // namespace

int Watch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ParsedArgs p =
        ParseArgs(args, 1, {"publisher", "title", "author", "settings"}, {"new", "changes"});
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
    if (p.flags["changes"] && p.flags["new"]) {
        throw UsageError("watch takes --changes or --new, not both");
    }
    const WeekNumbering weeks = settings.Weeks();
    const std::vector<WatchFile> files = FindWatchFiles(folder, weeks);
    WatchScanResult result = ScanWatchFiles(files, words);
    if (result.filesSkipped > 0) {
        err << "yomida-cli: " << MsgUtf8(Msg::UnreadableDataFiles) << result.filesSkipped
            << MsgUtf8(Msg::Items) << '\n';
    }
    if (p.flags["changes"]) {
        return PrintChanges(FindWatchChanges(files, result.matches, words), out);
    }
    const bool onlyNew = p.flags["new"];
    if (onlyNew) {
        WatchMemory memory(folder / WatchMemory::kCommandLineFile);
        memory.MarkNewAndRemember(result.matches);
    }
    // The subscribed files follow every scan of the watch list; a one-off search with words of
    // its own leaves them alone. Failing to rewrite them does not change what the scan found, so
    // the exit status stays the scan's.
    if (!ownWords) {
        try {
            WriteWatchFeeds(folder, result.matches,
                            CurrentWatchFeedOptions(SystemClock(), settings.scheduleAlarm));
        } catch (const IoError& e) {
            err << "yomida-cli: " << e.what() << '\n';
        }
    }
    return PrintMatches(result.matches, onlyNew, out);
}

}  // namespace yomida::cli
