// Random mutations of the program's own files must never crash or hang the document.
#include "store/xml/CXmlDoc.h"
#include "tests/store/TestFiles.h"

#include <gtest/gtest.h>

#include <random>

namespace {

const char* const kSeeds[] = {
    "<MerlaItem>\r\n<ID>100001</ID>\r\n<name>20261209051530123_00</name>\r\n<curcolor>-1</curcolor>\r\n"
    "<left>100</left>\r\n<top>100</top>\r\n<right>280</right>\r\n<bottom>280</bottom>\r\n<ChildItems>\r\n"
    "<item class=\"MerlaRichEdit\" id=\"100002\"/>\r\n</ChildItems>\r\n<datetime>2026年12月09日 "
    "05时15分30秒</datetime>\r\n"
    "</MerlaItem>\r\n",
    "<sysconfig>\r\n<ID>20001</ID>\r\n<updateinfo>\r\n<lassupdatetime>2026-12-09 "
    "05:15:30</lassupdatetime>\r\n"
    "</updateinfo>\r\n<manager>\r\n<grouptab>\r\n<item tab=\"1\">工作</item>\r\n</grouptab>\r\n</manager>\r\n"
    "<EditIsDoubleClick>0</EditIsDoubleClick>\r\n</sysconfig>\r\n",
    "<MerlaPrompt>\r\n<TimeGroup>\r\n<Identify>20261209_00</Identify>\r\n<DateTime type=\"1\">\r\n"
    "<Minute>0,30</Minute>\r\n<Hour>8</Hour>\r\n</DateTime>\r\n</TimeGroup>\r\n</MerlaPrompt>\r\n",
    "<customcolor>\r\n<coloritem>-16777216</coloritem>\r\n<coloritem>255</coloritem>\r\n</customcolor>\r\n",
};

const char kAlphabet[] = "<>/!?[]-=\"' &;#xCDATA\r\n\t中";

// Exercises every operation over whatever the mutated text parsed into.
void Walk(CXmlDoc& doc, std::mt19937& rng) {
    for (int step = 0; step < 40; ++step) {
        switch (rng() % 12) {
        case 0:
            doc.FindNext();
            break;
        case 1:
            doc.Into();
            break;
        case 2:
            doc.OutOf();
            break;
        case 3:
            doc.Rewind();
            break;
        case 4:
            (void)doc.GetText();
            break;
        case 5:
            doc.SetText(L"v&<>");
            break;
        case 6:
            doc.SetAttr(L"a", L"\"'");
            break;
        case 7:
            (void)doc.GetAttr(L"class");
            break;
        case 8:
            doc.AddNext(L"n", step % 2 ? L"d" : L"");
            break;
        case 9:
            doc.RemoveCurrent();
            break;
        case 10:
            doc.SetChildInt(L"ID", step);
            break;
        case 11: {
            std::wstring s;
            doc.GetChildText(L"name", s);
            break;
        }
        }
    }
}

} // namespace

TEST(XmlFuzz, TenThousandMutationsNeverCrash) {
    std::mt19937 rng(20261209);
    int loaded = 0;
    for (int i = 0; i < 10000; ++i) {
        std::string bytes = kSeeds[i % std::size(kSeeds)];
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < edits && !bytes.empty(); ++k) {
            size_t at = rng() % bytes.size();
            switch (rng() % 4) {
            case 0:
                bytes.erase(at, 1 + rng() % 6);
                break;
            case 1:
                bytes.insert(at, 1, kAlphabet[rng() % (sizeof(kAlphabet) - 1)]);
                break;
            case 2:
                bytes[at] = static_cast<char>(rng());
                break;
            case 3:
                bytes.insert(at, bytes.substr(rng() % bytes.size(), rng() % 16));
                break;
            }
        }
        if (i % 50 == 0) {
            // Through the file path too: encodings, byte-order marks, truncated sequences.
            if (i % 150 == 0)
                bytes.insert(0, i % 300 ? "\xFF\xFE" : "\xEF\xBB\xBF");
            WriteAll(L"fuzz.xml", bytes);
            CXmlDoc doc;
            loaded += doc.Load(L"fuzz.xml");
            Walk(doc, rng);
            doc.Save(L"fuzz_out.xml");
            continue;
        }
        CXmlDoc doc;
        std::wstring text(bytes.begin(), bytes.end());
        loaded += doc.SetDoc(text);
        Walk(doc, rng);
        // Whatever the edits did, the text parses again without trouble.
        CXmlDoc again;
        again.SetDoc(doc.GetDoc());
        ASSERT_LE(doc.GetResult().size(), 1200u);
    }
    EXPECT_GT(loaded, 0);
}

TEST(XmlFuzz, RandomBytesNeverCrash) {
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {
        std::wstring text(rng() % 200, L' ');
        for (auto& c : text)
            c = static_cast<wchar_t>(rng() % 4 ? kAlphabet[rng() % (sizeof(kAlphabet) - 1)]
                                               : rng() % 0x10000);
        CXmlDoc doc;
        doc.SetDoc(text);
        Walk(doc, rng);
    }
    SUCCEED();
}
