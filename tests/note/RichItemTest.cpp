// The rich text box written on a note: made by a click on empty paper, kept with its files while it
// holds something, removed with them when left empty, and its line heights, pictures, row icons,
// font bar messages and protected display, read back from the note folder.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "app/base/MessageBoxBits.h"
#include "note/LRichEditNI.h"
#include "note/LRichEditNIMenu.h"
#include "note/MerlaFcbtFF.h"
#include "note/MerlaItem.h"
#include "richtext/FontRegistry.h"
#include "richtext/LGlyph.h"
#include "richtext/LGlyphEditRow.h"
#include "settings/DisplayPassword.h"
#include "settings/TextCipher.h"
#include "store/NoteRecord.h"
#include "store/xml/FileBytes.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::pair<int, std::wstring>> g_asked;
int g_answer = kMbYes;

int RecordAsk(HWND, const std::wstring& text, int, int id) {
    g_asked.push_back({id, text});
    return g_answer;
}

struct RichItemTest : ::testing::Test {
    void SetUp() override {
        RichOptions() = RichItemOptions{};
        g_asked.clear();
        g_answer = kMbYes;
        LRichEditNI::SetMessageBoxHook(&RecordAsk);
    }
    void TearDown() override { LRichEditNI::SetMessageBoxHook(nullptr); }
};

std::unique_ptr<MerlaItem> OpenNote(const std::wstring& name = {}) {
    auto note = std::make_unique<MerlaItem>(name);
    EXPECT_TRUE(note->Create(0, L"", MerlaItem::kExStyle, MerlaItem::kStyle, 200, 150, 240, 220, nullptr));
    PumpMessages();
    return note;
}

LRichEditNI* BoxOf(MerlaItem& note, size_t i = 0) {
    return i < note.AllItems().size() ? dynamic_cast<LRichEditNI*>(note.AllItems()[i]) : nullptr;
}

void Type(LRichEditNI& box, const std::wstring& text) {
    for (wchar_t c : text)
        SendMessageW(box.GetHandle(), WM_CHAR, c, 1);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

NoteRecord BoxRecord(MerlaItem& note, int id) {
    return NoteRecord::ForChild(note.Folder(), id, NoteKey::kRichEdit);
}

bool WritePng(const std::wstring& path, int w, int h, uint32_t argb) {
    Gdiplus::Bitmap bitmap(w, h, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&bitmap);
        Gdiplus::SolidBrush brush{Gdiplus::Color(argb)};
        g.FillRectangle(&brush, 0, 0, w, h);
    }
    CLSID png{};
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(codecs[i].MimeType) == L"image/png")
            png = codecs[i].Clsid;
    }
    return bitmap.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}

// A note with one box holding the text, written and closed; answers the note's name and the box's id.
std::pair<std::wstring, int> StoredBox(const std::wstring& text) {
    auto note = OpenNote();
    LRichEditNI* box = note->AddRichItem(POINT{10, 10});
    EXPECT_NE(box, nullptr);
    if (!box)
        return {note->Name(), 0};
    Type(*box, text);
    const int id = box->GetId();
    box->OnKillFocus(note.get());
    PumpMessages();
    return {note->Name(), id};
}

std::vector<const LGlyph*> Glyphs(LRichEditNI& box) {
    std::vector<const LGlyph*> out;
    for (int r = 0; r < box.Document().RowCount(); ++r)
        for (const LGlyph* g : box.Document().Row(r)->Children())
            out.push_back(g);
    return out;
}

} // namespace

