// Start-up of the real program: Velin.exe is copied into a scratch program folder holding N stored
// notes, started, and timed until every note window is shown; its working set is read a second
// later, then it is asked to exit.
//   bench_startup.exe                      N = 10, 100, 300, three runs each
//   bench_startup.exe 50 200 --runs 5      other sizes and run counts
//   bench_startup.exe --pictures 0         no note carries a background picture (default: every 4th)
//   bench_startup.exe --keep               leave the scratch folders for a look afterwards
// The remembered run folder in the registry points at each scratch folder while it runs (the
// program would otherwise ask whether to bring over the data of the folder it ran from before)
// and gets its old value back at the end.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "app/base/RunFolder.h"
#include "app/base/UniqueStamp.h"
#include "store/xml/CXmlDoc.h"
#include "store/xml/Encoding.h"
#include "store/xml/FileBytes.h"
#include "store/NoteRecord.h"

namespace {

constexpr int kDefaultSizes[] = {10, 100, 300};
constexpr int kDefaultRuns = 3;
constexpr int kDefaultPictureEvery = 4;
constexpr int kFirstNoteId = 200000;
constexpr int kNoteSize = 180;
constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr int kOpaque = 255;
constexpr DWORD kPollMs = 5;
constexpr double kRunTimeoutMs = 60000;
constexpr DWORD kSettleMs = 1000;
constexpr DWORD kExitWaitMs = 15000;
constexpr UINT kDesktopWaitMs = 10000;
constexpr int kDeleteTries = 50;
constexpr DWORD kDeleteRetryMs = 100;
constexpr size_t kMaxListedWindows = 12;

// What the program understands as "exit": the toolkit command notification carrying the tray's
// exit command, and the same command as WM_COMMAND for the older main window.
constexpr UINT kToolkitCommand = 10002;
constexpr WPARAM kExitCommand = 30103;

constexpr wchar_t kNoteClass[] = L"LWnd";
constexpr wchar_t kPicture[] = L"Merla.png";
constexpr wchar_t kBkImagePrefix[] = L"bkimage_";
// Every other note may carry a rich text box of 200 characters.
constexpr int kBoxIdOffset = 300000;
constexpr int kBoxChars = 200;
constexpr NoteRect kBoxRect{8, 8, 170, 170};
constexpr int kBoxEvery = 2;
constexpr double kBoxAllowance = 0.25;

// Targets the figures are judged against.
constexpr int kTargetNotes = 300;
constexpr double kTargetMs = 3000;
constexpr double kTargetMb = 150;
// A later slope (per note) at most this much steeper than the earlier one still counts as linear.
constexpr double kLinearSlack = 1.5;

constexpr double kMb = 1024.0 * 1024.0;

double Frequency() {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
}

double MsSince(const LARGE_INTEGER& start) {
    static const double frequency = Frequency();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / frequency;
}

// Puts the remembered run folder back as it was found, or removes it when there was none.
class RunFolderValue {
public:
    RunFolderValue() {
        HKEY key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunFolderKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return;
        DWORD size = 0;
        if (RegQueryValueExW(key, kRunFolderValue, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
            bytes_.resize(size);
            had_ = RegQueryValueExW(key, kRunFolderValue, nullptr, &type_, bytes_.data(), &size) ==
                   ERROR_SUCCESS;
            bytes_.resize(size);
        }
        RegCloseKey(key);
    }
    ~RunFolderValue() { Restore(); }
    RunFolderValue(const RunFolderValue&) = delete;
    RunFolderValue& operator=(const RunFolderValue&) = delete;

    static bool Set(const std::wstring& folder) {
        HKEY key;
        if (RegCreateKeyW(HKEY_LOCAL_MACHINE, kRunFolderKey, &key) != ERROR_SUCCESS)
            return false;
        const bool ok =
            RegSetValueExW(key, kRunFolderValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                           static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
        RegCloseKey(key);
        return ok;
    }

    void Restore() {
        if (restored_)
            return;
        restored_ = true;
        if (!had_) {
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kRunFolderKey, kRunFolderValue);
            return;
        }
        HKEY key;
        if (RegCreateKeyW(HKEY_LOCAL_MACHINE, kRunFolderKey, &key) != ERROR_SUCCESS)
            return;
        RegSetValueExW(key, kRunFolderValue, 0, type_, bytes_.data(), static_cast<DWORD>(bytes_.size()));
        RegCloseKey(key);
    }

private:
    bool had_ = false;
    bool restored_ = false;
    DWORD type_ = REG_SZ;
    std::vector<BYTE> bytes_;
};

// The started program; terminated if still running when the owner goes.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() {
        if (info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(info_.hProcess, 1);
        if (info_.hThread)
            CloseHandle(info_.hThread);
        if (info_.hProcess)
            CloseHandle(info_.hProcess);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::wstring& exe, const std::wstring& folder, const std::wstring& args = {}) {
        std::wstring command = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
        STARTUPINFOW si{sizeof(si)};
        return CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &si, &info_) != FALSE;
    }
    HANDLE handle() const { return info_.hProcess; }
    DWORD pid() const { return info_.dwProcessId; }
    bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

private:
    PROCESS_INFORMATION info_{};
};

