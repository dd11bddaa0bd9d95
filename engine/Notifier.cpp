#include "engine/Notifier.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/Cp932.h"
#include "sources/Catalogue.h"
#include "text/Markup.h"
#include "text/Messages.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
// A server that is slow to answer must not hold up an update for long.
constexpr uint64_t kCallTimeoutUs = 5'000'000;
// The window program may first have to be started by the bus.
constexpr uint64_t kHandOverTimeoutUs = 20'000'000;
constexpr size_t kBodyTitles = 5;

std::string ErrnoText(int negativeErrno) {
    return std::strerror(-negativeErrno);
}

struct BusError {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    ~BusError() { sd_bus_error_free(&error); }
};

struct MessageRef {
    sd_bus_message* m = nullptr;
    ~MessageRef() { sd_bus_message_unref(m); }
};

int AppendRequest(sd_bus_message* m, const Notification& n) {
    int r = sd_bus_message_append(m, "susss", Notifier::kAppName, 0u, "yomida", n.summary.c_str(),
                                  n.body.c_str());
    r = r < 0 ? r : sd_bus_message_open_container(m, 'a', "s");
    for (const auto& [key, label] : n.actions) {
        r = r < 0 ? r : sd_bus_message_append(m, "ss", key.c_str(), label.c_str());
    }
    r = r < 0 ? r : sd_bus_message_close_container(m);
    // The desktop entry lets the server name the program and start it for an action.
    r = r < 0 ? r
              : sd_bus_message_append(m, "a{sv}", 2, "desktop-entry", "s", Notifier::kDesktopEntry,
                                      "urgency", "y", uint8_t{1});
    return r < 0 ? r : sd_bus_message_append(m, "i", -1);
}

// One line of the body: a title once, with the names of the categories it is new in when
// they differ.
struct TitleLine {
    std::string title;                    // UTF-8
    std::vector<std::string> categories;  // UTF-8, each once

    std::string Text() const {
        if (categories.size() < 2) {
            return title;
        }
        std::string text = title + "（";
        for (size_t i = 0; i < categories.size(); ++i) {
            text += (i > 0 ? "、" : "") + categories[i];
        }
        return text + "）";
    }
};

size_t CountNextVolumes(const std::vector<NewsTitle>& titles) {
    return static_cast<size_t>(
        std::count_if(titles.begin(), titles.end(), [](const NewsTitle& t) { return t.next; }));
}

// The next volumes first, each with its date, since they are what the user asked to hear of;
// then the watch matches.
std::vector<TitleLine> TitleLines(const std::vector<NewsTitle>& titles) {
    std::vector<const NewsTitle*> ordered;
    for (const bool next : {true, false}) {
        for (const NewsTitle& t : titles) {
            if (t.next == next) {
                ordered.push_back(&t);
            }
        }
    }
    std::vector<TitleLine> lines;
    for (const NewsTitle* n : ordered) {
        const NewsTitle& t = *n;
        const std::string title =
            Cp932ToUtf8(t.next && !t.date.empty() ? t.title + " "_sj + t.date : t.title);
        const CategoryInfo* info = FindCategory(t.category);
        const std::string category =
            info != nullptr ? info->displayName : std::to_string(t.category);
        auto line = std::find_if(lines.begin(), lines.end(),
                                 [&](const TitleLine& l) { return l.title == title; });
        if (line == lines.end()) {
            lines.push_back({title, {}});
            line = std::prev(lines.end());
        }
        if (std::find(line->categories.begin(), line->categories.end(), category) ==
            line->categories.end()) {
            line->categories.push_back(category);
        }
    }
    return lines;
}

}  // namespace

struct NotifierSignals {
    static int ActionInvoked(sd_bus_message* m, void* self, sd_bus_error* /*error*/) {
        auto* notifier = static_cast<Notifier*>(self);
        uint32_t id = 0;
        const char* key = nullptr;
        if (sd_bus_message_read(m, "us", &id, &key) < 0 || !notifier->onAction_) {
            return 0;
        }
        // Some servers send the signal to every client; only our own notifications are ours
        // to act on.
        const std::vector<uint32_t>& shown = notifier->shown_;
        if (std::find(shown.begin(), shown.end(), id) != shown.end()) {
            notifier->onAction_(id, key);
        }
        return 0;
    }

