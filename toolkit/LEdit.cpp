#include "toolkit/LEdit.h"

#include "toolkit/LCaret.h"
#include "toolkit/MerlaDraw.h"
#include "toolkit/UiLook.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int kNoWrap = 0x1000;       // StringFormatFlagsNoWrap
constexpr int kMaxRangesPerCall = 32; // GDI+ measures at most this many ranges at once
constexpr uint32_t kAlphaMask = 0xFF000000;
constexpr uint32_t kWideAlpha = 0xDE; // a theme colour this opaque would hide the text
constexpr uint32_t kCappedAlpha = 110;
constexpr int kClipboardTries = 10; // another process may hold the clipboard for a moment
constexpr DWORD kClipboardRetryMs = 10;
constexpr wchar_t kCarriageReturn = L'\r';
constexpr wchar_t kBackspace = L'\b';
constexpr wchar_t kEscape = 0x1B;
constexpr wchar_t kFirstPrintable = 0x20;
constexpr float kHugeExtent = 1.0e6f;

bool KeyDown(int key) {
    return GetKeyState(key) < 0;
}

uint32_t SelectionColor() {
    const uint32_t alpha = kThemeColor >> 24;
    const uint32_t replaced = alpha >= kWideAlpha ? kCappedAlpha : alpha / 2;
    return (replaced << 24) | (kThemeColor & ~kAlphaMask);
}

// The clipboard opened for the window for the guard's lifetime.
class ClipboardLock {
public:
    explicit ClipboardLock(HWND owner) {
        for (int i = 0; i < kClipboardTries && !open_; ++i) {
            open_ = OpenClipboard(owner) != FALSE;
            if (!open_)
                Sleep(kClipboardRetryMs);
        }
    }
    ~ClipboardLock() {
        if (open_)
            CloseClipboard();
    }
    ClipboardLock(const ClipboardLock&) = delete;
    ClipboardLock& operator=(const ClipboardLock&) = delete;
    bool ok() const { return open_; }

private:
    bool open_ = false;
};

// A global memory block freed unless the clipboard took it.
class GlobalBlock {
public:
    explicit GlobalBlock(size_t bytes) : handle_(GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
    ~GlobalBlock() {
        if (handle_)
            GlobalFree(handle_);
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    HGLOBAL get() const { return handle_; }
    HGLOBAL release() { return std::exchange(handle_, nullptr); }

private:
    HGLOBAL handle_;
};

std::wstring ToClipboardText(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c == LEdit::kLineFeed)
            out += kCarriageReturn;
        out += c;
    }
    return out;
}

