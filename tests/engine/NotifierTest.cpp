#include "engine/Notifier.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Cp932.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

struct NotifyCall {
    std::string appName;
    std::string summary;
    std::string body;
    std::vector<std::string> actions;
    std::string desktopEntry;
};

// Owns org.freedesktop.Notifications on the test's bus, as a desktop's notification server
// would, and records what each Notify call carried.
class StandInServer {
public:
    StandInServer() {
        EXPECT_GE(sd_bus_open_user(&bus_), 0);
        EXPECT_GE(sd_bus_add_object(bus_, nullptr, "/org/freedesktop/Notifications",
                                    &StandInServer::Call, this),
                  0);
        EXPECT_GE(sd_bus_request_name(bus_, "org.freedesktop.Notifications", 0), 0);
        thread_ = std::thread([this] {
            while (!stop_) {
                if (sd_bus_process(bus_, nullptr) == 0) {
                    sd_bus_wait(bus_, 20'000);
                }
            }
        });
    }
    ~StandInServer() {
        stop_ = true;
        thread_.join();
        sd_bus_flush_close_unref(bus_);
    }

    std::vector<NotifyCall> Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    // What the server sends when the user clicks an action of notification `id`.
    void Click(uint32_t id, const char* key) {
        std::lock_guard lock(mutex_);
        sd_bus_emit_signal(bus_, "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                           "ActionInvoked", "us", id, key);
    }

private:
    static int Call(sd_bus_message* m, void* self, sd_bus_error* /*error*/) {
        if (!sd_bus_message_is_method_call(m, "org.freedesktop.Notifications", "Notify")) {
            return 0;
        }
        auto* server = static_cast<StandInServer*>(self);
        NotifyCall call;
        const char *app = nullptr, *icon = nullptr, *summary = nullptr, *body = nullptr;
        uint32_t replaces = 0;
        EXPECT_GE(sd_bus_message_read(m, "susss", &app, &replaces, &icon, &summary, &body), 0);
        call.appName = app;
        call.summary = summary;
        call.body = body;
        char** actions = nullptr;
        EXPECT_GE(sd_bus_message_read_strv(m, &actions), 0);
        for (char** a = actions; a != nullptr && *a != nullptr; ++a) {
            call.actions.emplace_back(*a);
            std::free(*a);
        }
        std::free(actions);
        EXPECT_GE(sd_bus_message_enter_container(m, 'a', "{sv}"), 0);
        while (sd_bus_message_enter_container(m, 'e', "sv") > 0) {
            const char* key = nullptr;
            sd_bus_message_read(m, "s", &key);
            const std::string name = key;
            if (name == "desktop-entry") {
                const char* value = nullptr;
                sd_bus_message_read(m, "v", "s", &value);
                call.desktopEntry = value;
            } else {
                sd_bus_message_skip(m, "v");
            }
            sd_bus_message_exit_container(m);
        }
        sd_bus_message_exit_container(m);
        std::lock_guard lock(server->mutex_);
        server->calls_.push_back(call);
        return sd_bus_reply_method_return(m, "u", static_cast<uint32_t>(server->calls_.size() + 6));
    }

    sd_bus* bus_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_ = false;
    std::mutex mutex_;
    std::vector<NotifyCall> calls_;
};

TEST(Notifier, UpdateNotificationNamesCountsAndFirstTitles) {
    const std::vector<std::string> titles = {
        "ワンピース 110"_sj, "A&B <1>"_sj, "c", "d", "e", "f", "g"};
    Notification n = UpdateNotification(3, titles, 0);
    EXPECT_EQ(n.summary, "YOMIDA: 新着 3件");
    // Five titles, the rest counted; markup characters stay text.
    EXPECT_EQ(n.body, "ワンピース 110\nA&amp;B &lt;1&gt;\nc\nd\ne\nほか 2件");
    ASSERT_EQ(n.actions.size(), 1U);
    EXPECT_EQ(n.actions[0].first, "default");

    EXPECT_EQ(UpdateNotification(3, {}, 1).summary, "YOMIDA: 新着 3件・変更 1件");
    EXPECT_EQ(UpdateNotification(0, {}, 2).summary, "YOMIDA: 変更 2件");
}

TEST(Notifier, StandInServerReceivesTheCallAndItsActionComesBack) {
    StandInServer server;
    Notifier notifier;
    std::vector<std::string> clicked;
    notifier.OnAction([&](uint32_t, const std::string& key) { clicked.push_back(key); });
    const NotifyOutcome outcome = notifier.Notify(UpdateNotification(2, {"ＡＢＣ"_sj, "x"}, 1));
    ASSERT_TRUE(outcome.shown) << Cp932ToUtf8(outcome.message);
    EXPECT_EQ(outcome.id, 7U);
    EXPECT_EQ(outcome.message, "");

    const std::vector<NotifyCall> calls = server.Calls();
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].appName, "YOMIDA");
    EXPECT_EQ(calls[0].summary, "YOMIDA: 新着 2件・変更 1件");
    EXPECT_EQ(calls[0].body, "ＡＢＣ\nx");
    EXPECT_EQ(calls[0].actions, (std::vector<std::string>{"default", "ウォッチ結果"}));
    EXPECT_EQ(calls[0].desktopEntry, "jp.yomida.Yomida");

