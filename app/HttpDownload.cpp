#include "app/HttpDownload.h"

#include <windows.h>
#include <wininet.h>

#include <cwctype>
#include <vector>

namespace {

constexpr wchar_t kAgent[] = L"MyAppByKetovB";
constexpr DWORD kChunkBytes = 10240;
constexpr DWORD kStatusOk = 200;

class InternetHandle {
public:
    explicit InternetHandle(HINTERNET h = nullptr) : h_(h) {}
    ~InternetHandle() {
        if (h_)
            InternetCloseHandle(h_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    HINTERNET h_;
};

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return h_; }
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
    void Close() {
        if (ok())
            CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_;
};

std::wstring Lower(std::wstring text) {
    for (auto& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// Sends the request until it answers 200, at most kDownloadAttempts times.
bool SendUntilOk(HINTERNET request) {
    for (int attempt = 0; attempt < kDownloadAttempts; ++attempt) {
        if (!HttpSendRequestW(request, nullptr, 0, nullptr, 0))
            continue;
        DWORD status = 0, size = sizeof(status);
        if (HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                           nullptr) &&
            status == kStatusOk)
            return true;
        // The body of a refused attempt is dropped before the next one.
        char sink[512];
        DWORD read = 0;
        while (InternetReadFile(request, sink, sizeof(sink), &read) && read > 0) {
        }
    }
    return false;
}

// The announced length; false when the answer carries none.
bool ContentLength(HINTERNET request, uint64_t& length) {
    wchar_t text[32] = {};
    DWORD size = sizeof(text);
    if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
        return false;
    wchar_t* end = nullptr;
    length = wcstoull(text, &end, 10);
    return end != text && *end == 0;
}

} // namespace

bool CrackUrl(const std::wstring& url, UrlParts& out) {
    if (url.empty())
        return false;
    wchar_t host[INTERNET_MAX_HOST_NAME_LENGTH] = {};
    std::vector<wchar_t> path(url.size() + 1), extra(url.size() + 1);
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = INTERNET_MAX_HOST_NAME_LENGTH;
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size());
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts))
        return false;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return false;
    if (host[0] == 0)
        return false;
    out.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    out.host = host;
    out.port = parts.nPort;
    out.path = std::wstring(path.data()) + extra.data();
    if (out.path.empty())
        out.path = L"/";
    return true;
}

bool IsLoopbackHost(const std::wstring& host) {
    const std::wstring h = Lower(host);
    if (h == L"localhost" || h == L"::1" || h == L"[::1]")
        return true;
    unsigned a = 0, b = 0, c = 0, d = 0;
    wchar_t tail = 0;
    return swscanf(h.c_str(), L"%u.%u.%u.%u%lc", &a, &b, &c, &d, &tail) == 4 && a == 127 && b < 256 &&
           c < 256 && d < 256;
}

bool IsTrustedUrl(const UrlParts& url) {
    return url.secure || IsLoopbackHost(url.host);
}

bool HttpDownload(const std::wstring& url, const std::wstring& file, uint64_t max_bytes) {
    UrlParts parts;
    if (file.empty() || !CrackUrl(url, parts) || !IsTrustedUrl(parts))
        return false;
    InternetHandle session(InternetOpenW(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session)
        return false;
    InternetHandle connection(InternetConnectW(session.get(), parts.host.c_str(),
                                               static_cast<INTERNET_PORT>(parts.port), nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        return false;
    const DWORD flags =
        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | (parts.secure ? INTERNET_FLAG_SECURE : 0);
    uint64_t announced = 0;
    {
        InternetHandle head(HttpOpenRequestW(connection.get(), L"HEAD", parts.path.c_str(), L"HTTP/1.1",
                                             nullptr, nullptr, flags, 0));
        if (!head || !SendUntilOk(head.get()))
            return false;
        if (ContentLength(head.get(), announced) && announced > max_bytes)
            return false;
    }
    InternetHandle get(HttpOpenRequestW(connection.get(), L"GET", parts.path.c_str(), L"HTTP/1.1", nullptr,
                                        nullptr, flags, 0));
    if (!get || !SendUntilOk(get.get()))
        return false;
    const bool has_length = ContentLength(get.get(), announced);
    if (has_length && announced > max_bytes)
        return false;

    // Written beside the target and put in place only when whole.
    const std::wstring part = file + L".part";
    FileHandle out(CreateFileW(part.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.ok())
        return false;
    std::vector<char> chunk(kChunkBytes);
    uint64_t total = 0;
    bool ok = true;
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(get.get(), chunk.data(), kChunkBytes, &read)) {
            ok = false;
            break;
        }
        if (read == 0)
            break;
        total += read;
        DWORD written = 0;
        if (total > max_bytes || !WriteFile(out.get(), chunk.data(), read, &written, nullptr) ||
            written != read) {
            ok = false;
            break;
        }
    }
    ok = ok && (!has_length || total == announced) && FlushFileBuffers(out.get());
    out.Close();
    if (ok && MoveFileExW(part.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(part.c_str());
    return false;
}
