// The clipboard's readers on their own: bitmap blocks of every layout, the instant-messaging XML,
// text blocks, and random and truncated input for all of them.
#include "richtext/ClipboardFormats.h"
#include "store/xml/CXmlDoc.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>

namespace {

void Put16(std::string& s, uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A BITMAPINFOHEADER-style header of header_size bytes (masks in it from 52 bytes on).
std::string Header(uint32_t header_size, int width, int height, int bits, uint32_t compression,
                   uint32_t clr_used = 0, std::vector<uint32_t> header_masks = {}) {
    std::string s;
    Put32(s, header_size);
    Put32(s, static_cast<uint32_t>(width));
    Put32(s, static_cast<uint32_t>(height));
    Put16(s, 1);
    Put16(s, static_cast<uint16_t>(bits));
    Put32(s, compression);
    Put32(s, 0);
    Put32(s, 0);
    Put32(s, 0);
    Put32(s, clr_used);
    Put32(s, 0);
    for (uint32_t m : header_masks)
        Put32(s, m);
    s.resize(header_size, '\0');
    return s;
}

std::string Bytes(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes)
        s.push_back(static_cast<char>(b));
    return s;
}

// A copy of the bytes that ends right where an inaccessible page begins: reading one byte past the
// block crashes the test instead of passing unseen.
class GuardedBlock {
public:
    explicit GuardedBlock(const std::string& bytes) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const size_t page = info.dwPageSize;
        const size_t data_pages = (bytes.size() + page - 1) / page;
        size_ = (data_pages + 1) * page;
        base_ = static_cast<char*>(VirtualAlloc(nullptr, size_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (!base_ || !VirtualProtect(base_ + data_pages * page, page, PAGE_NOACCESS, &old)) {
            ADD_FAILURE() << "no guarded memory";
            return;
        }
        data_ = base_ + data_pages * page - bytes.size();
        std::memcpy(data_, bytes.data(), bytes.size());
        view_ = std::string_view(data_, bytes.size());
    }
    ~GuardedBlock() {
        if (base_)
            VirtualFree(base_, 0, MEM_RELEASE);
    }
    GuardedBlock(const GuardedBlock&) = delete;
    GuardedBlock& operator=(const GuardedBlock&) = delete;
    std::string_view view() const { return view_; }

private:
    char* base_ = nullptr;
    char* data_ = nullptr;
    size_t size_ = 0;
    std::string_view view_;
};

std::vector<uint32_t> Decode(const std::string& block) {
    DibPixels p;
    EXPECT_TRUE(DecodeDib(block, p));
    return p.argb;
}

std::vector<std::string> SampleDibs() {
    std::vector<std::string> dibs;
    // 8 bits, two colours used, 3 wide (rows padded to 4 bytes), 2 high, bottom up.
    std::string palette;
    Put32(palette, 0x00102030);
    Put32(palette, 0x00405060);
    dibs.push_back(Header(40, 3, 2, 8, 0, 2) + palette + Bytes({1, 0, 1, 0, 0, 1, 7, 0}));
    // 1 bit, full two-entry table, 9 wide: one row of 4 bytes.
    std::string mono;
    Put32(mono, 0x00000000);
    Put32(mono, 0x00FFFFFF);
    dibs.push_back(Header(40, 9, 1, 1, 0) + mono + Bytes({0xA5, 0x80, 0, 0}));
    // 24 bits, 1 wide: each row padded from 3 to 4 bytes.
    dibs.push_back(Header(40, 1, 2, 24, 0) + Bytes({0x01, 0x02, 0x03, 0, 0x04, 0x05, 0x06, 0}));
    // 16 bits 5-5-5.
    dibs.push_back(Header(40, 2, 1, 16, 0) + Bytes({0x00, 0x7C, 0x1F, 0x00}));
    // 32 bits with a one-entry colour table that only optimises palettes: the pixels follow it.
    dibs.push_back(Header(40, 1, 1, 32, 0, 1) + Bytes({9, 9, 9, 9}) + Bytes({0x33, 0x22, 0x11, 0x80}));
    // V4 header, 16-bit 5-6-5 masks in the header.
    dibs.push_back(Header(108, 1, 1, 16, 3, 0, {0xF800, 0x07E0, 0x001F}) + Bytes({0xE0, 0x07, 0, 0}));
    return dibs;
}

} // namespace

TEST(DibBlock, LayoutsOfEveryDepthStartWhereTheHeaderSays) {
    const std::vector<std::string> dibs = SampleDibs();
    DibPixels p;
    ASSERT_TRUE(DecodeDib(dibs[0], p));
    EXPECT_EQ(3, p.width);
    EXPECT_EQ(2, p.height);
    // Rows bottom up; index 7 is beyond the two colours used: black.
    EXPECT_EQ((std::vector<uint32_t>{0xFF102030, 0xFF405060, 0xFF000000, 0xFF405060, 0xFF102030, 0xFF405060}),
              p.argb);
    EXPECT_EQ((std::vector<uint32_t>{0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFFFFFFFF,
                                     0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF}),
              Decode(dibs[1]));
    EXPECT_EQ((std::vector<uint32_t>{0xFF060504, 0xFF030201}), Decode(dibs[2]));
    EXPECT_EQ((std::vector<uint32_t>{0xFFFF0000, 0xFF0000FF}), Decode(dibs[3]));
    EXPECT_EQ((std::vector<uint32_t>{0x80112233}), Decode(dibs[4]));
    EXPECT_EQ((std::vector<uint32_t>{0xFF00FF00}), Decode(dibs[5]));
}

TEST(DibBlock, OddBlocksAreRefused) {
    DibPixels p;
    for (const std::string& dib : SampleDibs())
        EXPECT_FALSE(DecodeDib(dib.substr(0, dib.size() - 1), p)); // one byte short of the last row
    EXPECT_FALSE(DecodeDib(Header(40, 1, 1, 8, 1) + std::string(1024 + 4, '\0'), p)); // run-length
    EXPECT_FALSE(DecodeDib(Header(40, 1, 1, 24, 3) + std::string(16, '\0'), p));      // masks on 24 bits
    EXPECT_FALSE(DecodeDib(Header(40, 0, 1, 24, 0) + std::string(4, '\0'), p));
    EXPECT_FALSE(DecodeDib(Header(40, 1, INT_MIN, 24, 0) + std::string(4, '\0'), p));
    EXPECT_FALSE(DecodeDib(Header(40, 4000, 4000, 32, 0) + std::string(64, '\0'), p)); // holds less
    EXPECT_FALSE(DecodeDib(Header(40, 1, 1, 32, 0, 0x40000000) + std::string(4, '\0'), p));
    std::string core(12, '\0');
    core[0] = 12;
    EXPECT_FALSE(DecodeDib(core, p));
    EXPECT_FALSE(DecodeDib({}, p));
    EXPECT_TRUE(p.argb.empty());
}

TEST(DibBlock, RandomAndTruncatedBlocksNeverReadPastTheirEnd) {
    std::mt19937 rng(17);
    DibPixels p;
    const std::vector<std::string> samples = SampleDibs();
    for (const std::string& dib : samples) {
        for (size_t n = 0; n <= dib.size(); ++n) {
            GuardedBlock cut(dib.substr(0, n));
            if (DecodeDib(cut.view(), p)) {
                ASSERT_EQ(static_cast<size_t>(p.width) * static_cast<size_t>(p.height), p.argb.size());
            }
        }
    }
    int decoded = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string block = samples[static_cast<size_t>(i) % samples.size()];
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < edits && !block.empty(); ++k) {
            const size_t at = rng() % block.size();
            if (rng() % 3 == 0)
                block.resize(at);
            else
                block[at] = static_cast<char>(rng());
        }
        GuardedBlock guarded(block);
        if (DecodeDib(guarded.view(), p)) {
            ++decoded;
            ASSERT_GT(p.width, 0);
            ASSERT_GT(p.height, 0);
            ASSERT_EQ(static_cast<size_t>(p.width) * static_cast<size_t>(p.height), p.argb.size());
            ASSERT_LE(p.argb.size(), block.size() * 8); // never more pixels than the block has bits
        }
    }
    EXPECT_GT(decoded, 1000);
}

