#include "toolkit/MerlaBtLB.h"

MerlaBtLB::MerlaBtLB(std::wstring text) : MerlaBt(kArrowPicture, std::move(text)) {
    SetObjectName(L"MerlaBtLB");
    SetLayout(kLayoutTextFirst);
}

void MerlaBtLB::OnClick(WPARAM keys, int x, int y) {
    // The arrow's place is known from the last drawing; before that every click is a plain one.
    const RECT arrow = GetPictureRect();
    if (!IsRectEmpty(&arrow) && PtInRect(&arrow, POINT{x, y})) {
        PostMessageW(GetParent(handle_), kArrowClicked, static_cast<WPARAM>(GetId()), 0);
        return;
    }
    MerlaBt::OnClick(keys, x, y);
}
