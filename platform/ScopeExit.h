#pragma once

#include <utility>

namespace yomida {

// Runs a function when the scope ends, however it ends: the one way to undo a temporary change
// on every way out.
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F undo) : undo_(std::move(undo)) {}
    ~ScopeExit() { undo_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F undo_;
};

}  // namespace yomida
