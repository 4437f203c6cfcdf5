#include "app/base/DirUtils.h"

#include <windows.h>

#include <direct.h>

#include "store/xml/FindHandle.h"

namespace {

std::wstring WithSlash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/')
        folder += L'\\';
    return folder;
}

} // namespace

bool FolderExists(const std::wstring& path) {
    FindHandle find(path + L"\\*");
    return find.ok();
}

bool EnsureFolder(const std::wstring& folder) {
    std::wstring f = folder;
    while (!f.empty() && (f.back() == L'\\' || f.back() == L'/'))
        f.pop_back();
    DWORD attr = GetFileAttributesW(f.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES)
        return attr & FILE_ATTRIBUTE_DIRECTORY;
    _wmkdir(f.c_str());
    attr = GetFileAttributesW(f.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

void DeleteTree(const std::wstring& folder) {
    const std::wstring base = WithSlash(folder);
    {
        FindHandle find(base + L"*.*");
        if (find.ok()) {
            do {
                const auto& d = find.data();
                if (find.IsDots())
                    continue;
                std::wstring path = base + d.cFileName;
                if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    DeleteTree(path + L"\\");
                } else {
                    if (d.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileW(path.c_str());
                }
            } while (find.next());
        }
    }
    std::wstring dir = base;
    dir.pop_back();
    RemoveDirectoryW(dir.c_str());
}

std::vector<std::wstring> ListEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    FindHandle find(WithSlash(folder) + L"*.*");
    if (!find.ok())
        return names;
    do {
        if (!find.IsDots())
            names.emplace_back(find.data().cFileName);
    } while (find.next());
    return names;
}

bool CopyTree(const std::wstring& from, const std::wstring& to, bool overwrite) {
    const std::wstring src = WithSlash(from), dst = WithSlash(to);
    if (!EnsureFolder(dst))
        return false;
    FindHandle find(src + L"*.*");
    if (!find.ok())
        return FolderExists(src.substr(0, src.size() - 1));
    bool all = true;
    do {
        const auto& d = find.data();
        if (find.IsDots())
            continue;
        std::wstring s = src + d.cFileName, t = dst + d.cFileName;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            all = CopyTree(s + L"\\", t + L"\\", overwrite) && all;
        } else if (!CopyFileW(s.c_str(), t.c_str(), !overwrite)) {
            // An existing file kept on purpose is not a failure.
            all = (!overwrite && GetLastError() == ERROR_FILE_EXISTS) && all;
        }
    } while (find.next());
    return all;
}
