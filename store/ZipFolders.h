#pragma once
// Folder and time helpers of the archive classes, and the two calls the backup code makes.
#include <cstdint>
#include <string>

// Packs folder F into F + ".zip" beside it; every entry name starts with F's own name and "\".
// False when any file or folder inside could not be added.
bool ZipFolderBeside(const std::wstring& folder);
// Unpacks the archive into target (empty: the archive's own folder).
bool ExtractArchiveTo(const std::wstring& target, const std::wstring& archive);

// True when path is (or now is) a folder; false when it is a file or cannot be made. Parents are
// made first. A path without "\" that does not exist counts as true.
bool EnsureFolderPath(const std::wstring& path);
// EnsureFolderPath of everything before the last "\"; false when there is none.
bool EnsureParentFolder(const std::wstring& file_path);
// Sets creation and last-write time from a packed DOS date (high 16 bits) and time (low 16 bits).
bool SetFileTimeFromDos(const std::wstring& file_path, uint32_t dos_date_time);
// The same on a file already open with write access (a kernel file handle).
bool SetFileTimeFromDos(void* file_handle, uint32_t dos_date_time);