// The console may be closed under a run: the child goes and the registry value comes back.
RunFolderValue* g_run_folder = nullptr;
HANDLE g_child = nullptr;

BOOL WINAPI OnConsoleClose(DWORD) {
    if (g_child)
        TerminateProcess(g_child, 1);
    if (g_run_folder)
        g_run_folder->Restore();
    return FALSE;
}

// The top-level windows of one process, as the bench sees them.
struct WindowScan {
    DWORD pid = 0;
    int notes = 0;
    HWND main = nullptr;
    std::vector<std::wstring> listing; // filled only when asked for
    bool list = false;
};

BOOL CALLBACK ScanWindow(HWND hwnd, LPARAM lp) {
    auto& scan = *reinterpret_cast<WindowScan*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != scan.pid)
        return TRUE;
    const LONG ex = GetWindowLongW(hwnd, GWL_EXSTYLE);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    const bool visible = IsWindowVisible(hwnd) != FALSE;
    // The main window is the one that never takes activation and is not layered (the font bar's
    // popups take none either, but they are layered); no such window is a note.
    const bool no_activation = (ex & WS_EX_NOACTIVATE) != 0;
    if (no_activation && !(ex & WS_EX_LAYERED)) {
        if (!scan.main)
            scan.main = hwnd;
    } else if (!no_activation && visible && (ex & WS_EX_LAYERED) && !wcscmp(cls, kNoteClass)) {
        ++scan.notes;
    }
    if (scan.list && scan.listing.size() < kMaxListedWindows) {
        wchar_t title[128] = {};
        GetWindowTextW(hwnd, title, 128);
        RECT rc{};
        GetWindowRect(hwnd, &rc);
        wchar_t line[320];
        swprintf(line, 320, L"class \"%ls\" title \"%ls\" %ls ex 0x%08lx at %ld,%ld %ldx%ld", cls, title,
                 visible ? L"visible" : L"hidden", static_cast<unsigned long>(ex), rc.left, rc.top,
                 rc.right - rc.left, rc.bottom - rc.top);
        scan.listing.push_back(line);
    }
    return TRUE;
}

WindowScan Scan(DWORD pid, bool list = false) {
    WindowScan scan;
    scan.pid = pid;
    scan.list = list;
    EnumWindows(ScanWindow, reinterpret_cast<LPARAM>(&scan));
    return scan;
}

// Spread over the screen; with more notes than places they overlap, as real desktops do.
NoteRect PlaceNote(int i) {
    const int x = (i * 197) % (kScreenWidth - kNoteSize);
    const int y = (i * 113) % (kScreenHeight - kNoteSize);
    return NoteRect{x, y, x + kNoteSize, y + kNoteSize};
}

