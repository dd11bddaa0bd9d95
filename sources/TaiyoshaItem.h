#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace yomida {

// A 太洋社 list item that grows line by line until it has its fields. The converter asks for
// the field count after every line; the count is kept up to date in time proportional to what
// is appended, so an item that never completes costs no more than its length.
class TaiyoshaItem {
public:
    // The fields of an item text: "<li>" dropped, widths normalised, spaces protected so that
    // only commas cut.
    static void Split(std::string_view text, std::vector<std::string>& fields);

    const std::string& Text() const { return raw_; }
    void Reset(std::string text);
    void Append(std::string_view text) { raw_ += text; }
    // What Split would give as the number of fields of Text().
    size_t FieldCount();

private:
    // Counts the items of a comma text that arrives in pieces, step for step as the split
    // itself goes.
    class Counter {
    public:
        void Feed(std::string_view text);
        // A comma at the very end stands for one more, empty item.
        size_t Count() const { return count_ + (state_ == State::CommaAtEnd ? 1 : 0); }

    private:
        enum class State {
            Start,
            Quoted,
            QuotedTrail,
            QuoteSeen,
            Unquoted,
            UnquotedTrail,
            AfterItem,
            CommaAtEnd,
            AfterComma
        };
        void Step(unsigned char b);
        void StartItem(unsigned char b);
        void Unquoted(unsigned char b);
        void AfterItem(unsigned char b);

        State state_ = State::Start;
        bool stopped_ = false;
        size_t count_ = 0;
    };

    bool SafeCut(size_t k) const;

    static constexpr size_t kNone = static_cast<size_t>(-1);
    std::string raw_;
    size_t done_ = 0;      // raw_[0, done_) is counted in doneCount_
    size_t boundary_ = 0;  // the next character start not looked at yet
    std::array<size_t, 3> recent_{kNone, kNone, kNone};  // the character starts before it
    Counter doneCount_;
};

}  // namespace yomida
