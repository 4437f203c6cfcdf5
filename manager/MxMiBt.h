#pragma once
// The buttons of the manager's caption: a page button (picture above its text, filled with its
// page colour while its page is shown) and the picture-only minimise and close buttons, which
// swap to their second picture under the mouse.
#include "toolkit/LWndBt.h"

#include <cstdint>
#include <string>

class MxMiBt : public LWndBt {
public:
    static constexpr int kPictureSide = 32;
    static constexpr int kPictureTop = 12;
    static constexpr int kTextGap = 6;
    static constexpr uint32_t kTextColor = 0xFF5A5A5A;
    static constexpr uint32_t kPressedTextColor = 0xFFFFFFFF;
    static constexpr uint32_t kHoverFill = 0x18000000;

    // hover_picture may be empty: the normal one is kept under the mouse.
    MxMiBt(std::wstring picture, std::wstring hover_picture = {}, std::wstring text = {});

    bool OnCreate() override;
    LSurface RenderContent() override;

    // Page buttons: pressed while their page is shown.
    void SetPressed(bool on, uint32_t fill = 0);
    bool IsPagePressed() const { return page_pressed_; }
    const std::wstring& GetButtonText() const { return text_; }

private:
    std::wstring picture_, hover_picture_, text_;
    bool page_pressed_ = false;
    uint32_t fill_ = 0;
};
