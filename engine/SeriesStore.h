#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace yomida {

// A series the user follows. Texts are CP932.
struct FollowedSeries {
    std::string key;    // as SeriesTitleReader makes it
    std::string title;  // the title it was followed from, as written there
    // The highest volume seen so far (0: none yet), with its date as the watch writes dates
    // ("2026/12/05", "2026/12/上"; empty when not known) and its category (0: not known).
    int volume = 0;
    std::string date;
    int category = 0;
    // The next volume the watch scan found in the stored lists, the same way; 0 and empty
    // until one is found.
    int nextVolume = 0;
    std::string nextDate;
    int nextCategory = 0;

    bool operator==(const FollowedSeries&) const = default;
};

// What following a series did.
enum class FollowOutcome {
    Followed,  // it was not followed before
    Raised,    // it was, and the volume given is higher than the highest seen
    Unchanged  // it was, with that volume or a higher one
};

// The series the user follows: `series.txt` in the data folder, CP932 with CR LF, a line for
// the format, then one line per series in the order they were followed, its items in the
// comma-text form of the data files with every text in double quotes:
//
//   yomida-series,1
//   "KEY","TITLE",VOLUME,"DATE",CATEGORY,NEXTVOLUME,"NEXTDATE",NEXTCATEGORY
//
// for example "進撃の巨人","進撃の巨人（３４）",34,"2021/06/09",1,0,"",0. Every change reads the
// file again and replaces it whole under its lock, so the window and the command line can
// follow at once without undoing each other. A line that cannot be read is never silently
// lost: the next change keeps the whole old file as `series.txt.bad` before writing.
class SeriesStore {
public:
    static constexpr const char* kFileName = "series.txt";
    static constexpr const char* kSetAsideSuffix = ".bad";

    explicit SeriesStore(const std::filesystem::path& dataFolder);

    struct Contents {
        std::vector<FollowedSeries> series;
        // Lines that could not be read; every line when the file is not one of ours.
        size_t unreadable = 0;
    };
    // Only reads; no file is no series. Throws IoError when the file cannot be read.
    Contents Read() const;

    struct FollowResult {
        std::vector<FollowOutcome> outcomes;   // one per series given, in order
        std::vector<FollowedSeries> recorded;  // each as the file now has it
        size_t setAside = 0;                   // unreadable lines kept in series.txt.bad
    };
    // Adds every series not followed yet. One already followed keeps its title; its highest
    // volume, date and category are raised to those given when the volume given is higher (a
    // next volume found no higher than that is forgotten). Throws IoError.
    FollowResult Follow(const std::vector<FollowedSeries>& series);

    struct UnfollowResult {
        std::vector<bool> removed;  // one per key given: whether it was followed
        size_t setAside = 0;
    };
    UnfollowResult Unfollow(const std::vector<std::string>& keys);

    // Reads, lets `change` alter the series and writes them back, all under the file's lock:
    // the watch scan records next volumes this way. Returns the unreadable lines set aside.
    size_t Change(const std::function<void(std::vector<FollowedSeries>&)>& change);

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace yomida
