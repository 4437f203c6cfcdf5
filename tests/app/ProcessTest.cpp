// Starts the real Velin.exe beside the test and drives its dialogs: single instance and the move of
// the program folder. The registry value is shared by the prefix, so these tests run one at a time.
#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "app/base/RunFolder.h"
#include "store/xml/Encoding.h"
#include "tests/app/ProcessWindows.h"
#include "tests/toolkit/GifWriter.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

constexpr DWORD kMessageTextId = 0xFFFF;      // the hidden static holding the message box's text
constexpr wchar_t kDialogClass[] = L"#32770"; // the message box runs as a modal dialog
const wchar_t kOk[] = L"确定";
const wchar_t kYes[] = L"是";
const wchar_t kNo[] = L"否";

// The test run points web requests at a proxy that is not there, so that no program it starts
// reaches past this machine; a program that talks to the tests' own local site goes direct.
std::vector<wchar_t> EnvironmentWithoutProxies() {
    std::vector<wchar_t> block;
    wchar_t* all = GetEnvironmentStringsW();
    for (const wchar_t* var = all; *var; var += wcslen(var) + 1) {
        std::wstring lower(var);
        std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return std::towlower(c); });
        if (lower.rfind(L"http_proxy=", 0) == 0 || lower.rfind(L"https_proxy=", 0) == 0)
            continue;
        block.insert(block.end(), var, var + wcslen(var) + 1);
    }
    FreeEnvironmentStringsW(all);
    block.push_back(0);
    return block;
}

class VelinProcess {
public:
    explicit VelinProcess(bool direct_web = false) {
        STARTUPINFOW si{sizeof(si)};
        std::wstring cmd = L"\"" + ExeDir() + L"Velin.exe\"";
        std::vector<wchar_t> environment;
        if (direct_web)
            environment = EnvironmentWithoutProxies();
        ok_ = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                             direct_web ? environment.data() : nullptr, ExeDir().c_str(), &si, &pi_);
    }
    ~VelinProcess() {
        if (!ok_)
            return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(pi_.hProcess, 1);
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
    bool ok() const { return ok_; }
    DWORD pid() const { return pi_.dwProcessId; }
    bool Exited(DWORD wait_ms) const { return WaitForSingleObject(pi_.hProcess, wait_ms) == WAIT_OBJECT_0; }

private:
    PROCESS_INFORMATION pi_{};
    bool ok_ = false;
};

// The first visible window of the process, of that class unless cls is null.
HWND FindWindowOf(DWORD pid, const wchar_t* cls) {
    for (HWND h : TopWindowsOf(pid)) {
        if (IsWindowVisible(h) && (!cls || HasClass(h, cls)))
            return h;
    }
    return nullptr;
}

// The first visible message box of the process: a dialog holding the text control (the manager
// and the file dialogs are dialogs too).
HWND FindMessageBoxOf(DWORD pid) {
    for (HWND h : TopWindowsOf(pid)) {
        if (IsWindowVisible(h) && HasClass(h, kDialogClass) && GetDlgItem(h, kMessageTextId))
            return h;
    }
    return nullptr;
}

// Waits for a message box of the process and answers its text.
HWND WaitForBox(const VelinProcess& p, std::wstring& text) {
    HWND box = nullptr;
    text.clear();
    WaitFor([&] { return (box = FindMessageBoxOf(p.pid())) != nullptr; }, 30000);
    if (box) {
        wchar_t buf[512] = {};
        GetDlgItemTextW(box, kMessageTextId, buf, 512);
        text = buf;
    }
    return box;
}

// The first child window of the parent the test accepts, or null.
HWND FindChild(HWND parent, const std::function<bool(HWND)>& accept) {
    struct Ctx {
        const std::function<bool(HWND)>* accept;
        HWND found;
    } ctx{&accept, nullptr};
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            if (!(*c->accept)(h))
                return TRUE;
            c->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

// The child window of the box showing the text (a button of the box), or null.
HWND FindButton(HWND box, const wchar_t* text) {
    return FindChild(box, [text](HWND h) {
        wchar_t name[64] = {};
        GetWindowTextW(h, name, 64);
        return GetDlgCtrlID(h) != static_cast<int>(kMessageTextId) && wcscmp(name, text) == 0;
    });
}

// Clicks the box's button with that text, as the mouse would: press and release on it.
void Press(HWND box, const wchar_t* text) {
    HWND button = FindButton(box, text);
    ASSERT_NE(button, nullptr) << "no button";
    const LPARAM at = MAKELPARAM(5, 5);
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(button, WM_LBUTTONUP, 0, at);
    // A loaded machine can take a while to close the box; the next box must not be mistaken for it.
    WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 30000);
}

constexpr UINT kToolkitCommand = 10002;
constexpr int kExitCommand = 30103;

// Asks the running program to exit through its tray command.
void Quit(const VelinProcess& p) {
    HWND main = nullptr;
    WaitFor([&] { return (main = MainWindowOf(p.pid())) != nullptr; }, 5000);
    if (main)
        PostMessageW(main, kToolkitCommand, kExitCommand, 0);
    EXPECT_TRUE(p.Exited(30000));
}

std::wstring StoredRunFolder() {
    wchar_t buf[MAX_PATH] = {};
    DWORD size = sizeof(buf);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kRunFolderKey, kRunFolderValue, RRF_RT_REG_SZ, nullptr, buf,
                     &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buf;
}

void StoreRunFolder(const std::wstring& path) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, kRunFolderKey, &key), ERROR_SUCCESS);
    RegSetValueExW(key, kRunFolderValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void ForgetRunFolder() {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kRunFolderKey, kRunFolderValue);
}

