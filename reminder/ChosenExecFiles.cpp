#include "reminder/ChosenExecFiles.h"

#include "app/base/RegKey.h"

#include <windows.h>

namespace {

// Paths on Windows compare without case; the value name is the lower-case full path.
std::wstring ValueName(const std::wstring& path) {
    std::wstring name = path;
    if (!name.empty())
        CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

} // namespace

bool ChosenExecFiles::Remember(const std::wstring& path) {
    if (path.empty())
        return false;
    RegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.out(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    const DWORD one = 1;
    return RegSetValueExW(key.get(), ValueName(path).c_str(), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&one), sizeof(one)) == ERROR_SUCCESS;
}

bool ChosenExecFiles::IsChosen(const std::wstring& path) {
    if (path.empty())
        return false;
    RegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS)
        return false;
    DWORD value = 0, size = sizeof(value), type = 0;
    return RegQueryValueExW(key.get(), ValueName(path).c_str(), nullptr, &type,
                            reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
           type == REG_DWORD && value == 1;
}

bool ChosenExecFiles::Forget(const std::wstring& path) {
    RegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, key.out()) != ERROR_SUCCESS)
        return true;
    const LSTATUS status = RegDeleteValueW(key.get(), ValueName(path).c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}
