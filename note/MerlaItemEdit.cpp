#include "note/MerlaItemEdit.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "app/base/SysConfig.h"
#include "note/MerlaItem.h"
#include "store/NoteRecord.h"
#include "toolkit/LCaret.h"

#include <commdlg.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwchar>

namespace {

constexpr DWORD kFontDialogFlags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS; // 0x141
constexpr DWORD kColorDialogFlags = CC_RGBINIT | CC_FULLOPEN;                            // 3
constexpr uint32_t kAlphaMask = 0xFF000000;
constexpr uint32_t kOpaque = 0xFF000000;
constexpr int kAlphaShift = 24;
constexpr int kMaxAlpha = 255;
constexpr int kBoldWeight = 700;
constexpr int kStyleBits = Gdiplus::FontStyleBold | Gdiplus::FontStyleItalic | Gdiplus::FontStyleUnderline |
                           Gdiplus::FontStyleStrikeout;
constexpr int kEmSizeChars = 32;
constexpr float kPointsPerInch = 72.0f;
constexpr float kScreenDpi = 96.0f;

COLORREF ToColorRef(uint32_t argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

uint32_t FromColorRef(COLORREF c) {
    return kOpaque | (static_cast<uint32_t>(GetRValue(c)) << 16) |
           (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

// Line breaks kept in a record may come back as CR LF; the edit holds line feeds only.
std::wstring LineFeedsOnly(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            out += LEdit::kLineFeed;
            if (i + 1 < text.size() && text[i + 1] == LEdit::kLineFeed)
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool IsKnownUnit(int unit) {
    return unit >= Gdiplus::UnitWorld && unit <= Gdiplus::UnitMillimeter && unit != Gdiplus::UnitDisplay;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// MerlaItemEditMenu

MerlaItemEditMenu::MerlaItemEditMenu(int alpha)
    : MerlaItemMenu({{kCutCommand, L"剪切", L"cut.png"},
                     {kCopyCommand, L"复制", L"copy.png"},
                     {kPasteCommand, L"粘贴", L"paste.png"},
                     {kDeleteCommand, L"删除", L""},
                     {kFontCommand, L"字体", L""},
                     {kColorCommand, L"颜色", L""}}),
      alpha_(std::clamp(alpha, 0, kMaxAlpha)) {
    SetObjectName(L"MerlaItemEditMenu");
}

MerlaItemEditMenu* MerlaItemEditMenu::Make(HWND item, int alpha) {
    auto* menu = new MerlaItemEditMenu(alpha);
    menu->receiver_ = item;
    return BuildOwned(menu, kId, kCaption, item);
}

bool MerlaItemEditMenu::OnCreate() {
    const bool ok = MerlaItemMenu::OnCreate();
    const int s = shadow_width_;
    const int y = s + static_cast<int>(Entries().size()) * item_height_;
    alpha_item_ = std::make_unique<MerlaMenuItemSetAlpha>();
    if (alpha_item_->Create(kAlphaCommand, kAlphaText, 0, WS_CHILD | WS_VISIBLE, s, y, GetMenuWidth() - 2 * s,
                            item_height_, handle_)) {
        alpha_item_->Slider().SetReceiver(receiver_);
        alpha_item_->Slider().SetValue(MerlaMenuItemSetAlpha::kMaxAlpha - alpha_);
    }
    return ok;
}

int MerlaItemEditMenu::GetMenuHeight() {
    return MerlaItemMenu::GetMenuHeight() + item_height_;
}

// ---------------------------------------------------------------------------------------------
// MerlaItemEdit

MerlaItemEdit::MerlaItemEdit(std::wstring folder, std::wstring note_name)
    : folder_(std::move(folder)), note_name_(std::move(note_name)) {
    SetObjectName(NoteKey::kItemEdit);
}

MerlaItemEdit::~MerlaItemEdit() {
    // A note closing (exit, hiding, logoff) with the item on it.
    if (handle_ && IsWindow(handle_))
        SaveAtEnd();
}

std::unique_ptr<LWnd> MerlaItemEdit::MakeStored(MerlaItem& note, int child_id) {
    auto item = std::make_unique<MerlaItemEdit>(note.Folder(), note.Name());
    NoteRecordReader stored(NoteRecord::ForChild(note.Folder(), child_id, NoteKey::kItemEdit));
    NoteRect r;
    RECT rc{0, 0, kNewWidth, kNewHeight};
    if (stored.ReadRect(r))
        rc = RECT{r.left, r.top, std::max(r.right, r.left + 1), std::max(r.bottom, r.top + 1)};
    if (!item->CreateItem(child_id, note.GetHandle(), rc, &stored))
        return nullptr;
    return item;
}

bool MerlaItemEdit::CreateItem(int id, HWND note, const RECT& rect, NoteRecordReader* stored) {
    if (!CreateEdit(id, note, rect))
        return false;
    if (stored)
        LoadStored(*stored);
    // Editable only while it has the focus: a press on it reaches the note, which decides.
    Enable(false);
    return true;
}

void MerlaItemEdit::LoadStored(NoteRecordReader& stored) {
    std::wstring family = FontFamily(), size_text;
    float em_size = FontEmSize();
    int style = FontStyle(), unit = FontUnit(), color = static_cast<int>(Color());
    stored.ReadText(NoteKey::kFontFamily, family);
    if (stored.ReadText(NoteKey::kFontEmSize, size_text)) {
        wchar_t* end = nullptr;
        const float value = std::wcstof(size_text.c_str(), &end);
        if (end != size_text.c_str() && std::isfinite(value))
            em_size = std::clamp(value, kMinEmSize, kMaxEmSize);
    }
    if (stored.ReadInt(NoteKey::kFontStyle, style))
        style &= kStyleBits;
    if (!stored.ReadInt(NoteKey::kFontUnit, unit) || !IsKnownUnit(unit))
        unit = Gdiplus::UnitPixel;
    stored.ReadInt(NoteKey::kColor, color);
    SetFont(family, em_size, style, unit);
    SetColor(static_cast<uint32_t>(color));
    std::wstring text;
    if (stored.ReadText(NoteKey::kText, text))
        SetText(LineFeedsOnly(text));
}

std::wstring MerlaItemEdit::RecordPath() {
    return folder_ + std::to_wstring(GetId()) + L".xml";
}

bool MerlaItemEdit::Save() {
    if (!handle_)
        return false;
    RECT r = WindowRect();
    MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&r), 2);
    wchar_t size[kEmSizeChars];
    swprintf(size, kEmSizeChars, L"%0.1f", static_cast<double>(FontEmSize()));
    const NoteRecord record = NoteRecord::ForChild(folder_, GetId(), NoteKey::kItemEdit);
    bool ok = record.WriteRect(NoteRect{r.left, r.top, r.right, r.bottom});
    ok = record.WriteText(NoteKey::kText, Text()) && ok;
    ok = record.WriteText(NoteKey::kFontFamily, FontFamily()) && ok;
    ok = record.WriteText(NoteKey::kFontEmSize, size) && ok;
    ok = record.WriteInt(NoteKey::kFontStyle, FontStyle()) && ok;
    ok = record.WriteInt(NoteKey::kFontUnit, FontUnit()) && ok;
    ok = record.WriteInt(NoteKey::kColor, static_cast<int>(Color())) && ok;
    return ok;
}

void MerlaItemEdit::SaveRect() {
    LEdit::SaveRect();
    RECT r = WindowRect();
    MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&r), 2);
    NoteRecord::ForChild(folder_, GetId(), NoteKey::kItemEdit)
        .WriteRect(NoteRect{r.left, r.top, r.right, r.bottom});
}

void MerlaItemEdit::SaveAtEnd() {
    if (ended_)
        return;
    ended_ = true;
    // An empty item is the note's to remove; a note folder that went away (the note deleted) is
    // not made again.
    std::wstring folder = folder_;
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    if (Text().empty() || !FolderExists(folder))
        return;
    Save();
}

void MerlaItemEdit::OnDestroy() {
    SaveAtEnd();
    LEdit::OnDestroy();
}

void MerlaItemEdit::SetBaseFolder(const std::wstring& base_folder) {
    folder_ = NoteFolder(note_name_, base_folder);
}

bool MerlaItemEdit::LayoutForNoteSize() {
    Relayout();
    return Redraw();
}

// ---------------------------------------------------------------------------------------------
// Focus

bool MerlaItemEdit::IsPartOfEditing(const LWnd* window) const {
    if (!window)
        return false;
    if (window == this || Contains(window) || window == CaretWindow())
        return true;
    return dynamic_cast<MerlaItemEditMenu*>(const_cast<LWnd*>(window)->GetTopLevel()) != nullptr;
}

bool MerlaItemEdit::FrontIsOurs() const {
    const HWND front = GetForegroundWindow();
    LWnd* window = LWnd::FromHandle(front);
    return !front || front == GetDesktopWindow() || front == GetParent(handle_) ||
           (window && IsPartOfEditing(window));
}

void MerlaItemEdit::SetFocusWnd() {
    Enable(true);
    editing_ = true;
    // Activating a child window deactivates its note under Wine: that is no focus loss.
    taking_focus_ = true;
    LEdit::SetFocusWnd();
    taking_focus_ = false;
    HWND note = GetParent(handle_);
    if (GetForegroundWindow() != note)
        SetForegroundWindow(note);
    if (GetActiveWindow() != note)
        SetActiveWindow(note);
    SetFocus(handle_);
    ShowCaretWindow();
}

bool MerlaItemEdit::OnKillFocus(LWnd* new_focus) {
    if (taking_focus_ || dialog_open_ || IsPartOfEditing(new_focus))
        return false;
    // Activation leaving for no known window went to the item's menu or nowhere (Wine names none).
    if (!new_focus && editing_ && !leaving_ && FrontIsOurs())
        return false;
    leaving_ = false;
    const bool result = LEdit::OnKillFocus(new_focus);
    if (!editing_)
        return result;
    editing_ = false;
    DestroyCaretWindow();
    Enable(false);
    if (Text().empty()) {
        // The note removes the item and its record: nothing of it may be used afterwards.
        PostMessageW(GetParent(handle_), kRemoveMe, static_cast<WPARAM>(GetId()), 0);
        return result;
    }
    Refresh();
    Save();
    return result;
}

void MerlaItemEdit::GiveUpFocus() {
    leaving_ = true;
    GiveFocusToParent();
}

// ---------------------------------------------------------------------------------------------
// Messages and commands

LRESULT MerlaItemEdit::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_ACTIVATE:
        // The note's own activation tells the item where the focus went.
        return DefWindowProcW(handle_, message, wp, lp);
    case kSetAlpha:
        SetItemAlpha(static_cast<int>(lp));
        return 0;
    case WM_ENDSESSION:
        // The session ends without the windows being destroyed.
        if (wp && !Text().empty())
            Save();
        return 0;
    default:
        break;
    }
    return LEdit::WindowProc(message, wp, lp);
}