// An old program folder with one note in it.
std::wstring MakeOldFolder() {
    const std::wstring old = ExeDir() + L"旧目录\\";
    EnsureFolder(old);
    EnsureFolder(old + L"NoteData\\");
    EnsureFolder(old + L"NoteData\\NoteItems\\");
    EnsureFolder(old + L"NoteData\\NoteItems\\n1\\");
    FILE* f = _wfopen((old + L"NoteData\\NoteItems\\n1\\n1.xml").c_str(), L"wb");
    fputs("<MerlaItem/>", f);
    fclose(f);
    return old;
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Keeps the prefix's remembered run folder as it was, so that a later `make run` is not asked to
// bring over a test's scratch folder.
class Process : public testing::Test {
protected:
    void SetUp() override { saved_ = StoredRunFolder(); }
    void TearDown() override {
        if (saved_ == L"<missing>")
            ForgetRunFolder();
        else
            StoreRunFolder(saved_);
    }

private:
    std::wstring saved_;
};

const wchar_t kAskCopy[] = L"发现之前的安装目录，是否拷贝之前的数据到当前目录下？";
const wchar_t kAskAbandon[] = L"确定要放弃之前的数据吗？";

} // namespace

TEST_F(Process, FirstStartCreatesTheFoldersAndTheRunFolderValue) {
    ForgetRunFolder();
    VelinProcess p;
    ASSERT_TRUE(p.ok());
    EXPECT_TRUE(WaitFor([] { return StoredRunFolder() == AsciiLower(ExeDir()); }));
    EXPECT_TRUE(WaitFor([] { return FolderExists(ExeDir() + L"NoteData\\NoteItems"); }));
    EXPECT_TRUE(WaitFor([] { return FolderExists(ExeDir() + L"NormalSet"); }));
    Quit(p);
}

TEST_F(Process, SecondInstanceSaysSoAndEndsWhileTheFirstRuns) {
    StoreRunFolder(AsciiLower(ExeDir()));
    VelinProcess first;
    ASSERT_TRUE(first.ok());
    ASSERT_TRUE(WaitFor([&] { return FindWindowOf(first.pid(), nullptr) != nullptr; }));
    // A picture data file of the running instance.
    const std::wstring pictures = ExeDir() + L"_temp_kivpad_image_path\\";
    EnsureFolder(pictures);
    FILE* f = _wfopen((pictures + L"picture.png").c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    fputs("data", f);
    fclose(f);
    VelinProcess second;
    ASSERT_TRUE(second.ok());
    std::wstring text;
    HWND box = WaitForBox(second, text);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(text, L"软件已经启动了！");
    wchar_t caption[64] = {};
    GetWindowTextW(box, caption, 64);
    EXPECT_STREQ(caption, L"Velin");
    Press(box, kOk);
    EXPECT_TRUE(second.Exited(30000));
    EXPECT_FALSE(first.Exited(500));
    EXPECT_TRUE(Exists(pictures + L"picture.png")) << "the second start took the first one's pictures";
    Quit(first);
    // The instance that ran clears its scratch pictures as it leaves.
    EXPECT_FALSE(Exists(pictures));
}

namespace {

// A start that is asked about the old folder, answers Yes and finds the old note copied.
void StartAndCopyTheOldNotes() {
    VelinProcess p;
    ASSERT_TRUE(p.ok());
    std::wstring text;
    HWND box = WaitForBox(p, text);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(text, kAskCopy);
    Press(box, kYes);
    EXPECT_TRUE(WaitFor([] { return StoredRunFolder() == AsciiLower(ExeDir()); }));
    EXPECT_TRUE(Exists(ExeDir() + L"NoteData\\NoteItems\\n1\\n1.xml"));
    Quit(p);
}

} // namespace

TEST_F(Process, MovedFolderAsksAndYesCopiesTheNotes) {
    StoreRunFolder(MakeOldFolder());
    StartAndCopyTheOldNotes();
}

TEST_F(Process, MovedFolderWhoseCopyFailsSaysSoAndAsksAgainNextTime) {
    const std::wstring old = MakeOldFolder();
    StoreRunFolder(old);
    {
        // The old note's record is held open without sharing, so it cannot be copied.
        HANDLE held = CreateFileW((old + L"NoteData\\NoteItems\\n1\\n1.xml").c_str(), GENERIC_READ, 0,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        VelinProcess p;
        ASSERT_TRUE(p.ok());
        std::wstring text;
        HWND box = WaitForBox(p, text);
        ASSERT_EQ(text, kAskCopy);
        Press(box, kYes);
        box = WaitForBox(p, text);
        EXPECT_EQ(text.rfind(L"拷贝之前的数据时出错", 0), 0u) << "the failed copy was not reported";
        if (box)
            Press(box, kOk);
        CloseHandle(held);
        EXPECT_EQ(StoredRunFolder(), old);
        Quit(p);
    }
    StartAndCopyTheOldNotes();
}

TEST_F(Process, MovedFolderNoThenYesAbandonsAndNoThenNoAsksAgain) {
    const std::wstring old = MakeOldFolder();
    StoreRunFolder(old);
    VelinProcess p;
    ASSERT_TRUE(p.ok());
    std::wstring text;
    HWND box = WaitForBox(p, text);
    ASSERT_EQ(text, kAskCopy);
    Press(box, kNo);
    box = WaitForBox(p, text);
    ASSERT_EQ(text, kAskAbandon);
    Press(box, kNo); // not sure: asked again
    box = WaitForBox(p, text);
    ASSERT_EQ(text, kAskCopy);
    Press(box, kNo);
    box = WaitForBox(p, text);
    ASSERT_EQ(text, kAskAbandon);
    Press(box, kYes);
    EXPECT_TRUE(WaitFor([] { return StoredRunFolder() == AsciiLower(ExeDir()); }));
    EXPECT_FALSE(Exists(ExeDir() + L"NoteData\\NoteItems\\n1"));
    Quit(p);
}

TEST_F(Process, SameFolderInOtherCaseOrWithoutBackslashAsksNothing) {
    std::wstring upper = ExeDir();
    for (auto& c : upper)
        c = static_cast<wchar_t>(towupper(c));
    upper.pop_back(); // no trailing backslash
    StoreRunFolder(L" " + upper + L" ");
    VelinProcess p;
    ASSERT_TRUE(p.ok());
    ASSERT_TRUE(WaitFor([&] { return FindWindowOf(p.pid(), nullptr) != nullptr; }));
    Sleep(1500);
    EXPECT_EQ(FindWindowOf(p.pid(), kDialogClass), nullptr);
    EXPECT_EQ(StoredRunFolder(), L" " + upper + L" "); // nothing written
    Quit(p);
}

TEST(RunFolder, Normalisation) {
    EXPECT_EQ(NormaliseRunFolder(L"C:\\Velin"), L"c:\\velin\\");
    EXPECT_EQ(NormaliseRunFolder(L"  C:\\Velin\\  "), L"c:\\velin\\");
    EXPECT_EQ(NormaliseRunFolder(L"C:\\中文\\"), L"c:\\中文\\");
    EXPECT_EQ(NormaliseRunFolder(L""), L"");
    EXPECT_EQ(NormaliseRunFolder(L"   "), L"");
}

namespace {

// A note record in a base folder below NoteData; the folder alone when with_record is false.
void WriteNoteIn(const std::wstring& base, const std::wstring& name, int left, int top, int hide,
                 bool with_record = true) {
    EnsureFolder(ExeDir() + L"NoteData\\");
    EnsureFolder(base);
    const std::wstring folder = base + name + L"\\";
    EnsureFolder(folder);
    if (!with_record)
        return;
    FILE* f = _wfopen((folder + name + L".xml").c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    fprintf(f,
            "<MerlaItem>\r\n<unique>%ls</unique>\r\n<left>%d</left>\r\n<top>%d</top>\r\n<right>%d</right>\r\n"
            "<bottom>%d</bottom>\r\n<ishide>%d</ishide>\r\n</MerlaItem>\r\n",
            name.c_str(), left, top, left + 180, top + 180, hide);
    fclose(f);
}

// The visible toolkit windows of a process, by their screen rectangles.
std::vector<RECT> NoteWindowsOf(DWORD pid) {
    std::vector<RECT> rects;
    for (HWND h : TopWindowsOf(pid)) {
        RECT r;
        if (IsWindowVisible(h) && HasClass(h, L"LWnd") && GetWindowRect(h, &r) && r.right - r.left == 180)
            rects.push_back(r);
    }
    return rects;
}

} // namespace

TEST_F(Process, StoredNotesOpenAtStartAndHiddenOnesStayClosed) {
    StoreRunFolder(AsciiLower(ExeDir()));
    const std::wstring items = ExeDir() + L"NoteData\\NoteItems\\";
    WriteNoteIn(items, L"n1", 300, 200, 0);
    WriteNoteIn(items, L"n2", 600, 400, 1);
    VelinProcess p;
    ASSERT_TRUE(p.ok());
    std::vector<RECT> notes;
    ASSERT_TRUE(WaitFor([&] { return !(notes = NoteWindowsOf(p.pid())).empty(); }));
    Sleep(500);
    notes = NoteWindowsOf(p.pid());
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].left, 300);
    EXPECT_EQ(notes[0].top, 200);
    Quit(p);
}

namespace {

bool ReadRecordRect(const std::wstring& record, RECT& r) {
    FILE* f = _wfopen(record.c_str(), L"rb");
    if (!f)
        return false;
    char buf[4096] = {};
    fread(buf, 1, sizeof(buf) - 1, f);
    fclose(f);
    auto value = [&](const char* key, LONG& out) {
        const std::string open = std::string("<") + key + ">";
        const char* at = strstr(buf, open.c_str());
        return at && sscanf(at + open.size(), "%ld", &out) == 1;
    };
    return value("left", r.left) && value("top", r.top) && value("right", r.right) &&
           value("bottom", r.bottom);
}

bool SameRects(std::vector<RECT> a, std::vector<RECT> b) {
    auto less = [](const RECT& x, const RECT& y) {
        return std::tie(x.left, x.top) < std::tie(y.left, y.top);
    };
    std::sort(a.begin(), a.end(), less);
    std::sort(b.begin(), b.end(), less);
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](const RECT& x, const RECT& y) { return EqualRect(&x, &y) != FALSE; });
}

