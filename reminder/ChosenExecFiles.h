#pragma once
// The files a user picked in the reminder editor as files to run, remembered on this machine for
// this user. A reminder file that arrives from elsewhere (a restored backup, another computer, a
// hand edit) cannot make the program start something nobody here chose.
#include <string>

class ChosenExecFiles {
public:
    // HKEY_CURRENT_USER subkey holding one value per chosen path.
    static constexpr wchar_t kKey[] = L"Software\\brimsoft\\kivpad\\ExecFiles";

    // False when the record cannot be written.
    static bool Remember(const std::wstring& path);
    static bool IsChosen(const std::wstring& path);
    static bool Forget(const std::wstring& path);
};
