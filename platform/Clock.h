#pragma once

#include <chrono>

namespace yomida {

// "Today" comes through this interface so tests can fix the date.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::chrono::year_month_day Today() const = 0;
};

// The local calendar date of the machine.
class SystemClock final : public Clock {
public:
    std::chrono::year_month_day Today() const override;
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(std::chrono::year_month_day today) : today_(today) {}
    std::chrono::year_month_day Today() const override { return today_; }
    void Set(std::chrono::year_month_day today) { today_ = today; }

private:
    std::chrono::year_month_day today_;
};

}  // namespace yomida
