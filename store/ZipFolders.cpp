#include "store/ZipFolders.h"

#include <windows.h>

#include "store/CUnzipper.h"
#include "store/CZipper.h"
#include "store/xml/FileHandle.h"

bool ZipFolderBeside(const std::wstring& folder) {
    std::wstring path = folder;
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
    if (path.empty())
        return false;
    CZipper zipper;
    if (!zipper.OpenArchive(path + L".zip"))
        return false;
    // A backup missing a file, or whose directory was not written, is a failed backup.
    const bool added = zipper.AddFolder(path, false) && zipper.EntriesFailed() == 0;
    return zipper.CloseArchive() && added;
}

bool ExtractArchiveTo(const std::wstring& target, const std::wstring& archive) {
    CUnzipper unzipper;
    if (!unzipper.OpenForReading(archive))
        return false;
    if (!target.empty()) {
        unzipper.SetOutputFolder(target);
        return unzipper.ExtractAll(target);
    }
    return unzipper.ExtractAll(unzipper.OutputFolder());
}

bool EnsureFolderPath(const std::wstring& path) {
    std::wstring p = path;
    while (p.size() > 1 && p.back() == L'\\')
        p.pop_back();
    if (p.empty())
        return false;
    if (p.find(L'\\') == std::wstring::npos) {
        const DWORD attr = GetFileAttributesW(p.c_str());
        return attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY);
    }
    // Creating first answers the common case in one call (each lookup of a new name makes Wine
    // scan the whole folder for a name differing only in case).
    if (CreateDirectoryW(p.c_str(), nullptr))
        return true;
    const DWORD error = GetLastError();
    DWORD attr = GetFileAttributesW(p.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES)
        return (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (error != ERROR_PATH_NOT_FOUND && error != ERROR_FILE_NOT_FOUND)
        return false;
    const size_t cut = p.rfind(L'\\');
    // "C:" and the "\\server\share" prefix are not folders to create.
    if (cut > 0 && !(cut == 2 && p[1] == L':') && !EnsureFolderPath(p.substr(0, cut)))
        return false;
    if (CreateDirectoryW(p.c_str(), nullptr))
        return true;
    attr = GetFileAttributesW(p.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool EnsureParentFolder(const std::wstring& file_path) {
    size_t cut = file_path.rfind(L'\\');
    if (cut == std::wstring::npos)
        return false;
    return EnsureFolderPath(file_path.substr(0, cut));
}

bool SetFileTimeFromDos(const std::wstring& file_path, uint32_t dos_date_time) {
    FileHandle file(CreateFileW(file_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && SetFileTimeFromDos(file.get(), dos_date_time);
}

bool SetFileTimeFromDos(void* file_handle, uint32_t dos_date_time) {
    FILETIME local{}, utc{};
    if (!DosDateTimeToFileTime(HIWORD(dos_date_time), LOWORD(dos_date_time), &local) ||
        !LocalFileTimeToFileTime(&local, &utc))
        return false;
    // The last-access time is kept.
    return SetFileTime(static_cast<HANDLE>(file_handle), &utc, nullptr, &utc) != FALSE;
}
