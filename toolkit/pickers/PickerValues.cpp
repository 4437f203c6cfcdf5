#include "toolkit/pickers/PickerValues.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr int64_t kArgbLowest = INT32_MIN;
constexpr int64_t kArgbHighest = UINT32_MAX;
constexpr int kSizeDecimals = 2;

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

std::wstring_view Trimmed(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

} // namespace

bool ParseArgbText(std::wstring_view text, uint32_t& argb) {
    text = Trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
        negative = text.front() == L'-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    int64_t value = 0;
    for (wchar_t c : text) {
        if (!IsDigit(c))
            return false;
        value = value * 10 + (c - L'0');
        if (value > kArgbHighest - kArgbLowest) // far beyond either end: stop before overflowing
            return false;
    }
    if (negative)
        value = -value;
    if (value < kArgbLowest || value > kArgbHighest)
        return false;
    argb = static_cast<uint32_t>(value);
    return true;
}

std::wstring ArgbText(uint32_t argb) {
    return std::to_wstring(static_cast<int32_t>(argb));
}

bool ParseSizeText(std::wstring_view text, double& size) {
    text = Trimmed(text);
    double value = 0, scale = 1;
    bool point = false, digits = false;
    for (wchar_t c : text) {
        if (c == L'.' && !point) {
            point = true;
        } else if (IsDigit(c)) {
            digits = true;
            if (point) {
                scale /= 10;
                value += (c - L'0') * scale;
            } else {
                value = value * 10 + (c - L'0');
            }
        } else {
            return false;
        }
    }
    if (!digits || !std::isfinite(value))
        return false;
    size = value;
    return true;
}

std::wstring SizeText(double size) {
    wchar_t buf[64] = {};
    if (size == std::floor(size) && std::fabs(size) < 1e15) {
        std::swprintf(buf, 64, L"%lld", static_cast<long long>(size));
        return buf;
    }
    std::swprintf(buf, 64, L"%.*f", kSizeDecimals, size);
    std::wstring text = buf;
    while (!text.empty() && text.back() == L'0')
        text.pop_back();
    if (!text.empty() && text.back() == L'.')
        text.pop_back();
    return text;
}
