#include "note/MerlaMenuStopPrompt.h"

MerlaMenuStopPrompt::MerlaMenuStopPrompt() : MerlaItemMenu({{kStopCommand, L"停止", L"prompt.png"}}, kWidth) {
    SetObjectName(L"MerlaMenuStopPrompt");
}

MerlaMenuStopPrompt* MerlaMenuStopPrompt::Make(HWND note) {
    return MakeOwned<MerlaMenuStopPrompt>(note, kId, kCaption);
}
