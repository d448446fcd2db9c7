// Runs an action when the scope ends, however it ends (return or exception).
#pragma once

#include <utility>

namespace kiv {

template <typename F> class ScopeExit {
public:
    explicit ScopeExit(F action) : action_(std::move(action)) {}
    ~ScopeExit() { action_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F action_;
};

} // namespace kiv
