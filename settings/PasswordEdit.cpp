#include "settings/PasswordEdit.h"

namespace {

constexpr int kEditWidth = 172, kEditHeight = 26;

} // namespace

bool CreatePasswordEdit(MerlaEdit& edit, HWND dialog, const std::wstring& cue, int top) {
    edit.SetCueText(cue);
    // Id 0: the box takes a fresh one; nothing addresses it by number.
    if (!edit.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, kPasswordEditLeft, top, kEditWidth, kEditHeight,
                     dialog))
        return false;
    edit.SetPasswordMode(true);
    return true;
}
