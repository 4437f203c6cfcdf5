#pragma once
// Buttons of the program's message box; a box answers the bit of the button pressed.
enum MessageBoxBits : int {
    kMbOk = 1,
    kMbCancel = 2,
    kMbYes = 4,
    kMbNo = 8,
    kMbReplace = 16, // "替换"
    kMbSkip = 32,    // "跳过"
};
