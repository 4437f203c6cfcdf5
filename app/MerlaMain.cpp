#include "app/MerlaMain.h"
#include "note/LRichEditNI.h"

#include "app/base/AppPaths.h"
#include "app/base/NoteRegistries.h"
#include "app/base/DirUtils.h"
#include "app/base/Log.h"
#include "app/MerlaAbout.h"
#include "app/MerlaUpdate.h"
#include "app/MerlaMenuTray.h"
#include "app/Product.h"
#include "app/base/RunFolder.h"
#include "app/base/SysConfig.h"
#include "app/SingleInstance.h"
#include "manager/MerlaMenuSelTpl.h"
#include "manager/MxMiManager.h"
#include "note/MerlaMenuNote.h"
#include "note/MerlaItem.h"
#include "reminder/ReminderScheduler.h"
#include "store/xml/CXmlDoc.h"
#include "store/xml/FileBytes.h"
#include "store/DataMerge.h"
#include "store/NoteRecord.h"
#include "store/NoteStore.h"
#include "store/NoteTemplate.h"
#include "store/StoreEvents.h"
#include "toolkit/MerlaMessageBox.h"
#include "toolkit/Toolkit.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr wchar_t kObjectName[] = L"MerlaMain";
constexpr wchar_t kTrayTip[] = L"Velin...";
constexpr wchar_t kAlreadyRunning[] = L"软件已经启动了！";
constexpr wchar_t kDownloading[] = L"正在后台下载更新程序，请稍等...";
constexpr wchar_t kHelpFile[] = L"help.chm";
constexpr wchar_t kOpen[] = L"open";
constexpr wchar_t kToolkitClass[] = L"LWnd";
constexpr wchar_t kStartupProfileVariable[] = L"VELIN_STARTUP_PROFILE";
constexpr size_t kProfileLineChars = 256;
constexpr DWORD kReminderStopWaitMs = 5000;
constexpr double kAbsoluteMouseRange = 65535.0;
constexpr DWORD kNewNoteStyle = WS_POPUP | WS_VISIBLE | WS_MINIMIZEBOX;
HWND g_main_window = nullptr;
constexpr wchar_t kShippedTemplates[] = L"tpls\\";

// The first template of the default group whose picture is in its folder; empty when none.
std::wstring FirstTemplateWithPicture() {
    const std::wstring tpls = TplsDir();
    for (const std::wstring& name : ListEntries(tpls)) {
        const std::wstring folder = tpls + name + L"\\";
        CXmlDoc doc;
        if (!doc.Load(folder + name + L".xml"))
            continue;
        doc.Rewind();
        std::wstring bkimage;
        if (doc.FindNext(kTemplateRoot) && doc.Into() && doc.GetChildText(NoteKey::kBkImage, bkimage) &&
            !bkimage.empty() && FileExists(folder + bkimage))
            return name;
    }
    return {};
}

// The right edge of the work area of the monitor nearest to the screen's origin.
int WorkAreaRight() {
    MONITORINFO info{sizeof(info)};
    if (HMONITOR monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTONEAREST);
        monitor && GetMonitorInfoW(monitor, &info))
        return info.rcWork.right;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work.right;
}

} // namespace

HWND MerlaMain::MainWindow() {
    return g_main_window;
}

MerlaItem* MerlaMain::FindOpenNote(const std::wstring& name) {
    return ::FindOpenNote(name);
}

MerlaMain::MerlaMain(bool check_updates) : check_updates_(check_updates) {
    SetObjectName(kObjectName);
    MerlaMenuNoteBase::SetTemplateChooserMaker(&MerlaMenuSelTpl::Make);
}

MerlaMain::~MerlaMain() {
    font_window_.reset();
    if (update_thread_)
        CloseHandle(update_thread_);
    if (handle_ && IsWindow(handle_))
        DestroyWindow(handle_);
    if (click_helper_ && IsWindow(click_helper_))
        DestroyWindow(click_helper_);
    if (mutex_)
        CloseHandle(mutex_);
    if (g_main_window && !IsWindow(g_main_window))
        g_main_window = nullptr;
}

