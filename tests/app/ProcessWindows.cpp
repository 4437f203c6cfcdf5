#include "tests/app/ProcessWindows.h"

#include <cwchar>

std::vector<HWND> TopWindowsOf(DWORD pid) {
    struct Ctx {
        DWORD pid;
        std::vector<HWND> found;
    } ctx{pid, {}};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner == c->pid)
                c->found.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

bool HasClass(HWND window, const wchar_t* cls) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return wcscmp(name, cls) == 0;
}
