#include "settings/MailBackup.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "app/base/Log.h"
#include "app/base/SysConfig.h"
#include "app/base/UniqueStamp.h"
#include "settings/BackupTell.h"
#include "settings/MerlaNewBackUpName.h"
#include "settings/mail/LPop.h"
#include "settings/mail/LSmtp.h"
#include "toolkit/LWnd.h"
#include "toolkit/LWndMoveResize.h"

#include <atomic>
#include <memory>

namespace {

constexpr int kManagerId = 20001;
constexpr int kDownloadTag = 78;
constexpr int kDownloadRetries = 5;
constexpr DWORD kDownloadRetryMs = 1000;
constexpr DWORD kWaitSliceMs = 20;
constexpr UINT kHostAsk = WM_APP + 1;     // lParam: AskCall*
constexpr UINT kHostRestore = WM_APP + 2; // lParam: RestoreCall*
constexpr wchar_t kHostClass[] = L"VelinMailHost";

constexpr wchar_t kSendDone[] = L"备份成功！";
constexpr wchar_t kSendLog[] = L"上传邮箱错误 message：";
constexpr wchar_t kSendFailed[] =
    L"备份到邮箱过程出现错误，请检查账户密码是否正确或者是否开启了 smtp 和 pop3 服务 ！";
constexpr wchar_t kReceiveLog[] = L"从邮箱接受数据错误 message：";
constexpr wchar_t kReceiveFailed[] =
    L"从邮箱获取数据过程错误，请检查账户密码是否正确或者是否开启了 smtp 和 pop3 服务！";
constexpr wchar_t kReceiveDone[] = L"获取邮箱数据完毕！";
constexpr wchar_t kAskOlder[] = L"获得备份数据错误,是否继续获得更早的备份数据？";
constexpr wchar_t kNoBackup[] = L"无法从邮箱中获得备份数据，请检查邮箱里是否存在备份数据！";
constexpr wchar_t kMailLine[] = L"邮件：";
constexpr wchar_t kMailLineGap[] = L"  ";

struct AskCall {
    const std::wstring& text;
    int flags;
    int width;
    int result = 0;
};

struct RestoreCall {
    const std::wstring& archive;
    const std::wstring& extra_line;
    RestoreResult result = RestoreResult::kFailed;
};

std::atomic<HWND> g_host{nullptr};
std::atomic<HANDLE> g_send_thread{nullptr};
std::atomic<HANDLE> g_receive_thread{nullptr};

// The manager while it is open, else the main window.
HWND BoxOwner() {
    const HWND manager = LWnd::HandleFromId(kManagerId);
    return manager ? manager : LWnd::HandleFromId(LWndMoveResize::kMainWindowId);
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == kHostAsk) {
        auto* call = reinterpret_cast<AskCall*>(lp);
        call->result = AskBackup(BoxOwner(), call->text, call->flags, call->width);
        return 0;
    }
    if (message == kHostRestore) {
        auto* call = reinterpret_cast<RestoreCall*>(lp);
        call->result = RestoreFromArchive(BoxOwner(), call->archive, call->extra_line);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wp, lp);
}

// From a worker: the GUI thread shows the box; answers its button (0 without the host window).
int AskOnGui(const std::wstring& text, int flags, int width = kBackupBoxWidth) {
    AskCall call{text, flags, width};
    if (const HWND host = g_host.load())
        SendMessageW(host, kHostAsk, 0, reinterpret_cast<LPARAM>(&call));
    return call.result;
}

RestoreResult RestoreOnGui(const std::wstring& archive, const std::wstring& extra_line) {
    RestoreCall call{archive, extra_line};
    if (const HWND host = g_host.load())
        SendMessageW(host, kHostRestore, 0, reinterpret_cast<LPARAM>(&call));
    return call.result;
}

// A running thread's own handle: closed and cleared as the thread's last step.
class ThreadSlotRelease {
public:
    explicit ThreadSlotRelease(std::atomic<HANDLE>& slot) : slot_(slot) {}
    ~ThreadSlotRelease() {
        if (const HANDLE h = slot_.exchange(nullptr))
            CloseHandle(h);
    }
    ThreadSlotRelease(const ThreadSlotRelease&) = delete;
    ThreadSlotRelease& operator=(const ThreadSlotRelease&) = delete;

private:
    std::atomic<HANDLE>& slot_;
};

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

DWORD WINAPI SendProc(void* param) {
    ThreadSlotRelease release(g_send_thread);
    const std::unique_ptr<MailSendRequest> request(static_cast<MailSendRequest*>(param));
    LSmtp smtp;
    smtp.SetFromSubject(request->account.c_str(), request->subject.c_str());
    smtp.AddTo(request->account.c_str());
    smtp.AddAttachment(request->attachment_path.c_str(), kBackupMimeType, request->attachment_name.c_str());
    smtp.SetX_Mailer(kMailerName);
    smtp.SetServerPort(request->server.c_str(), request->port);
    smtp.SetAuthData(request->account.c_str(), request->password.c_str());
    if (smtp.SendMail()) {
        AskOnGui(kSendDone, kMbOk);
    } else {
        WriteLog(std::wstring(kSendLog) + smtp.GetLastErrorMsg());
        AskOnGui(kSendFailed, kMbOk, kBackupWideBoxWidth);
    }
    DeleteFileW(request->attachment_path.c_str());
    return 0;
}