std::wstring FromClipboardText(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == kCarriageReturn) {
            out += LEdit::kLineFeed;
            if (i + 1 < text.size() && text[i + 1] == LEdit::kLineFeed)
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

LEdit::LEdit() : color_(kDefaultTextColor) {
    SetObjectName(L"LEdit");
    MakeFont();
    lines_.push_back(Line{});
}

LEdit::~LEdit() = default;

bool LEdit::CreateEdit(int id, HWND parent, const RECT& rect, bool visible) {
    return Create(id, L"", 0, WS_CHILD | (visible ? WS_VISIBLE : 0), rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top, parent);
}

bool LEdit::OnCreate() {
    const bool ok = LWndMoveResize::OnCreate();
    const RECT rc = ClientRect();
    vbar_.Create(0, L"", 0, WS_CHILD, rc.right - kBarThickness, 0, kBarThickness, rc.bottom, handle_);
    hbar_.Create(0, L"", 0, WS_CHILD, 0, rc.bottom - kBarThickness, rc.right, kBarThickness, handle_);
    vbar_.SetThumbColor(kThemeColor);
    hbar_.SetThumbColor(kThemeColor);
    Relayout();
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Font, colour and text

void LEdit::MakeFont() {
    Gdiplus::FontFamily family(family_.c_str());
    if (family.GetLastStatus() == Gdiplus::Ok)
        font_ = std::make_unique<Gdiplus::Font>(&family, em_size_, style_, static_cast<Gdiplus::Unit>(unit_));
    // A family that is not installed measures every text as 0 wide: the generic one stands in.
    if (!font_ || font_->GetLastStatus() != Gdiplus::Ok) {
        std::unique_ptr<Gdiplus::FontFamily> generic(Gdiplus::FontFamily::GenericSansSerif()->Clone());
        font_ = std::make_unique<Gdiplus::Font>(generic.get(), em_size_, style_,
                                                static_cast<Gdiplus::Unit>(unit_));
    }
}

void LEdit::SetFont(const std::wstring& family, float em_size, int style, int unit) {
    family_ = family.empty() ? std::wstring(kDefaultFamily) : family;
    em_size_ = em_size > 0 ? em_size : kDefaultEmSize;
    style_ = style;
    unit_ = unit;
    MakeFont();
    Relayout();
    Refresh();
}

void LEdit::SetColor(uint32_t argb) {
    color_ = argb;
    if (caret_wnd_)
        caret_wnd_->SetColor(color_);
    Refresh();
}

void LEdit::SetText(std::wstring text) {
    text_ = std::move(text);
    undo_.clear();
    undo_cursor_ = 0;
    caret_ = anchor_ = std::min(caret_, static_cast<int>(text_.size()));
    Relayout();
    Refresh();
}

void LEdit::SetSelection(int anchor, int caret) {
    const int n = static_cast<int>(text_.size());
    anchor_ = std::clamp(anchor, 0, n);
    caret_ = std::clamp(caret, 0, n);
    EnsureCaretVisible();
    Refresh();
    if (HasSelection())
        HideCaretWindow();
    else if (Focused() == this)
        ShowCaretWindow();
}

// ---------------------------------------------------------------------------------------------
// Layout and hit testing

void LEdit::Relayout() {
    LSurface probe(1, 1);
    if (!probe || !font_)
        return;
    Gdiplus::Graphics g(probe.dc());
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    format_ = MakeTabbedFormat(text_, kAlignNear, kAlignNear);
    format_->SetTrimming(Gdiplus::StringTrimmingNone);
    format_->SetFormatFlags(format_->GetFormatFlags() | kNoWrap);

    // The pitch of the lines as the drawing will space them.
    const wchar_t two_lines[] = L"x\nx";
    const Gdiplus::CharacterRange probes[] = {{0, 1}, {2, 1}};
    format_->SetMeasurableCharacterRanges(2, probes);
    Gdiplus::Region regions[2];
    const Gdiplus::RectF huge(0, 0, kHugeExtent, kHugeExtent);
    line_pitch_ = font_->GetHeight(&g);
    if (g.MeasureCharacterRanges(two_lines, 3, font_.get(), huge, format_.get(), 2, regions) == Gdiplus::Ok) {
        Gdiplus::RectF a, b;
        regions[0].GetBounds(&a, &g);
        regions[1].GetBounds(&b, &g);
        if (b.Y > a.Y)
            line_pitch_ = b.Y - a.Y;
    }
    if (line_pitch_ <= 0)
        line_pitch_ = em_size_;

    lines_.clear();
    int start = 0;
    for (int i = 0; i <= static_cast<int>(text_.size()); ++i) {
        if (i == static_cast<int>(text_.size()) || text_[static_cast<size_t>(i)] == kLineFeed) {
            lines_.push_back(Line{start, i - start});
            start = i + 1;
        }
    }
    boxes_.assign(text_.size(), Gdiplus::RectF());
    float widest = 0;
    for (size_t i = 0; i < lines_.size(); ++i) {
        MeasureLine(g, lines_[i], kTopMargin + static_cast<float>(i) * line_pitch_);
        const Line& l = lines_[i];
        if (l.length > 0) {
            const Gdiplus::RectF& last = boxes_[static_cast<size_t>(l.start + l.length - 1)];
            widest = std::max(widest, last.X + last.Width - kLeftMargin);
        }
    }

    // Measured first in a box the size of the screen, the content then covers the window too.
    const Gdiplus::RectF screen(0, 0, static_cast<float>(GetSystemMetrics(SM_CXSCREEN)),
                                static_cast<float>(GetSystemMetrics(SM_CYSCREEN)));
    Gdiplus::RectF bounds;
    g.MeasureString(text_.c_str(), static_cast<INT>(text_.size()), font_.get(), screen, format_.get(),
                    &bounds);
    const float text_w = std::max(bounds.Width, widest);
    const float text_h = std::max(bounds.Height, static_cast<float>(lines_.size()) * line_pitch_);
    const RECT rc = handle_ ? ClientRect() : RECT{};
    content_width_ =
        std::max<int>(static_cast<int>(std::ceil(text_w)) + 1 + kLeftMargin + kRightMargin, rc.right);
    content_height_ =
        std::max<int>(static_cast<int>(std::ceil(text_h)) + 1 + kTopMargin + kBottomMargin, rc.bottom);
    scroll_x_ = std::clamp(scroll_x_, 0, std::max(content_width_ - static_cast<int>(rc.right), 0));
    scroll_y_ = std::clamp(scroll_y_, 0, std::max(content_height_ - static_cast<int>(rc.bottom), 0));
    UpdateBars();
    PlaceCaretWindow();
}

void LEdit::MeasureLine(Gdiplus::Graphics& g, const Line& line, float top) {
    const wchar_t* chars = text_.c_str() + line.start;
    const Gdiplus::RectF huge(0, 0, kHugeExtent, kHugeExtent);
    float right = kLeftMargin;
    for (int first = 0; first < line.length; first += kMaxRangesPerCall) {
        const int count = std::min(kMaxRangesPerCall, line.length - first);
        Gdiplus::CharacterRange ranges[kMaxRangesPerCall];
        for (int k = 0; k < count; ++k)
            ranges[k] = Gdiplus::CharacterRange(first + k, 1);
        format_->SetMeasurableCharacterRanges(count, ranges);
        Gdiplus::Region regions[kMaxRangesPerCall];
        const bool measured = g.MeasureCharacterRanges(chars, line.length, font_.get(), huge, format_.get(),
                                                       count, regions) == Gdiplus::Ok;
        for (int k = 0; k < count; ++k) {
            Gdiplus::RectF r;
            if (measured)
                regions[k].GetBounds(&r, &g);
            // A character GDI+ gives no box to (measured as nothing) stands at the previous one's end.
            const float x = r.Width > 0 ? r.X + kLeftMargin : right;
            boxes_[static_cast<size_t>(line.start + first + k)] =
                Gdiplus::RectF(x, top, r.Width, line_pitch_);
            right = std::max(right, x + r.Width);
        }
    }
    if (line.start + line.length < static_cast<int>(text_.size()))
        boxes_[static_cast<size_t>(line.start + line.length)] = Gdiplus::RectF(right, top, 0, line_pitch_);
}

int LEdit::LineOf(int position) const {
    auto it = std::upper_bound(lines_.begin(), lines_.end(), position,
                               [](int p, const Line& l) { return p < l.start; });
    return it == lines_.begin() ? 0 : static_cast<int>(it - lines_.begin()) - 1;
}

int LEdit::PositionFromPoint(int x, int y) const {
    if (lines_.empty())
        return 0;
    const float cx = static_cast<float>(x + scroll_x_), cy = static_cast<float>(y + scroll_y_);
    const int index = static_cast<int>(std::floor((cy - kTopMargin) / line_pitch_));
    const Line& line = lines_[static_cast<size_t>(std::clamp(index, 0, static_cast<int>(lines_.size()) - 1))];
    for (int i = line.start; i < line.start + line.length; ++i) {
        const Gdiplus::RectF& b = boxes_[static_cast<size_t>(i)];
        if (cx < b.X + b.Width / 2)
            return i;
    }
    return line.start + line.length;
}

RECT LEdit::CaretRect(int position) const {
    const int p = std::clamp(position, 0, static_cast<int>(text_.size()));
    const int index = LineOf(p);
    const Line& line = lines_[static_cast<size_t>(index)];
    float x = kLeftMargin;
    if (p < static_cast<int>(text_.size()))
        x = boxes_[static_cast<size_t>(p)].X;
    else if (p > line.start)
        x = boxes_[static_cast<size_t>(p - 1)].X + boxes_[static_cast<size_t>(p - 1)].Width;
    const float top = kTopMargin + static_cast<float>(index) * line_pitch_;
    const int left = static_cast<int>(std::lround(x)) - scroll_x_;
    const int t = static_cast<int>(std::lround(top)) - scroll_y_;
    return RECT{left, t, left + 1, t + static_cast<int>(std::lround(line_pitch_))};
}

// ---------------------------------------------------------------------------------------------
// Scrolling

void LEdit::UpdateBars() {
    if (!vbar_.GetHandle() || !hbar_.GetHandle())
        return;
    const RECT rc = ClientRect();
    vbar_.SetRange(0, content_height_);
    hbar_.SetRange(0, content_width_);
    vbar_.SetScrollPos(scroll_y_);
    hbar_.SetScrollPos(scroll_x_);
    const bool v = content_height_ > rc.bottom, h = content_width_ > rc.right;
    if (v != vbar_.IsShown())
        vbar_.Show(v ? SW_SHOWNA : SW_HIDE);
    if (h != hbar_.IsShown())
        hbar_.Show(h ? SW_SHOWNA : SW_HIDE);
}

void LEdit::SetScroll(int x, int y) {
    const RECT rc = ClientRect();
    scroll_x_ = std::clamp(x, 0, std::max(content_width_ - static_cast<int>(rc.right), 0));
    scroll_y_ = std::clamp(y, 0, std::max(content_height_ - static_cast<int>(rc.bottom), 0));
    UpdateBars();
    PlaceCaretWindow();
    Refresh();
}

void LEdit::EnsureCaretVisible() {
    const RECT rc = ClientRect();
    const RECT c = CaretRect(caret_); // client coordinates at the current scroll
    int x = scroll_x_, y = scroll_y_;
    if (c.top < kTopMargin)
        y += c.top - kTopMargin;
    else if (c.bottom > rc.bottom - kBottomMargin)
        y += c.bottom - (rc.bottom - kBottomMargin);
    if (c.left < kLeftMargin)
        x += c.left - kLeftMargin;
    else if (c.left > rc.right - kRightMargin)
        x += c.left - (rc.right - kRightMargin);
    scroll_x_ = std::clamp(x, 0, std::max(content_width_ - static_cast<int>(rc.right), 0));
    scroll_y_ = std::clamp(y, 0, std::max(content_height_ - static_cast<int>(rc.bottom), 0));
    UpdateBars();
}

void LEdit::OnMouseWheel(int, int delta, int, int) {
    SetScroll(scroll_x_, delta > 0 ? scroll_y_ - kWheelStep : scroll_y_ + kWheelStep);
}

LRESULT LEdit::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LNotify::kScrollPos) {
        // The bar's own position, not the posted one: the edit moves the bars too, and a position
        // posted before such a move would scroll back to where it no longer is.
        if (static_cast<int>(wp) == vbar_.GetId() && vbar_.GetPos() != scroll_y_)
            SetScroll(scroll_x_, vbar_.GetPos());
        else if (static_cast<int>(wp) == hbar_.GetId() && hbar_.GetPos() != scroll_x_)
            SetScroll(hbar_.GetPos(), scroll_y_);
        return 0;
    }
    return LWndMoveResize::OnNotify(message, wp, lp);
}

