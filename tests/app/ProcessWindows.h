#pragma once
// Another process's windows and the pointer, for the tests that start Velin.exe or its installer.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// The top-level windows of a process, in z-order.
std::vector<HWND> TopWindowsOf(DWORD pid);
bool HasClass(HWND window, const wchar_t* cls);
// The invisible controller that owns the tray icon: the process's toolkit window that never takes
// the activation and is not layered (the font bar's popups take no activation either, but they are
// layered).
HWND MainWindowOf(DWORD pid);
// The visible top-level window of the process with that title.
HWND FindTitled(DWORD pid, const wchar_t* title);
// Polls every 50 ms; answers the condition.
bool WaitFor(const std::function<bool()>& cond, int ms = 20000);
// Runs xdotool on the X display under Wine; false on Windows or when it fails.
bool Xdotool(std::vector<std::string> args);
