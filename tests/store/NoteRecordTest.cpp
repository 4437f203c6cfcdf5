// Note records, child item lists, templates and the loader's read side.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "store/NoteRecord.h"
#include "store/NoteStore.h"
#include "store/NoteTemplate.h"
#include "tests/store/TestFiles.h"

namespace {

const std::wstring kName = L"20261209051530123_100001";

std::wstring Folder(const std::wstring& name = kName) {
    return NoteFolder(name);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST(NoteRecord, WrittenKeyByKeyInFirstWriteOrder) {
    const NoteRecord rec = NoteRecord::ForNote(Folder(), kName, 100001);
    ASSERT_TRUE(rec.WriteText(NoteKey::kUnique, kName));
    rec.WriteText(NoteKey::kGroup, L"工作");
    rec.WriteRect({10, 20, 190, 200});
    rec.WriteText(NoteKey::kDateTime, FormatNoteTime(2026, 12, 9, 5, 15, 30));
    rec.WriteInt(NoteKey::kIsHide, 0);
    rec.AddChildItem(100002, NoteKey::kRichEdit);
    rec.AddChildItem(100003, NoteKey::kItemImage);
    // Updates stay in place; a later rectangle rewrites the four edges where they are.
    rec.WriteText(NoteKey::kGroup, L"");
    rec.WriteRect({-5, 0, 100, 80});
    rec.WriteInt(NoteKey::kCurColor, static_cast<int>(kDefaultCurColor));

    const std::string expected =
        "<MerlaItem>\r\n<ID>100001</ID>\r\n<unique>20261209051530123_100001</unique>\r\n"
        "<group></group>\r\n<left>-5</left>\r\n<top>0</top>\r\n<right>100</right>\r\n"
        "<bottom>80</bottom>\r\n"
        "<datetime>2026\xE5\xB9\xB4"
        "12\xE6\x9C\x88"
        "09\xE6\x97\xA5 05\xE6\x97\xB6"
        "15\xE5\x88\x86"
        "30\xE7\xA7\x92</datetime>\r\n<ishide>0</ishide>\r\n"
        "<ChildItems>\r\n<Item identify=\"LRichEditNI\">100002</Item>\r\n"
        "<Item identify=\"MerlaItemImage\">100003</Item>\r\n</ChildItems>\r\n"
        "<curcolor>-16777216</curcolor>\r\n</MerlaItem>\r\n";
    EXPECT_EQ(ReadAll(rec.Path()), expected);

    int64_t color = 0;
    EXPECT_TRUE(rec.ReadInt64(NoteKey::kCurColor, color));
    EXPECT_EQ(static_cast<uint32_t>(color), kDefaultCurColor);
    NoteFields f;
    ASSERT_TRUE(rec.ReadFields(f));
    EXPECT_EQ(f.id, 100001);
    EXPECT_EQ(f.unique, kName);
    EXPECT_TRUE(f.has_rect);
    EXPECT_EQ(f.rect.Width(), 105);
    EXPECT_EQ(f.datetime, L"2026年12月09日 05时15分30秒");
}

TEST(NoteRecord, ARecordThatCannotBeReadIsNeverWrittenOver) {
    const NoteRecord rec = NoteRecord::ForNote(Folder(), kName, 100001);
    rec.WriteRect({10, 20, 190, 200});
    rec.AddChildItem(100002, NoteKey::kRichEdit);
    const std::string before = ReadAll(rec.Path());
    // Held open without sharing for a moment, as a virus scanner or a backup tool may do: the read
    // fails while a write made a moment later would go through.
    HANDLE held = CreateFileW(rec.Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread release([held] {
        Sleep(60);
        CloseHandle(held);
    });
    EXPECT_FALSE(rec.WriteInt(NoteKey::kAlpha, 120));
    release.join();
    EXPECT_EQ(ReadAll(rec.Path()), before);
    // Once it can be read again, writes go on as usual.
    EXPECT_TRUE(rec.WriteInt(NoteKey::kAlpha, 120));
    NoteRect rect{};
    ASSERT_TRUE(rec.ReadRect(rect));
    EXPECT_EQ(rect.right, 190);
    EXPECT_EQ(rec.LoadChildren().size(), 1u);
}

TEST(NoteRecord, RectangleNeedsAllFourEdges) {
    const std::wstring path = Folder() + kName + L".xml";
    WriteAll(path, "<MerlaItem>\r\n<ID>7</ID>\r\n<left>1</left>\r\n<top>2</top>\r\n<right>3</right>\r\n</"
                   "MerlaItem>\r\n");
    const NoteRecord rec = NoteRecord::ForNote(Folder(), kName);
    NoteRect rect{9, 9, 9, 9};
    EXPECT_FALSE(rec.ReadRect(rect));
    EXPECT_EQ(rect.left, 9); // left alone
    int missing = 42;
    EXPECT_FALSE(rec.ReadInt(NoteKey::kAlpha, missing));
    EXPECT_EQ(missing, 42);
    // Reading never creates a record.
    const NoteRecord none = NoteRecord::ForNote(Folder(L"other"), L"other");
    EXPECT_FALSE(none.ReadRect(rect));
    EXPECT_FALSE(Exists(none.Path()));
}

TEST(NoteRecord, ChildItemsSkipUnknownClassesAndIdZero) {
    const std::wstring path = Folder() + kName + L".xml";
    WriteAll(
        path,
        "<MerlaItem>\r\n<ID>7</ID>\r\n<ChildItems>\r\n<Item identify=\"MerlaItemEdit\">11</Item>\r\n"
        "<Item identify=\"Unknown\">12</Item>\r\n<Item identify=\"LRichEditNI\">0</Item>\r\n"
        "<Item>13</Item>\r\n<Item identify=\"LRichEditNI\">14</Item>\r\n</ChildItems>\r\n</MerlaItem>\r\n");
    const NoteRecord rec = NoteRecord::ForNote(Folder(), kName);
    auto children = rec.LoadChildren();
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children[0].id, 11);
    EXPECT_EQ(children[1].identify, NoteKey::kRichEdit);

    // Adding an id already listed changes nothing; removing deletes the item and its files.
    const std::string before = ReadAll(path);
    EXPECT_TRUE(rec.AddChildItem(11, NoteKey::kItemEdit));
    EXPECT_EQ(ReadAll(path), before);
    WriteAll(Folder() + L"14_rtf", "{\\rtf1}");
    NoteRecord::ForChild(Folder(), 14, NoteKey::kRichEdit).WriteText(NoteKey::kRtfText, L"14_rtf");
    EXPECT_TRUE(rec.RemoveChildItem(14));
    EXPECT_FALSE(Exists(Folder() + L"14_rtf"));
    EXPECT_FALSE(Exists(Folder() + L"14.xml"));
    children = rec.LoadChildren();
    ASSERT_EQ(children.size(), 1u);
    // An image item goes without its picture: that is the note's, and may be shown elsewhere too.
    ASSERT_TRUE(rec.AddChildItem(15, NoteKey::kItemImage));
    WriteAll(Folder() + L"shared.png", "png");
    NoteRecord::ForChild(Folder(), 15, NoteKey::kItemImage).WriteText(NoteKey::kImage, L"shared.png");
    EXPECT_TRUE(rec.RemoveChildItem(15));
    EXPECT_FALSE(Exists(Folder() + L"15.xml"));
    EXPECT_TRUE(Exists(Folder() + L"shared.png"));
    EXPECT_FALSE(rec.RemoveChildItem(99));
}

TEST(NoteRecord, OneLoadReadsManyKeysAsTheFileWasThen) {
    const NoteRecord rec = NoteRecord::ForNote(Folder(), kName, 100001);
    NoteRecordReader missing(rec);
    int value = 0;
    EXPECT_FALSE(missing.ok());
    EXPECT_FALSE(missing.ReadInt(NoteKey::kAlpha, value));

    rec.WriteInt(NoteKey::kAlpha, 120);
    rec.WriteText(NoteKey::kGroup, L"工作");
    rec.WriteRect({10, 20, 190, 200});
    NoteRecordReader reader(rec);
    ASSERT_TRUE(reader.ok());
    std::wstring group;
    NoteRect r;
    // Keys in any order, each read from the start.
    EXPECT_TRUE(reader.ReadText(NoteKey::kGroup, group));
    EXPECT_EQ(group, L"工作");
    EXPECT_TRUE(reader.ReadInt(NoteKey::kAlpha, value));
    EXPECT_EQ(value, 120);
    EXPECT_TRUE(reader.ReadRect(r));
    EXPECT_EQ(r.bottom, 200);
    EXPECT_FALSE(reader.ReadText(NoteKey::kPngView, group));
    rec.WriteInt(NoteKey::kAlpha, 30);
    EXPECT_TRUE(reader.ReadInt(NoteKey::kAlpha, value));
    EXPECT_EQ(value, 120);
}

TEST(NoteRecord, RecordWithoutUniqueGetsIt) {
    // A note without a name is named from its id; a loaded note keeps its name.
    const std::wstring fresh = EnsureNoteUnique(NoteItemsDir(), L"", 100005);
    EXPECT_EQ(fresh.size(), 24u);
    EXPECT_EQ(fresh.substr(17), L"_100005");
    std::wstring unique;
    EXPECT_TRUE(NoteRecord::ForNote(Folder(fresh), fresh).ReadText(NoteKey::kUnique, unique));
    EXPECT_EQ(unique, fresh);

    WriteAll(Folder() + kName + L".xml", "<MerlaItem>\r\n<ID>7</ID>\r\n<left>1</left>\r\n</MerlaItem>\r\n");
    EXPECT_EQ(EnsureNoteUnique(NoteItemsDir(), kName, 7), kName);
    EXPECT_TRUE(NoteRecord::ForNote(Folder(), kName).ReadText(NoteKey::kUnique, unique));
    EXPECT_EQ(unique, kName);
    // Two notes made within one millisecond differ.
    EXPECT_NE(EnsureNoteUnique(NoteItemsDir(), L"", 1), EnsureNoteUnique(NoteItemsDir(), L"", 1));
}

TEST(NoteTemplate, SaveRefusesNoteMissingAKey) {
    const NoteRecord rec = NoteRecord::ForNote(Folder(), kName, 7);
    rec.WriteRect({0, 0, 100, 50});
    EXPECT_FALSE(SaveNoteAsTemplate(Folder(), kName, L"", kTempTemplateName)); // no "bkimage"
    EXPECT_FALSE(Exists(TplsDir() + kTempTemplateName + L"\\" + kTempTemplateName + L".xml"));

    rec.WriteText(NoteKey::kBkImage, L"bkimage_1_sea.png");
    WriteAll(Folder() + L"bkimage_1_sea.png", "png");
    // A protected box's content stays in the note: a template is size and picture only.
    WriteAll(Folder() + L"100103.xml", "<LRichEditNI><EncryptShow>1</EncryptShow></LRichEditNI>");
    ASSERT_TRUE(SaveNoteAsTemplate(Folder(), kName, L"", kTempTemplateName));
    const std::wstring tpl = TplsDir() + kTempTemplateName + L"\\";
    EXPECT_EQ(ReadAll(tpl + L"bkimage_1_sea.png"), "png");
    EXPECT_EQ(ListEntries(tpl).size(), 2u);
    const std::string text = ReadAll(tpl + kTempTemplateName + L".xml");
    EXPECT_EQ(
        text.rfind(
            "<TplItem>\r\n<left>0</left>\r\n<top>0</top>\r\n<right>100</right>\r\n<bottom>50</bottom>\r\n"
            "<bkimage>bkimage_1_sea.png</bkimage>\r\n<group/>\r\n<datetime>",
            0),
        0u)
        << text;

    // A user group's template lands in its group folder.
    ASSERT_TRUE(SaveNoteAsTemplate(Folder(), kName, L"工作", L"t1"));
    EXPECT_TRUE(Exists(GroupTplsDir() + L"工作\\t1\\t1.xml"));
}

TEST(NoteTemplate, ApplyResizesWithoutMovingAndKeepsExistingPicture) {
    const std::wstring tpl = TplFolder(L"t1");
    WriteAll(tpl + L"t1.xml",
             "<TplItem>\r\n<left>500</left>\r\n<top>500</top>\r\n<right>800</right>\r\n"
             "<bottom>620</bottom>\r\n<bkimage>bkimage_2_sky.png</bkimage>\r\n</TplItem>\r\n");
    WriteAll(tpl + L"bkimage_2_sky.png", "template picture");
    WriteAll(Folder() + L"bkimage_2_sky.png", "note's own picture");
    const NoteRecord rec = NoteRecord::ForNote(Folder(), kName, 7);
    rec.WriteRect({10, 20, 190, 200});

    AppliedTemplate applied;
    ASSERT_TRUE(ApplyTemplate(tpl, L"t1", Folder(), kName, 7, {10, 20, 190, 200}, applied));
    EXPECT_TRUE(applied.resized);
    NoteRect rect;
    ASSERT_TRUE(rec.ReadRect(rect));
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.Width(), 300);
    EXPECT_EQ(rect.Height(), 120);
    EXPECT_EQ(applied.bkimage, L"bkimage_2_sky.png");
    EXPECT_EQ(ReadAll(Folder() + L"bkimage_2_sky.png"), "note's own picture");
    std::wstring bk;
    EXPECT_TRUE(rec.ReadText(NoteKey::kBkImage, bk));
    EXPECT_EQ(bk, L"bkimage_2_sky.png");

    // A template without all four edges leaves the size; a missing template does nothing.
    WriteAll(tpl + L"t1.xml", "<TplItem>\r\n<left>0</left>\r\n<right>5</right>\r\n</TplItem>\r\n");
    ASSERT_TRUE(ApplyTemplate(tpl, L"t1", Folder(), kName, 7, rect, applied));
    EXPECT_FALSE(applied.resized);
    EXPECT_FALSE(ApplyTemplate(tpl, L"none", Folder(), kName, 7, rect, applied));
}

TEST(NoteRecord, DeleteNoteRemovesEverything) {
    const NoteRecord rec = NoteRecord::ForNote(Folder(), kName, 7);
    rec.WriteText(NoteKey::kBkImage, L"bkimage_1_a.png");
    rec.AddChildItem(11, NoteKey::kItemImage);
    NoteRecord::ForChild(Folder(), 11, NoteKey::kItemImage).WriteText(NoteKey::kImage, L"bkimage_11_b.png");
    WriteAll(Folder() + L"bkimage_1_a.png", "a");
    WriteAll(Folder() + L"bkimage_11_b.png", "b");
    // A picture name climbing out of the folder is not followed.
    WriteAll(NoteItemsDir() + L"outside.png", "keep");
    NoteRecord::ForChild(Folder(), 12, NoteKey::kItemImage).WriteText(NoteKey::kImage, L"..\\outside.png");
    rec.AddChildItem(12, NoteKey::kItemImage);
    DeleteNoteFiles(Folder(), kName);
    EXPECT_FALSE(FolderExists(NoteItemsDir() + kName));
    EXPECT_EQ(ReadAll(NoteItemsDir() + L"outside.png"), "keep");
}

TEST(NoteLoader, DeletesFoldersWithoutRecordAndSkipsHiddenNotes) {
    NoteRecord::ForNote(NoteFolder(L"a"), L"a", 101).WriteInt(NoteKey::kIsHide, 0);
    NoteRecord::ForNote(NoteFolder(L"h"), L"h", 102).WriteInt(NoteKey::kIsHide, 1);
    NoteFolder(L"gone"); // record deleted by hand
    WriteAll(NoteFolder(L"gone") + L"1.xml", "<MerlaItemEdit/>");
    const std::wstring g = GroupItemsDir() + L"工作\\";
    CreateDirectoryW(g.c_str(), nullptr);
    NoteRecord::ForNote(NoteFolder(L"b", g), L"b", 103).WriteInt(NoteKey::kIsHide, 0);
    WriteAll(NoteFolder(L"bad") + L"bad.xml", "<MerlaItem><ID>5</I"); // opens with defaults
    NoteRecord::ForNote(NoteFolder(L"open"), L"open", 104).WriteInt(NoteKey::kIsHide, 0);

    auto notes = ListNotesToOpen([](const std::wstring& name) { return name == L"open"; });
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].name, L"b"); // groups first
    EXPECT_EQ(notes[0].base_folder, g);
    EXPECT_EQ(notes[0].id, 103);
    std::vector<std::wstring> rest{notes[1].name, notes[2].name};
    std::sort(rest.begin(), rest.end());
    EXPECT_EQ(rest, (std::vector<std::wstring>{L"a", L"bad"}));
    EXPECT_FALSE(FolderExists(NoteItemsDir() + L"gone"));
    EXPECT_TRUE(FolderExists(NoteItemsDir() + L"h"));
}