void MerlaMain::AddTrayIcon() {
    icon_ = static_cast<HICON>(LoadImageW(nullptr, (ResDir() + L"Merla.ico").c_str(), IMAGE_ICON,
                                          kTrayIconSize, kTrayIconSize, LR_LOADFROMFILE));
    tray_.cbSize = sizeof(tray_);
    tray_.hWnd = handle_;
    tray_.uID = 0;
    tray_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    tray_.uCallbackMessage = LNotify::kTray;
    tray_.hIcon = icon_;
    wcsncpy(tray_.szTip, kTrayTip, std::size(tray_.szTip) - 1);
    // Without a tray the program still runs; the notes' menus reach everything.
    tray_added_ = Shell_NotifyIconW(NIM_ADD, &tray_) != FALSE;
}

bool MerlaMain::OnCreate() {
    const bool ok = LWnd::OnCreate();
    AddTrayIcon();
    g_main_window = handle_;
    mutex_ = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        second_instance_ = true;
        ShowMessageBox(handle_, kAlreadyRunning, kMbOk);
        PostMessageW(handle_, WM_CLOSE, 0, 0);
        return ok;
    }
    ResolveDataFolder(
        [this](const std::wstring& text, int buttons) { return ShowMessageBox(handle_, text, buttons); });
    // The folder tree exists from the first start on; a fresh one gets the shipped templates, so
    // that the first note is not grey.
    const bool fresh = !TplsDirExists();
    NoteItemsDir();
    GroupItemsDir();
    TplsDir();
    if (fresh)
        InstallShippedTemplates(ResDir() + kShippedTemplates);
    RecycleDir();
    NormalSetDir();
    // A plain window of the toolkit's class, not a toolkit object: it only takes a synthesised click.
    click_helper_ =
        CreateWindowExW(0, kToolkitClass, L"", WS_POPUP, -1, -1, kClickHelperSide, kClickHelperSide,
                        GetDesktopWindow(), nullptr, ToolkitInstance(), nullptr);
    DesktopCheck();
    LoadNotes();
    const EditOptions options = SysConfig::ReadEditOptions();
    RichOptions() = RichItemOptions{options.double_click, options.auto_change_line, options.show_float_wnd};
    // Note windows are toolkit windows: their ids lead to their handles under the registry lock.
    reminder_ = std::make_unique<ReminderScheduler>(LWnd::HandleFromId);
    reminder_->Start();
    DesktopCheck();
    font_window_ = std::make_unique<MerlaFcbtFF>();
    if (!font_window_->CreateFloating(handle_))
        font_window_.reset();
    if (check_updates_)
        update_thread_ = CreateThread(nullptr, 0, UpdateCheck, handle_, 0, nullptr);
    return ok;
}

void MerlaMain::OnDestroy() {
    if (!destroyed_) {
        destroyed_ = true;
        while (!notes_.empty()) {
            auto note = std::move(notes_.front());
            notes_.erase(notes_.begin());
            note.reset();
        }
        // Between two notes, never in the middle of rewriting a reminder file. A thread held up by a
        // shell message about a file it ran is left to end with the process, its object with it.
        if (reminder_ && !reminder_->Stop(kReminderStopWaitMs))
            (void)reminder_.release();
        reminder_.reset();
        if (tray_added_)
            Shell_NotifyIconW(NIM_DELETE, &tray_);
        tray_added_ = false;
        if (icon_)
            DestroyIcon(icon_);
        icon_ = nullptr;
        KillTimer(handle_, kClickHelperTimer);
        PostQuitMessage(0);
    }
    LWnd::OnDestroy();
}

void MerlaMain::OnTimer(UINT_PTR timer_id) {
    if (timer_id != kClickHelperTimer) {
        LWnd::OnTimer(timer_id);
        return;
    }
    if (click_helper_ && IsWindowVisible(click_helper_))
        ShowWindow(click_helper_, SW_HIDE);
    KillTimer(handle_, kClickHelperTimer);
}

