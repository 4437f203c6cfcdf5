#pragma once
// Reads a POP3 mail box over TLS from the first byte, with the server's certificate checked by the
// platform. Mails are numbered 0 to count - 1, oldest first. Nothing is deleted on the server.
#include <cstdint>
#include <memory>
#include <string>

class MimeReader;

class LPop {
public:
    // A mail larger than this is never fetched.
    static constexpr uint64_t kMaxMailBytes = 100ull * 1024 * 1024;

    LPop();
    virtual ~LPop();
    LPop(const LPop&) = delete;
    LPop& operator=(const LPop&) = delete;

    // Port 0 is the secure default, 995.
    void SetServerPort(const wchar_t* server, int port);
    void SetAuthData(const wchar_t* user, const wchar_t* password);
    bool Login();
    // -1 when not logged in or the server failed.
    int GetMailCount();
    // Header fields of mail n, decoded; empty when the mail or the field is missing. The pointers
    // stay valid until the next call on this object.
    const wchar_t* GetX_Mailer(int mail);
    const wchar_t* GetFrom(int mail); // the bare address of the sender
    const wchar_t* GetSubject(int mail);
    const wchar_t* GetDate(int mail); // as the mail carries it
    // Saves attachment number attachment of mail n to path; false when there is none, the mail is
    // larger than kMaxMailBytes, or the file cannot be written (no partial file is left).
    bool GetMailAttachment(int mail, int attachment, const wchar_t* path);
    std::wstring GetLastErrorMsg() const;

private:
    struct Session;
    // Header fields of mail n, fetched once; null when there is no such mail.
    const MimeReader* Headers(int mail);

    std::unique_ptr<Session> session_;
    std::wstring server_, user_, password_, error_, field_;
    int port_ = 0;
};
