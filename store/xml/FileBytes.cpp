#include "store/xml/FileBytes.h"

#include <windows.h>

#include "store/xml/FileHandle.h"

#include <atomic>

namespace {

constexpr int kReplaceAttempts = 40;
constexpr DWORD kReplaceRetryMs = 5;

} // namespace

bool ReadFileBytes(const std::wstring& path, std::string& out, bool* missing) {
    if (missing)
        *missing = false;
    FileHandle f(CreateFileW(path.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f) {
        const DWORD error = GetLastError();
        if (missing)
            *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return false;
    }
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
    // A name of its own for every save: two threads (the reminder thread and the window thread) or
    // two processes may save one file at once.
    static std::atomic<unsigned> saves{0};
    const std::wstring temp = path + L".~tmp" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                              std::to_wstring(saves.fetch_add(1, std::memory_order_relaxed));
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
    // A reader holding the file for a moment (another thread loading it) keeps it from being
    // replaced: try again briefly before giving up.
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt >= kReplaceAttempts)
            break;
        Sleep(kReplaceRetryMs);
    }
    DeleteFileW(temp.c_str());
    return false;
}

bool FileExists(const std::wstring& path) {
    DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}
