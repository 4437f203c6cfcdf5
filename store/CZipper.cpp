#include "store/CZipper.h"

#include <windows.h>

#include <minizip/zip.h>

#include "store/xml/FileHandle.h"
#include "store/ZipFileIo.h"
#include "store/xml/FindHandle.h"
#include "store/ZipNames.h"

namespace {

// Most files fit in one read.
constexpr DWORD kBlockSize = 64 * 1024;
constexpr int kMemLevel = 8; // zlib's default memory level

bool IsAbsolute(const std::wstring& path) {
    return path.find(L':') != std::wstring::npos || path.rfind(L"\\\\", 0) == 0;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

std::wstring LastComponent(std::wstring path) {
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

zip_fileinfo InfoNow(unsigned long attributes) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    zip_fileinfo info{};
    info.tmz_date.tm_sec = now.wSecond;
    info.tmz_date.tm_min = now.wMinute;
    info.tmz_date.tm_hour = now.wHour;
    info.tmz_date.tm_mday = now.wDay;
    info.tmz_date.tm_mon = now.wMonth - 1;
    info.tmz_date.tm_year = now.wYear;
    info.dosDate = 0;
    info.internal_fa = 0;
    info.external_fa = attributes;
    return info;
}

} // namespace

// Compresses an entry's data itself (minizip then writes it raw), so that the zlib state is
// allocated once per archive instead of once per entry.
struct CZipper::Deflater {
    static constexpr unsigned kOutSize = 64 * 1024;

    z_stream z{};
    bool ready = false;
    unsigned char out[kOutSize];
    char in[kBlockSize];

    ~Deflater() {
        if (ready)
            deflateEnd(&z);
    }

    bool Begin() {
        if (ready)
            return deflateReset(&z) == Z_OK;
        ready = deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, kMemLevel,
                             Z_DEFAULT_STRATEGY) == Z_OK;
        return ready;
    }

    // flush: Z_NO_FLUSH for a block, Z_FINISH at the end of the entry.
    bool Feed(zipFile zf, const char* data, unsigned size, int flush) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        z.avail_in = size;
        for (;;) {
            z.next_out = out;
            z.avail_out = kOutSize;
            const int rc = deflate(&z, flush);
            const unsigned have = kOutSize - z.avail_out;
            if (rc == Z_STREAM_ERROR || (rc == Z_BUF_ERROR && have == 0 && flush == Z_FINISH))
                return false;
            if (have && zipWriteInFileInZip(zf, out, have) != ZIP_OK)
                return false;
            if (flush == Z_FINISH ? rc == Z_STREAM_END : z.avail_out != 0)
                return true;
        }
    }
};

CZipper::CZipper() = default;

CZipper::~CZipper() {
    CloseArchive();
}

bool CZipper::OpenArchive(const std::wstring& path) {
    CloseArchive();
    // Wide paths: the archive may live in a folder the ANSI code page cannot name.
    std::wstring full, folder;
    if (!ResolveArchivePath(path, full, folder))
        return false;
    zlib_filefunc64_def funcs;
    FillBufferedFileFuncs(funcs);
    archive_ = zipOpen2_64(full.c_str(), APPEND_STATUS_CREATE, nullptr, &funcs);
    if (!archive_)
        return false;
    root_folder_ = folder;
    return true;
}

bool CZipper::CloseArchive() {
    const bool ok = !archive_ || zipClose(static_cast<zipFile>(archive_), nullptr) == ZIP_OK;
    archive_ = nullptr;
    files_added_ = folders_added_ = total_bytes_ = entries_failed_ = 0;
    return ok;
}

std::wstring CZipper::SourcePath(const std::wstring& path) const {
    return IsAbsolute(path) ? path : root_folder_ + path;
}

bool CZipper::RelativeName(const std::wstring& source, std::wstring& name) const {
    if (!StartsWithNoCase(source, root_folder_))
        return false;
    name = source.substr(root_folder_.size());
    return !name.empty();
}