TEST_F(RichItemTest, TheConfiguredClickOnEmptyPaperMakesABoxThatIsRecordedInTheNote) {
    auto note = OpenNote();
    note->OnClick(0, 30, 40);
    EXPECT_TRUE(note->AllItems().empty()) << "one click does nothing while a double click is configured";
    note->OnLButtonDblClk(0, 30, 40);
    ASSERT_EQ(note->AllItems().size(), 1u);
    LRichEditNI* box = BoxOf(*note);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->IsEditing());
    NoteRect r;
    ASSERT_TRUE(BoxRecord(*note, box->GetId()).ReadRect(r));
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 40);
    const auto children = NoteRecord::ForNote(note->Folder(), note->Name()).LoadChildren();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0].identify, L"LRichEditNI");
    EXPECT_EQ(children[0].id, box->GetId());

    // A second click on the box writes in it rather than making another.
    RichOptions().double_click = 1;
    note->OnClick(0, 40, 45);
    EXPECT_EQ(note->AllItems().size(), 1u);
    note->OnClick(0, 20, 190);
    EXPECT_EQ(note->AllItems().size(), 2u);
}

TEST_F(RichItemTest, ABoxKeepsItsFilesWhileItHoldsTextAndGoesWithThemWhenLeftEmpty) {
    std::wstring name;
    int id = 0;
    {
        auto note = OpenNote();
        name = note->Name();
        LRichEditNI* box = note->AddRichItem(POINT{10, 10});
        ASSERT_NE(box, nullptr);
        id = box->GetId();
        Type(*box, L"Hello 便签");
        box->OnKillFocus(note.get());
        PumpMessages();
        ASSERT_EQ(note->AllItems().size(), 1u);
        EXPECT_FALSE(box->IsEditing());
        std::wstring rtf;
        ASSERT_TRUE(BoxRecord(*note, id).ReadText(NoteKey::kRtfText, rtf));
        EXPECT_EQ(rtf, std::to_wstring(id) + L"_rtf");
        EXPECT_TRUE(Exists(note->Folder() + rtf));
        int value = -1;
        EXPECT_TRUE(BoxRecord(*note, id).ReadInt(NoteKey::kAutoChangeLine, value));
        EXPECT_EQ(value, 1);
        EXPECT_TRUE(BoxRecord(*note, id).ReadInt(NoteKey::kIsFixed, value));
    }
    auto note = OpenNote(name);
    LRichEditNI* box = BoxOf(*note);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->GetId(), id);
    EXPECT_EQ(box->GetText(), L"Hello 便签");

    // Emptied and left: the note removes it, and its record and content go.
    box->StartEditing(5, 5);
    box->SelectAll();
    box->HandleKey(VK_DELETE);
    box->OnKillFocus(note.get());
    PumpMessages();
    EXPECT_TRUE(note->AllItems().empty());
    EXPECT_FALSE(Exists(note->Folder() + std::to_wstring(id) + L"_rtf"));
    EXPECT_FALSE(Exists(note->Folder() + std::to_wstring(id) + L".xml"));
    EXPECT_TRUE(NoteRecord::ForNote(note->Folder(), note->Name()).LoadChildren().empty());
}