// Under Wine the pointer is driven from outside, by xdotool on the X display, as a user's mouse
// would; on Windows through the system's input queue.
void MouseInput(DWORD flags, int x, int y) {
    const bool down = flags & MOUSEEVENTF_LEFTDOWN, up = flags & MOUSEEVENTF_LEFTUP;
    if (Xdotool({"mousemove", std::to_string(x), std::to_string(y)}) &&
        (!(down || up) || Xdotool({down ? "mousedown" : "mouseup", "1"}))) {
        Sleep(30);
        return;
    }
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>(x * 65535.0 / (w - 1) + 0.5);
    in.mi.dy = static_cast<LONG>(y * 65535.0 / (h - 1) + 0.5);
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof(in));
    Sleep(30);
}

void Drag(POINT from, POINT to) {
    MouseInput(0, from.x, from.y);
    Sleep(300);
    MouseInput(MOUSEEVENTF_LEFTDOWN, from.x, from.y);
    constexpr int kSteps = 10;
    for (int i = 1; i <= kSteps; ++i)
        MouseInput(0, from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps);
    MouseInput(MOUSEEVENTF_LEFTUP, to.x, to.y);
}

void Click(POINT at) {
    MouseInput(0, at.x, at.y);
    Sleep(100); // the item notices the pointer resting on it
    MouseInput(MOUSEEVENTF_LEFTDOWN, at.x, at.y);
    Sleep(50);
    MouseInput(MOUSEEVENTF_LEFTUP, at.x, at.y);
}