// ---------------------------------------------------------------------------------------------
// Painting and the caret window

LSurface LEdit::RenderContent() {
    const RECT rc = ClientRect();
    LSurface s = CreateSurface(handle_, rc.right, rc.bottom, 0);
    if (!s || !font_ || !format_)
        return s;
    if (HasSelection()) {
        const uint32_t fill = SelectionColor();
        for (int i = std::min(caret_, anchor_); i < std::max(caret_, anchor_); ++i) {
            const Gdiplus::RectF& b = boxes_[static_cast<size_t>(i)];
            const int left = static_cast<int>(std::floor(b.X)),
                      right = static_cast<int>(std::ceil(b.X + b.Width));
            const int top = static_cast<int>(std::lround(b.Y)),
                      bottom = static_cast<int>(std::lround(b.Y + b.Height));
            s.FillRect(left - scroll_x_, top - scroll_y_, right - left, bottom - top, fill);
        }
    }
    auto bitmap = s.MakeBitmap();
    Gdiplus::Graphics g(bitmap.get());
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    Gdiplus::SolidBrush brush{Gdiplus::Color(color_)};
    // Only the lines in view go to DrawString: GDI+ lays out and renders every line it is given,
    // seen or not, and a long text would make every keystroke slow.
    const int count = static_cast<int>(lines_.size());
    const int first =
        std::clamp(static_cast<int>(std::floor((scroll_y_ - kTopMargin) / line_pitch_)), 0, count - 1);
    const int last = std::clamp(
        static_cast<int>(std::ceil((scroll_y_ + rc.bottom - kTopMargin) / line_pitch_)), first, count - 1);
    const int from = lines_[static_cast<size_t>(first)].start;
    const int to = lines_[static_cast<size_t>(last)].start + lines_[static_cast<size_t>(last)].length;
    const Gdiplus::RectF layout(static_cast<float>(kLeftMargin - scroll_x_),
                                kTopMargin + static_cast<float>(first) * line_pitch_ -
                                    static_cast<float>(scroll_y_),
                                static_cast<float>(content_width_), static_cast<float>(content_height_));
    g.DrawString(text_.c_str() + from, to - from, font_.get(), layout, format_.get(), &brush);
    return s;
}

