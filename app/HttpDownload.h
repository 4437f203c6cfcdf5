#pragma once
// Downloads one file over HTTP(S) with WinINet. Only https reaches another machine, with the
// certificate checked; plain http is taken from a loopback host alone. The file appears whole or
// not at all.
#include <cstdint>
#include <string>

// Larger files are refused, announced or not.
inline constexpr uint64_t kMaxDownloadBytes = 0x3E800000;
// HEAD and GET are each sent this often until one answers 200.
inline constexpr int kDownloadAttempts = 10;

// The parts of an http(s) URL that matter for trusting it.
struct UrlParts {
    bool secure = false;
    std::wstring host;
    int port = 0;
    std::wstring path; // with its query
};
// False for anything but a well-formed http or https URL.
bool CrackUrl(const std::wstring& url, UrlParts& out);
// "localhost", 127.x.x.x or ::1.
bool IsLoopbackHost(const std::wstring& host);
// https anywhere, http on a loopback host.
bool IsTrustedUrl(const UrlParts& url);

bool HttpDownload(const std::wstring& url, const std::wstring& file, uint64_t max_bytes = kMaxDownloadBytes);
