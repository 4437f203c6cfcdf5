// Glyph measuring, styling, pictures, row metrics, placement and hit testing.
#include "richtext/ColorRegistry.h"
#include "richtext/FontRegistry.h"
#include "richtext/GlyphDocument.h"
#include "richtext/GlyphLiveSet.h"
#include "richtext/ImageFileRefs.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LGlyphImage.h"
#include "richtext/LGlyphTChar.h"
#include "store/xml/FileBytes.h"
#include "tests/richtext/RichTextTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

Gdiplus::Font* Song(int size, int style = 0) {
    return FontRegistry::Instance().Get(kDefaultFontFamily, size, style);
}

std::unique_ptr<LGlyphTChar> Char(wchar_t c, Gdiplus::Font* font = nullptr) {
    return std::unique_ptr<LGlyphTChar>(
        LGlyphTChar::Create(c, font ? font : Song(13), nullptr, 0xFF000000, 255));
}

// A row of glyphs owned by the test.
struct TestRow {
    LGlyphEditRow row;
    std::vector<std::unique_ptr<LGlyph>> glyphs;
    explicit TestRow(float x = 7) { row.SetBox(x, 10, 400, 0); }
    LGlyph* Add(LGlyph* g) {
        glyphs.emplace_back(g);
        row.AddChild(g);
        return g;
    }
    void Layout() {
        row.MoveSlotTo(3);
        row.Place();
    }
};

} // namespace

TEST(Glyph, MeasuresFromTheFont) {
    auto a = Char(L'a');
    auto wide = Char(L'中');
    EXPECT_GT(a->Box().Width, 0);
    EXPECT_GT(wide->Box().Width, a->Box().Width);
    EXPECT_EQ(CellHeight(Song(13)), a->GetHeight());
    EXPECT_EQ(AscentPx(Song(13)), a->GetAscent());
    EXPECT_GE(a->InkBox().Width, a->Box().Width + 2); // ink at least the advance plus its padding
    EXPECT_EQ(0, Char(kParagraphEnd)->Box().Width);
    auto tab = Char(kTab);
    EXPECT_EQ(kTabWidth, tab->Box().Width);
    EXPECT_EQ(0, tab->GetOverhang());
    EXPECT_TRUE(tab->IsTab());
    EXPECT_TRUE(Char(kParagraphEnd)->IsParagraphEnd());
    EXPECT_TRUE(GlyphLiveSet::Instance().IsAlive(a.get()));
    LGlyph* raw = a.release();
    delete raw;
    EXPECT_FALSE(GlyphLiveSet::Instance().IsAlive(raw));
}

TEST(Glyph, TabAdvancesToTheNextStop) {
    // Pen 0, 31 and 32 from the row start: advances 32, 1 and 32.
    for (const auto& [pen, advance] : {std::pair{0, 32}, {31, 1}, {32, 32}}) {
        TestRow r;
        if (pen > 0) {
            auto* pic = LGlyphImage::FromRtf("", kBlipPng, 0, 0, 0, 0, kPixelFormat32bppARGB, 0);
            pic->SetBox(0, 0, static_cast<float>(pen), 5);
            r.Add(pic);
        }
        LGlyph* tab = r.Add(Char(kTab).release());
        r.Layout();
        EXPECT_EQ(advance, tab->Box().Width) << "pen " << pen;
        EXPECT_EQ(7 + pen, tab->Box().X);
    }
}

