#pragma once
// Plays animated GIF pictures: one frame thread per LGif posts LNotify-style message 10016 to each
// picture's target window whenever that picture's frame changes; the windows draw the current frame
// with DrawPicture. Other pictures (not GIF, or GIFs of one frame) are drawn as still pictures.
#include "store/xml/FileHandle.h"
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Gdiplus {
class Graphics;
class Image;
} // namespace Gdiplus

namespace LNotify {
inline constexpr UINT kGifFrame = 10016; // wParam 0; the target window redraws its picture
} // namespace LNotify

// The frame schedule of a GIF: 0 followed by the running sums of the frame delays in milliseconds
// (frames + 1 entries). delays/bytes are the raw frame delay property (32-bit hundredths of a second
// per frame); missing entries and delays of 0 or 1 hundredth play as kDefaultFrameDelayMs.
inline constexpr int kDefaultFrameDelayMs = 100;
std::vector<int64_t> BuildFrameSchedule(const void* delays, size_t bytes, int frames);

class LGif {
public:
    LGif();
    virtual ~LGif();
    LGif(const LGif&) = delete;
    LGif& operator=(const LGif&) = delete;

    // folder ends in a backslash; name is a plain file name inside it.
    void AddPicture(const std::wstring& folder, const std::wstring& name, HWND window);
    void RemovePicture(const std::wstring& name);
    void ClearPictures();
    bool DrawPicture(Gdiplus::Graphics& graphics, const std::wstring& folder, const std::wstring& name,
                     int left, int top, int width, int height);

    // Whether a frame thread is running.
    bool IsPlaying() const;
    // Whether a picture name ends in ".gif" (any case): only those can play.
    static bool IsGifName(const std::wstring& name);
    // ExeDir() + "tempgif\", where animations are played from copies.
    static std::wstring TempFolder();

private:
    struct Animation;

    static DWORD WINAPI ThreadProc(void* self);
    void RunFrames();
    // Waits for a thread that ended or was told to stop; the lock must not be held.
    void JoinThread();
    void DropRemovedLocked();

    mutable std::mutex lock_; // the lists, the clock and the pictures' active frames
    std::vector<std::unique_ptr<Animation>> animations_;
    std::vector<std::wstring> stills_;
    bool thread_running_ = false;
    int64_t clock_ = 0; // the frame thread's time, in milliseconds of summed delays
    FileHandle thread_;
    FileHandle stop_event_; // manual reset: set while the frame thread must end
};
