#pragma once
// What every benchmark program needs: a clock in milliseconds and a message pump.
#include <chrono>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

} // namespace bench
