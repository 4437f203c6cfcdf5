#include "settings/MxMiSysSet.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "app/base/RegKey.h"
#include "app/base/SysConfig.h"
#include "settings/BackupTell.h"
#include "settings/DisplayPassword.h"
#include "settings/MerlaAddPwd.h"
#include "settings/MerlaNewBackUpName.h"
#include "settings/TextCipher.h"
#include "store/xml/CXmlDoc.h"

#include <cwchar>

namespace {

struct Place {
    int x, y, w, h;
};

constexpr Place kHeadingSettings{24, 12, 64, 24}, kAutorun{40, 46, 84, 24}, kPasswordLabel{40, 73, 96, 24};
constexpr Place kDisplayPassword{132, 70, 150, 28}, kSetPassword{295, 70, 40, 24};
constexpr Place kHeadingBackup{24, 99, 144, 24}, kBackupLocal{40, 133, 96, 24};
constexpr Place kAccount{200, 160, 164, 28}, kPassword{374, 160, 164, 28}, kBackupMail{40, 163, 96, 24};
constexpr Place kRemember{548, 163, 108, 24}, kRestoreMail{40, 193, 192, 24}, kHint{240, 193, 260, 24};
constexpr Place kRestoreLocal{40, 223, 150, 24}, kHeadingRichEdit{24, 257, 244, 24};
constexpr Place kDoubleClick{40, 291, 200, 24}, kAutoChangeLine{40, 325, 200, 24},
    kShowFloatWnd{40, 359, 200, 24};
constexpr Place kImageLimitLabel{40, 396, 260, 24}, kImageLimit{300, 393, 196, 28};
// The mail servers, on the free space right of the restore rows.
constexpr Place kServerPlaces[] = {
    {520, 190, 150, 28}, {676, 190, 64, 28}, {520, 220, 150, 28}, {676, 220, 64, 28}};
constexpr const wchar_t* kServerCues[] = {L"smtp服务器", L"端口", L"pop3服务器", L"端口"};

struct Line {
    int x1, x2, y;
};
constexpr Line kHeadingLines[] = {{24, 88, 36}, {24, 144, 123}, {24, 272, 281}};
constexpr uint32_t kLineColor = 0xFF000000;
constexpr int kLineWidth = 1;

constexpr wchar_t kImageMaxKey[] = L"richedit_image_max_pixel";
constexpr wchar_t kRowIconMaxKey[] = L"richedit_rowicon_max_pixel";
constexpr wchar_t kImageMaxDefault[] = L"100";
constexpr wchar_t kRowIconMaxDefault[] = L"18";
constexpr wchar_t kImageMin[] = L"16", kImageMax[] = L"1024", kRowIconMax[] = L"128";
constexpr int kImageMinValue = 16, kImageMaxValue = 1024, kRowIconMaxValue = 128;
constexpr const wchar_t* kOptionKeys[] = {L"EditIsDoubleClick", L"EditIsAutoChangeLine",
                                          L"EditIsShowFloatWnd"};

constexpr wchar_t kRememberKey[] = L"bsavenamecheck";
constexpr wchar_t kAccountKey[] = L"mailname";
constexpr wchar_t kPasswordKey[] = L"mailpwd";

constexpr wchar_t kSendRunning[] = L"正在后台备份数据到邮箱，请稍等！";
constexpr wchar_t kReceiveRunning[] = L"正在后台获取邮箱数据，请稍等！";
constexpr wchar_t kEmptyAccount[] = L"邮箱账户或者密码不能为空！";
constexpr wchar_t kMailCopyLog[] = L" 本地备份复制文件过程出错：";
constexpr wchar_t kSendStarted[] = L"正在后台备份数据到邮箱，您可以进行其他操作！";
constexpr wchar_t kReceiveStarted[] = L"正在后台获取邮箱数据，您可以进行其他操作！";
constexpr wchar_t kArchiveFailed[] = L"创建备份文件失败！";
constexpr wchar_t kArchiveInScratch[] = L"NoteData.zip";

constexpr DWORD kPathChars = MAX_PATH;

std::wstring ExePath() {
    wchar_t buf[kPathChars] = {};
    const DWORD n = GetModuleFileNameW(nullptr, buf, kPathChars);
    return std::wstring(buf, n);
}

std::wstring Unquoted(std::wstring text) {
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"')
        return text.substr(1, text.size() - 2);
    return text;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The Run value as stored (quotes and all); false when there is none.
bool QueryRunValue(HKEY key, std::wstring& value) {
    wchar_t buf[kPathChars + 1] = {};
    DWORD type = 0, bytes = sizeof(buf) - sizeof(wchar_t);
    if (RegQueryValueExW(key, MxMiSysSet::kRunValue, nullptr, &type, reinterpret_cast<BYTE*>(buf), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    value = buf;
    return true;
}

bool WriteQuotedExePath(HKEY key) {
    const std::wstring quoted = L"\"" + ExePath() + L"\"";
    const DWORD bytes = static_cast<DWORD>((quoted.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, MxMiSysSet::kRunValue, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(quoted.c_str()), bytes) == ERROR_SUCCESS;
}

void CreateAt(LWnd& w, const Place& p, const wchar_t* text, HWND parent, int id = 0) {
    w.Create(id, text, 0, WS_CHILD | WS_VISIBLE, p.x, p.y, p.w, p.h, parent);
}

} // namespace

std::wstring ReadAutorunValue() {
    RegKey key;
    std::wstring value;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, MxMiSysSet::kRunKey, 0, KEY_QUERY_VALUE, key.out()) !=
            ERROR_SUCCESS ||
        !QueryRunValue(key.get(), value))
        return {};
    return value;
}

bool MxMiSysSet::ServerField::OnKillFocus(LWnd* new_focus) {
    const bool result = MerlaEdit::OnKillFocus(new_focus);
    if (auto* page = dynamic_cast<MxMiSysSet*>(GetParentWnd()))
        page->SaveServerSettings();
    return result;
}

MxMiSysSet::MxMiSysSet() {
    SetObjectName(L"sysconfig");
}

MxMiSysSet::~MxMiSysSet() = default;

std::wstring MxMiSysSet::SettingsPath() {
    return SysConfigPath();
}

void MxMiSysSet::BindOptions(int* double_click, int* auto_change_line, int* show_float_wnd) {
    options_[0] = double_click;
    options_[1] = auto_change_line;
    options_[2] = show_float_wnd;
}

MerlaBtCheck& MxMiSysSet::OptionBox(int command) {
    return command == kDoubleClickId      ? double_click_
           : command == kAutoChangeLineId ? auto_change_line_
                                          : show_float_wnd_;
}

HWND MxMiSysSet::Owner() const {
    return GetAncestor(handle_, GA_ROOT);
}

bool MxMiSysSet::OnCreate() {
    const bool ok = MerlaList::OnCreate();
    LWndBatch batch(*this);
    EnsureMailHostWindow();
    CreateAt(heading_settings_, kHeadingSettings, L"功能设置", handle_);
    autorun_.SetButtonText(L"开机启动");
    CreateAt(autorun_, kAutorun, L"开机启动", handle_, kAutorunId);
    CreateAt(password_label_, kPasswordLabel, L"加密显示密码：", handle_);
    display_password_.SetReadOnly(true);
    display_password_.SetPasswordMode(true);
    CreateAt(display_password_, kDisplayPassword, L"", handle_);
    CreateAt(set_password_, kSetPassword, L"设置", handle_, kSetPasswordId);
    CreateAt(heading_backup_, kHeadingBackup, L"备份、还原、同步", handle_);
    CreateAt(backup_local_, kBackupLocal, L"备份到本地", handle_, kBackupLocalId);
    account_.SetCueText(L"请输入邮箱帐户...");
    CreateAt(account_, kAccount, L"", handle_);
    password_.SetCueText(L"请输入邮箱密码...");
    password_.SetPasswordMode(true);
    password_.SetSingleLine(true);
    CreateAt(password_, kPassword, L"", handle_);
    CreateAt(backup_mail_, kBackupMail, L"备份到邮箱", handle_, kBackupMailId);
    remember_.SetButtonText(L"记住账户信息");
    CreateAt(remember_, kRemember, L"记住账户信息", handle_, kRememberId);
    CreateAt(restore_mail_, kRestoreMail, L"从邮箱备份还原数据、同步", handle_, kRestoreMailId);
    CreateAt(hint_, kHint, L"请确定邮箱已经开启了 smtp 和 pop3 服务！", handle_);
    CreateAt(restore_local_, kRestoreLocal, L"从本地备份还原数据", handle_, kRestoreLocalId);
    for (int i = 0; i < kServerFields; ++i) {
        servers_[i].SetCueText(kServerCues[i]);
        servers_[i].SetSingleLine(true);
        CreateAt(servers_[i], kServerPlaces[i], L"", handle_);
    }
    CreateAt(heading_richedit_, kHeadingRichEdit, L"富文本编辑框设置", handle_);
    double_click_.SetButtonText(L"鼠标单击创建或者修改文本");
    CreateAt(double_click_, kDoubleClick, L"鼠标单击创建或者修改文本", handle_, kDoubleClickId);
    auto_change_line_.SetButtonText(L"创建编辑框时默认自动换行");
    CreateAt(auto_change_line_, kAutoChangeLine, L"创建编辑框时默认自动换行", handle_, kAutoChangeLineId);
    show_float_wnd_.SetButtonText(L"激活时显示浮动字体编辑窗口");
    CreateAt(show_float_wnd_, kShowFloatWnd, L"激活时显示浮动字体编辑窗口", handle_, kShowFloatWndId);
    CreateAt(image_limit_label_, kImageLimitLabel, L"插入图片宽高最大质量像素值(16 - 1024)：", handle_);
    image_limit_.SetCueText(L"请输入像素值(16 - 1024)");
    image_limit_.SetNumericMode(true);
    image_limit_.SetSingleLine(true);
    image_limit_.SetNumericRange(kImageMin, kImageMax);
    CreateAt(image_limit_, kImageLimit, L"", handle_);
    image_limit_.Subscribe(LRichEdit::kNumericRewritten, handle_);
    // The row-icon limit has no visible control: it is only carried through and clamped.
    row_icon_limit_.SetNumericMode(true);

    {
        RegKey key;
        std::wstring stored;
        const bool writable = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                            key.out()) == ERROR_SUCCESS;
        if ((writable ||
             RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE, key.out()) == ERROR_SUCCESS) &&
            QueryRunValue(key.get(), stored)) {
            // Written quoted; a moved program writes its new path.
            bool registered = SamePath(Unquoted(stored), ExePath());
            if (!registered && writable)
                registered = WriteQuotedExePath(key.get());
            autorun_.SetChecked(registered);
        }
    }
    SetEditText(display_password_, GetEncryptPwd());
    double_click_.SetChecked(*options_[0] != 0);
    auto_change_line_.SetChecked(*options_[1] != 0);
    show_float_wnd_.SetChecked(*options_[2] != 0);
    LoadPixelLimits();
    LoadAccount();
    LoadServerSettings();
    return ok;
}

