#include "settings/PasswordTell.h"

#include "toolkit/MerlaMessageBox.h"

#include <utility>

namespace {

PasswordTellHook& Hook() {
    static PasswordTellHook hook;
    return hook;
}

} // namespace

void TellPassword(HWND parent, const std::wstring& message) {
    if (Hook())
        Hook()(message);
    else
        ShowMessageBox(parent, message, kMbOk);
}

PasswordTellHook SetPasswordTellHook(PasswordTellHook hook) {
    return std::exchange(Hook(), std::move(hook));
}
