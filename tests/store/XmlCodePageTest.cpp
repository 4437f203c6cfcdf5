// Runs with the English code page 1252: Chinese text must survive the program's own files.
#include "store/CXmlDoc.h"
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
    WriteAll(L"latin.xml", "<r>caf\xE9</r>"); // not valid UTF-8: read as code page 1252
    CXmlDoc doc;
    // A file beginning with "<" is UTF-8 unless declared; the invalid byte becomes U+FFFD.
    ASSERT_TRUE(doc.Load(L"latin.xml"));
    WriteAll(L"latin2.xml", " <r>caf\xE9</r>");
    ASSERT_TRUE(doc.Load(L"latin2.xml"));
    EXPECT_NE(doc.GetResult().find(L"ANSI"), std::wstring::npos);
    doc.FindNext(L"r");
    EXPECT_EQ(doc.GetText(), L"caf\u00E9");
}
