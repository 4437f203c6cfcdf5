#pragma once
// What every benchmark program needs: a clock in milliseconds and a message pump.
#include "toolkit/Toolkit.h"

#include <windows.h>

#include <chrono>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// Every waiting message of the thread, through the toolkit as the program's loop does it.
inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (ToolkitPreTranslate(&msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace bench
