#include "reminder/CDateTime.h"

#include <cstdio>
#include <ctime>

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kSecondsPerHour = 3600;
constexpr int64_t kSecondsPerMinute = 60;

bool LocalBrokenDown(int64_t t, std::tm& out) {
    const __time64_t value = t;
    return _localtime64_s(&out, &value) == 0;
}

// Reads at most width digits after optional white space and sign, as scanf's "%Nd" does.
bool ReadField(std::wstring_view text, size_t& pos, int width, int32_t& out) {
    while (pos < text.size() && (text[pos] == L' ' || text[pos] == L'\t'))
        ++pos;
    size_t p = pos;
    bool negative = false;
    if (p < text.size() && (text[p] == L'-' || text[p] == L'+')) {
        negative = text[p] == L'-';
        ++p;
        --width;
    }
    int64_t value = 0;
    int digits = 0;
    for (; p < text.size() && digits < width && text[p] >= L'0' && text[p] <= L'9'; ++p, ++digits)
        value = value * 10 + (text[p] - L'0');
    if (digits == 0)
        return false;
    out = static_cast<int32_t>(negative ? -value : value);
    pos = p;
    return true;
}

bool ReadSeparator(std::wstring_view text, size_t& pos, wchar_t sep) {
    if (sep == L' ') {
        // White space in a pattern matches any run of it, including none.
        while (pos < text.size() && (text[pos] == L' ' || text[pos] == L'\t'))
            ++pos;
        return true;
    }
    if (pos < text.size() && text[pos] == sep) {
        ++pos;
        return true;
    }
    return false;
}

} // namespace

CDateTime::CDateTime() {
    FromSeconds(static_cast<int64_t>(_time64(nullptr)));
}

CDateTime::CDateTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second)
    : year(year), month(month), day(day), hour(hour), minute(minute), second(second) {}

std::wstring CDateTime::Format(std::wstring_view pattern) const {
    std::wstring out(pattern);
    const struct {
        const wchar_t* code;
        const wchar_t* format;
        int32_t value;
    } fields[] = {{L"%Y", L"%04d", year}, {L"%m", L"%02d", month},  {L"%d", L"%02d", day},
                  {L"%H", L"%02d", hour}, {L"%M", L"%02d", minute}, {L"%S", L"%02d", second}};
    for (const auto& f : fields) {
        const size_t at = out.find(f.code);
        if (at == std::wstring::npos)
            continue;
        wchar_t buf[16];
        swprintf(buf, 16, f.format, f.value);
        out.replace(at, 2, buf);
    }
    return out;
}

bool CDateTime::Parse(std::wstring_view text) {
    if (text.empty())
        return false;
    struct Field {
        int32_t* target;
        int width;
        wchar_t separator_before;
    } fields[] = {{&year, 4, 0},    {&month, 2, L'-'},  {&day, 2, L'-'},
                  {&hour, 2, L' '}, {&minute, 2, L':'}, {&second, 2, L':'}};
    size_t pos = 0;
    for (const Field& f : fields) {
        if (f.separator_before && !ReadSeparator(text, pos, f.separator_before))
            break;
        if (!ReadField(text, pos, f.width, *f.target))
            break;
    }
    return true;
}

int64_t CDateTime::ToSeconds() const {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return static_cast<int64_t>(_mktime64(&t));
}

void CDateTime::FromSeconds(int64_t t) {
    std::tm b{};
    if (!LocalBrokenDown(t, b))
        return; // out of the runtime's range: the time keeps its fields
    year = b.tm_year + 1900;
    month = b.tm_mon + 1;
    day = b.tm_mday;
    hour = b.tm_hour;
    minute = b.tm_min;
    second = b.tm_sec;
}

CDateTime CDateTime::Add(int32_t days, int32_t hours, int32_t minutes, int32_t seconds) {
    const int64_t base = ToSeconds();
    if (base == -1)
        return *this; // the runtime cannot place this time; adding to an error value would invent one
    FromSeconds(base + days * kSecondsPerDay + hours * kSecondsPerHour + minutes * kSecondsPerMinute +
                seconds);
    return *this;
}

CDateTimeSpan CDateTime::Difference(const CDateTime& other) const {
    const int64_t d = ToSeconds() - other.ToSeconds();
    const int64_t r = d % kSecondsPerDay;
    return CDateTimeSpan(static_cast<int32_t>(d / kSecondsPerDay), static_cast<int32_t>(r / kSecondsPerHour),
                         static_cast<int32_t>((r % kSecondsPerHour) / kSecondsPerMinute),
                         static_cast<int32_t>(r % kSecondsPerMinute));
}
