#include "settings/mail/TlsStream.h"

#define SECURITY_WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr WORD kWinsockVersion = MAKEWORD(2, 2);
constexpr size_t kReadChunk = 16 * 1024;
// Encrypted bytes held while a record is incomplete; a TLS record is at most about 16 KiB.
constexpr size_t kMaxPendingBytes = 64 * 1024;
constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;

std::wstring Hex(long code) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(code));
    return text;
}

class WinsockSession {
public:
    WinsockSession() {
        WSADATA data{};
        ok_ = WSAStartup(kWinsockVersion, &data) == 0;
    }
    ~WinsockSession() {
        if (ok_) {
            WSACleanup();
        }
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool Ok() const { return ok_; }

private:
    bool ok_ = false;
};

class SocketHandle {
public:
    SocketHandle() = default;
    ~SocketHandle() { Reset(); }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;
    void Reset(SOCKET s = INVALID_SOCKET) {
        if (s_ != INVALID_SOCKET) {
            closesocket(s_);
        }
        s_ = s;
    }
    SOCKET Get() const { return s_; }
    SOCKET Release() {
        const SOCKET s = s_;
        s_ = INVALID_SOCKET;
        return s;
    }

private:
    SOCKET s_ = INVALID_SOCKET;
};

class CredentialsHandle {
public:
    CredentialsHandle() = default;
    ~CredentialsHandle() { Reset(); }
    CredentialsHandle(const CredentialsHandle&) = delete;
    CredentialsHandle& operator=(const CredentialsHandle&) = delete;
    void Reset() {
        if (valid_) {
            FreeCredentialsHandle(&h_);
            valid_ = false;
        }
    }
    CredHandle* Fill() {
        Reset();
        return &h_;
    }
    void SetValid() { valid_ = true; }
    CredHandle* Get() { return &h_; }

private:
    CredHandle h_{};
    bool valid_ = false;
};

class SecurityContext {
public:
    SecurityContext() = default;
    ~SecurityContext() { Reset(); }
    SecurityContext(const SecurityContext&) = delete;
    SecurityContext& operator=(const SecurityContext&) = delete;
    void Reset() {
        if (valid_) {
            DeleteSecurityContext(&h_);
            valid_ = false;
        }
    }
    CtxtHandle* Get() { return valid_ ? &h_ : nullptr; }
    CtxtHandle* Out() { return &h_; }
    void SetValid() { valid_ = true; }
    bool Valid() const { return valid_; }

private:
    CtxtHandle h_{};
    bool valid_ = false;
};

// Output buffers that SChannel allocated.
class ContextBuffer {
public:
    ContextBuffer() = default;
    ~ContextBuffer() {
        if (buffer_.pvBuffer) {
            FreeContextBuffer(buffer_.pvBuffer);
        }
    }
    ContextBuffer(const ContextBuffer&) = delete;
    ContextBuffer& operator=(const ContextBuffer&) = delete;
    SecBuffer* Get() {
        buffer_.BufferType = SECBUFFER_TOKEN;
        return &buffer_;
    }

private:
    SecBuffer buffer_{0, SECBUFFER_TOKEN, nullptr};
};

class CertContext {
public:
    ~CertContext() {
        if (cert_) {
            CertFreeCertificateContext(cert_);
        }
    }
    PCCERT_CONTEXT* Out() { return &cert_; }
    PCCERT_CONTEXT Get() const { return cert_; }

private:
    PCCERT_CONTEXT cert_ = nullptr;
};

class CertChain {
public:
    ~CertChain() {
        if (chain_) {
            CertFreeCertificateChain(chain_);
        }
    }
    PCCERT_CHAIN_CONTEXT* Out() { return &chain_; }
    PCCERT_CHAIN_CONTEXT Get() const { return chain_; }

private:
    PCCERT_CHAIN_CONTEXT chain_ = nullptr;
};

} // namespace

struct TlsStream::Impl {
    WinsockSession winsock;
    SocketHandle socket;
    CredentialsHandle credentials;
    SecurityContext context;
    SecPkgContext_StreamSizes sizes{};
    std::string pending; // encrypted bytes not yet decrypted
    std::string plain;   // decrypted bytes not yet read
    bool open = false;