TEST_F(RichItemTest, TypingIsSavedAtTheEndOfTheSessionAndWhenTheNoteCloses) {
    auto note = OpenNote();
    const std::wstring folder = note->Folder();
    LRichEditNI* box = note->AddRichItem(POINT{10, 10});
    ASSERT_NE(box, nullptr);
    const int id = box->GetId();
    Type(*box, L"logoff");
    SendMessageW(note->GetHandle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(Exists(folder + std::to_wstring(id) + L"_rtf"));
    Type(*box, L" exit");
    const std::wstring name = note->Name();
    note.reset();
    auto again = OpenNote(name);
    ASSERT_NE(BoxOf(*again), nullptr);
    EXPECT_EQ(BoxOf(*again)->GetText(), L"logoff exit");
}

TEST_F(RichItemTest, ARowIconAloneKeepsTheBoxAndRemovingItRestoresTheIndent) {
    auto note = OpenNote();
    const std::wstring icon = note->Folder() + L"icon.png";
    ASSERT_TRUE(WritePng(icon, 40, 40, 0xFF3060C0));
    LRichEditNI* box = note->AddRichItem(POINT{10, 10});
    ASSERT_NE(box, nullptr);
    SendMessageW(box->GetHandle(), RichItemMsg::kSetRowIcon, 0, reinterpret_cast<LPARAM>(icon.c_str()));
    ASSERT_NE(box->Document().Row(0)->Icon(), nullptr);
    // The default row icon side 18, plus 4.
    EXPECT_EQ(box->TextIndent(), 22);
    box->OnKillFocus(note.get());
    PumpMessages();
    EXPECT_EQ(note->AllItems().size(), 1u);

    box->StartEditing(5, 5);
    box->RunCommand(30503);
    EXPECT_EQ(box->Document().Row(0)->Icon(), nullptr);
    EXPECT_EQ(box->TextIndent(), 7);
}

TEST_F(RichItemTest, LineHeightCommandsSetTheGapsOfTheSelectedRows) {
    auto note = OpenNote();
    LRichEditNI* box = note->AddRichItem(POINT{10, 10});
    ASSERT_NE(box, nullptr);
    Type(*box, L"one\rtwo\rthree");
    box->SetSelection(0, 5); // rows 0 and 1
    const struct {
        int command, gap;
    } cases[] = {{30510, 8},  {30511, 10}, {30512, 14}, {30513, 17}, {30514, 21},
                 {30515, 24}, {30516, 28}, {30509, 7},  {30512, 14}, {30508, 7}};
    for (const auto& c : cases) {
        box->SetLineHeightCommand(c.command);
        EXPECT_EQ(box->Document().Row(0)->LineGap(), c.gap) << c.command;
        EXPECT_EQ(box->Document().Row(1)->LineGap(), c.gap) << c.command;
        EXPECT_EQ(box->Document().Row(2)->LineGap(), 7) << c.command;
    }
    box->SetLineHeightCommand(30510);
    ASSERT_TRUE(box->SaveContent());
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(box->ContentPath(), bytes));
    EXPECT_NE(bytes.find("sl274"), std::string::npos);
}

TEST_F(RichItemTest, APictureFromAFileIsScaledToTheLongestSideAndTheNoticeIsShown) {
    auto note = OpenNote();
    const std::wstring wide = note->Folder() + L"wide.png", thin = note->Folder() + L"thin.png";
    ASSERT_TRUE(WritePng(wide, 2000, 1000, 0xFF20A040));
    ASSERT_TRUE(WritePng(thin, 600, 10, 0xFF20A040));
    LRichEditNI* box = note->AddRichItem(POINT{10, 10});
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(box->InsertPictureFile(wide));
    ASSERT_TRUE(box->InsertPictureFile(thin));
    EXPECT_FALSE(box->InsertPictureFile(note->Folder() + L"missing.png"));
    std::vector<std::pair<int, int>> sizes;
    for (const LGlyph* g : Glyphs(*box))
        if (g->IsImage())
            sizes.push_back({static_cast<int>(g->Box().Width), g->GetHeight()});
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[0], std::make_pair(32, 16));
    EXPECT_EQ(sizes[1], std::make_pair(32, 1));
    ASSERT_EQ(g_asked.size(), 2u);
    EXPECT_EQ(g_asked[0].first, 20062);
}

TEST_F(RichItemTest, OlderLineHeightsAndRowIconsLoadOnceAndLeaveTheRecordAfterTheContentIsSaved) {
    const auto [name, id] = StoredBox(L"a\rb");
    ASSERT_TRUE(WritePng(RowIconDir(L"default") + L"older_icon.png", 24, 24, 0xFFC03030));
    const std::wstring record = NoteFolder(name) + std::to_wstring(id) + L".xml";
    std::string text;
    ASSERT_TRUE(ReadFileBytes(record, text));
    const size_t end = text.find("</LRichEditNI>");
    ASSERT_NE(end, std::string::npos);
    text.insert(end, "<lineheight>\r\n<item>14</item>\r\n<item>21</item>\r\n</lineheight>\r\n"
                     "<rowstates>\r\n<item image=\"older_icon.png\">1</item>\r\n</rowstates>\r\n");
    ASSERT_TRUE(WriteFileAtomic(record, text));

    auto note = OpenNote(name);
    LRichEditNI* box = BoxOf(*note);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Document().Row(0)->LineGap(), 14);
    EXPECT_EQ(box->Document().Row(1)->LineGap(), 21);
    EXPECT_NE(box->Document().Row(1)->Icon(), nullptr);
    ASSERT_TRUE(ReadFileBytes(record, text));
    EXPECT_EQ(text.find("lineheight"), std::string::npos);
    EXPECT_EQ(text.find("rowstates"), std::string::npos);
    // What they said now lives in the content.
    note.reset();
    auto again = OpenNote(name);
    ASSERT_NE(BoxOf(*again), nullptr);
    EXPECT_EQ(BoxOf(*again)->Document().Row(0)->LineGap(), 14);
    EXPECT_NE(BoxOf(*again)->Document().Row(1)->Icon(), nullptr);
}