TEST(Glyph, ApplyFontFlags) {
    auto c = Char(L'x', Song(13));
    c->ApplyFont(nullptr, 0, nullptr, kSetBold | kClearBold, 0); // set first, then clear
    EXPECT_EQ(0, DescribeFont(c->GetFont()).style & Gdiplus::FontStyleBold);
    c->ApplyFont(nullptr, 0, nullptr, kSetBold | kSetItalic | kSetUnderline | kSetStrikeout, 0);
    EXPECT_EQ(15, DescribeFont(c->GetFont()).style);
    c->ApplyFont(nullptr, 0, nullptr, kClearItalic | kClearStrikeout, 0);
    EXPECT_EQ(Gdiplus::FontStyleBold | Gdiplus::FontStyleUnderline, DescribeFont(c->GetFont()).style);

    auto big = Char(L'x', Song(1030));
    big->ApplyFont(nullptr, 0, nullptr, kGrowSize, 2);
    EXPECT_EQ(1024, DescribeFont(big->GetFont()).size);
    auto small = Char(L'x', Song(6));
    small->ApplyFont(nullptr, 0, nullptr, kShrinkSize, 3);
    EXPECT_EQ(5, DescribeFont(small->GetFont()).size);

    auto taken = Char(L'x', Song(13));
    Gdiplus::Font* other = FontRegistry::Instance().Get(L"DejaVu Sans", 20, 0);
    taken->ApplyFont(other, 0, nullptr, kTakeFamily, 0);
    EXPECT_EQ(L"DejaVu Sans", DescribeFont(taken->GetFont()).family);
    EXPECT_EQ(13, DescribeFont(taken->GetFont()).size);
    taken->ApplyFont(other, 0, nullptr, 0, 0); // no flags: the font as given
    EXPECT_EQ(other, taken->GetFont());
    EXPECT_GT(taken->GetHeight(), CellHeight(Song(13)));
}

TEST(Glyph, ItalicOverhangWidensInkAndShiftsPainting) {
    Gdiplus::Font* italic = FontRegistry::Instance().Get(L"DejaVu Sans", 40, Gdiplus::FontStyleItalic);
    bool found = false;
    for (wchar_t c : std::wstring(L"fjJgy")) {
        auto g = Char(c, italic);
        const int overhang = g->GetOverhang();
        if (overhang <= 0)
            continue;
        found = true;
        EXPECT_GE(g->InkBox().Width, g->Box().Width + 2);
        TestRow r(50);
        LGlyph* placed = r.Add(g.release());
        r.Layout();
        EXPECT_EQ(placed->Box().X - overhang, placed->InkBox().X);
        LSurface surface(200, 100);
        placed->DrawSelf(surface.dc(), nullptr);
        GdiFlush();
        // Ink to the left of the box start: the part of the letter that hangs over.
        EXPECT_GT(InkedPixels(surface, static_cast<int>(placed->InkBox().X), 0, overhang, 100), 0);
        break;
    }
    EXPECT_TRUE(found) << "no italic glyph with a negative ink x";
}

TEST(Glyph, PaintsTheCharacterOrTheMask) {
    LSurface surface(100, 40);
    auto a = Char(L'W', Song(20));
    a->DrawSelf(surface.dc(), nullptr);
    GdiFlush();
    const int ink = InkedPixels(surface, 0, 0, 100, 40);
    EXPECT_GT(ink, 10);

    LSurface masked(100, 40);
    auto m = Char(L'W', Song(20));
    m->SetMasked(true);
    std::unique_ptr<LGlyph> clone(m->Clone());
    EXPECT_TRUE(clone->Masked());
    clone->DrawSelf(masked.dc(), nullptr);
    GdiFlush();
    const int star = InkedPixels(masked, 0, 0, 100, 40);
    EXPECT_GT(star, 0);
    EXPECT_LT(star, ink); // "*" is smaller than "W"

    LSurface nothing(100, 40);
    Char(kTab)->DrawSelf(nothing.dc(), nullptr);
    Char(kParagraphEnd)->DrawSelf(nothing.dc(), nullptr);
    GdiFlush();
    EXPECT_EQ(0, InkedPixels(nothing, 0, 0, 100, 40));
}