    bool SendRaw(const char* data, size_t size, std::wstring& error) {
        while (size > 0) {
            const int n = send(socket.Get(), data, static_cast<int>(std::min<size_t>(size, INT_MAX)), 0);
            if (n == SOCKET_ERROR) {
                error = L"sending to the server failed (Winsock " + std::to_wstring(WSAGetLastError()) + L")";
                return false;
            }
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    // Appends what arrives to pending; false on timeout, error or a closed connection.
    bool ReceiveMore(std::wstring& error) {
        if (pending.size() > kMaxPendingBytes) {
            error = L"the server sent a malformed TLS record";
            return false;
        }
        char buffer[kReadChunk];
        const int n = recv(socket.Get(), buffer, sizeof buffer, 0);
        if (n == 0) {
            error = L"the server closed the connection";
            return false;
        }
        if (n == SOCKET_ERROR) {
            const int code = WSAGetLastError();
            error = code == WSAETIMEDOUT
                        ? L"the server did not answer in time"
                        : L"receiving from the server failed (Winsock " + std::to_wstring(code) + L")";
            return false;
        }
        pending.append(buffer, static_cast<size_t>(n));
        return true;
    }

    bool ConnectSocket(const std::wstring& host, int port, std::wstring& error) {
        ADDRINFOW hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        ADDRINFOW* found = nullptr;
        const std::wstring service = std::to_wstring(port);
        const int rc = GetAddrInfoW(host.c_str(), service.c_str(), &hints, &found);
        if (rc != 0 || !found) {
            error = L"cannot resolve the server name " + host + L" (" + std::to_wstring(rc) + L")";
            return false;
        }
        std::unique_ptr<ADDRINFOW, void (*)(ADDRINFOW*)> list(found, FreeAddrInfoW);
        int lastError = 0;
        for (ADDRINFOW* a = found; a; a = a->ai_next) {
            SocketHandle s;
            s.Reset(::socket(a->ai_family, a->ai_socktype, a->ai_protocol));
            if (s.Get() == INVALID_SOCKET) {
                lastError = WSAGetLastError();
                continue;
            }
            if (ConnectWithTimeout(s.Get(), a->ai_addr, static_cast<int>(a->ai_addrlen), lastError)) {
                const DWORD timeout = kTimeoutMs;
                setsockopt(s.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                           sizeof timeout);
                setsockopt(s.Get(), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout),
                           sizeof timeout);
                socket.Reset(s.Release());
                return true;
            }
        }
        error =
            L"cannot connect to " + host + L":" + service + L" (Winsock " + std::to_wstring(lastError) + L")";
        return false;
    }

    static bool ConnectWithTimeout(SOCKET s, const sockaddr* address, int length, int& error) {
        u_long nonBlocking = 1;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        if (connect(s, address, length) == SOCKET_ERROR) {
            error = WSAGetLastError();
            if (error != WSAEWOULDBLOCK) {
                return false;
            }
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(s, &writable);
            FD_SET(s, &failed);
            timeval wait{static_cast<long>(kTimeoutMs / 1000), 0};
            const int n = select(0, nullptr, &writable, &failed, &wait);
            if (n <= 0) {
                error = n == 0 ? WSAETIMEDOUT : WSAGetLastError();
                return false;
            }
            int soError = 0;
            int len = sizeof soError;
            getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len);
            if (FD_ISSET(s, &failed) || soError != 0) {
                error = soError != 0 ? soError : WSAECONNREFUSED;
                return false;
            }
        }
        u_long blocking = 0;
        ioctlsocket(s, FIONBIO, &blocking);
        return true;
    }

    std::wstring target; // the name the certificate must hold
    bool Negotiate(bool first, std::wstring& error);
    bool Handshake(const std::wstring& host, std::wstring& error);
    bool VerifyPeer(const std::wstring& host, std::wstring& error);
    bool Decrypt(std::wstring& error);
};

// Runs handshake messages until the context is complete: from the start, or when the server sends
// more of them later (TLS 1.3 session tickets, renegotiation).
bool TlsStream::Impl::Negotiate(bool first, std::wstring& error) {
    DWORD attributes = 0;
    TimeStamp expiry{};
    SECURITY_STATUS status = SEC_E_OK;
    for (;;) {
        SecBuffer in[2] = {{static_cast<unsigned long>(pending.size()), SECBUFFER_TOKEN, pending.data()},
                           {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
        ContextBuffer token;
        SecBufferDesc outDesc{SECBUFFER_VERSION, 1, token.Get()};
        status = InitializeSecurityContextW(credentials.Get(), first ? nullptr : context.Get(), target.data(),
                                            kContextFlags, 0, 0, first ? nullptr : &inDesc, 0,
                                            first ? context.Out() : nullptr, &outDesc, &attributes, &expiry);
        if (first && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED ||
                      status == SEC_E_INCOMPLETE_MESSAGE || status == SEC_I_INCOMPLETE_CREDENTIALS)) {
            context.SetValid();
        }
        const bool hadInput = !first;
        first = false;
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            if (!ReceiveMore(error)) {
                return false;
            }
            continue;
        }
        if (token.Get()->cbBuffer > 0 && token.Get()->pvBuffer &&
            !SendRaw(static_cast<const char*>(token.Get()->pvBuffer), token.Get()->cbBuffer, error)) {
            return false;
        }
        if (FAILED(status)) {
            error = L"TLS handshake with " + target + L" failed (SChannel " + Hex(status) + L")";
            return false;
        }
        // Bytes after the handshake message stay for the next round or for the data.
        if (hadInput && in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0 &&
            in[1].cbBuffer <= pending.size()) {
            pending.erase(0, pending.size() - in[1].cbBuffer);
        } else if (hadInput) {
            pending.clear();
        }
        if (status == SEC_E_OK) {
            break;
        }
        if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
            error = L"the server " + target + L" asks for a client certificate";
            return false;
        }
        if (status == SEC_I_CONTINUE_NEEDED && pending.empty() && !ReceiveMore(error)) {
            return false;
        }
    }
    return true;
}