bool CZipper::OpenEntry(const std::wstring& name, unsigned long attributes, bool folder) {
    const std::string bytes = ZipNames::Encode(name);
    zip_fileinfo info = InfoNow(attributes);
    // A folder entry holds no data, so it is stored rather than deflated.
    // File data arrives deflated already and is written raw.
    return zipOpenNewFileInZip4(static_cast<zipFile>(archive_), bytes.c_str(), &info, nullptr, 0, nullptr, 0,
                                nullptr, folder ? 0 : Z_DEFLATED, Z_DEFAULT_COMPRESSION, folder ? 0 : 1,
                                -MAX_WBITS, kMemLevel, Z_DEFAULT_STRATEGY, nullptr, 0,
                                ZipNames::kVersionMadeBy, ZipNames::kUtf8Flag) == ZIP_OK;
}

bool CZipper::AddFile(const std::wstring& path, bool ignore_path) {
    return AddFileAs(path, ignore_path, INVALID_FILE_ATTRIBUTES);
}

bool CZipper::AddFileAs(const std::wstring& path, bool ignore_path, unsigned long attributes) {
    if (!archive_)
        return false;
    if (!ignore_path && path.rfind(L"..\\", 0) == 0)
        return false;
    const std::wstring source = SourcePath(path);
    std::wstring name;
    if (ignore_path) {
        name = LastComponent(path);
    } else if (IsAbsolute(path)) {
        if (!RelativeName(source, name))
            return false;
    } else {
        name = path.rfind(L".\\", 0) == 0 ? path.substr(2) : path;
    }
    if (name.empty())
        return false;

    FileHandle file(CreateFileW(source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return false;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        attributes = GetFileAttributesW(source.c_str());
    if (!deflater_)
        deflater_ = std::make_unique<Deflater>();
    if (!deflater_->Begin() || !OpenEntry(name, attributes, false))
        return false;
    ++files_added_;
    zipFile zf = static_cast<zipFile>(archive_);
    bool ok = true;
    uLong crc = crc32(0, nullptr, 0), size = 0;
    char* block = deflater_->in;
    for (;;) {
        DWORD got = 0;
        // A read error would leave the entry cut short: that is a failure, not the end.
        if (!ReadFile(file.get(), block, kBlockSize, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        total_bytes_ += static_cast<int>(got);
        size += got;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(block), got);
        if (!deflater_->Feed(zf, block, got, Z_NO_FLUSH)) {
            ok = false;
            break;
        }
        // A disk file reads short only at its end, which saves asking once more for nothing.
        if (got < kBlockSize)
            break;
    }
    ok = ok && deflater_->Feed(zf, nullptr, 0, Z_FINISH);
    return zipCloseFileInZipRaw(zf, size, crc) == ZIP_OK && ok;
}

bool CZipper::AddFolder(const std::wstring& path, bool ignore_path) {
    return AddFolderAs(path, ignore_path, INVALID_FILE_ATTRIBUTES);
}

bool CZipper::AddFolderAs(const std::wstring& path, bool ignore_path, unsigned long attributes) {
    if (!archive_)
        return false;
    ++folders_added_;
    std::wstring source = SourcePath(path);
    while (source.size() > 1 && source.back() == L'\\')
        source.pop_back();
    std::wstring name;
    if (ignore_path)
        name = LastComponent(source);
    else if (!RelativeName(source, name))
        return false;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        attributes = GetFileAttributesW(source.c_str());
    if (!OpenEntry(name + L"\\", attributes, true) ||
        zipCloseFileInZip(static_cast<zipFile>(archive_)) != ZIP_OK)
        return false;

    FindHandle find(source + L"\\*");
    if (!find.ok())
        return true;
    do {
        const WIN32_FIND_DATAW& data = find.data();
        if (data.cFileName[0] == L'.')
            continue;
        const std::wstring child = source + L"\\" + data.cFileName;
        const bool ok = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                            ? AddFolderAs(child, ignore_path, data.dwFileAttributes)
                            : AddFileAs(child, ignore_path, data.dwFileAttributes);
        if (!ok)
            ++entries_failed_;
    } while (find.next());
    return true;
}
