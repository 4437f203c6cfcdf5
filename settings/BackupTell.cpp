#include "settings/BackupTell.h"

#include "toolkit/MerlaMessageBox.h"

#include <utility>

namespace {

BackupTellHook& Hook() {
    static BackupTellHook hook;
    return hook;
}

} // namespace

int AskBackup(HWND owner, const std::wstring& message, int flags, int width, int height) {
    if (Hook())
        return Hook()(owner, message, flags);
    return ShowMessageBox(owner, message, flags, 0, width, height);
}

void TellBackup(HWND owner, const std::wstring& message, int width) {
    AskBackup(owner, message, kMbOk, width);
}

BackupTellHook SetBackupTellHook(BackupTellHook hook) {
    return std::exchange(Hook(), std::move(hook));
}
