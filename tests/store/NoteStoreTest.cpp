// The note store: groups, recycle bin and the messages sent to the windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "store/xml/Encoding.h"
#include "store/NoteRecord.h"
#include "store/NoteStore.h"
#include "tests/store/TestFiles.h"

namespace {

// Records what the store tells the windows; plays the main controller for deleted open notes.
class FakeWindows : public StoreEvents {
public:
    void PostShowGroup(int row) override { log.push_back(L"show " + std::to_wstring(row)); }
    void PostReloadNotes() override { log.push_back(L"reload"); }
    void SendNotesDeleted(const NoteNameSet& names) override {
        std::wstring line = L"deleted";
        for (const auto& n : names) {
            line += L" " + n;
            auto it = open.find(n);
            if (it != open.end()) {
                // A window closes in its own folder; one already moved away would leave a stub.
                if (!FolderExists(it->second + n))
                    line += L"(folder gone)";
                MoveNoteFolder(it->second + n + L"\\", RecycleDir() + n + L"\\");
                open.erase(it);
            }
        }
        log.push_back(line);
    }
    void PostHideNote(int id) override { log.push_back(L"hide " + std::to_wstring(id)); }
    int FindOpenNote(const std::wstring& name) override {
        auto it = open.find(name);
        return it == open.end() ? 0 : 1000 + static_cast<int>(name.size());
    }
    void SetBaseFolder(const std::wstring& name, const std::wstring& base) override {
        open[name] = base;
        log.push_back(L"base " + name);
    }
    void ShowMessage(const std::wstring& text) override { log.push_back(L"message " + text); }
    void ForgetColumnMode(const std::wstring& group) override { log.push_back(L"forget " + group); }
    void RenameColumnMode(const std::wstring& from, const std::wstring& to) override {
        log.push_back(L"column " + from + L"->" + to);
    }

    std::vector<std::wstring> log;
    std::map<std::wstring, std::wstring> open; // name -> base folder
};

// A note as the note window writes it.
void MakeNote(const std::wstring& base, const std::wstring& name, const std::wstring& group, int hidden = 0) {
    const NoteRecord rec = NoteRecord::ForNote(NoteFolder(name, base), name, 100);
    rec.WriteText(NoteKey::kUnique, name);
    rec.WriteText(NoteKey::kGroup, group);
    rec.WriteRect({0, 0, 180, 120});
    rec.WriteText(NoteKey::kDateTime, L"2026年01月02日 03时04分05秒");
    rec.WriteInt(NoteKey::kIsHide, hidden);
    WriteAll(NoteFolder(name, base) + L"100001_rtf",
             "{\\rtf1 " + std::string(name.begin(), name.end()) + "}");
}

std::wstring GroupDir(const std::wstring& g) {
    return GroupItemsDir() + g + L"\\";
}

std::wstring GroupOf(const std::wstring& base, const std::wstring& name) {
    std::wstring group = L"?";
    NoteRecord::ForNote(base + name + L"\\", name).ReadText(NoteKey::kGroup, group);
    return group;
}

class NoteStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryW(GroupDir(L"工作").c_str(), nullptr);
        groups.Rebuild();
    }
    FakeWindows windows;
    GroupList groups;
    NoteStore store{windows, groups};
};

} // namespace

TEST_F(NoteStoreTest, LoadNoteListReadsSummariesAndDropsFoldersWithoutRecord) {
    MakeNote(NoteItemsDir(), L"n1", L"");
    MakeNote(NoteItemsDir(), L"n2", L"", 1);
    NoteFolder(L"empty");
    WriteAll(NoteItemsDir() + L"stray.txt", "not a note");
    NoteRecord::ForNote(NoteFolder(L"norect"), L"norect").WriteInt(NoteKey::kLeft, 1);

    auto rows = LoadNoteList(NoteItemsDir());
    ASSERT_EQ(rows.size(), 2u);
    std::sort(rows.begin(), rows.end(), [](auto& a, auto& b) { return a.name < b.name; });
    EXPECT_EQ(rows[0].group, L"系统分组");
    EXPECT_EQ(rows[0].width, 180);
    EXPECT_EQ(rows[0].height, 120);
    EXPECT_EQ(rows[0].id, 100);
    EXPECT_EQ(rows[0].folder, NoteItemsDir());
    EXPECT_EQ(rows[0].created, L"2026年01月02日 03时04分05秒");
    EXPECT_EQ(rows[0].state, kNoteStateShown);
    EXPECT_EQ(rows[1].state, kNoteStateHidden);
    EXPECT_FALSE(FolderExists(NoteItemsDir() + L"empty"));
    EXPECT_TRUE(FolderExists(NoteItemsDir() + L"norect"));
}

