#pragma once
// Pictures' data files with the number of glyphs that share each one. UI thread only; not locked.
#include <string>
#include <unordered_map>

class ImageFileRefs {
public:
    static ImageFileRefs& Instance();
    void Set(const std::wstring& path, int count) { counts_[path] = count; }
    // A clone shares the file: old count + 1, or 2 when the path had no entry.
    int AddRef(const std::wstring& path);
    // Lowers the count; at 0 the entry goes and the file is deleted. Answers the remaining count.
    int Release(const std::wstring& path);
    int Count(const std::wstring& path) const;

private:
    std::unordered_map<std::wstring, int> counts_;
};
