#include "store/xml/CXmlDoc.h"
#include "store/xml/Encoding.h"
#include "tests/store/TestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <windows.h>

#include <functional>
#include <random>

namespace {

// A note-like record as the program builds it: each element on a line of its own.
CXmlDoc BuildRecord() {
    CXmlDoc doc;
    doc.AddNext(L"MerlaItem");
    doc.Into();
    doc.AddNextInt(L"ID", 100001);
    doc.AddNext(L"name", L"20261209_01");
    doc.AddNext(L"ChildItems");
    doc.Into();
    doc.AddNext(L"item");
    doc.SetAttr(L"class", L"MerlaRichEdit");
    doc.OutOf();
    doc.AddNext(L"text", L"a<b & \"c\"");
    doc.OutOf();
    return doc;
}

} // namespace

TEST(XmlLayout, RecordBuiltWithAddNextIsByteExact) {
    CXmlDoc doc = BuildRecord();
    ASSERT_TRUE(doc.Save(L"record.xml"));
    EXPECT_EQ(ReadAll(L"record.xml"), "<MerlaItem>\r\n"
                                      "<ID>100001</ID>\r\n"
                                      "<name>20261209_01</name>\r\n"
                                      "<ChildItems>\r\n"
                                      "<item class=\"MerlaRichEdit\"/>\r\n"
                                      "</ChildItems>\r\n"
                                      "<text>a&lt;b &amp; \"c\"</text>\r\n"
                                      "</MerlaItem>\r\n");
}

TEST(XmlLayout, EmptyElementFlagsAndCData) {
    CXmlDoc doc;
    doc.AddNext(L"r");
    doc.Into();
    doc.AddNext(L"a", {}, CXmlDoc::kSpaceBeforeSlash);
    doc.AddNext(L"b", L"x]]>y", CXmlDoc::kCData);
    EXPECT_EQ(doc.GetDoc(), L"<r>\r\n<a />\r\n<b><![CDATA[x]]]]><![CDATA[>y]]></b>\r\n</r>\r\n");
    EXPECT_EQ(doc.GetText(), L"x]]>y");
}

TEST(XmlLayout, AddNextWithCurrentInsertsAfterIt) {
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<r>\r\n<a/>\r\n<c/>\r\n</r>\r\n"));
    doc.FindNext(L"r");
    doc.Into();
    doc.FindNext(L"a");
    doc.AddNext(L"b", L"2");
    EXPECT_EQ(doc.GetDoc(), L"<r>\r\n<a/>\r\n<b>2</b>\r\n<c/>\r\n</r>\r\n");
    // The index follows the edit: c is still found after b.
    EXPECT_TRUE(doc.FindNext(L"c"));
    EXPECT_EQ(doc.GetTagName(), L"c");
}

TEST(XmlLayout, EditsKeepOtherBytes) {
    const std::wstring text =
        L"<?xml version=\"1.0\"?>\n<cfg>\n  <!-- kept -->\n  <a x='1'>old</a>\n  <b/>\n</cfg>";
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(text));
    doc.FindNext(L"cfg");
    doc.Into();
    doc.FindNext(L"a");
    doc.SetText(L"new");
    EXPECT_EQ(doc.GetDoc(),
              L"<?xml version=\"1.0\"?>\n<cfg>\n  <!-- kept -->\n  <a x='1'>new</a>\n  <b/>\n</cfg>");
    doc.SetAttr(L"x", L"2\"");
    doc.SetAttr(L"y", L"3");
    EXPECT_EQ(doc.GetAttr(L"x"), L"2\"");
    EXPECT_EQ(doc.GetAttr(L"y"), L"3");
    EXPECT_TRUE(doc.FindNext(L"b"));
    doc.SetText(L"t");
    EXPECT_NE(doc.GetDoc().find(L"<a x='2&quot;' y=\"3\">new</a>"), std::wstring::npos);
    EXPECT_NE(doc.GetDoc().find(L"<b>t</b>\n</cfg>"), std::wstring::npos);
}