void MxMiSysSet::SetEditText(MerlaEdit& edit, const std::wstring& text) {
    edit.Clear();
    edit.InsertText(text, 0, 0, false);
    if (edit.GetHandle() && edit.Redraw())
        edit.Present();
}

bool MxMiSysSet::OnSize(UINT type, int width, int height) {
    // The controls keep their places whatever the page's size.
    return MerlaList::OnSize(type, width, height);
}

LSurface MxMiSysSet::RenderContent() {
    LSurface s = MerlaList::RenderContent();
    if (!s)
        return s;
    for (const Line& l : kHeadingLines)
        s.FillRect(l.x1, l.y, l.x2 - l.x1, kLineWidth, kLineColor);
    return s;
}

LRESULT MxMiSysSet::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LRichEdit::kNumericRewritten && static_cast<int>(wp) == image_limit_.GetId()) {
        SavePixelLimits();
        return 0;
    }
    return MerlaList::WindowProc(message, wp, lp);
}

LRESULT MxMiSysSet::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message != LNotify::kButtonClicked)
        return MerlaList::OnNotify(message, wp, lp);
    const int command = static_cast<int>(wp);
    switch (command) {
    case kAutorunId:
        ToggleAutorun();
        break;
    case kSetPasswordId:
        if (SetDisplayPasswordFromDialog(Owner()))
            SetEditText(display_password_, GetEncryptPwd());
        break;
    case kBackupLocalId:
        BackupToLocalFile(handle_);
        break;
    case kRestoreLocalId:
        RestoreFromLocalFile(handle_);
        break;
    case kBackupMailId:
        BackupToMail();
        break;
    case kRestoreMailId:
        RestoreFromMail();
        break;
    case kRememberId:
        remember_.SetChecked(!remember_.IsChecked());
        if (remember_.Redraw())
            remember_.Present();
        SaveAccount();
        break;
    case kDoubleClickId:
    case kAutoChangeLineId:
    case kShowFloatWndId:
        ToggleOption(command);
        break;
    default:
        return MerlaList::OnNotify(message, wp, lp);
    }
    return 0;
}

