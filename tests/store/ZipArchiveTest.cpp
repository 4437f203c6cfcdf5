// ZIP archives: layout of what we write, extraction, and refusal of hostile entry names.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>

#include <minizip/zip.h>

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "store/CUnzipper.h"
#include "store/CZipper.h"
#include "store/xml/Encoding.h"
#include "store/ZipFolders.h"
#include "store/ZipNames.h"
#include "tests/store/TestFiles.h"

namespace {

std::wstring Work() {
    std::wstring w = ExeDir() + L"work\\";
    CreateDirectoryW(w.c_str(), nullptr);
    return w;
}

void MakeTree(const std::wstring& root) {
    EnsureFolderPath(root + L"NoteItems\\n1");
    EnsureFolderPath(root + L"NoteItems2\\工作\\n2");
    EnsureFolderPath(root + L"Recycle"); // empty folder
    WriteAll(root + L"NoteItems\\n1\\n1.xml", "<MerlaItem>\r\n<ID>1</ID>\r\n</MerlaItem>\r\n");
    WriteAll(root + L"NoteItems2\\工作\\n2\\100_rtf", std::string(10000, 'x') + "end");
    WriteAll(root + L".hidden", "dot file");
    WriteAll(root + L"customcolor.xml", "<customcolor/>");
}

std::vector<ZipEntryInfo> Entries(const std::wstring& archive) {
    std::vector<ZipEntryInfo> out;
    CUnzipper unzipper;
    if (!unzipper.OpenForReading(archive) || !unzipper.GoToFirstEntry())
        return out;
    do {
        ZipEntryInfo info;
        unzipper.ReadEntryInfo(info);
        out.push_back(info);
    } while (unzipper.GoToNextEntry());
    return out;
}

// An archive written by hand with raw names, as other tools or an attacker would.
void WriteRawArchive(const std::wstring& path,
                     const std::vector<std::pair<std::string, std::string>>& entries,
                     unsigned long flag = 0) {
    zipFile zf = zipOpen(WideToCodePage(0, path).c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zf, nullptr);
    for (const auto& [name, data] : entries) {
        zip_fileinfo info{};
        info.external_fa = name.back() == '/' || name.back() == '\\' ? FILE_ATTRIBUTE_DIRECTORY : 0;
        ASSERT_EQ(zipOpenNewFileInZip4(zf, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                       -1, 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0, 0, flag),
                  ZIP_OK);
        zipWriteInFileInZip(zf, data.data(), static_cast<unsigned>(data.size()));
        zipCloseFileInZip(zf);
    }
    zipClose(zf, nullptr);
}

} // namespace

TEST(ZipArchive, FolderBesideHasTheFolderFirstAndEverythingUnderIt) {
    const std::wstring root = Work() + L"NoteData\\";
    MakeTree(root);
    ASSERT_TRUE(ZipFolderBeside(root));
    auto entries = Entries(Work() + L"NoteData.zip");
    ASSERT_EQ(entries.size(), 10u); // 7 folders and 3 files; the dot file is left out
    EXPECT_EQ(entries[0].name, L"NoteData\\");
    EXPECT_TRUE(entries[0].is_folder);
    int folders = 0;
    for (const auto& e : entries) {
        EXPECT_EQ(e.name.rfind(L"NoteData\\", 0), 0u) << e.name;
        EXPECT_EQ(e.name.find(L".hidden"), std::wstring::npos);
        EXPECT_EQ(e.flag & ZipNames::kUtf8Flag, ZipNames::kUtf8Flag);
        EXPECT_EQ(e.is_folder, e.name.back() == L'\\') << e.name;
        folders += e.is_folder;
        if (!e.is_folder) {
            EXPECT_EQ(e.compression_method, static_cast<uint32_t>(Z_DEFLATED));
        }
    }
    EXPECT_EQ(folders, 7);
    // A folder comes before its content.
    auto at = [&](const std::wstring& name) {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].name == name)
                return static_cast<int>(i);
        return -1;
    };
    EXPECT_LT(at(L"NoteData\\NoteItems2\\工作\\"), at(L"NoteData\\NoteItems2\\工作\\n2\\100_rtf"));
    EXPECT_GE(at(L"NoteData\\NoteItems2\\工作\\n2\\100_rtf"), 0);

    CZipper counted;
    ASSERT_TRUE(counted.OpenArchive(Work() + L"again.zip"));
    ASSERT_TRUE(counted.AddFolder(root, false));
    EXPECT_EQ(counted.FoldersAdded(), 7);
    EXPECT_EQ(counted.FilesAdded(), 3);
    EXPECT_EQ(counted.TotalBytes(), 10003 + 14 + 39);
}

