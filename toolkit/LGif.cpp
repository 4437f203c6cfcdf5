#include "toolkit/LGif.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "toolkit/LObject.h"

#include <gdiplus.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr int kMinNameLength = 4; // names of three characters or fewer are no pictures
constexpr wchar_t kGifExtension[] = L".gif";
constexpr size_t kGifExtensionLength = 4;
constexpr uint32_t kHundredthMs = 10;
constexpr uint32_t kShortestDelay = 1; // hundredths; at or below this browsers play 100 ms too
constexpr int64_t kNoTime = std::numeric_limits<int64_t>::max();
constexpr int kClassNameChars = 16;

bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// Names reach the file system only as plain names inside the folder given.
bool IsPlainName(const std::wstring& name) {
    return !name.empty() && name.find_first_of(L"\\/:") == std::wstring::npos &&
           name.find(L"..") == std::wstring::npos;
}

bool HasGifExtension(const std::wstring& name) {
    if (name.size() < kGifExtensionLength)
        return false;
    return SameName(name.substr(name.size() - kGifExtensionLength), kGifExtension);
}

int TimeFrameCount(Gdiplus::Image& image) {
    GUID time = Gdiplus::FrameDimensionTime;
    const UINT count = image.GetFrameCount(&time);
    return image.GetLastStatus() == Gdiplus::Ok ? static_cast<int>(count) : 0;
}

std::vector<int64_t> ReadSchedule(Gdiplus::Image& image, int frames) {
    std::vector<uint8_t> buffer;
    const UINT size = image.GetPropertyItemSize(PropertyTagFrameDelay);
    if (size >= sizeof(Gdiplus::PropertyItem)) {
        buffer.resize(size);
        auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
        if (image.GetPropertyItem(PropertyTagFrameDelay, size, item) == Gdiplus::Ok && item->value) {
            // The value lies inside the buffer; never trust a length that says otherwise.
            const auto* value = static_cast<const uint8_t*>(item->value);
            const uint8_t* end = buffer.data() + buffer.size();
            if (value >= buffer.data() && value <= end) {
                const size_t bytes = std::min<size_t>(item->length, static_cast<size_t>(end - value));
                return BuildFrameSchedule(value, bytes, frames);
            }
        }
    }
    return BuildFrameSchedule(nullptr, 0, frames);
}

bool IsVisibleToolkitWindow(HWND window) {
    wchar_t name[kClassNameChars] = {};
    return window && IsWindowVisible(window) && GetClassNameW(window, name, kClassNameChars) > 0 &&
           std::wcscmp(name, LObjectSub::kClassName) == 0;
}

} // namespace

std::vector<int64_t> BuildFrameSchedule(const void* delays, size_t bytes, int frames) {
    std::vector<int64_t> schedule{0};
    if (frames <= 0)
        return schedule;
    const size_t entries = delays ? bytes / sizeof(uint32_t) : 0;
    int64_t time = 0;
    for (int i = 0; i < frames; ++i) {
        uint32_t delay = 0;
        if (static_cast<size_t>(i) < entries)
            std::memcpy(&delay, static_cast<const uint8_t*>(delays) + i * sizeof(uint32_t), sizeof(delay));
        time += delay <= kShortestDelay ? kDefaultFrameDelayMs : static_cast<int64_t>(delay) * kHundredthMs;
        schedule.push_back(time);
    }
    return schedule;
}

struct LGif::Animation {
    std::unique_ptr<Gdiplus::Image> picture;
    std::wstring copy_path;
    int frame = 0;
    std::vector<int64_t> schedule;
    int steps = 0;
    bool active = true;
    HWND target = nullptr;
    std::wstring name;
    bool removed = false;
};

LGif::LGif() : stop_event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

LGif::~LGif() {
    ClearPictures();
}

bool LGif::IsGifName(const std::wstring& name) {
    return HasGifExtension(name);
}

std::wstring LGif::TempFolder() {
    return ExeDir() + L"tempgif\\";
}

bool LGif::IsPlaying() const {
    std::lock_guard guard(lock_);
    return thread_running_;
}

void LGif::AddPicture(const std::wstring& folder, const std::wstring& name, HWND window) {
    if (name.size() < kMinNameLength || !IsPlainName(name))
        return;
    if (!HasGifExtension(name)) {
        std::lock_guard guard(lock_);
        stills_.push_back(name);
        return;
    }
    const std::wstring temp = TempFolder();
    if (!EnsureFolder(temp))
        return;
    const std::wstring copy = temp + name;
    const bool copied = CopyFileW((folder + name).c_str(), copy.c_str(), TRUE) != FALSE;
    auto picture = std::make_unique<Gdiplus::Image>(copy.c_str());
    const bool decoded =
        picture->GetLastStatus() == Gdiplus::Ok && picture->GetWidth() != 0 && picture->GetHeight() != 0;
    const int frames = decoded ? TimeFrameCount(*picture) : 0;
    if (!decoded || frames < 2) {
        picture.reset();
        if (copied) // only our own copy: another player may be using one that was there
            DeleteFileW(copy.c_str());
        if (!decoded)
            return;
        std::lock_guard guard(lock_);
        stills_.push_back(name);
        return;
    }
    auto record = std::make_unique<Animation>();
    record->schedule = ReadSchedule(*picture, frames);
    record->steps = static_cast<int>(record->schedule.size());
    record->picture = std::move(picture);
    record->copy_path = copy;
    record->target = window;
    record->name = name;

    bool start = false;
    {
        std::lock_guard guard(lock_);
        // A picture added to a running clock starts now, not at the clock's beginning.
        if (thread_running_)
            for (int64_t& t : record->schedule)
                t += clock_;
        animations_.push_back(std::move(record));
        start = !thread_running_;
    }
    if (!start)
        return;
    JoinThread(); // a thread that found its list empty may still be on its way out
    std::lock_guard guard(lock_);
    if (thread_running_ || animations_.empty() || !stop_event_)
        return;
    ResetEvent(stop_event_.get());
    clock_ = 0;
    for (auto& a : animations_) {
        const int64_t base = a->schedule[static_cast<size_t>(a->frame)];
        for (int64_t& t : a->schedule)
            t -= base;
    }
    thread_.reset(CreateThread(nullptr, 0, &LGif::ThreadProc, this, 0, nullptr));
    thread_running_ = static_cast<bool>(thread_);
}