LRESULT MerlaItemEdit::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LNotify::kCommand) {
        RunCommand(static_cast<int>(wp));
        return 0;
    }
    return LEdit::OnNotify(message, wp, lp);
}

void MerlaItemEdit::OnContextMenu(HWND window, int x, int y) {
    LEdit::OnContextMenu(window, x, y);
    const int alpha = static_cast<int>(Color() >> kAlphaShift);
    if (MerlaItemEditMenu* menu = MerlaItemEditMenu::Make(handle_, alpha))
        menu->PopupAt(x, y);
}

void MerlaItemEdit::RunCommand(int command) {
    switch (command) {
    case MerlaItemEditMenu::kCutCommand:
        SendMessageW(handle_, WM_CUT, 0, 0);
        break;
    case MerlaItemEditMenu::kCopyCommand:
        SendMessageW(handle_, WM_COPY, 0, 0);
        break;
    case MerlaItemEditMenu::kPasteCommand:
        SendMessageW(handle_, WM_PASTE, 0, 0);
        break;
    case MerlaItemEditMenu::kDeleteCommand:
        DeleteAllText();
        break;
    case MerlaItemEditMenu::kFontCommand:
        ChooseFontDialog();
        break;
    case MerlaItemEditMenu::kColorCommand:
        ChooseColorDialog();
        break;
    default:
        break;
    }
}

