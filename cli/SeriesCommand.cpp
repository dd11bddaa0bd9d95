#include "cli/SeriesCommand.h"

#include <exception>
#include <filesystem>
#include <istream>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>

#include "cli/CliArgs.h"
#include "engine/SeriesFollowing.h"
#include "engine/SeriesStore.h"
#include "engine/SeriesTitleReader.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "settings/ProgramPaths.h"
#include "text/Messages.h"

namespace yomida::cli {
namespace {

// A number of the series file as printed: nothing for none.
std::string SeriesNumberText(int n) {
    return n > 0 ? std::to_string(n) : std::string();
}

// Titles from standard input, one a line, as tab-separated key, volume and edition.
int SeriesParse(std::istream& in, std::ostream& out) {
    SeriesTitleReader reader;
    SeriesTitle title;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        reader.ReadInto(Utf8ToCp932(line), {}, {}, title);
        out << Cp932ToUtf8(title.key) << '\t' << SeriesNumberText(title.volume) << '\t'
            << Cp932ToUtf8(title.edition) << '\n';
    }
    return kExitOk;
}

// The data folder of --data, or the window program's; nothing when it is not there (said on
// `err`), since following keeps its file among the lists it looks through.
std::optional<std::filesystem::path> SeriesDataFolder(ParsedArgs& p, std::ostream& err) {
    const std::filesystem::path folder =
        p.Has("data")
            ? std::filesystem::path(p.values["data"])
            : ResolveWindowProgramPaths(ExecutablePath(), PathEnvironment::Current()).dataFolder;
    if (!DirectoryExists(folder)) {
        err << "yomida-cli: " << folder.string() << ": no such folder\n";
        return std::nullopt;
    }
    return folder;
}

void SaySetAside(size_t lines, const SeriesStore& store, std::ostream& err) {
    if (lines > 0) {
        err << "yomida-cli: " << lines << " unreadable lines of " << store.Path().string()
            << " are kept in " << store.Path().string() << SeriesStore::kSetAsideSuffix << '\n';
    }
}

const char* OutcomeWordOf(FollowOutcome outcome) {
    switch (outcome) {
        case FollowOutcome::Followed:
            return "followed";
        case FollowOutcome::Raised:
            return "raised";
        case FollowOutcome::Unchanged:
            break;
    }
    return "unchanged";
}

int SeriesFollow(ParsedArgs& p, std::ostream& out, std::ostream& err) {
    if (p.positional.empty()) {
        throw UsageError("series follow takes one TITLE or more");
    }
    const std::optional<std::filesystem::path> folder = SeriesDataFolder(p, err);
    if (!folder) {
        return kExitFailure;
    }
    // The week numbering only dates the weekly list's records: the window's settings give it,
    // and a settings file that cannot be read is no reason not to follow.
    SettingsRecord settings;
    try {
        settings = SettingsOption(p, err).value_or(SettingsRecord{});
    } catch (const std::exception&) {
        settings = SettingsRecord{};
    }
    std::vector<std::string> titles;
    for (const std::string& title : p.positional) {
        titles.push_back(Utf8ToCp932(title));
    }
    const FollowTitlesResult result = FollowTitles(*folder, titles, settings.Weeks());
    if (result.filesSkipped > 0) {
        err << "yomida-cli: " << MsgUtf8(Msg::UnreadableDataFiles) << result.filesSkipped
            << MsgUtf8(Msg::Items) << '\n';
    }
    SaySetAside(result.setAside, SeriesStore(*folder), err);
    int status = kExitOk;
    for (size_t i = 0; i < result.titles.size(); ++i) {
        const FollowedSeries& s = result.titles[i].series;
        if (s.key.empty()) {
            err << "yomida-cli: " << p.positional[i] << ": names no series\n";
            status = kExitFailure;
            continue;
        }
        out << OutcomeWordOf(result.titles[i].outcome) << '\t' << Cp932ToUtf8(s.key) << '\t'
            << SeriesNumberText(s.volume) << '\t' << Cp932ToUtf8(s.date) << '\t'
            << SeriesNumberText(s.category) << '\n';
    }
    return status;
}

int SeriesUnfollow(ParsedArgs& p, std::ostream& out, std::ostream& err) {
    if (p.positional.empty()) {
        throw UsageError("series unfollow takes one KEY or more");
    }
    const std::optional<std::filesystem::path> folder = SeriesDataFolder(p, err);
    if (!folder) {
        return kExitFailure;
    }
    SeriesStore store(*folder);
    const SeriesStore::Contents contents = store.Read();
    const auto followed = [&contents](const std::string& key) {
        for (const FollowedSeries& s : contents.series) {
            if (s.key == key) {
                return true;
            }
        }
        return false;
    };
    // A key as `list` prints it, or else a title of the series, as `follow` takes it.
    std::vector<std::string> keys;
    for (const std::string& given : p.positional) {
        std::string key = Utf8ToCp932(given);
        if (!followed(key)) {
            if (std::string read = ReadSeriesTitle(key).key; followed(read)) {
                key = std::move(read);
            }
        }
        keys.push_back(std::move(key));
    }
    const SeriesStore::UnfollowResult result = store.Unfollow(keys);
    SaySetAside(result.setAside, store, err);
    int status = kExitOk;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (result.removed[i]) {
            out << "unfollowed\t" << Cp932ToUtf8(keys[i]) << '\n';
        } else {
            err << "yomida-cli: " << p.positional[i] << ": not followed\n";
            status = kExitFailure;
        }
    }
    return status;
}

