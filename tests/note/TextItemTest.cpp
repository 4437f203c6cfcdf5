// Plain text boxes on a note: loaded from their record, written when they lose the focus, when the
// session ends and when their window goes, removed with their record when left empty.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "note/MerlaItem.h"
#include "note/MerlaItemEdit.h"
#include "store/NoteRecord.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr int kFirstChildId = 900101;

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A note on disk with one text box: red, half transparent, 18 px bold.
void PrepareNote(const std::wstring& name, int child_id) {
    DeleteTree(NoteFolder(name));
    const std::wstring folder = NoteFolder(name);
    NoteRecord record = NoteRecord::ForNote(folder, name, 0);
    record.WriteText(NoteKey::kUnique, name);
    record.WriteRect(NoteRect{200, 150, 400, 350});
    record.AddChildItem(child_id, L"MerlaItemEdit");
    NoteRecord child = NoteRecord::ForChild(folder, child_id, L"MerlaItemEdit");
    child.WriteRect(NoteRect{10, 20, 170, 120});
    child.WriteText(L"text", L"甲\n乙");
    child.WriteText(L"fontfamilyname", L"宋体");
    child.WriteText(L"fontemsize", L"18");
    child.WriteInt(L"fontstyle", 1);
    child.WriteInt(L"fontunit", 2);
    child.WriteInt(L"color", static_cast<int>(0x80FF0000u));
}

std::unique_ptr<MerlaItem> OpenNote(const std::wstring& name) {
    auto note = std::make_unique<MerlaItem>(name);
    EXPECT_TRUE(note->Create(0, L"", MerlaItem::kExStyle, MerlaItem::kStyle, 200, 150, 200, 200, nullptr));
    PumpMessages();
    return note;
}

std::wstring ReadText(const std::wstring& folder, int id, const wchar_t* key) {
    std::wstring value;
    NoteRecord::ForChild(folder, id, L"MerlaItemEdit").ReadText(key, value);
    return value;
}

int ReadInt(const std::wstring& folder, int id, const wchar_t* key) {
    int value = -1;
    NoteRecord::ForChild(folder, id, L"MerlaItemEdit").ReadInt(key, value);
    return value;
}

} // namespace

TEST(TextItem, LoadsFromItsRecordAndWritesItBackWhenTheFocusLeaves) {
    const int id = kFirstChildId;
    PrepareNote(L"text_item_load", id);
    auto note = OpenNote(L"text_item_load");
    auto* item = dynamic_cast<MerlaItemEdit*>(LWnd::FromId(id));
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(std::wstring(L"甲") + wchar_t(10) + L"乙", item->Text());
    EXPECT_EQ(L"宋体", item->FontFamily());
    EXPECT_EQ(18.0f, item->FontEmSize());
    EXPECT_EQ(1, item->FontStyle());
    EXPECT_EQ(0x80FF0000u, item->Color());
    EXPECT_FALSE(IsWindowEnabled(item->GetHandle()));

    item->SetFocusWnd();
    EXPECT_TRUE(IsWindowEnabled(item->GetHandle()));
    item->SetSelection(3, 3);
    item->TypeChar(L'丙');
    item->SetFont(L"宋体", 13.0f, 0, 2);
    item->OnKillFocus(note.get());
    EXPECT_FALSE(IsWindowEnabled(item->GetHandle()));
    EXPECT_EQ(nullptr, item->CaretWindow());
    const std::wstring folder = note->Folder();
    EXPECT_EQ(std::wstring(L"甲") + wchar_t(10) + L"乙丙", ReadText(folder, id, L"text"));
    EXPECT_EQ(L"13.0", ReadText(folder, id, L"fontemsize"));
    EXPECT_EQ(L"宋体", ReadText(folder, id, L"fontfamilyname"));
    EXPECT_EQ(0, ReadInt(folder, id, L"fontstyle"));
    EXPECT_EQ(2, ReadInt(folder, id, L"fontunit"));
    EXPECT_EQ(static_cast<int>(0x80FF0000u), ReadInt(folder, id, L"color"));
    EXPECT_EQ(10, ReadInt(folder, id, L"left"));
    EXPECT_EQ(170, ReadInt(folder, id, L"right"));
}

