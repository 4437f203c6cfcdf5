// Local backup and restore through the public calls: the archive's layout, the round trip of the
// data folder to a stand-in main window, the questions and their answers, and damaged archives.
#include "tests/settings/BackupCapture.h"
#include "tests/settings/BackupTestSupport.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "settings/LocalBackup.h"
#include "store/CUnzipper.h"
#include "store/StoreEvents.h"
#include "store/ZipFolders.h"
#include "toolkit/LWnd.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

namespace {

const wchar_t kChoiceHead[] = L"选择重复的数据的处理方式...";

std::wstring MakeBackup() {
    MakeData();
    BackupCapture boxes;
    const std::wstring path = ExeDir() + L"backup.zip";
    EXPECT_TRUE(BackupToLocalPath(nullptr, ExeDir() + L"backup"));
    EXPECT_EQ(boxes.asked, std::vector<std::wstring>{L"备份成功！"});
    return path;
}

} // namespace

TEST(LocalBackup, ArchiveHoldsTheDataFolderUnderNoteDataAndComesBackByteForByte) {
    DataDir();
    const std::set<std::wstring> before = ExeFolders();
    const std::wstring archive = MakeBackup();
    EXPECT_EQ(ExeFolders(), before) << "the scratch folder is gone";

    CUnzipper unzip;
    ASSERT_TRUE(unzip.OpenForReading(archive));
    ASSERT_TRUE(unzip.GoToFirstEntry());
    ZipEntryInfo first;
    ASSERT_TRUE(unzip.ReadEntryInfo(first));
    EXPECT_EQ(first.name, L"NoteData\\");
    int count = 1;
    while (unzip.GoToNextEntry()) {
        ZipEntryInfo info;
        ASSERT_TRUE(unzip.ReadEntryInfo(info));
        EXPECT_EQ(info.name.rfind(L"NoteData\\", 0), 0u) << info.name;
        ++count;
    }
    unzip.CloseArchive();
    EXPECT_GE(count, 9);

    StandInMain main;
    BackupCapture boxes({kMbSkip});
    EXPECT_EQ(RestoreFromArchive(nullptr, archive), RestoreResult::kMerged);
    ASSERT_EQ(main.requests.size(), 1u);
    EXPECT_FALSE(main.requests[0].replace);
    EXPECT_EQ(main.requests[0].note_data.back(), L'\\');
    EXPECT_EQ(main.contents[0], TreeOf(DataDir()));
    EXPECT_EQ(ExeFolders(), before);

    // A merge that left files behind is no restore.
    main.merge_answer = 0;
    boxes.Answer({kMbSkip, kMbOk});
    EXPECT_EQ(RestoreFromArchive(nullptr, archive), RestoreResult::kFailed);
    EXPECT_EQ(boxes.asked.back(), L"还原数据时有文件没有复制成功，请检查后再试一次！");
}

TEST(LocalBackup, ChosenNamesGetZipUnlessTheyEndInADotAndThreeCharacters) {
    EXPECT_EQ(WithZipExtension(L"C:\\b\\backup"), L"C:\\b\\backup.zip");
    EXPECT_EQ(WithZipExtension(L"C:\\b\\backup.bak"), L"C:\\b\\backup.bak");
    EXPECT_EQ(WithZipExtension(L"C:\\b\\a.zi"), L"C:\\b\\a.zi.zip");
    EXPECT_EQ(WithZipExtension(L"ab"), L"ab.zip");
}

TEST(LocalBackup, NoToReplacingAnExistingFileLeavesItAndMakesNoScratchFolder) {
    MakeData();
    const std::set<std::wstring> before = ExeFolders();
    WriteAll(ExeDir() + L"old.zip", "keep me");
    BackupCapture boxes({kMbNo});
    EXPECT_FALSE(BackupToLocalPath(nullptr, ExeDir() + L"old.zip"));
    EXPECT_EQ(boxes.asked, std::vector<std::wstring>{L"目标文件已经存在，是否替换？"});
    EXPECT_EQ(ReadAll(ExeDir() + L"old.zip"), "keep me");
    EXPECT_EQ(ExeFolders(), before);

    boxes.Answer({kMbYes});
    EXPECT_TRUE(BackupToLocalPath(nullptr, ExeDir() + L"old.zip"));
    EXPECT_NE(ReadAll(ExeDir() + L"old.zip"), "keep me");
}

TEST(LocalBackup, ReplaceNeedsConfirmingNoReturnsToTheChoiceAndCancelSendsNothing) {
    const std::wstring archive = MakeBackup();
    StandInMain main;
    {
        BackupCapture boxes({kMbReplace, kMbNo, kMbReplace, kMbYes});
        EXPECT_EQ(RestoreFromArchive(nullptr, archive, L"邮件：备份  Mon, 1 Jan 2026"),
                  RestoreResult::kMerged);
        ASSERT_EQ(boxes.asked.size(), 4u);
        EXPECT_EQ(boxes.asked[0].rfind(kChoiceHead, 0), 0u);
        EXPECT_TRUE(boxes.asked[0].ends_with(L"地\n邮件：备份  Mon, 1 Jan 2026"))
            << "the extra line comes last";
        EXPECT_EQ(boxes.asked[1], L"确定要替换重复的数据吗？");
        EXPECT_EQ(boxes.asked[2], boxes.asked[0]);
        ASSERT_EQ(main.requests.size(), 1u);
        EXPECT_TRUE(main.requests[0].replace);
    }
    {
        BackupCapture boxes({kMbReplace, kMbNo, kMbCancel});
        EXPECT_EQ(RestoreFromArchive(nullptr, archive), RestoreResult::kCancelled);
        EXPECT_EQ(boxes.asked.size(), 3u) << "a cancel tells nothing";
        EXPECT_EQ(main.requests.size(), 1u);
    }
}

