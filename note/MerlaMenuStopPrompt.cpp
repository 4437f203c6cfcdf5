#include "note/MerlaMenuStopPrompt.h"

MerlaMenuStopPrompt::MerlaMenuStopPrompt() : MerlaItemMenu({{kStopCommand, L"停止", L"prompt.png"}}, kWidth) {
    SetObjectName(L"MerlaMenuStopPrompt");
}

MerlaMenuStopPrompt* MerlaMenuStopPrompt::Make(HWND note) {
    auto* menu = new MerlaMenuStopPrompt();
    if (!menu->Build(kId, kCaption, note)) {
        delete menu;
        return nullptr;
    }
    menu->SetOwner(note);
    return menu;
}
