#pragma once
// Writes a ZIP archive from files and folders (deflate, default level, streamed in blocks).
// Entry names are relative to the archive's own folder; see ZipNames.h for how they are stored.
#include <memory>
#include <string>
#include <vector>

class CZipper {
public:
    CZipper();
    virtual ~CZipper();
    CZipper(const CZipper&) = delete;
    CZipper& operator=(const CZipper&) = delete;

    // Creates a new archive (an existing file is replaced). Entry names become relative to the
    // archive's folder.
    bool OpenArchive(const std::wstring& path);
    // False when the archive's directory could not be written (the file is then unusable).
    bool CloseArchive();
    // ignore_path: the entry is named after the file alone. Otherwise path must lie under the
    // archive's folder (absolute) or be relative to it.
    bool AddFile(const std::wstring& path, bool ignore_path);
    // The folder gets its own entry ending in "\", then its content follows, except names starting
    // with "." (which also skips hidden dot files). Failures of children are not reported.
    bool AddFolder(const std::wstring& path, bool ignore_path);

    int FilesAdded() const { return files_added_; }
    int FoldersAdded() const { return folders_added_; }
    int TotalBytes() const { return total_bytes_; }
    // Files and folders inside added folders that could not be written; AddFolder still answers
    // true for them, so a backup checks this as well.
    int EntriesFailed() const { return entries_failed_; }
    const std::wstring& RootFolder() const { return root_folder_; }

private:
    std::wstring SourcePath(const std::wstring& path) const;
    // Name of the entry relative to the root folder; false when path is outside it.
    bool RelativeName(const std::wstring& source, std::wstring& name) const;
    bool OpenEntry(const std::wstring& name, unsigned long attributes, bool folder);
    // AddFile and AddFolder with the attributes already known from the folder listing.
    bool AddFileAs(const std::wstring& path, bool ignore_path, unsigned long attributes);
    bool AddFolderAs(const std::wstring& path, bool ignore_path, unsigned long attributes);
    bool EntryName(const std::wstring& path, bool ignore_path, std::wstring& name) const;
    // The folder's own entry; source gets its full path.
    bool WriteFolderEntry(const std::wstring& path, bool ignore_path, unsigned long attributes,
                          std::wstring& source);
    // An entry of the bytes read ahead, then of what `rest` (a file handle, or null) still holds.
    bool WriteFileEntry(const std::wstring& name, unsigned long attributes, const std::vector<char>& ahead,
                        bool ahead_failed, void* rest);

    // One deflate stream reset for every entry: setting up a new one per entry cost more than
    // compressing a small record.
    struct Deflater;
    std::unique_ptr<Deflater> deflater_;
    void* archive_ = nullptr; // zipFile
    std::wstring root_folder_;
    int files_added_ = 0;
    int folders_added_ = 0;
    int total_bytes_ = 0;
    int entries_failed_ = 0;
};