TEST(XmlLayout, RemoveCurrentTakesFollowingWhiteSpace) {
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<r>\r\n<a/>\r\n<b><c/></b>\r\n<d/>\r\n</r>\r\n"));
    doc.FindNext(L"r");
    doc.Into();
    doc.FindNext(L"b");
    ASSERT_TRUE(doc.RemoveCurrent());
    EXPECT_EQ(doc.GetTagName(), L"a"); // the previous sibling becomes current
    EXPECT_EQ(doc.GetDoc(), L"<r>\r\n<a/>\r\n<d/>\r\n</r>\r\n");
    EXPECT_TRUE(doc.FindNext(L"d"));
    doc.Rewind();
    doc.FindNext(L"a");
    doc.RemoveCurrent();
    EXPECT_FALSE(doc.HasCurrent());
    EXPECT_TRUE(doc.FindNext());
    EXPECT_EQ(doc.GetTagName(), L"d");
}

TEST(XmlNavigation, FindNextIsForwardOnly) {
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<r><a/><b/><c/></r>"));
    doc.FindNext(L"r");
    doc.Into();
    ASSERT_TRUE(doc.FindNext(L"c"));
    EXPECT_FALSE(doc.FindNext(L"b"));
    EXPECT_EQ(doc.GetTagName(), L"c"); // failure leaves the position
    doc.Rewind();
    EXPECT_TRUE(doc.FindNext(L"b"));
    EXPECT_FALSE(doc.FindNext(L"B")); // names are case-sensitive
}

TEST(XmlNavigation, FindNextAfterReloadSucceeds) {
    CXmlDoc doc = BuildRecord();
    ASSERT_TRUE(doc.Save(L"r.xml"));
    CXmlDoc again;
    ASSERT_TRUE(again.Load(L"r.xml"));
    again.FindNext(L"MerlaItem");
    again.Into();
    ASSERT_TRUE(again.FindNext(L"text"));
    EXPECT_FALSE(again.FindNext(L"name"));
    ASSERT_TRUE(again.Load(L"r.xml"));
    again.FindNext(L"MerlaItem");
    again.Into();
    std::wstring name;
    EXPECT_TRUE(again.GetChildText(L"name", name));
    EXPECT_EQ(name, L"20261209_01");
}

TEST(XmlNavigation, IntoAndOutOfRememberTheChildPosition) {
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<r><p><x/><y/></p><q/></r>"));
    EXPECT_FALSE(doc.OutOf());
    EXPECT_FALSE(doc.Into());
    doc.FindNext(L"r");
    doc.Into();
    doc.FindNext(L"p");
    doc.Into();
    doc.FindNext(L"x");
    doc.OutOf();
    EXPECT_EQ(doc.GetTagName(), L"p");
    doc.Into(); // back at x
    EXPECT_TRUE(doc.FindNext(L"y"));
    EXPECT_FALSE(doc.FindNext(L"x"));
    doc.OutOf();
    EXPECT_TRUE(doc.FindNext(L"q"));
}

TEST(XmlHelpers, SetChildIntAppendsWhenMissingAndIsFoundLater) {
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<r>\r\n<a>1</a>\r\n<c>3</c>\r\n</r>\r\n"));
    doc.FindNext(L"r");
    doc.Into();
    doc.FindNext(L"a");
    doc.SetChildInt(L"b", -7); // missing: inserted after a
    EXPECT_EQ(doc.GetDoc(), L"<r>\r\n<a>1</a>\r\n<b>-7</b>\r\n<c>3</c>\r\n</r>\r\n");
    int c = 0;
    EXPECT_TRUE(doc.GetChildInt(L"c", c));
    EXPECT_EQ(c, 3);
    doc.Rewind();
    int b = 0;
    EXPECT_TRUE(doc.GetChildInt(L"b", b));
    EXPECT_EQ(b, -7);
    doc.Rewind();
    doc.SetChildInt(L"a", 42);
    doc.Rewind();
    int a = 0;
    doc.GetChildInt(L"a", a);
    EXPECT_EQ(a, 42);
}

