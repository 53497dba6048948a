#pragma once

#include <utility>

namespace base {

// Runs a function when the scope it lives in ends, however it ends (a busy cursor
// put back, transactions ended, a result handed over). The function must not throw.
template <typename F>
class ScopeExit {
  public:
    explicit ScopeExit(F onExit) : onExit_(std::move(onExit)) {}
    ~ScopeExit() { onExit_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

  private:
    F onExit_;
};

}  // namespace base
