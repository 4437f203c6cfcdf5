#pragma once
// Backup of the data folder to a ZIP file and restore from one. Both run on the GUI thread; the
// merge itself is the main window's (MSG_MAIN_RESTORE_DATA). Every step works in a scratch folder
// beside the executable.
#include <windows.h>

#include <cstdint>
#include <string>

inline constexpr int kBackupScratchTag = 78;
inline constexpr int kRestoreScratchTag = 79;
// An unpacked backup larger than this is refused before anything is written.
inline constexpr uint64_t kMaxRestoreBytes = 1ull << 30;
// Free space kept on the disk beyond the unpacked backup.
inline constexpr uint64_t kRestoreFreeMargin = 64ull << 20;

enum class RestoreResult { kMerged, kCancelled, kFailed };

// A fresh folder ExeDir + stamp(tag) + "\", created; while the name is taken, waits and tries again
// with tag, tag + 1, ... Empty when no folder could be made.
std::wstring MakeScratchFolder(int tag);
// The chosen save path with ".zip" appended unless its fourth character from the end is ".".
std::wstring WithZipExtension(const std::wstring& path);

// Copies DataDir into S + "NoteData\" of a fresh scratch folder S and packs it into S +
// "NoteData.zip". On failure logs (copy_log + the system error code, or the packing line), tells
// the user and answers false; the scratch folder (if any) stays for inspection.
bool BuildBackupArchive(HWND owner, const std::wstring& copy_log, std::wstring& scratch);

// Asks for a file and writes the backup there; true when the backup was written.
bool BackupToLocalFile(HWND owner);
// The same for a path already chosen (".zip" is appended as the dialog's answer would get it).
bool BackupToLocalPath(HWND owner, const std::wstring& chosen);

// Asks for a backup file and restores it.
RestoreResult RestoreFromLocalFile(HWND owner);
// Unpacks the archive into a scratch folder, asks how to treat duplicates (extra_line, when given,
// is added below the question) and has the main window merge it. The scratch folder is gone when
// this returns. Failures are told; a cancel is not.
RestoreResult RestoreFromArchive(HWND owner, const std::wstring& archive,
                                 const std::wstring& extra_line = {});
