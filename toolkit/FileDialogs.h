#pragma once
// The platform's file dialogs as the program asks them: one existing file to open, or a file to save.
#include <windows.h>

#include <string>

// filter is the dialog's double-null-terminated list; true with the full path when a file was
// chosen, false when the user cancelled.
bool AskOpenFileName(HWND owner, const wchar_t* filter, const wchar_t* title, std::wstring& path,
                     DWORD extra_flags = 0);
// The save dialog: true with the full path the user named.
bool AskSaveFileName(HWND owner, const wchar_t* filter, const wchar_t* title, std::wstring& path);
// The part of a path after its last folder separator.
std::wstring FileNameOfPath(const std::wstring& path);
