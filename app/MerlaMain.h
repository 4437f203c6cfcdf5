#pragma once
// The program's invisible centre: the tray icon and its menu, the open note windows, the reminder
// thread, and the notices about notes. It creates, hides, minimises, recycles and reloads notes for
// the tray menu, the note menus, the manager and the backup restore.
#include "app/UpdateCheck.h"
#include "note/MerlaFcbtFF.h"
#include "note/MerlaItem.h"
#include "store/NoteStore.h"
#include "store/StoreEvents.h"
#include "toolkit/LWnd.h"

#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

class ReminderScheduler;

// The open notes in the order they were opened or made; the main controller owns them.
using NoteRegistry = std::vector<std::unique_ptr<MerlaItem>>;

// Application messages of the main window (those the notes send are theirs to name).
inline constexpr UINT MSG_MAIN_RECYCLE_NOTE = NoteMsg::kMainRecycleNote; // wParam: note object id
inline constexpr UINT MSG_MAIN_CHECK_DESKTOP = NoteMsg::kMainCheckDesktop;
inline constexpr UINT MSG_MAIN_TOGGLE_SHOW = 50030;  // wParam: const MerlaMTEntry*
inline constexpr UINT MSG_MAIN_TOGGLE_TRANS = 50031; // wParam: const MerlaMTEntry*

class MerlaMain : public LWnd {
public:
    static constexpr int kId = 20000;
    static constexpr int kClickHelperSide = 12;
    static constexpr UINT_PTR kClickHelperTimer = 60005;
    static constexpr UINT kClickHelperMs = 200;
    static constexpr int kTrayIconSize = 24;
    static constexpr DWORD kExStyle = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    static constexpr DWORD kStyle = WS_POPUP | WS_VISIBLE;
    // A new note without a point: this far left of the work area's right edge, this far down.
    static constexpr int kNewNoteRightInset = 296, kNewNoteTop = 180;
    static constexpr int kNewNoteSide = 180;
    // A new note made from another note lies this far left of and below it.
    static constexpr int kNewNoteOffset = 30;
    static constexpr int kDownloadingBoxWidth = 300;
    static constexpr int kUpdateDialogId = 20102;

    // Without it (the tests' main windows) no update check is started.
    explicit MerlaMain(bool check_updates = false);
    ~MerlaMain() override;
    MerlaFcbtFF* FontWindow() const { return font_window_.get(); }

    bool OnCreate() override;
    void OnDestroy() override;
    void OnTimer(UINT_PTR timer_id) override;
    void OnTrayNotify(WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;

    // The process-wide main window handle that other windows and threads send to.
    static HWND MainWindow();
    // The open note of that name, or null.
    static MerlaItem* FindOpenNote(const std::wstring& name);

    // Opens every stored note that is not hidden and not open yet.
    void LoadNotes();
    // Command 30102: a new note, at the default place or placed from a point (x - 30, y + 30).
    MerlaItem* NewNote(bool with_point, POINT point);
    void HideNote(int note_id);
    void RecycleNote(int note_id);
    void DesktopCheck();
    // Builds a fresh tray menu and pops it up at the point; answers the menu (it frees itself).
    class MerlaMenuTray* OpenTrayMenu(POINT at);

    MerlaItem* NoteById(int id) const;
    const NoteRegistry& Notes() const { return notes_; }
    const std::vector<std::wstring>& GroupList() const { return groups_; }
    HWND ClickHelper() const { return click_helper_; }
    bool HasTrayIcon() const { return tray_added_; }
    // Whether this process holds the single-instance mutex (it is the one instance that runs).
    bool OwnsInstance() const { return mutex_ && !second_instance_; }

private:
    void AddTrayIcon();
    void RunCommand(int command, LPARAM lp);
    // A note the listing found, with what it read of the record.
    bool OpenNote(const StoredNote& stored);
    void DestroyNote(MerlaItem* note);
    void ShowAllNotes();
    void MinimiseAll();
    void PassThroughAll();
    void ClearPassThroughAll();
    void OpenManager();
    void OpenAbout();
    int AskUpdate(const std::wstring& notes);
    bool RestoreData(const RestoreRequest& request);
    LRESULT ToggleShow(WPARAM entry);
    LRESULT ToggleTrans(WPARAM entry);
    void Notice(int id, const wchar_t* text);
    void OpenWebPage(const wchar_t* path);

    HANDLE mutex_ = nullptr;
    HICON icon_ = nullptr;
    NOTIFYICONDATAW tray_{};
    bool tray_added_ = false;
    bool second_instance_ = false;
    bool destroyed_ = false;
    HWND click_helper_ = nullptr;
    std::unique_ptr<ReminderScheduler> reminder_;
    bool check_updates_ = false;
    // Not waited for: the process may end while it still downloads.
    HANDLE update_thread_ = nullptr;
    std::unique_ptr<MerlaFcbtFF> font_window_;
    NoteRegistry notes_;
    // The group names of the last tray menu; the group commands index them.
    std::vector<std::wstring> groups_;
};
