#include "app/WatchStatus.h"

#include "text/Messages.h"
#include "text/SjisLiteral.h"

namespace yomida {

std::string WatchProgressText(size_t done, size_t total) {
    return MsgText(Msg::WatchStatus) + std::to_string(done) + "/" + std::to_string(total);
}

std::string WatchEndText(const WatchService::Ending& end, size_t matches) {
    if (end.state == WatchService::State::Cancelled) {
        return MsgText(Msg::WatchCancelled);
    }
    std::string text = MsgText(Msg::WatchStatus) + std::to_string(matches) + MsgText(Msg::Items);
    if (end.fresh > 0) {
        text += MsgText(Msg::WatchNewPart) + std::to_string(end.fresh) + MsgText(Msg::Items);
    }
    if (end.nextVolumes > 0) {
        text += WatchNextPart(end.nextVolumes, end.freshNext);
    }
    if (end.filesSkipped > 0) {
        text += MsgText(Msg::WatchUnreadablePart) + std::to_string(end.filesSkipped) +
                MsgText(Msg::Items);
    }
    if (!end.feedsWritten) {
        text += MsgText(Msg::WatchFeedsNotWritten);
    }
    if (!end.seriesWritten) {
        text += " series.txt を読み書きできません"_sj;
    }
    return text;
}

std::string WatchNewsText(size_t fresh, size_t freshNext) {
    if (fresh == 0 && freshNext > 0) {
        return "ウォッチ: 次巻 "_sj + std::to_string(freshNext) + MsgText(Msg::Items);
    }
    std::string text = MsgText(Msg::WatchNewStatus) + std::to_string(fresh) + MsgText(Msg::Items);
    if (freshNext > 0) {
        text += " 次巻 "_sj + std::to_string(freshNext) + MsgText(Msg::Items);
    }
    return text;
}

std::string WatchNextPart(size_t nextVolumes, size_t freshNext) {
    std::string text = " 次巻 "_sj + std::to_string(nextVolumes) + MsgText(Msg::Items);
    if (freshNext > 0) {
        text += "（新 "_sj + std::to_string(freshNext) + MsgText(Msg::Items) + "）"_sj;
    }
    return text;
}

}  // namespace yomida
