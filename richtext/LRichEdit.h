#pragma once
// The system's own rich text editing control: a child toolkit window holding rows of glyphs (a
// GlyphDocument), a caret and a selection, the attributes of the next typed character, a linear undo
// history and one document surface into which every row paints. Edits lay the rows out again and
// repaint only the rows whose glyphs changed; rows that merely moved have their pixels moved.
// LRichEdit.cpp holds the model side (editing, undo, pictures, files), LRichEditView.cpp the view side
// (keys, mouse, layout, painting).
#include "richtext/GlyphDocument.h"
#include "toolkit/LWndMoveResize.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class LCaret;
class LGlyphEditRow;
class LRichEditOp;
class LWndPicReszie;
struct QqElement;

class LRichEdit : public LWndMoveResize, public RtfLoadTarget {
public:
    static constexpr int kResultOk = 7000;
    static constexpr UINT kNumericRewritten = 10015;
    static constexpr int kLeftPadding = 7;
    static constexpr int kRightPadding = 7;
    static constexpr int kPasswordBoxWidth = 9;
    static constexpr int kPasswordBoxHeight = 16;
    static constexpr uint32_t kSelectionFocused = 0xACE18900;
    static constexpr uint32_t kSelectionUnfocused = 0x57E18900;
    static constexpr int kArrowStep = 5; // Up and Down aim this far beyond the caret glyph
    static constexpr int kPictureMaxSide = 18;
    static constexpr wchar_t kDefaultNumericMin[] = L"16";
    static constexpr wchar_t kDefaultNumericMax[] = L"512";
    static constexpr wchar_t kPasswordPicture[] = L"pwdchar.png";
    static constexpr int kPasswordPictureWidth = 70;
    static constexpr int kPasswordPictureHeight = 140;

    LRichEdit();
    ~LRichEdit() override;

    // A child edit window of the parent.
    bool CreateEdit(int id, HWND parent, int x, int y, int width, int height, bool visible = true);

    // --- LWnd
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnRButtonDown(WPARAM keys, int x, int y) override;
    void OnRButtonUp(WPARAM keys, int x, int y) override;
    bool OnSize(UINT type, int width, int height) override;
    void OnMove(int x, int y) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    LSurface RenderContent() override;
    LSurface RenderContentRect(const RECT& cut, POINT& origin) override;
    bool PreTranslateMessage(MSG* msg) override;
    bool OnCreate() override;
    bool OnKillFocus(LWnd* new_focus) override;
    void MoveResizeHitTest(int x, int y, const RECT& window_rect) override;

    // --- operations of the rich edit, in slot order
    virtual void PaintSelectionRow(LSurface& target, int row, int from, int to);
    virtual void PaintSelection(LSurface& target);
    virtual void OnEnter() {}
    virtual int GetPictureMaxSide() { return kPictureMaxSide; }
    virtual void Copy(UINT message);
    virtual void InsertRow(int index, LGlyphEditRow* row);
    virtual int CreateRow(int index);
    virtual void RemoveRow(int index);
    virtual void UpdateContentWidth();
    virtual void UpdateContentHeight();
    virtual void PlaceCaretWindow(int row, int index);
    virtual bool Reflow();
    virtual int GetMenuId() { return 0; }
    virtual void MoveCaret(int row, int index, bool take_attributes);
    virtual void CaretFromPoint(int x, int y);
    virtual void SelectPictureAtPoint(int x, int y);
    virtual bool SelectPictureAt(int row, int x, int y);
    virtual bool SelectPicture(int row, int index);
    virtual void TakeCaretAttributes();
    virtual void TakeAttributesAt(int row, int index);
    virtual void OnChanged() {}

    // --- public operations
    // CR LF becomes CR; one glyph per UTF-16 unit with the current attributes at (row, index).
    void InsertText(const std::wstring& text, int row, int index, bool record_undo);
    std::wstring GetText() const { return doc_.GetText(); }
    void Clear();
    bool SaveRtf(const std::wstring& path, const std::string& token);
    int LoadRtf(const std::wstring& path, bool record_undo);
    void SetNumericRange(const std::wstring& minimum, const std::wstring& maximum);
    int InsertPicture(Gdiplus::Image* image, const std::wstring& blip_type, int row, int index);
    void SetRowLineGap(int row, int gap) override;
    // The line gap of every row from the caret's row to the selection's other row, as one undo
    // group (one record per row that changes); false when no row changed.
    bool SetLineGapWithUndo(int gap);
    void ApplyStyle(int style_bit);
    void ApplyFont(Gdiplus::Font* font, int flags, int delta);
    void ApplyColor(uint32_t argb);
    void ApplyHighlight(uint32_t argb);
    void Undo();
    void Redo();
    void SelectAll();
    // Removes the selection (one removal record with the key when recording); false when none.
    bool RemoveSelection(bool record_undo, int key);
    // WM_PASTE: the clipboard's RTF, rich XML, text or picture at the caret, replacing the selection
    // (LRichEditClipboard.cpp).
    void Paste();
    // Typing one character, as a character message does.
    void TypeChar(wchar_t ch);
    // A key-down, as the keyboard hook hands it over; false when the key is not the edit's.
    bool HandleKey(UINT key);

