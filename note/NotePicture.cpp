#include "note/NotePicture.h"

#include "app/base/NoteRegistries.h"
#include "note/MerlaItem.h"
#include "note/NoteRichContent.h"
#include "richtext/GlyphDocument.h"
#include "richtext/LRichEdit.h"
#include "store/NoteRecord.h"
#include "store/xml/FileBytes.h"
#include "toolkit/MerlaDraw.h"

#include <gdiplus.h>
#include <objidl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr int kOpaqueAlpha = 255;

int ClampSide(int64_t side) {
    return static_cast<int>(std::clamp<int64_t>(side, 1, kMaxNotePictureSide));
}

// The picture stretched over the whole surface, as the note paints its paper.
bool DrawStretched(Gdiplus::Image& picture, LSurface& target) {
    auto bitmap = target.MakeBitmap();
    if (!bitmap)
        return false;
    Gdiplus::Graphics g(bitmap.get());
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    // Mirrored edges keep the stretched picture from fading out along its border.
    Gdiplus::ImageAttributes edges;
    edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    return g.DrawImage(&picture, Gdiplus::Rect(0, 0, target.width(), target.height()), 0, 0,
                       static_cast<INT>(picture.GetWidth()), static_cast<INT>(picture.GetHeight()),
                       Gdiplus::UnitPixel, &edges) == Gdiplus::Ok;
}

// The note's paper at its opacity: the picture stretched, else grey.
void PaintPaper(LSurface& note, const std::wstring& picture_path, int alpha) {
    if (alpha <= 0)
        return;
    auto picture = picture_path.empty() ? nullptr : LoadPictureCopy(picture_path, kMaxNotePictureSide);
    if (!picture) {
        note.Fill((static_cast<uint32_t>(alpha) << 24) | (MerlaItem::kGreyPaper & 0x00FFFFFF));
        return;
    }
    LSurface paper(note.width(), note.height());
    if (!paper || !DrawStretched(*picture, paper))
        return;
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha), AC_SRC_ALPHA};
    AlphaBlend(note.dc(), 0, 0, note.width(), note.height(), paper.dc(), 0, 0, paper.width(), paper.height(),
               blend);
}

// One box as the rich edit draws itself unscrolled, then laid onto the note at the box's place.
void PaintBox(GlyphDocument& doc, const RECT& rect, LSurface& note) {
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    LSurface out(w, h);
    if (!out)
        return;
    doc.Paint();
    RowsView view;
    view.right = w - LRichEdit::kLeftPadding;
    view.top = GlyphDocument::kTopMargin;
    view.bottom = h - GlyphDocument::kBottomMargin;
    if (view.right <= doc.TextIndent())
        return;
    doc.PaintRowsInto(out, view);
    note.BlendFrom(out, rect.left, rect.top);
}

// PNG bytes of a surface as a 32-bit ARGB picture, encoded in memory.
bool EncodePng(const LSurface& surface, std::string& png) {
    auto pargb = surface.MakeBitmap();
    if (!pargb)
        return false;
    Gdiplus::Bitmap argb(surface.width(), surface.height(), PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&argb);
        g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        if (g.DrawImage(pargb.get(), 0, 0, surface.width(), surface.height()) != Gdiplus::Ok)
            return false;
    }
    return ::EncodePng(argb, png);
}

// The stored snapshot's file when the record names one that exists.
std::wstring SnapshotPath(const std::wstring& note_folder, const std::wstring& name) {
    std::wstring pngview;
    if (!NoteRecord::ForNote(note_folder, name).ReadText(NoteKey::kPngView, pngview) || pngview.empty() ||
        !IsPlainFileName(pngview))
        return {};
    const std::wstring path = note_folder + pngview;
    return FileExists(path) ? path : std::wstring();
}

