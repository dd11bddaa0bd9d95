#include "app/WatchStatus.h"

#include "text/Messages.h"

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
    if (end.filesSkipped > 0) {
        text += MsgText(Msg::WatchUnreadablePart) + std::to_string(end.filesSkipped) +
                MsgText(Msg::Items);
    }
    if (!end.feedsWritten) {
        text += MsgText(Msg::WatchFeedsNotWritten);
    }
    return text;
}

std::string WatchNewsText(size_t fresh) {
    return MsgText(Msg::WatchNewStatus) + std::to_string(fresh) + MsgText(Msg::Items);
}

}  // namespace yomida