POINT CentreOfChild(HWND parent, const wchar_t* text) {
    HWND child = FindButton(parent, text);
    RECT r{};
    if (child)
        GetWindowRect(child, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Right click on the tray icon: the shell tells the main window, which opens its menu.
HWND OpenTrayMenu(const VelinProcess& p) {
    HWND main = MainWindowOf(p.pid());
    if (!main)
        return nullptr;
    PostMessageW(main, 10006, 0, WM_RBUTTONUP);
    HWND menu = nullptr;
    WaitFor([&] { return (menu = FindTitled(p.pid(), L"系统托盘菜单")) != nullptr; }, 10000);
    return menu;
}

} // namespace

TEST_F(Process, TheDesktopAsAUserSeesItAndUsesIt) {
    StoreRunFolder(AsciiLower(ExeDir()));
    const int cx = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const std::wstring items = ExeDir() + L"NoteData\\NoteItems\\";
    const std::wstring group = ExeDir() + L"NoteData\\NoteItems2\\工作\\";
    EnsureFolder(ExeDir() + L"NoteData\\");
    EnsureFolder(ExeDir() + L"NoteData\\NoteItems2\\");
    WriteNoteIn(items, L"plain", 200, 200, 0);
    WriteNoteIn(items, L"far_right", 5000, 300, 0);
    WriteNoteIn(items, L"sticks_out", cx - 100, 600, 0);
    WriteNoteIn(group, L"at_work", 700, 250, 0);
    WriteNoteIn(items, L"hidden", 900, 500, 1);
    WriteNoteIn(items, L"no_record", 0, 0, 0, false);

    std::vector<RECT> first;
    {
        VelinProcess p;
        ASSERT_TRUE(p.ok());
        ASSERT_TRUE(WaitFor([&] { return NoteWindowsOf(p.pid()).size() >= 4; }, 30000));
        Sleep(500);
        std::vector<RECT> shown = NoteWindowsOf(p.pid());
        ASSERT_EQ(shown.size(), 4u);
        EXPECT_TRUE(SameRects(shown, {{200, 200, 380, 380},
                                      {cx - 7, 300, cx - 7 + 180, 480},
                                      {cx - 100, 600, cx + 80, 780},
                                      {700, 250, 880, 430}}));
        EXPECT_FALSE(FolderExists(items + L"no_record"));
        EXPECT_TRUE(Exists(items + L"hidden\\hidden.xml"));

        // Dragged by the mouse: the record follows at once.
        Drag(POINT{260, 260}, POINT{460, 360});
        RECT stored{};
        EXPECT_TRUE(
            WaitFor([&] { return ReadRecordRect(items + L"plain\\plain.xml", stored) && stored.left == 400; },
                    10000));
        EXPECT_EQ(stored.top, 300);
        EXPECT_EQ(stored.right, 580);

        // A new note from the tray menu.
        HWND menu = OpenTrayMenu(p);
        ASSERT_NE(menu, nullptr);
        Click(CentreOfChild(menu, L"添加便签"));
        ASSERT_TRUE(WaitFor([&] { return NoteWindowsOf(p.pid()).size() == 5; }, 10000));
        EXPECT_EQ(ListEntries(items).size(), 5u); // plain, far_right, sticks_out, hidden, the new one
        first = NoteWindowsOf(p.pid());

        // Exit from the tray menu.
        menu = OpenTrayMenu(p);
        ASSERT_NE(menu, nullptr);
        Click(CentreOfChild(menu, L"退出"));
        ASSERT_TRUE(p.Exited(30000));
    }
    // The next start shows the same desktop.
    VelinProcess again;
    ASSERT_TRUE(again.ok());
    ASSERT_TRUE(WaitFor([&] { return NoteWindowsOf(again.pid()).size() >= 5; }, 30000));
    EXPECT_TRUE(SameRects(NoteWindowsOf(again.pid()), first));
    Quit(again);
}

namespace {

// The visible note window of the process (notes written by WriteNoteIn are 180 wide).
HWND NoteWindowOf(DWORD pid) {
    for (HWND h : TopWindowsOf(pid)) {
        RECT r;
        if (IsWindowVisible(h) && HasClass(h, L"LWnd") && GetWindowRect(h, &r) && r.right - r.left == 180)
            return h;
    }
    return nullptr;
}

std::wstring TextOf(HWND h) {
    wchar_t text[128] = {};
    GetWindowTextW(h, text, 128);
    return text;
}

// The child of the dialog whose text ends with the unit (a value button of the palette).
HWND ValueButton(HWND dialog, wchar_t unit) {
    return FindChild(dialog, [unit](HWND h) {
        const std::wstring t = TextOf(h);
        return t.size() >= 2 && t.size() <= 5 && t.back() == unit && iswdigit(t[0]);
    });
}

void Wheel(POINT at, int notches, bool up) {
    MouseInput(0, at.x, at.y);
    if (notches > 0)
        Xdotool({"click", "--repeat", std::to_string(notches), "--delay", "5", up ? "4" : "5"});
    Sleep(1000); // the list scrolls once the program has taken every notch
}

// The drop-down open under the button, or null.
HWND OpenDropDown(const VelinProcess& p, const RECT& button) {
    for (HWND h : TopWindowsOf(p.pid())) {
        RECT r;
        // The one drop-down serves every value button: it must be open under this one.
        if (IsWindowVisible(h) && (GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) &&
            GetWindowRect(h, &r) && r.bottom - r.top == 164 && r.left == button.left &&
            r.top == button.bottom + 1)
            return h;
    }
    return nullptr;
}

// Opens the drop-down of the value button (as its arrow does) and clicks the row of the value with
// the mouse. The drop-down opens from its top scrolled just enough to show the button's value;
// a row out of view is brought in with the wheel first. A busy machine may take the click before
// the last notches: then the drop-down is opened again.
bool ChooseValue(const VelinProcess& p, HWND button, int rows_total, int value, UINT arrow_message,
                 int button_id) {
    const std::wstring before = TextOf(button);
    const std::wstring want = std::to_wstring(value) + before.substr(before.size() - 1);
    RECT br{};
    GetWindowRect(button, &br);
    constexpr int kRowHeight = 19, kWheelStep = 12;
    for (int attempt = 0; attempt < 3 && TextOf(button) != want; ++attempt) {
        const int shown = _wtoi(TextOf(button).c_str()); // minutes and hours: row = value
        HWND list = nullptr;
        WaitFor([&] { return !OpenDropDown(p, br); }, 5000);
        PostMessageW(GetParent(button), arrow_message, static_cast<WPARAM>(button_id), 0);
        if (!WaitFor([&] { return (list = OpenDropDown(p, br)) != nullptr; }, 10000))
            continue;
        Sleep(300);
        RECT lr{}, client{};
        GetWindowRect(list, &lr);
        GetClientRect(list, &client);
        const int track = client.bottom;
        const int max_pos = std::max(0, rows_total * kRowHeight - track);
        int pos = std::max(0, (shown + 1) * kRowHeight - track);
        const int top = value * kRowHeight;
        if (top < pos || top + kRowHeight > pos + track) {
            const int wanted = std::clamp(top - 60, 0, max_pos);
            const int notches = (std::abs(wanted - pos) + kWheelStep - 1) / kWheelStep;
            Wheel(POINT{lr.left + 15, lr.top + 40}, notches, wanted < pos);
            pos = std::clamp(pos + (wanted < pos ? -1 : 1) * notches * kWheelStep, 0, max_pos);
        }
        Click(POINT{lr.left + 15, lr.top + top - pos + kRowHeight / 2});
        WaitFor([&] { return TextOf(button) == want; }, 3000);
    }
    return TextOf(button) == want;
}

// A right click on the note at press (from its top-left corner; where no item lies), then a click on the
// item of its menu, until done() answers true. A busy machine may still be laying the menu out when the press
// comes: then the menu is opened again.
bool ChooseInNoteMenu(const VelinProcess& p, HWND note, const wchar_t* item,
                      const std::function<bool()>& done, bool hover_only = false, POINT press = {150, 30}) {
    RECT nr{};
    GetWindowRect(note, &nr);
    for (int attempt = 0; attempt < 3; ++attempt) {
        MouseInput(0, nr.left + press.x, nr.top + press.y);
        Xdotool({"click", "3"});
        HWND note_menu = nullptr;
        if (!WaitFor([&] { return (note_menu = FindTitled(p.pid(), L"子标签窗口菜单")) != nullptr; }, 10000))
            continue;
        Sleep(500);
        const POINT at = CentreOfChild(note_menu, item);
        if (hover_only) {
            // The item opens its submenu once the pointer rests on it after moving there.
            MouseInput(0, at.x - 4, at.y);
            Sleep(300);
            MouseInput(0, at.x, at.y);
        } else
            Click(at);
        if (WaitFor(done, 8000))
            return true;
        Xdotool({"key", "Escape"});
        MouseInput(0, nr.left + press.x, nr.top + press.y);
        Sleep(1500); // a menu left open closes, and frees itself on its next tick
    }
    return false;
}

} // namespace

// As a user: the reminder dialog of a note, opened from its menu, sets the hour and a minute ahead
// with a GIF and the centre style; at that minute the note comes to the centre playing the picture, "停止"
// puts it back, and it does not fire again in that minute.
TEST_F(Process, AReminderSetInTheEditorFiresAtItsMinuteAndStopsForIt) {
    StoreRunFolder(AsciiLower(ExeDir()));
    const std::wstring items = ExeDir() + L"NoteData\\NoteItems\\";
    WriteNoteIn(items, L"alarm", 300, 200, 0);
    const std::wstring gif = ExeDir() + L"flash.gif";
    {
        FILE* f = _wfopen(gif.c_str(), L"wb");
        ASSERT_NE(f, nullptr);
        const std::string bytes = EncodeGif({{0, 20}, {2, 20}});
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
    VelinProcess p;
    ASSERT_TRUE(p.ok());
    HWND note = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (note = NoteWindowOf(p.pid())) != nullptr; }, 30000));
    Sleep(500);

    // A right click on the note, then "设置提醒..." in its menu.
    HWND dialog = nullptr;
    ASSERT_TRUE(ChooseInNoteMenu(p, note, L"设置提醒...",
                                 [&] { return (dialog = FindWindowOf(p.pid(), kDialogClass)) != nullptr; }));
    Sleep(500);

    SYSTEMTIME now;
    GetLocalTime(&now);
    // Time to set it up before the minute comes.
    constexpr int ahead = 3; // the minute row is then in view when the drop-down opens
    const int minute = (now.wMinute + ahead) % 60;
    const int hour = (now.wHour + (now.wMinute + ahead) / 60) % 24;
    HWND minute_button = ValueButton(dialog, L'分');
    HWND hour_button = ValueButton(dialog, L'时');
    ASSERT_NE(minute_button, nullptr);
    ASSERT_NE(hour_button, nullptr);
    constexpr UINT kArrowClicked = 50012;
    constexpr int kMinuteButtonId = 20110, kHourButtonId = 20111;
    ASSERT_TRUE(ChooseValue(p, minute_button, 60, minute, kArrowClicked, kMinuteButtonId));
    ASSERT_TRUE(ChooseValue(p, hour_button, 24, hour, kArrowClicked, kHourButtonId));
    ASSERT_EQ(std::to_wstring(minute) + L"分", TextOf(minute_button));
    ASSERT_EQ(std::to_wstring(hour) + L"时", TextOf(hour_button));
    // Each click is written at once: a click a busy machine lost is made again.
    const std::wstring prompt_path = items + L"alarm\\prompt.xml";
    auto prompt_has = [&](const std::string& text) {
        FILE* pf = _wfopen(prompt_path.c_str(), L"rb");
        if (!pf)
            return false;
        char text_buf[4096] = {};
        fread(text_buf, 1, sizeof(text_buf) - 1, pf);
        fclose(pf);
        return std::string(text_buf).find(text) != std::string::npos;
    };
    auto click_until = [&](POINT at, const std::string& written) {
        for (int attempt = 0; attempt < 3 && !prompt_has(written); ++attempt) {
            Click(at);
            WaitFor([&] { return prompt_has(written); }, 4000);
        }
        return prompt_has(written);
    };
    RECT b{};
    GetWindowRect(minute_button, &b);
    ASSERT_TRUE(click_until(POINT{b.left + 8, (b.top + b.bottom) / 2},
                            "<item value=\"" + std::to_string(minute) + "\">"));
    GetWindowRect(hour_button, &b);
    ASSERT_TRUE(click_until(POINT{b.left + 8, (b.top + b.bottom) / 2}, "<Hour>"));
    ASSERT_TRUE(click_until(CentreOfChild(dialog, L"居中"), "<Style>"));

    // The GIF comes through the open-file dialog.
    Click(CentreOfChild(dialog, L"显示为一个gif动画"));
    HWND open = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (open = FindTitled(p.pid(), L"选择一个gif")) != nullptr; }, 15000));
    Sleep(500);
    constexpr int kFileNameCombo = 0x47C, kFileNameEdit = 0x480;
    if (GetDlgItem(open, kFileNameCombo))
        SetDlgItemTextW(open, kFileNameCombo, gif.c_str());
    else
        SetDlgItemTextW(open, kFileNameEdit, gif.c_str());
    PostMessageW(open, WM_COMMAND, IDOK, 0);
    const std::wstring folder = items + L"alarm\\";
    std::wstring copy;
    ASSERT_TRUE(WaitFor(
        [&] {
            WIN32_FIND_DATAW fd;
            HANDLE h = FindFirstFileW((folder + L"*_gif_flash.gif").c_str(), &fd);
            if (h == INVALID_HANDLE_VALUE)
                return false;
            copy = fd.cFileName;
            FindClose(h);
            return true;
        },
        15000));

    // The close box: every group has its minute, so nothing is asked.
    RECT dr{};
    GetWindowRect(dialog, &dr);
    for (int attempt = 0; attempt < 3 && IsWindow(dialog) && IsWindowVisible(dialog); ++attempt) {
        Click(POINT{dr.right - 3 - 12, dr.top + 3 + 12});
        WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 5000);
    }
    ASSERT_TRUE(!IsWindow(dialog) || !IsWindowVisible(dialog));

    FILE* f = _wfopen((folder + L"prompt.xml").c_str(), L"rb");
    ASSERT_NE(f, nullptr);
    char buf[4096] = {};
    fread(buf, 1, sizeof(buf) - 1, f);
    fclose(f);
    const std::string xml = buf;
    EXPECT_NE(std::string::npos, xml.find("<item value=\"" + std::to_string(minute) + "\">"));
    EXPECT_NE(std::string::npos, xml.find("<item value=\"" + std::to_string(hour) + "\">"));
    EXPECT_NE(std::string::npos, xml.find("<item value=\"4\">"));
    EXPECT_NE(std::string::npos, xml.find("_gif_flash.gif</item>"));

    // At its minute the note moves to the centre of the work area and plays the picture.
    MONITORINFO mi{sizeof(mi)};
    GetMonitorInfoW(MonitorFromWindow(note, MONITOR_DEFAULTTONEAREST), &mi);
    const int cx = (mi.rcWork.left + mi.rcWork.right) / 2;
    RECT r{};
    ASSERT_TRUE(WaitFor(
        [&] {
            GetWindowRect(note, &r);
            return std::abs((r.left + r.right) / 2 - cx) <= 1;
        },
        (ahead * 60 + 30) * 1000));
    std::vector<COLORREF> seen;
    HDC screen = GetDC(nullptr);
    for (int i = 0; i < 20; ++i) {
        GetWindowRect(note, &r);
        const COLORREF c = GetPixel(screen, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        if (std::find(seen.begin(), seen.end(), c) == seen.end())
            seen.push_back(c);
        Sleep(100);
    }
    ReleaseDC(nullptr, screen);
    EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), RGB(255, 0, 0)));
    EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), RGB(0, 0, 255)));

    // A click on the note offers "停止"; the note goes back to its place.
    GetWindowRect(note, &r);
    Click(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (menu = FindTitled(p.pid(), L"停止提醒菜单")) != nullptr; }, 10000));
    Click(CentreOfChild(menu, L"停止"));
    ASSERT_TRUE(WaitFor(
        [&] {
            GetWindowRect(note, &r);
            return r.left == 300 && r.top == 200;
        },
        10000));
    // The scheduler looks every 15 seconds: it leaves the stopped minute alone.
    Sleep(20000);
    GetWindowRect(note, &r);
    EXPECT_EQ(300, r.left);
    EXPECT_EQ(200, r.top);
    Quit(p);
}

