// Runs with the English code page 1252: Chinese text must survive the program's own files.
#include "store/xml/CXmlDoc.h"
#include "tests/store/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

TEST(XmlCodePage, RunsUnderCodePage1252) {
    EXPECT_EQ(GetACP(), 1252u);
}

TEST(XmlCodePage, ChineseTextSurvivesSaveAndLoad) {
    CXmlDoc doc;
    doc.AddNext(L"r");
    doc.Into();
    doc.AddNext(L"group", L"工作 \U0001F600");
    ASSERT_TRUE(doc.Save(L"cn.xml"));
    CXmlDoc again;
    ASSERT_TRUE(again.Load(L"cn.xml"));
    again.FindNext(L"r");
    again.Into();
    std::wstring text;
    ASSERT_TRUE(again.GetChildText(L"group", text));
    EXPECT_EQ(text, L"工作 \U0001F600");
}

TEST(XmlCodePage, UndeclaredNonUtf8FilesUseTheAnsiCodePage) {
    // Not valid UTF-8, no declaration: the code page's "é", kept through the next save.
    for (const char* bytes : {"<r>caf\xE9</r>", " <r>caf\xE9</r>"}) {
        WriteAll(L"latin.xml", bytes);
        CXmlDoc doc;
        ASSERT_TRUE(doc.Load(L"latin.xml"));
        EXPECT_NE(doc.GetResult().find(L"ANSI"), std::wstring::npos);
        ASSERT_TRUE(doc.FindNext(L"r"));
        EXPECT_EQ(doc.GetText(), L"caf\u00E9");
        ASSERT_TRUE(doc.Save(L"latin.xml"));
        CXmlDoc again;
        ASSERT_TRUE(again.Load(L"latin.xml"));
        ASSERT_TRUE(again.FindNext(L"r"));
        EXPECT_EQ(again.GetText(), L"caf\u00E9");
    }
    // Valid UTF-8 stays UTF-8.
    WriteAll(L"utf8.xml", "<r>caf\xC3\xA9</r>");
    CXmlDoc doc;
    ASSERT_TRUE(doc.Load(L"utf8.xml"));
    ASSERT_TRUE(doc.FindNext(L"r"));
    EXPECT_EQ(doc.GetText(), L"caf\u00E9");
}