TEST(XmlHelpers, IntegerParsingAndMissingKeys) {
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<r><a>12abc</a><b>x</b><c>-2147483648</c><d>9000000000</d></r>"));
    doc.FindNext(L"r");
    doc.Into();
    int v = 99;
    EXPECT_TRUE(doc.GetChildInt(L"a", v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(doc.GetChildInt(L"b", v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(doc.GetChildInt(L"c", v));
    EXPECT_EQ(v, INT32_MIN);
    int64_t big = 0;
    EXPECT_TRUE(doc.GetChildInt64(L"d", big));
    EXPECT_EQ(big, 9000000000LL);
    v = 5;
    EXPECT_FALSE(doc.GetChildInt(L"zzz", v));
    EXPECT_EQ(v, 5);
}

TEST(XmlHelpers, EnsureChildAndAddingIntoEmptyElements) {
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<sysconfig/>\r\n"));
    doc.FindNext(L"sysconfig");
    doc.Into();
    doc.EnsureChild(L"updateinfo");
    doc.Into();
    doc.SetChildText(L"skipversion", L"1.4.2");
    doc.OutOf();
    doc.Rewind();
    doc.EnsureChild(L"updateinfo"); // exists: nothing added
    doc.EnsureChild(L"updateinfo"); // searched forward from it: a second one
    doc.RemoveCurrent();
    EXPECT_EQ(doc.GetDoc(),
              L"<sysconfig>\r\n<updateinfo>\r\n<skipversion>1.4.2</skipversion>\r\n</updateinfo>\r\n"
              L"</sysconfig>\r\n");
}

TEST(XmlText, GetTextDecodesCDataEntitiesAndChildren) {
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(
        L"<r><a><![CDATA[<raw> &amp;]]></a><b>x &amp; y &lt;&#x4E2D;&#25991;&#x1F600;&nbsp;&bogus; &</b>"
        L"<c>text<d/></c><e/></r>"));
    doc.FindNext(L"r");
    doc.Into();
    doc.FindNext(L"a");
    EXPECT_EQ(doc.GetText(), L"<raw> &amp;");
    doc.FindNext(L"b");
    EXPECT_EQ(doc.GetText(), L"x & y <中文\U0001F600\u00A0&bogus; &");
    doc.FindNext(L"c");
    EXPECT_EQ(doc.GetText(), L"");
    doc.FindNext(L"e");
    EXPECT_EQ(doc.GetText(), L"");
    doc.Rewind();
    EXPECT_EQ(doc.GetText(), L""); // no current element
}

TEST(XmlText, AttributesDecodeAndEscape) {
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<r a=\"1 &amp; 2\" b='x&apos;y' c=\"&#34;\"/>"));
    doc.FindNext(L"r");
    EXPECT_EQ(doc.GetAttr(L"a"), L"1 & 2");
    EXPECT_EQ(doc.GetAttr(L"b"), L"x'y");
    EXPECT_EQ(doc.GetAttr(L"c"), L"\"");
    EXPECT_EQ(doc.GetAttr(L"missing"), L"");
    doc.SetAttr(L"d", L"<'&'>");
    EXPECT_EQ(doc.GetDoc(), L"<r a=\"1 &amp; 2\" b='x&apos;y' c=\"&#34;\" d=\"&lt;&apos;&amp;&apos;&gt;\"/>");
}

TEST(XmlFiles, ByteOrderMarkKeptOnSave) {
    WriteAll(L"bom.xml", "\xEF\xBB\xBF<r><a>\xE4\xB8\xAD</a></r>");
    CXmlDoc doc;
    ASSERT_TRUE(doc.Load(L"bom.xml"));
    EXPECT_NE(doc.GetResult().find(L"<bom"), std::wstring::npos);
    doc.FindNext(L"r");
    doc.Into();
    doc.FindNext(L"a");
    EXPECT_EQ(doc.GetText(), L"中");
    doc.SetText(L"文");
    ASSERT_TRUE(doc.Save(L"bom.xml"));
    EXPECT_EQ(ReadAll(L"bom.xml"), "\xEF\xBB\xBF<r><a>\xE6\x96\x87</a></r>");

    CXmlDoc fresh;
    fresh.AddNext(L"r", L"中");
    ASSERT_TRUE(fresh.Save(L"new.xml"));
    EXPECT_EQ(ReadAll(L"new.xml"), "<r>\xE4\xB8\xAD</r>\r\n");
}

TEST(XmlFiles, Utf16FilesRoundTrip) {
    WriteAll(L"le.xml", std::string("\xFF\xFE<\0r\0>\0-N<\0/\0r\0>\0", 18));
    CXmlDoc doc;
    ASSERT_TRUE(doc.Load(L"le.xml"));
    doc.FindNext(L"r");
    EXPECT_EQ(doc.GetText(), L"中");
    ASSERT_TRUE(doc.Save(L"le.xml"));
    EXPECT_EQ(ReadAll(L"le.xml"), std::string("\xFF\xFE<\0r\0>\0-N<\0/\0r\0>\0", 18));

    WriteAll(L"be.xml", std::string("\xFE\xFF\0<\0r\0/\0>", 10));
    ASSERT_TRUE(doc.Load(L"be.xml"));
    EXPECT_NE(doc.GetResult().find(L"endian_swap"), std::wstring::npos);
    EXPECT_EQ(doc.GetDoc(), L"<r/>");
}

TEST(XmlFiles, DeclaredEncodingIsHonoured) {
    // "中文" in GBK under a declaration
    WriteAll(L"gbk.xml", "<?xml version=\"1.0\" encoding=\"GB2312\"?><r>\xD6\xD0\xCE\xC4</r>");
    CXmlDoc doc;
    ASSERT_TRUE(doc.Load(L"gbk.xml"));
    doc.FindNext(L"r");
    EXPECT_EQ(doc.GetText(), L"中文");
    doc.SetText(L"文中");
    ASSERT_TRUE(doc.Save(L"gbk.xml"));
    EXPECT_EQ(ReadAll(L"gbk.xml"), "<?xml version=\"1.0\" encoding=\"GB2312\"?><r>\xCE\xC4\xD6\xD0</r>");
}

TEST(XmlFiles, MissingFileAndFailedSave) {
    CXmlDoc doc;
    EXPECT_FALSE(doc.Load(L"nope.xml"));
    EXPECT_NE(doc.GetResult().find(L"file_error"), std::wstring::npos);
    doc.AddNext(L"r");
    EXPECT_FALSE(doc.Save(L"no_such_folder\\r.xml"));
}

TEST(XmlFiles, SaveReplacesWholeFileAndLeavesNoTemporary) {
    WriteAll(L"cfg.xml", "<r>a long old content that is longer than the new one</r>");
    CXmlDoc doc;
    doc.AddNext(L"r", L"short");
    ASSERT_TRUE(doc.Save(L"cfg.xml"));
    EXPECT_EQ(ReadAll(L"cfg.xml"), "<r>short</r>\r\n");
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(L"cfg.xml.~tmp*", &data);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
}

TEST(XmlFiles, FailedReplaceKeepsTheOldFile) {
    WriteAll(L"locked.xml", "<r>old</r>");
    // A file open without delete sharing cannot be replaced.
    HANDLE h = CreateFileW(L"locked.xml", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CXmlDoc doc;
    doc.AddNext(L"r", L"new");
    EXPECT_FALSE(doc.Save(L"locked.xml"));
    CloseHandle(h);
    EXPECT_EQ(ReadAll(L"locked.xml"), "<r>old</r>");
}

TEST(XmlFiles, TwoThreadsSavingOneFileNeverTearIt) {
    // The reminder thread and the window thread save one reminder file at once.
    const std::wstring a(3000, L'a'), b(5000, L'b');
    std::atomic<int> failed_saves{0}, bad_loads{0};
    auto writer = [&](const std::wstring& body) {
        for (int i = 0; i < 150; ++i) {
            CXmlDoc doc;
            doc.AddNext(L"r", body);
            if (!doc.Save(L"shared.xml")) {
                ++failed_saves;
                continue;
            }
            CXmlDoc back;
            if (!back.Load(L"shared.xml") || !back.FindNext(L"r") ||
                (back.GetText() != a && back.GetText() != b))
                ++bad_loads;
        }
    };
    std::thread one(writer, a), two(writer, b);
    one.join();
    two.join();
    EXPECT_EQ(failed_saves.load(), 0);
    EXPECT_EQ(bad_loads.load(), 0);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(L"shared.xml.~tmp*", &data);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
}

TEST(XmlErrors, TwoRootsLoadFalseButKeepText) {
    WriteAll(L"two.xml", "<a/><b/>");
    CXmlDoc doc;
    EXPECT_FALSE(doc.Load(L"two.xml"));
    EXPECT_EQ(doc.GetDoc(), L"<a/><b/>");
    EXPECT_NE(doc.GetResult().find(L"root_has_sibling"), std::wstring::npos);
    EXPECT_TRUE(doc.FindNext(L"b")); // still usable
}

TEST(XmlErrors, EveryResultWord) {
    struct Case {
        const wchar_t* text;
        const wchar_t* word;
    } cases[] = {
        {L"<r>< x</r>", L"first_tag_syntax"},
        {L"<!DOCTYPE r [ <!ELEMENT r ANY> <r/>", L"doctype_tag_syntax"},
        {L"<r><!foo></r>", L"exclamation_tag_syntax"},
        {L"<r><!-- never closed </r>", L"comment_tag_syntax"},
        {L"<r><![CDATA[ never closed </r>", L"cdata_section_syntax"},
        {L"<r><a b=\"1\"", L"unterminated_tag_syntax"},
        {L"<r></x></r>", L"lone_end_tag"},
        {L"<r><a></r>", L"unended_start_tag"},
        {L"<r>", L"unended_start_tag"},
        {L"just text", L"no_root_element"},
        {L"", L"no_root_element"},
        {L"<a/><b/>", L"root_has_sibling"},
    };
    for (const auto& c : cases) {
        CXmlDoc doc;
        EXPECT_FALSE(doc.SetDoc(c.text)) << c.word;
        EXPECT_NE(doc.GetResult().find(std::wstring(L"<") + c.word), std::wstring::npos)
            << "text: " << testing::PrintToString(std::wstring(c.text))
            << " result: " << testing::PrintToString(doc.GetResult());
    }
}

TEST(XmlErrors, WellFormedConstructsParse) {
    CXmlDoc doc;
    EXPECT_TRUE(doc.SetDoc(L"<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY x \"y\">]>\n<!-- c -->"
                           L"<r a='>' b=\"<\"><?pi x?><![CDATA[<no/>]]><c/></r>\n<!-- after -->"));
    doc.FindNext(L"r");
    doc.Into();
    EXPECT_TRUE(doc.FindNext());
    EXPECT_EQ(doc.GetTagName(), L"c");
    EXPECT_FALSE(doc.FindNext());
}

TEST(XmlEncoding, Utf8DecodingMatchesThePlatformIncludingBrokenSequences) {
    const std::string cases[] = {
        "plain ascii",
        "\xE4\xB8\xAD\xE6\x96\x87", // 中文
        "\xF0\x9F\x98\x80 emoji",   // beyond the BMP
        "cut \xE4\xB8",             // truncated at the end
        "bad \xFF\xFE lead",        // never a lead byte
        "\xC0\xAF overlong",        // overlong slash
        "\xED\xA0\x80 surrogate",   // encoded surrogate
        "\xE4\x41 lone lead then ascii",
        std::string("nul \0 inside", 12),
    };
    for (const auto& c : cases) {
        std::wstring ours = Utf8ToWide(c);
        std::wstring platform;
        int n = MultiByteToWideChar(CP_UTF8, 0, c.data(), static_cast<int>(c.size()), nullptr, 0);
        platform.resize(n);
        MultiByteToWideChar(CP_UTF8, 0, c.data(), static_cast<int>(c.size()), platform.data(), n);
        // Both replace what is broken; the valid text around it must be the same.
        EXPECT_EQ(ours.find(L"\uFFFD") == std::wstring::npos, platform.find(L"\uFFFD") == std::wstring::npos)
            << testing::PrintToString(c);
        if (IsValidUtf8(c)) {
            EXPECT_EQ(ours, platform) << testing::PrintToString(c);
        }
        EXPECT_EQ(WideToUtf8(Utf8ToWide(WideToUtf8(ours))), WideToUtf8(ours));
    }
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), L"\U0001F600");
    EXPECT_EQ(Utf8ToWide("a\xE4\xB8"), L"a\uFFFD");
}

