#pragma once
// The masked edit box of the password dialogs, placed in the dialog's client area.
#include "toolkit/controls/MerlaEdit.h"

#include <string>

inline constexpr int kPasswordEditLeft = 28;
inline constexpr int kPasswordEditFirstTop = 40;
inline constexpr int kPasswordEditStep = 30; // from one box's top to the next one's

bool CreatePasswordEdit(MerlaEdit& edit, HWND dialog, const std::wstring& cue, int top);
