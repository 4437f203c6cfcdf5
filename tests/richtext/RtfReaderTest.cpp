// The reader on its own: this system's dialect, RTF from other programs, and every error code.
#include "richtext/CRtfReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::wstring RunText(const CRtfReader& r) {
    std::wstring all;
    for (const RtfRun& run : r.Runs())
        all += run.wide;
    return all;
}

int Parse(CRtfReader& r, const std::string& rtf) {
    return r.ReadBytes(rtf);
}

} // namespace

TEST(RtfReader, OwnDialectRunsFontsColoursAndToken) {
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\'cb\\'ce\\'cc\\'e5;}{\\f1 Tahoma;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}"
        "{\\eecnpts 0123abcd}\\sl240\\slmult1 \\cf1\\f1\\b\\fs20 a\\'d6\\'d0"
        "\\cf2\\highlight1\\i\\ul\\strike b\r\n\\par \\sl480\\slmult1 \\b0\\i0\\ulnone\\strike0 c}";
    CRtfReader r;
    ASSERT_EQ(kRtfOk, Parse(r, rtf));
    ASSERT_EQ(2u, r.Fonts().size());
    EXPECT_EQ(L"宋体", r.Fonts()[0].wide);
    EXPECT_EQ(L"Tahoma", r.Fonts()[1].wide);
    ASSERT_EQ(3u, r.Colors().size());
    EXPECT_EQ(0, r.Colors()[0].red); // the automatic colour comes first
    EXPECT_EQ(255, r.Colors()[1].red);
    EXPECT_EQ(255, r.Colors()[2].blue);
    EXPECT_EQ("0123abcd", r.Token());
    EXPECT_EQ(936u, r.CodePage());
    EXPECT_EQ(L"a中b\rc", RunText(r));
    ASSERT_EQ(5u, r.Runs().size());
    const RtfRun& a = r.Runs()[0];
    EXPECT_EQ(1, a.font);
    EXPECT_EQ(1, a.color);
    EXPECT_EQ(20, a.size);
    EXPECT_TRUE(a.bold);
    EXPECT_EQ(-1, a.highlight);
    EXPECT_EQ("\xd6\xd0", r.Runs()[1].text); // a double-byte character is one run
    const RtfRun& b = r.Runs()[2];
    EXPECT_TRUE(b.italic && b.underline && b.strike);
    EXPECT_EQ(1, b.highlight);
    EXPECT_EQ(0, b.paragraph);
    const RtfRun& c = r.Runs()[4];
    EXPECT_EQ(1, c.paragraph);
    EXPECT_FALSE(c.bold || c.italic || c.underline || c.strike);
    EXPECT_EQ((std::vector<int>{240, 480}), r.LineSpacings());
    EXPECT_EQ(2u, r.Paragraphs().size());
}

TEST(RtfReader, AGroupsEndGivesBackTheCharacterFormatting) {
    CRtfReader r;
    ASSERT_EQ(kRtfOk, Parse(r, "{\\rtf1{\\fonttbl{\\f0 A;}{\\f1 B;}}{\\colortbl;\\red255\\green0\\blue0;}"
                               "\\f0\\fs20 {\\b\\i\\ul\\strike\\f1\\fs40\\cf1\\highlight1 x}y}"));
    ASSERT_EQ(2u, r.Runs().size());
    const RtfRun& inside = r.Runs()[0];
    EXPECT_TRUE(inside.bold && inside.italic && inside.underline && inside.strike);
    EXPECT_EQ(1, inside.font);
    EXPECT_EQ(40, inside.size);
    EXPECT_EQ(1, inside.color);
    EXPECT_EQ(1, inside.highlight);
    const RtfRun& after = r.Runs()[1];
    EXPECT_FALSE(after.bold || after.italic || after.underline || after.strike);
    EXPECT_EQ(0, after.font);
    EXPECT_EQ(20, after.size);
    EXPECT_EQ(-1, after.color);
    EXPECT_EQ(-1, after.highlight);
}

