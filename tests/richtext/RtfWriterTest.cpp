// The writer's exact bytes, and the plain-text writer.
#include "richtext/CRtfWriter.h"
#include "richtext/FontRegistry.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LGlyphImage.h"
#include "richtext/RtfFileWriter.h"
#include "store/xml/FileBytes.h"
#include "tests/richtext/RichTextTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

TEST(RtfWriter, StreamEscapesInCodePage936) {
    CRtfWriter w;
    w.OpenGroup();
    w.WriteControl("rtf1");
    w.WriteText(L"a{中}\\\t\x01x");
    w.WriteControl("par");
    w.WriteRaw(" ");
    w.WriteText(L"é€한😀");
    w.WriteHexByte(0xA5);
    w.CloseGroup();
    EXPECT_EQ(0, w.Depth());
    // A control byte is escaped and makes the next byte its partner; Hangul and emoji are not in 936.
    EXPECT_EQ("{\\rtf1a\\{\\'d6\\'d0\\}\\\\\\tab \\'01\\'78\r\n\\par \\'a8\\'a6\\'80\\u-10916?\\u-10179?"
              "\\u-8704?a5}",
              w.Bytes());
}

TEST(RtfWriter, ExactDocument) {
    GlyphDocument doc(300, 100);
    doc.InsertText(L"a{b}\\c\td\r");
    doc.SetCurrentFont(FontRegistry::Instance().Get(L"DejaVu Sans", 20, Gdiplus::FontStyleBold));
    doc.SetCurrentColor(0xFFFF0000);
    doc.SetCurrentHighlight(0xFFFFFF00);
    doc.InsertText(L"中x");
    doc.SetCurrentFont(FontRegistry::Instance().Get(L"DejaVu Sans", 20, Gdiplus::FontStyleStrikeout));
    doc.InsertText(L"y");
    auto picture = MakeTestPicture();
    ASSERT_TRUE(doc.InsertPicture(picture.get(), kBlipPng));
    doc.SetCurrentHighlight(0);
    doc.InsertText(L"z");
    doc.Row(1)->SetIcon(LGlyphImage::FromImage(picture.get(), kBlipPng));
    doc.SetRowLineGap(1, 14);
    ASSERT_TRUE(doc.Save(L"exact.rtf"));
    const std::string pixels =
        "c80000ffc80028ffc80050ffc8007880c84600ffc84628ffc84650ffc8467880c88c00ffc88c28ffc88c50ffc88c7880";
    // Registry order: fonts by key (family, size, style, unit), colours by value; each test runs in a
    // process of its own, so the tables hold exactly what this document registered.
    const std::string expected =
        "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0DejaVu Sans;}{\\f1DejaVu Sans;}{\\f2\\'cb\\'ce\\'cc\\'e5;}}"
        "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;\\red255\\green255\\blue0;}"
        "\\sl240\\slmult1 \\cf1\\highlight0\\f2\\fs20 a\\{b\\}\\\\c\\tab d\r\n\\par "
        "\\sl480\\slmult1 "
        "{\\pict\\rowpic\\pngblip\\picw529\\pich529\\picwgoal300\\pichgoal300\\initcx4\\initcy3"
        "\\pixelformat2498570 " +
        pixels +
        "}\\cf2\\highlight3\\f0\\b\\fs30 \\'d6\\'d0x\\f1\\b0\\strike y"
        "\\cf1{"
        "\\pict\\pngblip\\picw105\\pich79\\picwgoal60\\pichgoal45\\initcx4\\initcy3\\pixelformat2498570 " +
        pixels + "}\\cf2\\highlight0 z}";
    EXPECT_EQ(expected, ReadBytes(L"exact.rtf"));
}

TEST(RtfWriter, LineGapsAndEmptyDocuments) {
    GlyphDocument doc;
    doc.InsertText(L"1\r2\r3\r4\r5");
    const int gaps[] = {7, 8, 14, 21, 28};
    for (int i = 0; i < 5; ++i)
        doc.SetRowLineGap(i, gaps[i]);
    const std::string rtf = RtfBytes(doc.Glyphs(), false, {});
    size_t at = 0;
    for (const char* word : {"\\sl240\\slmult1 ", "\\sl274\\slmult1 ", "\\sl480\\slmult1 ",
                             "\\sl720\\slmult1 ", "\\sl960\\slmult1 "}) {
        at = rtf.find(word, at);
        ASSERT_NE(std::string::npos, at) << word;
    }

    GlyphDocument empty;
    EXPECT_FALSE(empty.Save(L"empty.rtf"));
    EXPECT_FALSE(FileExists(L"empty.rtf")); // no file at all
    EXPECT_FALSE(WriteTextFile(L"empty.txt", empty.Glyphs()));
    EXPECT_FALSE(FileExists(L"empty.txt"));
}

TEST(RtfWriter, ProtectionTokenAndSameAttributes) {
    GlyphDocument doc;
    doc.InsertText(L"ab");
    const std::string rtf = RtfBytes(doc.Glyphs(), true, "0123456789abcdef0123456789abcdef");
    EXPECT_NE(std::string::npos, rtf.find("{\\eecnpts 0123456789abcdef0123456789abcdef}"));
    EXPECT_NE(std::string::npos, rtf.find(" ab}")); // no words between characters alike
}

TEST(RtfWriter, PlainTextKeepsEverything) {
    GlyphDocument doc;
    doc.InsertText(L"中文\rx");
    auto picture = MakeTestPicture();
    doc.InsertPicture(picture.get(), kBlipPng);
    ASSERT_TRUE(WriteTextFile(L"plain.txt", doc.Glyphs()));
    EXPECT_EQ("\xd6\xd0\xce\xc4\r\nx", ReadBytes(L"plain.txt")); // the system code page, 936

    GlyphDocument emoji;
    emoji.InsertText(L"a😀");
    ASSERT_TRUE(WriteTextFile(L"emoji.txt", emoji.Glyphs()));
    EXPECT_EQ("\xEF\xBB\xBF"
              "a\xF0\x9F\x98\x80",
              ReadBytes(L"emoji.txt")); // 936 lacks it: UTF-8
}

TEST(RtfWriter, PictureWithoutDataKeepsItsWords) {
    CRtfWriter w;
    std::unique_ptr<LGlyphImage> lost(
        LGlyphImage::FromRtf("", kBlipGif, 300, 150, 7, 9, kPixelFormat32bppARGB, 0));
    WritePictureGroup(w, *lost, false);
    EXPECT_EQ("{\\pict\\gifblip\\picw529\\pich264\\picwgoal300\\pichgoal150\\initcx7\\initcy9"
              "\\pixelformat2498570 }",
              w.Bytes());
}
