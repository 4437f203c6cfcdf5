#include "store/ZipFileIo.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kBufferSize = 64 * 1024;
// Large enough that most entries' local headers are still pending when the entry is closed.
constexpr size_t kWriteBufferSize = 1024 * 1024;

// Reading alternates between the central directory at the end and each entry's local header and
// data, so two read windows are kept; the one used less recently is refilled.
struct ReadWindow {
    std::vector<char> bytes;
    uint64_t at = 0;
    uint64_t used = 0; // tick of the last use
    bool Holds(uint64_t pos) const { return pos >= at && pos < at + bytes.size(); }
};

// One open archive file. pos is where minizip thinks it is; the kernel's position is set before
// every real read or write. Pending writes and read windows never overlap: a write drops the
// windows, a read or a seek to the end flushes the writes.
struct BufferedFile {
    static constexpr int kWindows = 2;

    HANDLE handle = INVALID_HANDLE_VALUE;
    uint64_t pos = 0;
    std::vector<char> pending; // bytes to write at pending_at
    uint64_t pending_at = 0;
    ReadWindow windows[kWindows];
    uint64_t tick = 0;
    bool failed = false;

    bool SeekTo(uint64_t at) {
        LARGE_INTEGER li;
        li.QuadPart = static_cast<LONGLONG>(at);
        return SetFilePointerEx(handle, li, nullptr, FILE_BEGIN) != FALSE;
    }

    bool Flush() {
        if (pending.empty())
            return true;
        DWORD written = 0;
        const bool ok =
            SeekTo(pending_at) &&
            WriteFile(handle, pending.data(), static_cast<DWORD>(pending.size()), &written, nullptr) &&
            written == pending.size();
        pending.clear();
        failed = failed || !ok;
        return ok;
    }

    ReadWindow* WindowAt(uint64_t at) {
        for (ReadWindow& w : windows)
            if (w.Holds(at))
                return &w;
        ReadWindow* oldest = &windows[0];
        for (ReadWindow& w : windows)
            if (w.used < oldest->used)
                oldest = &w;
        oldest->bytes.resize(kBufferSize);
        oldest->at = at;
        DWORD got = 0;
        if (!SeekTo(at) ||
            !ReadFile(handle, oldest->bytes.data(), static_cast<DWORD>(kBufferSize), &got, nullptr)) {
            failed = true;
            got = 0;
        }
        oldest->bytes.resize(got);
        return got ? oldest : nullptr;
    }

    uLong Read(char* out, uLong size) {
        if (!Flush())
            return 0;
        uLong done = 0;
        while (done < size) {
            const uLong want = size - done;
            // Large reads go straight to the caller's buffer.
            if (want >= kBufferSize) {
                DWORD got = 0;
                if (!SeekTo(pos) || !ReadFile(handle, out + done, want, &got, nullptr))
                    failed = true;
                done += got;
                pos += got;
                break;
            }
            ReadWindow* w = WindowAt(pos);
            if (!w)
                break;
            w->used = ++tick;
            const size_t offset = static_cast<size_t>(pos - w->at);
            const size_t n = std::min<size_t>(want, w->bytes.size() - offset);
            memcpy(out + done, w->bytes.data() + offset, n);
            done += static_cast<uLong>(n);
            pos += n;
        }
        return done;
    }

    uLong Write(const char* data, uLong size) {
        for (ReadWindow& w : windows)
            w.bytes.clear();
        // Closing an entry goes back to fill in its local header's sizes and CRC; while that header
        // is still pending, the fields are changed in place instead of costing two writes.
        if (!pending.empty() && pos >= pending_at && pos + size <= pending_at + pending.size()) {
            memcpy(pending.data() + (pos - pending_at), data, size);
            pos += size;
            return size;
        }
        if (!pending.empty() && pos != pending_at + pending.size() && !Flush())
            return 0;
        if (pending.empty())
            pending_at = pos;
        pending.insert(pending.end(), data, data + size);
        pos += size;
        if (pending.size() >= kWriteBufferSize && !Flush())
            return 0;
        return size;
    }
};

voidpf ZCALLBACK Open(voidpf, const void* filename, int mode) {
    const wchar_t* path = static_cast<const wchar_t*>(filename);
    if (!path)
        return nullptr;
    DWORD access = 0, disposition = 0, share = 0;
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ) {
        access = GENERIC_READ;
        disposition = OPEN_EXISTING;
        share = FILE_SHARE_READ;
    } else if (mode & ZLIB_FILEFUNC_MODE_EXISTING) {
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = OPEN_EXISTING;
    } else if (mode & ZLIB_FILEFUNC_MODE_CREATE) {
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
    } else {
        return nullptr;
    }
    HANDLE h = CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    auto* file = new BufferedFile;
    file->handle = h;
    return file;
}

uLong ZCALLBACK Read(voidpf, voidpf stream, void* buf, uLong size) {
    return static_cast<BufferedFile*>(stream)->Read(static_cast<char*>(buf), size);
}

uLong ZCALLBACK Write(voidpf, voidpf stream, const void* buf, uLong size) {
    return static_cast<BufferedFile*>(stream)->Write(static_cast<const char*>(buf), size);
}

ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) {
    return static_cast<BufferedFile*>(stream)->pos;
}

long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* file = static_cast<BufferedFile*>(stream);
    uint64_t base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        base = file->pos;
        break;
    case ZLIB_FILEFUNC_SEEK_END: {
        LARGE_INTEGER size;
        if (!file->Flush() || !GetFileSizeEx(file->handle, &size))
            return -1;
        base = static_cast<uint64_t>(size.QuadPart);
        break;
    }
    default:
        return -1;
    }
    file->pos = base + offset;
    return 0;
}

int ZCALLBACK Close(voidpf, voidpf stream) {
    auto* file = static_cast<BufferedFile*>(stream);
    const bool ok = file->Flush();
    CloseHandle(file->handle);
    delete file;
    return ok ? 0 : -1;
}

int ZCALLBACK Error(voidpf, voidpf stream) {
    return static_cast<BufferedFile*>(stream)->failed ? 1 : 0;
}

} // namespace

void FillBufferedFileFuncs(zlib_filefunc64_def& funcs) {
    funcs.zopen64_file = Open;
    funcs.zread_file = Read;
    funcs.zwrite_file = Write;
    funcs.ztell64_file = Tell;
    funcs.zseek64_file = Seek;
    funcs.zclose_file = Close;
    funcs.zerror_file = Error;
    funcs.opaque = nullptr;
}

bool ResolveArchivePath(const std::wstring& path, std::wstring& full, std::wstring& folder) {
    if (path.empty())
        return false;
    wchar_t buf[MAX_PATH];
    wchar_t* file_part = nullptr;
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, buf, &file_part);
    if (n == 0 || n >= MAX_PATH || !file_part)
        return false;
    full.assign(buf, n);
    folder.assign(buf, file_part);
    return true;
}
