#pragma once
// The boxes of backup and restore: the application's message box with the caption "Velin". A test
// takes (and answers) them through a hook instead of a modal box.
#include "app/base/MessageBoxBits.h"

#include <windows.h>

#include <functional>
#include <string>

inline constexpr int kBackupBoxWidth = 300;
inline constexpr int kBackupWideBoxWidth = 360;

// Answers the bit of the button pressed.
using BackupTellHook = std::function<int(HWND owner, const std::wstring& message, int flags)>;

// Shows the box over owner and answers the bit of the button pressed; while a hook is set, the hook
// answers and nothing is shown. Must run on the thread that owns owner.
int AskBackup(HWND owner, const std::wstring& message, int flags, int width = kBackupBoxWidth,
              int height = 0);
// A box with one OK button.
void TellBackup(HWND owner, const std::wstring& message, int width = kBackupBoxWidth);
// Sets the hook (an empty one restores the box) and answers the one it replaces.
BackupTellHook SetBackupTellHook(BackupTellHook hook);
