#include "note/MerlaItemImage.h"

#include "app/base/AppPaths.h"
#include "app/base/UniqueStamp.h"
#include "note/MerlaItem.h"
#include "note/PictureChoice.h"
#include "store/NoteRecord.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/MerlaDraw.h"

#include <algorithm>

namespace {
constexpr uint32_t kFrameColor = 0xFF808080;
} // namespace

// ---------------------------------------------------------------------------------------------
// MerlaItemImageMenu

MerlaItemImageMenu::MerlaItemImageMenu()
    : MerlaItemMenu({{kChangeCommand, L"更换图片", L""}, {kDeleteCommand, L"删除", L"delete.png"}}) {
    SetObjectName(L"MerlaItemImageMenu");
}

MerlaItemImageMenu* MerlaItemImageMenu::Make(HWND item) {
    return MakeOwned<MerlaItemImageMenu>(item, kId, kCaption);
}

// ---------------------------------------------------------------------------------------------
// MerlaItemImage

MerlaItemImage::MerlaItemImage(std::wstring folder, std::wstring note_name)
    : folder_(std::move(folder)), note_name_(std::move(note_name)) {
    SetObjectName(NoteKey::kItemImage);
}

std::unique_ptr<LWnd> MerlaItemImage::MakeStored(MerlaItem& note, int child_id) {
    auto item = std::make_unique<MerlaItemImage>(note.Folder(), note.Name());
    NoteRecordReader stored(NoteRecord::ForChild(note.Folder(), child_id, NoteKey::kItemImage));
    NoteRect r;
    RECT rc{0, 0, kNewSide, kNewSide};
    if (stored.ReadRect(r))
        rc = RECT{r.left, r.top, std::max(r.right, r.left + 1), std::max(r.bottom, r.top + 1)};
    std::wstring image;
    stored.ReadText(NoteKey::kImage, image);
    if (!item->CreateItem(child_id, note.GetHandle(), rc, image))
        return nullptr;
    return item;
}

std::wstring MerlaItemImage::RecordPath() {
    return folder_ + std::to_wstring(GetId()) + L".xml";
}

bool MerlaItemImage::CreateItem(int id, HWND note, const RECT& rect, const std::wstring& image) {
    if (!Create(id, L"", 0, WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top, note))
        return false;
    // A name read from a record names a file in the note folder only when it is a plain name.
    image_ = IsPlainFileName(image) ? image : std::wstring();
    LoadPicture();
    if (Redraw())
        Present();
    return true;
}

void MerlaItemImage::LoadPicture() {
    picture_ = image_.empty() ? nullptr : LoadPictureCopy(folder_ + image_);
}

bool MerlaItemImage::SetImage(const std::wstring& image) {
    if (!IsPlainFileName(image))
        return false;
    image_ = image;
    NoteRecord::ForChild(folder_, GetId(), NoteKey::kItemImage).WriteText(NoteKey::kImage, image_);
    LoadPicture();
    if (Redraw())
        Present();
    return picture_ != nullptr;
}

LSurface MerlaItemImage::RenderContent() {
    const RECT rc = ClientRect();
    LSurface s = CreateSurface(handle_, rc.right, rc.bottom, 0);
    if (!s)
        return s;
    if (picture_) {
        auto bitmap = s.MakeBitmap();
        Gdiplus::Graphics g(bitmap.get());
        g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        g.DrawImage(picture_.get(), Gdiplus::Rect(0, 0, rc.right, rc.bottom));
    }
    if (Focused() == this && IsWindowEnabled(handle_)) {
        const int w = rc.right - 2 * kFrameInset, h = rc.bottom - 2 * kFrameInset;
        FrameRect(s, kFrameInset, kFrameInset, w, h, kFrameColor);
        // The resize handles at the corners.
        for (int x : {0, static_cast<int>(rc.right) - kHandleSide})
            for (int y : {0, static_cast<int>(rc.bottom) - kHandleSide})
                s.FillRect(x, y, kHandleSide, kHandleSide, kFrameColor);
    }
    return s;
}

void MerlaItemImage::OnContextMenu(HWND window, int x, int y) {
    LWndMoveResize::OnContextMenu(window, x, y);
    if (MerlaItemImageMenu* menu = MerlaItemImageMenu::Make(handle_))
        menu->PopupAt(x, y);
}

LRESULT MerlaItemImage::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message != LNotify::kCommand)
        return LWndMoveResize::OnNotify(message, wp, lp);
    if (static_cast<int>(wp) == MerlaItemImageMenu::kChangeCommand)
        ChangePicture();
    else if (static_cast<int>(wp) == MerlaItemImageMenu::kDeleteCommand)
        RemoveMe();
    return 0;
}

void MerlaItemImage::ChangePicture() {
    std::wstring path;
    if (AskPictureFile(GetParent(handle_), path))
        UsePictureFile(path);
}

bool MerlaItemImage::UsePictureFile(const std::wstring& path) {
    const std::wstring name =
        std::wstring(kPicturePrefix) + MakeUniqueStamp(GetId()) + L"_" + FileNameOfPath(path);
    // The old picture stays until the copy is in place.
    if (!CopyPictureIn(GetParent(handle_), path, folder_ + name))
        return false;
    return SetImage(name);
}

void MerlaItemImage::RemoveMe() {
    // The item's record goes with it; its picture file is left to the note's cleanup.
    DeleteFileW(RecordPath().c_str());
    PostMessageW(GetParent(handle_), kRemoveMe, static_cast<WPARAM>(GetId()), 0);
}

void MerlaItemImage::SaveRect() {
    LWndMoveResize::SaveRect();
    RECT r = WindowRect();
    MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&r), 2);
    const NoteRecord record = NoteRecord::ForChild(folder_, GetId(), NoteKey::kItemImage);
    record.WriteRect(NoteRect{r.left, r.top, r.right, r.bottom});
    record.WriteText(NoteKey::kImage, image_);
}

void MerlaItemImage::SetBaseFolder(const std::wstring& base_folder) {
    folder_ = NoteFolder(note_name_, base_folder);
}

bool MerlaItemImage::LayoutForNoteSize() {
    return Redraw();
}
