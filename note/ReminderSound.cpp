#include "note/ReminderSound.h"

#include <windows.h>

#include <mmsystem.h>

namespace {

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

ReminderSound::~ReminderSound() {
    Stop();
}

bool ReminderSound::Play(const std::wstring& path) {
    Stop();
    if (path.empty() || !IsFile(path))
        return false;
    // No device type: MCI picks the device from the file's extension.
    MCI_OPEN_PARMSW open{};
    open.lpstrElementName = path.c_str();
    if (mciSendCommandW(0, MCI_OPEN, MCI_OPEN_ELEMENT, reinterpret_cast<DWORD_PTR>(&open)) != 0)
        return false;
    device_ = open.wDeviceID;
    // Notify without a window: the music plays once and nobody waits for its end.
    MCI_PLAY_PARMS play{};
    if (mciSendCommandW(device_, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play)) != 0) {
        Stop();
        return false;
    }
    return true;
}

void ReminderSound::Stop() {
    if (device_ == 0)
        return;
    MCI_GENERIC_PARMS close{};
    mciSendCommandW(device_, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
    device_ = 0;
}