TEST_F(RichItemTest, ContentThatDoesNotLoadOrNamesAnotherFolderIsNeverTouched) {
    const auto [name, id] = StoredBox(L"x");
    const std::wstring folder = NoteFolder(name);
    const std::string damaged = "{\\rtf1 {\\pict\\pngblip\\picw";
    ASSERT_TRUE(WriteFileAtomic(folder + std::to_wstring(id) + L"_rtf", damaged));
    {
        auto note = OpenNote(name);
        LRichEditNI* box = BoxOf(*note);
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(box->ContentIntact());
        note->ClickAction(POINT{15, 15});
        box->OnKillFocus(note.get());
        PumpMessages();
        EXPECT_EQ(note->AllItems().size(), 1u);
    }
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(folder + std::to_wstring(id) + L"_rtf", bytes));
    EXPECT_EQ(bytes, damaged);

    // A name with a path is neither read nor deleted.
    const std::wstring outside = NoteItemsDir() + L"outside_rtf";
    ASSERT_TRUE(WriteFileAtomic(outside, "{\\rtf1 secret}"));
    BoxRecord(*OpenNote(name), id).WriteText(NoteKey::kRtfText, L"..\\outside_rtf");
    auto note = OpenNote(name);
    ASSERT_NE(BoxOf(*note), nullptr);
    EXPECT_EQ(BoxOf(*note)->GetText().find(L"secret"), std::wstring::npos);
    EXPECT_TRUE(Exists(outside));
}

TEST_F(RichItemTest, FontBarMessagesChangeTheSelectionOrTheNextCharacters) {
    auto note = OpenNote();
    LRichEditNI* box = note->AddRichItem(POINT{10, 10});
    ASSERT_NE(box, nullptr);
    Type(*box, L"bold plain");
    box->SetSelection(0, 4);
    Gdiplus::Font* bold = FontRegistry::Instance().Get(L"宋体", 13, Gdiplus::FontStyleBold);
    SendMessageW(box->GetHandle(), RichItemMsg::kBarFont, reinterpret_cast<WPARAM>(bold), kSetBold);
    const auto glyphs = Glyphs(*box);
    EXPECT_TRUE(DescribeFont(glyphs[0]->GetFont()).style & Gdiplus::FontStyleBold);
    EXPECT_FALSE(DescribeFont(glyphs[5]->GetFont()).style & Gdiplus::FontStyleBold);
    EXPECT_TRUE(box->IsModified());

    SendMessageW(box->GetHandle(), RichItemMsg::kBarColor, 0x00FF0000, 1);
    EXPECT_EQ(Glyphs(*box)[0]->GetColor(), 0xFFFF0000u) << "text colour is made opaque";
    SendMessageW(box->GetHandle(), RichItemMsg::kBarColor, 0x8000FF00, 2);
    EXPECT_EQ(Glyphs(*box)[0]->GetBackColor(), 0x8000FF00u) << "highlight keeps its alpha";
    EXPECT_EQ(Glyphs(*box)[5]->GetBackColor(), 0u);
}

