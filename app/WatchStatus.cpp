#include "app/WatchStatus.h"

#include "text/SjisLiteral.h"

namespace yomida {

std::string WatchProgressText(size_t done, size_t total) {
    return "ウォッチ: "_sj + std::to_string(done) + "/" + std::to_string(total);
}

std::string WatchEndText(const WatchService::Ending& end, size_t matches) {
    if (end.state == WatchService::State::Cancelled) {
        return "ウォッチ: 中止"_sj;
    }
    std::string text = "ウォッチ: "_sj + std::to_string(matches) + "件"_sj;
    if (end.fresh > 0) {
        text += " 新着 "_sj + std::to_string(end.fresh) + "件"_sj;
    }
    if (end.filesSkipped > 0) {
        text += " 読めないファイル "_sj + std::to_string(end.filesSkipped) + "件"_sj;
    }
    if (!end.feedsWritten) {
        text += " watch.ics/watch.atom を書けません"_sj;
    }
    return text;
}

std::string WatchNewsText(size_t fresh) {
    return "ウォッチ: 新着 "_sj + std::to_string(fresh) + "件"_sj;
}

}  // namespace yomida
