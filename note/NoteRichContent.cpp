#include "note/NoteRichContent.h"

#include "note/LRichEditNI.h"
#include "note/NotePicture.h"
#include "richtext/GlyphDocument.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LRichEdit.h"
#include "store/NoteRecord.h"
#include "store/xml/FileBytes.h"

#include <algorithm>
#include <cstdint>

namespace {

// A rectangle from a record as the box is made from it: at least one pixel each way, and no side
// longer than a picture may be (a damaged record must not make a huge surface).
RECT BoxRect(const NoteRect& r) {
    const int64_t width = std::clamp<int64_t>(static_cast<int64_t>(r.right) - r.left, 1, kMaxNotePictureSide);
    const int64_t height =
        std::clamp<int64_t>(static_cast<int64_t>(r.bottom) - r.top, 1, kMaxNotePictureSide);
    const int left = std::clamp(r.left, -kMaxNotePictureSide, kMaxNotePictureSide);
    const int top = std::clamp(r.top, -kMaxNotePictureSide, kMaxNotePictureSide);
    return RECT{left, top, left + static_cast<int>(width), top + static_cast<int>(height)};
}

} // namespace

NoteRichContent::NoteRichContent(std::wstring note_folder, const std::wstring& name)
    : folder_(std::move(note_folder)) {
    for (const ChildItemRef& ref : NoteRecord::ForNote(folder_, name).LoadChildren()) {
        if (ref.identify != NoteKey::kRichEdit)
            continue;
        StoredRichBox box;
        box.id = ref.id;
        box.wrap = RichOptions().auto_change_line != 0;
        box.rect = RECT{0, 0, LRichEditNI::kNewBoxWidth, LRichEditNI::kNewBoxHeight};
        NoteRecordReader stored(NoteRecord::ForChild(folder_, ref.id, NoteKey::kRichEdit));
        if (stored.ok()) {
            NoteRect r;
            if (stored.ReadRect(r))
                box.rect = BoxRect(r);
            int value = 0;
            if (stored.ReadInt(NoteKey::kAutoChangeLine, value))
                box.wrap = value != 0;
            if (stored.ReadInt(NoteKey::kIsFixed, value))
                box.fixed = value != 0;
            if (stored.ReadInt(NoteKey::kEncryptShow, value))
                box.masked = value != 0;
            std::wstring content;
            if (stored.ReadText(NoteKey::kRtfText, content) && IsPlainFileName(content))
                box.content = std::move(content);
        }
        boxes_.push_back(std::move(box));
    }
}

bool NoteRichContent::Load(const StoredRichBox& box, GlyphDocument& doc, int note_width) const {
    if (box.content.empty() || !IsPlainFileName(box.content))
        return false;
    const std::wstring path = folder_ + box.content;
    if (!FileExists(path))
        return false;
    if (doc.Load(path) != 0) {
        doc.DeleteAll();
        return false;
    }
    if (box.masked)
        MaskCharacters(doc);
    // The rule the box wraps by, in the note's client coordinates.
    WrapRule rule;
    rule.wrap = box.wrap;
    rule.origin = LRichEdit::kLeftPadding + doc.TextIndent() + box.rect.left;
    rule.limit = box.fixed ? box.rect.right : std::max<int>(box.rect.right, note_width);
    doc.Reflow(rule);
    return true;
}

void MaskCharacters(GlyphDocument& doc) {
    for (int r = 0; r < doc.RowCount(); ++r) {
        for (LGlyph* g : doc.Row(r)->Children()) {
            if (g->IsChar())
                g->SetMasked(true);
        }
    }
}
