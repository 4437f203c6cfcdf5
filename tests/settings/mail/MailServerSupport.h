#pragma once
// The test mail servers that scripts/mail-servers.sh runs on 127.0.0.1 (Postfix for submission,
// Dovecot for POP3): their ports, accounts and test CA, read from the state folder named by the
// environment variable VELIN_MAIL_STATE (Linux or Windows form). Tests that use them carry the
// ctest fixture velin_mail_servers and the resource lock velin_mail.
#include <string>
#include <vector>

class MailServerSupport {
public:
    std::wstring host;          // a name the server certificate holds
    std::wstring otherHost;     // reaches the same servers under a name the certificate does not hold
    std::wstring untrustedHost; // reaches them showing a certificate that no trusted CA signed
    std::wstring domain;
    std::wstring user1, password1, user2, password2;
    int smtpPort = 0;
    int pop3Port = 0;
    std::wstring caPath;   // PEM of the test CA
    std::wstring maildir1; // where the servers deliver the mail of user1 and user2
    std::wstring maildir2;

    // Reads "servers.txt" of the state folder; false with the reason when the servers are not up.
    bool Load(std::wstring& why);
    // Makes the test CA a trusted root of this Wine prefix (machine Root store); idempotent.
    bool TrustCa(std::wstring& why) const;

    // The delivered mails of a Maildir, raw, oldest first.
    static std::vector<std::string> ReadMaildir(const std::wstring& maildir);
    // Waits until the Maildir holds at least count mails; false after timeoutMs.
    static bool WaitForMaildir(const std::wstring& maildir, size_t count, unsigned timeoutMs);
    // "/a/b" -> "Z:\a\b"; a Windows path stays as it is.
    static std::wstring WindowsPath(const std::wstring& path);
};
