#pragma once
// The manager's system settings page: start with Windows, the display password, local and mail
// backup and restore, and the rich text options. Its settings file is "sysconfig.xml".
#include "settings/MailBackup.h"
#include "toolkit/MerlaBt.h"
#include "toolkit/MerlaLabel.h"
#include "toolkit/MerlaList.h"
#include "toolkit/controls/MerlaEdit.h"

#include <string>

class MxMiSysSet : public MerlaList {
public:
    static constexpr int kAutorunId = 20019;
    static constexpr int kSetPasswordId = 20068;
    static constexpr int kBackupLocalId = 20052, kBackupMailId = 20053;
    static constexpr int kRestoreMailId = 20054, kRestoreLocalId = 20055;
    static constexpr int kRememberId = 20058;
    static constexpr int kDoubleClickId = 20065, kAutoChangeLineId = 20066, kShowFloatWndId = 20067;
    static constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr wchar_t kRunValue[] = L"merla_autorun";

    MxMiSysSet();
    ~MxMiSysSet() override;

    std::wstring SettingsPath() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    bool OnSize(UINT type, int width, int height) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    LSurface RenderContent() override;
    bool OnCreate() override;

    void SaveAccount();
    void LoadAccount();
    void SavePixelLimits();
    void LoadPixelLimits();
    void BackupToMail();
    void RestoreFromMail();

    // The process-wide rich text options the page shows and changes; unbound, the page keeps its own.
    void BindOptions(int* double_click, int* auto_change_line, int* show_float_wnd);

    MerlaBtCheck& AutorunBox() { return autorun_; }
    MerlaBtCheck& RememberBox() { return remember_; }
    MerlaBtCheck& OptionBox(int command);
    MerlaEdit& AccountEdit() { return account_; }
    MerlaEdit& PasswordEdit() { return password_; }
    MerlaEdit& ImageLimitEdit() { return image_limit_; }
    MerlaEdit& RowIconLimitEdit() { return row_icon_limit_; }
    MerlaEdit& DisplayPasswordEdit() { return display_password_; }
    // smtp server, smtp port, pop server, pop port
    MerlaEdit& MailServerEdit(int index) { return servers_[index]; }

private:
    // The server fields are saved when they lose the focus.
    class ServerField : public MerlaEdit {
    public:
        bool OnKillFocus(LWnd* new_focus) override;
    };
    static constexpr int kServerFields = 4;
    static constexpr int kOptionCount = 3;

    void ToggleAutorun();
    void ToggleOption(int command);
    void SetEditText(MerlaEdit& edit, const std::wstring& text);
    void SaveServerSettings();
    void LoadServerSettings();
    HWND Owner() const;

    MerlaLabel heading_settings_, heading_backup_, heading_richedit_;
    MerlaLabel password_label_, hint_, image_limit_label_, row_icon_label_;
    MerlaBtCheck autorun_{L"check.png"}, remember_{L"check.png"};
    MerlaBtCheck double_click_{L"check.png"}, auto_change_line_{L"check.png"}, show_float_wnd_{L"check.png"};
    MerlaEdit display_password_, account_, password_, image_limit_, row_icon_limit_;
    ServerField servers_[kServerFields];
    MerlaBt set_password_{L"", L"设置"};
    MerlaBt backup_local_{L"backuplocal.png", L"备份到本地"};
    MerlaBt backup_mail_{L"backupemail.png", L"备份到邮箱"};
    MerlaBt restore_mail_{L"fromemail.png", L"从邮箱备份还原数据、同步"};
    MerlaBt restore_local_{L"recovery.png", L"从本地备份还原数据"};
    int own_options_[kOptionCount] = {0, 1, 1};
    int* options_[kOptionCount] = {&own_options_[0], &own_options_[1], &own_options_[2]};
};

// The Run value "merla_autorun" as stored (quotes and all); empty when there is none.
std::wstring ReadAutorunValue();