nlohmann::ordered_json SeriesJson(const FollowedSeries& s) {
    using json = nlohmann::ordered_json;
    const auto number = [](int n) { return n > 0 ? json(n) : json(nullptr); };
    const auto text = [](const std::string& t) {
        return t.empty() ? json(nullptr) : json(Cp932ToUtf8(t));
    };
    return {{"key", Cp932ToUtf8(s.key)},      {"title", Cp932ToUtf8(s.title)},
            {"volume", number(s.volume)},     {"date", text(s.date)},
            {"category", number(s.category)}, {"nextVolume", number(s.nextVolume)},
            {"nextDate", text(s.nextDate)},   {"nextCategory", number(s.nextCategory)}};
}

int SeriesList(ParsedArgs& p, std::ostream& out, std::ostream& err) {
    if (!p.positional.empty()) {
        throw UsageError("series list takes no arguments but --data DIR and --json");
    }
    const std::optional<std::filesystem::path> folder = SeriesDataFolder(p, err);
    if (!folder) {
        return kExitFailure;
    }
    const SeriesStore store(*folder);
    const SeriesStore::Contents contents = store.Read();
    if (contents.unreadable > 0) {
        err << "yomida-cli: " << contents.unreadable << " lines of " << store.Path().string()
            << " cannot be read; the next change keeps them in " << store.Path().string()
            << SeriesStore::kSetAsideSuffix << '\n';
    }
    if (p.flags["json"]) {
        nlohmann::ordered_json series = nlohmann::ordered_json::array();
        for (const FollowedSeries& s : contents.series) {
            series.push_back(SeriesJson(s));
        }
        const nlohmann::ordered_json document = {{"dataFolder", folder->string()},
                                                 {"unreadable", contents.unreadable},
                                                 {"series", series}};
        out << document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
            << '\n';
        return kExitOk;
    }
    for (const FollowedSeries& s : contents.series) {
        out << Cp932ToUtf8(s.key) << '\t' << Cp932ToUtf8(s.title) << '\t'
            << SeriesNumberText(s.volume) << '\t' << Cp932ToUtf8(s.date) << '\t'
            << SeriesNumberText(s.nextVolume) << '\t' << Cp932ToUtf8(s.nextDate) << '\t'
            << SeriesNumberText(s.nextCategory) << '\n';
    }
    return kExitOk;
}

}  // namespace

int SeriesCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
                  std::ostream& err) {
    const std::string verb = args.size() > 1 ? args[1] : std::string();
    if (verb == "parse") {
        if (args.size() > 2) {
            throw UsageError("series parse takes no arguments: the titles come on standard input");
        }
        return SeriesParse(in, out);
    }
    if (verb != "follow" && verb != "unfollow" && verb != "list") {
        throw UsageError("series takes parse, follow, unfollow or list");
    }
    ParsedArgs p =
        ParseArgs(args, 2, {"data"},
                  verb == "list" ? std::vector<std::string>{"json"} : std::vector<std::string>{});
    if (verb == "follow") {
        return SeriesFollow(p, out, err);
    }
    if (verb == "unfollow") {
        return SeriesUnfollow(p, out, err);
    }
    return SeriesList(p, out, err);
}

}  // namespace yomida::cli
