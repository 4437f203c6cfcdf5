// Backup to and restore from a mail box through the settings page, against the private Postfix and
// Dovecot of scripts/mail-servers.sh. Boxes are answered by the hook as the GUI thread gets them.
#include "tests/settings/BackupCapture.h"
#include "tests/settings/BackupTestSupport.h"
#include "tests/toolkit/ToolkitTestSupport.h"

#include "MailServerSupport.h"
#include "app/base/SysConfig.h"
#include "settings/LocalBackup.h"
#include "settings/MailBackup.h"
#include "settings/MerlaNewBackUpName.h"
#include "settings/MxMiSysSet.h"
#include "settings/mail/LPop.h"
#include "settings/mail/LSmtp.h"

#include <gtest/gtest.h>

namespace {

constexpr DWORD kThreadMs = 60000;
constexpr unsigned kDeliveryMs = 20000;
const wchar_t kChoiceHead[] = L"选择重复的数据的处理方式...";

std::string Narrow(const std::wstring& w) {
    return std::string(w.begin(), w.end());
}

class MailBackupTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::wstring why;
        ASSERT_TRUE(servers_.Load(why)) << Narrow(why);
        ASSERT_TRUE(servers_.TrustCa(why)) << Narrow(why);
        MailServerSettings s;
        s.smtp_server = s.pop_server = servers_.host;
        s.smtp_port = servers_.smtpPort;
        s.pop_port = servers_.pop3Port;
        ASSERT_TRUE(WriteMailServerSettings(s));
        PumpMessages();
        ASSERT_TRUE(page_.Create(20032, L"系统管理", 0, WS_POPUP, 0, 0, 900, 480, nullptr));
    }
    void TearDown() override {
        WaitForMailThreads(kThreadMs);
        DestroyWindow(page_.GetHandle());
    }

    void SetAccount(const std::wstring& account, const std::wstring& password) {
        for (auto [edit, text] :
             {std::pair{&page_.AccountEdit(), account}, {&page_.PasswordEdit(), password}}) {
            edit->Clear();
            edit->InsertText(text, 0, 0, false);
        }
    }

    bool Send(const std::wstring& from, const std::wstring& password, const std::wstring& to,
              const std::wstring& subject, const std::wstring& attachment) {
        LSmtp smtp;
        smtp.SetFromSubject(from.c_str(), subject.c_str());
        smtp.AddTo(to.c_str());
        if (!attachment.empty())
            smtp.AddAttachment(attachment.c_str(), kBackupMimeType, L"b.zip");
        smtp.SetX_Mailer(kMailerName);
        smtp.SetServerPort(servers_.host.c_str(), servers_.smtpPort);
        smtp.SetAuthData(from.c_str(), password.c_str());
        return smtp.SendMail();
    }

    MailServerSupport servers_;
    MxMiSysSet page_;
};

// Names the backup in the name dialog as soon as the page opens it.
void CALLBACK NameTheBackup(HWND, UINT, UINT_PTR timer, DWORD) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM timer) {
            auto* d = dynamic_cast<MerlaNewBackUpName*>(LWnd::FromHandle(hwnd));
            if (!d || !IsWindowVisible(hwnd))
                return TRUE;
            KillTimer(nullptr, static_cast<UINT_PTR>(timer));
            d->Edit().InsertText(L"weekly", 0, 0, false);
            d->OnOk();
            return FALSE;
        },
        static_cast<LPARAM>(timer));
}

} // namespace

