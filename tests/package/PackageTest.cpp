// What a user gets: the installer run silently into a folder, the installed program started and
// used from its tray menu, the uninstaller run the way "Add or remove programs" runs it, and the
// portable folder unpacked from the zip. The package build (scripts/package.sh) is the fixture:
// VELIN_PACKAGE names its work folder (stage\Velin is the program folder as it ships, portable\Velin
// the zip unpacked again), VELIN_DIST the folder holding the installer.
#include "tests/app/ProcessWindows.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr UINT kToolkitCommand = 10002;
constexpr UINT kTrayNotify = 10006;
constexpr WPARAM kExitCommand = 30103;
constexpr DWORD kInstallMs = 120000;
constexpr int kStartMs = 30000;
constexpr int kUninstallMs = 120000;
constexpr DWORD kSettleMs = 2000;
constexpr long kRefusedWhileRunning = 2; // the installer's exit code while Velin runs
constexpr DWORD kHoverMs = 300;
constexpr DWORD kPressMs = 50;
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velin";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kAutorunValue[] = L"merla_autorun";
constexpr wchar_t kRunFolderKey[] = L"Software\\brimsoft\\kivpad";
constexpr wchar_t kRunFolderValue[] = L"currunpath";
// Wine copies every shortcut an installer makes into the desktop of the machine it runs on, through
// its menu builder; the test prefix switches that off while the installer test runs.
constexpr wchar_t kWineOverridesKey[] = L"Software\\Wine\\DllOverrides";
constexpr wchar_t kMenuBuilder[] = L"winemenubuilder.exe";

std::wstring Env(const wchar_t* name) {
    const wchar_t* v = _wgetenv(name);
    return v ? std::wstring(v) + L"\\" : std::wstring();
}

std::wstring TestDir() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    return dir.substr(0, dir.rfind(L'\\') + 1);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Every file under the folder, as paths relative to it.
void ListFiles(const std::wstring& root, const std::wstring& rel, std::vector<std::wstring>& out) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((root + rel + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(root, rel + name + L"\\", out);
        else
            out.push_back(rel + name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a))
        return -1;
    return (static_cast<long long>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

// Runs a command line and waits for it; answers its exit code, or -1 when it did not start or end.
long RunAndWait(std::wstring cmd, DWORD ms) {
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return static_cast<long>(code);
}

std::wstring RegText(HKEY root, const wchar_t* key, const wchar_t* value) {
    wchar_t buf[1024] = {};
    DWORD size = sizeof(buf);
    if (RegGetValueW(root, key, value, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buf;
}

DWORD RegNumber(HKEY root, const wchar_t* key, const wchar_t* value) {
    DWORD n = 0, size = sizeof(n);
    if (RegGetValueW(root, key, value, RRF_RT_REG_DWORD, nullptr, &n, &size) != ERROR_SUCCESS)
        return 0xFFFFFFFF;
    return n;
}

void SetRegText(HKEY root, const wchar_t* key, const wchar_t* value, const std::wstring& text) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyW(root, key, &k), ERROR_SUCCESS);
    RegSetValueExW(k, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
}

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return std::wstring(path) + L"\\";
}

// Where a shell link points, or empty.
std::wstring LinkTarget(const std::wstring& link) {
    std::wstring target;
    IShellLinkW* sl = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&sl))))
        return target;
    IPersistFile* pf = nullptr;
    if (SUCCEEDED(sl->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf)))) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(pf->Load(link.c_str(), STGM_READ)) &&
            SUCCEEDED(sl->GetPath(path, MAX_PATH, nullptr, 0)))
            target = path;
        pf->Release();
    }
    sl->Release();
    return target;
}

// The version resource's text value in the Chinese (PRC) Unicode block.
std::wstring VersionText(const std::wstring& exe, const wchar_t* name) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    std::vector<char> data(size);
    if (!size || !GetFileVersionInfoW(exe.c_str(), 0, size, data.data()))
        return L"<none>";
    wchar_t* text = nullptr;
    UINT len = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    if (!VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &len) || !text)
        return L"<none>";
    return text;
}

