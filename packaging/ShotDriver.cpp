// Drives a running Velin for the help's screenshots, with the program's own messages where it has
// them, and tells where the window to photograph lies. One step per run:
//   velin_shotdriver start <program folder>   remember that folder as the run folder, start Velin.exe
//                                             there and wait for its main window
//   velin_shotdriver command <id>             send a toolkit command to the main window
//   velin_shotdriver tray                     open the tray menu as a right click on the icon does
//   velin_shotdriver window <title>           wait for the visible window with that title
//   velin_shotdriver note-command <id> <x> <y> send a toolkit command to the note at that screen
//                                             point, as its menu does
//   velin_shotdriver note-text <x> <y>        add a rich text box to the note at that screen point
//   velin_shotdriver largest                  wait a moment, then the largest visible window of Velin
//   velin_shotdriver quit                     exit through the tray command and wait for the end
// The window steps print "left top width height" of the window; a step that fails prints why and
// ends with 1.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr UINT kToolkitCommand = 10002;
constexpr UINT kTrayNotify = 10006;
constexpr UINT kAddRichText = 50023;
constexpr WPARAM kExitCommand = 30103;
constexpr int kNoteWidth = 180;
constexpr int kWaitMs = 30000;
constexpr int kPollMs = 100;
constexpr int kSettleMs = 1500;
constexpr DWORD kQuitMs = 10000;
constexpr wchar_t kRunFolderKey[] = L"Software\\brimsoft\\kivpad";
constexpr wchar_t kRunFolderValue[] = L"currunpath";

bool WaitFor(const std::function<bool()>& cond) {
    for (int waited = 0; waited < kWaitMs; waited += kPollMs) {
        if (cond())
            return true;
        Sleep(kPollMs);
    }
    return cond();
}

bool IsVelin(HWND h) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return false;
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const bool named = QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
    const wchar_t* name = wcsrchr(path, L'\\');
    return named && name && _wcsicmp(name + 1, L"Velin.exe") == 0;
}

