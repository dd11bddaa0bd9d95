#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "download/HttpClient.h"
#include "platform/TcpSocket.h"

namespace yomida {

// How one request waits: between sleeps it runs the caller's message loop and asks for a
// cancel, and it ends the wait when the request's time-out has run out. It sleeps no longer
// than the time-out allows, and no longer than HttpClient::kWakeMs when the caller has a
// message loop to run or a cancel to ask; otherwise a silent server costs no wake-up at all.
class HttpWaiter final : public TcpWaiter {
public:
    HttpWaiter(const HttpProgress& progress, int timeOutMs)
        : progress_(progress), timeOutMs_(timeOutMs) {}

    int SleepLimitMs() override;
    bool Idle() override;

    // Runs the caller's message loop when it has not run for HttpClient::kWakeMs: a server
    // that sends a little at a time never lets a wait sleep that long.
    void PumpIfDue();
    // The time-out starts afresh, as each connection of a redirect chain begins.
    void StartTimeOut();
    void Received(size_t bytes);
    // Asks the caller whether to cancel; true once it said so.
    bool AskCancel();
    bool CancelRequested() const { return cancelled_; }
    // True once the time-out ended a wait; TimeOutText() then says how.
    bool TimedOut() const { return timedOut_; }
    const std::string& TimeOutText() const { return timeOutText_; }

private:
    bool TimeOutPassed();

    const HttpProgress& progress_;
    int timeOutMs_;
    bool cancelled_ = false;
    bool timedOut_ = false;
    std::string timeOutText_;
    std::chrono::steady_clock::time_point lastByte_;
    std::chrono::steady_clock::time_point windowStart_;
    uint64_t windowBytes_ = 0;
    std::chrono::steady_clock::time_point lastPump_ = std::chrono::steady_clock::now();
};

}  // namespace yomida
