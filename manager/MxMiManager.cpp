#include "manager/MxMiManager.h"

#include "app/base/AppPaths.h"
#include "app/base/SysConfig.h"
#include "note/LRichEditNI.h"
#include "note/MerlaItem.h"
#include "store/StoreEvents.h"
#include "store/xml/CXmlDoc.h"

namespace {

constexpr wchar_t kPlacementRoot[] = L"MxMiCaption";
constexpr const wchar_t* kSides[] = {L"left", L"top", L"right", L"bottom"};

} // namespace

MxMiManager::MxMiManager() {
    SetObjectName(L"MxMiManager");
    caption_height_ = kManagerCaptionHeight;
    RichItemOptions& options = RichOptions();
    settings_.BindOptions(&options.double_click, &options.auto_change_line, &options.show_float_wnd);
}

MxMiManager::~MxMiManager() {
    // While the pages are whole: the notes page writes its state as its window goes.
    if (handle_ && IsWindow(handle_))
        DestroyWindow(handle_);
}

std::wstring MxMiManager::SettingsPath() {
    return NormalSetDir() + kPlacementFile;
}

bool MxMiManager::ReadPlacement(RECT& rect) {
    CXmlDoc doc;
    if (!doc.Load(NormalSetDir() + kPlacementFile) || !doc.FindNext(kPlacementRoot) || !doc.Into())
        return false;
    int v[4] = {};
    for (int i = 0; i < 4; ++i) {
        doc.Rewind();
        if (!doc.GetChildInt(kSides[i], v[i]))
            return false;
    }
    rect = RECT{v[0], v[1], v[2], v[3]};
    if (rect.left >= rect.right || rect.top >= rect.bottom)
        return false;
    const RECT screen = VirtualScreenRect();
    RECT common{};
    return IntersectRect(&common, &rect, &screen) != FALSE;
}