TEST_F(NoteStoreTest, EmptyDateTimeIsFilledOnceFromTheFileCreationTime) {
    MakeNote(NoteItemsDir(), L"n1", L"");
    NoteRecord::ForNote(NoteItemsDir() + L"n1\\", L"n1").WriteText(NoteKey::kDateTime, L"");
    auto rows = LoadNoteList(NoteItemsDir());
    ASSERT_EQ(rows.size(), 1u);
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(rows[0].created.substr(0, 5), std::to_wstring(now.wYear) + L"年");
    EXPECT_EQ(rows[0].created.size(), std::wstring(L"2026年01月02日 03时04分05秒").size());
    const std::wstring path = NoteItemsDir() + L"n1\\n1.xml";
    const std::string saved = ReadAll(path);
    EXPECT_NE(saved.find("<datetime>" + WideToUtf8(rows[0].created)), std::string::npos);
    LoadNoteList(NoteItemsDir());
    EXPECT_EQ(ReadAll(path), saved);
}

TEST_F(NoteStoreTest, DeletedOpenAndHiddenNotesArriveInTheRecycleBin) {
    MakeNote(GroupDir(L"工作"), L"open", L"工作");
    MakeNote(GroupDir(L"工作"), L"hidden", L"工作", 1);
    windows.open[L"open"] = GroupDir(L"工作");
    store.DeleteNotes(L"工作", {L"open", L"hidden", L"vanished"});
    EXPECT_EQ(windows.log, (std::vector<std::wstring>{L"deleted hidden open vanished", L"show 0"}));
    EXPECT_TRUE(windows.open.empty());
    EXPECT_EQ(GroupOf(RecycleDir(), L"open"), L"工作");
    EXPECT_EQ(GroupOf(RecycleDir(), L"hidden"), L"工作");
    EXPECT_TRUE(ListSubFolders(GroupDir(L"工作")).empty());

    // In the recycle bin a delete erases; emptying keeps the folder itself.
    windows.log.clear();
    store.DeleteNotes(L"回收站", {L"open"});
    EXPECT_FALSE(FolderExists(RecycleDir() + L"open"));
    EXPECT_EQ(windows.log, (std::vector<std::wstring>{L"show 2"}));
    store.EmptyRecycleBin();
    EXPECT_TRUE(FolderExists(DataDir() + L"Recycle"));
    EXPECT_TRUE(ListEntries(RecycleDir()).empty());
}

TEST_F(NoteStoreTest, RestoreRecreatesAVanishedGroup) {
    CreateDirectoryW(GroupDir(L"旧组").c_str(), nullptr);
    MakeNote(GroupDir(L"旧组"), L"n1", L"旧组");
    MakeNote(NoteItemsDir(), L"n2", L"");
    groups.Rebuild();
    store.DeleteGroup(L"旧组");
    store.DeleteNotes(L"系统分组", {L"n2"});
    EXPECT_FALSE(FolderExists(GroupItemsDir() + L"旧组"));
    EXPECT_EQ(groups.IndexOf(L"旧组"), -1);
    NoteFolder(L"norecord", RecycleDir());
    groups.SelectName(L"回收站");
    windows.log.clear();

    store.RestoreNotes({L"n1", L"n2", L"norecord"});
    EXPECT_EQ(GroupOf(GroupDir(L"旧组"), L"n1"), L"旧组");
    EXPECT_EQ(GroupOf(NoteItemsDir(), L"n2"), L"");
    EXPECT_TRUE(FolderExists(RecycleDir() + L"norecord"));
    EXPECT_FALSE(FolderExists(RecycleDir() + L"n1"));
    EXPECT_GE(groups.IndexOf(L"旧组"), 0);
    EXPECT_EQ(groups.SelectedName(), L"回收站");
    EXPECT_EQ(windows.log, (std::vector<std::wstring>{L"show 3", L"reload"}));
}

