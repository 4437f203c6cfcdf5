// Round trips run under both code pages (936 and 1252): the bodies live here, the TEST lines in one
// file per executable.
#include "richtext/CRtfReader.h"
#include "richtext/FontRegistry.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LGlyphImage.h"
#include "richtext/RtfFileWriter.h"
#include "store/xml/Encoding.h"
#include "tests/richtext/RichTextTestSupport.h"
#include "tests/richtext/RtfRoundTripCases.h"

#include <gtest/gtest.h>

#include <richedit.h>

namespace {

Gdiplus::Font* Font(const wchar_t* family, int size, int style = 0) {
    return FontRegistry::Instance().Get(family, size, style);
}

// Saves, loads into a fresh document and answers it.
std::unique_ptr<GlyphDocument> RoundTrip(const GlyphDocument& doc, const wchar_t* path) {
    EXPECT_TRUE(doc.Save(path));
    auto back = std::make_unique<GlyphDocument>();
    EXPECT_EQ(kRtfOk, back->Load(path));
    return back;
}

} // namespace

void CheckTextRoundTrip() {
    GlyphDocument doc;
    doc.InsertText(L"plain {braces} \\ and\ttab\r");
    doc.SetCurrentFont(Font(L"SimSun", 16, Gdiplus::FontStyleBold | Gdiplus::FontStyleItalic));
    doc.SetCurrentColor(0xFF1020F0);
    doc.InsertText(L"中文字符");
    doc.SetCurrentFont(Font(L"DejaVu Sans", 20, Gdiplus::FontStyleUnderline | Gdiplus::FontStyleStrikeout));
    doc.SetCurrentHighlight(0xFF00FF00);
    doc.InsertText(L"emoji 😀 한 é\r");
    doc.SetCurrentHighlight(0);
    doc.SetCurrentFont(Font(L"微软雅黑", 13));
    doc.InsertText(L"last line");
    auto back = RoundTrip(doc, L"text.rtf");
    EXPECT_EQ(doc.GetText(), back->GetText());
    EXPECT_EQ(DescribeAll(doc), DescribeAll(*back));
}

void CheckPictureRoundTrip() {
    GlyphDocument doc;
    auto picture = MakeTestPicture();
    doc.InsertText(L"a");
    ASSERT_TRUE(doc.InsertPicture(picture.get(), kBlipPng));
    ASSERT_TRUE(doc.InsertPicture(picture.get(), kBlipGif));
    ASSERT_TRUE(doc.InsertPicture(picture.get(), kBlipMetafile));
    doc.InsertText(L"\r图\r");
    doc.Row(1)->SetIcon(LGlyphImage::FromImage(picture.get(), kBlipPng));
    auto back = RoundTrip(doc, L"pictures.rtf");
    EXPECT_EQ(DescribeAll(doc), DescribeAll(*back));
    ASSERT_TRUE(back->Row(1)->Icon());
    EXPECT_EQ(LGlyphEditRow::kDefaultIconSize + 4, back->TextIndent()); // rows make room for icons
    back->Paint();
    const LGlyph* pic = back->Row(0)->At(1);
    EXPECT_GT(
        InkedPixels(back->Surface(), static_cast<int>(pic->Box().X), static_cast<int>(pic->Box().Y), 4, 3),
        0);
}

// Wine's RichEdit control writes RTF the way other programs do: "\\ansicpg" of the system's code page,
// "\\uN" for what that code page lacks, fonts with character sets.
void CheckRichEditOutput() {
    ASSERT_TRUE(LoadLibraryW(L"riched20.dll"));
    HWND edit = CreateWindowExW(0, RICHEDIT_CLASSW, L"", WS_POPUP | ES_MULTILINE, 0, 0, 300, 200, nullptr,
                                nullptr, nullptr, nullptr);
    ASSERT_TRUE(edit);
    const std::wstring text = L"Hello 你好, {brace} \\ tab\there\r第二行 😀 é";
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    std::string rtf;
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&rtf);
    stream.pfnCallback = [](DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* done) -> DWORD {
        reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<char*>(buffer),
                                                       static_cast<size_t>(size));
        *done = size;
        return 0;
    };
    SendMessageW(edit, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    DestroyWindow(edit);
    ASSERT_FALSE(rtf.empty());
    GlyphDocument doc;
    ASSERT_EQ(kRtfOk, LoadRtfBytes(doc, rtf, false)) << rtf;
    std::wstring loaded = doc.GetText();
    while (!loaded.empty() && loaded.back() == L'\r')
        loaded.pop_back(); // the control ends its last paragraph with "\par"
    EXPECT_EQ(text, loaded) << rtf;
}
