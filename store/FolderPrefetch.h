#pragma once
// Walks a folder tree on a thread of its own and reads small files ahead, so that an archive can
// compress one file while the next is listed, opened and read. Items come in the order a depth-first
// walk gives them: a folder, then its content in listing order; names starting with "." are left out.
#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "store/xml/FileHandle.h"

class FolderPrefetch {
public:
    // Files up to this size are read whole; a larger one comes with its first bytes and its handle.
    static constexpr size_t kReadAheadLimit = 1024 * 1024;

    struct Item {
        bool folder = false;
        std::wstring path; // the root's path + "\" + names
        DWORD attributes = 0;
        int depth = 0; // 1 for the root's own content
        // Files only.
        bool opened = false;      // false: the file could not be opened (nothing was read)
        bool read_failed = false; // a read failed after `data`
        std::vector<char> data;
        FileHandle rest; // open when more than `data` may follow
    };

    // root: a folder path without a trailing "\".
    explicit FolderPrefetch(std::wstring root);
    // Stops the walk where it is.
    ~FolderPrefetch();
    FolderPrefetch(const FolderPrefetch&) = delete;
    FolderPrefetch& operator=(const FolderPrefetch&) = delete;

    // The next item; false once the walk is over.
    bool Next(Item& item);

private:
    void Walk(const std::wstring& folder, int depth);
    void ReadAhead(Item& item);
    // Waits for room; false when the consumer has gone.
    bool Push(Item item);

    static constexpr size_t kMaxQueuedItems = 256;
    static constexpr size_t kMaxQueuedBytes = 8 * 1024 * 1024;

    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Item> queue_;
    size_t queued_bytes_ = 0;
    bool done_ = false;
    bool stop_ = false;
    std::thread walker_;
};