void MerlaMain::DesktopCheck() {
    if (FindDesktopView())
        return;
    if (!click_helper_)
        return;
    const int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
    POINT cursor{};
    GetCursorPos(&cursor);
    MoveWindow(click_helper_, cursor.x - 1, cursor.y - 1, 2, 2, FALSE);
    ShowWindow(click_helper_, SW_SHOWNORMAL);
    SetForegroundWindow(click_helper_);
    // A click of our own brings the shell's desktop view back where a shell keeps it elsewhere.
    if (screen_w > 0 && screen_h > 0) {
        const DWORD x = static_cast<DWORD>(cursor.x * kAbsoluteMouseRange / screen_w);
        const DWORD y = static_cast<DWORD>(cursor.y * kAbsoluteMouseRange / screen_h);
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, x, y, 0, 0);
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, x, y, 0, 0);
    }
    SetTimer(handle_, kClickHelperTimer, kClickHelperMs, nullptr);
}

void MerlaMain::OnTrayNotify(WPARAM, LPARAM lp) {
    switch (static_cast<UINT>(lp)) {
    case WM_LBUTTONUP:
        DesktopCheck();
        for (const auto& note : notes_) {
            note->Show(SW_SHOW);
            SetForegroundWindow(note->GetHandle());
        }
        break;
    case WM_RBUTTONUP: {
        POINT cursor{};
        GetCursorPos(&cursor);
        OpenTrayMenu(cursor);
        break;
    }
    default:
        break;
    }
}

