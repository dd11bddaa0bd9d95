#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace yomida {

// Data files are stored with every byte XORed with a fixed key whose position runs on from byte
// to byte and from line to line through the whole file; the same operation scrambles and
// unscrambles. There is one key position for the whole program, so one file is processed at a
// time, each pass starting with ResetScramble and handling the lines strictly in file order.
class Scrambler {
public:
    // The plain-text marker is looked for in `dataFolder`; an empty folder means no marker.
    explicit Scrambler(std::filesystem::path dataFolder = {});

    void SetDataFolder(std::filesystem::path dataFolder) { dataFolder_ = std::move(dataFolder); }
    const std::filesystem::path& DataFolder() const { return dataFolder_; }

    // Called by ResetScramble whenever it finds the marker; the main window clears its
    // direct-fetch flag there, so every fetch takes the manual import path.
    void SetMarkerFoundHandler(std::function<void()> handler) { onMarker_ = std::move(handler); }

    void ResetScramble();
    std::string ScrambleLine(std::string_view line);
    void ScrambleLineInPlace(std::string& line);

    bool ScramblingOff() const { return off_; }
    // 1-based index into the key of the byte that scrambles the next input byte.
    size_t KeyPosition() const { return position_ + 1; }

    static const std::filesystem::path& PlainMarkerName();

private:
    std::filesystem::path dataFolder_;
    std::function<void()> onMarker_;
    size_t position_ = 0;
    bool off_ = false;
};

}  // namespace yomida