void LEdit::Refresh() {
    if (!handle_ || !IsShown())
        return;
    if (Redraw())
        Present();
}

void LEdit::PlaceCaretWindow() {
    if (!caret_wnd_ || !handle_ || !caret_wnd_->IsVisible())
        return;
    RECT c = CaretRect(caret_);
    MapWindowPoints(handle_, nullptr, reinterpret_cast<POINT*>(&c), 2);
    caret_wnd_->Place(c.left, c.top, c.bottom - c.top);
}

void LEdit::ShowCaretWindow() {
    if (!handle_ || HasSelection() || !IsShown())
        return;
    if (!caret_wnd_) {
        caret_wnd_ = std::make_unique<LCaret>();
        if (!caret_wnd_->CreateFor(handle_)) {
            caret_wnd_.reset();
            return;
        }
    }
    caret_wnd_->SetColor(color_);
    RECT c = CaretRect(caret_);
    MapWindowPoints(handle_, nullptr, reinterpret_cast<POINT*>(&c), 2);
    caret_wnd_->Place(c.left, c.top, c.bottom - c.top, false);
    caret_wnd_->ShowCaret();
}

void LEdit::HideCaretWindow() {
    if (caret_wnd_)
        caret_wnd_->Hide();
}

void LEdit::DestroyCaretWindow() {
    caret_wnd_.reset();
}

