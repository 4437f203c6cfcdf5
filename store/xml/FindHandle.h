#pragma once
// Owner of a FindFirstFileW search over a folder.
#include <windows.h>

#include <string>

class FindHandle {
public:
    explicit FindHandle(const std::wstring& pattern)
        : h_(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data_, FindExSearchNameMatch, nullptr, 0)) {}
    ~FindHandle() {
        if (h_ != INVALID_HANDLE_VALUE)
            FindClose(h_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
    bool next() { return FindNextFileW(h_, &data_) != FALSE; }
    const WIN32_FIND_DATAW& data() const { return data_; }
    bool IsDots() const {
        const wchar_t* n = data_.cFileName;
        return n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0));
    }
    bool IsFolder() const { return (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

private:
    WIN32_FIND_DATAW data_{};
    HANDLE h_;
};
