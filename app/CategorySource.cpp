#include "app/CategorySource.h"

#include <utility>

#include "platform/ScopeExit.h"
#include "sources/Catalogue.h"
#include "text/Messages.h"

namespace yomida {

CategorySource::CategorySource(Ui& ui, const Clock& clock, SourceFetcher& fetcher, Window window)
    : ui_(ui), window_(std::move(window)), updater_(fetcher, clock) {}

void CategorySource::SelectCategory(int category) {
    directFetch_ = FetchesDirectly(category, window_.settings);
}

bool CategorySource::ResolveCategorySource() {
    const SettingsRecord& settings = window_.settings;
    SourceQuery q;
    q.category = settings.category;
    q.target = window_.target;
    q.weekNumber = window_.week;
    q.dataFolder = settings.dataFolder;
    q.listId = settings.listId;
    q.online = settings.online == OnlineMode::Online;
    if (q.online) {
        cancelClicked_ = false;  // a click before the month probe cancels nothing of it
    }
    return updater_.ResolveSource(q, ContextForFetch(), location_).Ok();
}

FetchContext CategorySource::ContextForFetch() {
    FetchContext context;
    context.UseSettings(window_.settings);
    context.category = window_.settings.category;
    context.directFetch = directFetch_;
    context.sourceUrl = location_.sourceUrl;
    context.dataFile = location_.dataFile;
    context.target = window_.target;
    context.stampPrefix = stampPrefix_;
    context.httpFailureText = location_.sourceUrl + "\r\n" + MsgText(Msg::FetchFailed);
    context.clearForcedDownload = [this] { window_.forcedDownload.checked = false; };
    context.setBusyDisplay = [this](bool on) { window_.setBusyDisplay(on); };
    context.setStatusText = [this](const std::string& text) {
        window_.status.text = text;
        ui_.Repaint();
    };
    context.progress.onBytes = [this](uint64_t received, uint64_t announced) {
        ShowReceived(received, announced);
    };
    context.progress.pump = [this] { ui_.ProcessMessages(); };
    context.progress.cancelled = [this] { return cancelClicked_; };
    return context;
}

bool CategorySource::FetchSource(const FetchContext& context) {
    if (!RunStep([&] { return updater_.FetchAndConvert(context); })) {
        return false;
    }
    window_.watch.WatchConvertedFile(context.dataFile);
    return true;
}

bool CategorySource::CheckForUpdate(const FetchContext& context) {
    return RunStep([&] { return updater_.CheckForUpdate(context); });
}

void CategorySource::Import(const FetchContext& context, const std::filesystem::path& file) {
    if (RunStep([&] { return updater_.Import(context, file); })) {
        window_.watch.WatchConvertedFile(context.dataFile);
    }
}

bool CategorySource::RunStep(const std::function<StepResult()>& step) {
    cancelClicked_ = false;
    const ScopeExit mark([this] { window_.tree.MarkFailures(window_.settings.dataFolder); });
    const StepResult result = step();
    const FetchResult& fetch = result.fetch;
    stampPrefix_ = fetch.stampPrefix;
    if (fetch.forcedDownloadCleared) {
        window_.forcedDownload.checked = false;
    }
    if (!fetch.neoWingFolder.empty()) {
        window_.settings.neoWingFolder = fetch.neoWingFolder;
    }
    if (!fetch.htmlFolder.empty()) {
        window_.settings.htmlFolder = fetch.htmlFolder;
    }
    return fetch.ranToEnd;
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
