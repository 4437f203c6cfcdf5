#pragma once
// A value button with a drop-down arrow: its text, then the arrow picture right after it. A click on
// the arrow asks the parent to open the drop-down; a click anywhere else is an ordinary click.
#include "toolkit/MerlaBt.h"

class MerlaBtLB : public MerlaBt {
public:
    static constexpr UINT kArrowClicked = 50012; // posted to the parent, wParam the button's id
    static constexpr wchar_t kArrowPicture[] = L"listarrow.png";

    explicit MerlaBtLB(std::wstring text = {});

    void OnClick(WPARAM keys, int x, int y) override;
};
