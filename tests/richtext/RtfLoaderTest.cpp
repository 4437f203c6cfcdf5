// Write, read back, compare glyphs; the loader's placement, modes and hostile input.
#include "richtext/CRtfReader.h"
#include "richtext/FontRegistry.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LGlyphImage.h"
#include "richtext/RtfFileWriter.h"
#include "store/xml/Encoding.h"
#include "tests/richtext/RichTextTestSupport.h"
#include "tests/richtext/RtfRoundTripCases.h"

#include <gtest/gtest.h>

#include <random>
#include <richedit.h>

namespace {

// Saves, loads into a fresh document and answers it.
std::unique_ptr<GlyphDocument> RoundTrip(const GlyphDocument& doc, const wchar_t* path) {
    EXPECT_TRUE(doc.Save(path));
    auto back = std::make_unique<GlyphDocument>();
    EXPECT_EQ(kRtfOk, back->Load(path));
    return back;
}

} // namespace

TEST(RtfRoundTrip, TextFontsColoursAndStyles) {
    CheckTextRoundTrip();
}

TEST(RtfRoundTrip, PicturesAndRowIcons) {
    CheckPictureRoundTrip();
}

TEST(RtfLoader, RichEditControlOutputLoadsItsText) {
    CheckRichEditOutput();
}

TEST(RtfRoundTrip, LineGapsSurviveRepeatedSaves) {
    constexpr int kLargestGap = 30;
    constexpr int kRounds = 10;
    GlyphDocument doc;
    std::wstring text = L"0";
    for (int gap = 1; gap <= kLargestGap; ++gap)
        text += L"\r" + std::to_wstring(gap);
    doc.InsertText(text);
    ASSERT_EQ(kLargestGap + 1, doc.RowCount());
    for (int gap = 0; gap <= kLargestGap; ++gap)
        doc.SetRowLineGap(gap, gap);
    auto back = RoundTrip(doc, L"gaps.rtf");
    for (int round = 1; round < kRounds; ++round)
        back = RoundTrip(*back, L"gaps.rtf");
    ASSERT_EQ(kLargestGap + 1, back->RowCount());
    for (int gap = 0; gap <= kLargestGap; ++gap)
        EXPECT_EQ(gap, back->Row(gap)->LineGap()); // 10 is written as 342 twips: 9.975 pixels
}

// "€" is 0x80 in code page 936 and a control character one byte too: escaped like the bytes of the
// double-byte characters around them, yet each is a character of its own.
TEST(RtfRoundTrip, SingleByteEscapesAmongDoubleByteCharacters) {
    const std::wstring text = L"中€文\x0b字";
    GlyphDocument doc;
    doc.InsertText(text);
    EXPECT_EQ(text, RoundTrip(doc, L"single-bytes.rtf")->GetText());
    // Files saved before hold the same bytes.
    GlyphDocument saved;
    ASSERT_EQ(
        kRtfOk,
        LoadRtfBytes(saved, "{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\\'80\\'ce\\'c4\\'0b\\'d7\\'d6}", false));
    EXPECT_EQ(text, saved.GetText());
}

// A family this machine lacks draws with the default family but keeps its name, size and style.
TEST(RtfRoundTrip, MissingFamilyKeepsItsNameSizeAndStyle) {
    GlyphDocument doc;
    doc.SetCurrentFont(FontRegistry::Instance().Get(L"NoSuchFamilyXYZ", 20, Gdiplus::FontStyleBold));
    doc.InsertText(L"ab");
    ASSERT_TRUE(doc.Save(L"missing-family.rtf"));
    GlyphDocument back;
    ASSERT_EQ(kRtfOk, back.Load(L"missing-family.rtf"));
    ASSERT_EQ(2, back.GlyphCount());
    for (int i = 0; i < 2; ++i) {
        const LGlyph* g = back.GlyphAt(i);
        const FontEntry font = DescribeFont(g->GetFont());
        EXPECT_EQ(L"NoSuchFamilyXYZ", font.family);
        EXPECT_EQ(20, font.size);
        EXPECT_EQ(Gdiplus::FontStyleBold, font.style);
        EXPECT_GT(g->Box().Width, 0);
    }
    ASSERT_TRUE(back.Save(L"missing-family-again.rtf"));
    EXPECT_EQ(ReadBytes(L"missing-family.rtf"), ReadBytes(L"missing-family-again.rtf"));
}

