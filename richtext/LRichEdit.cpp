#include "richtext/LRichEdit.h"

#include "richtext/ColorRegistry.h"
#include "richtext/FontRegistry.h"
#include "richtext/GlyphLiveSet.h"
#include "toolkit/LCaret.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LGlyphImage.h"
#include "richtext/LGlyphTChar.h"
#include "richtext/LRichEditOp.h"
#include "richtext/LWndPicReszie.h"
#include "richtext/RtfFileWriter.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>

namespace {

constexpr int kKeyInsert = LRichEditOpGlyph::kKeyDelete;
constexpr int kKeyBack = LRichEditOpGlyph::kKeyBack;

bool CtrlDown() {
    return GetKeyState(VK_CONTROL) < 0;
}

// ApplyFont flags that set or clear one style bit.
int StyleFlag(int style_bit, bool set) {
    int flag = 0;
    switch (style_bit) {
    case Gdiplus::FontStyleBold:
        flag = kSetBold;
        break;
    case Gdiplus::FontStyleItalic:
        flag = kSetItalic;
        break;
    case Gdiplus::FontStyleUnderline:
        flag = kSetUnderline;
        break;
    case Gdiplus::FontStyleStrikeout:
        flag = kSetStrikeout;
        break;
    default:
        return 0;
    }
    return set ? flag : flag << 1;
}

// Digits of a numeric field as a number, saturating instead of overflowing.
long long NumberOf(const std::wstring& text) {
    long long v = 0;
    bool negative = false, any = false;
    for (wchar_t c : text) {
        if (c == L'-' && !any) {
            negative = true;
            continue;
        }
        if (c < L'0' || c > L'9')
            continue;
        any = true;
        v = v > (LLONG_MAX - 9) / 10 ? LLONG_MAX : v * 10 + (c - L'0');
    }
    return negative ? -v : v;
}

} // namespace

LRichEdit::LRichEdit() : doc_(1, 1), font_(FontRegistry::Instance().Default()), color_(DefaultTextColor()) {
    SetObjectName(L"LRichEdit");
    doc_.SetManualPixels(true);
    SetCurrentFont(font_);
}

LRichEdit::~LRichEdit() {
    frame_.reset();
    caret_.reset();
    Clear();
}

bool LRichEdit::CreateEdit(int id, HWND parent, int x, int y, int width, int height, bool visible) {
    return Create(id, L"", 0, WS_CHILD | (visible ? WS_VISIBLE : 0), x, y, width, height, parent);
}

