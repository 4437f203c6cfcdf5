// Merging a backed-up data folder into the live one: replace and skip, and never a second copy of
// a note or template that lives elsewhere in the store.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/base/DirUtils.h"
#include "store/DataMerge.h"
#include "tests/store/TestFiles.h"

namespace {

const std::wstring kLive = L"live\\NoteData\\";
const std::wstring kBackup = L"backup\\NoteData\\";

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Put(const std::wstring& path, const std::string& bytes) {
    for (size_t at = path.find(L'\\'); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        EnsureFolder(path.substr(0, at + 1));
    WriteAll(path, bytes);
}

class DataMerge : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteTree(L"live\\");
        DeleteTree(L"backup\\");
        // Live: "moved" was put into the recycle bin after the backup; "same" stayed in place with
        // a newer record; "mine" exists only here; a template now in the default template group.
        Put(kLive + L"Recycle\\moved\\moved.xml", "live moved");
        Put(kLive + L"NoteItems\\same\\same.xml", "live same");
        Put(kLive + L"NoteItems\\mine\\mine.xml", "live mine");
        Put(kLive + L"NoteTpls\\paper\\paper.xml", "live paper");
        Put(kLive + L"customcolor.xml", "live colours");
        // Backup: "moved" in a user group, "same" with an older record and a picture since lost,
        // a note only the backup has, the template in a template group, and an empty group.
        Put(kBackup + L"NoteItems2\\工作\\moved\\moved.xml", "backup moved");
        Put(kBackup + L"NoteItems\\same\\same.xml", "backup same");
        Put(kBackup + L"NoteItems\\same\\pic.png", "picture");
        Put(kBackup + L"NoteItems\\gone\\gone.xml", "backup gone");
        Put(kBackup + L"NoteTpls2\\纸\\paper\\paper.xml", "backup paper");
        EnsureFolder(kBackup + L"NoteItems2\\空\\");
        Put(kBackup + L"customcolor.xml", "backup colours");
    }
};

TEST_F(DataMerge, SkipKeepsEveryLiveFileAndAddsOnlyWhatIsMissing) {
    EXPECT_TRUE(MergeDataFolder(kBackup, kLive, false));
    EXPECT_EQ(ReadAll(kLive + L"Recycle\\moved\\moved.xml"), "live moved");
    EXPECT_FALSE(Exists(kLive + L"NoteItems2\\工作\\moved")) << "a second copy of a note in the bin";
    EXPECT_EQ(ReadAll(kLive + L"NoteItems\\same\\same.xml"), "live same");
    EXPECT_EQ(ReadAll(kLive + L"NoteItems\\same\\pic.png"), "picture");
    EXPECT_EQ(ReadAll(kLive + L"NoteItems\\gone\\gone.xml"), "backup gone");
    EXPECT_EQ(ReadAll(kLive + L"NoteItems\\mine\\mine.xml"), "live mine");
    EXPECT_EQ(ReadAll(kLive + L"NoteTpls\\paper\\paper.xml"), "live paper");
    EXPECT_FALSE(Exists(kLive + L"NoteTpls2\\纸\\paper"));
    EXPECT_EQ(ReadAll(kLive + L"customcolor.xml"), "live colours");
    EXPECT_TRUE(Exists(kLive + L"NoteItems2\\空"));
}

TEST_F(DataMerge, ReplaceTakesTheBackupsCopyToTheBackupsPlaceAndDropsTheLiveOne) {
    EXPECT_TRUE(MergeDataFolder(kBackup, kLive, true));
    EXPECT_EQ(ReadAll(kLive + L"NoteItems2\\工作\\moved\\moved.xml"), "backup moved");
    EXPECT_FALSE(Exists(kLive + L"Recycle\\moved"));
    EXPECT_EQ(ReadAll(kLive + L"NoteItems\\same\\same.xml"), "backup same");
    EXPECT_EQ(ReadAll(kLive + L"NoteItems\\mine\\mine.xml"), "live mine");
    EXPECT_EQ(ReadAll(kLive + L"NoteTpls2\\纸\\paper\\paper.xml"), "backup paper");
    EXPECT_FALSE(Exists(kLive + L"NoteTpls\\paper"));
    EXPECT_EQ(ReadAll(kLive + L"customcolor.xml"), "backup colours");
}

TEST_F(DataMerge, NamesDifferingOnlyInCaseAreTheSameNote) {
    Put(kBackup + L"Recycle\\MINE\\MINE.xml", "backup mine");
    EXPECT_TRUE(MergeDataFolder(kBackup, kLive, false));
    EXPECT_FALSE(Exists(kLive + L"Recycle\\MINE"));
    EXPECT_EQ(ReadAll(kLive + L"NoteItems\\mine\\mine.xml"), "live mine");
}

} // namespace