MerlaMenuTray* MerlaMain::OpenTrayMenu(POINT at) {
    std::vector<MerlaMTNote> hidden, pass_through;
    for (const auto& note : notes_) {
        const MerlaMTNote entry{note->Name(), &note->BackBuffer()};
        if (!IsWindowVisible(note->GetHandle()))
            hidden.push_back(entry);
        if (GetWindowLongPtrW(note->GetHandle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT)
            pass_through.push_back(entry);
    }
    auto* menu = new MerlaMenuTray(std::move(hidden), std::move(pass_through));
    if (!menu->Build(handle_)) {
        delete menu;
        return nullptr;
    }
    groups_ = menu->GroupNames();
    // The menu frees itself once it has been shown and closed.
    menu->PopupAt(at.x, at.y);
    return menu;
}

void MerlaMain::LoadNotes() {
    auto is_open = [this](const std::wstring& name) {
        return std::any_of(notes_.begin(), notes_.end(),
                           [&](const auto& note) { return note->Name() == name; });
    };
    std::vector<int> stored_ids;
    const std::vector<StoredNote> to_open = ListNotesToOpen(is_open, &stored_ids);
    // A hidden note keeps its id for the day it is shown: no note made meanwhile may take it.
    for (int id : stored_ids)
        LObject::ReserveId(id);
    for (const StoredNote& stored : to_open)
        OpenNote(stored);
    // Asked for by the start-up bench: where the notes' opening went, into the log.
    if (!to_open.empty() && GetEnvironmentVariableW(kStartupProfileVariable, nullptr, 0) > 0) {
        const MerlaItem::OpenTimes& t = MerlaItem::OpenTimesSoFar();
        wchar_t line[kProfileLineChars];
        swprintf(line, kProfileLineChars,
                 L"startup profile: %d notes, ms: window %.0f, records %.0f, picture %.0f, items %.0f, "
                 L"paint %.0f, show %.0f, present %.0f",
                 t.notes, t.window, t.records, t.picture, t.items, t.paint, t.show, t.present);
        WriteLog(line);
    }
}

bool MerlaMain::OpenNote(const StoredNote& stored) {
    const std::wstring& name = stored.name;
    const int stored_id = stored.id;
    // A copied folder, or a note made in an earlier run before its id was kept, may name an id an
    // open window holds: hide, recycle and reminders would then reach the wrong note.
    const bool id_taken = stored_id != 0 && LWnd::HandleFromId(stored_id) != nullptr;
    const int id = id_taken ? 0 : stored_id;
    auto note = std::make_unique<MerlaItem>(name, stored.base_folder);
    if (stored.record)
        note->UseLoadedRecord(std::move(*stored.record));
    // Made at its stored place and size, so that it is drawn once; the note still keeps a note
    // stored off the screen within reach as it loads.
    NoteRect r{};
    if (stored.has_rect)
        r = stored.rect;
    else
        NoteRecord::ForNote(NoteFolder(name, stored.base_folder), name).ReadRect(r);
    if (!note->Create(id, L"", MerlaItem::kExStyle, MerlaItem::kStyle, r.left, r.top, r.Width(), r.Height(),
                      nullptr))
        return false;
    // The reminders find a note by the id in its record: a record without one (or with a taken one)
    // gets the window's.
    if (note->GetId() != stored_id)
        NoteRecord::ForNote(note->Folder(), note->Name()).WriteInt(NoteKey::kId, note->GetId());
    // Create has drawn, presented and shown it.
    notes_.push_back(std::move(note));
    return true;
}

MerlaItem* MerlaMain::NewNote(bool with_point, POINT point) {
    MerlaItem* source = LastActiveNote();
    if (!source && !notes_.empty())
        source = notes_.back().get();
    const std::wstring temp_folder = TplsDir() + kTempTemplateName + L"\\";
    bool have_temp = false;
    std::wstring tpl;
    if (source) {
        have_temp = SaveNoteAsTemplate(source->Folder(), source->Name(), L"", kTempTemplateName);
    } else {
        DeleteTree(temp_folder);
        tpl = FirstTemplateWithPicture();
    }

    const std::wstring group = CurrentGroup();
    std::wstring base_folder;
    if (!group.empty()) {
        base_folder = GroupItemsDir() + group + L"\\";
        // The group may have been deleted since its menu was built.
        EnsureFolder(base_folder);
    }
    auto note = std::make_unique<MerlaItem>(L"", base_folder);
    note->SetGroup(group);
    const int x = with_point ? point.x - kNewNoteOffset : WorkAreaRight() - kNewNoteRightInset;
    const int y = with_point ? point.y + kNewNoteOffset : kNewNoteTop;
    if (!note->Create(0, L"", MerlaItem::kExStyle, kNewNoteStyle, x, y, kNewNoteSide, kNewNoteSide,
                      nullptr)) {
        if (have_temp)
            DeleteTree(temp_folder);
        return nullptr;
    }
    if (source) {
        // A note without a picture leaves no template: only its colour carries over.
        if (have_temp) {
            note->UseTemplate(kTempTemplateName, L"");
            DeleteTree(temp_folder);
        }
        note->SetCurColor(source->CurColor());
    } else if (!tpl.empty()) {
        note->UseTemplate(tpl, L"");
    } else {
        note->PaintBackground();
    }
    note->SaveRect();
    NoteRecord record = NoteRecord::ForNote(note->Folder(), note->Name(), note->GetId());
    const std::wstring now = NoteTimeNow();
    record.WriteText(NoteKey::kDateTime, now);
    record.WriteText(NoteKey::kUpdateTime, now);
    if (note->Redraw())
        note->Present();
    notes_.push_back(std::move(note));
    return notes_.back().get();
}

MerlaItem* MerlaMain::NoteById(int id) const {
    for (const auto& note : notes_) {
        if (note->GetId() == id)
            return note.get();
    }
    return nullptr;
}

void MerlaMain::DestroyNote(MerlaItem* note) {
    auto it = std::find_if(notes_.begin(), notes_.end(), [note](const auto& p) { return p.get() == note; });
    if (it == notes_.end())
        return;
    auto owned = std::move(*it);
    notes_.erase(it);
    owned.reset();
}

void MerlaMain::HideNote(int note_id) {
    MerlaItem* note = NoteById(note_id);
    if (!note)
        return;
    note->WriteHidden();
    DestroyNote(note);
    Notice(NoteNotice::kHidden, NoteNotice::kHiddenText);
}

void MerlaMain::RecycleNote(int note_id) {
    MerlaItem* note = NoteById(note_id);
    if (!note)
        return;
    const std::wstring folder = note->Folder();
    const std::wstring target = RecycleDir() + note->Name() + L"\\";
    // The window goes first, so nothing of it writes into the folder once it has moved.
    DestroyNote(note);
    MoveNoteFolder(folder, target);
}

void MerlaMain::ShowAllNotes() {
    for (const auto& note : notes_) {
        note->Show(SW_SHOW);
        SetForegroundWindow(note->GetHandle());
    }
}

void MerlaMain::MinimiseAll() {
    for (const auto& note : notes_)
        note->Show(SW_HIDE);
    Notice(NoteNotice::kMinimised, NoteNotice::kMinimisedText);
}

void MerlaMain::PassThroughAll() {
    for (const auto& note : notes_)
        note->WritePassThrough(true);
    Notice(NoteNotice::kPassThroughSet, NoteNotice::kPassThroughText);
}

void MerlaMain::ClearPassThroughAll() {
    for (const auto& note : notes_)
        PostMessageW(note->GetHandle(), LNotify::kCommand, NoteCmd::kClearPassThrough, 0);
}

void MerlaMain::Notice(int id, const wchar_t* text) {
    ShowMessageBox(handle_, text, kMbOk | kMbNoMoreShow, id, NoteNotice::kNoticeWidth);
}

void MerlaMain::OpenWebPage(const wchar_t* path) {
    const std::wstring url = std::wstring(kMakerSite) + path;
    ShellExecuteW(nullptr, kOpen, url.c_str(), nullptr, nullptr, SW_SHOW);
}

void MerlaMain::OpenManager() {
    if (HWND manager = HandleFromId(MxMiManager::kId); manager && IsWindow(manager)) {
        ShowWindow(manager, SW_RESTORE);
        SetForegroundWindow(manager);
        return;
    }
    MxMiManager manager;
    manager.DoModal(MxMiManager::kId, nullptr);
}

int MerlaMain::AskUpdate(const std::wstring& notes) {
    MerlaUpdate dialog(notes);
    const INT_PTR answer = dialog.DoModal(kUpdateDialogId, nullptr);
    return answer == MerlaUpdate::kUpdateId || answer == MerlaUpdate::kSkipId ? static_cast<int>(answer)
                                                                              : MerlaUpdate::kLaterId;
}

void MerlaMain::OpenAbout() {
    if (HWND about = HandleFromId(MerlaAbout::kId); about && IsWindow(about)) {
        SetForegroundWindow(about);
        return;
    }
    MerlaAbout about;
    about.SetTitleIcon(L"Merla.png");
    about.DoModal(MerlaAbout::kId, handle_);
}

bool MerlaMain::RestoreData(const RestoreRequest& request) {
    // Reminder sounds and states end with their windows.
    while (!notes_.empty()) {
        auto note = std::move(notes_.back());
        notes_.pop_back();
        note.reset();
    }
    const bool merged = MergeDataFolder(request.note_data, DataDir(), request.replace);
    LoadNotes();
    return merged;
}

LRESULT MerlaMain::ToggleShow(WPARAM wp) {
    const auto* entry = reinterpret_cast<const MerlaMTEntry*>(wp);
    if (!entry)
        return 0;
    MerlaItem* note = FindOpenNote(entry->name);
    if (note && IsWindow(note->GetHandle()))
        note->Show(IsWindowVisible(note->GetHandle()) ? SW_HIDE : SW_SHOWNOACTIVATE);
    return 1;
}

LRESULT MerlaMain::ToggleTrans(WPARAM wp) {
    const auto* entry = reinterpret_cast<const MerlaMTEntry*>(wp);
    if (!entry)
        return 0;
    MerlaItem* note = FindOpenNote(entry->name);
    if (note && IsWindow(note->GetHandle()))
        note->WritePassThrough(!note->IsPassThrough());
    return 1;
}

void MerlaMain::RunCommand(int command, LPARAM lp) {
    if (command == TrayCmd::kNewInDefaultGroup) {
        CurrentGroup().clear();
        NewNote(false, POINT{});
        return;
    }
    if (IsGroupListCommand(command, TrayCmd::kNewInDefaultGroup)) {
        const int entry = GroupListEntry(command, TrayCmd::kNewInDefaultGroup, groups_.size());
        if (entry < 0)
            return;
        CurrentGroup() = groups_[static_cast<size_t>(entry)];
        NewNote(false, POINT{});
        return;
    }
    switch (command) {
    case TrayCmd::kNewNote:
        NewNote(lp != 0, POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
        break;
    case TrayCmd::kExit:
        // Destroyed for real: the window and its object part at once, in the order of OnDestroy.
        DestroyWindow(handle_);
        break;
    case TrayCmd::kManager:
        OpenManager();
        break;
    case TrayCmd::kAbout:
    case TrayCmd::kAboutFromHelp:
        OpenAbout();
        break;
    case TrayCmd::kHelp:
        ShellExecuteW(handle_, kOpen, (ExeDir() + kHelpFile).c_str(), nullptr, nullptr, SW_SHOW);
        break;
    case TrayCmd::kShowAll:
        ShowAllNotes();
        break;
    case TrayCmd::kClearPassThrough:
        ClearPassThroughAll();
        break;
    case TrayCmd::kFeedback:
        OpenWebPage(kFeedbackPath);
        break;
    case TrayCmd::kDonate:
        OpenWebPage(kDonatePath);
        break;
    case NoteCmd::kHide:
        HideNote(static_cast<int>(lp));
        break;
    case NoteCmd::kMinimiseAll:
        MinimiseAll();
        break;
    case NoteCmd::kPassThroughAll:
        PassThroughAll();
        break;
    default:
        break;
    }
}

LRESULT MerlaMain::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message != LNotify::kCommand)
        return LWnd::OnNotify(message, wp, lp);
    RunCommand(static_cast<int>(wp), lp);
    return 0;
}

