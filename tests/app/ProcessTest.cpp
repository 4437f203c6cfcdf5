// Starts the real Velin.exe beside the test and drives its dialogs: single instance and the move of
// the program folder. The registry value is shared by the prefix, so these tests run one at a time.
#include "app/AppPaths.h"
#include "app/DirUtils.h"
#include "app/RunFolder.h"
#include "store/Encoding.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kMessageTextId = 0xFFFF;      // the hidden static holding the message box's text
constexpr wchar_t kDialogClass[] = L"#32770"; // the message box runs as a modal dialog
const wchar_t kOk[] = L"确定";
const wchar_t kYes[] = L"是";
const wchar_t kNo[] = L"否";

class VelinProcess {
public:
    VelinProcess() {
        STARTUPINFOW si{sizeof(si)};
        std::wstring cmd = L"\"" + ExeDir() + L"Velin.exe\"";
        ok_ = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, ExeDir().c_str(), &si,
                             &pi_);
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

HWND FindWindowOf(DWORD pid, const wchar_t* cls) {
    struct Ctx {
        DWORD pid;
        const wchar_t* cls;
        HWND found;
    } ctx{pid, cls, nullptr};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            wchar_t name[64] = {};
            GetClassNameW(h, name, 64);
            if (owner == c->pid && IsWindowVisible(h) && (!c->cls || wcscmp(name, c->cls) == 0)) {
                c->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

bool WaitFor(const std::function<bool()>& cond, int ms = 20000) {
    for (int waited = 0; waited < ms; waited += 50) {
        if (cond())
            return true;
        Sleep(50);
    }
    return cond();
}

// Waits for a message box of the process and answers its text.
HWND WaitForBox(const VelinProcess& p, std::wstring& text) {
    HWND box = nullptr;
    text.clear();
    WaitFor([&] { return (box = FindWindowOf(p.pid(), kDialogClass)) != nullptr; }, 30000);
    if (box) {
        wchar_t buf[512] = {};
        GetDlgItemTextW(box, kMessageTextId, buf, 512);
        text = buf;
    }
    return box;
}

// The child window of the box showing the text (a button of the box), or null.
HWND FindButton(HWND box, const wchar_t* text) {
    struct Ctx {
        const wchar_t* text;
        HWND found;
    } ctx{text, nullptr};
    EnumChildWindows(
        box,
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            wchar_t name[64] = {};
            GetWindowTextW(h, name, 64);
            if (GetDlgCtrlID(h) != static_cast<int>(kMessageTextId) && wcscmp(name, c->text) == 0) {
                c->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
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

// Asks the running program to exit through its tray command.
void Quit(const VelinProcess& p) {
    HWND main = nullptr;
    WaitFor([&] { return (main = FindWindowOf(p.pid(), L"MerlaMain")) != nullptr; }, 5000);
    if (main)
        PostMessageW(main, WM_COMMAND, 30103, 0);
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
    Quit(first);
}

TEST_F(Process, MovedFolderAsksAndYesCopiesTheNotes) {
    const std::wstring old = MakeOldFolder();
    StoreRunFolder(old);
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

void WriteNote(const std::wstring& name, int id, int left, int top, int hide) {
    const std::wstring folder = ExeDir() + L"NoteData\\NoteItems\\" + name + L"\\";
    EnsureFolder(ExeDir() + L"NoteData\\");
    EnsureFolder(ExeDir() + L"NoteData\\NoteItems\\");
    EnsureFolder(folder);
    FILE* f = _wfopen((folder + name + L".xml").c_str(), L"wb");
    fprintf(f,
            "<MerlaItem>\r\n<ID>%d</ID>\r\n<left>%d</left>\r\n<top>%d</top>\r\n<right>%d</right>\r\n"
            "<bottom>%d</bottom>\r\n<ishide>%d</ishide>\r\n</MerlaItem>\r\n",
            id, left, top, left + 180, top + 180, hide);
    fclose(f);
}

// The visible toolkit windows of a process, by their screen rectangles.
std::vector<RECT> NoteWindowsOf(DWORD pid) {
    struct Ctx {
        DWORD pid;
        std::vector<RECT> rects;
    } ctx{pid, {}};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            wchar_t name[64] = {};
            GetClassNameW(h, name, 64);
            RECT r;
            if (owner == c->pid && IsWindowVisible(h) && wcscmp(name, L"LWnd") == 0 && GetWindowRect(h, &r) &&
                r.right - r.left == 180)
                c->rects.push_back(r);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.rects;
}

} // namespace

TEST_F(Process, StoredNotesOpenAtStartAndHiddenOnesStayClosed) {
    StoreRunFolder(AsciiLower(ExeDir()));
    WriteNote(L"n1", 100500, 300, 200, 0);
    WriteNote(L"n2", 100501, 600, 400, 1);
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