TEST(ZipArchive, RoundTripKeepsContentEmptyFoldersAndTheZipTime) {
    const std::wstring root = Work() + L"NoteData\\";
    MakeTree(root);
    // The source file's own time is not what comes back.
    FILETIME old{};
    SYSTEMTIME st{2001, 2, 0, 3, 4, 5, 6, 0};
    SystemTimeToFileTime(&st, &old);
    {
        HANDLE h = CreateFileW((root + L"customcolor.xml").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               0, nullptr);
        SetFileTime(h, &old, nullptr, &old);
        CloseHandle(h);
    }
    WriteAll(root + L"NoteItems\\n1\\empty_rtf", "");
    ASSERT_TRUE(ZipFolderBeside(root));
    const std::wstring out = Work() + L"out\\";
    ASSERT_TRUE(ExtractArchiveTo(out, Work() + L"NoteData.zip"));
    EXPECT_EQ(ReadAll(out + L"NoteData\\NoteItems2\\工作\\n2\\100_rtf"), std::string(10000, 'x') + "end");
    EXPECT_EQ(ReadAll(out + L"NoteData\\NoteItems\\n1\\n1.xml"), ReadAll(root + L"NoteItems\\n1\\n1.xml"));
    EXPECT_TRUE(FolderExists(out + L"NoteData\\Recycle"));
    EXPECT_NE(GetFileAttributesW((out + L"NoteData\\NoteItems\\n1\\empty_rtf").c_str()),
              INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(FolderExists(out + L"NoteData\\.hidden"));
    EXPECT_EQ(ReadAll(out + L"NoteData\\.hidden"), "");

    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(
        GetFileAttributesExW((out + L"NoteData\\customcolor.xml").c_str(), GetFileExInfoStandard, &data));
    SYSTEMTIME got;
    FileTimeToSystemTime(&data.ftLastWriteTime, &got);
    SYSTEMTIME now;
    GetSystemTime(&now);
    EXPECT_EQ(got.wYear, now.wYear);

    // No target: the archive's own folder.
    DeleteTree(root);
    ASSERT_TRUE(ExtractArchiveTo(L"", Work() + L"NoteData.zip"));
    EXPECT_TRUE(FolderExists(Work() + L"NoteData\\Recycle"));
}

TEST(ZipArchive, LargeAndManyBlockFilesRoundTrip) {
    // Sizes and CRC are filled into each entry's local header after its data: the reader checks them
    // against the directory, whether the header was still buffered or written out long before.
    const std::wstring root = Work() + L"NoteData\\";
    EnsureFolderPath(root + L"n1");
    std::mt19937 rng(7);
    std::string noise(1536 * 1024, '\0');
    for (char& c : noise)
        c = static_cast<char>(rng());
    std::string pattern;
    while (pattern.size() < 128 * 1024)
        pattern += "\\par line " + std::to_string(pattern.size()) + "\r\n";
    pattern.resize(128 * 1024); // whole blocks: the read after the last one finds nothing
    const std::pair<const wchar_t*, std::string> files[] = {
        {L"a.xml", "<MerlaItem/>"},       {L"n1\\bkimage_1_x.png", noise}, {L"n1\\b_rtf", pattern},
        {L"n1\\c.xml", "<LRichEditNI/>"}, {L"z_rtf", pattern + "tail"},    {L"n1\\empty_rtf", ""},
    };
    for (const auto& [name, bytes] : files)
        WriteAll(root + name, bytes);
    ASSERT_TRUE(ZipFolderBeside(root));
    const std::wstring out = Work() + L"out\\";
    ASSERT_TRUE(ExtractArchiveTo(out, Work() + L"NoteData.zip"));
    for (const auto& [name, bytes] : files)
        EXPECT_EQ(ReadAll(out + L"NoteData\\" + name), bytes) << testing::PrintToString(std::wstring(name));
    for (const ZipEntryInfo& e : Entries(Work() + L"NoteData.zip")) {
        if (!e.is_folder) {
            EXPECT_EQ(e.compression_method, 8u) << testing::PrintToString(e.name); // deflate, pictures too
        }
    }
}

TEST(ZipArchive, ABackupMissingAFileFails) {
    const std::wstring root = Work() + L"NoteData\\";
    MakeTree(root);
    // Another program holds the file open without sharing.
    HANDLE held =
        CreateFileW((root + L"customcolor.xml").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ZipFolderBeside(root));
    CZipper zipper;
    ASSERT_TRUE(zipper.OpenArchive(Work() + L"x.zip"));
    EXPECT_TRUE(zipper.AddFolder(root, false)); // the folder itself went in
    EXPECT_EQ(zipper.EntriesFailed(), 1);
    CloseHandle(held);
    EXPECT_TRUE(ZipFolderBeside(root));
}

TEST(ZipArchive, AddFileNamesRelativeToTheArchiveFolder) {
    WriteAll(Work() + L"a.txt", "a");
    WriteAll(ExeDir() + L"outside.txt", "o");
    CZipper zipper;
    EXPECT_FALSE(zipper.AddFile(Work() + L"a.txt", false)); // no archive yet
    EXPECT_FALSE(zipper.OpenArchive(L""));
    ASSERT_TRUE(zipper.OpenArchive(Work() + L"x.zip"));
    EXPECT_EQ(zipper.RootFolder(), Work());
    EXPECT_TRUE(zipper.AddFile(Work() + L"a.txt", false));
    EXPECT_TRUE(zipper.AddFile(L".\\a.txt", false));
    EXPECT_TRUE(zipper.AddFile(ExeDir() + L"outside.txt", true));
    EXPECT_FALSE(zipper.AddFile(ExeDir() + L"outside.txt", false));
    EXPECT_FALSE(zipper.AddFile(L"..\\outside.txt", false));
    EXPECT_FALSE(zipper.AddFile(Work() + L"missing.txt", false));
    zipper.CloseArchive();
    EXPECT_EQ(zipper.FilesAdded(), 0);
    auto entries = Entries(Work() + L"x.zip");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, L"a.txt");
    EXPECT_EQ(entries[1].name, L"a.txt");
    EXPECT_EQ(entries[2].name, L"outside.txt");
}