std::string Manifest(const std::wstring& exe) {
    std::string text;
    HMODULE m =
        LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!m)
        return text;
    HRSRC r = FindResourceW(m, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    if (r) {
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(m, r)));
        if (bytes)
            text.assign(bytes, SizeofResource(m, r));
    }
    FreeLibrary(m);
    return text;
}

// The notes stored in the default group: one folder each.
size_t StoredNotes(const std::wstring& dir) {
    size_t n = 0;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"NoteData\\NoteItems\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && wcscmp(fd.cFileName, L".") != 0 &&
            wcscmp(fd.cFileName, L"..") != 0)
            ++n;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return n;
}

HWND ChildTitled(HWND parent, const wchar_t* title) {
    struct Ctx {
        const wchar_t* title;
        HWND found;
    } ctx{title, nullptr};
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(lp);
            wchar_t text[64] = {};
            GetWindowTextW(h, text, 64);
            if (wcscmp(text, c->title) != 0)
                return TRUE;
            c->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

// Under Wine the pointer is the X display's, moved by xdotool as a user's mouse would move it.
void Click(POINT at) {
    if (Xdotool({"mousemove", std::to_string(at.x), std::to_string(at.y)})) {
        Sleep(kHoverMs); // the item notices the pointer resting on it
        Xdotool({"mousedown", "1"});
        Sleep(kPressMs);
        Xdotool({"mouseup", "1"});
        return;
    }
    SetCursorPos(at.x, at.y);
    Sleep(kHoverMs);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}

class Velin {
public:
    explicit Velin(const std::wstring& dir) {
        STARTUPINFOW si{sizeof(si)};
        std::wstring cmd = L"\"" + dir + L"Velin.exe\"";
        ok_ =
            CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi_);
    }
    ~Velin() {
        if (!ok_)
            return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(pi_.hProcess, 1);
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
    bool ok() const { return ok_; }
    DWORD pid() const { return pi_.dwProcessId; }
    HWND WaitMainWindow() const {
        HWND main = nullptr;
        WaitFor([&] { return (main = MainWindowOf(pid())) != nullptr; }, kStartMs);
        return main;
    }
    // Exits through the tray menu's command and tells whether the process ended.
    bool Quit() const {
        HWND main = MainWindowOf(pid());
        if (main)
            PostMessageW(main, kToolkitCommand, kExitCommand, 0);
        return WaitForSingleObject(pi_.hProcess, kStartMs) == WAIT_OBJECT_0;
    }

private:
    PROCESS_INFORMATION pi_{};
    bool ok_ = false;
};

std::wstring AsciiLower(std::wstring s) {
    for (wchar_t& c : s)
        c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    return s;
}

// The program asks to bring notes over from the folder it last ran from; the prefix's remembered
// folder is set to the one under test and put back afterwards.
class Package : public testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        saved_ = RegText(HKEY_LOCAL_MACHINE, kRunFolderKey, kRunFolderValue);
        package_ = Env(L"VELIN_PACKAGE");
        dist_ = Env(L"VELIN_DIST");
        ASSERT_FALSE(package_.empty()) << "VELIN_PACKAGE is not set";
        ASSERT_FALSE(dist_.empty()) << "VELIN_DIST is not set";
    }
    void TearDown() override {
        if (saved_ == L"<missing>")
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kRunFolderKey, kRunFolderValue);
        else
            SetRegText(HKEY_LOCAL_MACHINE, kRunFolderKey, kRunFolderValue, saved_);
        CoUninitialize();
    }
    void RunFrom(const std::wstring& dir) {
        SetRegText(HKEY_LOCAL_MACHINE, kRunFolderKey, kRunFolderValue, AsciiLower(dir));
    }

    std::wstring package_, dist_;

private:
    std::wstring saved_;
};

// The one installer in the dist folder and the version its name carries.
bool FindInstaller(const std::wstring& dist, std::wstring& path, std::wstring& version) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dist + L"Velin-*-setup.exe").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    FindClose(h);
    const std::wstring name = fd.cFileName;
    path = dist + name;
    const size_t first = name.find(L'-') + 1;
    version = name.substr(first, name.rfind(L"-setup.exe") - first);
    return !version.empty();
}

} // namespace

