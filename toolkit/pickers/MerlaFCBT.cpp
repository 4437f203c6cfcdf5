#include "toolkit/pickers/MerlaFCBT.h"

#include "app/base/AppPaths.h"
#include "richtext/FontRegistry.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LGlyph.h"
#include "store/xml/CXmlDoc.h"
#include "toolkit/pickers/PickerLook.h"
#include "toolkit/pickers/PickerValues.h"

#include <gdiplus.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr wchar_t kSettingsFile[] = L"MerlaFCBT.xml";
constexpr wchar_t kTextColorKey[] = L"CurTextColor";
constexpr wchar_t kBkColorKey[] = L"CurBkColor";
constexpr uint32_t kBarBackground = 0xFFFFFFFF;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kFontPopupExStyle = WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOOLWINDOW;
constexpr DWORD kSizePopupExStyle = WS_EX_NOACTIVATE | WS_EX_LAYERED;
constexpr DWORD kColorPopupExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW;

struct Place {
    int x, y, width, height;
};
constexpr Place kNameBox{2, 2, 66, 20};
constexpr Place kFontArrow{67, 2, 20, 20};
constexpr Place kSizeBox{86, 2, 40, 20};
constexpr Place kSizeArrow{125, 2, 20, 20};
constexpr Place kGrow{145, 2, 20, 20};
constexpr Place kShrink{165, 2, 20, 20};
constexpr Place kBold{2, 25, 20, 20};
constexpr Place kItalic{22, 25, 20, 20};
constexpr Place kUnderline{42, 25, 20, 20};
constexpr Place kStrikeout{62, 25, 20, 20};
constexpr Place kHighlight{82, 25, 20, 20};
constexpr Place kHighlightArrow{102, 25, 20, 20};
constexpr Place kTextColor{122, 25, 20, 20};
constexpr Place kTextArrow{142, 25, 20, 20};

bool CreateChild(LWnd& child, int id, const Place& place, HWND parent) {
    return child.Create(id, L"", 0, kChild, place.x, place.y, place.width, place.height, parent);
}

void Refresh(LWnd& w) {
    if (w.Redraw())
        w.Present();
}

void SetBoxText(MerlaEdit& box, const std::wstring& text) {
    if (box.GetText() == text)
        return;
    box.SelectAll();
    box.RemoveSelection(false, 0);
    box.SetScroll(0, 0);
    box.InsertText(text, box.CaretRowIndex(), box.CaretGlyphIndex(), false);
    Refresh(box);
}

} // namespace

MerlaFCBTEdit::MerlaFCBTEdit() {
    // The whole height of the box is the line's.
    top_margin_ = 0;
    bottom_margin_ = 0;
}

bool MerlaFCBTEdit::Reflow() {
    const bool result = MerlaEdit::Reflow();
    FitLine();
    return result;
}

void MerlaFCBTEdit::FitLine() {
    const LGlyphEditRow* row = doc_.RowCount() > 0 ? doc_.Row(0) : nullptr;
    if (!row || !handle_)
        return;
    const int top = static_cast<int>(row->SlotTop());
    const int bottom = top + row->GetHeight();
    scroll_y_ = std::max(0, bottom - static_cast<int>(ClientRect().bottom));
    // The caret's line then counts as inside the box, so keeping the caret in view leaves it there.
    top_margin_ = std::min(0, top - scroll_y_);
}

MerlaFCBT::MerlaFCBT()
    : grow_(L"adda.png"), shrink_(L"dela.png"), bold_(L"b.png"), italic_(L"i.png"),
      underline_(L"underline.png"), strikeout_(L"k.png"), highlight_(L"bkcolor.png"),
      text_color_bt_(L"textcolor.png"), last_family_(kDefaultFontFamily), last_size_(kDefaultFontPixels) {
    SetObjectName(L"MerlaFCBT");
    for (MerlaBt* toggle : {&bold_, &italic_, &underline_, &strikeout_})
        toggle->SetToggle(true);
}

bool MerlaFCBT::CreateBar(HWND parent, int x, int y, int id) {
    return Create(id, L"", 0, kChild, x, y, kWidth, kHeight, parent);
}