void MxMiSysSet::ToggleAutorun() {
    const bool want = !autorun_.IsChecked();
    RegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, key.out()) ==
        ERROR_SUCCESS) {
        if (want)
            WriteQuotedExePath(key.get());
        else
            RegDeleteValueW(key.get(), kRunValue);
    }
    // The box tells what the registry holds, not what was asked.
    const std::wstring stored = ReadAutorunValue();
    autorun_.SetChecked(!stored.empty() && SamePath(Unquoted(stored), ExePath()));
    if (autorun_.Redraw())
        autorun_.Present();
}

void MxMiSysSet::ToggleOption(int command) {
    const int index = command - kDoubleClickId;
    MerlaBtCheck& box = OptionBox(command);
    box.SetChecked(!box.IsChecked());
    if (box.Redraw())
        box.Present();
    *options_[index] = box.IsChecked() ? 1 : 0;
    SysConfig::WriteInt(kOptionKeys[index], *options_[index]);
}

void MxMiSysSet::LoadPixelLimits() {
    std::wstring image = kImageMaxDefault, row_icon = kRowIconMaxDefault;
    SysConfig::ReadText(kImageMaxKey, image);
    SysConfig::ReadText(kRowIconMaxKey, row_icon);
    SetEditText(image_limit_, image);
    SetEditText(row_icon_limit_, row_icon);
}

