#pragma once
// The one-line edit box of the dialogs and of the search field: the rich edit control with a cue
// text shown while empty, an optional picture at its right end and a theme-coloured border.
#include "richtext/LRichEdit.h"

#include <string>

class MerlaEdit : public LRichEdit {
public:
    static constexpr UINT kEditCommand = 50027; // Enter, or a click on the right-end picture
    static constexpr int kCueAlpha = 55;
    static constexpr int kPictureSide = 16;
    static constexpr int kPadding = 12;
    static constexpr int kTopMargin = 3;

    MerlaEdit();

    bool OnCreate() override;
    LSurface RenderContent() override;
    void OnClick(WPARAM keys, int x, int y) override;
    bool OnKillFocus(LWnd* new_focus) override;
    void OnEnter() override;
    void PlaceCaretWindow(int row, int index) override;

    void SetCueText(std::wstring text) { cue_ = std::move(text); }
    // The picture widens the right-end strip by its side.
    void SetEditIcon(std::wstring picture);
    void SetMargins(int top, int bottom);

    const std::wstring& GetCueText() const { return cue_; }
    // Width of the strip at the right end where the picture sits.
    int RightStrip() const { return left_padding_; }

private:
    bool HasPicture() const;
    void UpdateVisibleWidth();

    std::wstring cue_;
    std::wstring picture_;
    int cue_alpha_ = kCueAlpha;
    int picture_side_ = kPictureSide;
    uint32_t border_color_;
};
