#include "settings/MerlaAddPwd.h"

#include "settings/DisplayPassword.h"
#include "settings/PasswordEdit.h"
#include "settings/PasswordTell.h"
#include "settings/TextCipher.h"
#include "store/xml/Encoding.h"

namespace {

constexpr int kWidth = 240;
constexpr int kHeightWithOld = 162, kHeightWithoutOld = 132;
constexpr wchar_t kTitle[] = L"设置加密显示的密码...";
constexpr wchar_t kPicture[] = L"encrypt.png";
constexpr wchar_t kOldCue[] = L"输入原密码...";
constexpr wchar_t kNewCue[] = L"输入密码...";
constexpr wchar_t kConfirmCue[] = L"确认密码...";
constexpr wchar_t kWrongOld[] = L"输入原密码错误！";
constexpr wchar_t kEmptyNew[] = L"密码不能为空！";
constexpr wchar_t kMismatch[] = L"两次输入密码不一致！";
constexpr wchar_t kNotKeepable[] = L"密码中有无法保存的字符，请换一个密码！";
constexpr wchar_t kEmptyStored[] = L"密码设置为空，错误！";

} // namespace

MerlaAddPwd::MerlaAddPwd(std::wstring stored)
    : MerlaMessageBox(kMbOk | kMbCancel, kTitle, L"", stored.empty() ? kHeightWithoutOld : kHeightWithOld,
                      kWidth),
      stored_(std::move(stored)) {
    SetTitleIcon(kPicture);
}

bool MerlaAddPwd::OnCreate() {
    const bool ok = MerlaMessageBox::OnCreate();
    int top = kPasswordEditFirstTop;
    if (HasOldPassword()) {
        CreatePasswordEdit(old_, handle_, kOldCue, top);
        top += kPasswordEditStep;
    }
    CreatePasswordEdit(new_, handle_, kNewCue, top);
    CreatePasswordEdit(confirm_, handle_, kConfirmCue, top + kPasswordEditStep);
    if (Redraw())
        Present();
    (HasOldPassword() ? old_ : new_).SetFocusWnd();
    return ok;
}

void MerlaAddPwd::OnOk() {
    const std::wstring old_text = HasOldPassword() ? old_.GetText() : std::wstring();
    if (AcceptEntries(old_text, new_.GetText(), confirm_.GetText()))
        MerlaMessageBox::OnOk();
}

// The stored value came from a trimmed, lowered password, so the entry is compared in that form.
// Values earlier versions stored in the old form are recognised too, also as the UTF-8 file kept
// them (half surrogate pairs become U+FFFD), or such a password could never be changed.
bool MerlaAddPwd::MatchesStored(const std::wstring& old_text) const {
    const std::wstring password = NormalizePassword(old_text);
    const std::wstring stored = AsciiLower(stored_);
    const std::wstring old_form = EncryptTextOldForm(password);
    for (const std::wstring& form : {EncryptText(password), old_form, Utf8ToWide(WideToUtf8(old_form))}) {
        if (AsciiLower(form) == stored)
            return true;
    }
    return false;
}

bool MerlaAddPwd::AcceptEntries(const std::wstring& old_text, const std::wstring& new_text,
                                const std::wstring& confirm_text) {
    const HWND parent = handle_;
    if (HasOldPassword() && !MatchesStored(old_text)) {
        TellPassword(parent, kWrongOld);
        return false;
    }
    const std::wstring password = NormalizePassword(new_text);
    if (password.empty()) {
        TellPassword(parent, kEmptyNew);
        return false;
    }
    // Compared in the stored form, so the same entry typed twice always agrees.
    if (password != NormalizePassword(confirm_text)) {
        TellPassword(parent, kMismatch);
        return false;
    }
    if (!IsKeepablePassword(password)) {
        TellPassword(parent, kNotKeepable);
        return false;
    }
    new_password_ = password;
    return true;
}

bool StoreDisplayPassword(HWND parent, const std::wstring& password) {
    const std::wstring stored = EncryptText(password);
    if (stored.empty()) {
        TellPassword(parent, kEmptyStored);
        return false;
    }
    return SetEncryptPwd(stored);
}

bool SetDisplayPasswordFromDialog(HWND parent) {
    MerlaAddPwd dialog(GetEncryptPwd());
    if (dialog.DoModal(0, parent) != IDOK)
        return false;
    return StoreDisplayPassword(parent, dialog.GetNewPassword());
}