std::wstring MerlaFCBT::SettingsPath() {
    return NormalSetDir() + kSettingsFile;
}

bool MerlaFCBT::OnCreate() {
    const bool ok = LWnd::OnCreate();
    HWND h = handle_;
    CreateChild(name_box_, 0, kNameBox, h);
    CreateChild(font_arrow_, kFontArrowId, kFontArrow, h);
    CreateChild(size_box_, 0, kSizeBox, h);
    CreateChild(size_arrow_, 0, kSizeArrow, h);
    CreateChild(grow_, 0, kGrow, h);
    CreateChild(shrink_, 0, kShrink, h);
    CreateChild(bold_, 0, kBold, h);
    CreateChild(italic_, 0, kItalic, h);
    CreateChild(underline_, 0, kUnderline, h);
    CreateChild(strikeout_, 0, kStrikeout, h);
    CreateChild(highlight_, 0, kHighlight, h);
    CreateChild(highlight_arrow_, kHighlightArrowId, kHighlightArrow, h);
    CreateChild(text_color_bt_, 0, kTextColor, h);
    CreateChild(text_arrow_, 0, kTextArrow, h);
    name_box_.Subscribe(MerlaEdit::kEditCommand, h);
    size_box_.Subscribe(MerlaEdit::kEditCommand, h);

    // The popups are owned by the bar's window: they stay above it and go with it.
    HWND owner = GetAncestor(h, GA_ROOT);
    font_popup_.Create(kFontPopupId, L"", kFontPopupExStyle, WS_POPUP, 0, 0, MerlaFontSel::kWidth,
                       MerlaFontSel::kHeight, owner);
    size_popup_.Create(kSizePopupId, L"", kSizePopupExStyle, WS_POPUP, 0, 0, MerlaSizeSel::kWidth,
                       MerlaSizeSel::kHeight, owner);
    color_popup_.Create(kColorPopupId, L"", kColorPopupExStyle, WS_POPUP, 0, 0, MerlaBKCColor::kWidth,
                        MerlaBKCColor::kHeight, owner);
    for (MerlaListSel* popup :
         {static_cast<MerlaListSel*>(&font_popup_), static_cast<MerlaListSel*>(&size_popup_)}) {
        popup->Subscribe(MerlaListSel::kChosen, h);
        popup->Subscribe(MerlaListSel::kClosed, h);
    }
    color_popup_.Subscribe(MerlaBKCColor::kColorChosen, h);
    color_popup_.Subscribe(MerlaBKCColor::kOtherColor, h);
    color_popup_.Subscribe(MerlaBKCColor::kClosed, h);

    LoadBarColors();
    SetFromFont(nullptr);
    return ok;
}

LSurface MerlaFCBT::RenderContent() {
    const RECT rc = ClientRect();
    return CreateSurface(handle_, rc.right, rc.bottom, kBarBackground);
}

// ---------------------------------------------------------------------------------------------
// Settings

void MerlaFCBT::LoadBarColors() {
    CXmlDoc doc;
    if (!doc.Load(SettingsPath()) || !doc.FindNext(GetObjectName()) || !doc.Into())
        return;
    std::wstring text;
    uint32_t argb = 0;
    if (doc.GetChildText(kTextColorKey, text) && ParseArgbText(text, argb))
        text_color_ = argb;
    doc.Rewind();
    if (doc.GetChildText(kBkColorKey, text) && ParseArgbText(text, argb))
        bk_color_ = argb;
    text_color_bt_.SetColor(text_color_);
    highlight_.SetColor(bk_color_);
}

void MerlaFCBT::SaveTextColor() {
    CXmlDoc doc;
    if (OpenSettings(doc) && doc.Into() && doc.SetChildText(kTextColorKey, ArgbText(text_color_)))
        doc.Save(SettingsPath());
}

void MerlaFCBT::SaveBkColor() {
    CXmlDoc doc;
    if (OpenSettings(doc) && doc.Into() && doc.SetChildText(kBkColorKey, ArgbText(bk_color_)))
        doc.Save(SettingsPath());
}

