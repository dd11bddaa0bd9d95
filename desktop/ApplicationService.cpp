#include "desktop/ApplicationService.h"

#include <systemd/sd-bus.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>

namespace yomida::qt {

struct ApplicationCalls {
    static ApplicationService& Of(void* self) { return *static_cast<ApplicationService*>(self); }

    // The platform data (a startup notification id, an activation token) is left unread: the
    // window comes to the front as it does for a second start.
    static int Activate(sd_bus_message* m, void* self, sd_bus_error* /*error*/) {
        Emit(Of(self), &ApplicationService::activateRequested);
        return sd_bus_reply_method_return(m, "");
    }

    static int ActivateAction(sd_bus_message* m, void* self, sd_bus_error* error) {
        const char* action = nullptr;
        const int r = sd_bus_message_read(m, "s", &action);
        if (r < 0) {
            return r;
        }
        if (std::strcmp(action, WindowProgramBus::kWatchAction) != 0) {
            return sd_bus_error_setf(error, SD_BUS_ERROR_INVALID_ARGS, "no action named %s",
                                     action);
        }
        Emit(Of(self), &ApplicationService::watchRequested);
        return sd_bus_reply_method_return(m, "");
    }

    static int ShowNews(sd_bus_message* m, void* self, sd_bus_error* error) {
        const char* summary = nullptr;
        const char* body = nullptr;
        const int r = sd_bus_message_read(m, "ss", &summary, &body);
        if (r < 0) {
            return r;
        }
        const NotifyOutcome shown = Of(self).showNews_(summary, body);
        if (!shown.shown) {
            return sd_bus_error_set(error, "jp.yomida.Yomida.Error.NotShown",
                                    shown.message.c_str());
        }
        return sd_bus_reply_method_return(m, "u", shown.id);
    }

    // Queued, so that the request runs once the bus has been processed.
    static void Emit(ApplicationService& service, void (ApplicationService::*request)()) {
        QMetaObject::invokeMethod(
            &service, [&service, request] { emit(service.*request)(); }, Qt::QueuedConnection);
    }
};

namespace {

const sd_bus_vtable kApplicationCalls[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Activate", "a{sv}", "", &ApplicationCalls::Activate, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Open", "asa{sv}", "", &ApplicationCalls::Activate, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("ActivateAction", "sava{sv}", "", &ApplicationCalls::ActivateAction,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

const sd_bus_vtable kNewsCalls[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Show", "ss", "u", &ApplicationCalls::ShowNews, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END};

}  // namespace

ApplicationService::ApplicationService(NewsShower showNews, QObject* parent)
    : QObject(parent), showNews_(std::move(showNews)) {
    int r = sd_bus_open_user(&bus_);
    if (r < 0) {
        bus_ = nullptr;
        error_ = std::strerror(-r);
        return;
    }
    r = sd_bus_add_object_vtable(bus_, &applicationSlot_, WindowProgramBus::kPath,
                                 "org.freedesktop.Application", kApplicationCalls, this);
    r = r < 0 ? r
              : sd_bus_add_object_vtable(bus_, &newsSlot_, WindowProgramBus::kPath,
                                         WindowProgramBus::kNewsInterface, kNewsCalls, this);
    if (r < 0) {
        error_ = std::strerror(-r);
    }
    reader_ = std::make_unique<QSocketNotifier>(sd_bus_get_fd(bus_), QSocketNotifier::Read);
    connect(reader_.get(), &QSocketNotifier::activated, this, [this] { Process(); });
}

ApplicationService::~ApplicationService() {
    reader_.reset();
    sd_bus_slot_unref(applicationSlot_);
    sd_bus_slot_unref(newsSlot_);
    sd_bus_flush_close_unref(bus_);
}

bool ApplicationService::Claim(bool queue) {
    if (bus_ == nullptr) {
        return false;
    }
    const int r = sd_bus_request_name(bus_, WindowProgramBus::kName, queue ? SD_BUS_NAME_QUEUE : 0);
    if (r == -EEXIST) {
        error_ = "another process holds it";
    } else if (r < 0) {
        error_ = std::strerror(-r);
    }
    // The request's reply may have come with calls for the name already waiting.
    QMetaObject::invokeMethod(
        this, [this] { Process(); }, Qt::QueuedConnection);
    return r > 0;
}

void ApplicationService::Process() {
    if (bus_ == nullptr) {
        return;
    }
    int r = 0;
    while ((r = sd_bus_process(bus_, nullptr)) > 0) {
    }
    // A bus that went away leaves its descriptor readable for good.
    if (r < 0) {
        reader_->setEnabled(false);
    }
}

}  // namespace yomida::qt