TEST(Glyph, PictureDataFileAndCloneCounts) {
    auto bitmap = MakeTestPicture();
    std::unique_ptr<LGlyphImage> pic(LGlyphImage::FromImage(bitmap.get(), kBlipPng));
    ASSERT_TRUE(pic);
    EXPECT_EQ(std::make_pair(4, 3), pic->GetNaturalSize());
    EXPECT_EQ(4, pic->Box().Width);
    EXPECT_EQ(0, pic->GetAscent()); // height 3 less 3
    const std::string bytes = ReadBytes(pic->DataPath());
    ASSERT_EQ(48u, bytes.size());
    // Raw ARGB, B G R A, rows top down: pixel (1, 2) is (255, 40, 140, 200).
    EXPECT_EQ(std::string("\xc8\x8c\x28\xff", 4), bytes.substr((2 * 4 + 1) * 4, 4));
    std::string hex;
    ASSERT_TRUE(pic->GetHexData(hex));
    EXPECT_EQ(96u, hex.size());
    EXPECT_EQ("c80000ff", hex.substr(0, 8));

    const std::wstring path = pic->DataPath();
    EXPECT_EQ(1, ImageFileRefs::Instance().Count(path));
    std::unique_ptr<LGlyph> one(pic->Clone());
    EXPECT_EQ(2, ImageFileRefs::Instance().Count(path));
    std::unique_ptr<LGlyph> two(pic->Clone());
    EXPECT_EQ(3, ImageFileRefs::Instance().Count(path));
    pic.reset();
    one.reset();
    EXPECT_TRUE(FileExists(path));
    two.reset();
    EXPECT_FALSE(FileExists(path)); // the last picture let its file go

    std::unique_ptr<LGlyphImage> none(
        LGlyphImage::FromRtf("", kBlipPng, 300, 300, 1, 1, kPixelFormat32bppARGB, 0));
    std::string nothing;
    EXPECT_FALSE(none->GetHexData(nothing));
    EXPECT_TRUE(nothing.empty());
    EXPECT_EQ(20, none->Box().Width); // 300 twips at 96 dpi
}

TEST(Glyph, PicturePaintsItsPixelsAndRefusesShortData) {
    auto bitmap = MakeTestPicture();
    std::unique_ptr<LGlyphImage> pic(LGlyphImage::FromImage(bitmap.get(), kBlipPng));
    LSurface surface(20, 20);
    pic->Draw(surface.dc(), nullptr, Gdiplus::RectF(2, 2, 4, 3));
    GdiFlush();
    EXPECT_EQ(0xFF288CC8u, surface.Pixel(2 + 1, 2 + 2) | 0); // opaque pixel (1, 2) as it was
    EXPECT_EQ(12, InkedPixels(surface, 0, 0, 20, 20));

    // Data shorter than the natural size says paints nothing (and reads nothing beyond it).
    std::unique_ptr<LGlyphImage> liar(
        LGlyphImage::FromRtf("ff00ff00", kBlipPng, 1500, 1500, 1000, 1000, kPixelFormat32bppARGB, 0));
    LSurface other(20, 20);
    liar->Draw(other.dc(), nullptr, Gdiplus::RectF(0, 0, 20, 20));
    GdiFlush();
    EXPECT_EQ(0, InkedPixels(other, 0, 0, 20, 20));
}

TEST(Glyph, MetafilePicturesAreNeverLost) {
    auto bitmap = MakeTestPicture();
    std::unique_ptr<LGlyphImage> pic(LGlyphImage::FromImage(bitmap.get(), kBlipMetafile));
    ASSERT_TRUE(pic);
    std::string hex;
    ASSERT_TRUE(pic->GetHexData(hex));
    if (pic->GetBlipType() == kBlipPng)
        EXPECT_EQ(96u, hex.size()); // the platform made no metafile: raw pixels instead
    else
        EXPECT_GT(hex.size(), 60u);

    // Metafile bits as Windows writes them still paint.
    HDC meta = CreateMetaFileW(nullptr);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all = {0, 0, 100, 100};
    SetMapMode(meta, MM_ANISOTROPIC);
    SetWindowExtEx(meta, 100, 100, nullptr);
    FillRect(meta, &all, red);
    HMETAFILE wmf = CloseMetaFile(meta);
    DeleteObject(red);
    const UINT size = GetMetaFileBitsEx(wmf, 0, nullptr);
    std::string bits(size, '\0');
    GetMetaFileBitsEx(wmf, size, bits.data());
    DeleteMetaFile(wmf);
    std::string wmf_hex;
    AppendHex(wmf_hex, bits);
    std::unique_ptr<LGlyphImage> windows(
        LGlyphImage::FromRtf(wmf_hex, kBlipMetafile, 150, 150, 10, 10, kPixelFormat32bppARGB, 0));
    LSurface surface(20, 20);
    windows->Draw(surface.dc(), nullptr, Gdiplus::RectF(0, 0, 10, 10));
    GdiFlush();
    EXPECT_EQ(0xFFFF0000u, surface.Pixel(5, 5));

    // A display size of 0 renders nothing.
    std::unique_ptr<LGlyphImage> empty(
        LGlyphImage::FromRtf(wmf_hex, kBlipMetafile, 0, 0, 10, 10, kPixelFormat32bppARGB, 0));
    LSurface blank(20, 20);
    empty->Draw(blank.dc(), nullptr, Gdiplus::RectF(0, 0, 10, 10));
    GdiFlush();
    EXPECT_EQ(0, InkedPixels(blank, 0, 0, 20, 20));
}