bool LEdit::OnSize(UINT type, int width, int height) {
    const bool changed = LWndMoveResize::OnSize(type, width, height);
    if (vbar_.GetHandle())
        MoveWindow(vbar_.GetHandle(), width - kBarThickness, 0, kBarThickness, height, FALSE);
    if (hbar_.GetHandle())
        MoveWindow(hbar_.GetHandle(), 0, height - kBarThickness, width, kBarThickness, FALSE);
    Relayout();
    Refresh();
    return changed;
}

void LEdit::OnMove(int x, int y) {
    LWndMoveResize::OnMove(x, y);
    PlaceCaretWindow();
}

// ---------------------------------------------------------------------------------------------
// Focus and mouse

void LEdit::OnSetFocus(LWnd* previous) {
    LWndMoveResize::OnSetFocus(previous);
    ShowCaretWindow();
}

bool LEdit::OnKillFocus(LWnd* new_focus) {
    const bool result = LWndMoveResize::OnKillFocus(new_focus);
    HideCaretWindow();
    Refresh();
    return result;
}

void LEdit::MoveResizeHitTest(int x, int y, const RECT& window_rect) {
    LWndMoveResize::MoveResizeHitTest(x, y, window_rect);
    if (!drag_active_ && sizing_edges_ == 0 && cursor_type_ == kCursorNormal)
        SetCursorType(kCursorText);
}

void LEdit::OnLButtonDown(WPARAM keys, int x, int y) {
    LWndMoveResize::OnLButtonDown(keys, x, y);
    if (IsResizing() || IsMoving())
        return;
    const bool had_selection = HasSelection();
    caret_ = anchor_ = PositionFromPoint(x, y);
    selecting_ = true;
    HideCaretWindow();
    if (had_selection)
        Refresh();
}

void LEdit::OnMouseMove(WPARAM keys, int x, int y) {
    LWndMoveResize::OnMouseMove(keys, x, y);
    if (!selecting_ || !(keys & MK_LBUTTON))
        return;
    const int p = PositionFromPoint(x, y);
    if (p == caret_)
        return;
    caret_ = p;
    Refresh();
}

void LEdit::OnLButtonUp(WPARAM keys, int x, int y) {
    LWndMoveResize::OnLButtonUp(keys, x, y);
    if (!selecting_)
        return;
    selecting_ = false;
    if (!HasSelection())
        ShowCaretWindow();
}

// ---------------------------------------------------------------------------------------------
// Keys and characters

bool LEdit::PreTranslateMessage(MSG* msg) {
    if (!msg || msg->hwnd != handle_ || msg->message != WM_KEYDOWN)
        return false;
    return HandleKey(static_cast<UINT>(msg->wParam));
}