    // --- modes and attributes
    void SetReadOnly(bool on) { read_only_ = on; }
    void SetNumericMode(bool on) { numeric_ = on; }
    void SetPasswordMode(bool on);
    void SetSingleLine(bool on) { single_line_ = on; }
    void SetWrap(bool on);
    void SetFixedWidth(bool on) { fixed_width_ = on; }
    bool IsReadOnly() const { return read_only_; }
    bool IsWrap() const { return wrap_; }
    void SetCurrentFontParams(const std::wstring& family, int size, int style);

    // --- state for the hosts and the tests
    GlyphDocument& Document() { return doc_; }
    const GlyphDocument& Document() const { return doc_; }
    int CaretRowIndex() const { return caret_row_; }
    int CaretGlyphIndex() const { return caret_index_; }
    int EndRowIndex() const { return end_row_; }
    int EndGlyphIndex() const { return end_index_; }
    bool HasSelection() const { return caret_row_ != end_row_ || caret_index_ != end_index_; }
    // Document offsets of the selection, first <= second.
    std::pair<int, int> SelectionRange() const;
    int CaretOffset() const { return doc_.PositionToOffset(caret_row_, caret_index_); }
    void SetCaretOffset(int offset);
    void SetSelection(int anchor_offset, int caret_offset);
    int UndoCursor() const { return undo_cursor_; }
    int UndoCount() const { return static_cast<int>(ops_.size()); }
    const LRichEditOp* UndoRecord(int i) const { return ops_[static_cast<size_t>(i)].get(); }
    int ChangeCounter() const { return change_counter_; }
    LCaret* Caret() const { return caret_.get(); }
    LWndPicReszie* PictureFrame() const { return frame_.get(); }
    bool PictureFrameShown() const;
    int ScrollX() const { return scroll_x_; }
    int ScrollY() const { return scroll_y_; }
    void SetScroll(int x, int y);
    int ContentWidth() const { return content_width_; }
    int ContentHeight() const { return content_height_; }
    int VisibleWidth() const { return visible_width_; }
    int VisibleHeight() const { return visible_height_; }
    int RowsRepainted() const { return rows_repainted_; }
    // Where the last edit's time went (ms): layout, composing, presenting, and the caret.
    struct EditTimes {
        double reflow = 0, compose = 0, present = 0, caret = 0;
        int band_height = 0; // rows of pixels composed and presented; the edit's height when whole
    };
    const EditTimes& LastEditTimes() const { return edit_times_; }
    // Repaints the window now (composition and presentation).
    void Refresh();

    // --- raw edits the undo records replay (no record, no reflow)
    void InsertGlyphsAt(int offset, const std::vector<LGlyph*>& glyphs);
    std::vector<LGlyph*> RemoveGlyphsAt(int offset, int count);

