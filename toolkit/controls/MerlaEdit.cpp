#include "toolkit/controls/MerlaEdit.h"

#include "toolkit/LCaret.h"
#include "toolkit/MerlaDraw.h"

MerlaEdit::MerlaEdit() : border_color_(kThemeColor) {
    SetObjectName(L"MerlaEdit");
    // The edit's padding field is the one that narrows the visible text width.
    left_padding_ = kPadding;
    top_margin_ = kTopMargin;
    SetSingleLine(true);
    SetCurrentColor(kDefaultTextColor);
    SetCurrentFontParams(UiFontFamily(), static_cast<int>(kUiFontSize), 0);
}

bool MerlaEdit::OnCreate() {
    const bool ok = LRichEdit::OnCreate();
    UpdateVisibleWidth();
    return ok;
}

void MerlaEdit::UpdateVisibleWidth() {
    if (!handle_)
        return;
    const RECT rc = ClientRect();
    visible_width_ = rc.right - left_padding_ - TextIndent();
    visible_height_ = rc.bottom - top_margin_ - bottom_margin_;
    Reflow();
    Refresh();
}

void MerlaEdit::SetEditIcon(std::wstring picture) {
    if (picture_.empty() && !picture.empty())
        left_padding_ += picture_side_;
    else if (!picture_.empty() && picture.empty())
        left_padding_ -= picture_side_;
    picture_ = std::move(picture);
    UpdateVisibleWidth();
}

void MerlaEdit::SetMargins(int top, int bottom) {
    top_margin_ = top;
    bottom_margin_ = bottom;
    UpdateVisibleWidth();
}

bool MerlaEdit::HasPicture() const {
    return !picture_.empty() && GetFileAttributesW(ResPicture(picture_).c_str()) != INVALID_FILE_ATTRIBUTES;
}

LSurface MerlaEdit::RenderContent() {
    LSurface s = LRichEdit::RenderContent();
    if (!s)
        return s;
    const int W = s.width(), H = s.height();
    if (!cue_.empty() && GetText().empty()) {
        const int x = TextIndent(), y = top_margin_;
        const int w = W - x - left_padding_, h = H - y;
        if (w > 0 && h > 0) {
            auto format = MakeStringFormat(kAlignNear, kAlignNear);
            LSurface text = DrawTextSurface(handle_, *format, cue_, kDefaultTextColor, w, h);
            BlendWithAlpha(s, text, x, y, cue_alpha_);
        }
    }
    if (HasPicture()) {
        const int strip = left_padding_;
        DrawPictureFile(ResPicture(picture_), s, W - strip + (strip - picture_side_) / 2,
                        (H - picture_side_) / 2, picture_side_, picture_side_);
    }
    s.FillRect(0, 0, W, 1, border_color_);
    s.FillRect(0, H - 1, W, 1, border_color_);
    s.FillRect(0, 0, 1, H, border_color_);
    s.FillRect(W - 1, 0, 1, H, border_color_);
    return s;
}

void MerlaEdit::OnClick(WPARAM keys, int x, int y) {
    LRichEdit::OnClick(keys, x, y);
    const RECT rc = ClientRect();
    if (HasPicture() && x >= rc.right - left_padding_ && x < rc.right)
        SendToSubscribers(kEditCommand, 0, static_cast<LPARAM>(GetId()));
}

void MerlaEdit::OnEnter() {
    SendToSubscribers(kEditCommand, 0, static_cast<LPARAM>(GetId()));
}

bool MerlaEdit::OnKillFocus(LWnd* new_focus) {
    const bool result = LRichEdit::OnKillFocus(new_focus);
    // The caret stops blinking and leaves the screen.
    if (LCaret* caret = Caret()) {
        caret->Hide();
        if (caret->Redraw())
            caret->Present();
    }
    return result;
}

void MerlaEdit::PlaceCaretWindow(int row, int index) {
    LRichEdit::PlaceCaretWindow(row, index);
    if (handle_ && Redraw())
        Present();
}