TEST_F(NoteStoreTest, RestoreNeverLeavesTheGroupsFolder) {
    MakeNote(RecycleDir(), L"n1", L"..\\..\\..\\escape");
    store.RestoreNotes({L"n1"});
    EXPECT_TRUE(FolderExists(NoteItemsDir() + L"n1"));
    EXPECT_FALSE(FolderExists(ExeDir() + L"escape"));
}

TEST_F(NoteStoreTest, MovingToTheSameGroupChangesNothing) {
    MakeNote(NoteItemsDir(), L"n1", L"");
    const std::string before = ReadAll(NoteItemsDir() + L"n1\\n1.xml");
    EXPECT_TRUE(store.MoveNotesToGroup(L"系统分组", {L"n1"}, L""));
    EXPECT_TRUE(store.MoveNotesToGroup(L"", {L"n1"}, L"系统分组"));
    EXPECT_EQ(ReadAll(NoteItemsDir() + L"n1\\n1.xml"), before);
    EXPECT_TRUE(windows.log.empty());
}

TEST_F(NoteStoreTest, MovingRewritesGroupAndTellsOpenNotes) {
    MakeNote(NoteItemsDir(), L"n1", L"");
    MakeNote(NoteItemsDir(), L"n2", L"");
    windows.open[L"n1"] = NoteItemsDir();
    EXPECT_TRUE(store.MoveNotesToGroup(L"", {L"n1", L"n2"}, L"工作"));
    EXPECT_EQ(GroupOf(GroupDir(L"工作"), L"n1"), L"工作");
    EXPECT_EQ(GroupOf(GroupDir(L"工作"), L"n2"), L"工作");
    EXPECT_EQ(ReadAll(GroupDir(L"工作") + L"n2\\100001_rtf"), "{\\rtf1 n2}");
    EXPECT_TRUE(ListSubFolders(NoteItemsDir()).empty());
    EXPECT_EQ(windows.open[L"n1"], GroupDir(L"工作"));
    EXPECT_EQ(windows.log, (std::vector<std::wstring>{L"base n1"}));

    // Back to the default group: "group" becomes empty.
    EXPECT_TRUE(store.MoveNotesToGroup(L"工作", {L"n2"}, L"系统分组"));
    EXPECT_EQ(GroupOf(NoteItemsDir(), L"n2"), L"");
}

TEST_F(NoteStoreTest, MovingOutOfTheRecycleBinReopensNotes) {
    MakeNote(RecycleDir(), L"n1", L"工作");
    EXPECT_TRUE(store.MoveNotesToGroup(L"回收站", {L"n1"}, L"工作"));
    EXPECT_TRUE(FolderExists(GroupItemsDir() + L"工作\\n1"));
    EXPECT_EQ(windows.log, (std::vector<std::wstring>{L"reload"}));
}

TEST_F(NoteStoreTest, AMoveThatCannotCopyEveryFileKeepsTheNote) {
    MakeNote(NoteItemsDir(), L"n1", L"");
    MakeNote(NoteItemsDir(), L"n2", L"");
    windows.open[L"n1"] = NoteItemsDir();
    // The target refuses n1's rich text file: a folder of that name is in the way.
    CreateDirectoryW((GroupDir(L"工作") + L"n1").c_str(), nullptr);
    CreateDirectoryW((GroupDir(L"工作") + L"n1\\100001_rtf").c_str(), nullptr);
    EXPECT_FALSE(store.MoveNotesToGroup(L"", {L"n1", L"n2"}, L"工作"));
    EXPECT_EQ(ReadAll(NoteItemsDir() + L"n1\\100001_rtf"), "{\\rtf1 n1}");
    EXPECT_EQ(GroupOf(NoteItemsDir(), L"n1"), L"");
    EXPECT_EQ(windows.open[L"n1"], NoteItemsDir()); // the open window saves where the note is
    EXPECT_TRUE(FolderExists(GroupDir(L"工作") + L"n2"));
    EXPECT_FALSE(FolderExists(NoteItemsDir() + L"n2"));

    // Renaming the group with a stuck note keeps the old folder and the note in it.
    MakeNote(GroupDir(L"工作"), L"n3", L"工作");
    CreateDirectoryW((NoteItemsDir() + L"n3").c_str(), nullptr);
    CreateDirectoryW((NoteItemsDir() + L"n3\\n3.xml").c_str(), nullptr);
    std::wstring to = L"新组";
    ASSERT_TRUE(store.ValidateGroupName(to));
    CreateDirectoryW((GroupDir(L"新组") + L"n3").c_str(), nullptr);
    CreateDirectoryW((GroupDir(L"新组") + L"n3\\n3.xml").c_str(), nullptr);
    EXPECT_FALSE(store.RenameGroup(L"工作", L"新组"));
    EXPECT_EQ(GroupOf(GroupDir(L"工作"), L"n3"), L"工作");
    EXPECT_TRUE(FolderExists(GroupDir(L"新组") + L"n2"));

    // Deleting a note that cannot reach the recycle bin keeps it too.
    CreateDirectoryW((RecycleDir() + L"n3").c_str(), nullptr);
    CreateDirectoryW((RecycleDir() + L"n3\\n3.xml").c_str(), nullptr);
    store.DeleteNotes(L"工作", {L"n3"});
    EXPECT_TRUE(FolderExists(GroupDir(L"工作") + L"n3"));
    store.DeleteGroup(L"工作");
    EXPECT_TRUE(FolderExists(GroupDir(L"工作") + L"n3"));
}

