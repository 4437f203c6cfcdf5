#pragma once
// Undo records of the rich edit. A record keeps the glyphs (or the row) it needs and raises their
// GlyphLiveSet count for as long as it lives, so that glyphs taken out of the document survive until
// no record can put them back. Positions are document offsets: glyphs counted from the start of the
// document, which stay valid however the rows wrap.
//
//   typing "ab" at offset 5:  Glyph{group 1, insert, [a], start 5, end 6}
//                             Glyph{group 2, insert, [b], start 6, end 7}
//   undo steps back over one group at a time, newest record first.
#include <unordered_set>
#include <vector>

class LGlyph;
class LGlyphEditRow;
class LRichEdit;

class LRichEditOp {
public:
    explicit LRichEditOp(int group) : group_(group) {}
    virtual ~LRichEditOp() = default;
    LRichEditOp(const LRichEditOp&) = delete;
    LRichEditOp& operator=(const LRichEditOp&) = delete;

    virtual void Redo(LRichEdit& edit) = 0;
    virtual void Undo(LRichEdit& edit) = 0;
    // Adds every glyph and row the record keeps (to decide, once it is gone, which ones die).
    virtual void CollectGlyphs(std::unordered_set<LGlyph*>& glyphs) const = 0;

    int Group() const { return group_; }

private:
    int group_;
};

class LRichEditOpGlyph : public LRichEditOp {
public:
    enum Kind : int { kInsert = 1, kRemove = 2 };
    static constexpr int kKeyDelete = 46; // insertions and Delete
    static constexpr int kKeyBack = 8;    // Backspace

    LRichEditOpGlyph(int group, Kind kind, std::vector<LGlyph*> glyphs, int start, int end, int key);
    ~LRichEditOpGlyph() override;

    void Redo(LRichEdit& edit) override;
    void Undo(LRichEdit& edit) override;
    void CollectGlyphs(std::unordered_set<LGlyph*>& glyphs) const override;

    Kind GetKind() const { return kind_; }
    const std::vector<LGlyph*>& Glyphs() const { return glyphs_; }
    int Start() const { return start_; }
    int End() const { return end_; }
    int Key() const { return key_; }

private:
    Kind kind_;
    std::vector<LGlyph*> glyphs_;
    int start_, end_; // document offsets; end is where the caret stood after the edit
    int key_;
};

class LRichEditOpRow : public LRichEditOp {
public:
    enum Kind : int { kInserted = 1, kRemoved = 2 };

    LRichEditOpRow(int group, Kind kind, LRichEdit& edit, LGlyphEditRow* row, int row_index, int caret_index);
    ~LRichEditOpRow() override;

    void Redo(LRichEdit& edit) override;
    void Undo(LRichEdit& edit) override;
    void CollectGlyphs(std::unordered_set<LGlyph*>& glyphs) const override;

private:
    void Put(LRichEdit& edit, bool present);

    Kind kind_;
    LRichEdit& edit_;
    LGlyphEditRow* row_;
    int row_index_, caret_index_;
};

class LRichEditOpRowLineHeight : public LRichEditOp {
public:
    LRichEditOpRowLineHeight(int group, LGlyphEditRow* row, int old_gap, int new_gap);
    ~LRichEditOpRowLineHeight() override;

    void Redo(LRichEdit& edit) override;
    void Undo(LRichEdit& edit) override;
    void CollectGlyphs(std::unordered_set<LGlyph*>& glyphs) const override;

private:
    LGlyphEditRow* row_;
    int old_gap_, new_gap_;
};
