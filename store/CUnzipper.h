#pragma once
// Lists and extracts a ZIP archive, streaming each entry in blocks. Extraction is outside input
// (backups come back from a mail box): an entry whose name would land outside the target folder
// stops the extraction.
#include <cstdint>
#include <string>

struct ZipEntryInfo {
    std::wstring name; // "\" between folders; a folder's name ends with "\"
    std::wstring comment;
    uint32_t version = 0;
    uint32_t version_needed = 0;
    uint32_t flag = 0;
    uint32_t compression_method = 0;
    uint32_t dos_date = 0; // packed DOS date (high 16 bits) and time (low 16 bits)
    uint32_t crc = 0;
    uint32_t compressed_size = 0;
    uint32_t uncompressed_size = 0;
    uint32_t internal_attributes = 0;
    uint32_t external_attributes = 0;
    bool is_folder = false;
};

class CUnzipper {
public:
    CUnzipper() = default;
    virtual ~CUnzipper();
    CUnzipper(const CUnzipper&) = delete;
    CUnzipper& operator=(const CUnzipper&) = delete;

    // The output folder becomes the archive's own folder.
    bool OpenForReading(const std::wstring& path);
    void CloseArchive();
    bool GoToFirstEntry();
    bool GoToNextEntry();
    // All fields zero when no archive is open or the entry cannot be read.
    bool ReadEntryInfo(ZipEntryInfo& info);
    // Extracts the current entry under folder (empty: the output folder).
    bool ExtractEntry(const std::wstring& folder = {});
    // Extracts every entry in order; stops at the first failure, keeping what was written.
    bool ExtractAll(const std::wstring& folder);

    const std::wstring& OutputFolder() const { return output_folder_; }
    void SetOutputFolder(const std::wstring& folder) { output_folder_ = folder; }

private:
    bool CopyCurrentEntryTo(const std::wstring& target, uint32_t dos_date);
    // EnsureFolderPath, skipped when the same folder was ensured just before (entries come grouped
    // by folder, and every check is a round trip to the file system).
    bool EnsureFolderOnce(const std::wstring& folder, std::wstring& last);

    void* archive_ = nullptr; // unzFile
    std::wstring output_folder_;
    std::wstring last_base_, last_parent_;
};
