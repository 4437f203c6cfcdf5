#pragma once
// The dialog that sets or changes the display password: the old password (only when one is set),
// the new one and its confirmation, all masked. OK keeps the new password trimmed and lowered.
#include "toolkit/MerlaMessageBox.h"
#include "toolkit/controls/MerlaEdit.h"

#include <string>

class MerlaAddPwd : public MerlaMessageBox {
public:
    // stored: the current "EncryptPwd" value, empty when no password is set.
    explicit MerlaAddPwd(std::wstring stored);

    bool OnCreate() override;
    void OnOk() override;

    // What OK does with the three entries (the old one is ignored when no password is set): tells
    // why and answers false when they are refused, else keeps the new password and answers true.
    bool AcceptEntries(const std::wstring& old_text, const std::wstring& new_text,
                       const std::wstring& confirm_text);

    bool HasOldPassword() const { return !stored_.empty(); }
    // Trimmed and lowered; empty until the entries were accepted.
    const std::wstring& GetNewPassword() const { return new_password_; }
    MerlaEdit& OldEdit() { return old_; }
    MerlaEdit& NewEdit() { return new_; }
    MerlaEdit& ConfirmEdit() { return confirm_; }

private:
    bool MatchesStored(const std::wstring& old_text) const;

    std::wstring stored_;
    std::wstring new_password_;
    MerlaEdit old_, new_, confirm_;
};

// Encrypts and stores a password the dialog accepted; an empty stored form is refused with a tell.
// True when the password was written.
bool StoreDisplayPassword(HWND parent, const std::wstring& password);
// Runs the dialog over parent for the current password and stores the new one; true when stored.
bool SetDisplayPasswordFromDialog(HWND parent);