void MxMiSysSet::SavePixelLimits() {
    const int image = _wtoi(image_limit_.GetText().c_str());
    const int row_icon = _wtoi(row_icon_limit_.GetText().c_str());
    if (image < kImageMinValue)
        SetEditText(image_limit_, kImageMin);
    else if (image > kImageMaxValue)
        SetEditText(image_limit_, kImageMax);
    if (row_icon < kImageMinValue)
        SetEditText(row_icon_limit_, kImageMin);
    else if (row_icon > kRowIconMaxValue)
        SetEditText(row_icon_limit_, kRowIconMax);
    CXmlDoc doc;
    if (!OpenSettings(doc) || !doc.Into())
        return;
    doc.SetChildText(kImageMaxKey, image_limit_.GetText());
    doc.Rewind();
    doc.SetChildText(kRowIconMaxKey, row_icon_limit_.GetText());
    doc.Save(SysConfigPath());
}

void MxMiSysSet::LoadAccount() {
    int remember = 0;
    SysConfig::ReadInt(kRememberKey, remember);
    remember_.SetChecked(remember == 1);
    if (remember != 1)
        return;
    std::wstring account, password;
    SysConfig::ReadText(kAccountKey, account);
    SetEditText(account_, account);
    if (SysConfig::ReadText(kPasswordKey, password) && !password.empty())
        SetEditText(password_, DecryptText(password));
}