TEST(TextItem, OpacityKeepsTheColourAndReachesTheNote) {
    const int id = kFirstChildId + 1;
    PrepareNote(L"text_item_alpha", id);
    auto note = OpenNote(L"text_item_alpha");
    auto* item = dynamic_cast<MerlaItemEdit*>(LWnd::FromId(id));
    ASSERT_NE(nullptr, item);
    SendMessageW(item->GetHandle(), 50005, 0, 0x40);
    PumpMessages();
    EXPECT_EQ(0x40FF0000u, item->Color());
    EXPECT_EQ(static_cast<int>(0x40FF0000u), ReadInt(note->Folder(), id, L"color"));
    EXPECT_EQ(0x40FF0000u, note->CurColor());

    // The menu's slider shows the transparency, 255 - alpha.
    MerlaItemEditMenu* menu = MerlaItemEditMenu::Make(item->GetHandle(), 0x40);
    ASSERT_NE(nullptr, menu);
    ASSERT_NE(nullptr, menu->AlphaItem());
    EXPECT_EQ(255 - 0x40, menu->AlphaItem()->Slider().GetValue());
    EXPECT_EQ(30407, menu->AlphaItem()->GetId());
    ASSERT_EQ(6u, menu->Items().size());
    EXPECT_EQ(30401, menu->Items().front()->GetId());
    EXPECT_EQ(L"cut.png", menu->Items().front()->GetIcon());
    EXPECT_EQ(30406, menu->Items().back()->GetId());
    delete menu;
    PumpMessages();
}

TEST(TextItem, AnEmptiedItemIsRemovedWithItsRecord) {
    const int id = kFirstChildId + 2;
    PrepareNote(L"text_item_empty", id);
    auto note = OpenNote(L"text_item_empty");
    auto* item = dynamic_cast<MerlaItemEdit*>(LWnd::FromId(id));
    ASSERT_NE(nullptr, item);
    const std::wstring record = note->Folder() + std::to_wstring(id) + L".xml";
    ASSERT_TRUE(Exists(record));
    item->SetFocusWnd();
    // "删除" of its menu: all text goes, then the focus.
    SendMessageW(item->GetHandle(), LNotify::kCommand, 30404, 0);
    PumpMessages();
    EXPECT_EQ(nullptr, LWnd::FromId(id));
    EXPECT_FALSE(Exists(record));
    EXPECT_TRUE(NoteRecord::ForNote(note->Folder(), note->Name()).LoadChildren().empty());
}

TEST(TextItem, TheTextIsKeptWhenTheSessionEndsAndWhenTheWindowGoes) {
    const int id = kFirstChildId + 3;
    PrepareNote(L"text_item_end", id);
    std::wstring folder;
    {
        auto note = OpenNote(L"text_item_end");
        folder = note->Folder();
        auto* item = dynamic_cast<MerlaItemEdit*>(LWnd::FromId(id));
        ASSERT_NE(nullptr, item);
        item->SetText(L"session");
        // Only top-level windows hear of the session's end: the note passes it on.
        SendMessageW(note->GetHandle(), WM_ENDSESSION, TRUE, 0);
        EXPECT_EQ(L"session", ReadText(folder, id, L"text"));
        item->SetText(L"closing");
    }
    EXPECT_EQ(L"closing", ReadText(folder, id, L"text"));

    // An item left empty when its note closes leaves the note's record and its own alone.
    {
        auto note = OpenNote(L"text_item_end");
        auto* item = dynamic_cast<MerlaItemEdit*>(LWnd::FromId(id));
        ASSERT_NE(nullptr, item);
        item->SetText(L"");
    }
    EXPECT_EQ(L"closing", ReadText(folder, id, L"text"));
    const auto children = NoteRecord::ForNote(folder, L"text_item_end").LoadChildren();
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ(id, children[0].id);
}