TEST_F(NoteStoreTest, HideAsksOnlyOpenNotes) {
    windows.open[L"n1"] = NoteItemsDir();
    store.HideNotes(L"系统分组", {L"n1", L"closed"});
    EXPECT_EQ(windows.log, (std::vector<std::wstring>{L"hide 1002", L"show 1", L"reload"}));
    windows.log.clear();
    store.HideNotes(L"系统分组", {L"closed"});
    EXPECT_TRUE(windows.log.empty());
}

TEST_F(NoteStoreTest, ShowClearsHiddenFlagAndReloadsOnlyWhenSomethingChanged) {
    MakeNote(GroupDir(L"工作"), L"h", L"工作", 1);
    MakeNote(GroupDir(L"工作"), L"s", L"工作", 0);
    store.ShowNotes(L"工作", {L"s"});
    EXPECT_TRUE(windows.log.empty());
    store.ShowNotes(L"工作", {L"h", L"s", L"missing"});
    EXPECT_EQ(windows.log, (std::vector<std::wstring>{L"show 0", L"reload"}));
    int hidden = 1;
    NoteRecord::ForNote(GroupDir(L"工作") + L"h\\", L"h").ReadInt(NoteKey::kIsHide, hidden);
    EXPECT_EQ(hidden, 0);
    EXPECT_FALSE(FolderExists(GroupDir(L"工作") + L"missing"));
}

TEST_F(NoteStoreTest, GroupNamesAreTrimmedAndThreeKindsRefused) {
    // Only U+0020 is trimmed; an ideographic space stays.
    std::wstring name = L"  \u3000学习  ";
    EXPECT_TRUE(store.ValidateGroupName(name));
    EXPECT_EQ(name, L"\u3000学习");
    EXPECT_TRUE(FolderExists(GroupItemsDir() + L"\u3000学习"));

    const std::vector<std::pair<std::wstring, const wchar_t*>> refused = {
        {L" 工作 ", L"存在相同的分组或者文件！"},
        {L"   ", L"存在相同的分组或者文件！"},
        {L"file", L"存在相同的分组或者文件！"},
        {L"系统分组", L"不能为系统分组或者回收站，请重新命名！"},
        {L" 回收站", L"不能为系统分组或者回收站，请重新命名！"},
        {L"a<b", L"分组命名不合法！"},
        {L"工作\\sub", L"分组命名不合法！"},
        {L"x/y", L"分组命名不合法！"},
        {L"dot.", L"分组命名不合法！"}};
    WriteAll(GroupItemsDir() + L"file", "");
    for (const auto& [proposed, message] : refused) {
        windows.log.clear();
        std::wstring n = proposed;
        EXPECT_FALSE(store.ValidateGroupName(n)) << proposed;
        EXPECT_EQ(windows.log, (std::vector<std::wstring>{std::wstring(L"message ") + message})) << proposed;
    }
    EXPECT_FALSE(FolderExists(GroupItemsDir() + L"工作\\sub"));
}

