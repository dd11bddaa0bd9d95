#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

#include "app/WatchScan.h"

namespace yomida {

// Which watch matches have been shown, kept in a small file in the data folder, one record's
// identity a line. Before the file exists nothing counts as new: the first look marks nothing.
class WatchMemory {
public:
    // The window's memory and the command line's are kept apart, so neither eats the other's
    // news.
    static constexpr const char* kWindowFile = "watchseen.txt";
    static constexpr const char* kCommandLineFile = "watchseen-cli.txt";

    // Reads the file when it exists; throws IoError when it exists and cannot be read.
    explicit WatchMemory(std::filesystem::path file);

    bool FirstLook() const { return firstLook_; }
    // Sets `isNew` on the matches not yet shown; returns how many.
    size_t MarkNew(std::vector<WatchMatch>& matches) const;
    // How many matches are not yet shown, without marking them.
    size_t CountNew(const std::vector<WatchMatch>& matches) const;
    // Remembers the matches as shown and writes the file whole, replacing it in one rename.
    void Remember(const std::vector<WatchMatch>& matches);

private:
    std::filesystem::path file_;
    bool firstLook_ = true;
    std::unordered_set<std::string> known_;
    std::vector<std::string> order_;  // the file's lines, oldest first
};

}  // namespace yomida
