#include "note/LRichEditNI.h"

#include "toolkit/FileDialogs.h"
#include "app/base/AppPaths.h"
#include "app/base/SysConfig.h"
#include "note/LRichEditNIMenu.h"
#include "note/MerlaFcbtFF.h"
#include "note/MerlaItem.h"
#include "richtext/FontRegistry.h"
#include "toolkit/LCaret.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LGlyphImage.h"
#include "richtext/LRichEditOp.h"
#include "richtext/PictureFit.h"
#include "settings/DisplayPassword.h"
#include "settings/MerlaAddPwd.h"
#include "settings/MerlaCheckEncrypt.h"
#include "store/NoteRecord.h"
#include "store/xml/CXmlDoc.h"
#include "store/xml/FileBytes.h"
#include "toolkit/MerlaMessageBox.h"
#include "toolkit/UiLook.h"

#include <commdlg.h>
#include <gdiplus.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr wchar_t kRtfSuffix[] = L"_rtf";
constexpr wchar_t kRowIconSet[] = L"default";
constexpr wchar_t kOlderItem[] = L"item";
constexpr wchar_t kOlderImage[] = L"image";
constexpr wchar_t kOpen[] = L"open";
constexpr wchar_t kPictureFilter[] = L"png gif jpg bmp 格式文件\0*.PNG;*.gif;*.jpg;*.bmp\0\0";
constexpr wchar_t kPictureTitle[] = L"选择一个图像文件";
constexpr UINT_PTR kSaveTimer = 60010;
// While written in, the box looks now and then whether the focus went somewhere it was not told of
// (from its menu or the font bar straight to another window).
constexpr UINT_PTR kFocusCheckTimer = 60011;
constexpr UINT kFocusCheckMs = 250;
// Typing is written this long after the last change, so a crash loses little and a keystroke
// never waits for a file.
constexpr UINT kSaveDelayMs = 2000;
constexpr double kLineHeights[] = {1.0, 1.0, 1.15, 1.5, 2.0, 2.5, 3.0, 3.5, 4.0}; // 30508..30516
constexpr int kColorText = 1, kColorHighlight = 2;
constexpr uint32_t kOpaque = 0xFF000000;
constexpr int kBoldWeight = 700;
constexpr int kSizeStep = 2; // the font bar's grow and shrink

LRichEditNI::AskFn g_ask = nullptr;

