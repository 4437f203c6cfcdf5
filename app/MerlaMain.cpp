#include "app/MerlaMain.h"

#include "app/AppPaths.h"
#include "app/RunFolder.h"
#include "app/SingleInstance.h"
#include "note/MerlaItem.h"
#include "store/NoteStore.h"
#include "toolkit/LWnd.h"

#include <algorithm>
#include "toolkit/MerlaMessageBox.h"

#include <cwchar>

namespace {

constexpr wchar_t kClassName[] = L"MerlaMain";
constexpr wchar_t kTrayTip[] = L"Velin...";
constexpr wchar_t kAlreadyRunning[] = L"软件已经启动了！";
constexpr int kTrayIconSize = 24;
constexpr DWORD kReminderStopWaitMs = 5000;
HWND g_main_window = nullptr;

} // namespace

HWND MerlaMain::MainWindow() {
    return g_main_window;
}

MerlaMain::~MerlaMain() {
    if (hwnd_)
        DestroyWindow(hwnd_);
    if (mutex_)
        CloseHandle(mutex_);
}

bool MerlaMain::Create(HINSTANCE instance, int x, int y) {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassExW(&wc);
    return CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP | WS_VISIBLE, x, y,
                           0, 0, nullptr, nullptr, instance, this) != nullptr;
}

LRESULT CALLBACK MerlaMain::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<MerlaMain*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<MerlaMain*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self)
        return DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT r = self->WindowProc(msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return r;
}

LRESULT MerlaMain::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case kTrayMessage:
        OnTrayNotify(lp);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == kCmdExit)
            SendMessageW(hwnd_, WM_DESTROY, 0, 0);
        return 0;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

void MerlaMain::AddTrayIcon() {
    icon_ = static_cast<HICON>(LoadImageW(nullptr, (ResDir() + L"Merla.ico").c_str(), IMAGE_ICON,
                                          kTrayIconSize, kTrayIconSize, LR_LOADFROMFILE));
    tray_.cbSize = sizeof(tray_);
    tray_.hWnd = hwnd_;
    tray_.uID = 0;
    tray_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    tray_.uCallbackMessage = kTrayMessage;
    tray_.hIcon = icon_;
    wcsncpy(tray_.szTip, kTrayTip, std::size(tray_.szTip) - 1);
    tray_added_ = Shell_NotifyIconW(NIM_ADD, &tray_) != FALSE;
}

void MerlaMain::OnCreate() {
    AddTrayIcon();
    g_main_window = hwnd_;
    mutex_ = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        ShowMessageBox(hwnd_, kAlreadyRunning, kMbOk);
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        return;
    }
    ResolveDataFolder(
        [this](const std::wstring& text, int buttons) { return ShowMessageBox(hwnd_, text, buttons); });
    // The folder tree exists from the first start on.
    NoteItemsDir();
    GroupItemsDir();
    TplsDir();
    RecycleDir();
    NormalSetDir();
    LoadNotes();
    // Note windows are toolkit windows: their ids lead to their handles under the registry lock.
    reminder_ = std::make_unique<ReminderScheduler>(LWnd::HandleFromId);
    reminder_->Start();
}

void MerlaMain::OnTrayNotify(LPARAM mouse) {
    if (mouse != WM_RBUTTONUP)
        return;
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kCmdExit, L"退出");
    POINT pt;
    GetCursorPos(&pt);
    SetForegroundWindow(hwnd_);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd_, nullptr);
    DestroyMenu(menu);
}

void MerlaMain::LoadNotes() {
    auto is_open = [this](const std::wstring& name) {
        return std::any_of(notes_.begin(), notes_.end(),
                           [&](const auto& note) { return note->Name() == name; });
    };
    for (const StoredNote& stored : ListNotesToOpen(is_open)) {
        auto note = std::make_unique<MerlaItem>(stored.name, stored.base_folder);
        // The note takes its place and size from its record.
        if (note->Create(stored.id, L"", MerlaItem::kExStyle, MerlaItem::kStyle, 0, 0, 0, 0, nullptr))
            notes_.push_back(std::move(note));
    }
}

void MerlaMain::OnDestroy() {
    notes_.clear();
    // Between two notes, never in the middle of rewriting a reminder file. A thread held up by a
    // shell message about a file it ran is left to end with the process, its object with it.
    if (reminder_ && !reminder_->Stop(kReminderStopWaitMs))
        (void)reminder_.release();
    if (tray_added_)
        Shell_NotifyIconW(NIM_DELETE, &tray_);
    tray_added_ = false;
    if (icon_)
        DestroyIcon(icon_);
    icon_ = nullptr;
    PostQuitMessage(0);
}
