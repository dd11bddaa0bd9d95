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

#include "StandInNotifications.h"
#include "platform/Cp932.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

// Owns the window program's name on the test's bus, as a running window would, and records the
// news handed to it.
class StandInWindowProgram {
public:
    StandInWindowProgram() {
        EXPECT_GE(sd_bus_open_user(&bus_), 0);
        EXPECT_GE(sd_bus_add_object(bus_, nullptr, WindowProgramBus::kPath,
                                    &StandInWindowProgram::Call, this),
                  0);
        EXPECT_GE(sd_bus_request_name(bus_, WindowProgramBus::kName, 0), 0);
        thread_ = std::thread([this] {
            while (!stop_) {
                if (sd_bus_process(bus_, nullptr) == 0) {
                    sd_bus_wait(bus_, 20'000);
                }
            }
        });
    }
    ~StandInWindowProgram() {
        stop_ = true;
        thread_.join();
        sd_bus_flush_close_unref(bus_);
    }
    std::vector<std::pair<std::string, std::string>> News() {
        std::lock_guard lock(mutex_);
        return news_;
    }

private:
    static int Call(sd_bus_message* m, void* self, sd_bus_error* /*error*/) {
        if (!sd_bus_message_is_method_call(m, WindowProgramBus::kNewsInterface, "Show")) {
            return 0;
        }
        auto* program = static_cast<StandInWindowProgram*>(self);
        const char* summary = nullptr;
        const char* body = nullptr;
        EXPECT_GE(sd_bus_message_read(m, "ss", &summary, &body), 0);
        std::lock_guard lock(program->mutex_);
        program->news_.emplace_back(summary, body);
        return sd_bus_reply_method_return(m, "u", 41u);
    }

    sd_bus* bus_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_ = false;
    std::mutex mutex_;
    std::vector<std::pair<std::string, std::string>> news_;
};

// Handles what arrives on the notifier's connection until `done` or ten seconds.
template <typename Done>
void ProcessUntil(Notifier& notifier, Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{notifier.Fd(), POLLIN, 0};
        ::poll(&pfd, 1, 100);
        notifier.Process();
    }
}

std::vector<NewsTitle> InComics(const std::vector<std::string>& titles) {
    std::vector<NewsTitle> news;
    for (const std::string& title : titles) {
        news.push_back({1, title});
    }
    return news;
}

TEST(Notifier, UpdateNotificationNamesCountsAndFirstTitles) {
    const std::vector<NewsTitle> titles =
        InComics({"ワンピース 110"_sj, "A&B <1>"_sj, "c", "d", "e", "f", "g"});
    Notification n = UpdateNotification(3, titles, 0);
    EXPECT_EQ(n.summary, "YOMIDA: 新着 3件");
    // Five titles, the rest counted; markup characters stay text.
    EXPECT_EQ(n.body, "ワンピース 110\nA&amp;B &lt;1&gt;\nc\nd\ne\nほか 2件");
    ASSERT_EQ(n.actions.size(), 1U);
    EXPECT_EQ(n.actions[0].first, "default");

    EXPECT_EQ(UpdateNotification(3, {}, 1).summary, "YOMIDA: 新着 3件・変更 1件");
    EXPECT_EQ(UpdateNotification(0, {}, 2).summary, "YOMIDA: 変更 2件");
}

TEST(Notifier, EachTitleIsNamedOnceWithItsCategoriesWhenTheyDiffer) {
    struct Case {
        const char* what;
        std::vector<NewsTitle> titles;
        const char* body;
    };
    const Case cases[] = {
        {"one title in three categories",
         {{1, "Tom & Jerry"}, {4, "Tom & Jerry"}, {6, "Tom & Jerry"}},
         "Tom &amp; Jerry（まんが王倶楽部、まんが王倶楽部・BL、まんが王倶楽部・小説）"},
        {"one title in two months of one category",
         {{1, "ワンピース"_sj}, {1, "ワンピース"_sj}},
         "ワンピース"},
        {"the twelve unnamed categories read alike", {{3, "本"_sj}, {9, "本"_sj}}, "本"},
        {"repeats do not push titles out, nor count as more",
         {{1, "a"}, {4, "a"}, {1, "b"}, {1, "c"}, {1, "b"}, {1, "d"}, {1, "e"}, {1, "f"}},
         "a（まんが王倶楽部、まんが王倶楽部・BL）\nb\nc\nd\ne\nほか 1件"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UpdateNotification(c.titles.size(), c.titles, 0).body, c.body) << c.what;
    }
}