TEST(Glyph, RowMetricsHitTestingAndCaret) {
    TestRow r;
    LGlyph* a = r.Add(Char(L'a', Song(13)).release());
    LGlyph* big = r.Add(Char(L'B', Song(30)).release());
    LGlyph* end = r.Add(Char(kParagraphEnd, Song(60)).release()); // ignored by the metrics
    r.Layout();
    EXPECT_EQ(AscentPx(Song(30)), r.row.GetAscent());
    EXPECT_EQ(CellHeight(Song(30)), static_cast<int>(r.row.Box().Height));
    EXPECT_EQ(CellHeight(Song(30)) + LGlyphEditRow::kDefaultLineGap, r.row.GetHeight());
    // Common baseline: a's top lies lower by the ascent difference.
    EXPECT_EQ(big->Box().Y + AscentPx(Song(30)) - AscentPx(Song(13)), a->Box().Y);

    const int y = static_cast<int>(big->Box().Y) + 2;
    const int ax = static_cast<int>(a->Box().X);
    EXPECT_EQ(0, r.row.HitTest(ax - 5, y, true).index);
    EXPECT_EQ(0, r.row.HitTest(ax + 1, y, true).index);
    EXPECT_EQ(1, r.row.HitTest(ax + static_cast<int>(a->Box().Width) - 1, y, true).index);
    EXPECT_EQ(1, r.row.HitTest(static_cast<int>(big->Box().X) + 2, y, false).index);
    EXPECT_EQ(2, r.row.HitTest(390, y, true).index); // beyond the paragraph end: before it
    EXPECT_EQ(0, r.row.HitTest(ax + 1, -100, true).index);
    const RowHit hit = r.row.HitTest(ax + 1, y, true);
    EXPECT_EQ(static_cast<int>(a->Box().Y) - LGlyphEditRow::kDefaultLineGap, hit.caret.Y);

    r.row.SetCaretIndex(99);
    EXPECT_EQ(2, r.row.CaretIndex()); // never behind the trailing paragraph end
    r.row.SetCaretIndex(-4);
    EXPECT_EQ(0, r.row.CaretIndex());
    (void)end;
}

TEST(Glyph, RowHoldingOnlyItsParagraphEnd) {
    TestRow r;
    r.Add(Char(L'a', Song(20)).release());
    r.Layout();
    const float height = r.row.Box().Height;
    std::vector<LGlyph*> gone = r.row.RemoveGlyphs(0, 1);
    r.Add(Char(kParagraphEnd, Song(40)).release());
    r.Layout();
    EXPECT_EQ(height, r.row.Box().Height); // paragraph ends do not count
    const RowHit hit = r.row.HitTest(200, 20, true);
    EXPECT_EQ(0, hit.index);
    EXPECT_EQ(r.row.GetHitBox().Y, hit.caret.Y);
    EXPECT_EQ(r.row.GetHitBox().Height, hit.caret.Height);
    EXPECT_TRUE(r.row.IsBlank());
}

