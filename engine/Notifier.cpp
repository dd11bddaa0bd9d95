#include "engine/Notifier.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <cstring>

#include "platform/Cp932.h"
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

}  // namespace

struct NotifierSignals {
    static int ActionInvoked(sd_bus_message* m, void* self, sd_bus_error* /*error*/) {
        auto* notifier = static_cast<Notifier*>(self);
        uint32_t id = 0;
        const char* key = nullptr;
        if (sd_bus_message_read(m, "us", &id, &key) < 0 || !notifier->onAction_) {
            return 0;
        }
        // The signal goes to every client; only our own notifications are ours to act on.
        const std::vector<uint32_t>& shown = notifier->shown_;
        if (std::find(shown.begin(), shown.end(), id) != shown.end()) {
            notifier->onAction_(id, key);
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
    sd_bus_flush_close_unref(bus_);
}

NotifyOutcome Notifier::Notify(const Notification& notification) {
    NotifyOutcome outcome;
    if (bus_ == nullptr) {
        outcome.message = MsgText(Msg::NotifyNoSessionBus) + Utf8ToCp932(connectError_) + ")";
        return outcome;
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

void Notifier::OnAction(std::function<void(uint32_t id, const std::string& key)> handler) {
    onAction_ = std::move(handler);
    if (bus_ == nullptr || actionSlot_ != nullptr) {
        return;
    }
    // Without the match the action is only lost; the notification itself still shows.
    sd_bus_match_signal(bus_, &actionSlot_, kService, kPath, kInterface, "ActionInvoked",
                        &NotifierSignals::ActionInvoked, this);
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
        sd_bus_flush_close_unref(bus_);
        bus_ = nullptr;
        return false;
    }
    return true;
}

Notification UpdateNotification(size_t newMatches, const std::vector<std::string>& titles,
                                size_t changes) {
    Notification n;
    std::string summary = MsgText(Msg::NotifySummary);
    if (newMatches > 0 || changes == 0) {
        summary += MsgText(Msg::NotifyNew) + std::to_string(newMatches) + MsgText(Msg::Items);
    }
    if (changes > 0) {
        summary +=
            (newMatches > 0 ? MsgText(Msg::NotifyAlsoChanged) : MsgText(Msg::NotifyChanged)) +
            std::to_string(changes) + MsgText(Msg::Items);
    }
    n.summary = Cp932ToUtf8(summary);
    const size_t shown = std::min(titles.size(), kBodyTitles);
    for (size_t i = 0; i < shown; ++i) {
        n.body += (i > 0 ? "\n" : "") + EscapeMarkup(Cp932ToUtf8(titles[i]));
    }
    if (titles.size() > shown) {
        n.body += Cp932ToUtf8(MsgText(Msg::NotifyMore) + std::to_string(titles.size() - shown) +
                              MsgText(Msg::Items));
    }
    n.actions = {{Notifier::kDefaultAction, Cp932ToUtf8("ウォッチ結果"_sj)}};
    return n;
}

std::string NotifyUpdate(size_t newMatches, const std::vector<std::string>& titles,
                         size_t changes) {
    if (newMatches == 0 && changes == 0) {
        return {};
    }
    Notifier notifier;
    return notifier.Notify(UpdateNotification(newMatches, titles, changes)).message;
}

}  // namespace yomida
