#pragma once
// The windows of another process, for the tests that start Velin.exe or its installer.
#include <windows.h>

#include <vector>

// The top-level windows of a process, in z-order.
std::vector<HWND> TopWindowsOf(DWORD pid);
bool HasClass(HWND window, const wchar_t* cls);