bool LRichEdit::OnCreate() {
    const bool ok = LWndMoveResize::OnCreate();
    const RECT rc = ClientRect();
    GrowSurface(rc.right, rc.bottom);
    visible_width_ = rc.right - left_padding_ - TextIndent();
    visible_height_ = rc.bottom - top_margin_ - bottom_margin_;
    doc_.SetRowSubscriber(handle_);
    for (int r = 0; r < doc_.RowCount(); ++r)
        doc_.Row(r)->Subscribe(kRowHeightChanged, handle_);
    if (!lazy_caret_)
        EnsureCaret();
    if (doc_.RowCount() == 0)
        CreateRow(0);
    Reflow();
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Undo history

void LRichEdit::TruncateHistory() {
    DestroyOps(static_cast<size_t>(undo_cursor_));
}

void LRichEdit::PushOp(std::unique_ptr<LRichEditOp> op) {
    TruncateHistory();
    ops_.push_back(std::move(op));
    undo_cursor_ = static_cast<int>(ops_.size());
}

void LRichEdit::DestroyOps(size_t from) {
    if (from >= ops_.size())
        return;
    std::unordered_set<LGlyph*> kept;
    for (size_t i = from; i < ops_.size(); ++i)
        ops_[i]->CollectGlyphs(kept);
    ops_.erase(ops_.begin() + static_cast<ptrdiff_t>(from), ops_.end());
    undo_cursor_ = std::min(undo_cursor_, static_cast<int>(ops_.size()));
    if (kept.empty())
        return;
    std::unordered_set<const LGlyph*> in_document;
    for (int r = 0; r < doc_.RowCount(); ++r) {
        const LGlyphEditRow* row = doc_.Row(r);
        in_document.insert(row);
        in_document.insert(row->Children().begin(), row->Children().end());
    }
    GlyphLiveSet& live = GlyphLiveSet::Instance();
    for (LGlyph* g : kept) {
        if (live.IsAlive(g) && live.Count(g) == 0 && !in_document.count(g))
            delete g;
    }
}

void LRichEdit::DropHistory() {
    DestroyOps(0);
}

void LRichEdit::DeleteUnkept(const std::vector<LGlyph*>& glyphs) {
    GlyphLiveSet& live = GlyphLiveSet::Instance();
    for (LGlyph* g : glyphs) {
        if (live.IsAlive(g) && live.Count(g) == 0)
            delete g;
    }
}

void LRichEdit::Undo() {
    if (read_only_ || undo_cursor_ == 0)
        return;
    ClosePictureFrame();
    const int group = ops_[static_cast<size_t>(undo_cursor_ - 1)]->Group();
    while (undo_cursor_ > 0 && ops_[static_cast<size_t>(undo_cursor_ - 1)]->Group() == group)
        ops_[static_cast<size_t>(--undo_cursor_)]->Undo(*this);
    AfterEdit();
    OnChanged();
}

void LRichEdit::Redo() {
    if (read_only_ || undo_cursor_ >= static_cast<int>(ops_.size()))
        return;
    ClosePictureFrame();
    const int group = ops_[static_cast<size_t>(undo_cursor_)]->Group();
    while (undo_cursor_ < static_cast<int>(ops_.size()) &&
           ops_[static_cast<size_t>(undo_cursor_)]->Group() == group)
        ops_[static_cast<size_t>(undo_cursor_++)]->Redo(*this);
    AfterEdit();
    OnChanged();
}

// ---------------------------------------------------------------------------------------------
// Raw edits and positions

void LRichEdit::InsertGlyphsAt(int offset, const std::vector<LGlyph*>& glyphs) {
    doc_.InsertAt(offset, glyphs);
}

std::vector<LGlyph*> LRichEdit::RemoveGlyphsAt(int offset, int count) {
    return doc_.RemoveRange(offset, count);
}

void LRichEdit::SetCaretOffset(int offset) {
    const auto [row, index] = doc_.OffsetToPosition(offset);
    caret_row_ = end_row_ = row;
    caret_index_ = end_index_ = index;
    if (LGlyphEditRow* r = doc_.Row(row)) {
        r->SetCaretIndex(index);
        caret_index_ = end_index_ = r->CaretIndex();
    }
}

void LRichEdit::SetSelection(int anchor_offset, int caret_offset) {
    SetCaretOffset(anchor_offset);
    const int er = caret_row_, ei = caret_index_;
    SetCaretOffset(caret_offset);
    end_row_ = er;
    end_index_ = ei;
}

std::pair<int, int> LRichEdit::SelectionRange() const {
    const int a = doc_.PositionToOffset(caret_row_, caret_index_);
    const int b = doc_.PositionToOffset(end_row_, end_index_);
    return {std::min(a, b), std::max(a, b)};
}

void LRichEdit::SelectAll() {
    end_row_ = end_index_ = 0;
    caret_row_ = std::max(doc_.RowCount() - 1, 0);
    caret_index_ = doc_.RowCount() ? doc_.Row(caret_row_)->Count() : 0;
}

bool LRichEdit::RemoveSelection(bool record_undo, int key) {
    if (!HasSelection())
        return false;
    const auto [a, b] = SelectionRange();
    std::vector<LGlyph*> glyphs = doc_.RemoveRange(a, b - a);
    if (record_undo) {
        PushOp(std::make_unique<LRichEditOpGlyph>(change_counter_, LRichEditOpGlyph::kRemove, glyphs, a, a,
                                                  key));
    } else {
        DropHistory();
        DeleteUnkept(glyphs);
    }
    SetCaretOffset(a);
    return true;
}

void LRichEdit::InsertRow(int index, LGlyphEditRow* row) {
    doc_.InsertRow(index, row);
}

int LRichEdit::CreateRow(int index) {
    index = std::clamp(index, 0, doc_.RowCount());
    doc_.SetCurrentFont(font_);
    return doc_.CreateRow(index) ? kResultOk : 0;
}

void LRichEdit::RemoveRow(int index) {
    LGlyphEditRow* row = doc_.TakeRow(index);
    if (!row || GlyphLiveSet::Instance().Count(row) > 0)
        return;
    std::vector<LGlyph*> glyphs = row->RemoveGlyphs(0, row->Count());
    DeleteUnkept(glyphs);
    delete row;
}

int LRichEdit::RowAtY(int doc_y) const {
    const int n = doc_.RowCount();
    for (int r = 0; r < n; ++r) {
        const LGlyphEditRow* row = doc_.Row(r);
        if (doc_y < static_cast<int>(row->SlotTop()) + row->GetHeight())
            return r;
    }
    return std::max(n - 1, 0);
}

RECT LRichEdit::CaretRect(int row, int index) const {
    const LGlyphEditRow* r = doc_.Row(row);
    if (!r)
        return RECT{TextIndent(), top_margin_, TextIndent(), top_margin_ + CellHeight(font_)};
    const int gap = r->LineGap();
    if (r->Count() == 0) {
        const int top = static_cast<int>(r->SlotTop());
        return RECT{static_cast<int>(r->Box().X), top, static_cast<int>(r->Box().X), top + r->GetHeight()};
    }
    const bool after = index >= r->Count();
    const LGlyph* g = r->At(after ? r->Count() - 1 : std::max(index, 0));
    const Gdiplus::RectF& b = g->Box();
    const int x = static_cast<int>(after ? b.X + b.Width : b.X);
    return RECT{x, static_cast<int>(b.Y) - gap, x, static_cast<int>(b.Y + b.Height)};
}

// ---------------------------------------------------------------------------------------------
// Caret

void LRichEdit::MoveCaret(int row, int index, bool take_attributes) {
    if (doc_.RowCount() == 0) {
        caret_row_ = caret_index_ = end_row_ = end_index_ = 0;
        return;
    }
    row = std::clamp(row, 0, doc_.RowCount() - 1);
    LGlyphEditRow* r = doc_.Row(row);
    r->SetCaretIndex(index);
    caret_row_ = end_row_ = row;
    caret_index_ = end_index_ = r->CaretIndex();
    if (take_attributes)
        TakeAttributesAt(caret_row_, caret_index_);
    if (caret_)
        caret_->SetColor(color_);
    PlaceCaretWindow(caret_row_, caret_index_);
}

void LRichEdit::PlaceCaretWindow(int row, int index) {
    if (!caret_ || !handle_)
        return;
    const RECT c = CaretLine(row, index);
    caret_->Place(c.left, c.top, c.bottom - c.top);
}

RECT LRichEdit::CaretLine(int row, int index) const {
    const LGlyphEditRow* r = doc_.Row(row);
    RECT c = CaretRect(row, index);
    if (r && r->Count() > 0)
        c.top += r->LineGap(); // the line stands by the glyph, not in the gap above it
    OffsetRect(&c, -scroll_x_, -scroll_y_);
    MapWindowPoints(handle_, nullptr, reinterpret_cast<POINT*>(&c), 2);
    return c;
}

void LRichEdit::EnsureCaret() {
    if (caret_ || !handle_)
        return;
    caret_ = std::make_unique<LCaret>();
    caret_->CreateFor(handle_);
}

void LRichEdit::ShowCaret() {
    EnsureCaret();
    if (!caret_ || HasSelection() || !IsShown())
        return;
    caret_->SetColor(color_);
    const RECT c = CaretLine(caret_row_, caret_index_);
    caret_->Place(c.left, c.top, c.bottom - c.top, false);
    caret_->ShowCaret();
}

void LRichEdit::HideCaret() {
    if (caret_)
        caret_->Hide();
}

void LRichEdit::TakeCaretAttributes() {
    TakeAttributesAt(caret_row_, caret_index_);
}

void LRichEdit::TakeAttributesAt(int row, int index) {
    const LGlyphEditRow* r = doc_.Row(row);
    const int n = r ? r->Count() : 0;
    if (n == 0) {
        color_ = DefaultTextColor();
        highlight_ = 0;
        return;
    }
    int at = std::clamp(index, 0, n - 1);
    if (r->At(at)->IsParagraphEnd() && index > 0 && at > 0)
        --at;
    const LGlyph* g = r->At(at);
    if (g->IsChar())
        SetCurrentFont(g->GetFont());
    highlight_ = g->GetBackColor();
    color_ = g->IsChar() ? g->GetColor() : color_;
}

void LRichEdit::SetCurrentFont(Gdiplus::Font* font) {
    if (!font)
        return;
    font_ = font;
    const FontEntry e = DescribeFont(font);
    family_ = e.family;
    size_ = e.size;
    style_ = e.style;
    unit_ = e.unit;
    doc_.SetCurrentFont(font);
}

void LRichEdit::SetCurrentFontParams(const std::wstring& family, int size, int style) {
    SetCurrentFont(
        FontRegistry::Instance().Get(family, std::clamp(size, kMinFontPixels, kMaxFontPixels), style,
                                     static_cast<Gdiplus::Unit>(unit_ ? unit_ : Gdiplus::UnitPixel)));
}

void LRichEdit::CaretFromPoint(int x, int y) {
    if (doc_.RowCount() == 0)
        return;
    const int row = RowAtY(y + scroll_y_);
    const RowHit hit = doc_.Row(row)->HitTest(x + scroll_x_, y + scroll_y_, true);
    MoveCaret(row, hit.index, true);
}

void LRichEdit::EnsureCaretVisible() {
    const RECT c = CaretRect(caret_row_, caret_index_);
    const RECT rc = ClientRect();
    const int bottom = rc.bottom - bottom_margin_;
    if (c.top - scroll_y_ < top_margin_)
        scroll_y_ = c.top - top_margin_;
    else if (c.bottom - scroll_y_ > bottom)
        scroll_y_ = c.bottom - bottom;
    const int right = rc.right - right_padding_;
    if (c.left - scroll_x_ < TextIndent())
        scroll_x_ = c.left - TextIndent();
    else if (c.left - scroll_x_ > right)
        scroll_x_ = c.left - right;
    scroll_x_ = std::max(scroll_x_, 0);
    scroll_y_ = std::max(scroll_y_, 0);
}

void LRichEdit::SetScroll(int x, int y) {
    scroll_x_ = std::clamp(x, 0, std::max(content_width_ - visible_width_, 0));
    scroll_y_ = std::clamp(y, 0, std::max(content_height_ - visible_height_, 0));
    ClosePictureFrame();
    Refresh();
    if (!HasSelection() && caret_ && caret_->IsVisible())
        PlaceCaretWindow(caret_row_, caret_index_);
}

// ---------------------------------------------------------------------------------------------
// Pictures

bool LRichEdit::PictureFrameShown() const {
    return frame_ && frame_->GetHandle() && IsWindowVisible(frame_->GetHandle());
}

void LRichEdit::ClosePictureFrame() {
    // The frame is hidden, never destroyed, while the edit lives: it may be the window whose
    // notification is being handled.
    if (PictureFrameShown())
        frame_->Show(SW_HIDE);
    frame_row_ = frame_index_ = -1;
}

bool LRichEdit::SelectPicture(int row, int index) {
    LGlyphEditRow* r = doc_.Row(row);
    if (!r || index < 0 || index >= r->Count() || !r->At(index)->IsImage() || !handle_)
        return false;
    end_row_ = caret_row_ = row;
    end_index_ = index;
    caret_index_ = index + 1;
    const Gdiplus::RectF& b = r->At(index)->Box();
    const RECT rect{static_cast<int>(b.X) - scroll_x_, static_cast<int>(b.Y) - scroll_y_,
                    static_cast<int>(b.X + b.Width) - scroll_x_,
                    static_cast<int>(b.Y + b.Height) - scroll_y_};
    if (!frame_) {
        frame_ = std::make_unique<LWndPicReszie>();
        if (!frame_->CreateOver(*this, rect)) {
            frame_.reset();
            return false;
        }
        frame_->Subscribe(LWndPicReszie::kPictureResized, handle_);
        frame_->Subscribe(LWndPicReszie::kPicturePressed, handle_);
        AddCompanion(frame_.get(), false);
    } else {
        MoveWindow(frame_->GetHandle(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                   FALSE);
        frame_->Show(SW_SHOWNOACTIVATE);
    }
    frame_row_ = row;
    frame_index_ = index;
    HideCaret();
    Refresh();
    return true;
}

bool LRichEdit::SelectPictureAt(int row, int x, int y) {
    LGlyphEditRow* r = doc_.Row(row);
    if (!r || r->Count() == 0)
        return false;
    const int dx = x + scroll_x_, dy = y + scroll_y_;
    const RowHit hit = r->HitTest(dx, dy, false);
    if (hit.index >= r->Count())
        return false;
    const Gdiplus::Rect box = r->At(hit.index)->GetHitBox();
    if (dx < box.X || dx >= box.X + box.Width)
        return false;
    return SelectPicture(row, hit.index);
}

void LRichEdit::SelectPictureAtPoint(int x, int y) {
    SelectPictureAt(caret_row_, x, y);
}

int LRichEdit::InsertPicture(Gdiplus::Image* image, const std::wstring& blip_type, int row, int index) {
    if (read_only_ || !image)
        return 0;
    LGlyph* picture = LGlyphImage::FromImage(image, blip_type);
    if (!picture)
        return 0;
    picture->SetBackColor(highlight_);
    if (doc_.RowCount() == 0 && CreateRow(0) != kResultOk) {
        delete picture;
        return 0;
    }
    const int at = doc_.PositionToOffset(row, index);
    doc_.InsertAt(at, {picture});
    PushOp(std::make_unique<LRichEditOpGlyph>(change_counter_, LRichEditOpGlyph::kInsert,
                                              std::vector<LGlyph*>{picture}, at, at + 1, kKeyInsert));
    ++change_counter_;
    SetCaretOffset(at + 1);
    AfterEdit();
    OnChanged();
    return kResultOk;
}

void LRichEdit::ReplacePicture(int width, int height) {
    if (frame_row_ < 0 || width <= 0 || height <= 0)
        return;
    const int at = doc_.PositionToOffset(frame_row_, frame_index_);
    LGlyph* old = doc_.GlyphAt(at);
    if (!old || !old->IsImage())
        return;
    LGlyph* clone = old->Clone();
    if (!clone)
        return;
    const Gdiplus::RectF b = old->Box(), i = old->InkBox();
    clone->SetBox(b.X, b.Y, static_cast<float>(width), static_cast<float>(height));
    clone->SetInkBox(i.X, i.Y, static_cast<float>(width), static_cast<float>(height));
    std::vector<LGlyph*> removed = doc_.RemoveRange(at, 1);
    doc_.InsertAt(at, {clone});
    PushOp(std::make_unique<LRichEditOpGlyph>(change_counter_, LRichEditOpGlyph::kRemove, removed, at, at,
                                              kKeyInsert));
    PushOp(std::make_unique<LRichEditOpGlyph>(change_counter_, LRichEditOpGlyph::kInsert,
                                              std::vector<LGlyph*>{clone}, at, at + 1, kKeyInsert));
    ++change_counter_;
    SetCaretOffset(at);
    Reflow();
    const auto [row, index] = doc_.OffsetToPosition(at);
    SelectPicture(row, index);
    OnChanged();
}

// ---------------------------------------------------------------------------------------------
// Editing

LGlyph* LRichEdit::MakeCharGlyph(wchar_t ch) {
    LGlyph* g = LGlyphTChar::Create(ch, font_, doc_.Surface().dc(), color_, alpha_);
    if (!g)
        return nullptr;
    g->SetBackColor(highlight_);
    FitPasswordBox(g);
    return g;
}

void LRichEdit::FitPasswordBox(LGlyph* g) const {
    if (!password_ || !g->IsChar() || g->IsParagraphEnd())
        return;
    const Gdiplus::RectF b = g->Box(), i = g->InkBox();
    g->SetBox(b.X, b.Y, kPasswordBoxWidth, kPasswordBoxHeight);
    g->SetInkBox(i.X, i.Y, kPasswordBoxWidth, kPasswordBoxHeight);
}

std::vector<LGlyph*> LRichEdit::MakeTextGlyphs(std::wstring_view text) {
    std::vector<LGlyph*> glyphs;
    glyphs.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
            ++i; // CR LF is one paragraph end
        if (LGlyph* g = MakeCharGlyph(text[i] == L'\n' ? kParagraphEnd : text[i]))
            glyphs.push_back(g);
    }
    return glyphs;
}

void LRichEdit::InsertText(const std::wstring& text, int row, int index, bool record_undo) {
    std::vector<LGlyph*> glyphs = MakeTextGlyphs(text);
    if (glyphs.empty())
        return;
    if (doc_.RowCount() == 0 && CreateRow(0) != kResultOk) {
        DeleteUnkept(glyphs);
        return;
    }
    const int at = doc_.PositionToOffset(row, index);
    doc_.InsertAt(at, glyphs);
    const int end = at + static_cast<int>(glyphs.size());
    if (record_undo) {
        PushOp(std::make_unique<LRichEditOpGlyph>(change_counter_, LRichEditOpGlyph::kInsert, glyphs, at, end,
                                                  kKeyInsert));
        ++change_counter_;
    } else {
        DropHistory();
    }
    SetCaretOffset(end);
    Reflow();
    if (handle_)
        Refresh();
}

bool LRichEdit::InsertAtCaret(const std::vector<LGlyph*>& glyphs, bool record_undo) {
    if (glyphs.empty())
        return true;
    if (doc_.RowCount() == 0 && CreateRow(0) != kResultOk) {
        DeleteUnkept(glyphs);
        return false;
    }
    // Loaded and pasted characters come measured in their own fonts.
    for (LGlyph* g : glyphs)
        FitPasswordBox(g);
    const int at = CaretOffset();
    doc_.InsertAt(at, glyphs);
    const int end = at + static_cast<int>(glyphs.size());
    if (record_undo)
        PushOp(std::make_unique<LRichEditOpGlyph>(change_counter_, LRichEditOpGlyph::kInsert, glyphs, at, end,
                                                  kKeyInsert));
    else
        DropHistory();
    SetCaretOffset(end);
    return true;
}

void LRichEdit::LoadFinished() {
    // No caret: notes load their content long before anyone types into them.
    Reflow();
    Refresh();
}

void LRichEdit::TypeChar(wchar_t ch) {
    if (read_only_ || CtrlDown())
        return;
    if (numeric_ && ch != L'\b' && (ch < L'0' || ch > L'9'))
        return;
    if (ch == L'\b') {
        Backspace();
        return;
    }
    if (ch == L'\n' || ch == VK_ESCAPE) {
        MessageBeep(MB_OK);
        return;
    }
    if (single_line_ && ch == L'\r')
        return; // a one-line field never holds a paragraph end
    LGlyph* g = MakeCharGlyph(ch);
    if (!g)
        return;
    TruncateHistory();
    ClosePictureFrame();
    RemoveSelection(true, kKeyInsert);
    if (doc_.RowCount() == 0 && CreateRow(0) != kResultOk) {
        delete g;
        return;
    }
    const int at = CaretOffset();
    doc_.InsertAt(at, {g});
    PushOp(std::make_unique<LRichEditOpGlyph>(change_counter_, LRichEditOpGlyph::kInsert,
                                              std::vector<LGlyph*>{g}, at, at + 1, kKeyInsert));
    ++change_counter_;
    SetCaretOffset(at + 1);
    AfterEdit();
    OnChanged();
}

void LRichEdit::Backspace() {
    ClosePictureFrame();
    if (HasSelection()) {
        RemoveSelection(true, kKeyBack);
    } else {
        const int at = CaretOffset();
        if (at == 0)
            return; // the very start: nothing to join, nothing recorded
        std::vector<LGlyph*> removed = doc_.RemoveRange(at - 1, 1);
        PushOp(std::make_unique<LRichEditOpGlyph>(change_counter_, LRichEditOpGlyph::kRemove, removed, at - 1,
                                                  at - 1, kKeyBack));
        SetCaretOffset(at - 1);
    }
    ++change_counter_;
    AfterEdit();
    OnChanged();
}

void LRichEdit::DeleteKey() {
    ClosePictureFrame();
    const int group = change_counter_;
    int at = 0;
    if (HasSelection()) {
        at = SelectionRange().first;
        RemoveSelection(true, kKeyInsert);
    } else {
        at = CaretOffset();
        if (at >= doc_.GlyphCount())
            return;
        std::vector<LGlyph*> removed = doc_.RemoveRange(at, 1);
        PushOp(std::make_unique<LRichEditOpGlyph>(group, LRichEditOpGlyph::kRemove, removed, at, at,
                                                  kKeyInsert));
        // Rows the removal emptied (the last row stays for the caret) go with row records.
        for (int r = doc_.RowCount() - 2; r >= 0; --r) {
            LGlyphEditRow* row = doc_.Row(r);
            if (row->Count() != 0)
                continue;
            PushOp(std::make_unique<LRichEditOpRow>(group, LRichEditOpRow::kRemoved, *this, row, r, 0));
            RemoveRow(r);
        }
    }
    ++change_counter_;
    SetCaretOffset(at);
    AfterEdit();
    const auto [row, index] = doc_.OffsetToPosition(at);
    SelectPicture(row, index);
    OnChanged();
}

template <class Change> void LRichEdit::ReplaceSelection(Change change) {
    if (read_only_ || !HasSelection())
        return;
    ClosePictureFrame();
    const int caret = CaretOffset(), anchor = doc_.PositionToOffset(end_row_, end_index_);
    const auto [a, b] = SelectionRange();
    std::vector<LGlyph*> removed = doc_.RemoveRange(a, b - a);
    std::vector<LGlyph*> clones;
    clones.reserve(removed.size());
    for (LGlyph* g : removed) {
        LGlyph* c = g->Clone();
        if (!c) {
            clones.push_back(g);
            continue;
        }
        change(c);
        FitPasswordBox(c); // a new font measures the character again
        clones.push_back(c);
    }
    doc_.InsertAt(a, clones);
    PushOp(std::make_unique<LRichEditOpGlyph>(change_counter_, LRichEditOpGlyph::kRemove, removed, a, a,
                                              kKeyInsert));
    PushOp(std::make_unique<LRichEditOpGlyph>(change_counter_, LRichEditOpGlyph::kInsert, clones, a, b,
                                              kKeyInsert));
    ++change_counter_;
    SetSelection(anchor, caret);
    Reflow();
    Refresh();
    OnChanged();
}

void LRichEdit::ApplyStyle(int style_bit) {
    if (!HasSelection()) {
        SetCurrentFontParams(family_, size_, style_ ^ style_bit);
        return;
    }
    const auto [a, b] = SelectionRange();
    int chars = 0, having = 0;
    for (int i = a; i < b; ++i) {
        const LGlyph* g = doc_.GlyphAt(i);
        if (!g || !g->IsChar())
            continue;
        ++chars;
        if (DescribeFont(g->GetFont()).style & style_bit)
            ++having;
    }
    const bool set = !(having * 2 > chars);
    const int flag = StyleFlag(style_bit, set);
    if (!flag)
        return;
    HDC dc = doc_.Surface().dc();
    ReplaceSelection([&](LGlyph* g) { g->ApplyFont(nullptr, 0, dc, flag, 0); });
    SetCurrentFontParams(family_, size_, set ? style_ | style_bit : style_ & ~style_bit);
}

void LRichEdit::ApplyFont(Gdiplus::Font* font, int flags, int delta) {
    HDC dc = doc_.Surface().dc();
    if (!HasSelection()) {
        LGlyph* probe = LGlyphTChar::Create(L' ', font_, dc, color_, alpha_);
        probe->ApplyFont(font, 0, dc, flags, delta);
        SetCurrentFont(probe->GetFont());
        delete probe;
        return;
    }
    ReplaceSelection([&](LGlyph* g) { g->ApplyFont(font, 0, dc, flags, delta); });
    TakeCaretAttributes();
}

void LRichEdit::ApplyColor(uint32_t argb) {
    color_ = argb;
    ReplaceSelection([&](LGlyph* g) { g->SetColor(argb); });
}

void LRichEdit::ApplyHighlight(uint32_t argb) {
    highlight_ = argb;
    ReplaceSelection([&](LGlyph* g) { g->SetBackColor(argb); });
}

void LRichEdit::SetRowLineGap(int row, int gap) {
    LGlyphEditRow* r = doc_.Row(row);
    if (!r)
        return;
    r->SetLineGap(gap);
    if (loading_)
        return;
    Reflow();
    Refresh();
}

bool LRichEdit::SetLineGapWithUndo(int gap) {
    if (read_only_)
        return false;
    const int last = doc_.RowCount() - 1;
    const int from = std::clamp(std::min(caret_row_, end_row_), 0, std::max(last, 0));
    const int to = std::clamp(std::max(caret_row_, end_row_), 0, std::max(last, 0));
    bool changed = false;
    for (int r = from; r <= to && r <= last; ++r) {
        LGlyphEditRow* row = doc_.Row(r);
        if (row->LineGap() == gap)
            continue;
        PushOp(std::make_unique<LRichEditOpRowLineHeight>(change_counter_, row, row->LineGap(), gap));
        row->SetLineGap(gap);
        changed = true;
    }
    if (!changed)
        return false;
    ++change_counter_;
    AfterEdit();
    OnChanged();
    return true;
}

void LRichEdit::SetNumericRange(const std::wstring& minimum, const std::wstring& maximum) {
    numeric_min_ = minimum;
    numeric_max_ = maximum;
}

void LRichEdit::SetPasswordMode(bool on) {
    password_ = on;
    // The text already there takes the box, or its own measures back.
    HDC dc = doc_.Surface().dc();
    for (int r = 0; r < doc_.RowCount(); ++r) {
        for (LGlyph* g : doc_.Row(r)->Children()) {
            if (on)
                FitPasswordBox(g);
            else if (g->IsChar())
                g->ApplyFont(nullptr, 0, dc, 0, 0);
        }
    }
    painted_.clear();
    Reflow();
    Refresh();
}

void LRichEdit::SetWrap(bool on) {
    wrap_ = on;
    if (handle_) {
        Reflow();
        Refresh();
    }
}

void LRichEdit::NumericClamp() {
    std::wstring text = GetText();
    const long long value = NumberOf(text);
    if (value > NumberOf(numeric_max_))
        text = numeric_max_;
    else if (value < NumberOf(numeric_min_))
        text = numeric_min_;
    SelectAll();
    RemoveSelection(false, kKeyInsert);
    scroll_x_ = scroll_y_ = 0;
    Reflow();
    InsertText(text, caret_row_, caret_index_, false);
    Refresh();
    SendToSubscribers(kNumericRewritten, static_cast<WPARAM>(GetId()), 0);
}

void LRichEdit::Clear() {
    ClosePictureFrame();
    DestroyOps(0);
    undo_cursor_ = 0;
    doc_.DeleteAll();
    painted_.clear();
    painted_bottom_ = 0;
    caret_row_ = caret_index_ = end_row_ = end_index_ = 0;
    LSurface& s = doc_.MutableSurface();
    if (s) {
        GdiFlush();
        std::memset(s.bits(), 0, static_cast<size_t>(s.width()) * static_cast<size_t>(s.height()) * 4);
    }
}

bool LRichEdit::SaveRtf(const std::wstring& path, const std::string& token) {
    return WriteRtfFile(path, doc_.Glyphs(), !token.empty(), token);
}

int LRichEdit::LoadRtf(const std::wstring& path, bool record_undo) {
    loading_ = true;
    if (record_undo)
        TruncateHistory();
    const int code = ::LoadRtf(*this, path, record_undo);
    loading_ = false;
    if (record_undo && code == 0)
        ++change_counter_;
    return code;
}
