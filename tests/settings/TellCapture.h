#pragma once
// Takes the password dialogs' tells for the length of a test instead of showing boxes.
#include "settings/PasswordTell.h"

#include <string>
#include <vector>

class TellCapture {
public:
    TellCapture() : previous_(SetPasswordTellHook([this](const std::wstring& m) { told.push_back(m); })) {}
    ~TellCapture() { SetPasswordTellHook(std::move(previous_)); }
    TellCapture(const TellCapture&) = delete;
    TellCapture& operator=(const TellCapture&) = delete;

    // The last tell, taken away; empty when nothing was told.
    std::wstring Take() {
        std::wstring last = told.empty() ? std::wstring() : told.back();
        told.clear();
        return last;
    }

    std::vector<std::wstring> told;

private:
    PasswordTellHook previous_;
};
