#pragma once
// The invisible main window: tray icon, single instance, data folder. Notes, menus and threads
// join it as their parts of the program arrive.
#include <windows.h>
#include <shellapi.h>

#include "note/MerlaItem.h"
#include "reminder/ReminderScheduler.h"

#include <memory>
#include <vector>

class MerlaMain {
public:
    static constexpr int kId = 20000;
    static constexpr UINT kTrayMessage = 10006;
    static constexpr int kCmdExit = 30103;

    MerlaMain() = default;
    ~MerlaMain();
    MerlaMain(const MerlaMain&) = delete;
    MerlaMain& operator=(const MerlaMain&) = delete;

    bool Create(HINSTANCE instance, int x, int y);
    HWND hwnd() const { return hwnd_; }
    // The process-wide main window handle that other windows and threads send to.
    static HWND MainWindow();

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    void OnCreate();
    // Opens every stored note that is not hidden and not open yet.
    void LoadNotes();
    void OnDestroy();
    void OnTrayNotify(LPARAM mouse);
    void AddTrayIcon();

    HWND hwnd_ = nullptr;
    HANDLE mutex_ = nullptr;
    HICON icon_ = nullptr;
    NOTIFYICONDATAW tray_{};
    bool tray_added_ = false;
    std::unique_ptr<ReminderScheduler> reminder_;
    // The open notes in the order they were opened.
    std::vector<std::unique_ptr<MerlaItem>> notes_;
};
