#include "app/base/AppPaths.h"
#include "app/base/SysConfig.h"
#include "store/xml/CXmlDoc.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

namespace {

std::string Read(const std::wstring& path) {
    std::string out;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f)
        return out;
    int c;
    while ((c = fgetc(f)) != EOF)
        out += static_cast<char>(c);
    fclose(f);
    return out;
}

void Write(const std::wstring& path, const std::string& text) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST(SysConfig, DefaultsWithoutAFileAndNoFileCreatedByReading) {
    EditOptions opt = SysConfig::ReadEditOptions();
    EXPECT_EQ(opt.double_click, 0);
    EXPECT_EQ(opt.auto_change_line, 1);
    EXPECT_EQ(opt.show_float_wnd, 1);
    EXPECT_EQ(SysConfig::ReadImageMaxPixel(SysConfig::kImageMaxPixelItemDefault), 32);
    EXPECT_EQ(SysConfig::ReadRowIconMaxPixel(), 18);
    std::wstring text = L"keep";
    EXPECT_FALSE(SysConfig::ReadText(L"EncryptPwd", text));
    EXPECT_EQ(text, L"keep");
    EXPECT_FALSE(Exists(SysConfigPath()));
}

TEST(SysConfig, WritingOneKeyToANewFile) {
    ASSERT_TRUE(SysConfig::WriteInt(L"EditIsDoubleClick", 1));
    EXPECT_EQ(Read(SysConfigPath()),
              "<sysconfig>\r\n<EditIsDoubleClick>1</EditIsDoubleClick>\r\n</sysconfig>\r\n");
    EXPECT_EQ(SysConfig::ReadEditOptions().double_click, 1);
    // Keys are read in any order.
    ASSERT_TRUE(SysConfig::WriteInt(L"EditIsShowFloatWnd", 0));
    ASSERT_TRUE(SysConfig::WriteInt(L"EditIsAutoChangeLine", 0));
    ASSERT_TRUE(SysConfig::WriteInt(L"EditIsDoubleClick", 0));
    EditOptions opt = SysConfig::ReadEditOptions();
    EXPECT_EQ(opt.double_click, 0);
    EXPECT_EQ(opt.auto_change_line, 0);
    EXPECT_EQ(opt.show_float_wnd, 0);
}

TEST(SysConfig, SettingsPageFileStartsWithItsId) {
    CXmlDoc doc;
    ASSERT_TRUE(OpenSettingsFile(doc, SysConfigPath(), L"sysconfig", 100123));
    doc.Into();
    doc.SetChildInt(L"EditIsDoubleClick", 1);
    ASSERT_TRUE(doc.Save(SysConfigPath()));
    EXPECT_EQ(
        Read(SysConfigPath()),
        "<sysconfig>\r\n<ID>100123</ID>\r\n<EditIsDoubleClick>1</EditIsDoubleClick>\r\n</sysconfig>\r\n");
    EXPECT_FALSE(OpenSettingsFile(doc, L"", L"x", 1));
}

TEST(SysConfig, ContainerKeys) {
    ASSERT_TRUE(SysConfig::WriteText(L"lassupdatetime", L"2026-12-09 05:00:00", L"updateinfo"));
    ASSERT_TRUE(SysConfig::WriteText(L"skipversion", L"1.4.2", L"updateinfo"));
    std::wstring v;
    ASSERT_TRUE(SysConfig::ReadContainerText(L"updateinfo", L"skipversion", v));
    EXPECT_EQ(v, L"1.4.2");
    EXPECT_EQ(Read(SysConfigPath()),
              "<sysconfig>\r\n<updateinfo>\r\n<lassupdatetime>2026-12-09 05:00:00</lassupdatetime>"
              "\r\n<skipversion>1.4.2</skipversion>\r\n</updateinfo>\r\n</sysconfig>\r\n");
}

TEST(SysConfig, ClampingOnEntry) {
    ASSERT_TRUE(SysConfig::WriteImageMaxPixel(5000));
    EXPECT_EQ(SysConfig::ReadImageMaxPixel(100), 1024);
    ASSERT_TRUE(SysConfig::WriteImageMaxPixel(8));
    EXPECT_EQ(SysConfig::ReadImageMaxPixel(100), 16);
    ASSERT_TRUE(SysConfig::WriteRowIconMaxPixel(500));
    EXPECT_EQ(SysConfig::ReadRowIconMaxPixel(), 128);
}

TEST(SysConfig, ScaleColourValueWrittenBackAndClamped) {
    EXPECT_EQ(SysConfig::ReadScaleColorValue(), 245);
    int stored = 0;
    ASSERT_TRUE(SysConfig::ReadInt(L"dscalecolorvalue", stored));
    EXPECT_EQ(stored, 245);
    SysConfig::WriteInt(L"dscalecolorvalue", 300);
    EXPECT_EQ(SysConfig::ReadScaleColorValue(), 245);
    SysConfig::WriteInt(L"dscalecolorvalue", 100);
    EXPECT_EQ(SysConfig::ReadScaleColorValue(), 100);
}

TEST(SysConfig, DamagedFileGivesDefaultsAndGetsARoot) {
    Write(SysConfigPath(), "garbage without a root");
    EXPECT_EQ(SysConfig::ReadEditOptions().auto_change_line, 1);
    ASSERT_TRUE(SysConfig::WriteInt(L"EditIsAutoChangeLine", 0));
    EXPECT_EQ(SysConfig::ReadEditOptions().auto_change_line, 0);
}

TEST(CustomColors, TwentyItemsFillSixteenSlotsAndSixteenAreWrittenBack) {
    std::string xml = "<customcolor>\r\n";
    for (int i = 0; i < 20; ++i)
        xml += "<coloritem>" + std::to_string(i * 10 - 5) + "</coloritem>\r\n";
    xml += "</customcolor>\r\n";
    Write(CustomColorPath(), xml);
    CustomColors::Table().fill(0);
    CustomColors::Load();
    EXPECT_EQ(CustomColors::Table()[0], static_cast<uint32_t>(-5));
    EXPECT_EQ(CustomColors::Table()[15], 145u);
    CustomColors::Table()[15] = 0xFF123456;
    ASSERT_TRUE(CustomColors::Save());
    CXmlDoc doc;
    ASSERT_TRUE(doc.Load(CustomColorPath()));
    doc.FindNext(L"customcolor");
    doc.Into();
    int count = 0, last = 0;
    while (doc.GetChildInt(L"coloritem", last))
        ++count;
    EXPECT_EQ(count, 16);
    EXPECT_EQ(static_cast<uint32_t>(last), 0xFF123456u);
}

TEST(CustomColors, FewerItemsLeaveTheRestAndMissingFileChangesNothing) {
    CustomColors::Table().fill(7);
    CustomColors::Load(); // no file
    EXPECT_EQ(CustomColors::Table()[3], 7u);
    Write(CustomColorPath(), "<customcolor><coloritem>1</coloritem><coloritem>2</coloritem></customcolor>");
    CustomColors::Load();
    EXPECT_EQ(CustomColors::Table()[0], 1u);
    EXPECT_EQ(CustomColors::Table()[1], 2u);
    EXPECT_EQ(CustomColors::Table()[2], 7u);
}