COLORREF ToColorRef(uint32_t argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

uint32_t FromColorRef(COLORREF c) {
    return kOpaque | (static_cast<uint32_t>(GetRValue(c)) << 16) |
           (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

std::unique_ptr<Gdiplus::Bitmap> LoadPicture(const std::wstring& path) {
    if (!FileExists(path))
        return nullptr;
    auto picture = std::make_unique<Gdiplus::Bitmap>(path.c_str());
    if (picture->GetLastStatus() != Gdiplus::Ok || picture->GetWidth() == 0 || picture->GetHeight() == 0)
        return nullptr;
    return picture;
}

} // namespace

RichItemOptions& RichOptions() {
    static RichItemOptions options;
    return options;
}

void LRichEditNI::SetMessageBoxHook(AskFn fn) {
    g_ask = fn;
}

LRichEditNI::LRichEditNI(std::wstring note_folder, std::wstring note_name)
    : folder_(std::move(note_folder)), note_name_(std::move(note_name)) {
    SetObjectName(NoteKey::kRichEdit);
    wrap_ = RichOptions().auto_change_line != 0;
    lazy_caret_ = true;
    band_pictures_ = true; // draws nothing over the rows of its own
}

LRichEditNI::~LRichEditNI() {
    if (handle_ && IsWindow(handle_)) {
        KillTimer(handle_, kMenuTimer);
        KillTimer(handle_, kSaveTimer);
        KillTimer(handle_, kFocusCheckTimer);
    }
    // A note closing (exit, logoff, hiding) while its box is being written in.
    if (editing_ || modified_)
        SaveAll();
    if (MerlaFcbtFF* bar = MerlaFcbtFF::Instance(); bar && bar->ServedBox() == this)
        bar->Detach();
}

std::unique_ptr<LWnd> LRichEditNI::MakeStored(MerlaItem& note, int child_id) {
    auto box = std::make_unique<LRichEditNI>(note.Folder(), note.Name());
    // One read of the record serves the rectangle and every setting.
    NoteRecordReader stored(NoteRecord::ForChild(note.Folder(), child_id, NoteKey::kRichEdit));
    NoteRect r;
    RECT rc{0, 0, kNewBoxWidth, kNewBoxHeight};
    if (stored.ReadRect(r))
        rc = RECT{r.left, r.top, std::max(r.right, r.left + 1), std::max(r.bottom, r.top + 1)};
    if (!box->CreateBox(child_id, note.GetHandle(), rc, &stored))
        return nullptr;
    return box;
}

void LRichEditNI::RegisterKind() {
    MerlaItem::RegisterChildItemKind(NoteKey::kRichEdit, &LRichEditNI::MakeStored);
}

std::wstring LRichEditNI::RecordPath() {
    return folder_ + std::to_wstring(GetId()) + L".xml";
}

std::wstring LRichEditNI::ContentPath() {
    return folder_ + std::to_wstring(GetId()) + kRtfSuffix;
}

bool LRichEditNI::CreateBox(int id, HWND note, const RECT& rect, NoteRecordReader* stored) {
    if (!Create(id, L"", 0, WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top, note))
        return false;
    if (stored) {
        loading_stored_ = true;
        LoadStored(*stored);
        loading_stored_ = false;
    }
    // Editable only while it has the focus: a press on it reaches the note, which decides.
    Enable(false);
    UpdateScrollBars();
    return true;
}

void LRichEditNI::LoadStored(NoteRecordReader& stored) {
    if (!stored.ok())
        return;
    int value = 0;
    if (stored.ReadInt(NoteKey::kAutoChangeLine, value))
        wrap_ = value != 0;
    if (stored.ReadInt(NoteKey::kIsFixed, value))
        fixed_width_ = value != 0;
    int encrypt = 0;
    stored.ReadInt(NoteKey::kEncryptShow, encrypt);

    std::wstring rtf;
    if (stored.ReadText(NoteKey::kRtfText, rtf) && IsPlainFileName(rtf)) {
        const std::wstring path = folder_ + rtf;
        if (FileExists(path) && LoadRtf(path, false) != 0) {
            // Kept as it is: the box shows nothing and writes nothing over it.
            content_damaged_ = true;
            read_only_ = true;
        }
    }

    std::wstring older_text;
    const bool has_older =
        stored.ReadText(NoteKey::kLineHeight, older_text) || stored.ReadText(NoteKey::kRowStates, older_text);
    CXmlDoc doc;
    if (has_older)
        doc.Load(RecordPath());
    // The cursor only goes forward: each older element is looked up from the root again.
    auto enter = [&doc](const wchar_t* name) {
        while (doc.OutOf()) {
        }
        doc.Rewind();
        return doc.FindNext(NoteKey::kRichEdit) && doc.Into() && doc.FindNext(name) && doc.Into();
    };
    bool older = false;
    if (enter(NoteKey::kLineHeight)) {
        older = true;
        for (int row = 0; doc.FindNext(kOlderItem); ++row) {
            const std::wstring text = doc.GetText();
            if (row < doc_.RowCount() && !text.empty())
                doc_.Row(row)->SetLineGap(std::clamp(_wtoi(text.c_str()), 0, 1024));
        }
    }
    if (enter(NoteKey::kRowStates)) {
        older = true;
        const int side = RowIconSide();
        while (doc.FindNext(kOlderItem)) {
            const int row = _wtoi(doc.GetText().c_str());
            const std::wstring image = doc.GetAttr(kOlderImage);
            if (row < 0 || row >= doc_.RowCount() || !IsPlainFileName(image))
                continue;
            auto picture = LoadPicture(RowIconDir(kRowIconSet) + image);
            if (!picture)
                continue;
            auto scaled = DrawPictureScaled(*picture, side, side);
            if (LGlyphImage* icon = scaled ? LGlyphImage::FromImage(scaled.get(), L"pngblip") : nullptr) {
                doc_.Row(row)->SetIconSize(side);
                doc_.Row(row)->SetIcon(icon);
            }
        }
        RecomputeIndent();
    }
    older_elements_pending_ = older && !content_damaged_;
    if (encrypt) {
        protected_ = true;
        SetMasks(true);
    }
    Reflow();
    // The older elements go only once the content carrying what they said is on disk.
    if (older_elements_pending_ && SaveContent()) {
        CXmlDoc edit;
        if (edit.LoadForEdit(RecordPath())) {
            for (const wchar_t* name : {NoteKey::kLineHeight, NoteKey::kRowStates}) {
                while (edit.OutOf()) {
                }
                edit.Rewind();
                if (edit.FindNext(NoteKey::kRichEdit) && edit.Into() && edit.FindNext(name))
                    edit.RemoveCurrent();
            }
            if (edit.Save(RecordPath()))
                older_elements_pending_ = false;
        }
    }
}

void LRichEditNI::SetBaseFolder(const std::wstring& base_folder) {
    folder_ = NoteFolder(note_name_, base_folder);
}

bool LRichEditNI::LayoutForNoteSize() {
    return Redraw();
}

// ---------------------------------------------------------------------------------------------
// Focus and editing

void LRichEditNI::StartEditing(int x, int y) {

    editing_ = true;
    Enable(true);
    SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    LWnd* focused = Focused();
    if (focused != this) {
        if (focused)
            focused->OnKillFocus(this);
        SetFocusWnd();
    }
    if (doc_.RowCount() == 0)
        CreateRow(0);
    if (!SelectPictureAt(RowAtY(y + scroll_y_), x, y)) {
        CaretFromPoint(x, y);
        Refresh();
        ShowCaret();
    }
    if (RichOptions().show_float_wnd)
        if (MerlaFcbtFF* bar = MerlaFcbtFF::Instance())
            bar->ShowAt(this);
    SetTimer(handle_, kFocusCheckTimer, kFocusCheckMs, nullptr);
}

bool LRichEditNI::FrontIsOurs() const {
    HWND foreground = GetForegroundWindow();
    LWnd* front = LWnd::FromHandle(foreground);
    return foreground && (foreground == GetParent(handle_) || (front && IsPartOfEditing(front)));
}

void LRichEditNI::CheckFocus() {
    LWnd* focused = Focused();
    const HWND front = GetForegroundWindow();
    if (focused == this && (!front || front == GetDesktopWindow())) {
        // Nothing is in front (Wine without a window manager hands the activation to the desktop
        // after a click on a window that does not take it): the keys come back here.
        SetFocusWnd();
        return;
    }
    if (focused == this || (focused && focused->IsShown() && IsPartOfEditing(focused)))
        return;
    if (!focused || !focused->IsShown() || IsPartOfEditing(focused)) {
        // A menu or a bar popup closed: the writing goes on here unless the user went elsewhere.
        if (!front || front == GetDesktopWindow() || FrontIsOurs()) {
            SetFocusWnd();
            return;
        }
    }
    leaving_ = true;
    OnKillFocus(focused && focused->IsShown() ? focused : nullptr);
}

bool LRichEditNI::IsEmptyBox() const {
    for (int r = 0; r < doc_.RowCount(); ++r) {
        if (doc_.Row(r)->Icon())
            return false;
    }
    return doc_.RowCount() == 0 || (doc_.RowCount() == 1 && doc_.Row(0)->Children().empty());
}

bool LRichEditNI::IsPartOfEditing(const LWnd* window) const {
    if (!window)
        return false;
    if (window == this || Contains(window))
        return true;
    LWnd* top = const_cast<LWnd*>(window)->GetTopLevel();
    if (dynamic_cast<LRichEditNIMenu*>(top) || dynamic_cast<LRichEditNIMenuMark*>(top) ||
        dynamic_cast<MerlaMenuLineHeight*>(top))
        return true;
    MerlaFcbtFF* bar = MerlaFcbtFF::Instance();
    return bar && (top == bar || bar->OwnsPopup(top) || bar->OwnsPopup(window));
}

void LRichEditNI::OnEscape() {
    LRichEdit::OnEscape();
    leaving_ = true; // the focus loss that follows is meant
}

void LRichEditNI::SetFocusWnd() {
    // Activating a child window deactivates its note under Wine, with no window named: that is no
    // focus loss. The note is what is activated.
    taking_focus_ = true;
    LRichEdit::SetFocusWnd();
    taking_focus_ = false;
    HWND note = GetParent(handle_);
    // Keys go to the foreground window's thread: a note that never took the activation from a
    // click would leave them with whatever program was in front.
    if (GetForegroundWindow() != note)
        SetForegroundWindow(note);
    if (GetActiveWindow() != note)
        SetActiveWindow(note);
    SetFocus(handle_);
}

bool LRichEditNI::OnKillFocus(LWnd* new_focus) {
    // Its own menus, their items and the font bar are part of the editing.
    if (taking_focus_ || IsPartOfEditing(new_focus))
        return false;
    // Activation leaving for no known window: it went to one of the box's menus or nowhere (Wine
    // reports no window then), unless another window is in front now.
    const HWND front = GetForegroundWindow();
    if (!new_focus && editing_ && !leaving_ && (!front || front == GetDesktopWindow() || FrontIsOurs()))
        return false;
    leaving_ = false;
    const bool result = LRichEdit::OnKillFocus(new_focus);
    if (!editing_)
        return result;
    editing_ = false;
    KillTimer(handle_, kFocusCheckTimer);
    if (MerlaFcbtFF* bar = MerlaFcbtFF::Instance(); bar && bar->ServedBox() == this)
        bar->Detach();
    HideCaret();
    ClosePictureFrame();
    Enable(false);
    KillTimer(handle_, kSaveTimer);
    if (IsEmptyBox() && !content_damaged_) {
        // The note removes (and deletes) the box: nothing of it may be used afterwards.
        PostMessageW(GetParent(handle_), RichItemMsg::kRemoveMe, static_cast<WPARAM>(GetId()), 0);
        return result;
    }
    Refresh();
    SaveAll();
    return result;
}

void LRichEditNI::GiveUpFocus() {
    leaving_ = true;
    GiveFocusToParent();
}

// ---------------------------------------------------------------------------------------------
// Store

bool LRichEditNI::SaveContent() {
    if (content_damaged_ || !handle_)
        return false;
    if (!protected_)
        token_.clear();
    const std::wstring name = std::to_wstring(GetId()) + kRtfSuffix;
    if (!SaveRtf(folder_ + name, token_))
        return false;
    return NoteRecord::ForChild(folder_, GetId(), NoteKey::kRichEdit).WriteText(NoteKey::kRtfText, name);
}

bool LRichEditNI::SaveAll() {
    if (!handle_)
        return false;
    modified_ = false;
    NoteRecord record = NoteRecord::ForChild(folder_, GetId(), NoteKey::kRichEdit);
    bool ok = record.WriteInt(NoteKey::kIsFixed, fixed_width_ ? 1 : 0);
    ok = record.WriteInt(NoteKey::kAutoChangeLine, wrap_ ? 1 : 0) && ok;
    return SaveContent() && ok;
}

void LRichEditNI::SaveRect() {
    LRichEdit::SaveRect();
    RECT wr = WindowRect();
    MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&wr), 2);
    NoteRecord::ForChild(folder_, GetId(), NoteKey::kRichEdit)
        .WriteRect(NoteRect{wr.left, wr.top, wr.right, wr.bottom});
}

