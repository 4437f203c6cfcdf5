#pragma once
// The dialog that asks for the display password before a locked item is shown: one masked box;
// OK ends it only when the entry's hash matches the item's.
#include "toolkit/MerlaMessageBox.h"
#include "toolkit/controls/MerlaEdit.h"

#include <string>

class MerlaCheckEncrypt : public MerlaMessageBox {
public:
    // hash: the item's stored display-password hash.
    explicit MerlaCheckEncrypt(std::string hash);

    bool OnCreate() override;
    void OnOk() override;

    // What OK does with the entry: tells why and answers false when it does not match.
    bool AcceptEntry(const std::wstring& typed);

    bool IsMatched() const { return matched_; }
    MerlaEdit& PasswordEdit() { return edit_; }

private:
    std::string hash_;
    bool matched_ = false;
    MerlaEdit edit_;
};

// Runs the dialog over parent; true when the entry matched the hash.
bool CheckDisplayPassword(HWND parent, const std::string& hash);
