#include "MailServerSupport.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <map>

namespace {

constexpr unsigned kPollMs = 50;

bool ReadWholeFile(const std::wstring& path, std::string& data) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    data.clear();
    char buffer[64 * 1024];
    DWORD n = 0;
    bool ok = true;
    while ((ok = ReadFile(h, buffer, sizeof buffer, &n, nullptr) != 0) && n > 0) {
        data.append(buffer, n);
    }
    CloseHandle(h);
    return ok;
}

std::wstring FromUtf8(const std::string& text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

struct MaildirEntry {
    std::wstring path;
    unsigned long long seconds = 0, micros = 0;
};

// Dovecot names delivered files "<seconds>.M<microseconds>P<pid>...".
MaildirEntry ParseName(const std::wstring& folder, const std::wstring& name) {
    MaildirEntry e{folder + L"\\" + name};
    e.seconds = wcstoull(name.c_str(), nullptr, 10);
    const size_t m = name.find(L".M");
    if (m != std::wstring::npos) {
        e.micros = wcstoull(name.c_str() + m + 2, nullptr, 10);
    }
    return e;
}

std::vector<MaildirEntry> ListMaildir(const std::wstring& maildir) {
    std::vector<MaildirEntry> entries;
    for (const wchar_t* sub : {L"new", L"cur"}) {
        const std::wstring folder = maildir + L"\\" + sub;
        WIN32_FIND_DATAW found{};
        HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) {
            continue;
        }
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                entries.push_back(ParseName(folder, found.cFileName));
            }
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }
    std::sort(entries.begin(), entries.end(), [](const MaildirEntry& a, const MaildirEntry& b) {
        return a.seconds != b.seconds ? a.seconds < b.seconds : a.micros < b.micros;
    });
    return entries;
}

} // namespace

std::wstring MailServerSupport::WindowsPath(const std::wstring& path) {
    if (path.empty() || path[0] != L'/') {
        return path;
    }
    std::wstring out = L"Z:" + path;
    std::replace(out.begin(), out.end(), L'/', L'\\');
    return out;
}

bool MailServerSupport::Load(std::wstring& why) {
    wchar_t state[MAX_PATH * 2] = {};
    if (GetEnvironmentVariableW(L"VELIN_MAIL_STATE", state, MAX_PATH * 2) == 0) {
        why = L"VELIN_MAIL_STATE is not set";
        return false;
    }
    const std::wstring file = WindowsPath(state) + L"\\servers.txt";
    std::string text;
    if (!ReadWholeFile(file, text)) {
        why = L"cannot read " + file + L" (are the mail servers started?)";
        return false;
    }
    std::map<std::string, std::wstring> values;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        const size_t eq = line.find('=');
        if (eq != std::string::npos) {
            values[line.substr(0, eq)] = FromUtf8(line.substr(eq + 1));
        }
    }
    host = values["host"];
    otherHost = values["other_host"];
    untrustedHost = values["untrusted_host"];
    domain = values["domain"];
    user1 = values["user1"];
    password1 = values["password1"];
    user2 = values["user2"];
    password2 = values["password2"];
    smtpPort = _wtoi(values["smtp_port"].c_str());
    pop3Port = _wtoi(values["pop3_port"].c_str());
    caPath = WindowsPath(values["ca"]);
    maildir1 = WindowsPath(values["maildir1"]);
    maildir2 = WindowsPath(values["maildir2"]);
    if (host.empty() || smtpPort == 0 || pop3Port == 0 || user1.empty() || caPath.empty()) {
        why = L"incomplete " + file;
        return false;
    }
    return true;
}

namespace {

// The test CA in DER form and the machine Root store of the prefix; false with the reason.
bool OpenRoot(const std::wstring& caPath, std::vector<BYTE>& der, HCERTSTORE& store, std::wstring& why) {
    std::string pem;
    if (!ReadWholeFile(caPath, pem)) {
        why = L"cannot read " + caPath;
        return false;
    }
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                              &size, nullptr, nullptr)) {
        why = L"the CA file holds no certificate";
        return false;
    }
    der.resize(size);
    CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                         &size, nullptr, nullptr);
    der.resize(size);
    store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT");
    if (!store) {
        why = L"cannot open the machine Root store (" + std::to_wstring(GetLastError()) + L")";
        return false;
    }
    return true;
}

} // namespace

bool MailServerSupport::TrustCa(std::wstring& why) const {
    std::vector<BYTE> der;
    HCERTSTORE store = nullptr;
    if (!OpenRoot(caPath, der, store, why)) {
        return false;
    }
    const BOOL added =
        CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                         CERT_STORE_ADD_USE_EXISTING, nullptr);
    const DWORD error = GetLastError();
    CertCloseStore(store, 0);
    if (!added) {
        why = L"cannot add the test CA (" + std::to_wstring(error) + L")";
        return false;
    }
    return true;
}

std::vector<std::string> MailServerSupport::ReadMaildir(const std::wstring& maildir) {
    std::vector<std::string> mails;
    for (const MaildirEntry& e : ListMaildir(maildir)) {
        std::string data;
        if (ReadWholeFile(e.path, data)) {
            mails.push_back(std::move(data));
        }
    }
    return mails;
}

bool MailServerSupport::WaitForMaildir(const std::wstring& maildir, size_t count, unsigned timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (ListMaildir(maildir).size() < count) {
        if (GetTickCount64() > end) {
            return false;
        }
        Sleep(kPollMs);
    }
    return true;
}
