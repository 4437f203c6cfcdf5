#include "settings/LocalBackup.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "app/base/Log.h"
#include "app/base/UniqueStamp.h"
#include "settings/BackupTell.h"
#include "store/CUnzipper.h"
#include "store/StoreEvents.h"
#include "store/ZipFolders.h"
#include "toolkit/FileDialogs.h"
#include "toolkit/LWnd.h"
#include "toolkit/LWndMoveResize.h"

#include <shellapi.h>

#include <cwctype>

namespace {

constexpr int kScratchRetries = 5;
constexpr DWORD kScratchRetryMs = 300;
constexpr int kChoiceBoxWidth = 480;
constexpr int kChoiceBoxHeight = 190;
constexpr size_t kExtensionTail = 4; // ".zip"

constexpr wchar_t kZipFilter[] = L"zip 格式文件\0*.zip\0";
constexpr wchar_t kSaveTitle[] = L"备份为...";
constexpr wchar_t kOpenTitle[] = L"选择一个备份文件";
constexpr wchar_t kNoteData[] = L"NoteData\\";
constexpr wchar_t kArchiveName[] = L"NoteData.zip";
constexpr wchar_t kPartSuffix[] = L".part";

constexpr wchar_t kAskReplaceFile[] = L"目标文件已经存在，是否替换？";
constexpr wchar_t kCopyLog[] = L"本地备份复制文件过程出错：";
constexpr wchar_t kZipLog[] = L"本地备份失败：";
constexpr wchar_t kCopyFailed[] = L"复制文件过程出错，备份失败！";
constexpr wchar_t kZipFailed[] = L"备份失败！";
constexpr wchar_t kBackupDone[] = L"备份成功！";
constexpr wchar_t kAskOpenFolder[] = L"拷贝备份好的文件出错，是否打开备份文件夹？";
constexpr wchar_t kChoice[] = L"选择重复的数据的处理方式...\n    选择 "
                              L"'替换',如果备份中的便签和模板与当前的重复，那么备份的会覆盖当前的\n"
                              L"   选择 '跳过' 重复的便签和模板不会覆盖当前的\n"
                              L"   无论选择 '替换' 还是 '跳过' 备份里不重复的便签和模板都会添加到本地";
constexpr wchar_t kAskReplaceData[] = L"确定要替换重复的数据吗？";
constexpr wchar_t kDamaged[] = L"备份文件已损坏或无法读取，没有还原任何数据！";
constexpr wchar_t kNoNoteData[] = L"备份文件里没有便签数据！";
constexpr wchar_t kMergeIncomplete[] = L"还原数据时有文件没有复制成功，请检查后再试一次！";
constexpr wchar_t kTooLarge[] = L"备份数据太大或者磁盘空间不足，没有还原任何数据！";

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& head) {
    if (text.size() < head.size())
        return false;
    for (size_t i = 0; i < head.size(); ++i)
        if (std::towlower(text[i]) != std::towlower(head[i]))
            return false;
    return true;
}

