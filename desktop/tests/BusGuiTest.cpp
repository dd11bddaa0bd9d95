#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <QEventLoop>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "desktop/ApplicationService.h"
#include "desktop/DesktopNotices.h"
#include "engine/StandInNotifications.h"

namespace yomida::qt {
namespace {

// A session bus of the test's own, which starts no service of the machine's, in place of the
// user's while the test runs.
class PrivateBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--config-file=" YOMIDA_TEST_DATA "/../engine/test-bus.conf"),
                       QStringLiteral("--print-address=1"), QStringLiteral("--nofork")});
        ASSERT_TRUE(daemon_.waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([this] { return daemon_.canReadLine(); }, 5000));
        qputenv("DBUS_SESSION_BUS_ADDRESS", daemon_.readLine().trimmed());
    }
    void TearDown() override {
        qputenv("DBUS_SESSION_BUS_ADDRESS", saved_);
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }

private:
    QProcess daemon_;
    QByteArray saved_;
};

struct Reply {
    bool done = false;
    std::string error;  // the error's name; empty on success
    uint32_t id = 0;
};

// A program on the bus calling the window program, as the desktop or an update would. The
// call waits in the test's event loop, where the service answers it.
class Caller {
public:
    Caller() { EXPECT_GE(sd_bus_open_user(&bus_), 0); }
    ~Caller() { sd_bus_flush_close_unref(bus_); }

    Reply Call(const char* interface, const char* member,
               const std::function<void(sd_bus_message*)>& append) {
        sd_bus_message* m = nullptr;
        EXPECT_GE(sd_bus_message_new_method_call(bus_, &m, WindowProgramBus::kName,
                                                 WindowProgramBus::kPath, interface, member),
                  0);
        append(m);
        Reply reply;
        EXPECT_GE(sd_bus_call_async(
                      bus_, nullptr, m,
                      [](sd_bus_message* answer, void* data, sd_bus_error*) {
                          auto* r = static_cast<Reply*>(data);
                          if (const sd_bus_error* e = sd_bus_message_get_error(answer)) {
                              r->error = e->name;
                          } else if (sd_bus_message_has_signature(answer, "u")) {
                              sd_bus_message_read(answer, "u", &r->id);
                          }
                          r->done = true;
                          return 0;
                      },
                      &reply, 5'000'000),
                  0);
        sd_bus_message_unref(m);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            while (sd_bus_process(bus_, nullptr) > 0) {
            }
            return reply.done;
        }));
        return reply;
    }
    Reply Activate() {
        return Call("org.freedesktop.Application", "Activate",
                    [](sd_bus_message* m) { sd_bus_message_append(m, "a{sv}", 0); });
    }
    Reply Action(const char* name) {
        return Call("org.freedesktop.Application", "ActivateAction", [name](sd_bus_message* m) {
            sd_bus_message_append(m, "sava{sv}", name, 0, 0);
        });
    }

private:
    sd_bus* bus_ = nullptr;
};

TEST_F(PrivateBusTest, TheWindowProgramAnswersTheDesktopAndTakesAnUpdatesNews) {
    std::vector<std::pair<std::string, std::string>> news;
    ApplicationService service([&](const std::string& summary, const std::string& body) {
        news.emplace_back(summary, body);
        NotifyOutcome shown;
        shown.shown = summary != "refused";
        shown.id = 12;
        shown.message = "no server";
        return shown;
    });
    ASSERT_TRUE(service.Claim(false)) << service.Error();
    QSignalSpy activated(&service, &ApplicationService::activateRequested);
    QSignalSpy watch(&service, &ApplicationService::watchRequested);
    Caller desktop;

    EXPECT_EQ(desktop.Activate().error, "");
    EXPECT_EQ(desktop
                  .Call("org.freedesktop.Application", "Open",
                        [](sd_bus_message* m) {
                            sd_bus_message_append(m, "asa{sv}", 1, "file:///tmp/x", 0);
                        })
                  .error,
              "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return activated.count() == 2; }));
    EXPECT_EQ(desktop.Action("watch").error, "");
    EXPECT_EQ(desktop.Action("format-disk").error, "org.freedesktop.DBus.Error.InvalidArgs");
    EXPECT_TRUE(QTest::qWaitFor([&] { return watch.count() == 1; }));
    EXPECT_EQ(watch.count(), 1);

    const auto show = [&](const char* summary) {
        return desktop.Call(WindowProgramBus::kNewsInterface, "Show", [summary](sd_bus_message* m) {
            sd_bus_message_append(m, "ss", summary, "body");
        });
    };
    const Reply shown = show("YOMIDA: 新着 1件");
    EXPECT_EQ(shown.error, "");
    EXPECT_EQ(shown.id, 12U);
    EXPECT_EQ(show("refused").error, "jp.yomida.Yomida.Error.NotShown");
    ASSERT_EQ(news.size(), 2U);
    EXPECT_EQ(news[0].first, "YOMIDA: 新着 1件");
    EXPECT_EQ(news[0].second, "body");
}

TEST_F(PrivateBusTest, AWindowQueuesForTheNameABusStartedProcessHolds) {
    const auto none = [](const std::string&, const std::string&) { return NotifyOutcome{}; };
    auto started = std::make_unique<ApplicationService>(none);
    ASSERT_TRUE(started->Claim(false));
    ApplicationService window(none);
    EXPECT_FALSE(window.Claim(true)) << "queued behind the running one";
    ApplicationService another(none);
    EXPECT_FALSE(another.Claim(false)) << "a second process started by the bus gives up";
    EXPECT_EQ(another.Error(), "another process holds it");

    QSignalSpy activated(&window, &ApplicationService::activateRequested);
    started.reset();
    Caller desktop;
    // The name passes to the window once the bus has seen the other one go.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        desktop.Activate();
        return activated.count() > 0;
    }));
}

TEST_F(PrivateBusTest, ANotificationsClickAsksForTheWatchResultsEvenAfterANestedLoop) {
    test::StandInNotificationServer server;
    auto notices = std::make_unique<DesktopNotices>();
    QSignalSpy closed(notices.get(), &DesktopNotices::closed);
    int clicks = 0;
    uint32_t clicked = 0;
    // What a click opens may run a loop of its own, as a message box does, and the next click
    // can come while it runs.
    QObject::connect(notices.get(), &DesktopNotices::watchRequested, [&] {
        if (++clicks == 1) {
            server.Click(clicked, "default");
        }
        QEventLoop modal;
        QTimer::singleShot(300, &modal, &QEventLoop::quit);
        modal.exec();
    });
    const NotifyOutcome first = notices->Show(NewsNotification("a", "b"));
    ASSERT_TRUE(first.shown) << first.message;
    const NotifyOutcome second = notices->Show(NewsNotification("c", "d"));
    ASSERT_EQ(server.Calls().size(), 2U);
    EXPECT_EQ(server.Calls()[0].desktopEntry, "jp.yomida.Yomida");
    EXPECT_EQ(server.Calls()[0].actions, (std::vector<std::string>{"default", "ウォッチ結果"}));

    clicked = first.id;
    server.Click(first.id, "default");
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks == 2; })) << "the bus was let go";

    server.Expire(first.id);
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed.count() == 1; }));
    EXPECT_EQ(notices->Outstanding(), 1U);
    // Those left are taken back with the process.
    notices.reset();
    EXPECT_EQ(server.Closed(), (std::vector<uint32_t>{second.id}));
}

}  // namespace
}  // namespace yomida::qt