bool TlsStream::Impl::Handshake(const std::wstring& host, std::wstring& error) {
    // The platform validates the chain and the name: no manual validation flag.
    SCHANNEL_CRED cred{};
    cred.dwVersion = SCHANNEL_CRED_VERSION;
    cred.dwFlags = SCH_CRED_AUTO_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    TimeStamp expiry{};
    SECURITY_STATUS status =
        AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr,
                                  &cred, nullptr, nullptr, credentials.Fill(), &expiry);
    if (status != SEC_E_OK) {
        error = L"TLS credentials unavailable (SChannel " + Hex(status) + L")";
        return false;
    }
    credentials.SetValid();

    target = host;
    if (!Negotiate(true, error)) {
        return false;
    }
    status = QueryContextAttributesW(context.Get(), SECPKG_ATTR_STREAM_SIZES, &sizes);
    if (status != SEC_E_OK) {
        error = L"TLS stream sizes unavailable (SChannel " + Hex(status) + L")";
        return false;
    }
    return VerifyPeer(host, error);
}

// Windows' SChannel has refused a bad certificate already; Wine's completes the handshake with any.
// The platform's own chain and name check here makes both refuse it.
bool TlsStream::Impl::VerifyPeer(const std::wstring& host, std::wstring& error) {
    CertContext cert;
    SECURITY_STATUS status =
        QueryContextAttributesW(context.Get(), SECPKG_ATTR_REMOTE_CERT_CONTEXT, cert.Out());
    if (status != SEC_E_OK || !cert.Get()) {
        error = L"the server sent no certificate (SChannel " + Hex(status) + L")";
        return false;
    }
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof chainPara;
    CertChain chain;
    if (!CertGetCertificateChain(nullptr, cert.Get(), nullptr, cert.Get()->hCertStore, &chainPara, 0, nullptr,
                                 chain.Out())) {
        error = L"the server certificate cannot be checked (" + Hex(static_cast<long>(GetLastError())) + L")";
        return false;
    }
    std::wstring name = host;
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = name.data();
    CERT_CHAIN_POLICY_PARA policyPara{};
    policyPara.cbSize = sizeof policyPara;
    policyPara.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS policyStatus{};
    policyStatus.cbSize = sizeof policyStatus;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.Get(), &policyPara, &policyStatus)) {
        error = L"the server certificate cannot be checked (" + Hex(static_cast<long>(GetLastError())) + L")";
        return false;
    }
    if (policyStatus.dwError != 0) {
        error = L"the server certificate of " + host + L" is not trusted (certificate error " +
                Hex(static_cast<long>(policyStatus.dwError)) + L")";
        return false;
    }
    return true;
}

