#pragma once

#include <chrono>

namespace yomida {

// "Today" comes through this interface so tests can fix the date.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::year_month_day Today() const = 0;
    // The local wall-clock time, for the stamps a user reads.
    virtual std::chrono::local_seconds Now() const { return std::chrono::local_days{Today()}; }
};

// The local calendar date and time of the machine.
class SystemClock final : public Clock {
public:
    std::chrono::year_month_day Today() const override;
    std::chrono::local_seconds Now() const override;
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(std::chrono::year_month_day today) : today_(today) {}
    std::chrono::year_month_day Today() const override { return today_; }
    std::chrono::local_seconds Now() const override {
        return std::chrono::local_days{today_} + timeOfDay_;
    }
    void Set(std::chrono::year_month_day today) { today_ = today; }
    void SetTimeOfDay(std::chrono::seconds timeOfDay) { timeOfDay_ = timeOfDay; }

private:
    std::chrono::year_month_day today_;
    std::chrono::seconds timeOfDay_{0};
};

}  // namespace yomida