void LRichEditNI::OnChanged() {
    if (protected_)
        SetMasks(true);
    FitToContent();
    UpdateScrollBars();
    if (handle_ && !content_damaged_)
        SetTimer(handle_, kSaveTimer, kSaveDelayMs, nullptr);
}

void LRichEditNI::OnTimer(UINT_PTR timer_id) {
    if (timer_id == kFocusCheckTimer) {
        CheckFocus();
        return;
    }
    if (timer_id == kSaveTimer) {
        KillTimer(handle_, kSaveTimer);
        SaveContent();
        return;
    }
    if (timer_id == kMenuTimer) {
        KillTimer(handle_, kMenuTimer);
        LRichEditNIMenu::Open(*this, menu_point_);
        return;
    }
    LRichEdit::OnTimer(timer_id);
}

// ---------------------------------------------------------------------------------------------
// Layout and scrolling

void LRichEditNI::LoadFinished() {
    // A stored box loads while its note is made: the note draws everything once when it shows.
    if (loading_stored_)
        LRichEdit::Reflow();
    else
        LRichEdit::LoadFinished();
}

bool LRichEditNI::Reflow() {
    const bool moved = LRichEdit::Reflow();
    UpdateScrollBars();
    return moved;
}

bool LRichEditNI::OnSize(UINT type, int width, int height) {
    const bool changed = LRichEdit::OnSize(type, width, height);
    if (vbar_.GetHandle())
        MoveWindow(vbar_.GetHandle(), width - kBarThickness, 0, kBarThickness, height, FALSE);
    if (hbar_.GetHandle())
        MoveWindow(hbar_.GetHandle(), 0, height - kBarThickness, width, kBarThickness, FALSE);
    UpdateScrollBars();
    return changed;
}