int MxMiManager::LoadRect() {
    RECT rc{};
    if (ReadPlacement(rc)) {
        MoveWindow(handle_, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, FALSE);
        return 1;
    }
    SetWindowPos(handle_, nullptr, 0, 0, kWidth, kHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    CenterOnCursorMonitor();
    return 0;
}

void MxMiManager::SaveRect() {
    if (!placed_ || IsIconic(handle_))
        return;
    const RECT wr = WindowRect();
    CXmlDoc doc;
    if (!OpenSettingsFile(doc, SettingsPath(), kPlacementRoot, 0) || !doc.Into())
        return;
    const int v[4] = {wr.left, wr.top, wr.right, wr.bottom};
    for (int i = 0; i < 4; ++i) {
        doc.Rewind();
        doc.SetChildInt(kSides[i], v[i]);
    }
    doc.Save(SettingsPath());
}

bool MxMiManager::OnCreate() {
    SetWindowLongW(handle_, GWL_STYLE, GetWindowLongW(handle_, GWL_STYLE) | WS_MINIMIZEBOX | WS_SYSMENU);
    LoadRect();
    const bool ok = MxMiCaption::OnCreate();
    LWndBatch batch(*this);
    SetWindowTextW(handle_, kNotesTitle);
    const int b = border_;
    notes_bt_.Create(kNotesButtonId, L"Velin", 0, WS_CHILD | WS_VISIBLE, b, b, kNotesButtonWidth,
                     kManagerCaptionHeight, handle_);
    templates_bt_.Create(kTemplatesButtonId, L"模板管理", 0, WS_CHILD | WS_VISIBLE, b + kNotesButtonWidth, b,
                         kPageButtonWidth, kManagerCaptionHeight, handle_);
    settings_bt_.Create(kSettingsButtonId, L"系统设置", 0, WS_CHILD | WS_VISIBLE,
                        b + kNotesButtonWidth + kPageButtonWidth, b, kPageButtonWidth, kManagerCaptionHeight,
                        handle_);
    const RECT rc = ClientRect();
    minimise_.Create(kMinimiseId, L"", 0, WS_CHILD | WS_VISIBLE, rc.right - b - kMinimiseRight,
                     b + kMinimiseTop, kMinimiseSide, kMinimiseSide, handle_);
    const RECT page = PageRect();
    const int pw = page.right - page.left, ph = page.bottom - page.top;
    notes_.Create(kNotesPageId, L"便签管理", 0, WS_CHILD, page.left, page.top, pw, ph, handle_);
    templates_.Create(kTemplatesPageId, L"模板管理", 0, WS_CHILD, page.left, page.top, pw, ph, handle_);
    settings_.Create(kSettingsPageId, L"系统管理", 0, WS_CHILD, page.left, page.top, pw, ph, handle_);
    placed_ = true;
    ShowPage(kNotesButtonId);
    return ok;
}

RECT MxMiManager::PageRect() const {
    const RECT rc = ClientRect();
    return RECT{border_, border_ + kManagerCaptionHeight, rc.right - border_, rc.bottom - border_};
}

void MxMiManager::PlaceCaptionButtons() {
    MxMiCaption::PlaceCaptionButtons();
    if (!minimise_.GetHandle())
        return;
    const RECT rc = ClientRect();
    MoveWindow(minimise_.GetHandle(), rc.right - border_ - kMinimiseRight, border_ + kMinimiseTop,
               kMinimiseSide, kMinimiseSide, FALSE);
}

void MxMiManager::PlaceChildren() {
    const RECT page = PageRect();
    for (LWnd* p :
         {static_cast<LWnd*>(&notes_), static_cast<LWnd*>(&templates_), static_cast<LWnd*>(&settings_)}) {
        if (p->GetHandle())
            MoveWindow(p->GetHandle(), page.left, page.top, page.right - page.left, page.bottom - page.top,
                       FALSE);
    }
}

MxMiBt& MxMiManager::PageButton(int button_id) {
    if (button_id == kTemplatesButtonId)
        return templates_bt_;
    if (button_id == kSettingsButtonId)
        return settings_bt_;
    return notes_bt_;
}

void MxMiManager::ShowPage(int button_id) {
    struct PageOf {
        int button;
        LWnd* page;
        uint32_t color;
        const wchar_t* title;
    };
    const PageOf pages[] = {{kNotesButtonId, &notes_, kNotesColor, kNotesTitle},
                            {kTemplatesButtonId, &templates_, kTemplatesColor, kTemplatesTitle},
                            {kSettingsButtonId, &settings_, kSettingsColor, kSettingsTitle}};
    bool known = false;
    for (const PageOf& p : pages)
        known = known || p.button == button_id;
    if (!known)
        return;
    page_ = button_id;
    for (const PageOf& p : pages) {
        const bool on = p.button == button_id;
        PageButton(p.button).SetPressed(on, p.color);
        if (p.page->GetHandle())
            p.page->Show(on ? SW_SHOWNA : SW_HIDE);
        if (on)
            SetWindowTextW(handle_, p.title);
    }
    if (Redraw())
        Present();
}

void MxMiManager::OnMove(int x, int y) {
    MxMiCaption::OnMove(x, y);
    SaveRect();
}

bool MxMiManager::OnSize(UINT type, int width, int height) {
    PlaceChildren();
    const bool changed = MxMiCaption::OnSize(type, width, height);
    if (type != SIZE_MINIMIZED)
        SaveRect();
    return changed;
}

LRESULT MxMiManager::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LNotify::kButtonClicked) {
        switch (static_cast<int>(wp)) {
        case kNotesButtonId:
        case kTemplatesButtonId:
        case kSettingsButtonId:
            ShowPage(static_cast<int>(wp));
            return 0;
        case kMinimiseId:
            ShowWindow(handle_, SW_MINIMIZE);
            return 0;
        default:
            break;
        }
    }
    return MxMiCaption::OnNotify(message, wp, lp);
}

LRESULT MxMiManager::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    // The store and the notes address the manager; the notes page does the work.
    if (message == MSG_MGR_SHOW_GROUP && notes_.GetHandle())
        return SendMessageW(notes_.GetHandle(), message, wp, lp);
    if (message == NoteMsg::kManagerNoteDeleted && notes_.GetHandle()) {
        PostMessageW(notes_.GetHandle(), MSG_MGR_SHOW_GROUP, 0, notes_.Groups().Selected());
        return 0;
    }
    return MxMiCaption::WindowProc(message, wp, lp);
}

void MxMiManager::OnOk() {
    // The focused control has had its Enter already (the search box searches); the dialog's own
    // Enter must not close the manager.
}
