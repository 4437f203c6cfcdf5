#include "store/ZipNames.h"

#include "store/xml/Encoding.h"

namespace ZipNames {

std::string Encode(std::wstring_view name) {
    std::wstring slashed(name);
    for (wchar_t& c : slashed)
        if (c == L'\\')
            c = L'/';
    return WideToUtf8(slashed);
}

std::wstring Decode(std::string_view bytes, uint32_t flag, uint32_t version_made_by) {
    const bool utf8 = (flag & kUtf8Flag) || ((version_made_by >> 8) == kHostUnix && IsValidUtf8(bytes));
    std::wstring name = utf8 ? Utf8ToWide(bytes) : CodePageToWide(0, bytes);
    for (wchar_t& c : name)
        if (c == L'/')
            c = L'\\';
    return name;
}

bool IsSafeRelative(std::wstring_view name) {
    if (name.empty() || name.front() == L'\\' || name.find(L':') != std::wstring_view::npos)
        return false;
    for (wchar_t c : name)
        if (c < L' ')
            return false;
    size_t begin = 0;
    while (begin <= name.size()) {
        size_t end = name.find(L'\\', begin);
        if (end == std::wstring_view::npos)
            end = name.size();
        std::wstring_view part = name.substr(begin, end - begin);
        // Windows drops trailing dots and spaces, so "..." and ". ." climb like "..".
        if (!part.empty() && part.find_first_not_of(L". ") == std::wstring_view::npos && part != L".")
            return false;
        begin = end + 1;
    }
    return true;
}

} // namespace ZipNames