namespace {
int g_height_change = 0;
LRESULT CALLBACK Listener(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kRowHeightChanged) {
        g_height_change = static_cast<int>(lp);
        return 1;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}
} // namespace

TEST(Glyph, RowTellsSubscribersAndMovesItsPixels) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Listener;
    wc.lpszClassName = L"RowListener";
    RegisterClassW(&wc);
    HWND listener =
        CreateWindowW(L"RowListener", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(listener);

    LSurface surface(200, 120);
    TestRow r(10);
    r.row.SetSurface(surface.dc());
    r.row.Subscribe(kRowHeightChanged, listener);
    r.Add(Char(L'H', Song(13)).release());
    r.Layout();
    r.row.Paint();
    GdiFlush();
    const int before = InkedPixels(surface, 0, 0, 200, 120);
    ASSERT_GT(before, 0);
    r.Add(Char(L'H', Song(26)).release()); // a taller glyph: baseline and height grow
    EXPECT_EQ(CellHeight(Song(26)) - CellHeight(Song(13)), g_height_change);

    // Moving the row down carries its pixels and leaves the band above transparent.
    LSurface moved(200, 120);
    TestRow m(10);
    m.row.SetSurface(moved.dc());
    m.Add(Char(L'H', Song(13)).release());
    m.Layout();
    m.row.Paint();
    GdiFlush();
    const Gdiplus::RectF ink = m.row.InkBox();
    const int top = InkedPixels(moved, 0, static_cast<int>(ink.Y), 200, static_cast<int>(ink.Height));
    m.row.Offset(0, 40);
    GdiFlush();
    EXPECT_EQ(top, InkedPixels(moved, 0, static_cast<int>(ink.Y) + 40, 200, static_cast<int>(ink.Height)));
    EXPECT_EQ(0, InkedPixels(moved, 0, static_cast<int>(ink.Y), 200, 40));
    DestroyWindow(listener);
}

TEST(Glyph, FontRegistryAndSizeConversions) {
    Gdiplus::Font* a = Song(13);
    EXPECT_EQ(a, Song(13)); // interned
    EXPECT_NE(a, Song(14));
    Gdiplus::Font* missing = FontRegistry::Instance().Get(L"No Such Family 123", 13, 0);
    EXPECT_EQ(L"No Such Family 123", DescribeFont(missing).family); // drawn with the default family
    EXPECT_EQ(13, DescribeFont(missing).size);

    const int points = PixelToPointSize(13, kDefaultFontFamily, 0);
    EXPECT_GE(points, 9);
    EXPECT_LE(points, 10);
    EXPECT_EQ(16, PointToPixelSize(12, kDefaultFontFamily, 0));
    EXPECT_EQ(PixelToPointSize(13, kDefaultFontFamily, 0),
              PixelToPointSize(13, L"DejaVu Sans", 1)); // keyed by size
    for (int px = 8; px <= 40; px += 4) {
        const int pt = PixelToPointSize(px, L"DejaVu Sans", 0);
        EXPECT_GE(PointToPixelSize(pt, L"DejaVu Sans", 0), px - 1) << px;
    }
}

TEST(Glyph, LineBreakingWrapsWithinTheLimit) {
    GlyphDocument doc(300, 100);
    doc.InsertText(L"The quick brown fox jumps over the lazy dog again and again\r短行\r");
    const int paragraphs = doc.RowCount();
    ASSERT_EQ(3, paragraphs);
    doc.SetRowLineGap(1, 21);
    auto picture = MakeTestPicture();
    doc.Row(1)->SetIcon(LGlyphImage::FromImage(picture.get(), kBlipPng));
    WrapRule rule;
    rule.wrap = true;
    rule.origin = 7 + doc.TextIndent();
    rule.limit = 120;
    doc.Reflow(rule);
    EXPECT_GT(doc.RowCount(), paragraphs + 1);
    EXPECT_EQ(doc.GetText(), L"The quick brown fox jumps over the lazy dog again and again\r短行\r");
    for (int r = 0; r < doc.RowCount(); ++r) {
        const LGlyphEditRow* row = doc.Row(r);
        if (row->Count() > 1) { // a single glyph always stays
            EXPECT_LT(rule.origin + row->ContentWidth(), rule.limit + 1) << r;
        }
        for (int i = 0; i + 1 < row->Count(); ++i)
            EXPECT_FALSE(row->At(i)->IsParagraphEnd()); // a paragraph end closes its row
    }
    rule.wrap = false;
    doc.Reflow(rule);
    EXPECT_EQ(paragraphs, doc.RowCount());
    EXPECT_EQ(21, doc.Row(1)->LineGap()); // gaps and icons stay with their paragraphs
    EXPECT_TRUE(doc.Row(1)->Icon());
    EXPECT_FALSE(doc.Row(0)->Icon());
    EXPECT_EQ(2, doc.CaretRow()); // still behind the text
}