TEST_F(RichItemTest, ProtectionMasksEveryCharacterKeepsTheLayoutAndSurvivesAReload) {
    ASSERT_TRUE(SetEncryptPwd(EncryptText(L"secret")));
    std::wstring name;
    int id = 0;
    std::vector<int> widths;
    {
        auto note = OpenNote();
        name = note->Name();
        LRichEditNI* box = note->AddRichItem(POINT{10, 10});
        Type(*box, L"wide WWW");
        for (const LGlyph* g : Glyphs(*box))
            widths.push_back(static_cast<int>(g->Box().Width));
        id = box->GetId();
        ASSERT_TRUE(box->Protect(note->GetHandle()));
        int encrypt = 0;
        EXPECT_TRUE(BoxRecord(*note, id).ReadInt(NoteKey::kEncryptShow, encrypt));
        EXPECT_EQ(encrypt, 1);
        std::vector<int> masked_widths;
        for (const LGlyph* g : Glyphs(*box)) {
            EXPECT_TRUE(g->Masked());
            masked_widths.push_back(static_cast<int>(g->Box().Width));
        }
        EXPECT_EQ(masked_widths, widths);
        EXPECT_EQ(box->ProtectionToken(), DisplayPasswordHash());
        box->OnKillFocus(note.get());
        PumpMessages();
    }
    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(NoteFolder(name) + std::to_wstring(id) + L"_rtf", bytes));
    EXPECT_NE(bytes.find("eecnpts"), std::string::npos);

    auto note = OpenNote(name);
    LRichEditNI* box = BoxOf(*note);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(box->IsProtected());
    for (const LGlyph* g : Glyphs(*box))
        EXPECT_TRUE(g->Masked());
    ASSERT_TRUE(box->Unprotect(note->GetHandle(), false));
    for (const LGlyph* g : Glyphs(*box))
        EXPECT_FALSE(g->Masked());
    int encrypt = -1;
    EXPECT_TRUE(BoxRecord(*note, id).ReadInt(NoteKey::kEncryptShow, encrypt));
    EXPECT_EQ(encrypt, 0);
    ASSERT_TRUE(ReadFileBytes(NoteFolder(name) + std::to_wstring(id) + L"_rtf", bytes));
    EXPECT_EQ(bytes.find("eecnpts"), std::string::npos);
}

TEST_F(RichItemTest, MenusOpenAboveTheRequestAndTheFontWindowStaysOnTheScreen) {
    auto note = OpenNote();
    LRichEditNI* box = note->AddRichItem(POINT{10, 10});
    ASSERT_NE(box, nullptr);
    Type(*box, L"kept");
    // As after the user's click on the note.
    SetForegroundWindow(note->GetHandle());
    for (const auto& [y, top] : {std::pair{50, 0}, std::pair{300, 220}}) {
        const POINT at = LRichEditNIMenu::PopupPoint(POINT{400, y});
        EXPECT_EQ(at.x, 407);
        EXPECT_EQ(at.y, top);
        LRichEditNIMenu* menu = LRichEditNIMenu::Open(*box, POINT{400, y});
        ASSERT_NE(menu, nullptr);
        ASSERT_NE(menu->ItemOf(30521), nullptr);
        wchar_t text[16] = {};
        GetWindowTextW(menu->ItemOf(30521)->GetHandle(), text, 16);
        EXPECT_STREQ(text, L"加密显示");
        PumpFor(50);
        EXPECT_TRUE(box->IsEditing()) << "open menu";
        menu->HideMenu();
        PumpFor(50);
        EXPECT_TRUE(box->IsEditing()) << "a menu closing leaves the box being written in";
    }
    const RECT screen{0, 0, 1920, 1080};
    const POINT below = MerlaFcbtFF::PlaceFor(RECT{100, 100, 300, 200}, screen);
    EXPECT_EQ(below.x, 97);
    EXPECT_EQ(below.y, 200);
    const POINT above = MerlaFcbtFF::PlaceFor(RECT{1900, 1000, 2000, 1060}, screen);
    EXPECT_EQ(above.x, 1920 - MerlaFcbtFF::kWidth - 3);
    EXPECT_EQ(above.y, 1000 - MerlaFcbtFF::kHeight);
}