    // A click on another program's notification is not ours; a click on ours is.
    server.Click(99, "default");
    server.Click(7, "default");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (clicked.empty() && std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{notifier.Fd(), POLLIN, 0};
        ::poll(&pfd, 1, 100);
        notifier.Process();
    }
    EXPECT_EQ(clicked, (std::vector<std::string>{"default"}));

    EXPECT_EQ(NotifyUpdate(0, {}, 0), "");
    EXPECT_EQ(NotifyUpdate(1, {"y"}, 0), "");
    EXPECT_EQ(server.Calls().size(), 2U);
}

TEST(Notifier, WithoutServerOrBusNothingShowsAndTheReasonIsOneLine) {
    const std::string noServer = NotifyUpdate(3, {"a"}, 0);
    EXPECT_EQ(noServer, "デスクトップ通知: 通知サーバーが無いため表示しません"_sj);

    const char* real = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string saved = real != nullptr ? real : "";
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/yomida-bus", 1);
    const std::string noBus = NotifyUpdate(3, {"a"}, 0);
    Notifier none;
    ::setenv("DBUS_SESSION_BUS_ADDRESS", saved.c_str(), 1);
    EXPECT_EQ(noBus.rfind("デスクトップ通知: セッションバスに接続できないため表示しません ("_sj, 0),
              0U)
        << Cp932ToUtf8(noBus);
    EXPECT_EQ(noBus.find('\n'), std::string::npos);
    none.OnAction([](uint32_t, const std::string&) {});
    EXPECT_FALSE(none.Process());
    EXPECT_EQ(none.Fd(), -1);
}

TEST(Notifier, ABusThatGoesAwayIsLetGo) {
    // A bus that takes the connection and then ends, as a session's bus does at logout.
    const std::string path = "/tmp/yomida-bus-" + std::to_string(::getpid());
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    const char* real = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string saved = real != nullptr ? real : "";
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + path).c_str(), 1);
    Notifier notifier;
    ::setenv("DBUS_SESSION_BUS_ADDRESS", saved.c_str(), 1);
    ::close(::accept(listener, nullptr, nullptr));
    ::close(listener);
    ::unlink(path.c_str());

    ASSERT_GE(notifier.Fd(), 0);
    pollfd pfd{notifier.Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&pfd, 1, 5000), 1);
    EXPECT_FALSE(notifier.Process()) << "the event loop is told to stop watching";
    EXPECT_EQ(notifier.Fd(), -1);
    const NotifyOutcome outcome = notifier.Notify(UpdateNotification(1, {"a"}, 0));
    EXPECT_FALSE(outcome.shown);
    EXPECT_FALSE(outcome.message.empty());
}

}  // namespace
}  // namespace yomida
