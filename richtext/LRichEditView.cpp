// The rich edit's view side: keys, mouse, layout and painting. The model side (editing, undo,
// pictures, files) is in LRichEdit.cpp.
#include "richtext/LRichEdit.h"

#include "app/base/AppPaths.h"
#include "app/base/PerfClock.h"
#include "toolkit/LCaret.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LWndPicReszie.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <typeinfo>

namespace {

// Ink may reach a little past its row (italic tails, the highlight's extra line): a band is
// composed this much taller on each side.
constexpr int kBandSlack = 4;

bool CtrlDown() {
    return GetKeyState(VK_CONTROL) < 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Keyboard

bool LRichEdit::PreTranslateMessage(MSG* msg) {
    if (!msg || msg->hwnd != handle_ || msg->message != WM_KEYDOWN)
        return false;
    return HandleKey(static_cast<UINT>(msg->wParam));
}

bool LRichEdit::HandleKey(UINT key) {
    const bool ctrl = CtrlDown();
    const int rows = doc_.RowCount();
    if (rows == 0 && key != VK_ESCAPE)
        return false;
    switch (key) {
    case VK_RETURN:
        // Not consumed: translated, the key gives the character message that types the paragraph end.
        OnEnter();
        return false;
    case VK_ESCAPE:
        OnEscape();
        OnKillFocus(nullptr);
        return true;
    case VK_END:
    case VK_HOME: {
        MoveCaret(caret_row_, key == VK_END ? INT_MAX : 0, false);
        const RECT c = CaretRect(caret_row_, caret_index_);
        preferred_x_ = c.left - scroll_x_;
        preferred_y_ = (c.top + c.bottom) / 2 - scroll_y_;
        break;
    }
    case VK_LEFT:
    case VK_RIGHT: {
        ClosePictureFrame();
        LGlyphEditRow* row = doc_.Row(caret_row_);
        row->SetCaretIndex(INT_MAX);
        const int last = row->CaretIndex();
        if (key == VK_LEFT) {
            if (caret_index_ > 0)
                MoveCaret(caret_row_, caret_index_ - 1, true);
            else if (caret_row_ > 0)
                MoveCaret(caret_row_ - 1, INT_MAX, true);
            else
                MoveCaret(0, 0, true);
        } else {
            if (caret_index_ < last)
                MoveCaret(caret_row_, caret_index_ + 1, true);
            else if (caret_row_ + 1 < rows)
                MoveCaret(caret_row_ + 1, 0, true);
            else
                MoveCaret(caret_row_, last, true);
        }
        preferred_x_ = CaretRect(caret_row_, caret_index_).left - scroll_x_;
        break;
    }
    case VK_UP:
    case VK_DOWN: {
        ClosePictureFrame();
        const RECT c = CaretRect(caret_row_, caret_index_);
        int y = key == VK_UP ? std::max<int>(c.top - kArrowStep, top_margin_ + kArrowStep)
                             : c.bottom + kArrowStep;
        preferred_y_ = y - scroll_y_;
        const int row = RowAtY(y);
        const RowHit hit = doc_.Row(row)->HitTest(preferred_x_ + scroll_x_, y, true);
        MoveCaret(row, hit.index, true);
        break;
    }
    case VK_DELETE:
        if (!read_only_)
            DeleteKey();
        return true;
    case VK_F5: {
        if (read_only_)
            return true;
        SYSTEMTIME t;
        GetLocalTime(&t);
        wchar_t stamp[64];
        swprintf(stamp, 64, L"%d:%02d %04d-%02d-%02d", t.wHour, t.wMinute, t.wYear, t.wMonth, t.wDay);
        ClosePictureFrame();
        InsertText(stamp, caret_row_, caret_index_, true);
        OnChanged();
        break;
    }
    default:
        if (!ctrl)
            return false;
        switch (key) {
        case 'A':
            SelectAll();
            HideCaret();
            break;
        case 'B':
            ApplyStyle(Gdiplus::FontStyleBold);
            break;
        case 'I':
            ApplyStyle(Gdiplus::FontStyleItalic);
            break;
        case 'U':
            ApplyStyle(Gdiplus::FontStyleUnderline);
            break;
        case 'K':
            ApplyStyle(Gdiplus::FontStyleStrikeout);
            break;
        case 'C':
            SendMessageW(handle_, WM_COPY, 0, 0);
            break;
        case 'X':
        case 'V':
            if (!read_only_)
                SendMessageW(handle_, key == 'X' ? WM_CUT : WM_PASTE, 0, 0);
            break;
        case 'Y':
            Redo();
            break;
        case 'Z':
            Undo();
            break;
        default:
            return false;
        }
        break;
    }
    EnsureCaretVisible();
    Refresh();
    ShowCaret();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Messages and mouse

LRESULT LRichEdit::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_CHAR:
        TypeChar(static_cast<wchar_t>(wp));
        return 0;
    case WM_KEYDOWN:
        // Keys come through PreTranslateMessage; Enter, which that does not consume, arrives here too.
        if (wp != VK_RETURN && HandleKey(static_cast<UINT>(wp)))
            return 0;
        break;
    case WM_COPY:
    case WM_CUT:
        Copy(message);
        return 0;
    case WM_PASTE:
        Paste();
        return 0;
    case LWndPicReszie::kPictureResized:
        ReplacePicture(static_cast<int>(wp), static_cast<int>(lp));
        return 1;
    case LWndPicReszie::kPicturePressed:
        ClosePictureFrame();
        CaretFromPoint(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        Refresh();
        ShowCaret();
        return 1;
    default:
        break;
    }
    return LWndMoveResize::WindowProc(message, wp, lp);
}

LRESULT LRichEdit::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    // Rows changing height: the layout after every edit places all rows again.
    if (message == kRowHeightChanged)
        return 1;
    return LWndMoveResize::OnNotify(message, wp, lp);
}

void LRichEdit::MoveResizeHitTest(int x, int y, const RECT& window_rect) {
    LWndMoveResize::MoveResizeHitTest(x, y, window_rect);
    if (!drag_active_ && sizing_edges_ == 0 && cursor_type_ == kCursorNormal)
        SetCursorType(kCursorText);
}

void LRichEdit::OnLButtonDown(WPARAM keys, int x, int y) {
    LWndMoveResize::OnLButtonDown(keys, x, y);
    if (IsResizing() || IsMoving() || doc_.RowCount() == 0)
        return;
    if (const int menu = GetMenuId()) {
        if (LWnd* open = LWnd::FromId(menu))
            open->Show(SW_HIDE);
    }
    ClosePictureFrame();
    const bool had_selection = HasSelection();
    const int row = RowAtY(y + scroll_y_);
    const RowHit hit = doc_.Row(row)->HitTest(x + scroll_x_, y + scroll_y_, true);
    MoveCaret(row, hit.index, false);
    TakeAttributesAt(caret_row_, caret_index_);
    HideCaret();
    selecting_ = true;
    if (had_selection)
        Refresh();
}

void LRichEdit::OnMouseMove(WPARAM keys, int x, int y) {
    LWndMoveResize::OnMouseMove(keys, x, y);
    if (!selecting_ || !(keys & MK_LBUTTON) || doc_.RowCount() == 0)
        return;
    const int row = RowAtY(y + scroll_y_);
    LGlyphEditRow* r = doc_.Row(row);
    const RowHit hit = r->HitTest(x + scroll_x_, y + scroll_y_, true);
    r->SetCaretIndex(hit.index);
    if (row == end_row_ && r->CaretIndex() == end_index_)
        return;
    end_row_ = row;
    end_index_ = r->CaretIndex();
    Refresh();
}

void LRichEdit::OnLButtonUp(WPARAM keys, int x, int y) {
    LWndMoveResize::OnLButtonUp(keys, x, y);
    if (!selecting_)
        return;
    selecting_ = false;
    preferred_x_ = x;
    preferred_y_ = y;
    if (!HasSelection()) {
        CaretFromPoint(x, y);
        if (!SelectPictureAt(caret_row_, x, y))
            ShowCaret();
    }
}

void LRichEdit::OnRButtonDown(WPARAM keys, int x, int y) {
    LWndMoveResize::OnRButtonDown(keys, x, y);
    if (!HasSelection())
        CaretFromPoint(x, y);
}

void LRichEdit::OnRButtonUp(WPARAM keys, int x, int y) {
    LWndMoveResize::OnRButtonUp(keys, x, y);
    if (!HasSelection()) {
        CaretFromPoint(x, y);
        ShowCaret();
    }
}

bool LRichEdit::OnKillFocus(LWnd* new_focus) {
    if (new_focus && frame_ && new_focus == frame_.get())
        return false;
    const bool result = LWndMoveResize::OnKillFocus(new_focus);
    HideCaret();
    if (numeric_)
        NumericClamp();
    else
        Refresh(); // the selection takes its unfocused colour
    return result;
}

void LRichEdit::OnMove(int x, int y) {
    LWndMoveResize::OnMove(x, y);
    ClosePictureFrame();
    if (caret_ && caret_->IsVisible())
        PlaceCaretWindow(caret_row_, caret_index_);
}

bool LRichEdit::OnSize(UINT type, int width, int height) {
    const bool changed = LWndMoveResize::OnSize(type, width, height);
    visible_width_ = width - left_padding_ - TextIndent();
    visible_height_ = height - top_margin_ - bottom_margin_;
    GrowSurface(width, height);
    Reflow();
    Refresh();
    return changed;
}

// ---------------------------------------------------------------------------------------------
// Layout and painting

void LRichEdit::GrowSurface(int width, int height) {
    const int old_width = doc_.Surface().width();
    doc_.GrowSurface(std::max(width, 1), std::max(height, 1));
    // Rows painted on a narrower surface were cut at its edge: they are drawn again.
    if (doc_.Surface().width() != old_width)
        painted_.clear();
}

bool LRichEdit::Reflow() {
    const int caret = CaretOffset(), anchor = doc_.PositionToOffset(end_row_, end_index_);
    WrapRule rule;
    rule.wrap = wrap_;
    if (handle_) {
        RECT wr = WindowRect();
        RECT limit_rect = wr;
        HWND parent = GetParent(handle_);
        if (parent && (GetWindowLongW(handle_, GWL_STYLE) & WS_CHILD)) {
            MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&wr), 2);
            GetClientRect(parent, &limit_rect);
        } else {
            OffsetRect(&wr, -wr.left, -wr.top);
            limit_rect = wr;
        }
        rule.origin = left_padding_ + TextIndent() + wr.left;
        rule.limit = fixed_width_ ? wr.right : std::max(wr.right, limit_rect.right);
    } else {
        rule.wrap = false;
    }
    doc_.Reflow(rule);
    SetSelection(anchor, caret);
    UpdateContentWidth();
    UpdateContentHeight();
    scroll_x_ = std::clamp(scroll_x_, 0, std::max(content_width_ - visible_width_, 0));
    scroll_y_ = std::clamp(scroll_y_, 0, std::max(content_height_ - visible_height_, 0));
    RepaintSurface();
    return rows_repainted_ > 0;
}

