#include "richtext/LRichEditOp.h"

#include "richtext/GlyphLiveSet.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LRichEdit.h"

LRichEditOpGlyph::LRichEditOpGlyph(int group, Kind kind, std::vector<LGlyph*> glyphs, int start, int end,
                                   int key)
    : LRichEditOp(group), kind_(kind), glyphs_(std::move(glyphs)), start_(start), end_(end), key_(key) {
    for (LGlyph* g : glyphs_)
        GlyphLiveSet::Instance().AddRef(g);
}

LRichEditOpGlyph::~LRichEditOpGlyph() {
    for (LGlyph* g : glyphs_)
        GlyphLiveSet::Instance().Release(g);
}

void LRichEditOpGlyph::Redo(LRichEdit& edit) {
    if (kind_ == kInsert)
        edit.InsertGlyphsAt(start_, glyphs_);
    else
        edit.RemoveGlyphsAt(start_, static_cast<int>(glyphs_.size()));
    edit.SetCaretOffset(end_);
}

void LRichEditOpGlyph::Undo(LRichEdit& edit) {
    if (kind_ == kInsert) {
        edit.RemoveGlyphsAt(start_, static_cast<int>(glyphs_.size()));
        edit.SetCaretOffset(start_);
        return;
    }
    edit.InsertGlyphsAt(start_, glyphs_);
    edit.SetCaretOffset(key_ == kKeyBack ? end_ + static_cast<int>(glyphs_.size()) : end_);
}

void LRichEditOpGlyph::CollectGlyphs(std::unordered_set<LGlyph*>& glyphs) const {
    glyphs.insert(glyphs_.begin(), glyphs_.end());
}

LRichEditOpRow::LRichEditOpRow(int group, Kind kind, LRichEdit& edit, LGlyphEditRow* row, int row_index,
                               int caret_index)
    : LRichEditOp(group), kind_(kind), edit_(edit), row_(row), row_index_(row_index),
      caret_index_(caret_index) {
    GlyphLiveSet::Instance().AddRef(row_);
}

LRichEditOpRow::~LRichEditOpRow() {
    GlyphLiveSet::Instance().Release(row_);
}

// Rows are rebuilt by every reflow: a row is only put back where it is missing and only taken out
// where it still stands, so that a record never touches a row that now holds other glyphs.
void LRichEditOpRow::Put(LRichEdit& edit, bool present) {
    GlyphDocument& doc = edit.Document();
    if (present) {
        if (!doc.HoldsRow(row_) && row_->Count() == 0)
            edit.InsertRow(row_index_, row_);
    } else if (doc.Row(row_index_) == row_ && row_->Count() == 0) {
        edit.RemoveRow(row_index_);
    }
    edit.MoveCaret(row_index_, caret_index_, false);
}

void LRichEditOpRow::Redo(LRichEdit& edit) {
    Put(edit, kind_ == kInserted);
}

void LRichEditOpRow::Undo(LRichEdit& edit) {
    Put(edit, kind_ != kInserted);
}

void LRichEditOpRow::CollectGlyphs(std::unordered_set<LGlyph*>& glyphs) const {
    glyphs.insert(row_);
}

LRichEditOpRowLineHeight::LRichEditOpRowLineHeight(int group, LGlyphEditRow* row, int old_gap, int new_gap)
    : LRichEditOp(group), row_(row), old_gap_(old_gap), new_gap_(new_gap) {
    GlyphLiveSet::Instance().AddRef(row_);
}

LRichEditOpRowLineHeight::~LRichEditOpRowLineHeight() {
    GlyphLiveSet::Instance().Release(row_);
}

void LRichEditOpRowLineHeight::Redo(LRichEdit& edit) {
    row_->SetLineGap(new_gap_);
}

void LRichEditOpRowLineHeight::Undo(LRichEdit& edit) {
    row_->SetLineGap(old_gap_);
}

void LRichEditOpRowLineHeight::CollectGlyphs(std::unordered_set<LGlyph*>& glyphs) const {
    glyphs.insert(row_);
}
