#pragma once
// A TCP connection that speaks TLS from its first byte, through Winsock and the platform's SChannel,
// which checks the server's certificate chain and name. Lines in, bytes out; every wait is bounded.
#include <memory>
#include <string>
#include <string_view>

class TlsStream {
public:
    // No single wait on the network lasts longer, so a dead server never holds a thread.
    static constexpr unsigned kTimeoutMs = 30000;
    // A longer line from the server is refused rather than buffered.
    static constexpr size_t kMaxLineBytes = 1024 * 1024;

    TlsStream();
    ~TlsStream();
    TlsStream(const TlsStream&) = delete;
    TlsStream& operator=(const TlsStream&) = delete;

    // Resolves host, connects and completes the handshake with host as the name the certificate
    // must carry. On failure the text says why (with the SChannel code where there is one).
    bool Connect(const std::wstring& host, int port);
    bool Send(std::string_view data);
    // One line without its CR LF.
    bool ReadLine(std::string& line);
    // Sends the TLS close notification and closes the socket.
    void Close();
    bool IsOpen() const;
    // "[a.b.c.d]" of this end of the connection, for greetings.
    std::string LocalAddressLiteral() const;
    const std::wstring& Error() const { return error_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::wstring error_;
};
