#include "toolkit/pickers/MerlaListSel.h"

#include "app/base/AppPaths.h"
#include "store/xml/CXmlDoc.h"
#include "toolkit/pickers/PickerLook.h"

#include <gdiplus.h>

// ---------------------------------------------------------------------------------------------
// MerlaPickList

MerlaPickList::MerlaPickList(std::wstring object_name, std::wstring container, std::wstring item)
    : container_(std::move(container)), item_(std::move(item)) {
    SetObjectName(std::move(object_name));
}

std::wstring MerlaPickList::SettingsPath() {
    return NormalSetDir() + GetObjectName() + L".xml";
}

LRESULT MerlaPickList::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    // A press on a scroll bar of the list: its own focus step would activate the popup.
    if (message == WM_PARENTNOTIFY && LOWORD(wp) == WM_LBUTTONDOWN)
        QuietFocusOnPress(*this, lp);
    return MerlaListBox::WindowProc(message, wp, lp);
}

void MerlaPickList::OnClick(WPARAM keys, int x, int y) {
    MerlaListBox::OnClick(keys, x, y);
    const int row = RowAt(x, y);
    if (row >= 0)
        SendToSubscribers(kRowChosen, static_cast<WPARAM>(row), static_cast<LPARAM>(GetId()));
}

std::unique_ptr<Gdiplus::Font> MerlaPickList::RowFont(int) {
    return CreateUiFont();
}

bool MerlaPickList::AcceptsStored(const std::wstring& text) {
    return !text.empty();
}

void MerlaPickList::DrawItem(LSurface& surface, int index) {
    if (index < 0 || index >= static_cast<int>(rows_.size()))
        return;
    const Row& row = rows_[static_cast<size_t>(index)];
    const int x = row.rect.left, y = row.rect.top - vbar_.GetPos();
    const int w = row.rect.right - row.rect.left, h = row.rect.bottom - row.rect.top;
    if (index == hover_ || index == selected_)
        BlendFill(surface, x, y, w, h, RowHighlightColor());
    auto font = RowFont(index);
    if (!font || w - kTextIndent <= 0)
        return;
    auto format = MakeStringFormat(kAlignNear, kAlignCenter);
    format->SetFormatFlags(format->GetFormatFlags() | Gdiplus::StringFormatFlagsNoWrap);
    LSurface text = DrawTextSurface(handle_, *font, *format, row.text, kDefaultTextColor, w - kTextIndent, h);
    BlendWithAlpha(surface, text, x + kTextIndent, y, static_cast<int>(kDefaultTextColor >> 24));
}

LRESULT MerlaPickList::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    // A scroll bar of the list lost the focus to a window other than the list.
    if (message == LNotify::kScrollLostFocus) {
        ScheduleFocusCheck(*this);
        return 0;
    }
    return MerlaListBox::OnNotify(message, wp, lp);
}

void MerlaPickList::SetFocusWnd() {
    TakeQuietFocus(*this);
}

bool MerlaPickList::OnKillFocus(LWnd* new_focus) {
    const bool result = MerlaListBox::OnKillFocus(new_focus);
    ReportFocusLoss(*this, new_focus);
    return result;
}

int MerlaPickList::FindRow(const std::wstring& text) const {
    for (size_t i = 0; i < rows_.size(); ++i) {
        const std::wstring& t = rows_[i].text;
        if (t.size() == text.size() &&
            CompareStringOrdinal(t.c_str(), static_cast<int>(t.size()), text.c_str(),
                                 static_cast<int>(text.size()), TRUE) == CSTR_EQUAL)
            return static_cast<int>(i);
    }
    return -1;
}

void MerlaPickList::RemoveAll() {
    while (!rows_.empty())
        RemoveItem(static_cast<int>(rows_.size()) - 1);
}

void MerlaPickList::LoadRows(int max_rows) {
    CXmlDoc doc;
    if (!doc.Load(SettingsPath()) || !doc.FindNext(GetObjectName()) || !doc.Into() ||
        !doc.FindNext(container_) || !doc.Into())
        return;
    while (static_cast<int>(rows_.size()) < max_rows && doc.FindNext(item_)) {
        const std::wstring text = doc.GetText();
        if (AcceptsStored(text) && FindRow(text) < 0)
            AddItem(text);
    }
}

void MerlaPickList::SaveRows() {
    CXmlDoc doc;
    if (!OpenSettings(doc) || !doc.Into())
        return;
    if (doc.FindNext(container_))
        doc.RemoveCurrent();
    while (doc.FindNext()) {
    }
    doc.AddNext(container_);
    doc.Into();
    for (const Row& row : rows_)
        doc.AddNext(item_, row.text);
    doc.Save(SettingsPath());
}

// ---------------------------------------------------------------------------------------------
// MerlaListSel

MerlaListSel::MerlaListSel(MerlaPickList& recent, MerlaPickList& full, std::wstring recent_caption,
                           std::wstring full_caption)
    : recent_(recent), full_(full), recent_caption_(std::move(recent_caption)),
      full_caption_(std::move(full_caption)) {
    SetObjectName(L"MerlaListSel");
}