// Deletes the scratch folder when the restore ends, however it ends.
class ScratchFolder {
public:
    explicit ScratchFolder(std::wstring path) : path_(std::move(path)) {}
    ~ScratchFolder() {
        if (!path_.empty())
            DeleteTree(path_);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

enum class ArchiveCheck { kFine, kDamaged, kNoNoteData, kTooLarge };

// Reads the archive's directory only: what unpacking would write, and whether it holds notes.
ArchiveCheck InspectArchive(const std::wstring& archive, const std::wstring& target_folder) {
    CUnzipper unzip;
    if (!unzip.OpenForReading(archive) || !unzip.GoToFirstEntry())
        return ArchiveCheck::kDamaged;
    uint64_t total = 0;
    bool has_notes = false;
    do {
        ZipEntryInfo info;
        if (!unzip.ReadEntryInfo(info))
            return ArchiveCheck::kDamaged;
        total += info.uncompressed_size;
        has_notes = has_notes || StartsWithNoCase(info.name, kNoteData);
    } while (unzip.GoToNextEntry());
    if (!has_notes)
        return ArchiveCheck::kNoNoteData;
    ULARGE_INTEGER free_bytes{};
    if (total > kMaxRestoreBytes ||
        !GetDiskFreeSpaceExW(target_folder.c_str(), &free_bytes, nullptr, nullptr) ||
        free_bytes.QuadPart < total + kRestoreFreeMargin)
        return ArchiveCheck::kTooLarge;
    return ArchiveCheck::kFine;
}

// The three-button choice, with the confirmation of "替换"; false when cancelled.
bool ChooseReplace(HWND owner, const std::wstring& extra_line, bool& replace) {
    std::wstring text = kChoice;
    if (!extra_line.empty())
        text += L"\n" + extra_line;
    for (;;) {
        const int answer =
            AskBackup(owner, text, kMbReplace | kMbSkip | kMbCancel, kChoiceBoxWidth, kChoiceBoxHeight);
        if (answer == kMbSkip) {
            replace = false;
            return true;
        }
        if (answer != kMbReplace)
            return false;
        if (AskBackup(owner, kAskReplaceData, kMbYes | kMbNo) == kMbYes) {
            replace = true;
            return true;
        }
    }
}

// Copies beside the target first, so that a crash never leaves half a backup under the chosen name.
bool PlaceFile(const std::wstring& from, const std::wstring& to) {
    const std::wstring part = to + kPartSuffix;
    if (CopyFileW(from.c_str(), part.c_str(), FALSE) &&
        MoveFileExW(part.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(part.c_str());
    return false;
}

} // namespace

std::wstring MakeScratchFolder(int tag) {
    std::wstring folder = ExeDir() + MakeUniqueStamp(tag) + L"\\";
    for (int retry = 0; retry < kScratchRetries && PathExists(folder); ++retry) {
        Sleep(kScratchRetryMs);
        folder = ExeDir() + MakeUniqueStamp(tag + retry) + L"\\";
    }
    return CreateDirectoryW(folder.c_str(), nullptr) ? folder : std::wstring();
}

std::wstring WithZipExtension(const std::wstring& path) {
    if (path.size() < kExtensionTail || path[path.size() - kExtensionTail] != L'.')
        return path + L".zip";
    return path;
}

bool BuildBackupArchive(HWND owner, const std::wstring& copy_log, std::wstring& scratch) {
    scratch = MakeScratchFolder(kBackupScratchTag);
    // A file left behind would make the backup incomplete: that is a failed backup, not a smaller one.
    if (scratch.empty() || !CopyTree(DataDir(), scratch + kNoteData, true)) {
        WriteLog(copy_log + std::to_wstring(GetLastError()));
        TellBackup(owner, kCopyFailed);
        return false;
    }
    if (!ZipFolderBeside(scratch + kNoteData)) {
        WriteLog(kZipLog + std::to_wstring(GetLastError()));
        TellBackup(owner, kZipFailed);
        return false;
    }
    return true;
}

bool BackupToLocalFile(HWND owner) {
    std::wstring chosen;
    if (!AskSaveFileName(owner, kZipFilter, kSaveTitle, chosen))
        return false;
    return BackupToLocalPath(owner, chosen);
}

bool BackupToLocalPath(HWND owner, const std::wstring& chosen) {
    const std::wstring path = WithZipExtension(chosen);
    if (PathExists(path) && AskBackup(owner, kAskReplaceFile, kMbYes | kMbNo) != kMbYes)
        return false;
    std::wstring scratch;
    if (!BuildBackupArchive(owner, kCopyLog, scratch))
        return false;
    if (PlaceFile(scratch + kArchiveName, path)) {
        DeleteTree(scratch);
        TellBackup(owner, kBackupDone);
        return true;
    }
    if (AskBackup(owner, kAskOpenFolder, kMbYes | kMbNo) == kMbYes) {
        // The archive stays for the user to take by hand.
        DeleteTree(scratch + kNoteData);
        ShellExecuteW(owner, L"open", scratch.c_str(), nullptr, nullptr, SW_SHOW);
    } else {
        DeleteTree(scratch);
    }
    return false;
}

RestoreResult RestoreFromLocalFile(HWND owner) {
    std::wstring archive;
    if (!AskOpenFileName(owner, kZipFilter, kOpenTitle, archive))
        return RestoreResult::kCancelled;
    return RestoreFromArchive(owner, archive);
}

RestoreResult RestoreFromArchive(HWND owner, const std::wstring& archive, const std::wstring& extra_line) {
    ScratchFolder scratch(MakeScratchFolder(kRestoreScratchTag));
    const std::wstring copy = scratch.path() + kArchiveName;
    if (scratch.path().empty() || !CopyFileW(archive.c_str(), copy.c_str(), FALSE)) {
        TellBackup(owner, kDamaged);
        return RestoreResult::kFailed;
    }
    switch (InspectArchive(copy, scratch.path())) {
    case ArchiveCheck::kFine:
        break;
    case ArchiveCheck::kDamaged:
        TellBackup(owner, kDamaged);
        return RestoreResult::kFailed;
    case ArchiveCheck::kNoNoteData:
        TellBackup(owner, kNoNoteData);
        return RestoreResult::kFailed;
    case ArchiveCheck::kTooLarge:
        TellBackup(owner, kTooLarge);
        return RestoreResult::kFailed;
    }
    if (!ExtractArchiveTo(scratch.path(), copy)) {
        TellBackup(owner, kDamaged);
        return RestoreResult::kFailed;
    }
    if (!FolderExists(scratch.path() + L"NoteData")) {
        TellBackup(owner, kNoNoteData);
        return RestoreResult::kFailed;
    }
    bool replace = false;
    if (!ChooseReplace(owner, extra_line, replace))
        return RestoreResult::kCancelled;
    const HWND main = LWnd::HandleFromId(LWndMoveResize::kMainWindowId);
    if (!main)
        return RestoreResult::kFailed;
    RestoreRequest request{scratch.path() + kNoteData, replace};
    // The main window answers 1 only when every file came over.
    if (SendMessageW(main, MSG_MAIN_RESTORE_DATA, reinterpret_cast<WPARAM>(&request), 0) != 1) {
        TellBackup(owner, kMergeIncomplete);
        return RestoreResult::kFailed;
    }
    return RestoreResult::kMerged;
}
