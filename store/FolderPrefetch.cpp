#include "store/FolderPrefetch.h"

#include <algorithm>
#include <utility>

#include "store/xml/FindHandle.h"

FolderPrefetch::FolderPrefetch(std::wstring root) {
    walker_ = std::thread([this, root = std::move(root)] {
        Walk(root, 1);
        std::lock_guard<std::mutex> hold(lock_);
        done_ = true;
        changed_.notify_all();
    });
}

FolderPrefetch::~FolderPrefetch() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
        changed_.notify_all();
    }
    walker_.join();
}

bool FolderPrefetch::Next(Item& item) {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [this] { return !queue_.empty() || done_; });
    if (queue_.empty())
        return false;
    item = std::move(queue_.front());
    queue_.pop_front();
    queued_bytes_ -= item.data.size();
    changed_.notify_all();
    return true;
}

bool FolderPrefetch::Push(Item item) {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [this] {
        return stop_ || queue_.empty() ||
               (queue_.size() < kMaxQueuedItems && queued_bytes_ < kMaxQueuedBytes);
    });
    if (stop_)
        return false;
    queued_bytes_ += item.data.size();
    queue_.push_back(std::move(item));
    changed_.notify_all();
    return true;
}

void FolderPrefetch::ReadAhead(Item& item) {
    // Opened as the archive always opened its sources: nobody may write the file meanwhile.
    FileHandle file(CreateFileW(item.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return;
    item.opened = true;
    LARGE_INTEGER size{};
    const size_t expected = GetFileSizeEx(file.get(), &size)
                                ? static_cast<size_t>(std::min<LONGLONG>(size.QuadPart, kReadAheadLimit))
                                : 0;
    // One byte more than the size tells in a single read whether the file ends there.
    item.data.resize(expected + 1);
    size_t have = 0;
    for (;;) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(item.data.size() - have);
        if (!ReadFile(file.get(), item.data.data() + have, want, &got, nullptr)) {
            item.read_failed = true;
            break;
        }
        have += got;
        if (got == 0 || have < item.data.size())
            break; // the end (a disk file reads short only there)
        if (have > kReadAheadLimit) {
            item.rest = std::move(file); // a large file: the rest is read as it is written
            break;
        }
        item.data.resize(std::min(item.data.size() * 2, kReadAheadLimit + 1));
    }
    item.data.resize(have);
}

void FolderPrefetch::Walk(const std::wstring& folder, int depth) {
    FindHandle find(folder + L"\\*");
    if (!find.ok())
        return;
    do {
        const WIN32_FIND_DATAW& data = find.data();
        if (data.cFileName[0] == L'.')
            continue;
        Item item;
        item.path = folder + L"\\" + data.cFileName;
        item.attributes = data.dwFileAttributes;
        item.depth = depth;
        item.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!item.folder)
            ReadAhead(item);
        const std::wstring path = item.path;
        const bool folder_item = item.folder;
        if (!Push(std::move(item)))
            return;
        if (folder_item)
            Walk(path, depth + 1);
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (stop_)
                return;
        }
    } while (find.next());
}