void LGif::RemovePicture(const std::wstring& name) {
    std::lock_guard guard(lock_);
    std::erase_if(stills_, [&](const std::wstring& s) { return SameName(s, name); });
    for (auto& a : animations_)
        if (SameName(a->name, name))
            a->removed = true;
}

void LGif::JoinThread() {
    if (thread_)
        WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
}

void LGif::ClearPictures() {
    if (stop_event_)
        SetEvent(stop_event_.get());
    JoinThread();
    std::vector<std::unique_ptr<Animation>> gone;
    {
        std::lock_guard guard(lock_);
        thread_running_ = false;
        gone.swap(animations_);
        stills_.clear();
        clock_ = 0;
    }
    for (auto& a : gone) {
        a->picture.reset(); // the decoder holds the copy open until then
        DeleteFileW(a->copy_path.c_str());
    }
    const std::wstring temp = TempFolder();
    RemoveDirectoryW(temp.substr(0, temp.size() - 1).c_str());
}

bool LGif::DrawPicture(Gdiplus::Graphics& graphics, const std::wstring& folder, const std::wstring& name,
                       int left, int top, int width, int height) {
    if (!IsPlainName(name))
        return false;
    const Gdiplus::Rect rect(left, top, width, height);
    std::lock_guard guard(lock_);
    for (const std::wstring& still : stills_) {
        if (!SameName(still, name))
            continue;
        Gdiplus::Bitmap picture((folder + name).c_str());
        return picture.GetLastStatus() == Gdiplus::Ok && graphics.DrawImage(&picture, rect) == Gdiplus::Ok;
    }
    for (auto& a : animations_)
        if (!a->removed && SameName(a->name, name))
            return graphics.DrawImage(a->picture.get(), rect) == Gdiplus::Ok;
    return false;
}

DWORD WINAPI LGif::ThreadProc(void* self) {
    static_cast<LGif*>(self)->RunFrames();
    return 0;
}

void LGif::DropRemovedLocked() {
    for (auto it = animations_.begin(); it != animations_.end();) {
        if (!(*it)->removed) {
            ++it;
            continue;
        }
        (*it)->picture.reset();
        DeleteFileW((*it)->copy_path.c_str());
        it = animations_.erase(it);
    }
}

void LGif::RunFrames() {
    GUID time = Gdiplus::FrameDimensionTime;
    for (;;) {
        int64_t wait = 0;
        {
            std::lock_guard guard(lock_);
            DropRemovedLocked();
            if (animations_.empty()) {
                thread_running_ = false;
                return;
            }
            auto current = [](const Animation& a) {
                return a.active && !a.removed && a.frame >= 0 && a.frame < a.steps
                           ? a.schedule[static_cast<size_t>(a.frame)]
                           : kNoTime;
            };
            int64_t due = kNoTime;
            for (auto& a : animations_)
                due = std::min(due, current(*a));
            if (due == kNoTime) {
                thread_running_ = false;
                return;
            }
            clock_ = due;
            for (auto& a : animations_) {
                if (current(*a) > due)
                    continue;
                const int frames = a->steps - 1;
                if (a->frame < frames &&
                    a->picture->SelectActiveFrame(&time, static_cast<UINT>(a->frame)) == Gdiplus::Ok &&
                    IsVisibleToolkitWindow(a->target))
                    PostMessageW(a->target, LNotify::kGifFrame, 0, 0);
                if (++a->frame >= a->steps) {
                    a->frame = 0;
                    const int64_t loop = a->schedule.back() - a->schedule.front();
                    for (int64_t& t : a->schedule)
                        t += loop;
                }
            }
            int64_t next = kNoTime;
            for (auto& a : animations_)
                next = std::min(next, current(*a));
            wait = next == kNoTime ? 0 : next - due;
        }
        if (wait > 0) {
            if (WaitForSingleObject(stop_event_.get(), static_cast<DWORD>(wait)) != WAIT_TIMEOUT)
                break;
        } else if (WaitForSingleObject(stop_event_.get(), 0) != WAIT_TIMEOUT) {
            break;
        }
    }
    std::lock_guard guard(lock_);
    thread_running_ = false;
}
