#pragma once
// The menu a reminding note opens on a click: one item that stops the reminder.
#include "toolkit/MerlaMenu.h"

class MerlaMenuStopPrompt : public MerlaItemMenu {
public:
    static constexpr int kId = 30216;
    static constexpr int kStopCommand = 30217;
    static constexpr int kWidth = 100;
    static constexpr wchar_t kCaption[] = L"停止提醒菜单";

    MerlaMenuStopPrompt();

    // A new hidden menu owned by the note; it frees itself once shown and closed.
    static MerlaMenuStopPrompt* Make(HWND note);
};