void LRichEditNI::UpdateScrollBars() {
    if (!handle_)
        return;
    const RECT rc = ClientRect();
    const bool v = content_height_ > visible_height_ && rc.bottom > 0;
    const bool h = content_width_ > visible_width_ && rc.right > 0;
    // Most boxes never scroll: their bars are made when first needed.
    if (!vbar_.GetHandle() && (v || h)) {
        vbar_.Create(0, L"", 0, WS_CHILD, rc.right - kBarThickness, 0, kBarThickness, rc.bottom, handle_);
        hbar_.Create(0, L"", 0, WS_CHILD, 0, rc.bottom - kBarThickness, rc.right, kBarThickness, handle_);
        vbar_.SetThumbColor(kThemeColor);
        hbar_.SetThumbColor(kThemeColor);
    }
    if (!vbar_.GetHandle() || !hbar_.GetHandle())
        return;
    vbar_.SetRange(0, content_height_ + top_margin_ + bottom_margin_);
    hbar_.SetRange(0, content_width_ + left_padding_ + TextIndent() + right_padding_);
    vbar_.SetScrollPos(scroll_y_);
    hbar_.SetScrollPos(scroll_x_);
    if (v != vbar_.IsShown())
        vbar_.Show(v ? SW_SHOWNA : SW_HIDE);
    if (h != hbar_.IsShown())
        hbar_.Show(h ? SW_SHOWNA : SW_HIDE);
}