// ---------------------------------------------------------------------------------------------
// The font the bar shows

void MerlaFCBT::SetFromFont(const Gdiplus::Font* font) {
    std::wstring family = kDefaultFontFamily;
    double size = kDefaultFontPixels;
    int style = Gdiplus::FontStyleRegular;
    if (font) {
        // The name the engine knows the font by, not the one a substituted family answers with.
        const FontEntry entry = DescribeFont(font);
        if (!entry.family.empty())
            family = entry.family;
        size = std::clamp(std::trunc(static_cast<double>(font->GetSize())), kMinFontSize, kMaxBoxSize);
        style = font->GetStyle();
    }
    // What the text already holds counts as valid, installed or not: only typed names are checked.
    last_family_ = family;
    last_size_ = size;
    SetBoxText(name_box_, family);
    SetSizeBox(size);
    const std::pair<MerlaBt*, int> toggles[] = {{&bold_, Gdiplus::FontStyleBold},
                                                {&italic_, Gdiplus::FontStyleItalic},
                                                {&underline_, Gdiplus::FontStyleUnderline},
                                                {&strikeout_, Gdiplus::FontStyleStrikeout}};
    for (const auto& [toggle, bit] : toggles) {
        toggle->SetSelected((style & bit) != 0);
        if (toggle->GetHandle())
            Refresh(*toggle);
    }
}

double MerlaFCBT::EffectiveSize() {
    double size = 0;
    if (ParseSizeText(size_box_.GetText(), size) && size >= kMinBoxSize && size <= kMaxBoxSize)
        last_size_ = size;
    return last_size_;
}

Gdiplus::Font* MerlaFCBT::GetBarFont() {
    const std::wstring typed = name_box_.GetText();
    if (IsFamilyInstalled(typed))
        last_family_ = typed;
    int style = Gdiplus::FontStyleRegular;
    if (bold_.IsSelected())
        style |= Gdiplus::FontStyleBold;
    if (italic_.IsSelected())
        style |= Gdiplus::FontStyleItalic;
    if (underline_.IsSelected())
        style |= Gdiplus::FontStyleUnderline;
    if (strikeout_.IsSelected())
        style |= Gdiplus::FontStyleStrikeout;
    // The engine keeps whole pixel sizes.
    return FontRegistry::Instance().Get(last_family_, static_cast<int>(EffectiveSize()), style,
                                        Gdiplus::UnitPixel);
}

void MerlaFCBT::SetSizeBox(double size) {
    SetBoxText(size_box_, SizeText(size));
}

void MerlaFCBT::NormaliseBoxes() {
    const std::wstring typed = name_box_.GetText();
    if (IsFamilyInstalled(typed))
        last_family_ = typed;
    else
        SetBoxText(name_box_, last_family_);
    double size = 0;
    const bool number = ParseSizeText(size_box_.GetText(), size);
    // A size below 8 that shrinking left in the box is the last valid size and stays as it is.
    if (!number || size != EffectiveSize())
        SetSizeBox(last_size_);
}

// ---------------------------------------------------------------------------------------------
// Actions

HWND MerlaFCBT::ParentHandle() const {
    return GetParent(handle_);
}

void MerlaFCBT::PostFontChange(int flags) {
    PostMessageW(ParentHandle(), kFontChanged, 0, static_cast<LPARAM>(flags));
}

void MerlaFCBT::OnToggle(MerlaBt& toggle, int set_bit, int clear_bit) {
    // The button flipped its checked state itself before telling the bar.
    NormaliseBoxes();
    Refresh(toggle);
    PostFontChange(toggle.IsSelected() ? set_bit : clear_bit);
}

void MerlaFCBT::OnGrowShrink(bool grow) {
    NormaliseBoxes();
    const double now = EffectiveSize();
    const double size =
        grow ? std::min(now + kSizeStep, kMaxBoxSize) : (now < kShrinkFloor ? kMinFontSize : now - kSizeStep);
    last_size_ = size;
    SetSizeBox(size);
    PostFontChange(grow ? kGrowSize : kShrinkSize);
}