void MerlaItemEdit::DeleteAllText() {
    SelectAll();
    RemoveSelection();
    GiveUpFocus();
}

void MerlaItemEdit::SetItemAlpha(int alpha) {
    const uint32_t a = static_cast<uint32_t>(std::clamp(alpha, 0, kMaxAlpha));
    SetColor((a << kAlphaShift) | (Color() & ~kAlphaMask));
    Save();
    PostMessageW(GetParent(handle_), kTellNoteColor, static_cast<WPARAM>(Color()), 0);
}

bool MerlaItemEdit::ChooseFontDialog() {
    LOGFONTW lf{};
    const float size =
        FontUnit() == Gdiplus::UnitPoint ? FontEmSize() * kScreenDpi / kPointsPerInch : FontEmSize();
    lf.lfHeight = -static_cast<LONG>(std::lround(size));
    lf.lfWeight = (FontStyle() & Gdiplus::FontStyleBold) ? kBoldWeight : FW_NORMAL;
    lf.lfItalic = (FontStyle() & Gdiplus::FontStyleItalic) ? TRUE : FALSE;
    lf.lfUnderline = (FontStyle() & Gdiplus::FontStyleUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (FontStyle() & Gdiplus::FontStyleStrikeout) ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(lf.lfFaceName, FontFamily().c_str(), LF_FACESIZE - 1);
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof(cf);
    cf.hwndOwner = GetParent(handle_);
    cf.lpLogFont = &lf;
    cf.Flags = kFontDialogFlags;
    cf.rgbColors = ToColorRef(Color());
    ++dialog_open_;
    const bool chosen = ChooseFontW(&cf) != FALSE;
    --dialog_open_;
    if (!chosen)
        return false;
    int style = Gdiplus::FontStyleRegular;
    if (lf.lfWeight >= kBoldWeight)
        style |= Gdiplus::FontStyleBold;
    if (lf.lfItalic)
        style |= Gdiplus::FontStyleItalic;
    if (lf.lfUnderline)
        style |= Gdiplus::FontStyleUnderline;
    if (lf.lfStrikeOut)
        style |= Gdiplus::FontStyleStrikeout;
    const float em = std::clamp(static_cast<float>(std::abs(lf.lfHeight)), kMinEmSize, kMaxEmSize);
    SetFont(lf.lfFaceName, em, style, Gdiplus::UnitPixel);
    Save();
    if (editing_)
        SetFocusWnd();
    return true;
}

bool MerlaItemEdit::ChooseColorDialog() {
    COLORREF custom[CustomColors::kCount] = {};
    for (int i = 0; i < CustomColors::kCount; ++i)
        custom[i] = ToColorRef(CustomColors::Table()[static_cast<size_t>(i)]);
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = GetParent(handle_);
    cc.lpCustColors = custom;
    cc.rgbResult = ToColorRef(Color());
    cc.Flags = kColorDialogFlags;
    ++dialog_open_;
    const bool chosen = ChooseColorW(&cc) != FALSE;
    --dialog_open_;
    if (!chosen)
        return false;
    for (int i = 0; i < CustomColors::kCount; ++i)
        CustomColors::Table()[static_cast<size_t>(i)] = FromColorRef(custom[i]);
    CustomColors::Save();
    // The item's transparency stays.
    SetColor((Color() & kAlphaMask) | (FromColorRef(cc.rgbResult) & ~kAlphaMask));
    Save();
    PostMessageW(GetParent(handle_), kTellNoteColor, static_cast<WPARAM>(Color()), 0);
    if (editing_)
        SetFocusWnd();
    return true;
}