void LRichEdit::UpdateContentWidth() {
    int widest = 0;
    for (int r = 0; r < doc_.RowCount(); ++r)
        widest = std::max(widest, doc_.Row(r)->ContentWidth());
    content_width_ = widest;
}

void LRichEdit::UpdateContentHeight() {
    content_height_ = doc_.ContentHeight();
}

void LRichEdit::AfterEdit() {
    double t = PerfNowMs();
    Reflow();
    edit_times_.reflow = PerfNowMs() - t;
    EnsureCaretVisible();
    RefreshChanged();
    t = PerfNowMs();
    if (HasSelection())
        HideCaret();
    else
        ShowCaret();
    edit_times_.caret = PerfNowMs() - t;
}

void LRichEdit::Refresh() {
    if (!handle_ || !IsShown())
        return;
    const double t = PerfNowMs();
    const bool redrawn = Redraw();
    const double composed = PerfNowMs();
    if (redrawn) {
        Present();
        NoteShownView();
    }
    edit_times_.compose = composed - t;
    edit_times_.present = PerfNowMs() - composed;
    edit_times_.band_height = ClientRect().bottom;
}

void LRichEdit::NoteShownView() {
    shown_.valid = true;
    shown_.scroll_x = scroll_x_;
    shown_.scroll_y = scroll_y_;
    shown_.alpha = GetAlpha();
    shown_.selection = HasSelection();
    shown_.client = ClientRect();
    changed_top_ = changed_bottom_ = 0;
}