TEST(LocalBackup, DamagedForeignOrOversizedArchivesChangeNothingAndLeaveNoScratchFolder) {
    const std::wstring good = MakeBackup();
    EnsureFolderPath(ExeDir() + L"other\\Stuff");
    const std::set<std::wstring> before = ExeFolders();
    const Tree data = TreeOf(DataDir());
    StandInMain main;
    BackupCapture boxes;
    auto restore = [&](const std::wstring& archive) {
        boxes.asked.clear();
        const RestoreResult r = RestoreFromArchive(nullptr, archive);
        EXPECT_EQ(ExeFolders(), before);
        return r;
    };

    WriteAll(ExeDir() + L"junk.zip", "PK\x03\x04 this is not an archive");
    EXPECT_EQ(restore(ExeDir() + L"junk.zip"), RestoreResult::kFailed);
    EXPECT_EQ(boxes.asked, std::vector<std::wstring>{L"备份文件已损坏或无法读取，没有还原任何数据！"});
    EXPECT_EQ(restore(ExeDir() + L"missing.zip"), RestoreResult::kFailed);
    EXPECT_EQ(boxes.asked, std::vector<std::wstring>{L"备份文件已损坏或无法读取，没有还原任何数据！"});

    WriteAll(ExeDir() + L"other\\Stuff\\a.txt", "a");
    ASSERT_TRUE(ZipFolderBeside(ExeDir() + L"other\\Stuff\\"));
    EXPECT_EQ(restore(ExeDir() + L"other\\Stuff.zip"), RestoreResult::kFailed);
    EXPECT_EQ(boxes.asked, std::vector<std::wstring>{L"备份文件里没有便签数据！"});

    // An entry claiming 4 GB in the central directory is refused before anything is unpacked.
    std::string bytes = ReadAll(good);
    const size_t central = bytes.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    bytes.replace(central + 24, 4, "\xF0\xFF\xFF\xFF", 4);
    WriteAll(ExeDir() + L"huge.zip", bytes);
    EXPECT_EQ(restore(ExeDir() + L"huge.zip"), RestoreResult::kFailed);
    EXPECT_EQ(boxes.asked, std::vector<std::wstring>{L"备份数据太大或者磁盘空间不足，没有还原任何数据！"});

    // Random damage: whatever the outcome, nothing crashes and no scratch folder stays.
    const std::string original = ReadAll(good);
    std::mt19937 rng(3587);
    for (int i = 0; i < 40; ++i) {
        std::string damaged = original;
        for (int k = 0; k < 8; ++k)
            damaged[rng() % damaged.size()] = static_cast<char>(rng());
        if (i % 4 == 0)
            damaged.resize(rng() % damaged.size());
        WriteAll(ExeDir() + L"damaged.zip", damaged);
        boxes.Answer({kMbCancel});
        const RestoreResult r = restore(ExeDir() + L"damaged.zip");
        EXPECT_NE(r, RestoreResult::kMerged) << i;
    }
    EXPECT_TRUE(main.requests.empty());
    EXPECT_EQ(TreeOf(DataDir()), data);
}

TEST(LocalBackup, ScratchFoldersMadeInTheSameMillisecondDiffer) {
    const std::wstring a = MakeScratchFolder(78), b = MakeScratchFolder(78);
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(a, b);
    EXPECT_TRUE(FolderExists(a.substr(0, a.size() - 1)));
    EXPECT_TRUE(FolderExists(b.substr(0, b.size() - 1)));
    EXPECT_EQ(a.rfind(ExeDir(), 0), 0u);
}

TEST(LocalBackup, AFileThatCannotBeCopiedFailsTheBackupAndIsLogged) {
    MakeData();
    const std::wstring locked = DataDir() + L"grouplist.xml";
    const HANDLE h = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    BackupCapture boxes;
    EXPECT_FALSE(BackupToLocalPath(nullptr, ExeDir() + L"partial.zip"));
    CloseHandle(h);
    EXPECT_EQ(boxes.asked, std::vector<std::wstring>{L"复制文件过程出错，备份失败！"});
    EXPECT_EQ(GetFileAttributesW((ExeDir() + L"partial.zip").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(ReadAll(ExeDir() + L"kivpad_log.txt").find("\xB1\xBE\xB5\xD8\xB1\xB8\xB7\xDD"),
              std::string::npos)
        << "the log holds the copy failure";
}