// The box's record and content as the box writes them: Chinese and Latin text in the RTF dialect.
bool WriteBox(const std::wstring& folder, int box_id) {
    const wchar_t piece[] = L"便签提醒今天下午三点开会，Meeting at 15:30. ";
    std::string rtf = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0 \\u23435?\\u20307?;}}\\f0\\fs26 ";
    for (int n = 0; n < kBoxChars; ++n) {
        const wchar_t c = piece[n % (std::size(piece) - 1)];
        if (c < 0x80)
            rtf += static_cast<char>(c);
        else
            rtf += "\\u" + std::to_string(static_cast<int16_t>(c)) + "?";
    }
    rtf += "\\par}";
    const std::wstring content = std::to_wstring(box_id) + L"_rtf";
    if (!WriteFileAtomic(folder + content, rtf))
        return false;
    const NoteRecord box = NoteRecord::ForChild(folder, box_id, NoteKey::kRichEdit);
    return box.WriteRect(kBoxRect) && box.WriteInt(NoteKey::kIsFixed, 0) &&
           box.WriteInt(NoteKey::kAutoChangeLine, 1) && box.WriteText(NoteKey::kRtfText, content);
}

// One note record as a note writes it, key by key in the order a note adds them.
bool WriteNote(const std::wstring& items, int i, const std::wstring& picture, bool with_box) {
    const int id = kFirstNoteId + i;
    const std::wstring name = MakeUniqueStamp(id);
    const std::wstring folder = items + name + L"\\";
    if (!EnsureFolder(folder))
        return false;
    std::wstring bkimage;
    if (!picture.empty()) {
        bkimage = kBkImagePrefix + MakeUniqueStamp(id) + L"_" + kPicture;
        if (!CopyFileW(picture.c_str(), (folder + bkimage).c_str(), FALSE))
            return false;
    }
    const NoteRect r = PlaceNote(i);
    CXmlDoc doc;
    doc.AddNext(NoteKey::kNoteRoot);
    doc.Into();
    doc.AddNextInt(NoteKey::kId, id);
    doc.AddNext(NoteKey::kUnique, name);
    // As a note that has been on the screen before keeps them: nothing is rewritten at start.
    doc.AddNext(NoteKey::kGroup, L"");
    doc.AddNext(NoteKey::kDir, items);
    doc.AddNextInt(NoteKey::kLeft, r.left);
    doc.AddNextInt(NoteKey::kTop, r.top);
    doc.AddNextInt(NoteKey::kRight, r.right);
    doc.AddNextInt(NoteKey::kBottom, r.bottom);
    doc.AddNext(NoteKey::kDateTime, NoteTimeNow());
    if (!bkimage.empty())
        doc.AddNext(NoteKey::kBkImage, bkimage);
    doc.AddNextInt(NoteKey::kAlpha, kOpaque);
    doc.AddNextInt(NoteKey::kTopMost, 0);
    doc.AddNextInt(NoteKey::kToDesk, 0);
    doc.AddNextInt(NoteKey::kIsTrans, 0);
    doc.AddNextInt(NoteKey::kIsHide, 0);
    doc.AddNext(NoteKey::kChildItems);
    const NoteRecord record = NoteRecord::ForNote(folder, name);
    if (!doc.Save(record.Path()))
        return false;
    if (with_box &&
        (!WriteBox(folder, kBoxIdOffset + i) || !record.AddChildItem(kBoxIdOffset + i, NoteKey::kRichEdit)))
        return false;
    // Read back through the store's own reader, so a format slip shows here and not as a missing
    // window.
    NoteFields fields;
    return record.ReadFields(fields) && fields.id == id && fields.unique == name && fields.ishide == 0 &&
           fields.has_rect && fields.rect.left == r.left && fields.rect.bottom == r.bottom &&
           fields.bkimage == bkimage;
}

// A program folder of its own: the executable, its pictures and N notes.
bool PrepareFolder(const std::wstring& run, int notes, int picture_every, int box_every) {
    DeleteTree(run);
    if (!EnsureFolder(run) ||
        !CopyFileW((ExeDir() + L"Velin.exe").c_str(), (run + L"Velin.exe").c_str(), FALSE) ||
        !CopyTree(ResDir(), run + L"sysres\\", true))
        return false;
    const std::wstring items = run + L"NoteData\\NoteItems\\";
    if (!EnsureFolder(run + L"NoteData\\") || !EnsureFolder(items))
        return false;
    const std::wstring picture = run + L"sysres\\" + kPicture;
    for (int i = 0; i < notes; ++i) {
        const bool with_picture = picture_every > 0 && i % picture_every == 0;
        const bool with_box = box_every > 0 && i % box_every == 0;
        if (!WriteNote(items, i, with_picture ? picture : std::wstring(), with_box))
            return false;
    }
    return true;
}

