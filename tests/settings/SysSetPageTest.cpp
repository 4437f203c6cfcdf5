// The system settings page: the Run value, the rich text options and pixel limits it writes, the
// mail account it keeps, and the names of mail backups.
#include "tests/settings/BackupCapture.h"
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "app/base/RegKey.h"
#include "app/base/SysConfig.h"
#include "settings/MailBackup.h"
#include "settings/MerlaNewBackUpName.h"
#include "settings/MxMiSysSet.h"
#include "settings/TextCipher.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kValue[] = L"merla_autorun";

std::wstring ExePath() {
    wchar_t buf[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buf, MAX_PATH);
    return buf;
}

// The Run value exactly as stored; "<none>" when missing.
std::wstring RunValue() {
    RegKey key;
    wchar_t buf[MAX_PATH + 8] = {};
    DWORD bytes = sizeof(buf) - sizeof(wchar_t);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRun, 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS ||
        RegQueryValueExW(key.get(), kValue, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &bytes) !=
            ERROR_SUCCESS)
        return L"<none>";
    return buf;
}

void SetRunValue(const std::wstring& text) {
    RegKey key;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRun, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.out(), nullptr),
        ERROR_SUCCESS);
    if (text.empty())
        RegDeleteValueW(key.get(), kValue);
    else
        RegSetValueExW(key.get(), kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::wstring Key(const wchar_t* key) {
    std::wstring v;
    return SysConfig::ReadText(key, v) ? v : L"<none>";
}

struct Page {
    Page() {
        PumpMessages();
        page.BindOptions(&options[0], &options[1], &options[2]);
        EXPECT_TRUE(page.Create(20032, L"系统管理", 0, WS_POPUP, 0, 0, 900, 480, nullptr));
    }
    ~Page() { DestroyWindow(page.GetHandle()); }
    void Press(int command) { SendMessageW(page.GetHandle(), LNotify::kButtonClicked, command, 0); }
    void SetText(MerlaEdit& edit, const std::wstring& text) {
        edit.Clear();
        edit.InsertText(text, 0, 0, false);
    }
    void LeaveImageLimit() {
        SendMessageW(page.GetHandle(), LRichEdit::kNumericRewritten, page.ImageLimitEdit().GetId(), 0);
    }
    int options[3] = {0, 1, 1};
    MxMiSysSet page;
};

} // namespace

TEST(SysSetPage, RunValueIsWrittenQuotedRewrittenForAnotherPathAndTheBoxFollowsTheRegistry) {
    SetRunValue(L"");
    const std::wstring quoted = L"\"" + ExePath() + L"\"";
    {
        Page p;
        EXPECT_FALSE(p.page.AutorunBox().IsChecked());
        p.Press(20019);
        EXPECT_EQ(RunValue(), quoted);
        EXPECT_TRUE(p.page.AutorunBox().IsChecked());
    }
    {
        Page p; // read back quoted: left as it is
        EXPECT_TRUE(p.page.AutorunBox().IsChecked());
        EXPECT_EQ(RunValue(), quoted);
    }
    SetRunValue(L"C:\\Old place\\Velin.exe");
    {
        Page p;
        EXPECT_TRUE(p.page.AutorunBox().IsChecked());
        EXPECT_EQ(RunValue(), quoted);
        p.Press(20019);
        EXPECT_EQ(RunValue(), L"<none>");
        EXPECT_FALSE(p.page.AutorunBox().IsChecked());
    }
    SetRunValue(L"");
}

TEST(SysSetPage, WithoutSysconfigTheDefaultsShowAndEveryChangeIsWrittenAtOnce) {
    ASSERT_EQ(GetFileAttributesW(SysConfigPath().c_str()), INVALID_FILE_ATTRIBUTES);
    Page p;
    EXPECT_FALSE(p.page.OptionBox(20065).IsChecked());
    EXPECT_TRUE(p.page.OptionBox(20066).IsChecked());
    EXPECT_TRUE(p.page.OptionBox(20067).IsChecked());
    EXPECT_EQ(p.page.ImageLimitEdit().GetText(), L"100");

    p.Press(20065);
    p.Press(20066);
    p.Press(20067);
    EXPECT_EQ(p.options[0], 1);
    EXPECT_EQ(p.options[1], 0);
    EXPECT_EQ(p.options[2], 0);
    EXPECT_EQ(Key(L"EditIsDoubleClick"), L"1");
    EXPECT_EQ(Key(L"EditIsAutoChangeLine"), L"0");
    EXPECT_EQ(Key(L"EditIsShowFloatWnd"), L"0");

    p.LeaveImageLimit();
    EXPECT_EQ(Key(L"richedit_image_max_pixel"), L"100");
    EXPECT_EQ(Key(L"richedit_rowicon_max_pixel"), L"18");
}

