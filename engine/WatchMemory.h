#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/WatchScan.h"

namespace yomida {

// Which watch matches have been shown, kept in a small file in the data folder, one record's
// identity a line. Before the file exists nothing counts as new: the first look marks nothing.
// A next volume is remembered under an identity of its own, so a record already shown as a
// match is news once more when it turns out to be the next volume of a followed series.
class WatchMemory {
public:
    // The window's memory and the command line's are kept apart, so neither eats the other's
    // news.
    static constexpr const char* kWindowFile = "watchseen.txt";
    static constexpr const char* kCommandLineFile = "watchseen-cli.txt";

    // Reads the file when it exists; throws IoError when it exists and cannot be read.
    explicit WatchMemory(std::filesystem::path file);

    bool FirstLook() const { return firstLook_; }
    // How many matches are not yet shown, without marking them.
    size_t CountNew(const std::vector<WatchMatch>& matches) const;
    bool IsNew(const WatchMatch& match) const {
        return !firstLook_ && ((match.watched && known_.count(match.Identity()) == 0) ||
                               (match.isNext && known_.count(match.NextIdentity()) == 0));
    }
    // Sets `isNew` on the matches not yet shown, remembers them all as shown and returns how
    // many were new. The file is read again, merged and replaced under its lock, so scans that
    // run at once (the window's, cron's) each keep what the others remembered meanwhile.
    size_t MarkNewAndRemember(std::vector<WatchMatch>& matches);

private:
    void Load();
    size_t MarkNew(std::vector<WatchMatch>& matches) const;

    std::filesystem::path file_;
    bool firstLook_ = true;
    std::unordered_set<std::string> known_;
    std::vector<std::string> order_;  // the file's lines, oldest first
};

}  // namespace yomida
