#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct sd_bus;
struct sd_bus_slot;

namespace yomida {

// A desktop notification as it goes onto the bus: UTF-8 throughout.
struct Notification {
    std::string summary;
    std::string body;
    std::vector<std::pair<std::string, std::string>> actions;  // key and label
};

struct NotifyOutcome {
    bool shown = false;
    uint32_t id = 0;      // the server's number for the notification, when shown
    std::string message;  // why it was not shown, one line of CP932 for the caller's output
};

// Shows notifications through the freedesktop Notifications service on the session bus. A
// missing bus or a missing notification server is no failure of the program: the notification
// is left out and the outcome says why.
class Notifier {
public:
    static constexpr const char* kAppName = "YOMIDA";
    static constexpr const char* kDesktopEntry = "jp.yomida.Yomida";
    // The action a click on the notification itself invokes.
    static constexpr const char* kDefaultAction = "default";

    Notifier();
    ~Notifier();
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    NotifyOutcome Notify(const Notification& notification);

    // Called with the action's key when the user picks an action of a notification this
    // notifier showed, while the connection is processed (see Fd and Process).
    void OnAction(std::function<void(uint32_t id, const std::string& key)> handler);
    // The connection's descriptor for an event loop to watch; -1 without a bus. Process()
    // handles what has arrived when it turns readable, and returns false once the bus has gone:
    // the descriptor then stays readable for good and must no longer be watched.
    int Fd() const;
    bool Process();

private:
    sd_bus* bus_ = nullptr;
    sd_bus_slot* actionSlot_ = nullptr;
    std::string connectError_;
    std::vector<uint32_t> shown_;
    std::function<void(uint32_t, const std::string&)> onAction_;

    friend struct NotifierSignals;
};

// The notification of an update's result: the counts in the summary, the first of the new
// titles (CP932, as the lists hold them) in the body, a click opening the watch results.
Notification UpdateNotification(size_t newMatches, const std::vector<std::string>& titles,
                                size_t changes);

// Shows the notification of an update's result, when it found anything. Returns an empty text
// when it was shown or there was nothing to show, otherwise the line (CP932) to print in the
// update's output.
std::string NotifyUpdate(size_t newMatches, const std::vector<std::string>& titles, size_t changes);

}  // namespace yomida