TEST_F(NoteStoreTest, RenameKeepsEveryNoteWithItsGroupRewritten) {
    MakeNote(GroupDir(L"工作"), L"n1", L"工作");
    MakeNote(GroupDir(L"工作"), L"n2", L"工作", 1);
    NoteRecord::ForNote(NoteFolder(L"n3", GroupDir(L"工作")), L"n3")
        .WriteInt(NoteKey::kLeft, 0); // no rectangle
    std::wstring to = L" 生活 ";
    ASSERT_TRUE(store.ValidateGroupName(to));
    groups.SelectName(L"工作");
    ASSERT_TRUE(store.RenameGroup(L"工作", to));
    EXPECT_FALSE(FolderExists(GroupItemsDir() + L"工作"));
    for (const wchar_t* n : {L"n1", L"n2", L"n3"})
        EXPECT_EQ(GroupOf(GroupDir(L"生活"), n), L"生活") << n;
    EXPECT_EQ(groups.Rows(), (std::vector<std::wstring>{L"生活", L"系统分组", L"回收站"}));
    EXPECT_EQ(groups.SelectedName(), L"生活");
    EXPECT_EQ(windows.log.back(), L"show 0");
    EXPECT_NE(std::find(windows.log.begin(), windows.log.end(), L"column 工作->生活"), windows.log.end());
}

TEST_F(NoteStoreTest, DeleteGroupSendsItsNotesToTheBinAndClosesOpenOnes) {
    MakeNote(GroupDir(L"工作"), L"n1", L"工作");
    MakeNote(GroupDir(L"工作"), L"n2", L"工作");
    windows.open[L"n1"] = GroupDir(L"工作");
    groups.SelectName(L"回收站");
    store.DeleteGroup(L"工作");
    EXPECT_FALSE(FolderExists(GroupItemsDir() + L"工作"));
    EXPECT_EQ(GroupOf(RecycleDir(), L"n1"), L"工作");
    EXPECT_EQ(GroupOf(RecycleDir(), L"n2"), L"工作");
    EXPECT_EQ(groups.Selected(), 0);
    EXPECT_EQ(windows.log, (std::vector<std::wstring>{L"deleted n1 n2", L"show 0", L"forget 工作"}));
    NoteRect rect{};
    EXPECT_TRUE(NoteRecord::ForNote(RecycleDir() + L"n1\\", L"n1").ReadRect(rect));
    EXPECT_EQ(rect.right, 180);
    windows.log.clear();
    store.DeleteGroup(L"");
    EXPECT_TRUE(windows.log.empty());
}

TEST_F(NoteStoreTest, DeleteAndMoveTakesTheNotesAlong) {
    MakeNote(GroupDir(L"工作"), L"n1", L"工作");
    CreateDirectoryW(GroupDir(L"目标").c_str(), nullptr);
    groups.Rebuild();
    store.DeleteGroupAndMove(L"工作", L"目标");
    EXPECT_EQ(GroupOf(GroupDir(L"目标"), L"n1"), L"目标");
    EXPECT_FALSE(FolderExists(GroupItemsDir() + L"工作"));
    EXPECT_TRUE(ListEntries(RecycleDir()).empty());
    EXPECT_EQ(groups.SelectedName(), L"目标");
    EXPECT_EQ(windows.log.back(), L"show " + std::to_wstring(groups.IndexOf(L"目标")));
}

TEST(GroupList, RowsAreUserGroupsThenSystemGroupThenRecycleBin) {
    CreateDirectoryW((GroupItemsDir() + L"b").c_str(), nullptr);
    WriteAll(GroupItemsDir() + L"afile", "");
    GroupList groups;
    groups.Rebuild();
    EXPECT_EQ(groups.Rows(), (std::vector<std::wstring>{L"b", L"系统分组", L"回收站"}));
    EXPECT_EQ(groups.Selected(), 0);
    groups.SelectName(L"回收站");
    groups.AddRow(L"a");
    EXPECT_EQ(groups.SelectedName(), L"回收站");
    RemoveDirectoryW((GroupItemsDir() + L"b").c_str());
    groups.Select(0);
    groups.Rebuild();
    EXPECT_EQ(groups.Selected(), 0); // "b" is gone
    EXPECT_EQ(groups.IndexOf(L""), 0);
}
