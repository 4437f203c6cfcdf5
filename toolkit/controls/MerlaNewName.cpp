#include "toolkit/controls/MerlaNewName.h"

#include "toolkit/MerlaMessageBox.h"

namespace {

constexpr int kEditLeft = 32, kEditTop = 14; // from the margin, below the caption
constexpr int kEditWidth = 232, kEditHeight = 27;
constexpr int kEditTopMargin = 4, kEditBottomMargin = 2;
constexpr int kButtonsBottom = 10, kButtonsRight = 20;
constexpr int kEmptyNameBoxWidth = 300, kEmptyNameBoxHeight = 120;
constexpr wchar_t kEmptyName[] = L"名字不能为空！";

} // namespace

MerlaNewName::MerlaNewName(std::wstring title, int height, int width) : MerlaCaption(width, height) {
    SetObjectName(L"MerlaNewName");
    SetTitle(std::move(title));
}

bool MerlaNewName::OnCreate() {
    const bool ok = MerlaCaption::OnCreate();
    PlaceOverParent(3);
    edit_.SetMargins(kEditTopMargin, kEditBottomMargin);
    edit_.Create(kEditId, L"", 0, WS_CHILD | WS_VISIBLE, margin_ + kEditLeft,
                 caption_height_ + margin_ + kEditTop, kEditWidth, kEditHeight, handle_);
    const RECT rc = ClientRect();
    const int y = rc.bottom - kButtonHeight - kButtonsBottom;
    const int cancel_x = rc.right - kButtonsRight - kButtonWidth;
    cancel_.Create(kCancelId, L"", 0, WS_CHILD | WS_VISIBLE, cancel_x, y, kButtonWidth, kButtonHeight,
                   handle_);
    ok_.Create(kOkId, L"", 0, WS_CHILD | WS_VISIBLE, cancel_x - kButtonWidth, y, kButtonWidth, kButtonHeight,
               handle_);
    if (Redraw())
        Present();
    return ok;
}

bool MerlaNewName::ValidateName() {
    return false;
}

void MerlaNewName::ApplyName() {}

void MerlaNewName::Finish(int result) {
    if (IsModal())
        EndDialog(handle_, result);
    else
        PostMessageW(handle_, WM_CLOSE, 0, 0); // closing destroys the window
}

void MerlaNewName::OnOk() {
    const std::wstring name = edit_.GetText();
    if (name.empty()) {
        MerlaMessageBox box(kMbOk, L"Velin", kEmptyName, kEmptyNameBoxHeight, kEmptyNameBoxWidth);
        box.SetTitleIcon(L"Merla.png");
        box.DoModal(kEmptyNameId, handle_);
        return;
    }
    entered_ = name;
    if (!ValidateName())
        return;
    ApplyName();
    Finish(IDOK);
}

LRESULT MerlaNewName::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    const LRESULT result = MerlaCaption::OnNotify(message, wp, lp);
    if (message != LNotify::kButtonClicked)
        return result;
    if (static_cast<int>(wp) == kOkId)
        OnOk();
    else if (static_cast<int>(wp) == kCancelId)
        Finish(IDCANCEL);
    return result;
}
