#include "engine/WatchMemory.h"

#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "platform/TextFile.h"

namespace yomida {

WatchMemory::WatchMemory(std::filesystem::path file) : file_(std::move(file)) {
    Load();
}

void WatchMemory::Load() {
    known_.clear();
    order_.clear();
    firstLook_ = !FileExists(file_);
    if (firstLook_) {
        return;
    }
    TextFileReader in(file_);
    std::string line;
    while (in.ReadLine(line)) {
        if (!line.empty() && known_.insert(line).second) {
            order_.push_back(line);
        }
    }
    in.Close();
}

size_t WatchMemory::MarkNew(std::vector<WatchMatch>& matches) const {
    size_t count = 0;
    for (WatchMatch& m : matches) {
        m.isNew = IsNew(m);
        count += m.isNew ? 1 : 0;
    }
    return count;
}

size_t WatchMemory::CountNew(const std::vector<WatchMatch>& matches) const {
    if (firstLook_) {
        return 0;
    }
    size_t count = 0;
    for (const WatchMatch& m : matches) {
        count += IsNew(m) ? 1 : 0;
    }
    return count;
}

size_t WatchMemory::MarkNewAndRemember(std::vector<WatchMatch>& matches) {
    // The replacement holds the lock from here to the rename, so whatever another scan wrote
    // before we got it is read here and kept.
    FileReplacement out(file_);
    Load();
    const size_t fresh = MarkNew(matches);
    const auto remember = [this](std::string id) {
        if (known_.insert(id).second) {
            order_.push_back(std::move(id));
        }
    };
    for (const WatchMatch& m : matches) {
        if (m.watched) {
            remember(m.Identity());
        }
        if (m.isNext) {
            remember(m.NextIdentity());
        }
    }
    for (const std::string& line : order_) {
        out.Writer().WriteLine(line);
    }
    out.Commit();
    firstLook_ = false;
    return fresh;
}

}  // namespace yomida