TEST(Glyph, RegistriesCountLiveGlyphsAndColours) {
    GlyphLiveSet& live = GlyphLiveSet::Instance();
    LGlyph* kept = LGlyphTChar::Create(L'k', Song(13), nullptr, 0xFF00FF00, 255);
    EXPECT_EQ(0, live.Count(kept));
    EXPECT_EQ(1, live.AddRef(kept));
    EXPECT_EQ(2, live.AddRef(kept));
    EXPECT_EQ(1, live.Release(kept));
    EXPECT_EQ(0, live.Release(kept));
    EXPECT_TRUE(live.IsAlive(kept)); // the document may still hold it: the caller decides
    LGlyph* undone = LGlyphTChar::Create(L'u', Song(13), nullptr, 0xFF0000FF, 255);
    live.AddRef(undone);
    live.DeleteCounted(); // shutdown: what undo records still keep goes
    EXPECT_FALSE(live.IsAlive(undone));
    EXPECT_TRUE(live.IsAlive(kept));
    delete kept;

    const std::vector<uint32_t> colors = ColorRegistry::Instance().Colors();
    EXPECT_TRUE(std::is_sorted(colors.begin(), colors.end()));
    EXPECT_NE(colors.end(), std::find(colors.begin(), colors.end(), 0xFF00FF00u));
    EXPECT_EQ(0xFF000000u, DefaultTextColor());
}

TEST(Glyph, DocumentOffsetsSpanRowsAndKeptRowsSurviveReflow) {
    GlyphDocument doc(200, 40);
    doc.InsertText(L"ab\rcd\r");
    ASSERT_EQ(3, doc.RowCount());
    EXPECT_EQ(6, doc.GlyphCount());
    EXPECT_EQ(std::make_pair(1, 0), doc.OffsetToPosition(3)); // after a paragraph end: the next row
    EXPECT_EQ(std::make_pair(2, 0), doc.OffsetToPosition(6));
    EXPECT_EQ(4, doc.PositionToOffset(1, 1));
    // A removal across the row boundary, and the glyphs put back where they were.
    std::vector<LGlyph*> taken = doc.RemoveRange(1, 3);
    ASSERT_EQ(3u, taken.size());
    EXPECT_EQ(L"ad\r", doc.GetText());
    doc.InsertAt(1, taken);
    EXPECT_EQ(L"ab\rcd\r", doc.GetText());
    // A row an undo record keeps outlives the reflow that drops it from the document.
    LGlyphEditRow* kept = doc.CreateRow(1);
    GlyphLiveSet::Instance().AddRef(kept);
    doc.Reflow(WrapRule{});
    EXPECT_FALSE(doc.HoldsRow(kept));
    EXPECT_TRUE(GlyphLiveSet::Instance().IsAlive(kept));
    GlyphLiveSet::Instance().Release(kept);
    delete kept;
    // Growing the surface keeps what was painted.
    doc.Paint();
    const int inked = InkedPixels(doc.Surface(), 0, 0, 200, 40);
    ASSERT_GT(inked, 0);
    doc.GrowSurface(400, 300);
    EXPECT_EQ(400, doc.Surface().width());
    EXPECT_EQ(inked, InkedPixels(doc.Surface(), 0, 0, 200, 40));
}