namespace {

int RecentHeight(MerlaPickList& recent) {
    const int rows = recent.GetItemCount();
    return rows > 0 ? rows * MerlaListBox::kRowHeight : MerlaListSel::kEmptyRecentHeight;
}

} // namespace

bool MerlaListSel::OnCreate() {
    const bool ok = LWndWithShadow::OnCreate();
    const int s = shadow_width_;
    const RECT rc = ClientRect();
    const int w = rc.right - 2 * s;
    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    recent_.Create(0, L"", 0, kChild, s, s + kCaptionHeight, w, kEmptyRecentHeight, handle_);
    full_.Create(0, L"", 0, kChild, s, s + kEmptyRecentHeight + 2 * kCaptionHeight, w,
                 rc.bottom - 2 * s - kEmptyRecentHeight - 2 * kCaptionHeight, handle_);
    recent_.LoadRows(kMaxRecent);
    FillFullList();
    recent_.Subscribe(MerlaPickList::kRowChosen, handle_);
    full_.Subscribe(MerlaPickList::kRowChosen, handle_);
    AddCompanion(&recent_, true);
    AddCompanion(&full_, true);
    LayoutLists();
    return ok;
}

void MerlaListSel::LayoutLists() {
    const int s = shadow_width_;
    const RECT rc = ClientRect();
    const int w = rc.right - 2 * s;
    const int rh = RecentHeight(recent_);
    MoveWindow(recent_.GetHandle(), s, s + kCaptionHeight, w, rh, FALSE);
    const int full_top = s + rh + 2 * kCaptionHeight;
    MoveWindow(full_.GetHandle(), s, full_top, w, rc.bottom - s - full_top, FALSE);
    if (popup_.IsOpen() && Redraw())
        Present();
}

LSurface MerlaListSel::RenderContent() {
    LSurface s = LWndWithShadow::RenderContent();
    if (!s)
        return s;
    const int m = shadow_width_;
    const int w = s.width() - 2 * m;
    auto font = CreateUiFont();
    DrawCaptionBand(handle_, s, *font, kAlignCenter, recent_caption_, m, m, w, kCaptionHeight);
    DrawCaptionBand(handle_, s, *font, kAlignCenter, full_caption_, m,
                    m + kCaptionHeight + RecentHeight(recent_), w, kCaptionHeight);
    return s;
}

void MerlaListSel::OpenAt(int x, int y, const std::wstring& value) {
    recent_.SetSelectedIndex(-1);
    const int row = full_.FindRow(value);
    full_.SetSelectedIndex(row);
    RECT rc{};
    GetWindowRect(handle_, &rc);
    popup_.Open(x, y, rc.right - rc.left, rc.bottom - rc.top);
    full_.EnsureItemVisible(row);
    if (Redraw())
        Present();
}

void MerlaListSel::SetFocusWnd() {
    TakeQuietFocus(*this);
}

void MerlaListSel::TellClosed() {
    PostToSubscribers(kClosed, static_cast<WPARAM>(GetId()), 0);
}

bool MerlaListSel::OnKillFocus(LWnd* new_focus) {
    const bool result = LWndWithShadow::OnKillFocus(new_focus);
    if (popup_.CloseUnlessInside(new_focus))
        TellClosed();
    return result;
}

void MerlaListSel::AddRecent(const std::wstring& text) {
    const auto& rows = recent_.Rows();
    if (text.empty() || (!rows.empty() && rows.front().text == text))
        return;
    for (int i = recent_.FindRow(text); i >= 0; i = recent_.FindRow(text))
        recent_.RemoveItem(i);
    recent_.AddItem(text, 0);
    while (recent_.GetItemCount() > kMaxRecent)
        recent_.RemoveItem(recent_.GetItemCount() - 1);
    recent_.SaveRows();
}

void MerlaListSel::OnRowChosen(int list_id, int row) {
    MerlaPickList& list = list_id == recent_.GetId() ? recent_ : full_;
    if (row < 0 || row >= list.GetItemCount())
        return;
    chosen_ = list.Rows()[static_cast<size_t>(row)].text;
    PostToSubscribers(kChosen, 0, static_cast<LPARAM>(GetId()));
    AddRecent(chosen_);
    recent_.SetSelectedIndex(-1);
    full_.SetSelectedIndex(full_.FindRow(chosen_));
    LayoutLists();
}

LRESULT MerlaListSel::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    if (message == MerlaPickList::kRowChosen) {
        OnRowChosen(static_cast<int>(lp), static_cast<int>(wp));
        return 0;
    }
    if (message == WM_MOUSEACTIVATE)
        return PickerPopup::kMouseActivateAnswer;
    bool closed = false;
    LWnd* new_focus = nullptr;
    if (popup_.Handle(message, wp, lp, closed, new_focus)) {
        if (closed)
            TellClosed();
        if (message != WM_ACTIVATEAPP)
            return 0;
    }
    return LWndWithShadow::WindowProc(message, wp, lp);
}