LSurface SurfaceOf(Gdiplus::Bitmap& picture) {
    LSurface s(static_cast<int>(picture.GetWidth()), static_cast<int>(picture.GetHeight()));
    if (!s)
        return s;
    auto target = s.MakeBitmap();
    if (!target)
        return LSurface();
    Gdiplus::Graphics g(target.get());
    g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    g.DrawImage(&picture, 0, 0, s.width(), s.height());
    return s;
}

LSurface Scaled(LSurface picture, int width, int height) {
    if (!picture || width <= 0 || height <= 0 || (width == picture.width() && height == picture.height()))
        return picture;
    LSurface out(ClampSide(width), ClampSide(height));
    auto source = picture.MakeBitmap();
    auto target = out.MakeBitmap();
    if (!out || !source || !target)
        return LSurface();
    Gdiplus::Graphics g(target.get());
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    g.DrawImage(source.get(), Gdiplus::Rect(0, 0, out.width(), out.height()), 0, 0, picture.width(),
                picture.height(), Gdiplus::UnitPixel);
    return out;
}

} // namespace

LSurface LiveNotePicture(MerlaItem& note) {
    if (!note.BackBuffer())
        note.Redraw();
    const LSurface& back = note.BackBuffer();
    if (!back)
        return LSurface();
    LSurface copy(back.width(), back.height());
    if (copy)
        copy.BlendFrom(back, 0, 0);
    return copy;
}

LSurface RenderNotePicture(const std::wstring& note_folder, const std::wstring& name) {
    NoteRecordReader stored(NoteRecord::ForNote(note_folder, name));
    NoteRect r;
    if (!stored.ok() || !stored.ReadRect(r))
        return LSurface();
    const int width = ClampSide(static_cast<int64_t>(r.right) - r.left);
    const int height = ClampSide(static_cast<int64_t>(r.bottom) - r.top);
    LSurface note(width, height);
    if (!note)
        return note;
    int alpha = kOpaqueAlpha;
    if (stored.ReadInt(NoteKey::kAlpha, alpha))
        alpha = std::clamp(alpha, 0, kOpaqueAlpha);
    std::wstring bkimage;
    if (!stored.ReadText(NoteKey::kBkImage, bkimage) || !IsPlainFileName(bkimage))
        bkimage.clear();
    PaintPaper(note, bkimage.empty() ? std::wstring() : note_folder + bkimage, alpha);

    const NoteRichContent content(note_folder, name);
    for (const StoredRichBox& box : content.Boxes()) {
        GlyphDocument doc(box.rect.right - box.rect.left, box.rect.bottom - box.rect.top);
        if (content.Load(box, doc, width))
            PaintBox(doc, box.rect, note);
    }
    return note;
}

LSurface NotePicture(const std::wstring& note_folder, const std::wstring& name, int width, int height) {
    if (MerlaItem* open = FindOpenNote(name)) {
        return Scaled(LiveNotePicture(*open), width, height);
    }
    const std::wstring snapshot = SnapshotPath(note_folder, name);
    if (!snapshot.empty()) {
        if (auto picture = LoadPictureCopy(snapshot, kMaxNotePictureSide)) {
            if (LSurface shot = SurfaceOf(*picture))
                return Scaled(std::move(shot), width, height);
        }
    }
    return Scaled(RenderNotePicture(note_folder, name), width, height);
}

bool NotePicturePng(const std::wstring& note_folder, const std::wstring& name, std::string& png) {
    png.clear();
    if (MerlaItem* open = FindOpenNote(name)) {
        const LSurface live = LiveNotePicture(*open);
        return live && EncodePng(live, png);
    }
    const std::wstring snapshot = SnapshotPath(note_folder, name);
    if (!snapshot.empty() && LoadPictureCopy(snapshot, kMaxNotePictureSide) && ReadFileBytes(snapshot, png) &&
        !png.empty())
        return true;
    png.clear();
    const LSurface drawn = RenderNotePicture(note_folder, name);
    return drawn && EncodePng(drawn, png);
}