TEST(ZipArchive, ZeroEntriesAndDamagedArchivesFail) {
    WriteRawArchive(Work() + L"empty.zip", {});
    EXPECT_FALSE(ExtractArchiveTo(Work() + L"out", Work() + L"empty.zip"));
    EXPECT_FALSE(ExtractArchiveTo(Work() + L"out", Work() + L"missing.zip"));
    CUnzipper unzipper;
    EXPECT_FALSE(unzipper.ExtractAll(Work()));
    ZipEntryInfo info;
    EXPECT_FALSE(unzipper.ReadEntryInfo(info));
    EXPECT_EQ(info.dos_date, 0u);

    // A flipped byte in the compressed data fails extraction instead of writing garbage quietly.
    WriteRawArchive(Work() + L"one.zip", {{"a.txt", std::string(5000, 'q') + "tail"}});
    std::string bytes = ReadAll(Work() + L"one.zip");
    bytes[40] ^= 0x55;
    WriteAll(Work() + L"bad.zip", bytes);
    EXPECT_FALSE(ExtractArchiveTo(Work() + L"bad", Work() + L"bad.zip"));
    // Truncated archives and random bytes are refused.
    WriteAll(Work() + L"cut.zip", ReadAll(Work() + L"one.zip").substr(0, 60));
    EXPECT_FALSE(ExtractArchiveTo(Work() + L"cut", Work() + L"cut.zip"));
    std::string noise(3000, 0);
    unsigned seed = 7;
    for (char& c : noise)
        c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
    WriteAll(Work() + L"noise.zip", noise);
    EXPECT_FALSE(ExtractArchiveTo(Work() + L"noise", Work() + L"noise.zip"));
}