void LRichEdit::RefreshChanged() {
    if (!handle_ || !IsShown())
        return;
    const RECT rc = ClientRect();
    const bool same_view = shown_.valid && shown_.scroll_x == scroll_x_ && shown_.scroll_y == scroll_y_ &&
                           shown_.alpha == GetAlpha() && !shown_.selection && !HasSelection() &&
                           EqualRect(&shown_.client, &rc);
    if (!same_view) {
        Refresh();
        return;
    }
    const double t = PerfNowMs();
    RECT band{0, 0, rc.right, 0};
    if (changed_bottom_ > changed_top_) {
        band.top = std::max<int>(changed_top_ - scroll_y_ - kBandSlack, 0);
        band.bottom = std::min<int>(changed_bottom_ - scroll_y_ + kBandSlack, rc.bottom);
    }
    changed_top_ = changed_bottom_ = 0;
    edit_times_.band_height = std::max<int>(band.bottom - band.top, 0);
    if (band.bottom <= band.top) {
        edit_times_.compose = edit_times_.present = 0;
        return; // nothing the edit shows changed
    }
    RECT screen = band;
    MapWindowPoints(handle_, nullptr, reinterpret_cast<POINT*>(&screen), 2);
    const bool redrawn = RedrawScreenRect(screen.left, screen.top, screen.right, screen.bottom);
    const double composed = PerfNowMs();
    if (redrawn)
        PresentRect(handle_, band);
    edit_times_.compose = composed - t;
    edit_times_.present = PerfNowMs() - composed;
}