TEST(RtfReader, MetafileWordAndColourIndexing) {
    for (const char* word : {"\\wmetafile8", "\\wmetafile", "\\wmetafile3"}) {
        CRtfReader r;
        ASSERT_EQ(kRtfOk, Parse(r, std::string("{\\rtf1{\\pict") + word +
                                       "\\picwgoal300\\pichgoal150"
                                       "\\initcx20\\initcy10\\pixelformat137224 0a0b0c}}"));
        ASSERT_EQ(1u, r.Runs().size()) << word;
        const RtfRun& pic = r.Runs()[0];
        EXPECT_EQ("wmetafile8", pic.blip);
        EXPECT_EQ("0a0b0c", pic.text);
        EXPECT_EQ(300, pic.goal_width);
        EXPECT_EQ(150, pic.goal_height);
        EXPECT_EQ(20, pic.natural_width);
        EXPECT_EQ(137224, pic.pixel_format);
    }
    CRtfReader r;
    ASSERT_EQ(kRtfOk, Parse(r, "{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}\\cf1 a\\cf0 b}"));
    const auto colors = r.Colors();
    EXPECT_EQ(1, colors[static_cast<size_t>(r.Runs()[0].color)].red); // cf1: first listed colour
    EXPECT_EQ(0, colors[static_cast<size_t>(r.Runs()[1].color)].red); // cf0: black
}

TEST(RtfReader, StarSkipsUnknownGroupsOnly) {
    CRtfReader r;
    ASSERT_EQ(
        kRtfOk,
        Parse(r, "{\\rtf1{\\*\\generator Wine;}{\\unknownword kept}{\\*\\shppict x}{\\info{\\title t}}z}"));
    EXPECT_EQ(L"keptz", RunText(r));
}

TEST(RtfReader, EscapedBytesPairOnlyAfterALeadByte) {
    CRtfReader r;
    ASSERT_EQ(kRtfOk, Parse(r, "{\\rtf1\\ansicpg936 \\'80\\'d6\\'d0b\\'0b\\'41}"));
    ASSERT_EQ(5u, r.Runs().size());
    EXPECT_EQ("\x80", r.Runs()[0].text);
    EXPECT_EQ("\xd6\xd0", r.Runs()[1].text);
    EXPECT_EQ("b", r.Runs()[2].text);
    EXPECT_EQ("\x0b", r.Runs()[3].text);
    EXPECT_EQ(L"€中b\vA", RunText(r));
}

TEST(RtfReader, TextOutsideGroupsIsDropped) {
    CRtfReader r;
    ASSERT_EQ(kRtfOk, Parse(r, "{\\rtf1 in}out"));
    EXPECT_EQ(L"in", RunText(r));
}

TEST(RtfReader, RowIconsAndSpacingPerParagraph) {
    CRtfReader r;
    ASSERT_EQ(kRtfOk,
              Parse(r,
                    "{\\rtf1\\sl480\\slmult1 {\\pict\\rowpic\\pngblip\\initcx1\\initcy1 00112233}a\r\n\\par "
                    "b\r\n\\par \\sl720\\slmult1 {\\pict\\pngblip\\initcx1\\initcy1 44556677}}"));
    ASSERT_EQ(3u, r.Paragraphs().size());
    EXPECT_TRUE(r.Paragraphs()[0].has_icon);
    EXPECT_EQ("00112233", r.Paragraphs()[0].icon.text);
    EXPECT_FALSE(r.Paragraphs()[1].has_icon);
    EXPECT_EQ((std::vector<int>{480, 240, 720}), r.LineSpacings()); // the middle paragraph had none
    int pictures = 0;
    for (const RtfRun& run : r.Runs())
        pictures += run.IsPicture();
    EXPECT_EQ(1, pictures); // the row icon is no run
}

TEST(RtfReader, OneSpacingValuePerParagraph) {
    CRtfReader r;
    ASSERT_EQ(kRtfOk, Parse(r, "{\\rtf1 a}"));
    EXPECT_EQ((std::vector<int>{240}), r.LineSpacings()); // none at all: one line
    CRtfReader twice;
    ASSERT_EQ(kRtfOk, Parse(twice, "{\\rtf1\\sl480\\sl720 a\\par b}"));
    EXPECT_EQ((std::vector<int>{720, 240}), twice.LineSpacings());
}