LRESULT MerlaMain::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    const LRESULT result = LWnd::WindowProc(message, wp, lp);
    switch (message) {
    case MSG_MAIN_RECYCLE_NOTE:
        RecycleNote(static_cast<int>(wp));
        break;
    case MSG_MAIN_RELOAD_NOTES:
        LoadNotes();
        break;
    case MSG_MAIN_NOTES_DELETED: {
        const auto* names = reinterpret_cast<const NoteNameSet*>(lp);
        if (!names)
            break;
        std::vector<int> ids;
        for (auto it = notes_.rbegin(); it != notes_.rend(); ++it) {
            if (names->count((*it)->Name()))
                ids.push_back((*it)->GetId());
        }
        for (int id : ids)
            RecycleNote(id);
        break;
    }
    case MSG_MAIN_RESTORE_DATA:
        // 1 when every file came over.
        return wp && RestoreData(*reinterpret_cast<const RestoreRequest*>(wp)) ? 1 : 0;
    case MSG_MAIN_CHECK_DESKTOP:
        DesktopCheck();
        break;
    case MSG_MAIN_TOGGLE_SHOW:
        return ToggleShow(wp);
    case MSG_MAIN_TOGGLE_TRANS:
        return ToggleTrans(wp);
    case MSG_MAIN_UPDATE_ASK:
        return lp ? AskUpdate(*reinterpret_cast<const std::wstring*>(lp)) : MerlaUpdate::kLaterId;
    case MSG_MAIN_UPDATE_DOWNLOADING:
        ShowMessageBox(handle_, kDownloading, kMbOk, 0, kDownloadingBoxWidth);
        break;
    default:
        break;
    }
    return result;
}
