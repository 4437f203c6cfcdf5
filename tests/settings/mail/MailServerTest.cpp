// The mail library against the real servers of scripts/mail-servers.sh: Postfix takes the backup
// mail over TLS, Dovecot delivers it and hands it back over POP3.
#include "MailServerSupport.h"
#include "settings/mail/LPop.h"
#include "settings/mail/LSmtp.h"

#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

constexpr unsigned kDeliveryMs = 20000;
// Far below the library's network timeout: a refused connection must not wait for it.
constexpr ULONGLONG kQuickMs = 5000;
// The platform's codes for a certificate that names another host, and for an unknown root: from
// SChannel itself or from the chain policy check.
constexpr const wchar_t* kNameMismatch[] = {L"0x80090322", L"0x800B010F"};
constexpr const wchar_t* kUntrustedRoot[] = {L"0x80090325", L"0x800B0109"};

bool NamesCode(const std::wstring& error, const wchar_t* const (&codes)[2]) {
    return error.find(codes[0]) != std::wstring::npos || error.find(codes[1]) != std::wstring::npos;
}

class MailServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::wstring why;
        ASSERT_TRUE(servers_.Load(why)) << std::string(why.begin(), why.end());
        ASSERT_TRUE(servers_.TrustCa(why)) << std::string(why.begin(), why.end());
    }

    static std::string Narrow(const std::wstring& text) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string out(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
        out.resize(out.empty() ? 0 : out.size() - 1);
        return out;
    }

    static void WriteBytes(const std::wstring& path, const std::string& bytes) {
        std::ofstream(std::filesystem::path(path), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    static std::string ReadBytes(const std::wstring& path) {
        std::ifstream in(std::filesystem::path(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static bool Exists(const std::wstring& path) {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    // Sends as the backup thread does: from and to the account, attachment typed "kivpad/backupdata".
    bool Send(const std::wstring& user, const std::wstring& password, const std::wstring& subject,
              const std::wstring& attachment, const std::wstring& name, std::wstring& error) {
        LSmtp smtp;
        smtp.SetFromSubject(user.c_str(), subject.c_str());
        smtp.AddTo(user.c_str());
        if (!attachment.empty()) {
            smtp.AddAttachment(attachment.c_str(), L"kivpad/backupdata", name.c_str());
        }
        smtp.SetX_Mailer(L"kivpad");
        smtp.SetServerPort(servers_.host.c_str(), servers_.smtpPort);
        smtp.SetAuthData(user.c_str(), password.c_str());
        const bool ok = smtp.SendMail();
        error = smtp.GetLastErrorMsg();
        return ok;
    }

    void LoginPop(LPop& pop, const std::wstring& user, const std::wstring& password) {
        pop.SetServerPort(servers_.host.c_str(), servers_.pop3Port);
        pop.SetAuthData(user.c_str(), password.c_str());
        ASSERT_TRUE(pop.Login()) << Narrow(pop.GetLastErrorMsg());
    }

    static std::string EveryByteValue(size_t repeat) {
        std::string bytes;
        for (size_t r = 0; r < repeat; ++r) {
            for (int b = 0; b < 256; ++b) {
                bytes += static_cast<char>(b);
            }
        }
        return bytes + ".\r\n.\n";
    }

    MailServerSupport servers_;
};

} // namespace

TEST_F(MailServerTest, BackupMailGoesThroughPostfixAndComesBackOverPop3) {
    const std::wstring& user = servers_.user1;
    const size_t before = MailServerSupport::ReadMaildir(servers_.maildir1).size();
    const std::string bytes = EveryByteValue(300); // several TLS records each way
    const std::wstring source = L"备份源.zip";
    WriteBytes(source, bytes);
    const std::wstring subject = L"邮箱备份 " + std::to_wstring(GetTickCount64());

    std::wstring error;
    ASSERT_TRUE(Send(user, servers_.password1, subject, source, L"便签备份.zip", error)) << Narrow(error);
    EXPECT_TRUE(error.empty());

    // What the server stored, read with no help from the library.
    ASSERT_TRUE(MailServerSupport::WaitForMaildir(servers_.maildir1, before + 1, kDeliveryMs));
    std::string stored = MailServerSupport::ReadMaildir(servers_.maildir1).back();
    std::erase(stored, '\r'); // Dovecot stores lines with LF alone
    EXPECT_NE(stored.find("\nX-Mailer: kivpad\n"), std::string::npos) << stored.substr(0, 2000);
    EXPECT_NE(stored.find("\nFrom: alice@velin.test\n"), std::string::npos);
    EXPECT_NE(stored.find("kivpad/backupdata"), std::string::npos);

    LPop pop;
    LoginPop(pop, user, servers_.password1);
    const int count = pop.GetMailCount();
    ASSERT_EQ(count, static_cast<int>(before) + 1);
    const int newest = count - 1;
    EXPECT_NE(std::wstring(pop.GetX_Mailer(newest)).find(L"kivpad"), std::wstring::npos);
    EXPECT_STREQ(pop.GetFrom(newest), L"alice@velin.test");
    EXPECT_EQ(pop.GetSubject(newest), subject);
    EXPECT_NE(std::wstring(pop.GetDate(newest)), L"");

    const std::wstring target = L"kivpad_backupdata.zip";
    ASSERT_TRUE(pop.GetMailAttachment(newest, 0, target.c_str())) << Narrow(pop.GetLastErrorMsg());
    EXPECT_EQ(ReadBytes(target), bytes);
    EXPECT_FALSE(pop.GetMailAttachment(newest, 1, L"second.zip"));
    EXPECT_FALSE(Exists(L"second.zip"));
    EXPECT_FALSE(pop.GetMailAttachment(count, 0, L"beyond.zip"));
    EXPECT_STREQ(pop.GetX_Mailer(count), L"");
}

TEST_F(MailServerTest, MailsAreNumberedOldestFirstAndOneWithoutAttachmentAnswersFalse) {
    const std::wstring& user = servers_.user2;
    const size_t before = MailServerSupport::ReadMaildir(servers_.maildir2).size();
    WriteBytes(L"first.bin", "first attachment");
    WriteBytes(L"third.bin", "third attachment");
    const std::wstring stamp = std::to_wstring(GetTickCount64());
    std::wstring error;
    // One at a time, so that the order of delivery is the order of sending.
    ASSERT_TRUE(Send(user, servers_.password2, L"1-" + stamp, L"first.bin", L"first.zip", error))
        << Narrow(error);
    ASSERT_TRUE(MailServerSupport::WaitForMaildir(servers_.maildir2, before + 1, kDeliveryMs));
    ASSERT_TRUE(Send(user, servers_.password2, L"2-" + stamp, L"", L"", error)) << Narrow(error);
    ASSERT_TRUE(MailServerSupport::WaitForMaildir(servers_.maildir2, before + 2, kDeliveryMs));
    Sleep(1100); // Maildir names order by the second first
    ASSERT_TRUE(Send(user, servers_.password2, L"3-" + stamp, L"third.bin", L"third.zip", error))
        << Narrow(error);
    ASSERT_TRUE(MailServerSupport::WaitForMaildir(servers_.maildir2, before + 3, kDeliveryMs));

    LPop pop;
    LoginPop(pop, user, servers_.password2);
    ASSERT_EQ(pop.GetMailCount(), static_cast<int>(before) + 3);
    const int first = static_cast<int>(before);
    EXPECT_EQ(pop.GetSubject(first), L"1-" + stamp);
    EXPECT_EQ(pop.GetSubject(first + 1), L"2-" + stamp);
    EXPECT_EQ(pop.GetSubject(first + 2), L"3-" + stamp);

    EXPECT_FALSE(pop.GetMailAttachment(first + 1, 0, L"none.zip"));
    EXPECT_FALSE(Exists(L"none.zip"));
    EXPECT_FALSE(Exists(L"none.zip.part"));
    ASSERT_TRUE(pop.GetMailAttachment(first + 2, 0, L"got.zip")) << Narrow(pop.GetLastErrorMsg());
    EXPECT_EQ(ReadBytes(L"got.zip"), "third attachment");
    // An existing file is replaced whole.
    ASSERT_TRUE(pop.GetMailAttachment(first, 0, L"got.zip")) << Narrow(pop.GetLastErrorMsg());
    EXPECT_EQ(ReadBytes(L"got.zip"), "first attachment");
}

TEST_F(MailServerTest, WrongPasswordFailsAndTheErrorNeverHoldsThePassword) {
    const std::wstring wrong = L"Wrong-Secret-7731";
    WriteBytes(L"a.bin", "a");
    std::wstring error;
    EXPECT_FALSE(Send(servers_.user1, wrong, L"never", L"a.bin", L"a.zip", error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find(wrong), std::wstring::npos) << Narrow(error);

    LPop pop;
    pop.SetServerPort(servers_.host.c_str(), servers_.pop3Port);
    pop.SetAuthData(servers_.user1.c_str(), wrong.c_str());
    EXPECT_FALSE(pop.Login());
    EXPECT_EQ(pop.GetMailCount(), -1);
    EXPECT_FALSE(pop.GetLastErrorMsg().empty());
    EXPECT_EQ(pop.GetLastErrorMsg().find(wrong), std::wstring::npos) << Narrow(pop.GetLastErrorMsg());
}

TEST_F(MailServerTest, NoServerAForeignNameOrAnUntrustedCaFailsQuickly) {
    // A port nobody listens on: taken from the system and given back.
    WSADATA data{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    const int closedPort = ntohs(address.sin_port);
    closesocket(s);
    WSACleanup();

    struct Case {
        const wchar_t* what;
        std::wstring host;
        int smtpPort, pop3Port;
        const wchar_t* const (*codes)[2]; // the platform's verdict on the certificate, if it is that
    };
    const Case cases[] = {
        {L"closed port", L"127.0.0.1", closedPort, closedPort, nullptr},
        {L"name not in the certificate", servers_.otherHost, servers_.smtpPort, servers_.pop3Port,
         &kNameMismatch},
        {L"certificate of no trusted CA", servers_.untrustedHost, servers_.smtpPort, servers_.pop3Port,
         &kUntrustedRoot},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.what));
        LPop pop;
        pop.SetServerPort(c.host.c_str(), c.pop3Port);
        pop.SetAuthData(servers_.user1.c_str(), servers_.password1.c_str());
        ULONGLONG start = GetTickCount64();
        EXPECT_FALSE(pop.Login());
        EXPECT_LT(GetTickCount64() - start, kQuickMs);
        EXPECT_EQ(pop.GetMailCount(), -1);
        if (c.codes) {
            EXPECT_TRUE(NamesCode(pop.GetLastErrorMsg(), *c.codes)) << Narrow(pop.GetLastErrorMsg());
        }

        LSmtp smtp;
        smtp.SetFromSubject(servers_.user1.c_str(), L"never");
        smtp.AddTo(servers_.user1.c_str());
        smtp.SetServerPort(c.host.c_str(), c.smtpPort);
        smtp.SetAuthData(servers_.user1.c_str(), servers_.password1.c_str());
        start = GetTickCount64();
        EXPECT_FALSE(smtp.SendMail());
        EXPECT_LT(GetTickCount64() - start, kQuickMs);
        if (c.codes) {
            EXPECT_TRUE(NamesCode(smtp.GetLastErrorMsg(), *c.codes)) << Narrow(smtp.GetLastErrorMsg());
        }
    }
    // The servers of the other protocol answer over trusted TLS but not in the expected dialect.
    LPop pop;
    pop.SetServerPort(servers_.host.c_str(), servers_.smtpPort);
    pop.SetAuthData(servers_.user1.c_str(), servers_.password1.c_str());
    EXPECT_FALSE(pop.Login());
    EXPECT_NE(pop.GetLastErrorMsg().find(L"greeting"), std::wstring::npos) << Narrow(pop.GetLastErrorMsg());
}