// Other programs: "\uN" with negative N, the fallback count, "\'" bytes in the declared code page
// and in the font's character set, and a font table without inner groups.
TEST(RtfReader, UnicodeWordsAndDeclaredCodePages) {
    CRtfReader r;
    ASSERT_EQ(kRtfOk,
              Parse(r, "{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\u20013?\\uc2\\u-10179\\'3f\\'3f\\u-8704?"
                       "?!}"));
    EXPECT_EQ(L"café 中\U0001F600!", RunText(r));

    CRtfReader odd; // a lone escaped byte never waits beyond its paragraph
    ASSERT_EQ(kRtfOk, Parse(odd, "{\\rtf1\\ansicpg1252 caf\\'e9\\par x}"));
    EXPECT_EQ(L"café\rx", RunText(odd));

    CRtfReader cn;
    ASSERT_EQ(kRtfOk,
              Parse(cn, "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fnil Arial;}{\\f1\\fnil\\fcharset134 "
                        "\\'cb\\'ce\\'cc\\'e5;}}\\f1 \\'d6\\'d0\\f0 x}"));
    EXPECT_EQ(L"中x", RunText(cn));
    EXPECT_EQ(L"宋体", cn.Fonts()[1].wide);

    CRtfReader digit;
    ASSERT_EQ(kRtfOk, Parse(digit, "{\\rtf1{\\fonttbl{\\f0 8514oem;}{\\f1  Lead;}}}"));
    EXPECT_EQ(L"8514oem", digit.Fonts()[0].wide);
    EXPECT_EQ(L" Lead", digit.Fonts()[1].wide);

    CRtfReader flat;
    ASSERT_EQ(kRtfOk, Parse(flat, "{\\rtf1{\\fonttbl\\f0\\fswiss Helvetica;\\f2\\froman Times;}\\f2 x}"));
    ASSERT_EQ(2u, flat.Fonts().size());
    EXPECT_EQ(L"Times", flat.Fonts()[static_cast<size_t>(flat.FontIndex(2))].wide);
    EXPECT_EQ(1, flat.FontIndex(9)); // beyond the table: the last entry
}

TEST(RtfReader, HostileParametersStayBounded) {
    CRtfReader r;
    ASSERT_EQ(kRtfOk, Parse(r, "{\\rtf1\\f-5\\cf-3\\highlight-1\\fs-20\\sl-2147483648\\b-1 a"
                               "{\\pict\\pngblip\\picwgoal-100\\pichgoal-7\\initcx-4\\initcy999999999 ff}}"));
    ASSERT_EQ(2u, r.Runs().size());
    const RtfRun& a = r.Runs()[0];
    EXPECT_EQ(-1, a.font); // negative numbers select nothing
    EXPECT_EQ(-1, a.color);
    EXPECT_EQ(-1, a.highlight);
    EXPECT_EQ(0, a.size);
    EXPECT_TRUE(a.bold);
    for (int s : r.LineSpacings()) {
        EXPECT_GE(s, 0);
        EXPECT_LE(s, 20 * kRtfSingleSpacing);
    }
    const RtfRun& pic = r.Runs()[1];
    EXPECT_EQ(0, pic.goal_width);
    EXPECT_EQ(0, pic.goal_height);
    EXPECT_EQ(0, pic.natural_width);
    EXPECT_LE(pic.natural_height, 32767);
}

TEST(RtfReader, BinaryPictureDataBecomesHex) {
    CRtfReader r;
    ASSERT_EQ(kRtfOk, Parse(r, std::string("{\\rtf1{\\pict\\pngblip\\bin3 \x01}\xff}}")));
    ASSERT_EQ(1u, r.Runs().size());
    EXPECT_EQ("017dff", r.Runs()[0].text);
}

TEST(RtfReader, EveryErrorCode) {
    struct Case {
        const char* rtf;
        int code;
    } cases[] = {
        {"{\\rtf1 a}", kRtfOk},
        {"{\\rtf1 a}}", kRtfStackUnderflow},
        {"}", kRtfStackUnderflow},
        {"{\\rtf1 {a}", kRtfEndOfFile},
        {"{\\rtf1 \\'4g}", kRtfInvalidHex},
        {"{\\rtf1 \\abcdefghijklmnopqrstuvwxyzabcdefgh}", kRtfBadTable},
        {"{\\rtf1 \\fs12345678901}", kRtfBadTable},
        {"{\\rtf1 \\", kRtfEndInWord},
        {"{\\rtf1 \\par", kRtfEndInWord},
    };
    for (const Case& c : cases) {
        CRtfReader r;
        EXPECT_EQ(c.code, Parse(r, c.rtf)) << c.rtf;
    }
    CRtfReader deep;
    EXPECT_EQ(kRtfStackOverflow, Parse(deep, std::string(CRtfReader::kMaxDepth + 1, '{')));
    CRtfReader missing;
    EXPECT_EQ(kRtfOpenFailed, missing.Read(L"no such file.rtf"));
    // Code 6 (an impossible input state) has no input that reaches it.
}

TEST(RtfReader, ReadsFromFile) {
    FILE* f = _wfopen(L"in.rtf", L"wb");
    ASSERT_NE(nullptr, f);
    std::fputs("{\\rtf1 a\r\n\\par b}", f);
    std::fclose(f);
    CRtfReader r;
    ASSERT_EQ(kRtfOk, r.Read(L"in.rtf"));
    EXPECT_EQ(L"a\rb", RunText(r));
}