// The record traffic of one note's start-up, through the same store calls the loader and the note
// window make: the loader's read, then the note's reads (it writes only values that differ, none
// for these records). Answers ms per note; the rest of a note's start-up time is windows and
// drawing.
double RecordMsPerNote(const std::wstring& run) {
    const std::wstring items = run + L"NoteData\\NoteItems\\";
    const std::vector<std::wstring> names = ListEntries(items);
    if (names.empty())
        return -1;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    for (const std::wstring& name : names) {
        const std::wstring folder = items + name + L"\\";
        const NoteRecord record = NoteRecord::ForNote(folder, name);
        NoteFields fields;
        record.ReadFields(fields);
        std::wstring text, bkimage;
        NoteRect rect;
        int value = 0;
        int64_t color = 0;
        record.ReadText(NoteKey::kUnique, text);
        record.ReadText(NoteKey::kBkImage, bkimage);
        record.ReadRect(rect);
        record.LoadChildren();
        record.ReadInt64(NoteKey::kCurColor, color);
        record.ReadInt(NoteKey::kAlpha, value);
        record.ReadText(NoteKey::kGroup, text);
        record.ReadText(NoteKey::kDir, text);
        record.ReadText(NoteKey::kPngView, text);
        record.ReadInt(NoteKey::kTopMost, value);
        record.ReadInt(NoteKey::kToDesk, value);
        record.ReadInt(NoteKey::kIsTrans, value);
    }
    return MsSince(start) / static_cast<double>(names.size());
}

bool RemoveFolder(const std::wstring& folder) {
    std::wstring bare = folder.substr(0, folder.size() - 1);
    for (int i = 0; i < kDeleteTries; ++i) {
        DeleteTree(folder);
        if (!FolderExists(bare))
            return true;
        // The ended process's image may stay mapped for a moment.
        Sleep(kDeleteRetryMs);
    }
    return false;
}

struct RunResult {
    bool ok = false;
    double desktop_wait_ms = 0; // before the clock: the desktop process still busy with the last run
    int seen = 0;               // note windows when the clock stopped
    int seen_later = 0;         // note windows a second later
    double first_ms = -1;       // first note window shown
    double all_ms = -1;         // every note window shown
    double idle_ms = -1;        // GUI thread first waited for input
    double exit_ms = -1;        // from the exit request to the end of the process
    bool forced = false;        // had to be terminated
    double working_set_mb = 0;
    double peak_mb = 0;
    std::string profile; // the program's own account of where the notes' opening went
};

constexpr wchar_t kProfileVariable[] = L"VELIN_STARTUP_PROFILE";
constexpr wchar_t kLogFile[] = L"kivpad_log.txt";
constexpr char kProfileTag[] = "startup profile:";