TEST(XmlEncoding, OneDecodingPassTellsUtf8AsTheValidatorDoes) {
    // Loads decide UTF-8 or ANSI from the decoding itself; ASCII runs are decoded in blocks, so
    // broken and multi-byte sequences are put at every offset around block edges.
    const std::string pieces[] = {"\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xC3\xA9", "\xE4\xB8", "\xFF",
                                  "\xC0\xAF",     "\xED\xA0\x80",     "\x80",     "\xD6\xD0"};
    std::mt19937 rng(3);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        while (bytes.size() < 80) {
            bytes.append(rng() % 40, static_cast<char>('a' + rng() % 26));
            if (rng() % 3)
                bytes += pieces[rng() % std::size(pieces)];
        }
        std::wstring ours;
        const bool valid = DecodeUtf8(bytes, ours);
        ASSERT_EQ(valid, IsValidUtf8(bytes)) << testing::PrintToString(bytes);
        std::wstring platform(bytes.size(), L'\0');
        platform.resize(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                            platform.data(), static_cast<int>(platform.size())));
        if (valid)
            ASSERT_EQ(ours, platform) << testing::PrintToString(bytes);
    }
    // A record saved in the ANSI code page with a long ASCII run first still loads as ANSI.
    const std::wstring path = L"ansi_record.xml";
    WriteAll(path, "<MerlaItem><name>" + std::string(40, 'x') + "\xD6\xD0</name></MerlaItem>");
    CXmlDoc doc;
    ASSERT_TRUE(doc.Load(path));
    EXPECT_NE(doc.GetResult().find(L"<utf8_detection encoding=\"ANSI\"/>"), std::wstring::npos);
    DeleteFileW(path.c_str());
}

