#include "settings/MerlaCheckEncrypt.h"

#include "settings/DisplayPassword.h"
#include "settings/PasswordEdit.h"
#include "settings/PasswordTell.h"

namespace {

constexpr int kWidth = 240, kHeight = 110;
constexpr wchar_t kTitle[] = L"解密显示";
constexpr wchar_t kPicture[] = L"merla.png";
constexpr wchar_t kCue[] = L"输入密码...";
constexpr wchar_t kEmpty[] = L"输入密码为空！";
constexpr wchar_t kWrong[] = L"输入密码错误！";

} // namespace

MerlaCheckEncrypt::MerlaCheckEncrypt(std::string hash)
    : MerlaMessageBox(kMbOk | kMbCancel, kTitle, L"", kHeight, kWidth), hash_(std::move(hash)) {
    SetTitleIcon(kPicture);
}

bool MerlaCheckEncrypt::OnCreate() {
    const bool ok = MerlaMessageBox::OnCreate();
    CreatePasswordEdit(edit_, handle_, kCue, kPasswordEditFirstTop);
    if (Redraw())
        Present();
    edit_.SetFocusWnd();
    return ok;
}

void MerlaCheckEncrypt::OnOk() {
    if (AcceptEntry(edit_.GetText()))
        MerlaMessageBox::OnOk();
}

bool MerlaCheckEncrypt::AcceptEntry(const std::wstring& typed) {
    // The password was stored trimmed and lowered: the entry is hashed in that form.
    if (NormalizePassword(typed).empty()) {
        TellPassword(handle_, kEmpty);
        return false;
    }
    const std::string hash = TypedPasswordHash(typed);
    if (hash.empty() || hash != hash_) {
        TellPassword(handle_, kWrong);
        return false;
    }
    matched_ = true;
    return true;
}

bool CheckDisplayPassword(HWND parent, const std::string& hash) {
    MerlaCheckEncrypt dialog(hash);
    return dialog.DoModal(0, parent) == IDOK && dialog.IsMatched();
}