// The last profile line the program logged in the run folder.
std::string LoggedProfile(const std::wstring& run) {
    std::string log;
    if (!ReadFileBytes(run + kLogFile, log))
        return {};
    const size_t at = log.rfind(kProfileTag);
    if (at == std::string::npos)
        return {};
    const size_t end = log.find_first_of("\r\n", at);
    return log.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// A new process's first window waits (up to 2 s) for the desktop process to answer; under Wine
// without a window manager that process can still be stuck hiding the previous run's tray icon.
// The clock starts once it answers, so a run times the program and not what the last one left.
double WaitForDesktop() {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(GetDesktopWindow(), WM_NULL, 0, 0, SMTO_BLOCK, kDesktopWaitMs, &answer);
    return MsSince(start);
}

// The program started is Velin.exe in the run folder, or with bare_args this bench as the floor.
RunResult RunOnce(const std::wstring& run, int notes, const std::wstring& bare_args = {}) {
    RunResult result;
    if (!RunFolderValue::Set(AsciiLower(run))) {
        std::printf("  cannot set the run folder value in the registry\n");
        return result;
    }
    result.desktop_wait_ms = WaitForDesktop();
    ChildProcess child;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    const bool started = bare_args.empty() ? child.Start(run + L"Velin.exe", run)
                                           : child.Start(ExeDir() + L"bench_startup.exe", run, bare_args);
    if (!started) {
        std::printf("  CreateProcess failed (%lu)\n", GetLastError());
        return result;
    }
    g_child = child.handle();

    WindowScan scan;
    for (;;) {
        const double now = MsSince(start);
        scan = Scan(child.pid());
        if (scan.notes > 0 && result.first_ms < 0)
            result.first_ms = now;
        if (result.idle_ms < 0 && WaitForInputIdle(child.handle(), 0) == 0)
            result.idle_ms = now;
        if (scan.notes >= notes) {
            result.all_ms = now;
            break;
        }
        if (!child.Running() || now > kRunTimeoutMs)
            break;
        Sleep(kPollMs);
    }
    result.seen = scan.notes;
    result.ok = scan.notes >= notes;
    if (!result.ok) {
        if (child.Running())
            std::printf("  NOT REACHED: %d of %d note windows after %.0f s\n", scan.notes, notes,
                        kRunTimeoutMs / 1000);
        else
            std::printf("  NOT REACHED: the program ended (exit code %lu) with %d of %d note windows shown\n",
                        child.ExitCode(), scan.notes, notes);
        for (const std::wstring& line : Scan(child.pid(), true).listing)
            std::printf("    window: %ls\n", line.c_str());
    } else {
        // The GUI thread may still be busy after the last window shows; keep watching for its first
        // wait for input while the working set settles.
        LARGE_INTEGER settle;
        QueryPerformanceCounter(&settle);
        while (MsSince(settle) < kSettleMs) {
            if (result.idle_ms < 0 && WaitForInputIdle(child.handle(), 0) == 0)
                result.idle_ms = MsSince(start);
            Sleep(kPollMs);
        }
        PROCESS_MEMORY_COUNTERS memory{sizeof(memory)};
        if (GetProcessMemoryInfo(child.handle(), &memory, sizeof(memory))) {
            result.working_set_mb = static_cast<double>(memory.WorkingSetSize) / kMb;
            result.peak_mb = static_cast<double>(memory.PeakWorkingSetSize) / kMb;
        }
        scan = Scan(child.pid());
        result.seen_later = scan.notes;
    }

    if (child.Running()) {
        LARGE_INTEGER asked;
        QueryPerformanceCounter(&asked);
        if (scan.main) {
            PostMessageW(scan.main, kToolkitCommand, kExitCommand, 0);
            PostMessageW(scan.main, WM_COMMAND, kExitCommand, 0);
        }
        if (!scan.main || WaitForSingleObject(child.handle(), kExitWaitMs) != WAIT_OBJECT_0) {
            std::printf("  the program did not exit within %lu s%s; terminated\n", kExitWaitMs / 1000,
                        scan.main ? "" : " (no main window found)");
            TerminateProcess(child.handle(), 1);
            WaitForSingleObject(child.handle(), kExitWaitMs);
            result.forced = true;
        } else {
            result.exit_ms = MsSince(asked);
        }
    }
    g_child = nullptr;
    if (bare_args.empty())
        result.profile = LoggedProfile(run);
    return result;
}

// The floor: the least a program does for the same picture. It makes N layered 180 x 180 windows
// where the notes stand and pushes one picture into each, then waits to be told to exit (its main
// window is the kind the scan takes for one).
constexpr wchar_t kBareArg[] = L"--bare";
constexpr uint32_t kBarePaper = 0xFFADADAC;

LRESULT CALLBACK BareProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if ((message == kToolkitCommand || message == WM_COMMAND) && wp == kExitCommand) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wp, lp);
}

