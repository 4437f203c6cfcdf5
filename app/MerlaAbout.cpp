#include "app/MerlaAbout.h"

#include "app/Product.h"

namespace {
constexpr wchar_t kLinkLabel[] = L"网址：";
constexpr int kTextRightGap = 14;
} // namespace

MerlaAbout::MerlaAbout() : MerlaMessageBox(kMbOk, kProductName, L"", kHeight, kWidth) {
    SetObjectName(L"MerlaAbout");
}

std::wstring MerlaAbout::AboutText() {
    return std::wstring(kProductName) + L"\r\n桌面便签，支持阳历与农历提醒。\r\n版本：" + kProductVersion;
}

bool MerlaAbout::OnCreate() {
    const bool ok = MerlaMessageBox::OnCreate();
    const RECT rc = ClientRect();
    const int left = rc.left + kTextLeft;
    const int top = caption_height_ + margin_ + kTextTop;
    const int width = rc.right - left - kTextRightGap;
    const int bottom = rc.bottom - kTextBottomGap;
    const int text_height = bottom - top - kLinkHeight;
    text_.SetReadOnly(true);
    text_.SetWrap(true);
    if (text_.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, left, top, width, std::max(text_height, 1), handle_))
        text_.InsertText(AboutText(), 0, 0, false);
    link_.SetText(std::wstring(kLinkLabel) + kMakerSite);
    link_.SetLink(kMakerSite);
    link_.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, left, bottom - kLinkHeight, width, kLinkHeight, handle_);
    if (Redraw())
        Present();
    return ok;
}