// Rows whose glyphs, place and metrics are what they painted last time keep their pixels (moved
// with one memmove when the row moved); every other row is cleared and drawn again.
void LRichEdit::RepaintSurface() {
    LSurface& s = doc_.MutableSurface();
    rows_repainted_ = 0;
    if (!s)
        return;
    GdiFlush();
    const int width = s.width(), height = s.height();
    uint32_t* bits = s.bits();
    auto band = [&](int y) { return bits + static_cast<size_t>(y) * static_cast<size_t>(width); };
    auto clear = [&](int top, int h) {
        top = std::clamp(top, 0, height);
        h = std::clamp(h, 0, height - top);
        if (h > 0)
            std::memset(band(top), 0, static_cast<size_t>(h) * static_cast<size_t>(width) * 4);
    };
    struct Move {
        int from, to, height;
    };
    std::vector<Move> moves;
    std::vector<LGlyphEditRow*> dirty;
    std::unordered_map<const LGlyphEditRow*, PaintedRow> now;
    now.reserve(static_cast<size_t>(doc_.RowCount()));
    int bottom = 0;
    for (int r = 0; r < doc_.RowCount(); ++r) {
        LGlyphEditRow* row = doc_.Row(r);
        PaintedRow p;
        p.glyphs = row->Children();
        p.top = static_cast<int>(row->SlotTop());
        p.height = row->GetHeight();
        p.x = static_cast<int>(row->Box().X);
        p.baseline = row->GetAscent();
        bottom = std::max(bottom, p.top + p.height);
        auto it = painted_.find(row);
        const bool intact = it != painted_.end() && it->second.height == p.height && it->second.x == p.x &&
                            it->second.baseline == p.baseline && it->second.glyphs == p.glyphs;
        if (!intact)
            dirty.push_back(row);
        else if (it->second.top != p.top)
            moves.push_back({it->second.top, p.top, p.height});
        now.emplace(row, std::move(p));
    }
    // Upward moves from the top, downward moves from the bottom: no row overwrites one still to move.
    for (const Move& m : moves) {
        if (m.to < m.from && m.from + m.height <= height)
            std::memmove(band(m.to), band(m.from), static_cast<size_t>(m.height) * width * 4);
    }
    for (auto it = moves.rbegin(); it != moves.rend(); ++it) {
        if (it->to > it->from && it->to + it->height <= height)
            std::memmove(band(it->to), band(it->from), static_cast<size_t>(it->height) * width * 4);
    }
    HDC dc = s.dc();
    for (LGlyphEditRow* row : dirty) {
        const PaintedRow& p = now[row];
        clear(p.top, p.height);
        if (password_)
            continue; // painted from the password picture instead
        for (LGlyph* g : row->Children())
            g->DrawSelf(dc, bits);
    }
    GdiFlush();
    if (painted_bottom_ > bottom)
        clear(bottom, painted_bottom_ - bottom);
    // Every pixel row of the surface that changed: rows drawn again, rows moved, the cleared end.
    auto changed = [&](int top, int h) {
        if (h <= 0)
            return;
        if (changed_bottom_ <= changed_top_) {
            changed_top_ = top;
            changed_bottom_ = top + h;
            return;
        }
        changed_top_ = std::min(changed_top_, top);
        changed_bottom_ = std::max(changed_bottom_, top + h);
    };
    for (LGlyphEditRow* row : dirty)
        changed(now[row].top, now[row].height);
    for (const Move& m : moves)
        changed(m.to, m.height);
    changed(bottom, painted_bottom_ - bottom);
    rows_repainted_ = static_cast<int>(dirty.size());
    painted_ = std::move(now);
    painted_bottom_ = bottom;
}

void LRichEdit::BlendSolid(LSurface& target, int x, int y, int w, int h, uint32_t argb) {
    if (w <= 0 || h <= 0)
        return;
    LSurface dot(1, 1);
    if (!dot)
        return;
    dot.bits()[0] = LSurface::Premultiply(argb);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(target.dc(), x, y, w, h, dot.dc(), 0, 0, 1, 1, blend);
}

