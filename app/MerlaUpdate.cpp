#include "app/MerlaUpdate.h"

#include <algorithm>
#include <tuple>

namespace {
constexpr int kTextInset = 14, kTextTop = 8;
constexpr int kButtonsBottom = 10, kButtonsRight = 14, kButtonGap = 8;
constexpr int kUpdateWidth = 56, kSkipWidth = 100, kLaterWidth = 72;
constexpr int kTextButtonsGap = 12;
} // namespace

MerlaUpdate::MerlaUpdate(std::wstring notes) : MerlaCaption(kWidth, kHeight), notes_(std::move(notes)) {
    SetObjectName(L"MerlaUpdate");
    SetTitle(L"发现新的版本...");
    SetTitleIcon(L"Merla.png");
}

bool MerlaUpdate::OnCreate() {
    const bool ok = MerlaCaption::OnCreate();
    // Over the desktop: centred in the work area of the monitor under the cursor.
    PlaceOverParent(2);
    const RECT rc = ClientRect();
    const int y = rc.bottom - kButtonHeight - kButtonsBottom;
    int x = rc.right - kButtonsRight;
    for (auto [button, id, width] :
         {std::tuple{&later_, kLaterId, kLaterWidth}, std::tuple{&skip_, kSkipId, kSkipWidth},
          std::tuple{&update_, kUpdateId, kUpdateWidth}}) {
        x -= width;
        button->Create(id, L"", 0, WS_CHILD | WS_VISIBLE, x, y, width, kButtonHeight, handle_);
        x -= kButtonGap;
    }
    const int left = rc.left + margin_ + kTextInset;
    const int top = caption_height_ + margin_ + kTextTop;
    text_.SetReadOnly(true);
    text_.SetWrap(true);
    const int width = std::max(static_cast<int>(rc.right) - kTextInset - left, 1);
    const int height = std::max(y - kTextButtonsGap - top, 1);
    if (text_.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, left, top, width, height, handle_))
        text_.InsertText(notes_, 0, 0, false);
    if (Redraw())
        Present();
    return ok;
}

LRESULT MerlaUpdate::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    const LRESULT result = MerlaCaption::OnNotify(message, wp, lp);
    if (message == LNotify::kButtonClicked) {
        const int id = static_cast<int>(wp);
        if ((id == kUpdateId || id == kSkipId || id == kLaterId) && IsModal())
            EndDialog(handle_, id);
    }
    return result;
}

void MerlaUpdate::Close() {
    if (IsModal())
        EndDialog(handle_, kLaterId);
    else
        MerlaCaption::Close();
}
