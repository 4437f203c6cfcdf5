#pragma once
// The frame of every dialog: a white panel with a soft shadow, a theme-coloured top line, an
// optional title picture and title, a close button, and a caption strip that drags the dialog.
#include "toolkit/LWndMoveResize.h"
#include "toolkit/MerlaBt.h"

#include <string>

class MerlaCaption : public LWndMoveResize {
public:
    static constexpr int kMargin = 3;
    static constexpr int kButtonWidth = 48, kButtonHeight = 23;
    static constexpr int kTitleIconSide = 18;
    static constexpr int kCloseId = 20003;
    static constexpr int kCloseSide = 24;

    // width and height of the content; the window is larger by the margin on every side.
    MerlaCaption(int width, int height);

    bool OnCreate() override;
    bool OnSize(UINT type, int width, int height) override;
    LSurface RenderContent() override;
    void MoveResizeHitTest(int x, int y, const RECT& window_rect) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;

    virtual void BuildFrame(LSurface& frame);
    // Ends a modal dialog with 2, destroys a modeless one.
    virtual void Close();

    void SetTitle(std::wstring title) { title_ = std::move(title); }
    void SetTitleIcon(std::wstring picture) { title_icon_ = std::move(picture); }
    const std::wstring& GetTitle() const { return title_; }
    int WindowWidth() const { return window_width_; }
    int WindowHeight() const { return window_height_; }
    int CaptionHeight() const { return caption_height_; }
    MerlaBt& CloseButton() { return close_; }

protected:
    // Moves the window (size kept, no repaint) to the centre of the parent's rectangle or, without
    // a parent, of the work area of the monitor under the cursor; the vertical offset is the free
    // height divided by the divisor.
    void PlaceOverParent(int vertical_divisor);
    void Rebuild();

    std::wstring title_;
    std::wstring title_icon_;
    int margin_ = kMargin;
    int caption_height_;
    int window_width_, window_height_;
    MerlaBt close_;
    LSurface frame_;
};
