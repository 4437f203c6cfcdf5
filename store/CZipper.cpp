#include "store/CZipper.h"

#include <windows.h>

#include <minizip/zip.h>

#include "store/xml/FileHandle.h"
#include "store/FolderPrefetch.h"
#include "store/ZipFileIo.h"
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

bool CZipper::EntryName(const std::wstring& path, bool ignore_path, std::wstring& name) const {
    if (!ignore_path && path.rfind(L"..\\", 0) == 0)
        return false;
    if (ignore_path) {
        name = LastComponent(path);
    } else if (IsAbsolute(path)) {
        if (!RelativeName(SourcePath(path), name))
            return false;
    } else {
        name = path.rfind(L".\\", 0) == 0 ? path.substr(2) : path;
    }
    return !name.empty();
}

bool CZipper::AddFileAs(const std::wstring& path, bool ignore_path, unsigned long attributes) {
    if (!archive_)
        return false;
    std::wstring name;
    if (!EntryName(path, ignore_path, name))
        return false;
    const std::wstring source = SourcePath(path);
    FileHandle file(CreateFileW(source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return false;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        attributes = GetFileAttributesW(source.c_str());
    return WriteFileEntry(name, attributes, {}, false, file.get());
}

bool CZipper::WriteFileEntry(const std::wstring& name, unsigned long attributes,
                             const std::vector<char>& ahead, bool ahead_failed, HANDLE rest) {
    if (!deflater_)
        deflater_ = std::make_unique<Deflater>();
    if (!deflater_->Begin() || !OpenEntry(name, attributes, false))
        return false;
    ++files_added_;
    zipFile zf = static_cast<zipFile>(archive_);
    bool ok = !ahead_failed;
    uLong crc = crc32(0, nullptr, 0), size = 0;
    auto feed = [&](const char* bytes, DWORD got) {
        total_bytes_ += static_cast<int>(got);
        size += got;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes), got);
        return deflater_->Feed(zf, bytes, got, Z_NO_FLUSH);
    };
    if (!ahead.empty() && !feed(ahead.data(), static_cast<DWORD>(ahead.size())))
        ok = false;
    char* block = deflater_->in;
    while (ok && rest) {
        DWORD got = 0;
        // A read error would leave the entry cut short: that is a failure, not the end.
        if (!ReadFile(rest, block, kBlockSize, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        if (!feed(block, got)) {
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

bool CZipper::WriteFolderEntry(const std::wstring& path, bool ignore_path, unsigned long attributes,
                               std::wstring& source) {
    ++folders_added_;
    source = SourcePath(path);
    while (source.size() > 1 && source.back() == L'\\')
        source.pop_back();
    std::wstring name;
    if (ignore_path)
        name = LastComponent(source);
    else if (!RelativeName(source, name))
        return false;
    if (attributes == INVALID_FILE_ATTRIBUTES)
        attributes = GetFileAttributesW(source.c_str());
    return OpenEntry(name + L"\\", attributes, true) &&
           zipCloseFileInZip(static_cast<zipFile>(archive_)) == ZIP_OK;
}

bool CZipper::AddFolderAs(const std::wstring& path, bool ignore_path, unsigned long attributes) {
    if (!archive_)
        return false;
    std::wstring source;
    if (!WriteFolderEntry(path, ignore_path, attributes, source))
        return false;
    // The next files are listed and read on another thread while this one compresses.
    FolderPrefetch walk(source);
    FolderPrefetch::Item item;
    int skip_below = 0; // a folder whose entry failed: nothing inside it is added
    while (walk.Next(item)) {
        if (skip_below > 0 && item.depth > skip_below)
            continue;
        skip_below = 0;
        bool ok = false;
        if (item.folder) {
            std::wstring unused;
            ok = WriteFolderEntry(item.path, ignore_path, item.attributes, unused);
            if (!ok)
                skip_below = item.depth;
        } else {
            std::wstring name;
            ok = item.opened && EntryName(item.path, ignore_path, name) &&
                 WriteFileEntry(name, item.attributes, item.data, item.read_failed,
                                item.rest ? item.rest.get() : nullptr);
        }
        if (!ok)
            ++entries_failed_;
    }
    return true;
}