    // --- RtfLoadTarget
    void SetProtectionToken(const std::string& token) override { token_ = token; }
    bool IsPasswordMode() const override { return password_; }
    bool IsNumericMode() const override { return numeric_; }
    bool IsSingleLine() const override { return single_line_; }
    Gdiplus::Font* CurrentFont() const override { return font_; }
    void SetCurrentFont(Gdiplus::Font* font) override;
    uint32_t CurrentColor() const override { return color_; }
    void SetCurrentColor(uint32_t argb) override { color_ = argb; }
    uint32_t CurrentHighlight() const override { return highlight_; }
    void SetCurrentHighlight(uint32_t argb) override { highlight_ = argb; }
    int CurrentAlpha() const override { return alpha_; }
    HDC MeasureDc() const override { return doc_.Surface().dc(); }
    int CaretRow() const override { return caret_row_; }
    bool InsertAtCaret(const std::vector<LGlyph*>& glyphs, bool record_undo) override;
    int RowCount() const override { return doc_.RowCount(); }
    LGlyphEditRow* Row(int index) const override { return doc_.Row(index); }
    int TextIndent() const override { return doc_.TextIndent(); }
    void SetTextIndent(int indent) override { doc_.SetTextIndent(indent); }
    void LoadFinished() override;

protected:
    // One accepted edit: history after the undo cursor is dropped first.
    void TruncateHistory();
    void PushOp(std::unique_ptr<LRichEditOp> op);
    // Deletes the records from index on and every glyph they alone kept.
    void DestroyOps(size_t from);
    // An edit made without a record shifts what the records point at: they are all dropped.
    void DropHistory();
    // Deletes glyphs taken out of the document that no record keeps.
    void DeleteUnkept(const std::vector<LGlyph*>& glyphs);
    LGlyph* MakeCharGlyph(wchar_t ch);
    // One character glyph per UTF-16 unit with the current attributes; CR LF and LF end a paragraph.
    std::vector<LGlyph*> MakeTextGlyphs(std::wstring_view text);
    // The selected glyphs in document order; with rows, each row that holds some of them just before
    // them (the writers' input).
    std::vector<LGlyph*> SelectedGlyphs(bool with_rows) const;
    // Pasted glyphs at the caret in place of the selection, one undo group; false (the selection
    // kept) when there is nothing to insert.
    bool ReplaceSelectionWith(const std::vector<LGlyph*>& glyphs);
    bool PasteRtf(const std::string& bytes);
    bool PasteQqXml(const std::wstring& xml);
    std::vector<LGlyph*> QqGlyphs(const std::vector<QqElement>& elements);
    bool PasteDib(const std::string& block);
    // In password mode every character is the same box, whichever way it enters: its own measures
    // would give the hidden text's shape away.
    void FitPasswordBox(LGlyph* g) const;
    // Reflow, repaint, caret placed and shown: the end of every handled edit.
    void AfterEdit();
    void EnsureCaretVisible();
    void ShowCaret();
    void HideCaret();
    // The caret window, made when first needed by an edit that waits (lazy_caret_).
    void EnsureCaret();
    void ClosePictureFrame();
    // Row index under a document y (first / last row above / below the rows).
    int RowAtY(int doc_y) const;
    // Rectangle of the caret at (row, index) on the document surface, the line gap above included.
    RECT CaretRect(int row, int index) const;
    // Screen rectangle of the caret's line.
    RECT CaretLine(int row, int index) const;
    void ReplaceSelected(const std::vector<LGlyph*>& replacements, int first);
    template <class Change> void ReplaceSelection(Change change);
    void NumericClamp();
    void DeleteKey();
    void Backspace();
    void RepaintSurface();
    // After an edit: composes and presents only the band of rows whose pixels changed since the
    // screen last showed the edit, when nothing else about the view changed; Refresh otherwise.
    void RefreshChanged();
    // What the screen shows of the edit was composed with this view.
    void NoteShownView();
    // Grows (never shrinks) the document surface to at least the size.
    void GrowSurface(int width, int height);
    void BlendSolid(LSurface& target, int x, int y, int w, int h, uint32_t argb);
    void ReplacePicture(int width, int height);

    GlyphDocument doc_;
    int caret_row_ = 0, caret_index_ = 0;
    int end_row_ = 0, end_index_ = 0;
    std::unique_ptr<LCaret> caret_;
    bool read_only_ = false;
    int left_padding_ = kLeftPadding, right_padding_ = kRightPadding;
    int top_margin_ = GlyphDocument::kTopMargin, bottom_margin_ = GlyphDocument::kBottomMargin;
    Gdiplus::Font* font_;
    uint32_t color_;
    int alpha_ = 255;
    uint32_t highlight_ = 0;
    std::wstring family_;
    int size_ = 0, style_ = 0, unit_ = 0;
    std::vector<std::unique_ptr<LRichEditOp>> ops_;
    int undo_cursor_ = 0;
    int change_counter_ = 0;
    bool numeric_ = false;
    std::wstring numeric_min_ = kDefaultNumericMin, numeric_max_ = kDefaultNumericMax;
    bool password_ = false;
    bool single_line_ = false;
    bool wrap_ = false;
    bool fixed_width_ = false;
    int preferred_x_ = 0, preferred_y_ = 0;
    int content_width_ = 0;
    int visible_width_ = 0;
    int scroll_x_ = 0, scroll_y_ = 0;
    int content_height_ = 0;
    int visible_height_ = 0;
    std::unique_ptr<LWndPicReszie> frame_;
    int frame_row_ = -1, frame_index_ = -1;
    std::string token_;
    bool selecting_ = false;
    bool loading_ = false;
    // Edits that are many and seldom written in (the boxes on notes) make their caret window only
    // when it first shows.
    bool lazy_caret_ = false;

    // What each row last painted on the surface: unchanged rows are moved, not drawn again.
    struct PaintedRow {
        std::vector<LGlyph*> glyphs;
        int top = 0, height = 0, x = 0, baseline = 0;
    };
    std::unordered_map<const LGlyphEditRow*, PaintedRow> painted_;
    int painted_bottom_ = 0;
    int rows_repainted_ = 0;
    // Document rows of pixels changed on the surface and not yet composed (top < bottom when any).
    int changed_top_ = 0, changed_bottom_ = 0;
    // The view the last composition of the whole edit used; a band is composed only within it.
    struct ShownView {
        bool valid = false;
        int scroll_x = 0, scroll_y = 0, alpha = 0;
        bool selection = false;
        RECT client{};
    } shown_;
    // Pictures of a part are drawn row band by row band; only where RenderContent is this class's
    // own (a derived class that draws more over it keeps the whole picture).
    bool band_pictures_ = false;
    EditTimes edit_times_;
};
