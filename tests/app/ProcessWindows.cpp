#include "tests/app/ProcessWindows.h"

#include <cwchar>

namespace {

constexpr int kPollMs = 50;

} // namespace

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

HWND MainWindowOf(DWORD pid) {
    for (HWND h : TopWindowsOf(pid)) {
        const LONG_PTR ex = GetWindowLongPtrW(h, GWL_EXSTYLE);
        if (HasClass(h, L"LWnd") && (ex & WS_EX_NOACTIVATE) && !(ex & WS_EX_LAYERED))
            return h;
    }
    return nullptr;
}

HWND FindTitled(DWORD pid, const wchar_t* title) {
    for (HWND h : TopWindowsOf(pid)) {
        wchar_t text[64] = {};
        GetWindowTextW(h, text, 64);
        if (IsWindowVisible(h) && wcscmp(text, title) == 0)
            return h;
    }
    return nullptr;
}

bool WaitFor(const std::function<bool()>& cond, int ms) {
    for (int waited = 0; waited < ms; waited += kPollMs) {
        if (cond())
            return true;
        Sleep(kPollMs);
    }
    return cond();
}

bool Xdotool(std::vector<std::string> args) {
    // Wine's way out to a Unix program; missing on Windows.
    using UnixSpawn = LONG(CDECL*)(char* const argv[], int wait);
    static const auto spawn = reinterpret_cast<UnixSpawn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
    if (!spawn)
        return false;
    args.insert(args.begin(), "xdotool");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return spawn(argv.data(), TRUE) == 0;
}