TEST(ZipArchive, ForwardAndBackSlashesExtractAlike) {
    WriteRawArchive(Work() + L"fwd.zip", {{"d/", ""}, {"d/e/f.txt", "F"}, {"g/h.txt", "H"}});
    WriteRawArchive(Work() + L"back.zip", {{"d\\", ""}, {"d\\e\\f.txt", "F"}, {"g\\h.txt", "H"}});
    ASSERT_TRUE(ExtractArchiveTo(Work() + L"fwd", Work() + L"fwd.zip"));
    ASSERT_TRUE(ExtractArchiveTo(Work() + L"back", Work() + L"back.zip"));
    for (const wchar_t* dir : {L"fwd\\", L"back\\"}) {
        EXPECT_EQ(ReadAll(Work() + dir + L"d\\e\\f.txt"), "F") << dir;
        EXPECT_EQ(ReadAll(Work() + dir + L"g\\h.txt"), "H") << dir;
    }
}

TEST(ZipArchive, NamesOutsideTheAnsiCodePageSurvive) {
    const std::wstring root = Work() + L"NoteData\\";
    const std::wstring odd = L"NoteItems2\\工作 ☃ Ελλάδα\\n1";
    EnsureFolderPath(root + odd);
    WriteAll(root + odd + L"\\n1.xml", "<MerlaItem/>");
    ASSERT_TRUE(ZipFolderBeside(root));
    DeleteTree(root);
    ASSERT_TRUE(ExtractArchiveTo(Work(), Work() + L"NoteData.zip"));
    EXPECT_EQ(ReadAll(root + odd + L"\\n1.xml"), "<MerlaItem/>");
    // Entries written before as ANSI names without the UTF-8 flag still come back.
    WriteRawArchive(Work() + L"old.zip", {{WideToCodePage(0, L"NoteData\\工作\\a.txt"), "A"}});
    ASSERT_TRUE(ExtractArchiveTo(Work() + L"old", Work() + L"old.zip"));
    EXPECT_EQ(ReadAll(Work() + L"old\\NoteData\\工作\\a.txt"), "A");
}

TEST(ZipArchive, EntriesClimbingOutOfTheTargetStopExtraction) {
    const std::vector<std::string> hostile = {
        "../evil.txt", "ok/../../evil.txt", "\\evil.txt", "/evil.txt",        "C:\\evil.txt",
        "C:evil.txt",  "a\\...\\evil.txt",  "a\\..",      "a\\.. \\evil.txt", "a:stream"};
    for (const std::string& name : hostile) {
        const std::wstring archive = Work() + L"h.zip";
        WriteRawArchive(archive, {{"first.txt", "1"}, {name, "evil"}, {"last.txt", "3"}});
        const std::wstring target = Work() + L"t\\in\\";
        EXPECT_FALSE(ExtractArchiveTo(target, archive)) << name;
        EXPECT_EQ(ReadAll(target + L"first.txt"), "1") << name;
        EXPECT_EQ(ReadAll(target + L"last.txt"), "") << name; // stopped at the bad entry
        EXPECT_EQ(ReadAll(Work() + L"t\\evil.txt"), "") << name;
        EXPECT_EQ(ReadAll(Work() + L"evil.txt"), "") << name;
        EXPECT_EQ(ReadAll(L"C:\\evil.txt"), "") << name;
        DeleteTree(Work() + L"t\\");
    }
}

TEST(ZipArchive, CorruptedArchivesNeverWriteOutsideTheTarget) {
    const std::wstring root = Work() + L"NoteData\\";
    MakeTree(root);
    ASSERT_TRUE(ZipFolderBeside(root));
    const std::string good = ReadAll(Work() + L"NoteData.zip");
    unsigned seed = 11;
    auto next = [&seed] { return (seed = seed * 1103515245 + 12345) >> 16; };
    for (int i = 0; i < 150; ++i) {
        std::string bytes = good;
        // Mostly the directory at the end, where names and offsets live.
        for (int e = 0; e < 4; ++e) {
            const size_t at = next() % 2 ? bytes.size() - 1 - next() % 900 : next() % bytes.size();
            bytes[at] = next() % 4 ? static_cast<char>(next()) : (next() % 2 ? '.' : '/');
        }
        WriteAll(Work() + L"m.zip", bytes);
        ExtractArchiveTo(Work() + L"t\\in\\", Work() + L"m.zip");
        const auto outside = ListEntries(Work() + L"t\\");
        ASSERT_LE(outside.size(), 1u) << i;
        if (!outside.empty()) {
            ASSERT_EQ(outside[0], L"in") << i;
        }
        DeleteTree(Work() + L"t\\");
        ASSERT_EQ(ListEntries(Work()).size(), 3u) << i; // NoteData, NoteData.zip, m.zip
    }
}