int BareProgram(int notes) {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = BareProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kNoteClass;
    if (!RegisterClassExW(&wc))
        return 1;
    CreateWindowExW(WS_EX_NOACTIVATE, kNoteClass, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance,
                    nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kNoteSize;
    info.bmiHeader.biHeight = -kNoteSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    if (!bitmap || !dc)
        return 1;
    SelectObject(dc, bitmap);
    std::fill_n(static_cast<uint32_t*>(bits), kNoteSize * kNoteSize, kBarePaper);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    SIZE size{kNoteSize, kNoteSize};
    POINT origin{0, 0};
    for (int i = 0; i < notes; ++i) {
        const NoteRect r = PlaceNote(i);
        HWND w = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, kNoteClass, L"", WS_POPUP, r.left, r.top,
                                 kNoteSize, kNoteSize, nullptr, nullptr, wc.hInstance, nullptr);
        ShowWindow(w, SW_SHOWNOACTIVATE);
        POINT pos{r.left, r.top};
        UpdateLayeredWindow(w, nullptr, &pos, &size, dc, &origin, 0, &blend, ULW_ALPHA);
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}

double Median(std::vector<double> v) {
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Min(const std::vector<double>& v) {
    return v.empty() ? -1 : *std::min_element(v.begin(), v.end());
}

struct SizeSummary {
    int notes = 0;
    int ok_runs = 0, runs = 0, forced = 0;
    double min_ms = -1, median_ms = -1, first_ms = -1, idle_ms = -1, exit_ms = -1;
    double working_set_mb = -1, peak_mb = -1;
};

SizeSummary Summarise(int notes, const std::vector<RunResult>& results) {
    SizeSummary s;
    s.notes = notes;
    s.runs = static_cast<int>(results.size());
    std::vector<double> all, first, idle, exits, ws, peak;
    for (const RunResult& r : results) {
        s.forced += r.forced;
        if (!r.ok)
            continue;
        ++s.ok_runs;
        all.push_back(r.all_ms);
        first.push_back(r.first_ms);
        if (r.idle_ms >= 0)
            idle.push_back(r.idle_ms);
        if (r.exit_ms >= 0)
            exits.push_back(r.exit_ms);
        ws.push_back(r.working_set_mb);
        peak.push_back(r.peak_mb);
    }
    s.min_ms = Min(all);
    s.median_ms = Median(all);
    s.first_ms = Median(first);
    s.idle_ms = Median(idle);
    s.exit_ms = Median(exits);
    s.working_set_mb = Median(ws);
    s.peak_mb = Median(peak);
    return s;
}

struct Options {
    std::vector<int> sizes;
    int runs = kDefaultRuns;
    int picture_every = kDefaultPictureEvery;
    bool keep = false;
};

Options ParseOptions(int argc, wchar_t** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        if (!wcscmp(argv[i], L"--runs") && i + 1 < argc)
            o.runs = std::max(1, _wtoi(argv[++i]));
        else if (!wcscmp(argv[i], L"--pictures") && i + 1 < argc)
            o.picture_every = std::max(0, _wtoi(argv[++i]));
        else if (!wcscmp(argv[i], L"--keep"))
            o.keep = true;
        else if (_wtoi(argv[i]) > 0)
            o.sizes.push_back(_wtoi(argv[i]));
    }
    if (o.sizes.empty())
        o.sizes.assign(std::begin(kDefaultSizes), std::end(kDefaultSizes));
    std::sort(o.sizes.begin(), o.sizes.end());
    return o;
}

void PrintSize(const SizeSummary& s, const SizeSummary* before) {
    std::printf("N=%-4d presented: min %6.0f ms, median %6.0f ms | first note %5.0f ms, idle %6.0f ms | "
                "working set %6.1f MB (peak %6.1f MB) | ",
                s.notes, s.min_ms, s.median_ms, s.first_ms, s.idle_ms, s.working_set_mb, s.peak_mb);
    if (before && before->ok_runs && s.ok_runs) {
        const double dn = s.notes - before->notes;
        std::printf("growth %.3f MB/note, %.2f ms/note", (s.working_set_mb - before->working_set_mb) / dn,
                    (s.median_ms - before->median_ms) / dn);
    } else {
        std::printf("growth -");
    }
    if (s.exit_ms >= 0)
        std::printf(" | exit %.0f ms", s.exit_ms);
    if (s.forced)
        std::printf(" | %d of %d runs did not exit within %lu s", s.forced, s.runs, kExitWaitMs / 1000);
    if (s.ok_runs < s.runs)
        std::printf(" | only %d of %d runs reached N", s.ok_runs, s.runs);
    std::printf("\n");
}

// Judges the figures: the target size's time and memory, and whether the per-note cost of the
// larger step stays close to that of the smaller one.
void PrintVerdict(const std::vector<SizeSummary>& sizes) {
    const SizeSummary* target = nullptr;
    for (const SizeSummary& s : sizes)
        if (s.notes == kTargetNotes)
            target = &s;
    std::printf("summary:");
    if (target && target->ok_runs) {
        std::printf(" %d notes under %.0f s: %s (median %.0f ms);", kTargetNotes, kTargetMs / 1000,
                    target->median_ms < kTargetMs ? "PASS" : "FAIL", target->median_ms);
        std::printf(" under %.0f MB: %s (%.1f MB, peak %.1f MB);", kTargetMb,
                    target->peak_mb < kTargetMb ? "PASS" : "FAIL", target->working_set_mb, target->peak_mb);
    } else {
        std::printf(" %d notes: NOT MEASURED (no run with %d notes reached them all);", kTargetNotes,
                    kTargetNotes);
    }
    std::vector<const SizeSummary*> good;
    for (const SizeSummary& s : sizes)
        if (s.ok_runs)
            good.push_back(&s);
    if (good.size() < 3) {
        std::printf(" linearity: needs three sizes\n");
        return;
    }
    const SizeSummary& a = *good[good.size() - 3];
    const SizeSummary& b = *good[good.size() - 2];
    const SizeSummary& c = *good[good.size() - 1];
    const double t1 = (b.median_ms - a.median_ms) / (b.notes - a.notes);
    const double t2 = (c.median_ms - b.median_ms) / (c.notes - b.notes);
    const double m1 = (b.working_set_mb - a.working_set_mb) / (b.notes - a.notes);
    const double m2 = (c.working_set_mb - b.working_set_mb) / (c.notes - b.notes);
    // A slope that is small or falls is linear enough; only a steeper later step counts against it.
    auto linear = [](double early, double late) {
        return late <= std::max(early, 0.0) * kLinearSlack + 1e-9 || late <= 0;
    };
    const bool ok = linear(t1, t2) && linear(m1, m2);
    std::printf(" growth close to linear: %s (time %.2f then %.2f ms/note, memory %.3f then %.3f MB/note, "
                "N %d-%d-%d, later step allowed %.1fx)\n",
                ok ? "PASS" : "FAIL", t1, t2, m1, m2, a.notes, b.notes, c.notes, kLinearSlack);
}

// Runs the program options.runs times with N notes (1 in box_every with a rich text box).
SizeSummary MeasureSize(const std::wstring& root, int notes, const Options& options, int box_every,
                        bool& failed) {
    std::vector<RunResult> results;
    for (int r = 0; r < options.runs; ++r) {
        wchar_t leaf[48];
        swprintf(leaf, 48, L"run-%d-%d%ls\\", notes, r + 1, box_every ? L"-boxes" : L"");
        const std::wstring run = root + leaf;
        if (!PrepareFolder(run, notes, options.picture_every, box_every)) {
            std::printf("  N=%d run %d: could not prepare %ls\n", notes, r + 1, run.c_str());
            failed = true;
            results.push_back({});
            continue;
        }
        RunResult result = RunOnce(run, notes);
        std::printf(
            "  N=%d%s run %d: %s %.0f ms (first %.0f ms, idle %.0f ms; desktop answered after %.0f ms "
            "before the clock), %d windows, %d a second later, working set %.1f MB, peak %.1f MB%s\n",
            notes, box_every ? " with boxes" : "", r + 1, result.ok ? "all shown at" : "FAILED at",
            result.all_ms, result.first_ms, result.idle_ms, result.desktop_wait_ms, result.seen,
            result.seen_later, result.working_set_mb, result.peak_mb, result.forced ? ", terminated" : "");
        if (!result.profile.empty())
            std::printf("    %s\n", result.profile.c_str());
        std::fflush(stdout);
        failed = failed || !result.ok;
        results.push_back(result);
        if (!options.keep && !RemoveFolder(run))
            std::printf("  could not delete %ls\n", run.c_str());
    }
    return Summarise(notes, results);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 2 && !wcscmp(argv[1], kBareArg))
        return BareProgram(_wtoi(argv[2]));
    const Options options = ParseOptions(argc, argv);
    if (GetFileAttributesW((ExeDir() + L"Velin.exe").c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("Velin.exe is not beside the bench\n");
        return 1;
    }
    RunFolderValue run_folder;
    g_run_folder = &run_folder;
    SetEnvironmentVariableW(kProfileVariable, L"1"); // inherited by the program started
    SetConsoleCtrlHandler(OnConsoleClose, TRUE);

    const std::wstring root = ExeDir() + L"bench-startup\\";
    RemoveFolder(root);
    EnsureFolder(root);
    std::printf("start-up of Velin.exe with N stored notes of %dx%d, %d runs each; ", kNoteSize, kNoteSize,
                options.runs);
    if (options.picture_every)
        std::printf("1 note in %d carries %ls as its background picture", options.picture_every, kPicture);
    else
        std::printf("no background pictures");
    std::printf("; times from CreateProcess\n");
    std::fflush(stdout);

    std::vector<SizeSummary> sizes;
    bool failed = false;
    for (int notes : options.sizes)
        sizes.push_back(MeasureSize(root, notes, options, 0, failed));
    // The same notes again, every other one carrying a rich text box, beside the run without.
    const int boxed_notes = options.sizes.back();
    const SizeSummary boxed = MeasureSize(root, boxed_notes, options, kBoxEvery, failed);

    // Where a note's time goes, the part that is plain file work.
    const int largest = options.sizes.back();
    const std::wstring io_run = root + L"records\\";
    if (PrepareFolder(io_run, largest, options.picture_every, 0))
        std::printf(
            "record reads and writes of one note's start-up (done here, no windows): %.2f ms per note "
            "over %d notes\n",
            RecordMsPerNote(io_run), largest);
    RemoveFolder(io_run);

    // The floor in the same run, as many times as Velin ran.
    std::vector<RunResult> bare;
    for (int r = 0; r < options.runs; ++r) {
        const std::wstring run = root + L"bare\\";
        EnsureFolder(run);
        bare.push_back(RunOnce(run, largest, std::wstring(kBareArg) + L" " + std::to_wstring(largest)));
    }
    const SizeSummary floor = Summarise(largest, bare);

    for (size_t i = 0; i < sizes.size(); ++i)
        PrintSize(sizes[i], i ? &sizes[i - 1] : nullptr);
    std::printf(
        "floor: a bare program making %d layered %dx%d windows, a picture pushed into each: median %.0f ms, "
        "working set %.1f MB\n",
        largest, kNoteSize, kNoteSize, floor.median_ms, floor.working_set_mb);
    if (floor.ok_runs && sizes.back().ok_runs)
        std::printf(
            "ratio N=%d / floor: %.2f (target 1.5); memory per note %.3f MB against the floor's %.3f MB\n",
            largest, sizes.back().median_ms / floor.median_ms, sizes.back().working_set_mb / largest,
            floor.working_set_mb / largest);
    PrintVerdict(sizes);
    const SizeSummary& plain = sizes.back();
    if (plain.ok_runs && boxed.ok_runs)
        std::printf(
            "with a %d-character box on every other note: N=%d presented median %.0f ms against %.0f ms "
            "without (+%.0f %%; allowed +%.0f %%), working set %.1f MB against %.1f MB\n",
            kBoxChars, boxed_notes, boxed.median_ms, plain.median_ms,
            (boxed.median_ms / plain.median_ms - 1) * 100, kBoxAllowance * 100, boxed.working_set_mb,
            plain.working_set_mb);
    if (!options.keep)
        RemoveFolder(root);
    run_folder.Restore();
    g_run_folder = nullptr;
    return failed ? 1 : 0;
}
