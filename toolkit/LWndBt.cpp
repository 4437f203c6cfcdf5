#include "toolkit/LWndBt.h"

#include "toolkit/UiLook.h"

#include <gdiplus.h>
#include <shellapi.h>

LWndBt::LWndBt() {
    SetObjectName(L"LWndBt");
}

void LWndBt::Refresh() {
    if (Redraw())
        Present();
}

void LWndBt::OnMouseHover(WPARAM keys, int x, int y) {
    LWnd::OnMouseHover(keys, x, y);
    SetCursorType(kCursorHand);
    Refresh();
}

void LWndBt::OnMouseLeave() {
    mouse_flags_ &= ~kMouseHover;
    Refresh();
}

void LWndBt::OnLButtonDown(WPARAM keys, int x, int y) {
    const int before = mouse_flags_;
    LWnd::OnLButtonDown(keys, x, y);
    mouse_flags_ |= kMouseLeftDown;
    if (mouse_flags_ != before)
        Refresh();
}

void LWndBt::OnLButtonUp(WPARAM keys, int x, int y) {
    const int before = mouse_flags_;
    LWnd::OnLButtonUp(keys, x, y);
    mouse_flags_ &= ~kMouseLeftDown;
    if (mouse_flags_ != before)
        Refresh();
}

void LWndBt::OnClick(WPARAM, int, int) {
    SendMessageW(GetParent(handle_), LNotify::kButtonClicked, GetId(), 0);
}

LWndBtLink::LWndBtLink() {
    SetObjectName(L"LWndBtLink");
}

void LWndBtLink::OnClick(WPARAM keys, int x, int y) {
    LWndBt::OnClick(keys, x, y);
    ShellExecuteW(handle_, L"open", link_.c_str(), nullptr, nullptr, SW_SHOW);
}

LSurface LWndBtLink::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (!s || text_.empty())
        return s;
    auto bitmap = s.MakeBitmap();
    Gdiplus::Graphics g(bitmap.get());
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    auto ui = CreateUiFont(kUiFontSize);
    Gdiplus::FontFamily family;
    ui->GetFamily(&family);
    const int style = (mouse_flags_ & kMouseHover) ? Gdiplus::FontStyleUnderline : Gdiplus::FontStyleRegular;
    Gdiplus::Font font(&family, kUiFontSize, style, Gdiplus::UnitPixel);
    Gdiplus::SolidBrush brush{Gdiplus::Color(kDefaultTextColor)};
    Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    const Gdiplus::RectF box(0, 0, static_cast<float>(s.width()), static_cast<float>(s.height()));
    g.DrawString(text_.c_str(), static_cast<INT>(text_.size()), &font, box, &format, &brush);
    return s;
}
