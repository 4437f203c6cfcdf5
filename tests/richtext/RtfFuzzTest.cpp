// Pasted RTF is outside input: random mutations must never crash, hang or yield absurd values.
#include "richtext/CRtfReader.h"

#include <gtest/gtest.h>

#include <random>

namespace {

const char* const kSeeds[] = {
    "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\'cb\\'ce\\'cc\\'e5;}{\\f1 "
    "Tahoma;}}{\\colortbl;\\red255\\green0\\blue0;}"
    "{\\eecnpts 0123456789abcdef0123456789abcdef}\\sl240\\slmult1 {\\pict\\rowpic\\pngblip\\picw529\\pich529"
    "\\picwgoal300\\pichgoal300\\initcx1\\initcy1\\pixelformat2498570 ff0000ff}\\cf1\\f0\\b\\fs20 "
    "a\\'d6\\'d0\\tab "
    "\\{\\}\\\\\r\n\\par \\sl480\\slmult1 {\\pict\\wmetafile8\\picwgoal30\\pichgoal30\\initcx2\\initcy2 "
    "0102}}",
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 "
    "Tahoma;}{\\f1\\fnil\\fcharset134 "
    "\\'cb\\'ce;}}{\\*\\generator Riched20 10.0;}\\viewkind4\\uc1\\pard\\f0\\fs16 Hello "
    "\\u20013?\\u-10179?\\u-8704?"
    "\\par\r\n\\f1\\'d6\\'d0\\par\r\n}",
    "{\\rtf1{\\info{\\title x}{\\author y}}{\\stylesheet{\\s0 "
    "Normal;}}\\uc2\\u1234\\'41\\'42{\\*\\unknown{\\pict "
    "\\bin4 abcd}}\\ldblquote q\\rdblquote\\highlight2\\ul\\ulnone\\strike0\\i\\par}",
};

const char kAlphabet[] = "{}\\'*;- 0123456789abcdefpictbinuc\r\n\xd6\xff";

void CheckBounded(const CRtfReader& r) {
    for (const RtfRun& run : r.Runs()) {
        ASSERT_GE(run.size, 0);
        ASSERT_GE(run.goal_width, 0);
        ASSERT_GE(run.goal_height, 0);
        ASSERT_GE(run.natural_width, 0);
        ASSERT_GE(run.natural_height, 0);
        ASSERT_GE(run.pixel_format, 0);
        ASSERT_GE(run.paragraph, 0);
    }
    for (int s : r.LineSpacings())
        ASSERT_GE(s, 0);
    const auto colors = r.Colors();
    ASSERT_FALSE(colors.empty());
    for (const RtfRun& run : r.Runs())
        ASSERT_LT(r.FontIndex(run.font), static_cast<int>(r.Fonts().size()));
}

} // namespace

TEST(RtfFuzz, TenThousandMutatedFilesNeverCrashOrHang) {
    std::mt19937 rng(6);
    int parsed = 0;
    for (int i = 0; i < 10000; ++i) {
        std::string bytes = kSeeds[i % std::size(kSeeds)];
        const int edits = 1 + static_cast<int>(rng() % 10);
        for (int k = 0; k < edits && !bytes.empty(); ++k) {
            const size_t at = rng() % bytes.size();
            switch (rng() % 5) {
            case 0:
                bytes[at] = kAlphabet[rng() % (sizeof kAlphabet - 1)];
                break;
            case 1:
                bytes.insert(at, 1, kAlphabet[rng() % (sizeof kAlphabet - 1)]);
                break;
            case 2:
                bytes.erase(at, 1 + rng() % 8);
                break;
            case 3:
                bytes[at] = static_cast<char>(rng());
                break;
            case 4:
                bytes.insert(at, bytes.substr(rng() % bytes.size(), rng() % 40));
                break;
            }
        }
        CRtfReader r;
        const int code = r.ReadBytes(bytes);
        ASSERT_GE(code, kRtfOk);
        ASSERT_LE(code, kRtfOpenFailed);
        parsed += code == kRtfOk;
        CheckBounded(r);
    }
    EXPECT_GT(parsed, 1000); // the mutations leave plenty of readable files to exercise the runs
}

TEST(RtfFuzz, RandomBytesAndPathologicalShapes) {
    std::mt19937 rng(1);
    for (int i = 0; i < 500; ++i) {
        std::string bytes(rng() % 2000, '\0');
        for (char& c : bytes)
            c = static_cast<char>(rng());
        CRtfReader r;
        const int code = r.ReadBytes(bytes);
        ASSERT_LE(code, kRtfOpenFailed);
    }
    CRtfReader deep;
    EXPECT_EQ(kRtfStackOverflow, deep.ReadBytes(std::string(1 << 20, '{')));
    CRtfReader bin;
    EXPECT_EQ(kRtfEndOfFile, bin.ReadBytes("{\\rtf1\\bin2147483647 abc"));
    CRtfReader words;
    std::string many = "{\\rtf1";
    for (int i = 0; i < 100000; ++i)
        many += "\\b\\'d6\\'d0";
    many += "}";
    EXPECT_EQ(kRtfOk, words.ReadBytes(many));
    EXPECT_EQ(100000u, words.Runs().size());
}
