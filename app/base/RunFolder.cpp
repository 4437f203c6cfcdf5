#include "app/base/RunFolder.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "app/base/MessageBoxBits.h"
#include "app/base/RegKey.h"
#include "store/xml/Encoding.h"

#include <windows.h>

namespace {

constexpr wchar_t kAskCopy[] = L"发现之前的安装目录，是否拷贝之前的数据到当前目录下？";
constexpr wchar_t kAskAbandon[] = L"确定要放弃之前的数据吗？";
constexpr wchar_t kCopyFailed[] =
    L"拷贝之前的数据时出错，部分数据没有拷贝过来。之前的数据仍在原目录中，下次启动时会再次询问。";
constexpr wchar_t kWriteFailed[] = L"设置当前运行路径出错，请检查是否有权限，尝试以管理员身份运行软件！";

std::wstring Trim(const std::wstring& s) {
    size_t b = s.find_first_not_of(L' ');
    if (b == std::wstring::npos)
        return {};
    size_t e = s.find_last_not_of(L' ');
    return s.substr(b, e - b + 1);
}

} // namespace

std::wstring NormaliseRunFolder(const std::wstring& stored) {
    // Spaces are trimmed before the backslash is added, so " C:\Velin " matches "c:\velin\".
    std::wstring s = Trim(stored);
    if (s.empty())
        return {};
    if (s.back() != L'\\')
        s += L'\\';
    return AsciiLower(s);
}

void ResolveDataFolder(const AskUser& ask) {
    RegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunFolderKey, 0, KEY_READ | KEY_WRITE, key.out()) !=
            ERROR_SUCCESS &&
        RegCreateKeyW(HKEY_LOCAL_MACHINE, kRunFolderKey, key.out()) != ERROR_SUCCESS)
        return;

    const std::wstring here = AsciiLower(ExeDir());
    auto write_here = [&] {
        const DWORD bytes = static_cast<DWORD>((here.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(key.get(), kRunFolderValue, 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(here.c_str()), bytes) == ERROR_SUCCESS;
    };

    wchar_t buf[MAX_PATH] = {};
    DWORD size = sizeof(buf) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), kRunFolderValue, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) !=
        ERROR_SUCCESS) {
        write_here();
        return;
    }
    const std::wstring stored(buf);
    const std::wstring normal = NormaliseRunFolder(stored);
    if (normal.empty() || normal == here)
        return;

    for (;;) {
        if (ask(kAskCopy, kMbYes | kMbNo) == kMbYes) {
            std::wstring from = stored;
            if (from.empty() || from.back() != L'\\')
                from += L'\\';
            // The old folder stays the remembered one until everything is over, so the next start
            // offers the copy again instead of leaving notes behind for good.
            const std::wstring old_data = from + L"NoteData";
            if (FolderExists(old_data) && !CopyTree(old_data + L"\\", DataDir(), true)) {
                ask(kCopyFailed, kMbOk);
                return;
            }
            break;
        }
        if (ask(kAskAbandon, kMbYes | kMbNo) == kMbYes)
            break;
    }
    if (!write_here())
        ask(kWriteFailed, kMbOk);
}
