#pragma once
// The music of a reminding note: one MCI device, open while the music plays once through.
#include <string>

class ReminderSound {
public:
    ReminderSound() = default;
    ~ReminderSound();
    ReminderSound(const ReminderSound&) = delete;
    ReminderSound& operator=(const ReminderSound&) = delete;

    // Closes what played before, so a new firing starts the music from its beginning, then opens
    // the file on the device its type calls for and starts it. False when the file does not exist
    // or the device refuses it; nothing is open then.
    bool Play(const std::wstring& path);
    void Stop();
    bool IsOpen() const { return device_ != 0; }
    // The MCI device id; 0 when nothing is open.
    unsigned DeviceId() const { return device_; }

private:
    unsigned device_ = 0;
};
