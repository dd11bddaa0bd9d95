#pragma once

#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace yomida {

// The code of a failure that needs no more than its text.
enum class NoCode { kFailed };

// An expected failure: what went wrong, in the program's own encoding (CP932), and a code for
// callers that choose by it.
template <typename Code = NoCode>
struct Failure {
    Code code{};
    std::string text;
};

template <typename Code>
Failure(Code, std::string) -> Failure<Code>;

// A value, or the failure that kept it from being made. Expected failures (a server that says
// no, a page without records) travel in a Result; exceptions stay for the unexpected.
template <typename T, typename Code = NoCode>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure<Code> failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool Ok() const { return state_.index() == 0; }
    explicit operator bool() const { return Ok(); }

    // Only when Ok().
    const T& Value() const& { return std::get<0>(state_); }
    T& Value() & { return std::get<0>(state_); }
    T&& Value() && { return std::get<0>(std::move(state_)); }
    const T& operator*() const& { return Value(); }
    const T* operator->() const { return &Value(); }

    // Only when not Ok().
    const Failure<Code>& Error() const { return std::get<1>(state_); }
    Code ErrorCode() const { return Error().code; }
    const std::string& ErrorText() const { return Error().text; }

    T ValueOr(T fallback) const { return Ok() ? Value() : std::move(fallback); }

private:
    std::variant<T, Failure<Code>> state_;
};

// Success without a value, or a failure.
template <typename Code>
class [[nodiscard]] Result<void, Code> {
public:
    Result() = default;
    Result(Failure<Code> failure) : failure_(std::move(failure)), ok_(false) {}

    bool Ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const Failure<Code>& Error() const { return failure_; }
    Code ErrorCode() const { return failure_.code; }
    const std::string& ErrorText() const { return failure_.text; }

private:
    Failure<Code> failure_;
    bool ok_ = true;
};

// A failure that needs only its text.
inline Failure<> Fail(std::string text) {
    return Failure<>{NoCode::kFailed, std::move(text)};
}

}  // namespace yomida