LRESULT LEdit::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_CHAR:
        TypeChar(static_cast<wchar_t>(wp));
        return 0;
    case WM_KEYDOWN:
        if (HandleKey(static_cast<UINT>(wp)))
            return 0;
        break;
    case WM_COPY:
    case WM_CUT:
        CopySelection(message == WM_CUT);
        return 0;
    case WM_PASTE:
        Paste();
        return 0;
    default:
        break;
    }
    return LWndMoveResize::WindowProc(message, wp, lp);
}

bool LEdit::HandleKey(UINT key) {
    const bool ctrl = KeyDown(VK_CONTROL), shift = KeyDown(VK_SHIFT);
    const int n = static_cast<int>(text_.size());
    int to = caret_;
    switch (key) {
    case VK_RETURN:
        ReplaceSelection(std::wstring(1, kLineFeed));
        return true;
    case VK_ESCAPE:
        OnEscape();
        GiveFocusToParent();
        return true;
    case VK_HOME:
        to = lines_[static_cast<size_t>(LineOf(caret_))].start;
        break;
    case VK_END: {
        const Line& l = lines_[static_cast<size_t>(LineOf(caret_))];
        to = l.start + l.length;
        break;
    }
    case VK_LEFT:
        to = std::max(caret_ - 1, 0);
        break;
    case VK_RIGHT:
        to = std::min(caret_ + 1, n);
        break;
    case VK_UP:
    case VK_DOWN: {
        const RECT c = CaretRect(caret_);
        const int pitch = LineHeight();
        const int line = LineOf(caret_);
        if ((key == VK_UP && line == 0) || (key == VK_DOWN && line + 1 >= LineCount()))
            break;
        to = PositionFromPoint(c.left, (c.top + c.bottom) / 2 + (key == VK_UP ? -pitch : pitch));
        break;
    }
    case VK_DELETE:
        if (!RemoveSelection() && caret_ < n) {
            BeginEdit();
            RemoveAt(caret_, 1, caret_);
            AfterEdit();
        }
        return true;
    default:
        if (!ctrl)
            return false;
        switch (key) {
        case 'A':
            SelectAll();
            return true;
        case 'C':
            SendMessageW(handle_, WM_COPY, 0, 0);
            return true;
        case 'X':
            SendMessageW(handle_, WM_CUT, 0, 0);
            return true;
        case 'V':
            SendMessageW(handle_, WM_PASTE, 0, 0);
            return true;
        case 'Y':
            Redo();
            return true;
        case 'Z':
            Undo();
            return true;
        default:
            return false;
        }
    }
    caret_ = to;
    if (!shift)
        anchor_ = caret_;
    EnsureCaretVisible();
    Refresh();
    if (HasSelection())
        HideCaretWindow();
    else
        ShowCaretWindow();
    PlaceCaretWindow();
    return true;
}

void LEdit::TypeChar(wchar_t ch) {
    if (KeyDown(VK_CONTROL))
        return;
    if (ch == kBackspace) {
        if (!RemoveSelection() && caret_ > 0) {
            BeginEdit();
            RemoveAt(caret_ - 1, 1, caret_ - 1);
            AfterEdit();
        }
        return;
    }
    // Enter types its line feed at the key-down: the carriage return that follows is no character.
    if (ch == kCarriageReturn)
        return;
    if (ch == kLineFeed || ch == kEscape) {
        MessageBeep(MB_OK);
        return;
    }
    if (ch < kFirstPrintable && ch != L'\t')
        return;
    ReplaceSelection(std::wstring(1, ch));
}

void LEdit::SelectAll() {
    anchor_ = 0;
    caret_ = static_cast<int>(text_.size());
    HideCaretWindow();
    Refresh();
}

// ---------------------------------------------------------------------------------------------
// Edits and the history

void LEdit::BeginEdit() {
    // A new edit drops what was undone.
    undo_.erase(undo_.begin() + undo_cursor_, undo_.end());
    edit_open_ = true;
}

void LEdit::PushRecord(int kind, std::wstring text, int position, int caret_after) {
    undo_.push_back(UndoRecord{change_counter_, kind, std::move(text), position, caret_after});
    undo_cursor_ = static_cast<int>(undo_.size());
}

void LEdit::InsertAt(int position, const std::wstring& text, int caret_after) {
    text_.insert(static_cast<size_t>(position), text);
    caret_ = anchor_ = caret_after;
    if (edit_open_)
        PushRecord(kUndoInsert, text, position, caret_after);
}

