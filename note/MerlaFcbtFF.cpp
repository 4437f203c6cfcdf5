#include "note/MerlaFcbtFF.h"

#include "note/LRichEditNI.h"

#include <gdiplus.h>

#include <algorithm>

namespace {
MerlaFcbtFF* g_instance = nullptr;
constexpr DWORD kExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW;
} // namespace

MerlaFcbtFF::MerlaFcbtFF() {
    SetObjectName(L"MerlaFcbtFF");
}

MerlaFcbtFF::~MerlaFcbtFF() {
    if (g_instance == this)
        g_instance = nullptr;
}

MerlaFcbtFF* MerlaFcbtFF::Instance() {
    return g_instance;
}

bool MerlaFcbtFF::CreateFloating(HWND owner) {
    if (!Create(0, L"", kExStyle, WS_POPUP, 0, 0, kWidth, kHeight, owner))
        return false;
    g_instance = this;
    return true;
}

bool MerlaFcbtFF::OnCreate() {
    const bool ok = LWnd::OnCreate();
    bar_.CreateBar(handle_, kBorder, kBorder);
    return ok;
}

LSurface MerlaFcbtFF::RenderContent() {
    const RECT rc = ClientRect();
    LSurface s = CreateSurface(handle_, rc.right, rc.bottom, kFrameColor);
    if (!s)
        return s;
    s.FillRect(0, 0, rc.right, 1, kEdgeColor);
    s.FillRect(0, rc.bottom - 1, rc.right, 1, kEdgeColor);
    s.FillRect(0, 0, 1, rc.bottom, kEdgeColor);
    s.FillRect(rc.right - 1, 0, 1, rc.bottom, kEdgeColor);
    return s;
}

POINT MerlaFcbtFF::PlaceFor(const RECT& box, const RECT& screen) {
    const int x =
        std::clamp<int>(box.left, screen.left, std::max<int>(screen.left, screen.right - kWidth)) - kBorder;
    int y = box.bottom;
    if (y + kHeight > screen.bottom)
        y = box.top - kHeight;
    return POINT{x, y};
}

void MerlaFcbtFF::ShowAt(LRichEditNI* box) {
    if (!box || !handle_)
        return;
    const POINT at = PlaceFor(box->WindowRect(), VirtualScreenRect());
    served_id_ = box->GetId();
    bar_.SetFromFont(box->CurrentFont());
    SetWindowPos(handle_, HWND_TOPMOST, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(handle_, SW_SHOWNOACTIVATE);
    show_state_ = SW_SHOWNOACTIVATE;
    if (Redraw())
        Present();
}

void MerlaFcbtFF::Detach() {
    served_id_ = 0;
    // Owned popups do not hide with their owner.
    bar_.HidePopups();
    if (handle_ && IsWindowVisible(handle_))
        Show(SW_HIDE);
}

LRichEditNI* MerlaFcbtFF::ServedBox() const {
    return served_id_ ? dynamic_cast<LRichEditNI*>(LWnd::FromId(served_id_)) : nullptr;
}

HWND MerlaFcbtFF::BoxHandle() const {
    LRichEditNI* box = ServedBox();
    return box ? box->GetHandle() : nullptr;
}

bool MerlaFcbtFF::OwnsPopup(const LWnd* window) const {
    return window && bar_.OwnsPopup(window);
}

LRESULT MerlaFcbtFF::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case RichItemMsg::kBarFont:
        if (HWND box = BoxHandle())
            SendMessageW(box, RichItemMsg::kBarFont, reinterpret_cast<WPARAM>(bar_.GetBarFont()), lp);
        return 0;
    case RichItemMsg::kBarColor:
        if (HWND box = BoxHandle())
            SendMessageW(box, RichItemMsg::kBarColor, wp, lp);
        return 0;
    default:
        break;
    }
    return LWnd::WindowProc(message, wp, lp);
}

LRESULT MerlaFcbtFF::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LNotify::kCommand) {
        if (HWND box = BoxHandle())
            SendMessageW(box, LNotify::kCommand, wp, lp);
        return 0;
    }
    if (message == LNotify::kScrollLostFocus) {
        SendToSubscribers(LNotify::kScrollLostFocus, static_cast<WPARAM>(GetId()), 0);
        return 0;
    }
    return LWnd::OnNotify(message, wp, lp);
}

bool MerlaFcbtFF::OnKillFocus(LWnd* new_focus) {
    LWnd* top = new_focus ? new_focus->GetTopLevel() : nullptr;
    if (top == this || OwnsPopup(top))
        return false;
    LRichEditNI* box = ServedBox();
    if (box && new_focus && (new_focus == box || box->Contains(new_focus)))
        return false;
    const bool result = LWnd::OnKillFocus(new_focus);
    // The box gives the focus back to itself after each use of the bar; anything else ends it.
    if (box && new_focus)
        box->OnKillFocus(new_focus);
    Detach();
    SendToSubscribers(LNotify::kScrollLostFocus, static_cast<WPARAM>(GetId()), 0);
    return result;
}
