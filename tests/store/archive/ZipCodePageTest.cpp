// Backups made and restored where the ANSI code page is 1252.
#include <gtest/gtest.h>

#include <windows.h>

#include <minizip/zip.h>

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "store/ZipFolders.h"
#include "tests/store/TestFiles.h"

TEST(ZipCodePage1252, GroupNamedInChineseSurvivesBackupAndRestore) {
    ASSERT_EQ(GetACP(), 1252u);
    const std::wstring scratch = ExeDir() + L"scratch\\";
    const std::wstring note = scratch + L"NoteData\\NoteItems2\\工作\\n1\\";
    ASSERT_TRUE(EnsureFolderPath(note));
    WriteAll(note + L"n1.xml", "<MerlaItem>\r\n<group>\xE5\xB7\xA5\xE4\xBD\x9C</group>\r\n</MerlaItem>\r\n");
    ASSERT_TRUE(ZipFolderBeside(scratch + L"NoteData\\"));
    DeleteTree(scratch + L"NoteData\\");
    ASSERT_TRUE(ExtractArchiveTo(scratch, scratch + L"NoteData.zip"));
    EXPECT_EQ(ReadAll(note + L"n1.xml"),
              "<MerlaItem>\r\n<group>\xE5\xB7\xA5\xE4\xBD\x9C</group>\r\n</MerlaItem>\r\n");
}

TEST(ZipCodePage1252, ArchivesOfEarlierVersionsUseTheAnsiCodePage) {
    const std::wstring archive = ExeDir() + L"old.zip";
    zipFile zf = zipOpen("old.zip", APPEND_STATUS_CREATE);
    ASSERT_NE(zf, nullptr);
    zip_fileinfo info{};
    ASSERT_EQ(zipOpenNewFileInZip(zf, "NoteData\\caf\xE9\\a.txt", &info, nullptr, 0, nullptr, 0, nullptr,
                                  Z_DEFLATED, Z_DEFAULT_COMPRESSION),
              ZIP_OK);
    zipWriteInFileInZip(zf, "A", 1);
    zipCloseFileInZip(zf);
    zipClose(zf, nullptr);
    ASSERT_TRUE(ExtractArchiveTo(ExeDir() + L"out", archive));
    EXPECT_EQ(ReadAll(ExeDir() + L"out\\NoteData\\café\\a.txt"), "A");
}
