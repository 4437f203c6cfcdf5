#pragma once
// The plain multi-line text control: one string in one font and one colour, drawn with GDI+ in one
// pass, with its own caret window, a selection, a linear undo history and two thin scroll bars. Lines
// end only at line feeds; they are never wrapped at the control's width.
#include "toolkit/LWndMoveResize.h"
#include "toolkit/MerlaScrollBar.h"

#include <gdiplus.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class LCaret;

class LEdit : public LWndMoveResize {
public:
    static constexpr int kLeftMargin = 7, kRightMargin = 7, kTopMargin = 7, kBottomMargin = 5;
    static constexpr wchar_t kDefaultFamily[] = L"宋体";
    static constexpr float kDefaultEmSize = 13.0f;
    static constexpr int kBarThickness = 4;
    static constexpr int kWheelStep = 24;
    static constexpr wchar_t kLineFeed = L'\n';
    enum UndoKind : int { kUndoInsert = 1, kUndoRemove = 2 };

    struct UndoRecord {
        int group = 0;
        int kind = kUndoInsert;
        std::wstring text;
        int position = 0;
        int caret_after = 0;
    };

    LEdit();
    ~LEdit() override;

    // A child edit of the parent at the rectangle (parent client coordinates).
    bool CreateEdit(int id, HWND parent, const RECT& rect, bool visible = true);

    // --- LWnd
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    bool PreTranslateMessage(MSG* msg) override;
    LSurface RenderContent() override;
    bool OnCreate() override;
    bool OnSize(UINT type, int width, int height) override;
    void OnMove(int x, int y) override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnMouseWheel(int keys, int delta, int x, int y) override;
    void OnSetFocus(LWnd* previous) override;
    bool OnKillFocus(LWnd* new_focus) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    void MoveResizeHitTest(int x, int y, const RECT& window_rect) override;

    // --- editing, as the keys and character messages do it
    // A key-down as the message hook hands it over; false when the key is not the edit's.
    bool HandleKey(UINT key);
    void TypeChar(wchar_t ch);
    void Undo();
    void Redo();
    void SelectAll();
    // WM_COPY / WM_CUT: the selection as CF_UNICODETEXT (line feeds as CR LF).
    bool CopySelection(bool cut);
    // WM_PASTE: the clipboard's text in place of the selection, CR LF and CR taken as line feeds.
    bool Paste();
    // Removes the selection as one edit; false when there is none.
    bool RemoveSelection();

    // --- content and attributes
    const std::wstring& Text() const { return text_; }
    // The whole text replaced without undo (a stored text loading); the history is dropped.
    void SetText(std::wstring text);
    void SetFont(const std::wstring& family, float em_size, int style, int unit);
    void SetColor(uint32_t argb);
    uint32_t Color() const { return color_; }
    const std::wstring& FontFamily() const { return family_; }
    float FontEmSize() const { return em_size_; }
    int FontStyle() const { return style_; }
    int FontUnit() const { return unit_; }
    Gdiplus::Font* Font() const { return font_.get(); }

    // --- caret, selection and layout state
    int CaretPos() const { return caret_; }
    int AnchorPos() const { return anchor_; }
    bool HasSelection() const { return caret_ != anchor_; }
    void SetSelection(int anchor, int caret);
    int UndoCursor() const { return undo_cursor_; }
    int UndoCount() const { return static_cast<int>(undo_.size()); }
    const UndoRecord& UndoAt(int i) const { return undo_[static_cast<size_t>(i)]; }
    int ChangeCounter() const { return change_counter_; }
    int ScrollX() const { return scroll_x_; }
    int ScrollY() const { return scroll_y_; }
    void SetScroll(int x, int y);
    int ContentWidth() const { return content_width_; }
    int ContentHeight() const { return content_height_; }
    int LineCount() const { return static_cast<int>(lines_.size()); }
    int LineHeight() const { return static_cast<int>(line_pitch_ + 0.5f); }
    // Character index for a client point: the left half of a character lies before it.
    int PositionFromPoint(int x, int y) const;
    // Client rectangle of the caret at a position.
    RECT CaretRect(int position) const;
    LCaret* CaretWindow() const { return caret_wnd_.get(); }
    MerlaScrollBar& VerticalBar() { return vbar_; }
    MerlaScrollBar& HorizontalBar() { return hbar_; }

    // Lays the text out again and puts the bars and the caret where it now stands.
    void Relayout();
    // Repaints the window now.
    void Refresh();

protected:
    // After every edit: the text changed.
    virtual void OnEdited() {}
    void ShowCaretWindow();
    void HideCaretWindow();
    void DestroyCaretWindow();
    void EnsureCaretVisible();

private:
    struct Line {
        int start = 0, length = 0;
    };
    // Every edit: the history after the cursor goes, the records of this edit share a group.
    void InsertAt(int position, const std::wstring& text, int caret_after);
    void RemoveAt(int position, int count, int caret_after);
    void PushRecord(int kind, std::wstring text, int position, int caret_after);
    void BeginEdit();
    void AfterEdit();
    void ReplaceSelection(const std::wstring& text);
    int LineOf(int position) const;
    void UpdateBars();
    void PlaceCaretWindow();
    void MakeFont();
    void MeasureLine(Gdiplus::Graphics& g, const Line& line, float top);

    std::wstring text_;
    uint32_t color_;
    std::unique_ptr<Gdiplus::Font> font_;
    std::unique_ptr<Gdiplus::StringFormat> format_;
    std::wstring family_ = kDefaultFamily;
    float em_size_ = kDefaultEmSize;
    int style_ = Gdiplus::FontStyleRegular;
    int unit_ = Gdiplus::UnitPixel;
    int caret_ = 0;
    int anchor_ = 0;
    std::vector<UndoRecord> undo_;
    int undo_cursor_ = 0;
    int change_counter_ = 0;
    bool edit_open_ = false;
    std::unique_ptr<LCaret> caret_wnd_;
    MerlaScrollBar vbar_{LWndScrollBar::kVertical};
    MerlaScrollBar hbar_{0};

    // Layout: the lines, one box per character in content coordinates (a line feed's box is empty,
    // at its line's end), the line pitch and the content size the bars cover.
    std::vector<Line> lines_;
    std::vector<Gdiplus::RectF> boxes_;
    float line_pitch_ = kDefaultEmSize;
    int content_width_ = 0, content_height_ = 0;
    int scroll_x_ = 0, scroll_y_ = 0;
    bool selecting_ = false;
};