void MxMiSysSet::SaveAccount() {
    CXmlDoc doc;
    if (OpenSettings(doc) && doc.Into()) {
        const bool remember = remember_.IsChecked();
        doc.SetChildInt(kRememberKey, remember ? 1 : 0);
        if (remember) {
            const std::wstring password = password_.GetText();
            doc.Rewind();
            doc.SetChildText(kAccountKey, account_.GetText());
            doc.Rewind();
            doc.SetChildText(kPasswordKey, password.empty() ? std::wstring() : EncryptText(password));
        } else {
            for (const wchar_t* key : {kAccountKey, kPasswordKey}) {
                doc.Rewind();
                if (doc.FindNext(key))
                    doc.RemoveCurrent();
            }
        }
        doc.Save(SysConfigPath());
    }
    SaveServerSettings();
}

void MxMiSysSet::LoadServerSettings() {
    const MailServerSettings s = ReadMailServerSettings();
    SetEditText(servers_[0], s.smtp_server);
    SetEditText(servers_[1], s.smtp_port ? std::to_wstring(s.smtp_port) : std::wstring());
    SetEditText(servers_[2], s.pop_server);
    SetEditText(servers_[3], s.pop_port ? std::to_wstring(s.pop_port) : std::wstring());
}

void MxMiSysSet::SaveServerSettings() {
    MailServerSettings s;
    s.smtp_server = TrimSpaces(servers_[0].GetText());
    s.smtp_port = _wtoi(servers_[1].GetText().c_str());
    s.pop_server = TrimSpaces(servers_[2].GetText());
    s.pop_port = _wtoi(servers_[3].GetText().c_str());
    WriteMailServerSettings(s);
}

void MxMiSysSet::BackupToMail() {
    SaveAccount();
    if (IsMailSendRunning()) {
        TellBackup(Owner(), kSendRunning, kBackupWideBoxWidth);
        return;
    }
    const std::wstring account = TrimSpaces(account_.GetText()), password = TrimSpaces(password_.GetText());
    if (account.empty() || password.empty()) {
        TellBackup(Owner(), kEmptyAccount);
        return;
    }
    MerlaNewBackUpName dialog;
    if (dialog.DoModal(0, Owner()) != IDOK)
        return;
    MailSendRequest request =
        MakeMailSendRequest(account, password, dialog.GetEnteredName(), ReadMailServerSettings());
    std::wstring scratch;
    if (!BuildBackupArchive(Owner(), kMailCopyLog, scratch))
        return;
    if (CopyFileW((scratch + kArchiveInScratch).c_str(), request.attachment_path.c_str(), FALSE))
        DeleteTree(scratch);
    if (GetFileAttributesW(request.attachment_path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        TellBackup(Owner(), kArchiveFailed);
        return;
    }
    if (StartMailSend(std::move(request)))
        TellBackup(Owner(), kSendStarted, kBackupWideBoxWidth);
}

void MxMiSysSet::RestoreFromMail() {
    SaveAccount();
    if (IsMailReceiveRunning()) {
        TellBackup(Owner(), kReceiveRunning);
        return;
    }
    const std::wstring account = TrimSpaces(account_.GetText()), password = TrimSpaces(password_.GetText());
    if (account.empty() || password.empty()) {
        TellBackup(Owner(), kEmptyAccount);
        return;
    }
    if (StartMailReceive(
            MakeMailReceiveRequest(account, password, MakeDownloadFolderName(), ReadMailServerSettings())))
        TellBackup(Owner(), kReceiveStarted, kBackupWideBoxWidth);
}