namespace {

std::string FileText(const std::wstring& path) {
    std::string text;
    if (FILE* f = _wfopen(path.c_str(), L"rb")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
            text.append(buf, n);
        fclose(f);
    }
    return text;
}

// Where on the screen, inside the rectangle, the first pixel the test accepts is; {-1, -1} if none.
POINT FindPixel(const RECT& r, const std::function<bool(COLORREF)>& accept) {
    HDC screen = GetDC(nullptr);
    POINT found{-1, -1};
    for (int y = r.top; y < r.bottom && found.x < 0; y += 2)
        for (int x = r.left; x < r.right; x += 2)
            if (accept(GetPixel(screen, x, y))) {
                found = POINT{x, y};
                break;
            }
    ReleaseDC(nullptr, screen);
    return found;
}

} // namespace

// As a user on a fresh installation: the note menu pins the note on top, then ties it to the desktop;
// "添加图像..." adds a picture through the open-file dialog; "选择模板..." shows the shipped templates and
// a click gives the note one of them; "管理" and the page button show the templates page.
TEST_F(Process, TheNoteMenuPinsTiesAddsAPictureAndAppliesAShippedTemplate) {
    StoreRunFolder(AsciiLower(ExeDir()));
    const std::wstring items = ExeDir() + L"NoteData\\NoteItems\\";
    WriteNoteIn(items, L"menu", 300, 200, 0);
    const std::wstring picture = ExeDir() + L"leaf.png";
    ASSERT_TRUE(CopyFileW((ExeDir() + L"sysres\\images.png").c_str(), picture.c_str(), FALSE));
    const std::wstring folder = items + L"menu\\", record = folder + L"menu.xml";
    VelinProcess p;
    ASSERT_TRUE(p.ok());
    HWND note = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (note = NoteWindowOf(p.pid())) != nullptr; }, 30000));
    Sleep(500);

    ASSERT_TRUE(ChooseInNoteMenu(p, note, L"置顶显示", [&] {
        return FileText(record).find("<bTopMost>1</bTopMost>") != std::string::npos;
    }));
    EXPECT_TRUE(GetWindowLongW(note, GWL_EXSTYLE) & WS_EX_TOPMOST);
    ASSERT_TRUE(ChooseInNoteMenu(p, note, L"嵌入桌面", [&] {
        return FileText(record).find("<bToDesk>1</bToDesk>") != std::string::npos;
    }));

    // A picture item through the open-file dialog.
    HWND open = nullptr;
    // The picture comes where the menu was opened: away from where the later menus open.
    ASSERT_TRUE(ChooseInNoteMenu(
        p, note, L"添加图像...", [&] { return (open = FindTitled(p.pid(), L"选择一个图像文件")) != nullptr; },
        false, POINT{20, 90}));
    Sleep(500);
    constexpr int kFileNameCombo = 0x47C, kFileNameEdit = 0x480;
    SetDlgItemTextW(open, GetDlgItem(open, kFileNameCombo) ? kFileNameCombo : kFileNameEdit, picture.c_str());
    PostMessageW(open, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor(
        [&] { return FileText(record).find("identify=\"MerlaItemImage\"") != std::string::npos; }, 15000));
    bool copied = false;
    for (const std::wstring& name : ListEntries(folder))
        copied = copied || (name.rfind(L"bkimage_", 0) == 0 && name.size() > 9 &&
                            name.compare(name.size() - 9, 9, L"_leaf.png") == 0);
    EXPECT_TRUE(copied);

    // The chooser comes on hovering "选择模板..."; the yellow shipped paper is clicked.
    HWND chooser = nullptr;
    ASSERT_TRUE(ChooseInNoteMenu(
        p, note, L"选择模板...",
        [&] { return (chooser = FindTitled(p.pid(), L"选择模板子窗口")) != nullptr; }, true));
    Sleep(1000);
    RECT cr{};
    GetWindowRect(chooser, &cr);
    const POINT paper = FindPixel(cr, [](COLORREF c) {
        return GetRValue(c) >= 0xF0 && GetGValue(c) >= 0xE0 && GetBValue(c) >= 0x80 && GetBValue(c) <= 0xC8;
    });
    ASSERT_GE(paper.x, 0);
    Click(POINT{paper.x + 8, paper.y + 8});
    RECT nr{};
    ASSERT_TRUE(WaitFor(
        [&] {
            GetWindowRect(note, &nr);
            return nr.right - nr.left == 240 && nr.bottom - nr.top == 240;
        },
        10000));
    EXPECT_EQ(300, nr.left);
    EXPECT_NE(std::string::npos,
              FileText(record).find("<bkimage>bkimage_20261201000000001_01_paper.png</bkimage>"));
    EXPECT_TRUE(Exists(folder + L"bkimage_20261201000000001_01_paper.png"));

    // The manager, then its templates page.
    HWND manager = nullptr;
    ASSERT_TRUE(ChooseInNoteMenu(p, note, L"管理",
                                 [&] { return (manager = FindTitled(p.pid(), L"便签管理")) != nullptr; }));
    Sleep(1000);
    for (int attempt = 0; attempt < 3 && !FindTitled(p.pid(), L"模板管理"); ++attempt) {
        Click(CentreOfChild(manager, L"模板管理"));
        WaitFor([&] { return FindTitled(p.pid(), L"模板管理") != nullptr; }, 5000);
    }
    EXPECT_EQ(manager, FindTitled(p.pid(), L"模板管理"));
    HWND list = FindChild(manager, [](HWND h) { return IsWindowVisible(h) && TextOf(h) == L"模板管理列表"; });
    EXPECT_NE(nullptr, list);
    Quit(p);
}