void MerlaFCBT::OnNameEnter() {
    const std::wstring typed = name_box_.GetText();
    if (!IsFamilyInstalled(typed)) {
        // An unknown family is not handed out: the box shows the last one that was.
        SetBoxText(name_box_, last_family_);
        return;
    }
    last_family_ = typed;
    PostFontChange(kTakeFamily);
}

void MerlaFCBT::OnSizeEnter() {
    double size = 0;
    if (ParseSizeText(size_box_.GetText(), size))
        last_size_ = std::clamp(size, kMinBoxSize, kMaxBoxSize);
    SetSizeBox(last_size_);
    PostFontChange(kTakeSize);
}

void MerlaFCBT::OnPopupChoice(int popup_id) {
    if (popup_id == font_popup_.GetId()) {
        const std::wstring family = font_popup_.GetChosen();
        font_popup_.ClosePopup();
        if (!IsFamilyInstalled(family))
            return;
        last_family_ = family;
        SetBoxText(name_box_, family);
        PostFontChange(kTakeFamily);
    } else if (popup_id == size_popup_.GetId()) {
        size_popup_.ClosePopup();
        double size = 0;
        if (!ParseSizeText(size_popup_.GetChosen(), size) || size < kMinBoxSize || size > kMaxBoxSize)
            return;
        last_size_ = size;
        SetSizeBox(size);
        PostFontChange(kTakeSize);
    }
}

void MerlaFCBT::SetColorOf(int mode, uint32_t argb) {
    if (mode == kModeHighlight) {
        bk_color_ = argb;
        highlight_.SetColor(argb);
        Refresh(highlight_);
        SaveBkColor();
    } else {
        text_color_ = argb;
        text_color_bt_.SetColor(argb);
        Refresh(text_color_bt_);
        SaveTextColor();
    }
}

void MerlaFCBT::OnPopupColor(uint32_t argb) {
    color_popup_.ClosePopup();
    SetColorOf(color_mode_, argb);
    PostMessageW(ParentHandle(), kColorChanged, static_cast<WPARAM>(argb), static_cast<LPARAM>(color_mode_));
}

void MerlaFCBT::OnOtherColor() {
    // Nothing changes before the parent's colour dialog is accepted (ApplyDialogColor).
    color_popup_.ClosePopup();
    PostMessageW(ParentHandle(), LNotify::kCommand,
                 static_cast<WPARAM>(color_mode_ == kModeHighlight ? kCmdOtherBkColor : kCmdOtherTextColor),
                 0);
}

void MerlaFCBT::ApplyDialogColor(uint32_t argb, int mode) {
    SetColorOf(mode, argb);
    color_popup_.Grid().AddRecentColor(argb, color_popup_.IsOpen());
}

int MerlaFCBT::PopupIdOf(int arrow_id) {
    if (arrow_id == font_arrow_.GetId())
        return kFontPopupId;
    if (arrow_id == size_arrow_.GetId())
        return kSizePopupId;
    if (arrow_id == highlight_arrow_.GetId() || arrow_id == text_arrow_.GetId())
        return kColorPopupId;
    return 0;
}

int MerlaFCBT::GetOpenPopup() const {
    if (font_popup_.IsOpen())
        return kFontPopupId;
    if (size_popup_.IsOpen())
        return kSizePopupId;
    if (color_popup_.IsOpen())
        return kColorPopupId;
    return 0;
}

void MerlaFCBT::HidePopups() {
    font_popup_.ClosePopup();
    size_popup_.ClosePopup();
    color_popup_.ClosePopup();
}

