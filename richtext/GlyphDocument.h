#pragma once
// Rows of glyphs with a caret and a document surface, without a window: the storage the rich edit
// control builds on, and what tests, export and the clipboard load RTF into. Rows break only at
// paragraph ends; the document owns its rows and their glyphs.
#include "toolkit/surface/LSurface.h"
#include "richtext/LineBreaker.h"
#include "richtext/RtfLoader.h"

#include <string_view>

class LGlyphEditRow;

// The part of a document a window shows, and how: its rows are drawn into a target surface.
struct RowsView {
    int scroll_x = 0, scroll_y = 0;
    // The target's band the text may cover; ink left of clip_left is cut off.
    int clip_left = 0, right = 0, top = 0, bottom = 0;
    uint8_t alpha = 255;
    // Drawn over every character's box in place of its ink (the password display); null: the ink.
    const LSurface* char_picture = nullptr;
};

class GlyphDocument : public RtfLoadTarget {
public:
    static constexpr int kRowIconGap = 2; // between a row icon and its row's text
    static constexpr int kDefaultTextIndent = 7;
    static constexpr int kTopMargin = 3;
    static constexpr int kBottomMargin = 5;

    GlyphDocument(int width = 400, int height = 200);
    ~GlyphDocument() override;
    GlyphDocument(const GlyphDocument&) = delete;
    GlyphDocument& operator=(const GlyphDocument&) = delete;

    // RtfLoadTarget
    void SetProtectionToken(const std::string& token) override { token_ = token; }
    bool IsPasswordMode() const override { return password_; }
    bool IsNumericMode() const override { return numeric_; }
    bool IsSingleLine() const override { return single_line_; }
    Gdiplus::Font* CurrentFont() const override { return font_; }
    void SetCurrentFont(Gdiplus::Font* font) override { font_ = font; }
    uint32_t CurrentColor() const override { return color_; }
    void SetCurrentColor(uint32_t argb) override { color_ = argb; }
    uint32_t CurrentHighlight() const override { return highlight_; }
    void SetCurrentHighlight(uint32_t argb) override { highlight_ = argb; }
    int CurrentAlpha() const override { return alpha_; }
    HDC MeasureDc() const override { return surface_.dc(); }
    int CaretRow() const override { return caret_row_; }
    bool InsertAtCaret(const std::vector<LGlyph*>& glyphs, bool record_undo) override;
    int RowCount() const override { return static_cast<int>(rows_.size()); }
    LGlyphEditRow* Row(int index) const override;
    void SetRowLineGap(int row, int gap) override;
    int TextIndent() const override { return text_indent_; }
    void SetTextIndent(int indent) override { text_indent_ = indent; }
    void LoadFinished() override { Layout(); }

    void SetModes(bool password, bool numeric, bool single_line) {
        password_ = password;
        numeric_ = numeric;
        single_line_ = single_line;
    }
    void SetCurrentAlpha(int alpha) { alpha_ = alpha; }
    const std::string& ProtectionToken() const { return token_; }
    int CaretIndex() const { return caret_index_; }
    void SetCaret(int row, int index);

    // One character glyph per UTF-16 unit with the current attributes; CR LF becomes CR.
    void InsertText(std::wstring_view text, bool relayout = true);
    bool InsertPicture(Gdiplus::Image* image, const std::wstring& blip_type);
    int Load(const std::wstring& path) { return LoadRtf(*this, path, false); }
    bool Save(const std::wstring& path, bool protect = false, const std::string& token = {}) const;

    // Every glyph in document order, each row just before its glyphs (the writers' input).
    std::vector<LGlyph*> Glyphs() const;
    // Paragraph ends give "\r", pictures nothing.
    std::wstring GetText() const;
    // Positions every row and glyph; grows the surface to the content.
    void Layout();
    // Rebuilds the rows from all glyphs by the rule (paragraph ends always break), then lays out.
    // A new row keeps the line gap of the row its first glyph came from; the caret stays on its glyph.
    void Reflow(const WrapRule& rule);
    // Repaints the whole surface.
    void Paint();
    // The rows in view onto the target: highlights, then the ink from the surface (or the character
    // picture), then the row icons.
    void PaintRowsInto(LSurface& out, const RowsView& view) const;
    const LSurface& Surface() const { return surface_; }
    int ContentHeight() const { return content_height_; }

    // For a window that moves and paints the pixels itself: rows then get no surface, so they never
    // blit on their own.
    void SetManualPixels(bool manual) { manual_pixels_ = manual; }
    // Rows created from now on tell this window of their height changes.
    void SetRowSubscriber(HWND window) { row_subscriber_ = window; }

    // --- editing by document offset (glyphs counted from the start, rows not counted):
    //   rows "ab\r" "cd": offset 3 is (row 1, index 0), offset 5 (row 1, index 2)
    int GlyphCount() const;
    int PositionToOffset(int row, int index) const;
    // The row holding the glyph at offset (the start of the next row at a row's end); the end of the
    // last row for the end of the document.
    std::pair<int, int> OffsetToPosition(int offset) const;
    LGlyph* GlyphAt(int offset) const;
    // Inserts the glyphs (now owned by the document) before the glyph at offset.
    void InsertAt(int offset, const std::vector<LGlyph*>& glyphs);
    // Takes up to count glyphs out from offset; the caller owns them. Rows emptied stay until Reflow.
    std::vector<LGlyph*> RemoveRange(int offset, int count);
    LGlyphEditRow* CreateRow(int index);
    // Puts a row (not owned elsewhere) back at index / takes the row at index out.
    void InsertRow(int index, LGlyphEditRow* row);
    LGlyphEditRow* TakeRow(int index);
    bool HoldsRow(const LGlyphEditRow* row) const;
    // Deletes every glyph and row of the document.
    void DeleteAll();
    // Grows (never shrinks) the surface, keeping its pixels.
    void GrowSurface(int width, int height);
    LSurface& MutableSurface() { return surface_; }

private:
    bool manual_pixels_ = false;
    HWND row_subscriber_ = nullptr;

    std::vector<LGlyphEditRow*> rows_; // owned, with their glyphs
    int caret_row_ = 0, caret_index_ = 0;
    Gdiplus::Font* font_;
    uint32_t color_;
    uint32_t highlight_ = 0;
    int alpha_ = 255;
    int text_indent_ = kDefaultTextIndent;
    bool password_ = false, numeric_ = false, single_line_ = false;
    std::string token_;
    LSurface surface_;
    int content_height_ = 0;
};