    static int NotificationClosed(sd_bus_message* m, void* self, sd_bus_error* /*error*/) {
        auto* notifier = static_cast<Notifier*>(self);
        uint32_t id = 0;
        uint32_t reason = 0;
        if (sd_bus_message_read(m, "uu", &id, &reason) < 0) {
            return 0;
        }
        std::vector<uint32_t>& shown = notifier->shown_;
        const auto at = std::find(shown.begin(), shown.end(), id);
        if (at == shown.end()) {
            return 0;
        }
        shown.erase(at);
        if (notifier->onClosed_) {
            notifier->onClosed_(id);
        }
        return 0;
    }
};

Notifier::Notifier() {
    const int r = sd_bus_open_user(&bus_);
    if (r < 0) {
        bus_ = nullptr;
        connectError_ = ErrnoText(r);
    }
}

Notifier::~Notifier() {
    sd_bus_slot_unref(actionSlot_);
    sd_bus_slot_unref(closedSlot_);
    sd_bus_flush_close_unref(bus_);
}

NotifyOutcome Notifier::NoBus() const {
    NotifyOutcome outcome;
    outcome.message = MsgText(Msg::NotifyNoSessionBus) + Utf8ToCp932(connectError_) + ")";
    return outcome;
}

NotifyOutcome Notifier::Notify(const Notification& notification) {
    NotifyOutcome outcome;
    if (bus_ == nullptr) {
        return NoBus();
    }
    MessageRef call;
    MessageRef reply;
    BusError error;
    int r = sd_bus_message_new_method_call(bus_, &call.m, kService, kPath, kInterface, "Notify");
    r = r < 0 ? r : AppendRequest(call.m, notification);
    r = r < 0 ? r : sd_bus_call(bus_, call.m, kCallTimeoutUs, &error.error, &reply.m);
    uint32_t id = 0;
    r = r < 0 ? r : sd_bus_message_read(reply.m, "u", &id);
    if (r >= 0) {
        outcome.shown = true;
        outcome.id = id;
        shown_.push_back(id);
        return outcome;
    }
    if (sd_bus_error_has_names(&error.error, SD_BUS_ERROR_SERVICE_UNKNOWN,
                               SD_BUS_ERROR_NAME_HAS_NO_OWNER)) {
        outcome.message = MsgText(Msg::NotifyNoServer);
    } else if (sd_bus_error_is_set(&error.error)) {
        outcome.message =
            MsgText(Msg::NotifyFailed) +
            Utf8ToCp932(error.error.message != nullptr ? error.error.message : error.error.name) +
            ")";
    } else {
        outcome.message = MsgText(Msg::NotifyFailed) + Utf8ToCp932(ErrnoText(r)) + ")";
    }
    return outcome;
}

NotifyOutcome Notifier::HandToWindowProgram(const Notification& notification) {
    NotifyOutcome outcome;
    if (bus_ == nullptr) {
        return NoBus();
    }
    MessageRef call;
    MessageRef reply;
    BusError error;
    // The bus starts the window program for the call when it is installed and not running.
    int r = sd_bus_message_new_method_call(bus_, &call.m, WindowProgramBus::kName,
                                           WindowProgramBus::kPath,
                                           WindowProgramBus::kNewsInterface, "Show");
    r = r < 0 ? r
              : sd_bus_message_append(call.m, "ss", notification.summary.c_str(),
                                      notification.body.c_str());
    r = r < 0 ? r : sd_bus_call(bus_, call.m, kHandOverTimeoutUs, &error.error, &reply.m);
    r = r < 0 ? r : sd_bus_message_read(reply.m, "u", &outcome.id);
    outcome.shown = r >= 0;
    if (!outcome.shown) {
        outcome.message =
            MsgText(Msg::NotifyFailed) +
            Utf8ToCp932(error.error.message != nullptr ? error.error.message : ErrnoText(r)) + ")";
    }
    return outcome;
}