namespace {

// Fills the file name of a common file dialog and presses its OK.
void ChooseFileIn(HWND dialog, const std::wstring& path) {
    constexpr int kFileNameCombo = 0x47C, kFileNameEdit = 0x480;
    // The open dialog names its file in a combo box, the save dialog in an edit.
    for (int id : {kFileNameCombo, kFileNameEdit}) {
        if (HWND control = GetDlgItem(dialog, id); control && IsWindowVisible(control))
            SetWindowTextW(control, path.c_str());
    }
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    // The file dialog is a dialog box too: it must be gone before the next box is looked for.
    WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10000);
}

// Opens the manager from the note's menu and shows its settings page.
HWND OpenSettingsPage(const VelinProcess& p, HWND note) {
    HWND manager = nullptr;
    if (!ChooseInNoteMenu(p, note, L"管理",
                          [&] { return (manager = FindTitled(p.pid(), L"便签管理")) != nullptr; }))
        return nullptr;
    Sleep(1000);
    for (int attempt = 0; attempt < 3 && !FindTitled(p.pid(), L"系统管理"); ++attempt) {
        Click(CentreOfChild(manager, L"系统设置"));
        WaitFor([&] { return FindTitled(p.pid(), L"系统管理") != nullptr; }, 5000);
    }
    return FindTitled(p.pid(), L"系统管理");
}

} // namespace

