#pragma once
// Turns a parsed RTF file into glyphs inserted at the caret of a document. The document side is an
// interface so that the rich edit control and the window-free GlyphDocument load the same way.
#include <windows.h>

#include <gdiplus.h>

#include <cstdint>
#include <string>
#include <vector>

class LGlyph;
class LGlyphEditRow;

class RtfLoadTarget {
public:
    virtual ~RtfLoadTarget() = default;

    virtual void SetProtectionToken(const std::string& token) = 0;
    virtual bool IsPasswordMode() const = 0;
    virtual bool IsNumericMode() const = 0;
    virtual bool IsSingleLine() const = 0;

    // Attributes of the next inserted character.
    virtual Gdiplus::Font* CurrentFont() const = 0;
    virtual void SetCurrentFont(Gdiplus::Font* font) = 0;
    virtual uint32_t CurrentColor() const = 0;
    virtual void SetCurrentColor(uint32_t argb) = 0;
    virtual uint32_t CurrentHighlight() const = 0;
    virtual void SetCurrentHighlight(uint32_t argb) = 0;
    virtual int CurrentAlpha() const = 0;
    virtual HDC MeasureDc() const { return nullptr; }

    virtual int CaretRow() const = 0;
    // Inserts at the caret and moves the caret behind the glyphs; on failure the document stays as it
    // was and the glyphs are deleted. With record_undo one insertion record is kept.
    virtual bool InsertAtCaret(const std::vector<LGlyph*>& glyphs, bool record_undo) = 0;
    virtual int RowCount() const = 0;
    virtual LGlyphEditRow* Row(int index) const = 0;
    virtual void SetRowLineGap(int row, int gap) = 0;
    virtual int TextIndent() const = 0;
    // Moves every row right by the growth.
    virtual void SetTextIndent(int indent) = 0;
    // Called once after a load that inserted something: lay out and repaint.
    virtual void LoadFinished() {}
};

// Parses the file and inserts its content at the target's caret. Answers the reader's code; any
// error leaves the target unchanged.
int LoadRtf(RtfLoadTarget& target, const std::wstring& path, bool record_undo);
// The same for RTF bytes in memory (clipboard data).
int LoadRtfBytes(RtfLoadTarget& target, const std::string& bytes, bool record_undo);
