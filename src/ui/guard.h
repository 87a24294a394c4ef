// Every event handler runs through run(): an exception leaving it is shown by the
// application-wide error handler and the program goes on.
#pragma once

#include <functional>

namespace ui {

void run(const std::function<void()>& handler) noexcept;

// Wraps a handler for connect(); the signal's arguments are dropped.
template <class F> auto guard(F f) {
    return [f](auto&&...) mutable { run(f); };
}

// Shows the current exception; used by run() and by the program's top level.
void showCurrentException() noexcept;

} // namespace ui
