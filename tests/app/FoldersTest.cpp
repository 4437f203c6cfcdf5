#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "app/base/Log.h"
#include "app/base/UniqueStamp.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <set>

namespace {

void Touch(const std::wstring& path, const char* content) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(f, nullptr) << testing::PrintToString(path);
    fputs(content, f);
    fclose(f);
}

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

std::vector<std::wstring> Sorted(std::vector<std::wstring> v) {
    std::sort(v.begin(), v.end());
    return v;
}

} // namespace

TEST(Folders, TreeBesideTheExecutableIsCreatedOnFirstUse) {
    const std::wstring exe = ExeDir();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.back(), L'\\');
    EXPECT_FALSE(FolderExists(exe + L"NoteData"));
    EXPECT_EQ(NoteItemsDir(), exe + L"NoteData\\NoteItems\\");
    EXPECT_TRUE(FolderExists(exe + L"NoteData\\NoteItems"));
    EXPECT_EQ(GroupTplFolder(L"工作", L"t1"), exe + L"NoteData\\NoteTpls2\\工作\\t1\\");
    EXPECT_TRUE(FolderExists(exe + L"NoteData\\NoteTpls2\\工作\\t1"));
    EXPECT_EQ(NoteFolder(L"n1"), exe + L"NoteData\\NoteItems\\n1\\");
    EXPECT_EQ(NoteFolder(L"n2", GroupItemsDir()), exe + L"NoteData\\NoteItems2\\n2\\");
    EXPECT_EQ(RowIconDir(), exe + L"merla_reicon\\default\\");
    EXPECT_EQ(SysConfigPath(), exe + L"sysconfig.xml");
    EXPECT_EQ(TplFolder(L"a"), exe + L"NoteData\\NoteTpls\\a\\");
    EXPECT_EQ(TplFolder(L"bad|name"), L""); // cannot be created
}

TEST(DirUtils, ListCopyAndDeleteTrees) {
    const std::wstring root = ExeDir() + L"t\\";
    ASSERT_TRUE(EnsureFolder(root));
    ASSERT_TRUE(EnsureFolder(root + L"src\\"));
    ASSERT_TRUE(EnsureFolder(root + L"src\\sub\\"));
    Touch(root + L"src\\a.txt", "new a");
    Touch(root + L"src\\sub\\中.txt", "zh");
    EXPECT_EQ(Sorted(ListEntries(root + L"src\\")), (std::vector<std::wstring>{L"a.txt", L"sub"}));
    EXPECT_TRUE(ListEntries(root + L"missing\\").empty());

    ASSERT_TRUE(EnsureFolder(root + L"dst\\"));
    Touch(root + L"dst\\a.txt", "old a");
    EXPECT_TRUE(CopyTree(root + L"src\\", root + L"dst\\", false));
    EXPECT_EQ(Read(root + L"dst\\a.txt"), "old a"); // kept without overwrite
    EXPECT_EQ(Read(root + L"dst\\sub\\中.txt"), "zh");
    EXPECT_TRUE(CopyTree(root + L"src\\", root + L"dst\\", true));
    EXPECT_EQ(Read(root + L"dst\\a.txt"), "new a");

    DeleteTree(root + L"dst\\");
    EXPECT_FALSE(FolderExists(root + L"dst"));
    EXPECT_TRUE(FolderExists(root + L"src"));
    DeleteTree(root + L"never\\"); // nothing to do, no harm
}

TEST(DirUtils, CopyTreeReportsAFileItCouldNotCopy) {
    const std::wstring root = ExeDir() + L"c\\";
    EnsureFolder(root);
    EnsureFolder(root + L"src\\");
    Touch(root + L"src\\x.txt", "x");
    EnsureFolder(root + L"dst\\");
    // A folder where the file should go: the copy cannot succeed.
    EnsureFolder(root + L"dst\\x.txt\\");
    EXPECT_FALSE(CopyTree(root + L"src\\", root + L"dst\\", true));
}

TEST(Stamps, UniqueWithinOneMillisecondAndWellFormed) {
    std::set<std::wstring> seen;
    for (int i = 0; i < 50; ++i) {
        std::wstring s = MakeUniqueStamp(3);
        EXPECT_TRUE(seen.insert(s).second);
        EXPECT_TRUE(std::regex_match(s, std::wregex(L"\\d{17}_03"))) << testing::PrintToString(s);
    }
    EXPECT_TRUE(std::regex_match(MakeUniqueStamp(123), std::wregex(L"\\d{17}_123")));
}

TEST(Log, EntriesAreAppendedWithTheirTime) {
    WriteLog(L"");
    EXPECT_EQ(Read(LogPath()), "");
    WriteLog(L"backup started");
    WriteLog(L"备份完成");
    const std::string log = Read(LogPath());
    const std::regex entry("\r\n  time:\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  --  ");
    auto begin = std::sregex_iterator(log.begin(), log.end(), entry);
    EXPECT_EQ(std::distance(begin, std::sregex_iterator()), 2);
    EXPECT_NE(log.find("backup started"), std::string::npos);
    // Code page 936 holds the Chinese text.
    EXPECT_NE(log.find("\xB1\xB8\xB7\xDD\xCD\xEA\xB3\xC9"), std::string::npos);
    EXPECT_EQ(log.substr(0, 9), "\r\n  time:");
}