TEST_F(Package, TheInstallerInstallsRegistersRunsAndUninstallsKeepingTheNotes) {
    std::wstring setup, version;
    ASSERT_TRUE(FindInstaller(dist_, setup, version)) << "no Velin-<version>-setup.exe";
    const std::wstring shipped = package_ + L"stage\\Velin\\";
    const std::wstring dir = TestDir() + L"安装 目录\\";
    const std::wstring dir_plain = dir.substr(0, dir.size() - 1);
    RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
    const std::wstring menu_builder = RegText(HKEY_CURRENT_USER, kWineOverridesKey, kMenuBuilder);
    SetRegText(HKEY_CURRENT_USER, kWineOverridesKey, kMenuBuilder, L"");
    struct Restore {
        std::wstring value;
        ~Restore() {
            if (value == L"<missing>")
                RegDeleteKeyValueW(HKEY_CURRENT_USER, kWineOverridesKey, kMenuBuilder);
            else
                SetRegText(HKEY_CURRENT_USER, kWineOverridesKey, kMenuBuilder, value);
        }
    } restore{menu_builder};

    ASSERT_EQ(RunAndWait(L"\"" + setup + L"\" /S /D=" + dir_plain, kInstallMs), 0);

    // The folder as it ships, file for file, and the uninstaller beside it.
    std::vector<std::wstring> files;
    ListFiles(shipped, L"", files);
    ASSERT_GT(files.size(), 20u);
    for (const std::wstring& f :
         {std::wstring(L"Velin.exe"), std::wstring(L"help.chm"), std::wstring(L"sysres\\Merla.ico"),
          std::wstring(L"merla_reicon\\default\\star.png")})
        EXPECT_NE(std::find(files.begin(), files.end(), f), files.end()) << "not shipped: " << f;
    for (const std::wstring& f : files)
        EXPECT_EQ(FileSize(dir + f), FileSize(shipped + f)) << "installed differently: " << f;
    EXPECT_TRUE(Exists(dir + L"Uninstall.exe"));

    // "Add or remove programs".
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kUninstallKey, L"DisplayName"), L"Velin 桌面便签");
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kUninstallKey, L"DisplayVersion"), version);
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kUninstallKey, L"Publisher"), L"brimsoft");
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kUninstallKey, L"DisplayIcon"), dir + L"sysres\\Merla.ico");
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kUninstallKey, L"InstallLocation"), dir_plain);
    const std::wstring uninstall = L"\"" + dir + L"Uninstall.exe\"";
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kUninstallKey, L"UninstallString"), uninstall);
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kUninstallKey, L"QuietUninstallString"), uninstall + L" /S");
    EXPECT_EQ(RegNumber(HKEY_CURRENT_USER, kUninstallKey, L"NoModify"), 1u);
    EXPECT_EQ(RegNumber(HKEY_CURRENT_USER, kUninstallKey, L"NoRepair"), 1u);

    // Shortcuts start the installed program.
    const std::wstring menu_link = ShellFolder(CSIDL_PROGRAMS) + L"Velin\\Velin.lnk";
    const std::wstring desktop_link = ShellFolder(CSIDL_DESKTOPDIRECTORY) + L"Velin.lnk";
    EXPECT_EQ(AsciiLower(LinkTarget(menu_link)), AsciiLower(dir + L"Velin.exe"));
    EXPECT_EQ(AsciiLower(LinkTarget(desktop_link)), AsciiLower(dir + L"Velin.exe"));

    // The program says what it is, in the version its package carries.
    const std::wstring exe = dir + L"Velin.exe";
    EXPECT_EQ(VersionText(exe, L"FileDescription"), L"Velin 桌面便签");
    EXPECT_EQ(VersionText(exe, L"ProductVersion"), version);
    EXPECT_EQ(VersionText(exe, L"FileVersion"), version);
    const std::string manifest = Manifest(exe);
    const std::string narrow_version(version.begin(), version.end());
    EXPECT_NE(manifest.find("name=\"Velin\" version=\"" + narrow_version + ".0\""), std::string::npos);
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    for (const char* os :
         {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
          "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(os), std::string::npos) << os;

    // The installed program runs: its tray icon's menu makes a note.
    RunFrom(dir);
    {
        Velin velin(dir);
        ASSERT_TRUE(velin.ok());
        HWND main = velin.WaitMainWindow();
        ASSERT_NE(main, nullptr) << "the installed program shows no tray icon";
        // The start-up's desktop check clicks where the pointer is, which would close a menu
        // opened before it.
        Sleep(kSettleMs);
        const size_t before = StoredNotes(dir);
        PostMessageW(main, kTrayNotify, 0, WM_RBUTTONUP);
        HWND menu = nullptr;
        ASSERT_TRUE(
            WaitFor([&] { return (menu = FindTitled(velin.pid(), L"系统托盘菜单")) != nullptr; }, 10000));
        HWND add = ChildTitled(menu, L"添加便签");
        ASSERT_NE(add, nullptr);
        RECT r{};
        GetWindowRect(add, &r);
        Click(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        EXPECT_TRUE(WaitFor([&] { return StoredNotes(dir) == before + 1; }, 10000));
        // Its files cannot go while it runs: the uninstaller, run in place so that its answer is
        // its own, refuses and leaves everything.
        EXPECT_EQ(RunAndWait(uninstall + L" /S _?=" + dir_plain, kInstallMs), kRefusedWhileRunning);
        EXPECT_TRUE(Exists(dir + L"Velin.exe"));
        EXPECT_NE(RegText(HKEY_CURRENT_USER, kUninstallKey, L"DisplayName"), L"<missing>");
        EXPECT_TRUE(velin.Quit());
    }
    std::vector<std::wstring> notes;
    ListFiles(dir + L"NoteData\\NoteItems\\", L"", notes);
    ASSERT_FALSE(notes.empty()) << "the note was not stored";

    // Start with the session was turned on; the uninstaller takes that away too.
    SetRegText(HKEY_LOCAL_MACHINE, kRunKey, kAutorunValue, dir + L"Velin.exe");

    // As "Add or remove programs" runs it: the uninstaller hands over to a copy of itself and
    // returns at once, so its work is waited for by its results.
    ASSERT_EQ(RunAndWait(RegText(HKEY_CURRENT_USER, kUninstallKey, L"QuietUninstallString"), kInstallMs), 0);
    EXPECT_TRUE(WaitFor([&] { return !Exists(dir + L"Uninstall.exe") && !Exists(dir + L"Velin.exe"); },
                        kUninstallMs));
    for (const std::wstring& f : files)
        EXPECT_FALSE(Exists(dir + f)) << "left behind: " << f;
    EXPECT_FALSE(Exists(dir + L"sysres"));
    EXPECT_FALSE(Exists(dir + L"merla_reicon"));
    EXPECT_FALSE(Exists(menu_link));
    EXPECT_FALSE(Exists(ShellFolder(CSIDL_PROGRAMS) + L"Velin"));
    EXPECT_FALSE(Exists(desktop_link));
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, kUninstallKey, L"DisplayName"), L"<missing>");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kRunKey, kAutorunValue), L"<missing>");
    // The user's notes and settings stay where they were.
    for (const std::wstring& n : notes)
        EXPECT_TRUE(Exists(dir + L"NoteData\\NoteItems\\" + n));
    EXPECT_TRUE(Exists(dir + L"NormalSet"));
}

TEST_F(Package, ThePortableZipUnpacksToAFolderWhoseProgramRuns) {
    const std::wstring dir = package_ + L"portable\\Velin\\";
    ASSERT_TRUE(Exists(dir + L"Velin.exe"));
    ASSERT_TRUE(Exists(dir + L"help.chm"));
    RunFrom(dir);
    Velin velin(dir);
    ASSERT_TRUE(velin.ok());
    EXPECT_NE(velin.WaitMainWindow(), nullptr);
    EXPECT_TRUE(WaitFor([&] { return Exists(dir + L"NoteData\\NoteItems"); }, kStartMs));
    EXPECT_TRUE(velin.Quit());
}