void LRichEditNI::FitToContent() {
    if (fitting_ || !handle_)
        return;
    HWND note = GetParent(handle_);
    RECT limit{};
    GetClientRect(note, &limit);
    RECT wr = WindowRect();
    MapWindowPoints(nullptr, note, reinterpret_cast<POINT*>(&wr), 2);
    const int wanted = content_height_ + top_margin_ + bottom_margin_;
    const int room = std::max<int>(limit.bottom - wr.top, kNewBoxHeight);
    const int height = std::clamp(wanted, static_cast<int>(kNewBoxHeight), room);
    if (height == wr.bottom - wr.top)
        return;
    fitting_ = true;
    SetWindowPos(handle_, nullptr, 0, 0, wr.right - wr.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    fitting_ = false;
    if (LWnd* top = GetTopLevel(); top && top->Redraw())
        top->Present();
    NoteRecord::ForChild(folder_, GetId(), NoteKey::kRichEdit)
        .WriteRect(NoteRect{wr.left, wr.top, wr.right, wr.top + height});
}

void LRichEditNI::OnMouseWheel(int keys, int delta, int x, int y) {
    SetScroll(scroll_x_, delta > 0 ? scroll_y_ - kWheelStep : scroll_y_ + kWheelStep);
    UpdateScrollBars();
}

LRESULT LRichEditNI::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LNotify::kScrollPos) {
        const int pos = static_cast<int>(lp);
        if (static_cast<int>(wp) == vbar_.GetId() && pos != scroll_y_)
            SetScroll(scroll_x_, pos);
        else if (static_cast<int>(wp) == hbar_.GetId() && pos != scroll_x_)
            SetScroll(pos, scroll_y_);
        return 0;
    }
    if (message == LNotify::kCommand) {
        RunCommand(static_cast<int>(wp));
        return 0;
    }
    if (message == LNotify::kScrollLostFocus && editing_) {
        // A menu of the box closed.
        CheckFocus();
        return 0;
    }
    return LRichEdit::OnNotify(message, wp, lp);
}