TEST(ZipArchive, FolderHelpers) {
    const std::wstring w = Work();
    EXPECT_TRUE(EnsureFolderPath(w + L"a\\b\\c"));
    EXPECT_TRUE(FolderExists(w + L"a\\b\\c"));
    WriteAll(w + L"file", "x");
    EXPECT_FALSE(EnsureFolderPath(w + L"file"));
    EXPECT_FALSE(EnsureFolderPath(w + L"file\\sub"));
    EXPECT_TRUE(EnsureFolderPath(L"no_separator_here"));
    EXPECT_FALSE(FolderExists(ExeDir() + L"no_separator_here"));
    EXPECT_TRUE(EnsureFolderPath(w + L"a\\b\\c\\")); // exists already
    EXPECT_TRUE(EnsureParentFolder(w + L"p\\q\\r.txt"));
    EXPECT_TRUE(FolderExists(w + L"p\\q"));
    EXPECT_FALSE(EnsureParentFolder(L"plain.txt"));

    // 2020-06-15 12:30:40 local, packed as DOS date and time.
    const uint32_t dos = ((2020 - 1980) << 25 | 6 << 21 | 15 << 16) | (12 << 11 | 30 << 5 | 40 / 2);
    ASSERT_TRUE(SetFileTimeFromDos(w + L"file", dos));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW((w + L"file").c_str(), GetFileExInfoStandard, &data));
    FILETIME local;
    SYSTEMTIME st;
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    FileTimeToSystemTime(&local, &st);
    EXPECT_EQ(st.wYear, 2020);
    EXPECT_EQ(st.wHour, 12);
    EXPECT_EQ(st.wSecond, 40);
    EXPECT_FALSE(SetFileTimeFromDos(w + L"missing", dos));
}

TEST(ZipNames, SafeNamesAndRandomInput) {
    EXPECT_TRUE(ZipNames::IsSafeRelative(L"NoteData\\a\\b.xml"));
    EXPECT_TRUE(ZipNames::IsSafeRelative(L"NoteData\\"));
    EXPECT_TRUE(ZipNames::IsSafeRelative(L"a\\.\\b"));
    EXPECT_TRUE(ZipNames::IsSafeRelative(L"..a\\b..c"));
    for (const wchar_t* bad :
         {L"", L"\\x", L"\\\\srv\\s", L"C:x", L"..", L"a\\..\\..", L"...", L"a\\ ..", L"a\x01"})
        EXPECT_FALSE(ZipNames::IsSafeRelative(bad)) << bad;
    EXPECT_EQ(ZipNames::Decode(ZipNames::Encode(L"a\\工作\\b"), ZipNames::kUtf8Flag, 0), L"a\\工作\\b");
    EXPECT_EQ(ZipNames::Encode(L"a\\b"), "a/b");
    // Unix hosts write UTF-8 without the flag.
    EXPECT_EQ(ZipNames::Decode("\xE5\xB7\xA5", 0, 3 << 8), L"工");
    unsigned seed = 1;
    for (int i = 0; i < 2000; ++i) {
        std::string bytes(static_cast<size_t>(i % 40), 0);
        for (char& c : bytes)
            c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
        const std::wstring name = ZipNames::Decode(bytes, i & 1 ? ZipNames::kUtf8Flag : 0, (i % 4) << 8);
        if (ZipNames::IsSafeRelative(name)) {
            EXPECT_NE(name.front(), L'\\');
            EXPECT_EQ(name.find(L':'), std::wstring::npos);
        }
    }
}
