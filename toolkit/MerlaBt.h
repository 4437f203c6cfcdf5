#pragma once
// The application's buttons: a picture-and-text button (optionally a toggle keeping a checked
// state) and a check button with a tick box.
#include "toolkit/LWndBt.h"
#include "toolkit/MerlaDraw.h"

#include <cstdint>
#include <string>

class MerlaBt : public LWndBt {
public:
    // Layouts: picture and text centred together (picture first), text at the left with the
    // picture right after it, or anything else: both at the left edge.
    enum Layout : int { kLayoutCentred = 1, kLayoutTextFirst = 3 };
    static constexpr int kMaxText = 260;

    // The text is measured centred with the usual constructor, near with the measuring alignment given.
    MerlaBt(std::wstring picture = {}, std::wstring text = {});
    MerlaBt(std::wstring picture, std::wstring text, int measure_alignment);

    bool OnCreate() override;
    void OnClick(WPARAM keys, int x, int y) override;
    LSurface RenderContent() override;

    void SetIcon(std::wstring picture) { picture_ = std::move(picture); }
    void SetButtonText(std::wstring text);
    bool IsSelected() const { return toggle_ && selected_; }
    void SetSelected(bool on) { selected_ = on ? 1 : 0; }
    void SetToggle(bool on) { toggle_ = on ? 1 : 0; }
    void SetLayout(int layout) { layout_ = layout; }
    void SetTextColor(uint32_t argb) { text_color_ = argb; }
    const std::wstring& GetButtonText() const { return text_; }
    const std::wstring& GetIcon() const { return picture_; }
    RECT GetPictureRect() const { return picture_rect_; }

protected:
    // Text width + 1 and picture height (text height - 3) as the look measures them.
    void MeasureLook(const std::wstring& text, int& text_width, int& picture_height) const;
    // Width of the picture scaled to the height; 0 without a loadable picture.
    int ScaledPictureWidth(int height) const;

    std::wstring picture_;
    std::wstring text_;
    int measure_alignment_ = kAlignCenter;
    int layout_ = kLayoutCentred;
    uint32_t text_color_ = kDefaultTextColor;
    int toggle_ = 0;
    int selected_ = 0;
    RECT picture_rect_{};
};

class MerlaBtCheck : public MerlaBt {
public:
    explicit MerlaBtCheck(std::wstring picture = {});

    LSurface RenderContent() override;

    bool IsChecked() const { return checked_ != 0; }
    void SetChecked(bool on) { checked_ = on ? 1 : 0; }

protected:
    int checked_ = 0;
};
