#pragma once

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace yomida::test {

struct NotifyCall {
    std::string appName;
    std::string summary;
    std::string body;
    std::vector<std::string> actions;
    std::string desktopEntry;
};

// Owns org.freedesktop.Notifications on the test's bus, as a desktop's notification server
// would, and records what each Notify call carried.
class StandInNotificationServer {
public:
    StandInNotificationServer() {
        EXPECT_GE(sd_bus_open_user(&bus_), 0);
        EXPECT_GE(sd_bus_add_object(bus_, nullptr, "/org/freedesktop/Notifications",
                                    &StandInNotificationServer::Call, this),
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
    ~StandInNotificationServer() {
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
    // What it sends when notification `id` has expired (reason 1).
    void Expire(uint32_t id) {
        std::lock_guard lock(mutex_);
        sd_bus_emit_signal(bus_, "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
                           "NotificationClosed", "uu", id, 1u);
    }
    std::vector<uint32_t> Closed() {
        std::lock_guard lock(mutex_);
        return closed_;
    }

private:
    static int Call(sd_bus_message* m, void* self, sd_bus_error* /*error*/) {
        auto* server = static_cast<StandInNotificationServer*>(self);
        if (sd_bus_message_is_method_call(m, "org.freedesktop.Notifications",
                                          "CloseNotification")) {
            uint32_t id = 0;
            EXPECT_GE(sd_bus_message_read(m, "u", &id), 0);
            std::lock_guard lock(server->mutex_);
            server->closed_.push_back(id);
            return sd_bus_reply_method_return(m, "");
        }
        if (!sd_bus_message_is_method_call(m, "org.freedesktop.Notifications", "Notify")) {
            return 0;
        }
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
    std::vector<uint32_t> closed_;
};

}  // namespace yomida::test
