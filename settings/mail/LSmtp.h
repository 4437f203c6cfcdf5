#pragma once
// Sends one mail with one attachment through an SMTP submission server, over TLS from the first
// byte with the server's certificate checked by the platform. The password is never sent in clear
// and never written to a log.
#include <string>
#include <vector>

class LSmtp {
public:
    LSmtp();
    virtual ~LSmtp();
    LSmtp(const LSmtp&) = delete;
    LSmtp& operator=(const LSmtp&) = delete;

    void SetFromSubject(const wchar_t* from, const wchar_t* subject);
    void AddTo(const wchar_t* to);
    // The file is read when the mail is sent; type is its MIME type, name its file name in the mail.
    void AddAttachment(const wchar_t* path, const wchar_t* type, const wchar_t* name);
    // Sent as the mail's "X-Mailer" field.
    void SetX_Mailer(const wchar_t* mailer);
    // Port 0 is the secure default, 465.
    void SetServerPort(const wchar_t* server, int port);
    void SetAuthData(const wchar_t* user, const wchar_t* password);
    // True when the server accepted the mail.
    bool SendMail();
    // Why the last call failed; empty after a success.
    const wchar_t* GetLastErrorMsg() const;

private:
    struct Attachment {
        std::wstring path, type, name;
    };
    std::wstring from_, subject_, mailer_, server_, user_, password_, error_;
    std::vector<std::wstring> to_;
    std::vector<Attachment> attachments_;
    int port_ = 0;
};
