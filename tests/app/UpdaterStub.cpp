// Stands in for the maker's updater: leaves a marker beside itself, so a test sees it was started.
#include <windows.h>

#include <string>

int wmain() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring marker(path);
    marker = marker.substr(0, marker.rfind(L'\\') + 1) + L"updater-ran";
    const HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    CloseHandle(file);
    return 0;
}
