#include "store/FileBytes.h"

#include <windows.h>

#include "store/FileHandle.h"

bool ReadFileBytes(const std::wstring& path, std::string& out) {
    FileHandle f(CreateFileW(path.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f)
        return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(f.get(), &size) || size.QuadPart > 0x7FFFFFFF)
        return false;
    out.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < out.size()) {
        DWORD got = 0;
        if (!ReadFile(f.get(), out.data() + done, static_cast<DWORD>(out.size() - done), &got, nullptr))
            return false;
        if (got == 0)
            break;
        done += got;
    }
    out.resize(done);
    return true;
}

bool WriteFileAtomic(const std::wstring& path, std::string_view bytes) {
    const std::wstring temp = path + L".~tmp" + std::to_wstring(GetCurrentProcessId());
    {
        FileHandle f(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!f)
            return false;
        size_t done = 0;
        bool ok = true;
        while (ok && done < bytes.size()) {
            DWORD wrote = 0;
            ok = WriteFile(f.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &wrote,
                           nullptr) &&
                 wrote > 0;
            done += wrote;
        }
        if (!ok || !FlushFileBuffers(f.get())) {
            f.reset();
            DeleteFileW(temp.c_str());
            return false;
        }
    }
    if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

bool FileExists(const std::wstring& path) {
    DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}