TEST(XmlIndex, EditsKeepTheIndexInStepWithTheText) {
    // After every edit the document navigates exactly like a fresh parse of its text.
    std::mt19937 rng(42);
    auto tags = [](CXmlDoc& d) {
        std::wstring seq;
        std::function<void()> walk = [&] {
            while (d.FindNext()) {
                seq += d.GetTagName() + L"[" + d.GetText() + L"|" + d.GetAttr(L"k") + L"]";
                if (d.Into()) {
                    seq += L"(";
                    walk();
                    seq += L")";
                    d.OutOf();
                }
            }
        };
        d.Rewind();
        while (d.OutOf()) {
        }
        d.Rewind();
        walk();
        return seq;
    };
    for (int round = 0; round < 200; ++round) {
        CXmlDoc doc;
        ASSERT_TRUE(doc.SetDoc(L"<r>\r\n<a k=\"1\">x</a>\r\n<b/>\r\n<c><d>y</d></c>\r\n</r>\r\n"));
        doc.FindNext(L"r");
        doc.Into();
        for (int step = 0; step < 30; ++step) {
            switch (rng() % 9) {
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
                doc.AddNext(L"n", rng() % 2 ? L"v<" : L"", static_cast<int>(rng() % 2) * CXmlDoc::kCData);
                break;
            case 5:
                doc.RemoveCurrent();
                break;
            case 6:
                doc.SetText(rng() % 2 ? L"t&" : L"", 0);
                break;
            case 7:
                doc.SetAttr(L"k", std::to_wstring(rng() % 100));
                break;
            case 8:
                doc.SetChildInt(L"ID", static_cast<int>(rng() % 10));
                break;
            }
            CXmlDoc fresh;
            fresh.SetDoc(doc.GetDoc()); // a second root added at the top is the caller's doing
            ASSERT_EQ(fresh.GetResult().find(L"syntax"), std::wstring::npos)
                << testing::PrintToString(doc.GetDoc());
            CXmlDoc copy = doc;
            ASSERT_EQ(tags(copy), tags(fresh)) << testing::PrintToString(doc.GetDoc());
        }
    }
}