std::vector<HWND> VelinWindows() {
    std::vector<HWND> found;
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            if (IsVelin(h))
                reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

bool HasClass(HWND h, const wchar_t* cls) {
    wchar_t name[64] = {};
    GetClassNameW(h, name, 64);
    return wcscmp(name, cls) == 0;
}

// The invisible controller: a toolkit window that takes no activation and is not layered.
HWND MainWindow() {
    for (HWND h : VelinWindows()) {
        const LONG_PTR ex = GetWindowLongPtrW(h, GWL_EXSTYLE);
        if (HasClass(h, L"LWnd") && (ex & WS_EX_NOACTIVATE) && !(ex & WS_EX_LAYERED))
            return h;
    }
    return nullptr;
}

HWND WaitMainWindow() {
    HWND main = nullptr;
    WaitFor([&] { return (main = MainWindow()) != nullptr; });
    return main;
}

HWND FindVisible(const std::function<bool(HWND)>& accept) {
    for (HWND h : VelinWindows()) {
        if (IsWindowVisible(h) && accept(h))
            return h;
    }
    return nullptr;
}

int Fail(const char* why) {
    std::fprintf(stderr, "velin_shotdriver: %s\n", why);
    return 1;
}

int PrintRect(HWND h) {
    RECT r{};
    if (!h || !GetWindowRect(h, &r))
        return Fail("the window did not appear");
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
}

int WaitTitled(const std::wstring& title) {
    HWND found = nullptr;
    WaitFor([&] {
        found = FindVisible([&](HWND h) {
            wchar_t text[128] = {};
            GetWindowTextW(h, text, 128);
            return title == text;
        });
        return found != nullptr;
    });
    // Menus and boxes fade and lay themselves out after they show.
    Sleep(kSettleMs);
    return PrintRect(found);
}

int Start(const std::wstring& folder) {
    std::wstring dir = folder;
    if (dir.empty() || dir.back() != L'\\')
        dir += L'\\';
    // The program asks to bring notes over when it last ran elsewhere; the shots want a quiet start.
    std::wstring lower = dir;
    for (wchar_t& c : lower)
        c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    HKEY key;
    if (RegCreateKeyW(HKEY_LOCAL_MACHINE, kRunFolderKey, &key) != ERROR_SUCCESS)
        return Fail("cannot store the run folder");
    RegSetValueExW(key, kRunFolderValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(lower.c_str()),
                   static_cast<DWORD>((lower.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);

    std::wstring cmd = L"\"" + dir + L"Velin.exe\"";
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
        return Fail("Velin.exe did not start");
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (!WaitMainWindow())
        return Fail("no main window");
    Sleep(kSettleMs);
    return 0;
}

int Command(WPARAM id) {
    HWND main = WaitMainWindow();
    if (!main)
        return Fail("no main window");
    PostMessageW(main, kToolkitCommand, id, 0);
    return 0;
}

int Tray() {
    HWND main = WaitMainWindow();
    if (!main)
        return Fail("no main window");
    PostMessageW(main, kTrayNotify, 0, WM_RBUTTONUP);
    return WaitTitled(L"系统托盘菜单");
}

// The visible note window at that point of the screen, waited for.
HWND NoteAt(POINT at) {
    HWND note = nullptr;
    WaitFor([&] {
        note = FindVisible([&](HWND h) {
            RECT r{};
            return HasClass(h, L"LWnd") && GetWindowRect(h, &r) && r.right - r.left == kNoteWidth &&
                   PtInRect(&r, at);
        });
        return note != nullptr;
    });
    return note;
}

int NoteCommand(POINT at, WPARAM id) {
    HWND note = NoteAt(at);
    if (!note)
        return Fail("no note there");
    PostMessageW(note, kToolkitCommand, id, 0);
    return 0;
}

// A rich text box on the note at that point, as a click on empty paper makes one.
int NoteText(POINT at) {
    HWND note = NoteAt(at);
    if (!note)
        return Fail("no note there");
    ScreenToClient(note, &at);
    PostMessageW(note, kAddRichText, 0, MAKELPARAM(at.x, at.y));
    return 0;
}

int Largest() {
    Sleep(kSettleMs * 2);
    HWND best = nullptr;
    long best_area = 0;
    for (HWND h : VelinWindows()) {
        RECT r{};
        if (!IsWindowVisible(h) || !GetWindowRect(h, &r))
            continue;
        const long area = (r.right - r.left) * (r.bottom - r.top);
        if (area > best_area) {
            best = h;
            best_area = area;
        }
    }
    return PrintRect(best);
}

int Quit() {
    HWND main = MainWindow();
    if (!main)
        return 0;
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageW(main, kToolkitCommand, kExitCommand, 0);
    if (!process)
        return 0;
    // A dialog left open for a shot can keep it from ending; it has served its purpose by then.
    if (WaitForSingleObject(process, kQuitMs) != WAIT_OBJECT_0) {
        HANDLE killable = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
        if (killable) {
            TerminateProcess(killable, 1);
            CloseHandle(killable);
        }
    }
    CloseHandle(process);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring step = argc > 1 ? argv[1] : L"";
    const std::wstring arg = argc > 2 ? argv[2] : L"";
    if (step == L"start" && !arg.empty())
        return Start(arg);
    if (step == L"command" && !arg.empty())
        return Command(static_cast<WPARAM>(_wtoi(arg.c_str())));
    if (step == L"tray")
        return Tray();
    if (step == L"window" && !arg.empty())
        return WaitTitled(arg);
    if (step == L"note-command" && argc > 4)
        return NoteCommand(POINT{_wtoi(argv[3]), _wtoi(argv[4])}, static_cast<WPARAM>(_wtoi(arg.c_str())));
    if (step == L"note-text" && argc > 3)
        return NoteText(POINT{_wtoi(argv[2]), _wtoi(argv[3])});
    if (step == L"largest")
        return Largest();
    if (step == L"quit")
        return Quit();
    return Fail("usage: start <folder> | command <id> | tray | window <title> | note-command <id> <x> <y> | "
                "note-text <x> <y> | largest | quit");
}