LRESULT LRichEditNI::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_ACTIVATE:
        // The focus call activates the box itself under Wine; the note's own activation is what
        // tells the box where the focus went.
        return DefWindowProcW(handle_, message, wp, lp);
    case RichItemMsg::kSetAlpha:
        alpha_ = std::clamp(static_cast<int>(lp), 0, 255);
        SetAlpha(alpha_);
        Refresh();
        return 0;
    case RichItemMsg::kSetRowIcon:
        if (lp)
            SetRowIconFile(reinterpret_cast<const wchar_t*>(lp));
        return 0;
    case RichItemMsg::kBarFont:
        ApplyBarFont(reinterpret_cast<Gdiplus::Font*>(wp), static_cast<int>(lp));
        return 0;
    case RichItemMsg::kBarColor:
        ApplyBarColor(static_cast<uint32_t>(wp), static_cast<int>(lp));
        return 0;
    default:
        break;
    }
    return LRichEdit::WindowProc(message, wp, lp);
}

void LRichEditNI::OnContextMenu(HWND window, int x, int y) {
    menu_point_ = POINT{x, y};
    SetTimer(handle_, kMenuTimer, kMenuDelayMs, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Commands

int LRichEditNI::Ask(const std::wstring& text, int flags, int id) {
    if (g_ask)
        return g_ask(handle_, text, flags, id);
    return ShowMessageBox(handle_, text, flags, id);
}

void LRichEditNI::RunCommand(int command) {
    using namespace RichItemCmd;
    if (command >= kLineHeightFirst && command <= kLineHeightLast) {
        SetLineHeightCommand(command);
        return;
    }
    switch (command) {
    case kCut:
        SendMessageW(handle_, WM_CUT, 0, 0);
        break;
    case kCopy:
        SendMessageW(handle_, WM_COPY, 0, 0);
        break;
    case kPaste:
        SendMessageW(handle_, WM_PASTE, 0, 0);
        break;
    case kDelete:
        DeleteContentCommand();
        break;
    case kFontDialog:
        ChooseFontDialog();
        break;
    case kColorDialog:
        ChooseColorDialog(false);
        break;
    case kHighlightDialog:
    case kHighlightDialogToo:
        ChooseColorDialog(true);
        break;
    case kClearHighlight:
        ApplyHighlight(0);
        modified_ = true;
        break;
    case kRowIconNone:
        RemoveRowIcon();
        break;
    case kRowIconManage:
        ShellExecuteW(nullptr, kOpen, RowIconDir(kRowIconSet).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        break;
    case kInsertPicture: {
        std::wstring path;
        if (AskOpenFileName(GetParent(handle_), kPictureFilter, kPictureTitle, path, OFN_NOCHANGEDIR))
            InsertPictureFile(path);
        break;
    }
    case kWrap:
        SetWrapAndSave(!wrap_);
        break;
    case kProtect:
        if (protected_)
            Unprotect(GetParent(handle_), true);
        else
            Protect(GetParent(handle_));
        break;
    default:
        break;
    }
}

void LRichEditNI::DeleteContentCommand() {
    if (!IsEmptyBox() && !(doc_.RowCount() == 1 && doc_.Row(0)->IsBlank() && !doc_.Row(0)->Icon())) {
        if (Ask(kDeleteQuestion, kMbYes | kMbNo, 0) != kMbYes)
            return;
        Clear();
        CreateRow(0);
        Reflow();
        Refresh();
    }
    GiveUpFocus();
}

bool LRichEditNI::InsertPictureFile(const std::wstring& path) {
    auto picture = LoadPicture(path);
    if (!picture || read_only_)
        return false;
    int w = 0, h = 0;
    FitPictureSize(static_cast<int>(picture->GetWidth()), static_cast<int>(picture->GetHeight()),
                   GetPictureMaxSide(), &w, &h);
    auto scaled = DrawPictureScaled(*picture, w, h);
    if (!scaled)
        return false;
    RemoveSelection(true, LRichEditOpGlyph::kKeyDelete);
    if (InsertPicture(scaled.get(), BlipTypeForFileName(path), caret_row_, caret_index_) != kResultOk)
        return false;
    Reflow();
    Refresh();
    OnChanged();
    Ask(kPictureNotice, kMbOk | kMbNoMoreShow, kPictureNoticeId);
    return true;
}

int LRichEditNI::GetPictureMaxSide() {
    return SysConfig::ReadImageMaxPixel(kPictureMaxSideDefault);
}

bool LRichEditNI::SetLineHeightCommand(int command) {
    if (command < RichItemCmd::kLineHeightFirst || command > RichItemCmd::kLineHeightLast)
        return false;
    const double multiple = kLineHeights[command - RichItemCmd::kLineHeightFirst];
    const int gap = static_cast<int>(multiple * kLineGapUnit + 1e-9);
    if (!SetLineGapWithUndo(gap))
        return false;
    Reflow();
    Refresh();
    OnChanged();
    return true;
}

int LRichEditNI::RowIconSide() const {
    return SysConfig::ReadRowIconMaxPixel();
}

void LRichEditNI::RecomputeIndent() {
    int indent = kNoIconIndent;
    for (int r = 0; r < doc_.RowCount(); ++r) {
        if (doc_.Row(r)->Icon() && doc_.Row(r)->IconSize() + kIconIndentPadding > kMinIconIndent)
            indent = std::max(indent, doc_.Row(r)->IconSize() + kIconIndentPadding);
    }
    if (indent == TextIndent())
        return;
    SetTextIndent(indent);
    const RECT rc = ClientRect();
    visible_width_ = rc.right - left_padding_ - TextIndent();
    painted_.clear();
}

bool LRichEditNI::SetRowIconFile(const std::wstring& path) {
    if (doc_.RowCount() == 0 || content_damaged_)
        return false;
    auto picture = LoadPicture(path);
    if (!picture)
        return false;
    const int side = RowIconSide();
    int w = 0, h = 0;
    FitPictureSize(static_cast<int>(picture->GetWidth()), static_cast<int>(picture->GetHeight()), side, &w,
                   &h);
    auto scaled = DrawPictureScaled(*picture, w, h);
    LGlyphImage* icon = scaled ? LGlyphImage::FromImage(scaled.get(), BlipTypeForFileName(path)) : nullptr;
    if (!icon)
        return false;
    LGlyphEditRow* row = doc_.Row(caret_row_);
    row->SetIconSize(side);
    row->SetIcon(icon);
    // The row's pixels are drawn again with the icon.
    painted_.erase(row);
    RecomputeIndent();
    Reflow();
    Refresh();
    SaveAll();
    if (!editing_)
        StartEditing(0, 0);
    else
        SetFocusWnd();
    return true;
}

bool LRichEditNI::RemoveRowIcon() {
    if (doc_.RowCount() == 0)
        return false;
    LGlyphEditRow* row = doc_.Row(caret_row_);
    if (!row->Icon())
        return false;
    row->RemoveIcon();
    painted_.erase(row);
    RecomputeIndent();
    Reflow();
    Refresh();
    SaveAll();
    return true;
}

void LRichEditNI::SetWrapAndSave(bool on) {
    SetWrap(on);
    NoteRecord::ForChild(folder_, GetId(), NoteKey::kRichEdit).WriteInt(NoteKey::kAutoChangeLine, on ? 1 : 0);
    UpdateScrollBars();
}

void LRichEditNI::SetMasks(bool on) {
    bool changed = false;
    for (int r = 0; r < doc_.RowCount(); ++r) {
        for (LGlyph* g : doc_.Row(r)->Children()) {
            if (g->IsChar() && g->Masked() != on) {
                g->SetMasked(on);
                changed = true;
            }
        }
    }
    if (changed)
        painted_.clear();
}

bool LRichEditNI::Protect(HWND dialog_parent) {
    if (protected_ || content_damaged_)
        return false;
    std::string token = token_;
    if (token.empty())
        token = DisplayPasswordHash();
    if (token.empty() && SetDisplayPasswordFromDialog(dialog_parent))
        token = DisplayPasswordHash();
    if (token.empty())
        return false;
    token_ = token;
    protected_ = true;
    SetMasks(true);
    Reflow();
    Refresh();
    NoteRecord::ForChild(folder_, GetId(), NoteKey::kRichEdit).WriteInt(NoteKey::kEncryptShow, 1);
    SaveContent();
    return true;
}

bool LRichEditNI::Unprotect(HWND dialog_parent, bool ask) {
    if (!protected_)
        return false;
    if (ask) {
        // A box written with another display password still opens with the one it was locked with.
        const std::string hash = token_.empty() ? DisplayPasswordHash() : token_;
        if (!CheckDisplayPassword(dialog_parent, hash))
            return false;
    }
    protected_ = false;
    SetMasks(false);
    Reflow();
    Refresh();
    NoteRecord::ForChild(folder_, GetId(), NoteKey::kRichEdit).WriteInt(NoteKey::kEncryptShow, 0);
    SaveContent();
    return true;
}

void LRichEditNI::ApplyBarFont(Gdiplus::Font* font, int flags) {
    if (!font)
        return;
    if (HasSelection()) {
        ApplyFont(font, flags, (flags & (kGrowSize | kShrinkSize)) ? kSizeStep : 0);
        Reflow();
        Refresh();
        OnChanged();
    } else {
        SetCurrentFont(font);
    }
    modified_ = true;
    if (editing_)
        SetFocusWnd();
}

void LRichEditNI::ApplyBarColor(uint32_t argb, int mode) {
    if (mode == kColorText) {
        const uint32_t opaque = argb | kOpaque;
        ApplyColor(opaque);
        if (caret_)
            caret_->SetColor(opaque);
    } else if (mode == kColorHighlight) {
        ApplyHighlight(argb);
    } else {
        return;
    }
    Reflow();
    Refresh();
    OnChanged();
    modified_ = true;
    if (editing_)
        SetFocusWnd();
}

bool LRichEditNI::ChooseFontDialog() {
    const FontEntry current = DescribeFont(font_);
    LOGFONTW lf{};
    lf.lfHeight = -current.size;
    lf.lfWeight = (current.style & Gdiplus::FontStyleBold) ? kBoldWeight : FW_NORMAL;
    lf.lfItalic = (current.style & Gdiplus::FontStyleItalic) ? TRUE : FALSE;
    lf.lfUnderline = (current.style & Gdiplus::FontStyleUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (current.style & Gdiplus::FontStyleStrikeout) ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(lf.lfFaceName, current.family.c_str(), LF_FACESIZE - 1);
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof(cf);
    cf.hwndOwner = GetParent(handle_);
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
    cf.rgbColors = ToColorRef(color_);
    if (!ChooseFontW(&cf))
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
    const int size = std::max(1, static_cast<int>(std::abs(lf.lfHeight)));
    Gdiplus::Font* font = FontRegistry::Instance().Get(lf.lfFaceName, size, style, Gdiplus::UnitPixel);
    int flags = kTakeFamily | kTakeSize;
    flags |= (style & Gdiplus::FontStyleBold) ? kSetBold : kClearBold;
    flags |= (style & Gdiplus::FontStyleItalic) ? kSetItalic : kClearItalic;
    flags |= (style & Gdiplus::FontStyleUnderline) ? kSetUnderline : kClearUnderline;
    flags |= (style & Gdiplus::FontStyleStrikeout) ? kSetStrikeout : kClearStrikeout;
    ApplyBarFont(font, flags);
    return true;
}

bool LRichEditNI::ChooseColorDialog(bool highlight) {
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = GetParent(handle_);
    COLORREF custom[CustomColors::kCount] = {};
    for (int i = 0; i < CustomColors::kCount; ++i)
        custom[i] = ToColorRef(CustomColors::Table()[i]);
    cc.lpCustColors = custom;
    cc.rgbResult = ToColorRef(highlight ? highlight_ : color_);
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorW(&cc))
        return false;
    for (int i = 0; i < CustomColors::kCount; ++i)
        CustomColors::Table()[i] = FromColorRef(custom[i]);
    CustomColors::Save();
    const uint32_t argb = FromColorRef(cc.rgbResult);
    ApplyBarColor(argb, highlight ? kColorHighlight : kColorText);
    // The bar shows the colour only now that the dialog accepted it.
    if (MerlaFcbtFF* window = MerlaFcbtFF::Instance())
        window->Bar().ApplyDialogColor(argb, highlight ? MerlaFCBT::kModeHighlight : MerlaFCBT::kModeText);
    if (!highlight)
        PostMessageW(GetParent(handle_), RichItemMsg::kTellNoteColor, argb, 0);
    return true;
}
