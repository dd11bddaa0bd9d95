#pragma once

#include <array>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "settings/ProgramPaths.h"
#include "text/Dates.h"

namespace yomida {

// One saved search condition: name, condition options, publisher, title and author words.
using SavedCondition = std::array<std::string, 5>;
constexpr size_t kSavedConditionCount = 10;
// Entries of each search box's history.
constexpr size_t kHistoryLength = 10;
// Columns whose widths the settings file keeps.
constexpr size_t kStoredColumnCount = 8;

// A number read from the settings file is held within this either way, so that no sum or
// product of a hand-edited value (a window's edge, a total of column widths) can overflow.
constexpr int kSettingNumberLimit = 1'000'000;
// The largest font size, in points, the settings take; far more than any screen can show.
constexpr int kMaxFontSize = 1000;

// Whether the program may go to the network; stored as "ON" or "OFF".
enum class OnlineMode { Online, Offline };

struct WindowGeometry {
    int top = 69;
    int left = 204;
    int width = 691;
    int height = 614;
    bool maximized = false;
};

// Everything the settings file holds, each value with its default beside it. The bindings
// table (SettingsBindings.h) ties each member to its section and key. Texts are CP932.
struct SettingsRecord {
    // Chosen at start-up, never stored.
    std::filesystem::path settingsFile;
    std::filesystem::path appFolder;
    std::filesystem::path dataFolder;
    std::filesystem::path manualFile;
    std::filesystem::path siblingProgram;

    std::string proxy;
    int port = 0;
    bool dialUp = false;
    // The まんが王倶楽部 lists are downloaded by the program; off, they are imported by hand.
    bool directFetch = true;

    std::array<int, kStoredColumnCount> columnWidths{0, 24, 104, 64, 191, 107, 61, 60};
    int gridRowHeight = 24;

    WindowGeometry window;
    int treeWidth = 120;

    std::string fontName = DefaultFontName();
    int fontSize = 9;

    int category = 1;
    int sortOrder = 0;  // -1: no order chosen
    std::string listId = "2003/05";
    // The search boxes' histories as stored: an empty entry is a gap, not an entry.
    std::array<std::array<std::string, kHistoryLength>, 3> histories{};

    std::array<SavedCondition, kSavedConditionCount> conditions{};

    bool checkSave = true;
    bool updateCheck = false;

    std::chrono::year_month_day weekBaseDate{std::chrono::year{2001}, std::chrono::month{1},
                                             std::chrono::day{13}};
    int weekBaseNumber = 1200;
    WeekNumbering Weeks() const { return {weekBaseDate, weekBaseNumber}; }

    OnlineMode online = OnlineMode::Online;
    std::string htmlFolder;     // where the last imported page was chosen
    std::string neoWingFolder;  // where the last KOSUMIRA file was chosen
    std::string csvFolder;      // where the last CSV export went

    std::string shopHost = "www.amazon.co.jp";
    std::string shopTag = "yomida-22";
    // The source host overrides of the host section, by key; read, never written.
    std::map<std::string, std::string> hosts;
    // The source section's URL templates, key and value as in the file and in file order;
    // read, never written, so the file keeps them exactly as the user wrote them.
    std::vector<std::pair<std::string, std::string>> sources;

    // The watch words, comma texts like the search boxes': publisher, title, author.
    std::string watchPublisher;
    std::string watchTitle;
    std::string watchAuthor;

    // The daily update of the systemd user timer: on or off, at which hour; and whether the
    // watch calendar reminds of a release at 09:00 the day before.
    bool scheduleOn = false;
    int scheduleHour = 7;
    bool scheduleAlarm = false;

    void SetPaths(const ProgramPaths& paths);
    // The portable paths of a program at `executable`: everything beside it.
    void DerivePaths(const std::filesystem::path& executable);

    static std::string DefaultFontName();
};

}  // namespace yomida
