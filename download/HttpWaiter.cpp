#include "download/HttpWaiter.h"

#include <algorithm>

namespace yomida {
namespace {

std::string TimeOutDurationText(int ms) {
    if (ms % 1000 != 0) {
        return std::to_string(ms) + " milliseconds";
    }
    return std::to_string(ms / 1000) + (ms == 1000 ? " second" : " seconds");
}

}  // namespace

int HttpWaiter::SleepLimitMs() {
    int limit = progress_.pump || progress_.cancelled ? HttpClient::kWakeMs : -1;
    if (timeOutMs_ > 0) {
        // Rounded up: a sleep that ends a little early would only spin until the deadline.
        const auto deadline =
            std::min(lastByte_, windowStart_) + std::chrono::milliseconds(timeOutMs_);
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int ms = static_cast<int>(std::clamp<long long>(left.count(), 0, timeOutMs_));
        limit = limit < 0 ? ms : std::min(limit, ms);
    }
    return limit;
}

bool HttpWaiter::Idle() {
    if (progress_.pump) {
        progress_.pump();
        lastPump_ = std::chrono::steady_clock::now();
    }
    if (AskCancel()) {
        return false;
    }
    if (TimeOutPassed()) {
        timedOut_ = true;
        return false;
    }
    return true;
}

void HttpWaiter::PumpIfDue() {
    const auto now = std::chrono::steady_clock::now();
    if (progress_.pump && now - lastPump_ >= std::chrono::milliseconds(HttpClient::kWakeMs)) {
        progress_.pump();
        lastPump_ = now;
    }
}

void HttpWaiter::StartTimeOut() {
    timedOut_ = false;
    lastByte_ = windowStart_ = std::chrono::steady_clock::now();
    windowBytes_ = 0;
}

void HttpWaiter::Received(size_t bytes) {
    if (bytes > 0) {
        lastByte_ = std::chrono::steady_clock::now();
        windowBytes_ += bytes;
    }
}

bool HttpWaiter::AskCancel() {
    if (!cancelled_ && progress_.cancelled && progress_.cancelled()) {
        cancelled_ = true;
    }
    return cancelled_;
}

bool HttpWaiter::TimeOutPassed() {
    if (timeOutMs_ <= 0) {
        return false;
    }
    const auto now = std::chrono::steady_clock::now();
    const std::chrono::milliseconds limit(timeOutMs_);
    if (now - lastByte_ >= limit) {
        timeOutText_ = "Timed out: nothing received for " + TimeOutDurationText(timeOutMs_);
        return true;
    }
    if (now - windowStart_ >= limit) {
        if (windowBytes_ < HttpClient::kMinBytesPerTimeOut) {
            timeOutText_ = "Timed out: under " + std::to_string(HttpClient::kMinBytesPerTimeOut) +
                           " bytes received in " + TimeOutDurationText(timeOutMs_);
            return true;
        }
        windowStart_ = now;
        windowBytes_ = 0;
    }
    return false;
}

}  // namespace yomida
