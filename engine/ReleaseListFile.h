#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/Release.h"
#include "engine/SearchQuery.h"
#include "platform/Collation.h"

namespace yomida {

// What a check save could not do.
struct [[nodiscard]] TickSave {
    // The titles of ticks the user changed whose releases the data file no longer holds: the
    // list was replaced (by an update) since it was loaded. CP932.
    std::vector<std::string> unplaced;
};

// One data file's release list: the releases a query matches, loaded and ordered, and their
// ticks saved back into the file. The window's list and yomida-cli each hold one over the table
// they show.
class ReleaseListFile {
public:
    explicit ReleaseListFile(ReleaseTable& table) : table_(table) {}
    ReleaseListFile(const ReleaseListFile&) = delete;
    ReleaseListFile& operator=(const ReleaseListFile&) = delete;

    // Reads the header and the releases of the data file that the query matches into the table,
    // and orders them by `order` (a SortOrder; any other number keeps file order). Returns the
    // number of releases. A read that fails part way leaves what it read ordered and throws.
    [[nodiscard]] int Load(const std::filesystem::path& dataFile, const SearchQuery& query,
                           int order);

    // Orders the releases by a SortOrder; any other number leaves them as they are.
    void Order(int order);
    // Negative, zero or positive as release a sorts before, with or after release b.
    [[nodiscard]] int CompareRows(size_t a, size_t b, int order);

    // Writes the ticks the user changed into the data file, each into the line its release came
    // from; every other byte of the file stays, and the file is replaced only by a complete new
    // one. When the file holds another list than the one loaded (an update replaced it), each
    // tick goes to the release of the same publisher, title, author and day, and those that
    // have none are returned. A missing file is left alone.
    TickSave SaveTicks(const std::filesystem::path& dataFile);

private:
    Collator& SortCollator();

    ReleaseTable& table_;
    std::unique_ptr<Collator> collator_;
    // What the releases of the file were when it was loaded, in file order, to tell whether the
    // file still holds that list.
    uint64_t loadedList_ = 0;
};

}  // namespace yomida
