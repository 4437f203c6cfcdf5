#include "manager/MerlaModifyTpl.h"

#include "app/base/UniqueStamp.h"
#include "note/PictureChoice.h"
#include "store/NoteTemplate.h"
#include "store/TemplateStore.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/MerlaDraw.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace {

constexpr wchar_t kTitle[] = L"拖动边框调整大小...";
constexpr wchar_t kTitlePicture[] = L"tpl.png";
constexpr wchar_t kMenuCaption[] = L"修改模板菜单";

NoteRecord TemplateRecord(const std::wstring& folder, const std::wstring& name) {
    return NoteRecord(folder + name + L".xml", kTemplateRoot);
}

// The content height the dialog is built with before it takes the template's size.
int InitialContentHeight() {
    return GetSystemMetrics(SM_CYCAPTION) + kNewTemplateSide;
}

} // namespace

MerlaTplModifyMenu::MerlaTplModifyMenu() : MerlaItemMenu({{kChangePicture, L"修改图片...", L"images.png"}}) {
    SetObjectName(L"MerlaTplModifyMenu");
}

MerlaModifyTpl::MerlaModifyTpl(std::wstring folder, std::wstring name)
    : MerlaCaption(kWidth, InitialContentHeight()), folder_(std::move(folder)), name_(std::move(name)) {
    SetObjectName(L"MerlaModifyTpl");
    SetTitle(kTitle);
    SetTitleIcon(kTitlePicture);
    edges_enabled_ = 1;
    const NoteRecord record = TemplateRecord(folder_, name_);
    NoteRect rect;
    if (record.ReadRect(rect)) {
        tpl_width_ = std::max(kMinContentWidth, rect.Width());
        tpl_height_ = std::max(kMinContentHeight, rect.Height());
        window_width_ = tpl_width_ + 2 * margin_;
        window_height_ = tpl_height_ + caption_height_ + 2 * margin_;
    }
    record.ReadText(NoteKey::kBkImage, bkimage_);
}

bool MerlaModifyTpl::OnCreate() {
    const bool ok = MerlaCaption::OnCreate();
    PlaceOverParent(3);
    picture_bt_.Create(kPictureButtonId, L"", 0, WS_CHILD | WS_VISIBLE, 0, margin_, kPictureButtonSide,
                       kPictureButtonSide, handle_);
    PlacePictureButton();
    opened_ = true;
    if (Redraw())
        Present();
    return ok;
}

RECT MerlaModifyTpl::ContentRect() const {
    const RECT rc = ClientRect();
    return RECT{margin_, margin_ + caption_height_, rc.right - margin_, rc.bottom - margin_};
}

void MerlaModifyTpl::PlacePictureButton() {
    if (!picture_bt_.GetHandle())
        return;
    const RECT rc = ClientRect();
    MoveWindow(picture_bt_.GetHandle(), rc.right - margin_ - kCloseSide - kPictureButtonSide, margin_,
               kPictureButtonSide, kPictureButtonSide, FALSE);
}

bool MerlaModifyTpl::OnSize(UINT type, int width, int height) {
    const bool result = MerlaCaption::OnSize(type, width, height);
    PlacePictureButton();
    const RECT content = ContentRect();
    const int w = content.right - content.left, h = content.bottom - content.top;
    // The size the dialog opens with is the stored one: only a real change is written.
    if (opened_ && w > 0 && h > 0 && (w != tpl_width_ || h != tpl_height_)) {
        tpl_width_ = w;
        tpl_height_ = h;
        if (TemplateRecord(folder_, name_)
                .WriteRect({content.left, content.top, content.right, content.bottom}))
            changed_ = true;
    }
    return result;
}

RECT MerlaModifyTpl::GetMinSizeRect() {
    const RECT wr = WindowRect();
    const int min_w = kMinContentWidth + 2 * margin_;
    const int min_h = kMinContentHeight + caption_height_ + 2 * margin_;
    return RECT{wr.right - min_w, wr.bottom - min_h, wr.left + min_w, wr.top + min_h};
}

LSurface MerlaModifyTpl::RenderContent() {
    LSurface s = MerlaCaption::RenderContent();
    if (!s)
        return s;
    const RECT content = ContentRect();
    if (IsPlainFileName(bkimage_))
        DrawPictureFile(folder_ + bkimage_, s, content.left, content.top, content.right - content.left,
                        content.bottom - content.top);
    wchar_t size[32];
    swprintf(size, std::size(size), L"%d*%d", tpl_width_, tpl_height_);
    const TextSize measured = MeasureUiText(size, kAlignFar);
    const int tw = static_cast<int>(std::ceil(measured.width)),
              th = static_cast<int>(std::ceil(measured.height));
    if (tw <= 0 || th <= 0)
        return s;
    auto format = MakeStringFormat(kAlignFar, kAlignFar);
    LSurface text = DrawTextSurface(handle_, *format, size, kDefaultTextColor, tw, th);
    BlendWithAlpha(s, text, s.width() - margin_ - tw, s.height() - th,
                   static_cast<int>(kDefaultTextColor >> 24));
    return s;
}

void MerlaModifyTpl::ChangePicture() {
    std::wstring path;
    if (AskPictureFile(handle_, path))
        ChangePictureFrom(path);
}

bool MerlaModifyTpl::ChangePictureFrom(const std::wstring& path) {
    const std::wstring file = kTemplatePicturePrefix + MakeUniqueStamp(GetId()) + L"_" + FileNameOfPath(path);
    const std::wstring target = folder_ + file;
    if (_wcsicmp(path.c_str(), target.c_str()) == 0 || !CopyPictureIn(handle_, path, target))
        return false;
    if (!TemplateRecord(folder_, name_).WriteText(NoteKey::kBkImage, file))
        return false;
    bkimage_ = file;
    changed_ = true;
    if (Redraw())
        Present();
    return true;
}

void MerlaModifyTpl::OnLButtonDblClk(WPARAM keys, int x, int y) {
    MerlaCaption::OnLButtonDblClk(keys, x, y);
    ChangePicture();
}

void MerlaModifyTpl::OnContextMenu(HWND window, int x, int y) {
    MerlaCaption::OnContextMenu(window, x, y);
    if (auto* menu =
            MerlaItemMenu::MakeOwned<MerlaTplModifyMenu>(handle_, MerlaTplModifyMenu::kId, kMenuCaption))
        menu->PopupAt(x, y);
}

LRESULT MerlaModifyTpl::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if ((message == LNotify::kButtonClicked && static_cast<int>(wp) == kPictureButtonId) ||
        (message == LNotify::kCommand && static_cast<int>(wp) == MerlaTplModifyMenu::kChangePicture)) {
        ChangePicture();
        return 0;
    }
    return MerlaCaption::OnNotify(message, wp, lp);
}
