#include "store/CUnzipper.h"

#include <windows.h>

#include <minizip/unzip.h>

#include <vector>

#include "store/xml/Encoding.h"
#include "store/xml/FileHandle.h"
#include "store/ZipFileIo.h"
#include "store/ZipFolders.h"
#include "store/ZipNames.h"

namespace {

constexpr DWORD kBlockSize = 2048;
constexpr DWORD kMaxPath = MAX_PATH;
constexpr size_t kMaxComment = 255;

std::wstring WithSlash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[kMaxPath];
    DWORD n = GetFullPathNameW(path.c_str(), kMaxPath, full, nullptr);
    return n == 0 || n >= kMaxPath ? std::wstring() : std::wstring(full, n);
}

// The resolved target must still lie under the resolved folder.
bool StaysInside(const std::wstring& folder, const std::wstring& target) {
    const std::wstring base = WithSlash(FullPath(folder)), full = FullPath(target);
    return base.size() > 1 && full.size() > base.size() &&
           CompareStringOrdinal(full.c_str(), static_cast<int>(base.size()), base.c_str(),
                                static_cast<int>(base.size()), TRUE) == CSTR_EQUAL;
}

} // namespace

CUnzipper::~CUnzipper() {
    CloseArchive();
}

bool CUnzipper::OpenForReading(const std::wstring& path) {
    CloseArchive();
    // Wide paths: the archive may live in a folder the ANSI code page cannot name.
    std::wstring full, folder;
    if (!ResolveArchivePath(path, full, folder))
        return false;
    zlib_filefunc64_def funcs;
    FillBufferedFileFuncs(funcs);
    archive_ = unzOpen2_64(full.c_str(), &funcs);
    if (!archive_)
        return false;
    output_folder_ = folder;
    return true;
}

void CUnzipper::CloseArchive() {
    if (archive_)
        unzClose(static_cast<unzFile>(archive_));
    archive_ = nullptr;
    last_base_.clear();
    last_parent_.clear();
}

bool CUnzipper::GoToFirstEntry() {
    return archive_ && unzGoToFirstFile(static_cast<unzFile>(archive_)) == UNZ_OK;
}

bool CUnzipper::GoToNextEntry() {
    return archive_ && unzGoToNextFile(static_cast<unzFile>(archive_)) == UNZ_OK;
}

bool CUnzipper::ReadEntryInfo(ZipEntryInfo& info) {
    info = ZipEntryInfo{};
    if (!archive_)
        return false;
    unz_file_info raw{};
    if (unzGetCurrentFileInfo(static_cast<unzFile>(archive_), &raw, nullptr, 0, nullptr, 0, nullptr, 0) !=
        UNZ_OK)
        return false;
    // The whole name is read: a name cut short would be extracted under another name.
    std::vector<char> name(raw.size_filename + 1), comment(raw.size_file_comment + 1);
    if (unzGetCurrentFileInfo(static_cast<unzFile>(archive_), &raw, name.data(),
                              static_cast<uLong>(name.size()), nullptr, 0, comment.data(),
                              static_cast<uLong>(comment.size())) != UNZ_OK)
        return false;
    info.name = ZipNames::Decode(std::string_view(name.data(), raw.size_filename), raw.flag, raw.version);
    info.comment =
        ZipNames::Decode(std::string_view(comment.data(), raw.size_file_comment), raw.flag, raw.version);
    if (info.comment.size() > kMaxComment)
        info.comment.resize(kMaxComment);
    info.version = raw.version;
    info.version_needed = raw.version_needed;
    info.flag = raw.flag;
    info.compression_method = raw.compression_method;
    info.dos_date = raw.dosDate;
    info.crc = raw.crc;
    info.compressed_size = raw.compressed_size;
    info.uncompressed_size = raw.uncompressed_size;
    info.internal_attributes = raw.internal_fa;
    info.external_attributes = raw.external_fa;
    info.is_folder = (raw.external_fa & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return info.name.size() < kMaxPath;
}

bool CUnzipper::ExtractEntry(const std::wstring& folder) {
    if (!archive_)
        return false;
    const std::wstring base = WithSlash(folder.empty() ? output_folder_ : folder);
    if (!EnsureFolderOnce(base, last_base_))
        return false;
    ZipEntryInfo info;
    if (!ReadEntryInfo(info) || !ZipNames::IsSafeRelative(info.name))
        return false;
    const std::wstring target = base + info.name;
    if (!StaysInside(base, target))
        return false;
    // Archives from other tools mark folders by the trailing separator alone.
    if (info.is_folder || info.name.back() == L'\\')
        return EnsureFolderOnce(target, last_parent_);
    return EnsureFolderOnce(target.substr(0, target.rfind(L'\\') + 1), last_parent_) &&
           CopyCurrentEntryTo(target, info.dos_date);
}

bool CUnzipper::EnsureFolderOnce(const std::wstring& folder, std::wstring& last) {
    if (folder == last)
        return true;
    if (!EnsureFolderPath(folder))
        return false;
    last = folder;
    return true;
}

bool CUnzipper::CopyCurrentEntryTo(const std::wstring& target, uint32_t dos_date) {
    FileHandle file(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    unzFile zf = static_cast<unzFile>(archive_);
    if (unzOpenCurrentFile(zf) != UNZ_OK)
        return false;
    bool ok = true;
    char block[kBlockSize];
    for (;;) {
        int got = unzReadCurrentFile(zf, block, kBlockSize);
        if (got == 0)
            break;
        DWORD written = 0;
        if (got < 0 || !WriteFile(file.get(), block, static_cast<DWORD>(got), &written, nullptr) ||
            written != static_cast<DWORD>(got)) {
            ok = false;
            break;
        }
    }
    // Closing checks the CRC once the whole entry was read.
    ok = unzCloseCurrentFile(zf) == UNZ_OK && ok;
    if (ok)
        SetFileTimeFromDos(file.get(), dos_date);
    return ok;
}

bool CUnzipper::ExtractAll(const std::wstring& folder) {
    if (!archive_ || folder.empty() || !EnsureFolderPath(folder))
        return false;
    unz_global_info global{};
    if (unzGetGlobalInfo(static_cast<unzFile>(archive_), &global) != UNZ_OK || global.number_entry == 0)
        return false;
    if (!GoToFirstEntry())
        return false;
    do {
        if (!ExtractEntry(folder))
            return false;
    } while (GoToNextEntry());
    return true;
}