// The notes open from what the listing read: the record is loaded once at start-up.
TEST(NoteLoader, HandsOnTheLoadedRecordAndItsRectangle) {
    const NoteRecord a = NoteRecord::ForNote(NoteFolder(L"a"), L"a", 101);
    a.WriteText(NoteKey::kUnique, L"u-a");
    a.WriteRect(NoteRect{10, 20, 190, 200});
    a.AddChildItem(5, NoteKey::kRichEdit);
    NoteRecord::ForNote(NoteFolder(L"norect"), L"norect", 102).WriteInt(NoteKey::kIsHide, 0);
    WriteAll(NoteFolder(L"bad") + L"bad.xml", "<MerlaItem><left>1</left><top>2</t");
    std::vector<StoredNote> notes = ListNotesToOpen({});
    ASSERT_EQ(notes.size(), 3u);
    std::sort(notes.begin(), notes.end(), [](const auto& x, const auto& y) { return x.name < y.name; });
    ASSERT_TRUE(notes[0].has_rect);
    EXPECT_EQ(notes[0].rect.left, 10);
    EXPECT_EQ(notes[0].rect.bottom, 200);
    ASSERT_NE(notes[0].record, nullptr);
    NoteRecordReader reader(std::move(*notes[0].record), L"MerlaItem");
    std::wstring unique;
    EXPECT_TRUE(reader.ReadText(NoteKey::kUnique, unique));
    EXPECT_EQ(unique, L"u-a");
    const std::vector<ChildItemRef> children = reader.LoadChildren();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0].id, 5);
    NoteRect rect;
    EXPECT_TRUE(reader.ReadRect(rect)); // after the children, as a note reads them
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(notes[1].name, L"bad"); // opens with defaults, read again by the note
    EXPECT_FALSE(notes[1].has_rect);
    EXPECT_EQ(notes[1].record, nullptr);
    EXPECT_EQ(notes[2].name, L"norect");
    EXPECT_FALSE(notes[2].has_rect);
}