// Decrypts whole records from pending into plain; reads more from the network when none is whole.
bool TlsStream::Impl::Decrypt(std::wstring& error) {
    for (;;) {
        if (!pending.empty()) {
            SecBuffer buffers[4] = {
                {static_cast<unsigned long>(pending.size()), SECBUFFER_DATA, pending.data()},
                {0, SECBUFFER_EMPTY, nullptr},
                {0, SECBUFFER_EMPTY, nullptr},
                {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
            const SECURITY_STATUS status = DecryptMessage(context.Get(), &desc, 0, nullptr);
            if (status == SEC_E_OK || status == SEC_I_RENEGOTIATE) {
                std::string extra;
                bool gotData = false;
                for (const SecBuffer& b : buffers) {
                    if (b.BufferType == SECBUFFER_DATA && b.cbBuffer > 0) {
                        plain.append(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
                        gotData = true;
                    } else if (b.BufferType == SECBUFFER_EXTRA && b.cbBuffer > 0) {
                        extra.assign(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
                    }
                }
                pending = std::move(extra);
                if (status == SEC_I_RENEGOTIATE && !Negotiate(false, error)) {
                    return false;
                }
                if (gotData) {
                    return true;
                }
                continue; // a record without data, such as a session ticket
            }
            if (status == SEC_I_CONTEXT_EXPIRED) {
                error = L"the server closed the TLS session";
                return false;
            }
            if (status != SEC_E_INCOMPLETE_MESSAGE) {
                error = L"TLS decryption failed (SChannel " + Hex(status) + L")";
                return false;
            }
        }
        if (!ReceiveMore(error)) {
            return false;
        }
    }
}

TlsStream::TlsStream() : impl_(std::make_unique<Impl>()) {}

TlsStream::~TlsStream() {
    Close();
}

bool TlsStream::Connect(const std::wstring& host, int port) {
    Close();
    error_.clear();
    impl_ = std::make_unique<Impl>();
    if (!impl_->winsock.Ok()) {
        error_ = L"Winsock is unavailable";
        return false;
    }
    if (host.empty()) {
        error_ = L"no server name";
        return false;
    }
    if (!impl_->ConnectSocket(host, port, error_) || !impl_->Handshake(host, error_)) {
        impl_->socket.Reset();
        return false;
    }
    impl_->open = true;
    return true;
}

bool TlsStream::IsOpen() const {
    return impl_ && impl_->open;
}

bool TlsStream::Send(std::string_view data) {
    if (!IsOpen()) {
        error_ = L"not connected";
        return false;
    }
    Impl& s = *impl_;
    const size_t chunk = s.sizes.cbMaximumMessage;
    std::vector<char> record(s.sizes.cbHeader + chunk + s.sizes.cbTrailer);
    while (!data.empty()) {
        const size_t n = std::min(chunk, data.size());
        std::memcpy(record.data() + s.sizes.cbHeader, data.data(), n);
        SecBuffer buffers[4] = {
            {s.sizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
            {static_cast<unsigned long>(n), SECBUFFER_DATA, record.data() + s.sizes.cbHeader},
            {s.sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + s.sizes.cbHeader + n},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = EncryptMessage(s.context.Get(), 0, &desc, 0);
        if (status != SEC_E_OK) {
            error_ = L"TLS encryption failed (SChannel " + Hex(status) + L")";
            s.open = false;
            return false;
        }
        if (!s.SendRaw(record.data(), buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer,
                       error_)) {
            s.open = false;
            return false;
        }
        data.remove_prefix(n);
    }
    return true;
}

bool TlsStream::ReadLine(std::string& line) {
    if (!IsOpen()) {
        error_ = L"not connected";
        return false;
    }
    Impl& s = *impl_;
    size_t searched = 0;
    for (;;) {
        const size_t nl = s.plain.find('\n', searched);
        if (nl != std::string::npos) {
            size_t end = nl;
            if (end > 0 && s.plain[end - 1] == '\r') {
                --end;
            }
            line.assign(s.plain, 0, end);
            s.plain.erase(0, nl + 1);
            return true;
        }
        searched = s.plain.size();
        if (s.plain.size() > kMaxLineBytes) {
            error_ = L"the server sent an overlong line";
            s.open = false;
            return false;
        }
        if (!s.Decrypt(error_)) {
            s.open = false;
            return false;
        }
    }
}

void TlsStream::Close() {
    if (!impl_) {
        return;
    }
    Impl& s = *impl_;
    if (s.open && s.context.Valid()) {
        DWORD type = SCHANNEL_SHUTDOWN;
        SecBuffer in{sizeof type, SECBUFFER_TOKEN, &type};
        SecBufferDesc inDesc{SECBUFFER_VERSION, 1, &in};
        if (ApplyControlToken(s.context.Get(), &inDesc) == SEC_E_OK) {
            ContextBuffer token;
            SecBufferDesc outDesc{SECBUFFER_VERSION, 1, token.Get()};
            DWORD attributes = 0;
            TimeStamp expiry{};
            const SECURITY_STATUS status =
                InitializeSecurityContextW(s.credentials.Get(), s.context.Get(), nullptr, kContextFlags, 0, 0,
                                           nullptr, 0, nullptr, &outDesc, &attributes, &expiry);
            if (!FAILED(status) && token.Get()->cbBuffer > 0 && token.Get()->pvBuffer) {
                std::wstring ignored;
                s.SendRaw(static_cast<const char*>(token.Get()->pvBuffer), token.Get()->cbBuffer, ignored);
            }
        }
    }
    s.open = false;
    s.socket.Reset();
    s.context.Reset();
    s.credentials.Reset();
}

std::string TlsStream::LocalAddressLiteral() const {
    sockaddr_storage address{};
    int length = sizeof address;
    char text[INET6_ADDRSTRLEN] = {};
    if (!impl_ || getsockname(impl_->socket.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return "[127.0.0.1]";
    }
    if (address.ss_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(&address)->sin6_addr, text, sizeof text);
        return std::string("[IPv6:") + text + "]";
    }
    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&address)->sin_addr, text, sizeof text);
    return std::string("[") + text + "]";
}
