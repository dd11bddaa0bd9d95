#pragma once

#include <array>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "text/Dates.h"

namespace yomida {

// One saved search condition: name, condition options, publisher, title and author words.
using SavedCondition = std::array<std::string, 5>;
constexpr size_t kSavedConditionCount = 10;

// Everything the settings file holds besides what lives in the controls themselves (search
// histories, window and grid geometry, the order box). Texts are CP932.
struct SettingsRecord {
    // Derived at start-up, never stored.
    std::filesystem::path settingsFile;
    std::filesystem::path appFolder;
    std::filesystem::path dataFolder;
    std::filesystem::path manualFile;
    std::filesystem::path siblingProgram;

    std::string proxy;
    int port = 0;
    bool dialUp = false;

    std::string fontName;  // set to the default by the constructor
    int fontSize = 9;

    int category = 1;
    std::string listId = "2003/05";

    std::array<SavedCondition, kSavedConditionCount> conditions{};

    bool checkSave = true;
    bool updateCheck = false;

    std::chrono::year_month_day weekBaseDate{std::chrono::year{2001}, std::chrono::month{1},
                                             std::chrono::day{13}};
    int weekBaseNumber = 1200;

    std::string onOffLine = "ON";
    std::string htmlFolder;     // TAI_PATH
    std::string neoWingFolder;  // NEO_PATH
    std::string csvFolder;      // CSV_PATH

    SettingsRecord();
    // Paths derived from the executable's own path.
    void DerivePaths(const std::filesystem::path& executable);
};

}  // namespace yomida