// The newest backup mail of the account that yields an archive, restored; asks before trying older ones.
void ReceiveBackup(LPop& pop, const MailReceiveRequest& request) {
    const int count = pop.GetMailCount();
    if (count == -1) {
        WriteLog(kReceiveLog + pop.GetLastErrorMsg());
        AskOnGui(kReceiveFailed, kMbOk, kBackupWideBoxWidth);
        return;
    }
    const std::wstring archive = request.download_folder + kDownloadedArchive;
    for (int mail = count - 1; mail >= 0; --mail) {
        // Only our own backups: another sender's mail could carry anything.
        const std::wstring from = pop.GetFrom(mail);
        const std::wstring mailer = pop.GetX_Mailer(mail);
        if (!EqualsNoCase(from, request.account) || mailer.find(kMailerName) == std::wstring::npos)
            continue;
        const std::wstring subject = pop.GetSubject(mail);
        const std::wstring line = kMailLine + subject + kMailLineGap + pop.GetDate(mail);
        if (pop.GetMailAttachment(mail, 0, archive.c_str()) &&
            GetFileAttributesW(archive.c_str()) != INVALID_FILE_ATTRIBUTES) {
            // A failed restore has told why; a cancelled one tells nothing.
            if (RestoreOnGui(archive, line) == RestoreResult::kMerged)
                AskOnGui(kReceiveDone, kMbOk);
            return;
        }
        WriteLog(kAskOlder);
        if (AskOnGui(kAskOlder, kMbYes | kMbNo, kBackupWideBoxWidth) != kMbYes)
            return;
    }
    WriteLog(kNoBackup);
    AskOnGui(kNoBackup, kMbOk);
}

DWORD WINAPI ReceiveProc(void* param) {
    ThreadSlotRelease release(g_receive_thread);
    const std::unique_ptr<MailReceiveRequest> request(static_cast<MailReceiveRequest*>(param));
    EnsureFolder(request->download_folder);
    {
        LPop pop;
        pop.SetServerPort(request->server.c_str(), request->port);
        pop.SetAuthData(request->account.c_str(), request->password.c_str());
        if (pop.Login()) {
            ReceiveBackup(pop, *request);
        } else {
            WriteLog(kReceiveLog + pop.GetLastErrorMsg());
            AskOnGui(kReceiveFailed, kMbOk, kBackupWideBoxWidth);
        }
    }
    DeleteTree(request->download_folder);
    return 0;
}

template <class Request>
bool StartThread(std::atomic<HANDLE>& slot, LPTHREAD_START_ROUTINE proc, Request request) {
    if (slot.load())
        return false;
    auto owned = std::make_unique<Request>(std::move(request));
    // Suspended until the handle is kept: a quick thread must find its own handle to clear.
    const HANDLE h = CreateThread(nullptr, 0, proc, owned.get(), CREATE_SUSPENDED, nullptr);
    if (!h)
        return false;
    owned.release();
    slot.store(h);
    ResumeThread(h);
    return true;
}

} // namespace

std::wstring MailServerOf(const wchar_t* prefix, const std::wstring& account) {
    const size_t at = account.find(L'@');
    if (at == std::wstring::npos)
        return {};
    return prefix + account.substr(at + 1);
}

MailServerSettings ReadMailServerSettings() {
    MailServerSettings s;
    SysConfig::ReadText(L"smtpserver", s.smtp_server);
    SysConfig::ReadText(L"popserver", s.pop_server);
    SysConfig::ReadInt(L"smtpport", s.smtp_port);
    SysConfig::ReadInt(L"popport", s.pop_port);
    return s;
}

bool WriteMailServerSettings(const MailServerSettings& s) {
    return SysConfig::WriteText(L"smtpserver", s.smtp_server) &&
           SysConfig::WriteInt(L"smtpport", s.smtp_port) &&
           SysConfig::WriteText(L"popserver", s.pop_server) && SysConfig::WriteInt(L"popport", s.pop_port);
}

MailSendRequest MakeMailSendRequest(const std::wstring& account, const std::wstring& password,
                                    const std::wstring& name, const MailServerSettings& servers) {
    const std::wstring archive_name = BackupArchiveName(name);
    MailSendRequest r{account, password, BackupDir() + archive_name, name, archive_name};
    r.server = servers.smtp_server.empty() ? MailServerOf(L"smtp.", account) : servers.smtp_server;
    r.port = servers.smtp_port;
    return r;
}

MailReceiveRequest MakeMailReceiveRequest(const std::wstring& account, const std::wstring& password,
                                          const std::wstring& download_folder,
                                          const MailServerSettings& servers) {
    MailReceiveRequest r{account, password, download_folder};
    r.server = servers.pop_server.empty() ? MailServerOf(L"pop.", account) : servers.pop_server;
    r.port = servers.pop_port;
    return r;
}

bool EnsureMailHostWindow() {
    if (g_host.load())
        return true;
    WNDCLASSW wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kHostClass;
    RegisterClassW(&wc);
    const HWND host =
        CreateWindowExW(0, kHostClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    g_host.store(host);
    return host != nullptr;
}

bool IsMailSendRunning() {
    return g_send_thread.load() != nullptr;
}

bool IsMailReceiveRunning() {
    return g_receive_thread.load() != nullptr;
}

bool StartMailSend(MailSendRequest request) {
    return StartThread(g_send_thread, SendProc, std::move(request));
}

bool StartMailReceive(MailReceiveRequest request) {
    return StartThread(g_receive_thread, ReceiveProc, std::move(request));
}

void WaitForMailThreads(DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    while ((IsMailSendRunning() || IsMailReceiveRunning()) && GetTickCount() - start < timeout_ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kWaitSliceMs, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

std::wstring MakeDownloadFolderName() {
    std::wstring folder = ExeDir() + MakeUniqueStamp(kDownloadTag) + L"\\";
    for (int retry = 0;
         retry < kDownloadRetries && GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES; ++retry) {
        Sleep(kDownloadRetryMs);
        folder = ExeDir() + MakeUniqueStamp(kDownloadTag) + L"\\";
    }
    return folder;
}