TEST(QqXml, TextAndPictureElementsWithTheWrapperStrippedExactlyWhenPresent) {
    CXmlDoc doc;
    doc.SetDoc(L"<QQRichEditFormat><Info version=\"1001\"/>"
               L"<EditElement type=\"0\"><![CDATA[ab]]></EditElement>"
               L"<EditElement type=\"0\">&lt;![CDATA[cd]]&gt;</EditElement>"
               L"<EditElement type=\"0\">&lt;![CDATA[]]&gt;</EditElement>"
               L"<EditElement type=\"0\">thirteen char</EditElement>"
               L"<EditElement type=\"0\">&lt;![CDATA[open only</EditElement>"
               L"<EditElement type=\"1\" filepath=\"C:\\p.png\"/>"
               L"<EditElement type=\"2\">other</EditElement><EditElement type=\"1x\"/>"
               L"<EditElement>no type</EditElement></QQRichEditFormat>");
    const std::vector<QqElement> e = ReadQqRichEdit(doc);
    ASSERT_EQ(6u, e.size());
    EXPECT_EQ(L"ab", e[0].text);
    EXPECT_EQ(L"cd", e[1].text);
    EXPECT_EQ(L"", e[2].text); // twelve characters, wrapped
    EXPECT_EQ(L"thirteen char", e[3].text);
    EXPECT_EQ(L"<![CDATA[open only", e[4].text);
    EXPECT_EQ(QqElement::kPicture, e[5].kind);
    EXPECT_EQ(L"C:\\p.png", e[5].path);

    CXmlDoc other;
    other.SetDoc(L"<Other><EditElement type=\"0\">x</EditElement></Other>");
    EXPECT_TRUE(ReadQqRichEdit(other).empty());
}

