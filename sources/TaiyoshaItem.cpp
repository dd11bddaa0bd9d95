#include "sources/TaiyoshaItem.h"

#include "text/CommaText.h"
#include "text/NormaliseWidth.h"
#include "text/Sjis.h"
#include "text/SjisLiteral.h"

namespace yomida {
namespace {

std::string Cleaned(std::string_view text) {
    return ReplaceAllSjis(NormaliseWidth(ReplaceAllSjisNoCase(text, "<li>", "")), " ", "　"_sj);
}

bool IsBlank(unsigned char b) {
    return b >= 0x01 && b <= 0x20;
}

bool IsHalfWidthKana(unsigned char b) {
    return b >= 0xA1 && b <= 0xDD;
}

// "<li>" in any case.
bool IsItemMark(std::string_view four) {
    return four.size() == 4 && four[0] == '<' && (four[1] == 'l' || four[1] == 'L') &&
           (four[2] == 'i' || four[2] == 'I') && four[3] == '>';
}

bool IsSoundMark(unsigned char b) {
    return b == 0xDE || b == 0xDF;
}

}  // namespace

void TaiyoshaItem::Split(std::string_view text, std::vector<std::string>& fields) {
    SplitCommaText(Cleaned(text), fields);
}

void TaiyoshaItem::Reset(std::string text) {
    raw_ = std::move(text);
    done_ = 0;
    boundary_ = 0;
    recent_ = {kNone, kNone, kNone};
    doneCount_ = Counter();
}

size_t TaiyoshaItem::FieldCount() {
    // A character start is weighed as a cut once three bytes follow it: by then its length and
    // any "<li>" around it are known for good.
    size_t cut = done_;
    while (boundary_ + 3 <= raw_.size()) {
        if (boundary_ > 0 && SafeCut(boundary_)) {
            cut = boundary_;
        }
        recent_ = {boundary_, recent_[0], recent_[1]};
        boundary_ += CharLength(raw_, boundary_);
    }
    const std::string_view raw = raw_;
    if (cut > done_) {
        doneCount_.Feed(Cleaned(raw.substr(done_, cut - done_)));
        done_ = cut;
    }
    Counter all = doneCount_;
    all.Feed(Cleaned(raw.substr(done_)));
    return all.Count();
}

// True when cleaning the text before and after `k` apart gives the cleaning of the whole: no
// "<li>" spans the cut, and no half-width kana before it takes a sound mark after it, which
// may stand behind a "<li>" that goes.
bool TaiyoshaItem::SafeCut(size_t k) const {
    for (size_t start : recent_) {
        if (start != kNone && start < k && start + 3 >= k &&
            IsItemMark(std::string_view(raw_).substr(start, 4))) {
            return false;
        }
    }
    const auto before = static_cast<unsigned char>(raw_[k - 1]);
    const auto after = static_cast<unsigned char>(raw_[k]);
    return !((IsHalfWidthKana(before) || before == '>') && (after == '<' || IsSoundMark(after)));
}

void TaiyoshaItem::Counter::Feed(std::string_view text) {
    for (char c : text) {
        Step(static_cast<unsigned char>(c));
    }
}

void TaiyoshaItem::Counter::Step(unsigned char b) {
    if (b == 0) {
        stopped_ = true;  // the split ends the text at a NUL byte, in whatever state
    }
    if (stopped_) {
        return;
    }
    switch (state_) {
        case State::Start:
        case State::AfterComma:
            if (!IsBlank(b)) {
                StartItem(b);
            }
            return;
        case State::CommaAtEnd:
            if (IsBlank(b)) {
                state_ = State::AfterComma;
            } else {
                StartItem(b);
            }
            return;
        case State::Quoted:
            if (b == '"') {
                state_ = State::QuoteSeen;
            } else if (IsLeadByte(b)) {
                state_ = State::QuotedTrail;
            }
            return;
        case State::QuotedTrail:
            state_ = State::Quoted;
            return;
        case State::QuoteSeen:
            if (b == '"') {
                state_ = State::Quoted;  // a doubled quote
            } else {
                AfterItem(b);
            }
            return;
        case State::Unquoted:
            Unquoted(b);
            return;
        case State::UnquotedTrail:
            state_ = State::Unquoted;
            return;
        case State::AfterItem:
            AfterItem(b);
            return;
    }
}

void TaiyoshaItem::Counter::StartItem(unsigned char b) {
    ++count_;
    if (b == '"') {
        state_ = State::Quoted;
    } else {
        Unquoted(b);
    }
}

void TaiyoshaItem::Counter::Unquoted(unsigned char b) {
    if (b > 0x20 && b != ',') {
        state_ = IsLeadByte(b) ? State::UnquotedTrail : State::Unquoted;
    } else {
        AfterItem(b);
    }
}

void TaiyoshaItem::Counter::AfterItem(unsigned char b) {
    if (b == ',') {
        state_ = State::CommaAtEnd;
    } else if (IsBlank(b)) {
        state_ = State::AfterItem;
    } else {
        StartItem(b);
    }
}

}  // namespace yomida