TEST(Notifier, StandInServerReceivesTheCallAndItsActionComesBack) {
    test::StandInNotificationServer server;
    Notifier notifier;
    std::vector<std::string> clicked;
    notifier.OnAction([&](uint32_t, const std::string& key) { clicked.push_back(key); });
    const NotifyOutcome outcome =
        notifier.Notify(UpdateNotification(2, InComics({"ＡＢＣ"_sj, "x"}), 1));
    ASSERT_TRUE(outcome.shown) << Cp932ToUtf8(outcome.message);
    EXPECT_EQ(outcome.id, 7U);
    EXPECT_EQ(outcome.message, "");

    const std::vector<test::NotifyCall> calls = server.Calls();
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_EQ(calls[0].appName, "YOMIDA");
    EXPECT_EQ(calls[0].summary, "YOMIDA: 新着 2件・変更 1件");
    EXPECT_EQ(calls[0].body, "ＡＢＣ\nx");
    EXPECT_EQ(calls[0].actions, (std::vector<std::string>{"default", "ウォッチ結果"}));
    EXPECT_EQ(calls[0].desktopEntry, "jp.yomida.Yomida");

    // A click on another program's notification is not ours; a click on ours is.
    server.Click(99, "default");
    server.Click(7, "default");
    ProcessUntil(notifier, [&] { return !clicked.empty(); });
    EXPECT_EQ(clicked, (std::vector<std::string>{"default"}));

    // With no window program on the bus, the update shows its news itself.
    EXPECT_EQ(NotifyUpdate(0, {}, 0), "");
    EXPECT_EQ(NotifyUpdate(1, InComics({"y"}), 0), "");
    EXPECT_EQ(server.Calls().size(), 2U);
}

TEST(Notifier, AnUpdateHandsItsNewsToTheWindowProgramSoThatAClickFindsIt) {
    test::StandInNotificationServer server;
    StandInWindowProgram program;
    EXPECT_EQ(NotifyUpdate(2, InComics({"ＡＢＣ"_sj, "x"}), 0), "");
    const auto news = program.News();
    ASSERT_EQ(news.size(), 1U);
    EXPECT_EQ(news[0].first, "YOMIDA: 新着 2件");
    EXPECT_EQ(news[0].second, "ＡＢＣ\nx");
    EXPECT_TRUE(server.Calls().empty()) << "the window program shows it, not the update";
}

TEST(Notifier, ClosedNotificationsAreLetGoAndTheRestWithdrawn) {
    test::StandInNotificationServer server;
    Notifier notifier;
    std::vector<uint32_t> closed;
    notifier.OnClosed([&](uint32_t id) { closed.push_back(id); });
    const uint32_t first = notifier.Notify(NewsNotification("a", "")).id;
    const uint32_t second = notifier.Notify(NewsNotification("b", "")).id;
    const uint32_t third = notifier.Notify(NewsNotification("c", "")).id;
    ASSERT_EQ(notifier.Outstanding(), 3U);

    server.Expire(99);  // another program's
    server.Expire(first);
    ProcessUntil(notifier, [&] { return !closed.empty(); });
    EXPECT_EQ(closed, (std::vector<uint32_t>{first}));
    EXPECT_EQ(notifier.Outstanding(), 2U);

    notifier.Withdraw(second);
    EXPECT_EQ(server.Closed(), (std::vector<uint32_t>{second}));
    notifier.WithdrawAll();
    EXPECT_EQ(server.Closed(), (std::vector<uint32_t>{second, third}));
    EXPECT_EQ(notifier.Outstanding(), 0U);
}

TEST(Notifier, WithoutServerOrBusNothingShowsAndTheReasonIsOneLine) {
    const std::string noServer = NotifyUpdate(3, InComics({"a"}), 0);
    EXPECT_EQ(noServer, "デスクトップ通知: 通知サーバーが無いため表示しません"_sj);

    const char* real = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string saved = real != nullptr ? real : "";
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/yomida-bus", 1);
    const std::string noBus = NotifyUpdate(3, InComics({"a"}), 0);
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
    const NotifyOutcome outcome = notifier.Notify(UpdateNotification(1, InComics({"a"}), 0));
    EXPECT_FALSE(outcome.shown);
    EXPECT_FALSE(outcome.message.empty());
}

}  // namespace
}  // namespace yomida