void Notifier::Withdraw(uint32_t id) {
    const auto at = std::find(shown_.begin(), shown_.end(), id);
    if (bus_ == nullptr || at == shown_.end()) {
        return;
    }
    shown_.erase(at);
    BusError error;
    // A server that has already let it go answers with an error, which changes nothing here.
    sd_bus_call_method(bus_, kService, kPath, kInterface, "CloseNotification", &error.error,
                       nullptr, "u", id);
}

void Notifier::WithdrawAll() {
    while (!shown_.empty()) {
        Withdraw(shown_.front());
        if (bus_ == nullptr) {
            shown_.clear();
        }
    }
}

void Notifier::OnAction(std::function<void(uint32_t id, const std::string& key)> handler) {
    onAction_ = std::move(handler);
    Subscribe();
}

void Notifier::OnClosed(std::function<void(uint32_t id)> handler) {
    onClosed_ = std::move(handler);
    Subscribe();
}

void Notifier::Subscribe() {
    if (bus_ == nullptr) {
        return;
    }
    // Without the matches an action is only lost; the notification itself still shows.
    if (actionSlot_ == nullptr) {
        sd_bus_match_signal(bus_, &actionSlot_, kService, kPath, kInterface, "ActionInvoked",
                            &NotifierSignals::ActionInvoked, this);
    }
    if (closedSlot_ == nullptr) {
        sd_bus_match_signal(bus_, &closedSlot_, kService, kPath, kInterface, "NotificationClosed",
                            &NotifierSignals::NotificationClosed, this);
    }
}

int Notifier::Fd() const {
    return bus_ == nullptr ? -1 : sd_bus_get_fd(bus_);
}

bool Notifier::Process() {
    if (bus_ == nullptr) {
        return false;
    }
    int r = 0;
    while ((r = sd_bus_process(bus_, nullptr)) > 0) {
    }
    if (r < 0) {
        connectError_ = ErrnoText(r);
        sd_bus_slot_unref(actionSlot_);
        actionSlot_ = nullptr;
        sd_bus_slot_unref(closedSlot_);
        closedSlot_ = nullptr;
        sd_bus_flush_close_unref(bus_);
        bus_ = nullptr;
        return false;
    }
    return true;
}

Notification NewsNotification(std::string summary, std::string body) {
    Notification n;
    n.summary = std::move(summary);
    n.body = std::move(body);
    n.actions = {{Notifier::kDefaultAction, Cp932ToUtf8("ウォッチ結果"_sj)}};
    return n;
}

Notification UpdateNotification(size_t newMatches, const std::vector<NewsTitle>& titles,
                                size_t changes) {
    const size_t next = CountNextVolumes(titles);
    std::string summary = MsgText(Msg::NotifySummary);
    bool first = true;
    const auto part = [&summary, &first](const std::string& name, size_t count) {
        summary += (first ? "" : "・"_sj) + name + std::to_string(count) + MsgText(Msg::Items);
        first = false;
    };
    if (newMatches > 0 || (changes == 0 && next == 0)) {
        part(MsgText(Msg::NotifyNew), newMatches);
    }
    if (next > 0) {
        part("次巻 "_sj, next);
    }
    if (changes > 0) {
        part(MsgText(Msg::NotifyChanged), changes);
    }
    const std::vector<TitleLine> lines = TitleLines(titles);
    std::string body;
    const size_t shown = std::min(lines.size(), kBodyTitles);
    for (size_t i = 0; i < shown; ++i) {
        body += (i > 0 ? "\n" : "") + EscapeMarkup(lines[i].Text());
    }
    if (lines.size() > shown) {
        body += Cp932ToUtf8(MsgText(Msg::NotifyMore) + std::to_string(lines.size() - shown) +
                            MsgText(Msg::Items));
    }
    return NewsNotification(Cp932ToUtf8(summary), std::move(body));
}

std::string NotifyUpdate(size_t newMatches, const std::vector<NewsTitle>& titles, size_t changes) {
    if (newMatches == 0 && changes == 0 && CountNextVolumes(titles) == 0) {
        return {};
    }
    const Notification news = UpdateNotification(newMatches, titles, changes);
    Notifier notifier;
    // Shown by this process, which ends now, a click would reach no one: only a window program
    // that cannot be had leaves the notification to it.
    if (notifier.HandToWindowProgram(news).shown) {
        return {};
    }
    return notifier.Notify(news).message;
}

}  // namespace yomida