TEST_F(MailBackupTest, BackupIsMailedToTheAccountWithTheArchiveAndOurMailer) {
    MakeData();
    SetAccount(servers_.user1, servers_.password1);
    const size_t before = MailServerSupport::ReadMaildir(servers_.maildir1).size();
    BackupCapture boxes;
    SetTimer(nullptr, 0, 50, NameTheBackup);
    page_.BackupToMail();
    WaitForMailThreads(kThreadMs);
    EXPECT_FALSE(IsMailSendRunning());
    EXPECT_EQ(boxes.asked,
              (std::vector<std::wstring>{L"正在后台备份数据到邮箱，您可以进行其他操作！", L"备份成功！"}));
    EXPECT_EQ(GetFileAttributesW((BackupDir() + L"weekly.zip").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the archive is removed once sent";
    ASSERT_TRUE(MailServerSupport::WaitForMaildir(servers_.maildir1, before + 1, kDeliveryMs));
    const std::string mail = MailServerSupport::ReadMaildir(servers_.maildir1).back();
    EXPECT_NE(mail.find("X-Mailer: kivpad"), std::string::npos);
    EXPECT_NE(mail.find("weekly.zip"), std::string::npos);
    LPop pop;
    pop.SetServerPort(servers_.host.c_str(), servers_.pop3Port);
    pop.SetAuthData(servers_.user1.c_str(), servers_.password1.c_str());
    ASSERT_TRUE(pop.Login());
    const int count = pop.GetMailCount();
    ASSERT_GT(count, 0);
    EXPECT_STREQ(pop.GetSubject(count - 1), L"weekly") << "the subject is the name as typed";
}

TEST_F(MailBackupTest, RestoreTakesTheNewestOwnBackupAskingOnceAboutAMailWithoutArchive) {
    MakeData();
    {
        BackupCapture quiet;
        ASSERT_TRUE(BackupToLocalPath(nullptr, ExeDir() + L"own.zip"));
    }
    // Oldest first: our backup, a stranger's mail that looks like one, our mail without an archive.
    const size_t before = MailServerSupport::ReadMaildir(servers_.maildir1).size();
    ASSERT_TRUE(
        Send(servers_.user1, servers_.password1, servers_.user1, L"alice-backup", ExeDir() + L"own.zip"));
    ASSERT_TRUE(MailServerSupport::WaitForMaildir(servers_.maildir1, before + 1, kDeliveryMs));
    ASSERT_TRUE(Send(servers_.user2, servers_.password2, servers_.user1, L"stranger", ExeDir() + L"own.zip"));
    ASSERT_TRUE(MailServerSupport::WaitForMaildir(servers_.maildir1, before + 2, kDeliveryMs));
    ASSERT_TRUE(Send(servers_.user1, servers_.password1, servers_.user1, L"empty", L""));
    ASSERT_TRUE(MailServerSupport::WaitForMaildir(servers_.maildir1, before + 3, kDeliveryMs));

    StandInMain main;
    std::vector<std::wstring> asked;
    const BackupTellHook previous = SetBackupTellHook([&](HWND, const std::wstring& m, int) {
        asked.push_back(m);
        if (m.rfind(kChoiceHead, 0) == 0)
            return static_cast<int>(kMbSkip);
        return static_cast<int>(m == L"获得备份数据错误,是否继续获得更早的备份数据？" ? kMbYes : kMbOk);
    });
    SetAccount(L"  " + servers_.user1, servers_.password1);
    const std::set<std::wstring> folders = ExeFolders();
    page_.RestoreFromMail();
    WaitForMailThreads(kThreadMs);
    SetBackupTellHook(previous);

    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[0], L"正在后台获取邮箱数据，您可以进行其他操作！");
    EXPECT_EQ(asked[1], L"获得备份数据错误,是否继续获得更早的备份数据？");
    const size_t line = asked[2].rfind(L"\n邮件：");
    ASSERT_NE(line, std::wstring::npos);
    EXPECT_EQ(asked[2].substr(line, 18), L"\n邮件：alice-backup  ") << "the stranger's mail is skipped";
    EXPECT_GT(asked[2].size(), line + 18) << "the date follows the subject";
    EXPECT_EQ(asked[3], L"获取邮箱数据完毕！");
    ASSERT_EQ(main.requests.size(), 1u);
    EXPECT_FALSE(main.requests[0].replace);
    EXPECT_EQ(main.contents[0], TreeOf(DataDir()));
    EXPECT_EQ(ExeFolders(), folders) << "the download folder is removed";
}

TEST_F(MailBackupTest, AWrongPasswordIsToldAndLoggedWithoutThePasswordAndOneReceiverRunsAtATime) {
    SetAccount(servers_.user1, L"Wrong-pw-123");
    BackupCapture boxes;
    page_.RestoreFromMail();
    // The worker cannot end before this thread takes its box: it still runs.
    page_.RestoreFromMail();
    WaitForMailThreads(kThreadMs);
    EXPECT_EQ(boxes.asked,
              (std::vector<std::wstring>{
                  L"正在后台获取邮箱数据，您可以进行其他操作！", L"正在后台获取邮箱数据，请稍等！",
                  L"从邮箱获取数据过程错误，请检查账户密码是否正确或者是否开启了 smtp 和 pop3 服务！"}));
    const std::string log = ReadAll(ExeDir() + L"kivpad_log.txt");
    EXPECT_FALSE(log.empty());
    EXPECT_EQ(log.find("Wrong-pw-123"), std::string::npos);
}

TEST_F(MailBackupTest, ADamagedArchiveInTheNewestBackupIsToldAndNeverReportedDone) {
    MakeData();
    const std::set<std::wstring> folders = ExeFolders();
    WriteAll(ExeDir() + L"junk.bin", "PK\x03\x04 not really an archive");
    const size_t before = MailServerSupport::ReadMaildir(servers_.maildir1).size();
    ASSERT_TRUE(Send(servers_.user1, servers_.password1, servers_.user1, L"damaged", ExeDir() + L"junk.bin"));
    ASSERT_TRUE(MailServerSupport::WaitForMaildir(servers_.maildir1, before + 1, kDeliveryMs));
    StandInMain main;
    const Tree data = TreeOf(DataDir());
    SetAccount(servers_.user1, servers_.password1);
    BackupCapture boxes;
    page_.RestoreFromMail();
    WaitForMailThreads(kThreadMs);
    EXPECT_EQ(boxes.asked, (std::vector<std::wstring>{L"正在后台获取邮箱数据，您可以进行其他操作！",
                                                      L"备份文件已损坏或无法读取，没有还原任何数据！"}));
    EXPECT_TRUE(main.requests.empty());
    EXPECT_EQ(TreeOf(DataDir()), data);
    EXPECT_EQ(ExeFolders(), folders);
}
