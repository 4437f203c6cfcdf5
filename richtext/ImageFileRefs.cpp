#include "richtext/ImageFileRefs.h"

#include <windows.h>

ImageFileRefs& ImageFileRefs::Instance() {
    static ImageFileRefs* refs = new ImageFileRefs;
    return *refs;
}

int ImageFileRefs::AddRef(const std::wstring& path) {
    auto it = counts_.find(path);
    if (it == counts_.end()) {
        counts_[path] = 2;
        return 2;
    }
    return ++it->second;
}

int ImageFileRefs::Release(const std::wstring& path) {
    auto it = counts_.find(path);
    if (it == counts_.end())
        return 0;
    if (--it->second > 0)
        return it->second;
    counts_.erase(it);
    DeleteFileW(path.c_str());
    return 0;
}

int ImageFileRefs::Count(const std::wstring& path) const {
    auto it = counts_.find(path);
    return it == counts_.end() ? 0 : it->second;
}