TEST_F(Process, ABackupToAFileFromTheSettingsPageBringsADeletedNoteBack) {
    StoreRunFolder(AsciiLower(ExeDir()));
    const std::wstring items = ExeDir() + L"NoteData\\NoteItems\\";
    WriteNoteIn(items, L"kept", 300, 200, 0);
    const std::wstring backup = ExeDir() + L"我的备份";
    VelinProcess p;
    ASSERT_TRUE(p.ok());
    HWND note = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (note = NoteWindowOf(p.pid())) != nullptr; }, 30000));
    Sleep(500);
    HWND manager = OpenSettingsPage(p, note);
    ASSERT_NE(manager, nullptr);
    Sleep(500);

    // "备份到本地": the save dialog, then the tell; ".zip" is added to a name without it.
    HWND save = nullptr;
    for (int attempt = 0; attempt < 3 && !save; ++attempt) {
        Click(CentreOfChild(manager, L"备份到本地"));
        WaitFor([&] { return (save = FindTitled(p.pid(), L"备份为...")) != nullptr; }, 8000);
    }
    ASSERT_NE(save, nullptr);
    Sleep(500);
    ChooseFileIn(save, backup);
    std::wstring text;
    HWND box = WaitForBox(p, text);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(text, L"备份成功！");
    Press(box, kOk);
    ASSERT_TRUE(Exists(backup + L".zip"));

    // The note goes into the recycle bin and off the desktop.
    ASSERT_TRUE(ChooseInNoteMenu(
        p, note, L"删除", [&] { return FindMessageBoxOf(p.pid()) != nullptr; }, false, POINT{40, 90}));
    box = WaitForBox(p, text);
    ASSERT_NE(box, nullptr);
    Press(box, kOk);
    ASSERT_TRUE(WaitFor([&] { return NoteWindowOf(p.pid()) == nullptr; }, 10000));
    // Without a window manager the window takes a while to go; the folder moves after it.
    ASSERT_TRUE(WaitFor([] { return Exists(ExeDir() + L"NoteData\\Recycle\\kept\\kept.xml"); }, 10000));

    // "从本地备份还原数据" with "替换", confirmed: the note is back, once.
    HWND open = nullptr;
    for (int attempt = 0; attempt < 3 && !open; ++attempt) {
        Click(CentreOfChild(manager, L"从本地备份还原数据"));
        WaitFor([&] { return (open = FindTitled(p.pid(), L"选择一个备份文件")) != nullptr; }, 8000);
    }
    ASSERT_NE(open, nullptr);
    Sleep(500);
    ChooseFileIn(open, backup + L".zip");
    box = WaitForBox(p, text);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(0u, text.find(L"选择重复的数据的处理方式..."));
    Press(box, L"替换");
    box = WaitForBox(p, text);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(text, L"确定要替换重复的数据吗？");
    Press(box, kYes);
    HWND back = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (back = NoteWindowOf(p.pid())) != nullptr; }, 20000));
    RECT r{};
    GetWindowRect(back, &r);
    EXPECT_EQ(r.left, 300);
    EXPECT_EQ(r.top, 200);
    EXPECT_TRUE(Exists(items + L"kept\\kept.xml"));
    EXPECT_FALSE(Exists(ExeDir() + L"NoteData\\Recycle\\kept")) << "the note would be there twice";
    Quit(p);
}