TEST(QqXml, RandomDocumentsNeverCrash) {
    const std::wstring seed =
        L"<QQRichEditFormat><Info version=\"1001\"></Info><EditElement type=\"0\">"
        L"<![CDATA[hello]]></EditElement><EditElement type=\"1\" filepath=\"C:\\a.gif\">"
        L"</EditElement><EditElement type=\"0\">&lt;x&amp;</EditElement></QQRichEditFormat>";
    const wchar_t alphabet[] = L"<>/=\"&;![]CDATA01 EditElementtype\x4e2d";
    std::mt19937 rng(3);
    for (int i = 0; i < 5000; ++i) {
        std::wstring text = seed;
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < edits && !text.empty(); ++k) {
            const size_t at = rng() % text.size();
            switch (rng() % 3) {
            case 0:
                text[at] = alphabet[rng() % (std::size(alphabet) - 1)];
                break;
            case 1:
                text.erase(at, 1 + rng() % 6);
                break;
            case 2:
                text.insert(at, text.substr(rng() % text.size(), rng() % 30));
                break;
            }
        }
        CXmlDoc doc;
        doc.SetDoc(text);
        for (const QqElement& e : ReadQqRichEdit(doc))
            ASSERT_TRUE(e.kind == QqElement::kText || e.kind == QqElement::kPicture);
    }
}

TEST(ClipboardText, BlocksEndAtTheirFirstZeroAndFieldsFilterWhatTheyCannotHold) {
    EXPECT_EQ(L"ab", WideTextFromBlock(Bytes({0xFF, 0xFE, 'a', 0, 'b', 0, 0, 0, 'c', 0})));
    EXPECT_EQ(L"a", WideTextFromBlock(Bytes({'a', 0, 'b'}))); // a half unit at the end is dropped
    EXPECT_EQ(L"", WideTextFromBlock({}));
    EXPECT_EQ(std::string("{\\rtf1 \0}", 9), RtfFromBlock(std::string("{\\rtf1 \0}\0\0", 11)));
    EXPECT_EQ(L"123", FilterPastedText(L"a1\r\n2x3", true, false));
    EXPECT_EQ(L"a1b\tc", FilterPastedText(L"a1\r\nb\tc\n", false, true));
    EXPECT_EQ(L"a\r\nb", FilterPastedText(L"a\r\nb", false, false));
}
