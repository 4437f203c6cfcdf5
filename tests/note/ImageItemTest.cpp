// Pictures on a note: added from a file, kept in their own record, loaded again, changed only when
// the copy worked, and removed with their record.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "note/MerlaItem.h"
#include "note/MerlaItemImage.h"
#include "note/PictureChoice.h"
#include "store/NoteRecord.h"
#include "toolkit/MerlaMessageBox.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::unique_ptr<MerlaItem> OpenNote(const std::wstring& name) {
    if (!Exists(NoteFolder(name) + name + L".xml")) {
        NoteRecord record = NoteRecord::ForNote(NoteFolder(name), name, 0);
        record.WriteText(NoteKey::kUnique, name);
        record.WriteRect(NoteRect{200, 150, 380, 330});
    }
    auto note = std::make_unique<MerlaItem>(name);
    EXPECT_TRUE(note->Create(0, L"", MerlaItem::kExStyle, MerlaItem::kStyle, 200, 150, 180, 180, nullptr));
    PumpMessages();
    return note;
}

// Answers the next box of the id with OK while a modal loop runs.
void CALLBACK AnswerCopyFailed(HWND, UINT, UINT_PTR timer, DWORD) {
    auto* box = dynamic_cast<MerlaMessageBox*>(LWnd::FromId(kPictureCopyFailedBoxId));
    if (!box || !IsWindowVisible(box->GetHandle()))
        return;
    KillTimer(nullptr, timer);
    const LPARAM at = MAKELPARAM(5, 5);
    SendMessageW(box->ButtonOf(kMbOk)->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(box->ButtonOf(kMbOk)->GetHandle(), WM_LBUTTONUP, 0, at);
}

} // namespace

TEST(ImageItem, AddedKeptLoadedAgainChangedOnlyByAGoodCopyAndRemovedWithItsRecord) {
    const std::wstring outside = ExeDir() + L"pictures\\";
    EnsureFolder(outside);
    ASSERT_TRUE(WriteSolidPng(outside + L"red.png", 0xFFFF0000));
    ASSERT_TRUE(WriteSolidPng(outside + L"blue.png", 0xFF0000FF));
    int id = 0;
    std::wstring first;
    {
        auto note = OpenNote(L"with_image");
        MerlaItemImage* item = note->AddImageItemFrom(outside + L"red.png", POINT{20, 30});
        ASSERT_NE(nullptr, item);
        id = item->GetId();
        first = item->Image();
        EXPECT_EQ(L"bkimage_" + std::to_wstring(id) + L"_red.png", first);
        EXPECT_TRUE(Exists(note->Folder() + first));
        const RECT r = item->WindowRect();
        EXPECT_EQ(64, r.right - r.left);
        EXPECT_EQ(64, r.bottom - r.top);
        NoteRecord child = NoteRecord::ForChild(note->Folder(), id, L"MerlaItemImage");
        NoteRect stored;
        ASSERT_TRUE(child.ReadRect(stored));
        EXPECT_EQ(20, stored.left);
        EXPECT_EQ(30, stored.top);
        EXPECT_EQ(84, stored.right);
        std::wstring image;
        EXPECT_TRUE(child.ReadText(L"image", image));
        EXPECT_EQ(first, image);
        const auto children = NoteRecord::ForNote(note->Folder(), note->Name()).LoadChildren();
        ASSERT_EQ(1u, children.size());
        EXPECT_EQ(L"MerlaItemImage", children[0].identify);
    }
    auto note = OpenNote(L"with_image");
    auto* item = dynamic_cast<MerlaItemImage*>(LWnd::FromId(id));
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(first, item->Image());
    EXPECT_EQ(Opaque(0xFF0000), item->RenderContent().Pixel(32, 32));

    // A copy that fails keeps the picture and says so.
    SetTimer(nullptr, 0, 30, &AnswerCopyFailed);
    EXPECT_FALSE(item->UsePictureFile(outside + L"missing.png"));
    EXPECT_EQ(first, item->Image());
    ASSERT_TRUE(item->UsePictureFile(outside + L"blue.png"));
    EXPECT_NE(first, item->Image());
    EXPECT_EQ(Opaque(0x0000FF), item->RenderContent().Pixel(32, 32));

    // "删除" in its menu: the record goes and the note lets the item go.
    const std::wstring record = note->Folder() + std::to_wstring(id) + L".xml";
    ASSERT_TRUE(Exists(record));
    SendMessageW(item->GetHandle(), LNotify::kCommand, MerlaItemImageMenu::kDeleteCommand, 0);
    PumpMessages();
    EXPECT_FALSE(Exists(record));
    EXPECT_EQ(nullptr, LWnd::FromId(id));
    EXPECT_TRUE(NoteRecord::ForNote(note->Folder(), note->Name()).LoadChildren().empty());
}