void LRichEdit::PaintSelectionRow(LSurface& target, int row, int from, int to) {
    const LGlyphEditRow* r = doc_.Row(row);
    if (!r)
        return;
    const uint32_t color = LWnd::Focused() == this ? kSelectionFocused : kSelectionUnfocused;
    to = std::min(to, r->Count());
    for (int i = std::max(from, 0); i < to; ++i) {
        const Gdiplus::Rect hb = r->At(i)->GetHitBox();
        BlendSolid(target, hb.X - scroll_x_, hb.Y - scroll_y_, hb.Width, hb.Height, color);
    }
}

void LRichEdit::PaintSelection(LSurface& target) {
    if (!HasSelection())
        return;
    int r1 = caret_row_, i1 = caret_index_, r2 = end_row_, i2 = end_index_;
    if (r2 < r1 || (r2 == r1 && i2 < i1)) {
        std::swap(r1, r2);
        std::swap(i1, i2);
    }
    for (int r = r1; r <= r2; ++r)
        PaintSelectionRow(target, r, r == r1 ? i1 : 0, r == r2 ? i2 : INT_MAX);
}

LSurface LRichEdit::RenderContentRect(const RECT& cut, POINT& origin) {
    const RECT rc = ClientRect();
    const bool own_picture = band_pictures_ || typeid(*this) == typeid(LRichEdit);
    const bool part = cut.top > 0 || cut.bottom < rc.bottom;
    if (!own_picture || !part || password_ || HasSelection())
        return LWnd::RenderContentRect(cut, origin);
    // The band of the whole width: rows drawn as RenderContent draws them, shifted up by its top.
    origin = POINT{0, cut.top};
    LSurface out = CreateSurface(handle_, rc.right, cut.bottom - cut.top, 0);
    if (!out)
        return out;
    const LSurface& s = doc_.Surface();
    const int left = TextIndent(), right = rc.right - left_padding_;
    const int top = std::max<int>(top_margin_, cut.top),
              bottom = std::min<int>(rc.bottom - bottom_margin_, cut.bottom);
    if (!s || right <= left || bottom <= top)
        return out;
    RowsView view;
    view.scroll_x = scroll_x_;
    view.scroll_y = scroll_y_ + cut.top;
    view.clip_left = scroll_x_ > 0 ? left : 0;
    view.right = right;
    view.top = top - cut.top;
    view.bottom = bottom - cut.top;
    view.alpha = static_cast<BYTE>(std::clamp(GetAlpha(), 0, 255));
    doc_.PaintRowsInto(out, view);
    return out;
}

LSurface LRichEdit::RenderContent() {
    const RECT rc = ClientRect();
    LSurface out = CreateSurface(handle_, rc.right, rc.bottom, 0);
    if (!out)
        return out;
    const LSurface& s = doc_.Surface();
    const int left = TextIndent(), right = rc.right - left_padding_;
    const int top = top_margin_, bottom = rc.bottom - bottom_margin_;
    if (!s || right <= left || bottom <= top)
        return out;
    // Ink left of the text indent (italic overhang) shows while the view is not scrolled sideways.
    const int clip_left = scroll_x_ > 0 ? left : 0;
    const BYTE alpha = static_cast<BYTE>(std::clamp(GetAlpha(), 0, 255));

    LSurface password_picture;
    if (password_) {
        password_picture.Create(kPasswordPictureWidth, kPasswordPictureHeight);
        Gdiplus::Bitmap picture((ResDir() + kPasswordPicture).c_str());
        if (password_picture && picture.GetLastStatus() == Gdiplus::Ok) {
            Gdiplus::Bitmap target(kPasswordPictureWidth, kPasswordPictureHeight, kPasswordPictureWidth * 4,
                                   PixelFormat32bppPARGB, reinterpret_cast<BYTE*>(password_picture.bits()));
            Gdiplus::Graphics g(&target);
            g.DrawImage(&picture, 0, 0, kPasswordPictureWidth, kPasswordPictureHeight);
        }
    }

    RowsView view;
    view.scroll_x = scroll_x_;
    view.scroll_y = scroll_y_;
    view.clip_left = clip_left;
    view.right = right;
    view.top = top;
    view.bottom = bottom;
    view.alpha = alpha;
    if (password_)
        view.char_picture = &password_picture;
    doc_.PaintRowsInto(out, view);
    PaintSelection(out);
    return out;
}
