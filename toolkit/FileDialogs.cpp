#include "toolkit/FileDialogs.h"

#include <commdlg.h>

namespace {

constexpr DWORD kPathChars = MAX_PATH;

OPENFILENAMEW Prepared(HWND owner, const wchar_t* filter, const wchar_t* title, wchar_t* file, DWORD flags) {
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = kPathChars;
    ofn.lpstrTitle = title;
    ofn.Flags = flags;
    return ofn;
}

} // namespace

bool AskOpenFileName(HWND owner, const wchar_t* filter, const wchar_t* title, std::wstring& path,
                     DWORD extra_flags) {
    wchar_t file[kPathChars] = L"";
    OPENFILENAMEW ofn =
        Prepared(owner, filter, title, file, OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | extra_flags);
    if (!GetOpenFileNameW(&ofn))
        return false;
    path = file;
    return !path.empty();
}

bool AskSaveFileName(HWND owner, const wchar_t* filter, const wchar_t* title, std::wstring& path) {
    wchar_t file[kPathChars] = L"";
    OPENFILENAMEW ofn = Prepared(owner, filter, title, file, OFN_PATHMUSTEXIST | OFN_HIDEREADONLY);
    if (!GetSaveFileNameW(&ofn))
        return false;
    path = file;
    return !path.empty();
}

std::wstring FileNameOfPath(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}
