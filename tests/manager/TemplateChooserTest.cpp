// The template chooser of the note menu: made a moment after the menu, listing every template by
// group at 0.4 of its size, and applying the one clicked to the note.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "manager/MerlaMenuSelTpl.h"
#include "note/MerlaItem.h"
#include "note/MerlaMenuNote.h"
#include "store/NoteRecord.h"
#include "store/xml/CXmlDoc.h"
#include "store/xml/FileBytes.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

void WriteTemplate(const std::wstring& folder, const std::wstring& name, int width, int height,
                   const std::wstring& picture, uint32_t colour) {
    ASSERT_TRUE(WriteSolidPng(folder + picture, colour));
    CXmlDoc doc;
    ASSERT_TRUE(doc.SetDoc(L"<TplItem>\r\n<left>0</left>\r\n<top>0</top>\r\n<right>" +
                           std::to_wstring(width) + L"</right>\r\n<bottom>" + std::to_wstring(height) +
                           L"</bottom>\r\n<bkimage>" + picture + L"</bkimage>\r\n</TplItem>\r\n"));
    ASSERT_TRUE(doc.Save(folder + name + L".xml"));
}

std::unique_ptr<MerlaItem> OpenNote(const std::wstring& name) {
    NoteRecord record = NoteRecord::ForNote(NoteFolder(name), name, 0);
    record.WriteText(NoteKey::kUnique, name);
    record.WriteRect(NoteRect{200, 150, 380, 330});
    auto note = std::make_unique<MerlaItem>(name, std::wstring(), false);
    EXPECT_TRUE(note->Create(0, L"", MerlaItem::kExStyle, MerlaItem::kStyle, 200, 150, 180, 180, nullptr));
    PumpMessages();
    return note;
}

MerlaMenuNote* RightClick(MerlaItem& note) {
    SendMessageW(note.GetHandle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(note.GetHandle()),
                 MAKELPARAM(250, 200));
    PumpMessages();
    return dynamic_cast<MerlaMenuNote*>(LWnd::FromId(MerlaMenuNote::kId));
}

class TemplateChooser : public testing::Test {
protected:
    void SetUp() override {
        MerlaMenuNoteBase::SetTemplateChooserMaker(&MerlaMenuSelTpl::Make);
        WriteTemplate(TplFolder(L"plain"), L"plain", 200, 150, L"sand.png", 0xFFE0C080);
        WriteTemplate(GroupTplFolder(L"彩色", L"wide"), L"wide", 300, 100, L"sky.png", 0xFF3070E0);
    }
};

} // namespace

TEST_F(TemplateChooser, ComesAfterAMomentListsEveryGroupAndAClickAppliesTheTemplate) {
    auto note = OpenNote(L"chooser_note");
    MerlaMenuNote* menu = RightClick(*note);
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(nullptr, menu->TemplateChooser());
    PumpFor(450);
    auto* chooser = dynamic_cast<MerlaMenuSelTpl*>(menu->TemplateChooser());
    ASSERT_NE(nullptr, chooser);
    EXPECT_EQ(30209, chooser->GetId());
    wchar_t caption[32] = {};
    GetWindowTextW(chooser->GetHandle(), caption, 32);
    EXPECT_STREQ(L"选择模板子窗口", caption);
    const RECT list = chooser->List().WindowRect();
    EXPECT_EQ(540, list.right - list.left);
    EXPECT_EQ(360, list.bottom - list.top);
    EXPECT_EQ(GetWindowLongW(chooser->GetHandle(), GWL_EXSTYLE) & WS_EX_LAYERED, WS_EX_LAYERED);

    // Both groups, each card at 0.4 of its template.
    const auto& cards = chooser->List().Cards();
    ASSERT_EQ(2u, cards.size());
    size_t wide = cards[0].note.name == L"wide" ? 0 : 1;
    EXPECT_EQ(120, cards[wide].width);
    EXPECT_EQ(40, cards[wide].height);
    EXPECT_EQ(80, cards[1 - wide].width);
    EXPECT_EQ(60, cards[1 - wide].height);
    EXPECT_EQ(2u, chooser->List().Bands().size());

    const RECT r = chooser->List().CardClientRect(wide);
    chooser->List().OnClick(0, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PumpMessages();
    const RECT nr = note->WindowRect();
    EXPECT_EQ(200, nr.left);
    EXPECT_EQ(300, nr.right - nr.left);
    EXPECT_EQ(100, nr.bottom - nr.top);
    std::wstring bkimage;
    EXPECT_TRUE(NoteRecord::ForNote(NoteFolder(L"chooser_note"), L"chooser_note", 0)
                    .ReadText(NoteKey::kBkImage, bkimage));
    EXPECT_EQ(L"sky.png", bkimage);
    EXPECT_TRUE(FileExists(NoteFolder(L"chooser_note") + L"sky.png"));
    EXPECT_EQ(0xFF3070E0u, note->BackBuffer().Pixel(150, 50) | 0xFF000000u);
    // The choice closes the menus.
    EXPECT_FALSE(IsWindowVisible(menu->GetHandle()));
    PumpFor(1200);
}

TEST_F(TemplateChooser, AMenuClosedBeforeItsMomentNeverBuildsIt) {
    auto note = OpenNote(L"quick_note");
    MerlaMenuNote* menu = RightClick(*note);
    ASSERT_NE(nullptr, menu);
    menu->HideMenu();
    PumpFor(450);
    if (LWnd::FromId(MerlaMenuNote::kId) == menu) {
        EXPECT_EQ(nullptr, menu->TemplateChooser());
    }
    EXPECT_EQ(nullptr, LWnd::FromId(MerlaMenuSelTpl::kId));
    PumpFor(1200);
}