TEST(RtfLoader, InsertsAtTheCaretAndKeepsTheToken) {
    GlyphDocument doc;
    doc.InsertText(L"AB");
    doc.SetCaret(0, 1);
    ASSERT_EQ(kRtfOk, LoadRtfBytes(doc, "{\\rtf1{\\eecnpts tok}x\r\n\\par y}", false));
    EXPECT_EQ(L"Ax\ryB", doc.GetText());
    EXPECT_EQ("tok", doc.ProtectionToken());
    EXPECT_EQ(1, doc.CaretRow());
    EXPECT_EQ(1, doc.CaretIndex());
}

TEST(RtfLoader, EveryErrorLeavesTheDocumentAlone) {
    const std::pair<const char*, int> cases[] = {
        {"{\\rtf1 a}}", kRtfStackUnderflow}, {"{\\rtf1 {a}", kRtfEndOfFile},
        {"{\\rtf1 a\\'zz}", kRtfInvalidHex}, {"{\\rtf1 a\\fs99999999999}", kRtfBadTable},
        {"{\\rtf1 a\\", kRtfEndInWord},
    };
    for (const auto& [rtf, code] : cases) {
        GlyphDocument doc;
        doc.InsertText(L"keep");
        EXPECT_EQ(code, LoadRtfBytes(doc, rtf, false)) << rtf;
        EXPECT_EQ(L"keep", doc.GetText());
        EXPECT_EQ(1, doc.RowCount());
    }
    GlyphDocument doc;
    EXPECT_EQ(kRtfOpenFailed, doc.Load(L"missing.rtf"));
    EXPECT_EQ(0, doc.RowCount());
}

TEST(RtfLoader, PasswordAndNumericFieldsFilterTheRuns) {
    const std::string rtf = "{\\rtf1 a1\r\n\\par 2b{\\pict\\pngblip\\initcx1\\initcy1 00000000}3}";
    GlyphDocument password;
    password.SetModes(true, false, true);
    ASSERT_EQ(kRtfOk, LoadRtfBytes(password, rtf, false));
    EXPECT_EQ(L"a12b3", password.GetText());
    GlyphDocument numeric;
    numeric.SetModes(false, true, false);
    ASSERT_EQ(kRtfOk, LoadRtfBytes(numeric, rtf, false));
    EXPECT_EQ(L"123", numeric.GetText());
    EXPECT_EQ(1, numeric.RowCount());
}

TEST(RtfLoader, FontAndColourNumbersBeyondTheTables) {
    GlyphDocument doc;
    ASSERT_EQ(kRtfOk, LoadRtfBytes(doc,
                                   "{\\rtf1{\\fonttbl{\\f0 SimSun;}}{\\colortbl;\\red255\\green0\\blue0;}"
                                   "\\f7\\cf9\\highlight5\\fs24 x}",
                                   false));
    const LGlyph* x = doc.Row(0)->At(0);
    EXPECT_EQ(L"SimSun", DescribeFont(x->GetFont()).family);
    EXPECT_EQ(16, DescribeFont(x->GetFont()).size); // 12 points
    EXPECT_EQ(0xFFFF0000u, x->GetColor());          // the last entry
    EXPECT_EQ(0xFFFF0000u, x->GetBackColor());
}

// Wine's RichEdit control writes RTF the way other programs do: "\ansicpg" of the system's code page,
// "\uN" for what that code page lacks, fonts with character sets.

TEST(RtfLoader, MutatedDocumentsLoadLayOutAndPaint) {
    GlyphDocument source;
    auto picture = MakeTestPicture();
    source.InsertText(L"ab中\r");
    source.InsertPicture(picture.get(), kBlipPng);
    source.Row(0)->SetIcon(LGlyphImage::FromImage(picture.get(), kBlipPng));
    const std::string seed = RtfBytes(source.Glyphs(), true, "token");
    std::mt19937 rng(46);
    const char alphabet[] = "{}\\'0123456789-abcdefinitcxpwgoal ";
    for (int i = 0; i < 400; ++i) {
        std::string bytes = seed;
        for (int k = 0; k < 4; ++k) {
            const size_t at = rng() % bytes.size();
            if (rng() % 2)
                bytes.insert(at, 1, alphabet[rng() % (sizeof alphabet - 1)]);
            else
                bytes[at] = alphabet[rng() % (sizeof alphabet - 1)];
        }
        GlyphDocument doc(120, 60);
        LoadRtfBytes(doc, bytes, false);
        doc.Paint();
        ASSERT_LE(doc.Surface().height(), 1 << 16);
    }
}