TEST(SysSetPage, PixelLimitsAreClampedIntoTheirRanges) {
    Page p;
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"5000", L"1024"}, {L"8", L"16"}, {L"abc", L"16"}, {L"640", L"640"}};
    for (const auto& [typed, stored] : cases) {
        p.SetText(p.page.ImageLimitEdit(), typed);
        p.LeaveImageLimit();
        EXPECT_EQ(p.page.ImageLimitEdit().GetText(), stored) << typed;
        EXPECT_EQ(Key(L"richedit_image_max_pixel"), stored) << typed;
    }
    SysConfig::WriteText(L"richedit_rowicon_max_pixel", L"500");
    Page again;
    EXPECT_EQ(again.page.ImageLimitEdit().GetText(), L"640");
    again.LeaveImageLimit();
    EXPECT_EQ(Key(L"richedit_rowicon_max_pixel"), L"128");
}

TEST(SysSetPage, TheAccountIsKeptOnlyWhileRememberIsTicked) {
    SysConfig::WriteInt(L"bsavenamecheck", 1);
    SysConfig::WriteText(L"mailname", L"me@example.org");
    SysConfig::WriteText(L"mailpwd", EncryptText(L"p@ss"));
    Page p;
    EXPECT_TRUE(p.page.RememberBox().IsChecked());
    EXPECT_EQ(p.page.AccountEdit().GetText(), L"me@example.org");
    EXPECT_EQ(p.page.PasswordEdit().GetText(), L"p@ss");

    p.Press(20058);
    EXPECT_EQ(Key(L"bsavenamecheck"), L"0");
    EXPECT_EQ(Key(L"mailname"), L"<none>");
    EXPECT_EQ(Key(L"mailpwd"), L"<none>");

    p.SetText(p.page.PasswordEdit(), L"secret");
    p.Press(20058);
    EXPECT_EQ(Key(L"bsavenamecheck"), L"1");
    EXPECT_EQ(Key(L"mailname"), L"me@example.org");
    EXPECT_EQ(DecryptText(Key(L"mailpwd")), L"secret");
    EXPECT_NE(Key(L"mailpwd"), L"secret");
}

TEST(MailBackupNames, ArchiveNameSubjectAndServers) {
    EXPECT_EQ(BackupArchiveName(L"周报"), L"周报.zip");
    EXPECT_EQ(BackupArchiveName(L"a.ZIP"), L"a.ZIP");
    EXPECT_EQ(BackupArchiveName(L".zip"), L".zip.zip");
    EXPECT_EQ(BackupArchiveName(L"abzip"), L"abzip.zip");

    const MailSendRequest r = MakeMailSendRequest(L"me@mail.example.org", L"pw", L"周报", {});
    EXPECT_EQ(r.subject, L"周报");
    EXPECT_EQ(r.attachment_name, L"周报.zip");
    EXPECT_EQ(r.attachment_path, BackupDir() + L"周报.zip");
    EXPECT_EQ(r.server, L"smtp.mail.example.org");
    EXPECT_EQ(r.port, 0);
    EXPECT_EQ(MakeMailReceiveRequest(L"me@a@b", L"pw", L"F\\", {}).server, L"pop.a@b");
    EXPECT_EQ(MakeMailReceiveRequest(L"nobody", L"pw", L"F\\", {}).server, L"");

    MailServerSettings servers;
    servers.smtp_server = L"127.0.0.1";
    servers.smtp_port = 2465;
    ASSERT_TRUE(WriteMailServerSettings(servers));
    const MailSendRequest o =
        MakeMailSendRequest(L"me@example.org", L"pw", L"x.zip", ReadMailServerSettings());
    EXPECT_EQ(o.server, L"127.0.0.1");
    EXPECT_EQ(o.port, 2465);
    EXPECT_EQ(o.attachment_name, L"x.zip");
    EXPECT_EQ(MakeMailReceiveRequest(L"me@example.org", L"pw", L"F\\", ReadMailServerSettings()).server,
              L"pop.example.org");
}

TEST(MailBackupNames, TheNameDialogRefusesTakenAndIllegalNames) {
    BackupCapture boxes;
    CreateDirectoryW((BackupDir() + L"taken.zip").c_str(), nullptr);
    auto offer = [&](const std::wstring& typed) {
        MerlaNewBackUpName dialog;
        dialog.Edit().InsertText(typed, 0, 0, false);
        boxes.asked.clear();
        dialog.OnOk();
        return boxes.asked.empty() ? L"accepted " + dialog.GetEnteredName() : boxes.asked.back();
    };
    EXPECT_EQ(offer(L"  taken "), L"存在相同的文件或者文件夹！");
    EXPECT_EQ(offer(L"a<b"), L"文件命名不合法！");
    EXPECT_EQ(offer(L"  周报 "), L"accepted 周报");
    EXPECT_EQ(GetFileAttributesW((BackupDir() + L"周报.zip").c_str()), INVALID_FILE_ATTRIBUTES);
}