void MerlaFCBT::OpenPopupFor(int arrow_id) {
    const int popup = PopupIdOf(arrow_id);
    if (!popup)
        return;
    const bool same_colour_arrow =
        popup == kColorPopupId &&
        color_mode_ == (arrow_id == highlight_arrow_.GetId() ? kModeHighlight : kModeText);
    const bool toggled_off = open_at_press_ == popup && (popup != kColorPopupId || same_colour_arrow);
    open_at_press_ = 0;
    HidePopups();
    // The press that closed this very popup on its way to the arrow only closes it.
    if (toggled_off)
        return;
    RECT r{};
    for (MerlaBtLB* a : {&font_arrow_, &size_arrow_, &highlight_arrow_, &text_arrow_})
        if (a->GetId() == arrow_id)
            r = a->WindowRect();
    int width = 0;
    if (popup == kFontPopupId)
        width = MerlaFontSel::kWidth;
    else if (popup == kSizePopupId)
        width = MerlaSizeSel::kWidth;
    else
        width = MerlaBKCColor::kWidth;
    // Below the arrow, kept on the virtual screen sideways.
    const int vx = GetSystemMetrics(SM_XVIRTUALSCREEN), vw = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int x = std::max(vx, std::min<int>(r.left, vx + vw - width));
    const int y = r.bottom + 1;
    if (popup == kFontPopupId) {
        font_popup_.OpenAt(x, y, name_box_.GetText());
    } else if (popup == kSizePopupId) {
        size_popup_.OpenAt(x, y, size_box_.GetText());
    } else {
        color_mode_ = arrow_id == highlight_arrow_.GetId() ? kModeHighlight : kModeText;
        color_popup_.OpenAt(x, y, color_mode_ == kModeHighlight);
    }
}

bool MerlaFCBT::OwnsPopup(const LWnd* window) const {
    if (!window)
        return false;
    const LWnd* popups[] = {&font_popup_, &size_popup_, &color_popup_};
    for (const LWnd* p : popups)
        if (window == p || p->Contains(window))
            return true;
    return false;
}

bool MerlaFCBT::HoldsWindow(const LWnd* window) const {
    return window && (window == this || Contains(window) || OwnsPopup(window));
}

LRESULT MerlaFCBT::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_PARENTNOTIFY:
        // Seen before the press moves the focus, which closes an open popup.
        if (LOWORD(wp) == WM_LBUTTONDOWN)
            open_at_press_ = GetOpenPopup();
        break;
    case MerlaBtLB::kArrowClicked:
        OpenPopupFor(static_cast<int>(wp));
        return 0;
    case MerlaEdit::kEditCommand:
        if (static_cast<int>(lp) == name_box_.GetId())
            OnNameEnter();
        else if (static_cast<int>(lp) == size_box_.GetId())
            OnSizeEnter();
        return 0;
    case MerlaListSel::kChosen:
        OnPopupChoice(static_cast<int>(lp));
        return 0;
    case MerlaBKCColor::kColorChosen:
        OnPopupColor(static_cast<uint32_t>(wp));
        return 0;
    case MerlaBKCColor::kOtherColor:
        OnOtherColor();
        return 0;
    default:
        break;
    }
    return LWnd::WindowProc(message, wp, lp);
}

LRESULT MerlaFCBT::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LNotify::kCommand || message == LNotify::kScrollLostFocus) {
        PostMessageW(ParentHandle(), message, wp, lp);
        return 0;
    }
    if (message != LNotify::kButtonClicked)
        return LWnd::OnNotify(message, wp, lp);
    const int id = static_cast<int>(wp);
    if (id == bold_.GetId())
        OnToggle(bold_, kSetBold, kClearBold);
    else if (id == italic_.GetId())
        OnToggle(italic_, kSetItalic, kClearItalic);
    else if (id == underline_.GetId())
        OnToggle(underline_, kSetUnderline, kClearUnderline);
    else if (id == strikeout_.GetId())
        OnToggle(strikeout_, kSetStrikeout, kClearStrikeout);
    else if (id == grow_.GetId())
        OnGrowShrink(true);
    else if (id == shrink_.GetId())
        OnGrowShrink(false);
    else if (id == text_color_bt_.GetId())
        SendMessageW(ParentHandle(), kColorChanged, static_cast<WPARAM>(text_color_), kModeText);
    else if (id == highlight_.GetId())
        SendMessageW(ParentHandle(), kColorChanged, static_cast<WPARAM>(bk_color_), kModeHighlight);
    else if (PopupIdOf(id))
        OpenPopupFor(id); // the arrow buttons carry no text: all of them is the arrow
    return 0;
}