namespace {

std::wstring UpdateSiteDir() {
    wchar_t dir[MAX_PATH] = {};
    GetEnvironmentVariableW(L"VELIN_UPDATE_SITE", dir, MAX_PATH);
    return dir[0] ? std::wstring(dir) + L"\\" : std::wstring();
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

} // namespace

TEST_F(Process, TheUpdateDialogOffersANewVersionUntilItIsSkipped) {
    const std::wstring site_dir = UpdateSiteDir();
    ASSERT_FALSE(site_dir.empty()) << "VELIN_UPDATE_SITE is not set";
    StoreRunFolder(AsciiLower(ExeDir()));
    const std::string port = FileText(site_dir + L"port");
    ASSERT_FALSE(port.empty());
    const std::string config_head =
        "<sysconfig>\r\n<updateinfo>\r\n<updatesite>http://127.0.0.1:" + port + "</updatesite>\r\n";
    WriteBytes(ExeDir() + L"sysconfig.xml", config_head + "</updateinfo>\r\n</sysconfig>\r\n");
    WriteBytes(site_dir + L"downloadupdate.xml",
               "<update>\r\n<version>\r\n<v1>1</v1>\r\n<v2>10</v2>\r\n<v3>0</v3>\r\n</version>\r\n"
               "<description>\r\n<item>新的版本：提醒更准时。</item>\r\n</description>\r\n"
               "<exe>http://127.0.0.1:" +
                   port + "/update.exe</exe>\r\n</update>\r\n");
    DeleteFileW((site_dir + L"downloadupdate.xml.fail").c_str());
    {
        VelinProcess p(true);
        ASSERT_TRUE(p.ok());
        HWND dialog = nullptr;
        ASSERT_TRUE(
            WaitFor([&] { return (dialog = FindTitled(p.pid(), L"发现新的版本...")) != nullptr; }, 30000));
        Sleep(1000);
        Press(dialog, L"忽略这个版本");
        ASSERT_TRUE(WaitFor(
            [&] {
                return FileText(ExeDir() + L"sysconfig.xml").find("<skipversion>1.10.0</skipversion>") !=
                       std::string::npos;
            },
            10000));
        Quit(p);
    }
    // A week later the site is asked again, and the skipped version is not offered.
    const size_t asked = FileText(site_dir + L"requests.log").size();
    WriteBytes(ExeDir() + L"sysconfig.xml",
               config_head + "<lassupdatetime>2020-01-01 00:00:00</lassupdatetime>\r\n"
                             "<skipversion>1.10.0</skipversion>\r\n</updateinfo>\r\n</sysconfig>\r\n");
    VelinProcess again(true);
    ASSERT_TRUE(again.ok());
    EXPECT_TRUE(WaitFor([&] { return FileText(site_dir + L"requests.log").size() > asked; }, 30000));
    Sleep(3000);
    EXPECT_EQ(FindTitled(again.pid(), L"发现新的版本..."), nullptr);
    Quit(again);
}
