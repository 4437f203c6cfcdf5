#include "store/xml/Encoding.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

std::string WideToCodePage(unsigned code_page, std::wstring_view text, bool* lossy) {
    if (lossy)
        *lossy = false;
    if (text.empty())
        return {};
    const UINT cp = code_page ? code_page : CP_ACP;
    BOOL used_default = FALSE;
    // UTF-8 and UTF-7 reject the default-character arguments.
    BOOL* used = (cp == CP_UTF8 || cp == CP_UTF7) ? nullptr : &used_default;
    int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, used);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, used);
    if (lossy)
        *lossy = used_default != FALSE;
    return out;
}

std::wstring CodePageToWide(unsigned code_page, std::string_view bytes) {
    if (bytes.empty())
        return {};
    const UINT cp = code_page ? code_page : CP_ACP;
    int n = MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

std::string WideToUtf8(std::wstring_view text) {
    return WideToCodePage(CP_UTF8, text);
}
// Decoded here rather than by the code page API: documents are mostly ASCII and this is on every load.
// Invalid sequences become U+FFFD, as the platform does.
bool DecodeUtf8(std::string_view bytes, std::wstring& out) {
    constexpr wchar_t kReplacement = 0xFFFD;
    constexpr size_t kWord = sizeof(uint64_t);
    constexpr uint64_t kHighBits = 0x8080808080808080ull;
    constexpr size_t kSimdBlock = 16;
    static_assert(sizeof(wchar_t) == 2);
    bool valid = true;
    out.resize(bytes.size());
    wchar_t* w = out.data();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        // Runs of ASCII, a block at a time.
#if defined(__SSE2__) || defined(_M_X64)
        while (end - p >= static_cast<ptrdiff_t>(kSimdBlock)) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            if (_mm_movemask_epi8(block))
                break;
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(w), _mm_unpacklo_epi8(block, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(w + kSimdBlock / 2), _mm_unpackhi_epi8(block, zero));
            w += kSimdBlock;
            p += kSimdBlock;
        }
#endif
        while (end - p >= static_cast<ptrdiff_t>(kWord)) {
            uint64_t word;
            memcpy(&word, p, kWord);
            if (word & kHighBits)
                break;
            for (size_t k = 0; k < kWord; ++k)
                w[k] = static_cast<wchar_t>(p[k]);
            w += kWord;
            p += kWord;
        }
        if (p == end)
            break;
        unsigned c = *p;
        if (c < 0x80) {
            *w++ = static_cast<wchar_t>(c);
            ++p;
            continue;
        }
        size_t extra;
        uint32_t cp, min;
        if (c >= 0xC2 && c <= 0xDF)
            extra = 1, cp = c & 0x1F, min = 0x80;
        else if (c >= 0xE0 && c <= 0xEF)
            extra = 2, cp = c & 0x0F, min = 0x800;
        else if (c >= 0xF0 && c <= 0xF4)
            extra = 3, cp = c & 0x07, min = 0x10000;
        else {
            *w++ = kReplacement;
            valid = false;
            ++p;
            continue;
        }
        size_t k = 1;
        for (; k <= extra && p + k < end && (p[k] & 0xC0) == 0x80; ++k)
            cp = (cp << 6) | (p[k] & 0x3F);
        if (k <= extra || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            *w++ = kReplacement;
            valid = false;
            p += k; // the lead and the continuation bytes it had
            continue;
        }
        p += k;
        if (cp > 0xFFFF) {
            cp -= 0x10000;
            *w++ = static_cast<wchar_t>(0xD800 + (cp >> 10));
            *w++ = static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
        } else {
            *w++ = static_cast<wchar_t>(cp);
        }
    }
    out.resize(static_cast<size_t>(w - out.data()));
    return valid;
}

std::wstring Utf8ToWide(std::string_view bytes) {
    std::wstring out;
    DecodeUtf8(bytes, out);
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        auto c = static_cast<unsigned char>(bytes[i]);
        size_t extra;
        uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1, cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2, cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            auto d = static_cast<unsigned char>(bytes[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

std::wstring AsciiLower(std::wstring_view text) {
    std::wstring out(text);
    for (auto& c : out)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return out;
}

unsigned CodePageOfName(std::wstring_view name) {
    std::wstring n = AsciiLower(name);
    struct Entry {
        const wchar_t* name;
        unsigned cp;
    };
    static const Entry table[] = {
        {L"utf-8", 65001},    {L"utf8", 65001},        {L"ansi", CP_ACP},       {L"gb2312", 936},
        {L"gbk", 936},        {L"gb18030", 54936},     {L"cp936", 936},         {L"big5", 950},
        {L"shift_jis", 932},  {L"euc-kr", 949},        {L"windows-1252", 1252}, {L"iso-8859-1", 28591},
        {L"us-ascii", 20127}, {L"windows-1251", 1251}, {L"windows-1250", 1250}, {L"iso-8859-2", 28592},
        {L"euc-jp", 20932},   {L"koi8-r", 20866},
    };
    for (const auto& e : table)
        if (n == e.name)
            return e.cp == CP_ACP ? GetACP() : e.cp;
    return 0;
}

bool IsLeadByte(unsigned code_page, unsigned char byte) {
    // Unknown code pages fall back as the text's decoding does.
    const UINT cp = code_page && IsValidCodePage(code_page) ? code_page : CP_ACP;
    return IsDBCSLeadByteEx(cp, byte) != FALSE;
}