TEST(NoteRecord, DamagedRecordsAreReadWithoutHarm) {
    const std::string good =
        "<MerlaItem>\r\n<ID>100001</ID>\r\n<unique>n</unique>\r\n<group>\xE5\xB7\xA5</group>\r\n"
        "<left>1</left>\r\n<top>2</top>\r\n<right>3</right>\r\n<bottom>4</bottom>\r\n"
        "<datetime>x</datetime>\r\n<ChildItems>\r\n<Item identify=\"LRichEditNI\">5</Item>\r\n"
        "</ChildItems>\r\n</MerlaItem>\r\n";
    unsigned seed = 3;
    auto next = [&seed] { return (seed = seed * 1103515245 + 12345) >> 16; };
    for (int i = 0; i < 300; ++i) {
        std::string bytes = good;
        const int edits = 1 + next() % 6;
        for (int e = 0; e < edits; ++e) {
            const size_t at = next() % bytes.size();
            switch (next() % 3) {
            case 0:
                bytes[at] = static_cast<char>(next());
                break;
            case 1:
                bytes.erase(at, next() % 12);
                break;
            default:
                bytes.insert(at, "<>\"&/");
                break;
            }
            if (bytes.empty())
                bytes = "<";
        }
        WriteAll(Folder(L"n") + L"n.xml", bytes);
        const NoteRecord rec = NoteRecord::ForNote(Folder(L"n"), L"n");
        NoteFields f;
        rec.ReadFields(f);
        for (const ChildItemRef& child : rec.LoadChildren())
            EXPECT_TRUE(child.id != 0 && IsKnownChildClass(child.identify));
        LoadNoteList(NoteItemsDir());
        ListNotesToOpen({});
    }
}
