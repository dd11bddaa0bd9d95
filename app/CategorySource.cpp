#include "app/CategorySource.h"

#include <utility>

#include "engine/WatchMemory.h"
#include "platform/ScopeExit.h"
#include "sources/Catalogue.h"
#include "text/Messages.h"

namespace yomida {

CategorySource::CategorySource(Ui& ui, const Clock& clock, SourceFetcher& fetcher, Window window)
    : ui_(ui), window_(std::move(window)), lists_(fetcher, clock), policy_(ui) {}

ListUpdateRequest CategorySource::Request() {
    const SettingsRecord& settings = window_.settings;
    ListUpdateRequest request;
    request.category = settings.category;
    request.target = window_.target;
    request.weekNumber = window_.week;
    request.settings = settings;
    request.online = settings.online == OnlineMode::Online;
    request.forced = window_.forcedDownload.checked;
    request.updateCheck = settings.updateCheck;
    request.stampPrefix = stampPrefix_;
    request.failureNamesPage = true;
    request.watchMemory = settings.dataFolder / WatchMemory::kWindowFile;
    request.feeds = window_.watch.FeedOptions();
    request.clearForcedDownload = [this] { window_.forcedDownload.checked = false; };
    request.setBusyDisplay = [this](bool on) { window_.setBusyDisplay(on); };
    request.setStatusText = [this](const std::string& text) {
        window_.status.text = text;
        ui_.Repaint();
    };
    request.progress.onBytes = [this](uint64_t received, uint64_t announced) {
        ShowReceived(received, announced);
    };
    request.progress.pump = [this] { ui_.ProcessMessages(); };
    request.progress.cancelled = [this] { return cancelClicked_; };
    // A click before the update cancels nothing of it.
    cancelClicked_ = false;
    return request;
}

bool CategorySource::Update() {
    return Show(lists_.Run(Request(), policy_));
}

bool CategorySource::Import(const std::filesystem::path& file) {
    return Show(lists_.Import(Request(), file, policy_));
}

SourceLocation CategorySource::Locate(int category) const {
    ListUpdateRequest request;
    request.category = category;
    request.target = window_.target;
    request.weekNumber = window_.week;
    request.settings = window_.settings;
    return lists_.Locate(request);
}

bool CategorySource::Show(const ListUpdateResult& result) {
    const ScopeExit mark([this] { window_.tree.MarkFailures(window_.settings.dataFolder); });
    location_ = result.location;
    stampPrefix_ = result.stampPrefix;
    if (result.forcedDownloadCleared) {
        window_.forcedDownload.checked = false;
    }
    if (!result.neoWingFolder.empty()) {
        window_.settings.neoWingFolder = result.neoWingFolder;
    }
    if (!result.htmlFolder.empty()) {
        window_.settings.htmlFolder = result.htmlFolder;
    }
    ShowNotices(ui_, result.notices);
    if (result.watch) {
        window_.watch.ShowNewListNews(*result.watch);
    }
    return result.showList;
}

void CategorySource::ShowReceived(uint64_t received, uint64_t announced) {
    const uint64_t kilobytes = received / 1024;
    const uint64_t total = announced / 1024;
    std::string& text = window_.status.text;
    if (total != 0) {
        window_.busy.progress =
            static_cast<int>(static_cast<double>(kilobytes) / static_cast<double>(total) * 100);
        text = MsgText(Msg::Receiving) + std::to_string(kilobytes) + " / " + std::to_string(total) +
               " KByte...";
    } else {
        text = MsgText(Msg::Receiving) + std::to_string(kilobytes) + " KByte...";
    }
}

}  // namespace yomida
