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

// A title among the news, with the category whose list holds it.
struct NewsTitle {
    NewsTitle() = default;
    NewsTitle(int category, std::string title, bool next = false, std::string date = {})
        : category(category), title(std::move(title)), next(next), date(std::move(date)) {}

    int category = 0;
    std::string title;  // CP932, as the lists hold it
    bool next = false;  // a next volume of a followed series (次巻), not a watch match
    std::string date;   // CP932, as the watch writes dates; told for a next volume
};

// The window program's names on the session bus. The bus starts the program for its desktop
// entry and for the news of an unattended update, which the program shows as its own
// notification: a click on it then reaches a process that can open the watch results.
struct WindowProgramBus {
    static constexpr const char* kName = "jp.yomida.Yomida";
    static constexpr const char* kPath = "/jp/yomida/Yomida";
    // Show(summary, body): shows the news with a click opening the watch results.
    static constexpr const char* kNewsInterface = "jp.yomida.Yomida.News";
    // The action of the desktop entry and of a click on the news.
    static constexpr const char* kWatchAction = "watch";
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
    // Hands the notification to the window program, started by the bus when it is not running,
    // to show as its own. Not shown when no window program answers: the caller shows it then.
    NotifyOutcome HandToWindowProgram(const Notification& notification);
    // Takes back a notification this notifier showed, or every one still on the screen: once
    // the process ends, a click on them would reach no one.
    void Withdraw(uint32_t id);
    void WithdrawAll();
    // How many of the notifications this notifier showed are still on the screen.
    size_t Outstanding() const { return shown_.size(); }

    // Called with the action's key when the user picks an action of a notification this
    // notifier showed, while the connection is processed (see Fd and Process).
    void OnAction(std::function<void(uint32_t id, const std::string& key)> handler);
    // Called when the server has closed one of them: expired, dismissed or acted on.
    void OnClosed(std::function<void(uint32_t id)> handler);
    // The connection's descriptor for an event loop to watch; -1 without a bus. Process()
    // handles what has arrived when it turns readable, and returns false once the bus has gone:
    // the descriptor then stays readable for good and must no longer be watched.
    int Fd() const;
    bool Process();

private:
    // What a notification without a session bus comes to.
    NotifyOutcome NoBus() const;
    void Subscribe();

    sd_bus* bus_ = nullptr;
    sd_bus_slot* actionSlot_ = nullptr;
    sd_bus_slot* closedSlot_ = nullptr;
    std::string connectError_;
    std::vector<uint32_t> shown_;
    std::function<void(uint32_t, const std::string&)> onAction_;
    std::function<void(uint32_t)> onClosed_;

    friend struct NotifierSignals;
};

// The news as a notification whose click opens the watch results.
Notification NewsNotification(std::string summary, std::string body);

// The notification of an update's result: the counts in the summary (the next volumes among
// `titles` counted as 次巻), the next volumes with their dates first in the body, then the first
// of the new titles, each named once (with its categories when it is new in more than one), a
// click opening the watch results.
Notification UpdateNotification(size_t newMatches, const std::vector<NewsTitle>& titles,
                                size_t changes);

// Shows the notification of an update's result, when it found anything (a next volume among
// `titles` counts), through the window
// program when it can be had, so that a click on it opens the watch results. Returns an empty
// text when it was shown or there was nothing to show, otherwise the line (CP932) to print in
// the update's output.
std::string NotifyUpdate(size_t newMatches, const std::vector<NewsTitle>& titles, size_t changes);

}  // namespace yomida