void LEdit::RemoveAt(int position, int count, int caret_after) {
    std::wstring removed = text_.substr(static_cast<size_t>(position), static_cast<size_t>(count));
    text_.erase(static_cast<size_t>(position), static_cast<size_t>(count));
    caret_ = anchor_ = caret_after;
    if (edit_open_)
        PushRecord(kUndoRemove, std::move(removed), position, caret_after);
}

void LEdit::AfterEdit() {
    if (edit_open_) {
        ++change_counter_;
        edit_open_ = false;
    }
    Relayout();
    EnsureCaretVisible();
    PlaceCaretWindow();
    Refresh();
    if (Focused() == this)
        ShowCaretWindow();
    OnEdited();
}

bool LEdit::RemoveSelection() {
    if (!HasSelection())
        return false;
    const int from = std::min(caret_, anchor_), count = std::abs(caret_ - anchor_);
    BeginEdit();
    RemoveAt(from, count, from);
    AfterEdit();
    return true;
}

void LEdit::ReplaceSelection(const std::wstring& text) {
    BeginEdit();
    if (HasSelection()) {
        const int from = std::min(caret_, anchor_);
        RemoveAt(from, std::abs(caret_ - anchor_), from);
    }
    InsertAt(caret_, text, caret_ + static_cast<int>(text.size()));
    AfterEdit();
}

void LEdit::Undo() {
    if (undo_cursor_ == 0)
        return;
    const int group = undo_[static_cast<size_t>(undo_cursor_ - 1)].group;
    while (undo_cursor_ > 0 && undo_[static_cast<size_t>(undo_cursor_ - 1)].group == group) {
        const UndoRecord& r = undo_[static_cast<size_t>(--undo_cursor_)];
        const int size = static_cast<int>(r.text.size());
        if (r.kind == kUndoInsert)
            RemoveAt(r.position, size, r.position);
        else
            InsertAt(r.position, r.text, r.position + size);
    }
    AfterEdit();
}

void LEdit::Redo() {
    if (undo_cursor_ >= static_cast<int>(undo_.size()))
        return;
    const int group = undo_[static_cast<size_t>(undo_cursor_)].group;
    while (undo_cursor_ < static_cast<int>(undo_.size()) &&
           undo_[static_cast<size_t>(undo_cursor_)].group == group) {
        const UndoRecord& r = undo_[static_cast<size_t>(undo_cursor_++)];
        if (r.kind == kUndoInsert)
            InsertAt(r.position, r.text, r.caret_after);
        else
            RemoveAt(r.position, static_cast<int>(r.text.size()), r.caret_after);
    }
    AfterEdit();
}

// ---------------------------------------------------------------------------------------------
// Clipboard

bool LEdit::CopySelection(bool cut) {
    if (!HasSelection())
        return false;
    const int from = std::min(caret_, anchor_), count = std::abs(caret_ - anchor_);
    const std::wstring text =
        ToClipboardText(text_.substr(static_cast<size_t>(from), static_cast<size_t>(count)));
    {
        ClipboardLock clipboard(handle_);
        if (!clipboard.ok() || !EmptyClipboard())
            return false;
        GlobalBlock block((text.size() + 1) * sizeof(wchar_t));
        if (!block.get())
            return false;
        auto* dest = static_cast<wchar_t*>(GlobalLock(block.get()));
        if (!dest)
            return false;
        std::copy(text.begin(), text.end(), dest);
        dest[text.size()] = 0;
        GlobalUnlock(block.get());
        if (!SetClipboardData(CF_UNICODETEXT, block.get()))
            return false;
        block.release(); // the clipboard owns it now
    }
    if (cut)
        RemoveSelection();
    return true;
}

bool LEdit::Paste() {
    std::wstring text;
    {
        ClipboardLock clipboard(handle_);
        if (!clipboard.ok() || !IsClipboardFormatAvailable(CF_UNICODETEXT))
            return false;
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        if (!data)
            return false;
        const auto* src = static_cast<const wchar_t*>(GlobalLock(data));
        if (!src)
            return false;
        const size_t limit = GlobalSize(data) / sizeof(wchar_t);
        size_t length = 0;
        while (length < limit && src[length])
            ++length;
        text.assign(src, length);
        GlobalUnlock(data);
    }
    text = FromClipboardText(text);
    if (text.empty())
        return false;
    ReplaceSelection(text);
    return true;
}
