#pragma once
// Local calendar times and their differences. Arithmetic goes through the C runtime's local-time
// conversion, so days that gain or lose an hour are resolved the way the runtime resolves them.
#include <cstdint>
#include <string>
#include <string_view>

class CDateTimeSpan {
public:
    CDateTimeSpan() = default;
    CDateTimeSpan(int32_t days, int32_t hours, int32_t minutes, int32_t seconds)
        : days(days), hours(hours), minutes(minutes), seconds(seconds) {}
    virtual ~CDateTimeSpan() = default;
    CDateTimeSpan(const CDateTimeSpan&) = default;
    CDateTimeSpan& operator=(const CDateTimeSpan&) = default;

    int32_t days = 0;
    int32_t hours = 0;
    int32_t minutes = 0;
    int32_t seconds = 0;
};

class CDateTime {
public:
    static constexpr wchar_t kTextPattern[] = L"%Y-%m-%d %H:%M:%S";

    // The current local time.
    CDateTime();
    CDateTime(int32_t year, int32_t month, int32_t day, int32_t hour = 0, int32_t minute = 0,
              int32_t second = 0);
    virtual ~CDateTime() = default;
    CDateTime(const CDateTime&) = default;
    CDateTime& operator=(const CDateTime&) = default;

    static CDateTime Now() { return CDateTime(); }

    // Replaces the first "%Y", "%m", "%d", "%H", "%M" and "%S" of pattern; other text stays.
    std::wstring Format(std::wstring_view pattern = kTextPattern) const;
    // Reads "YYYY-MM-DD hh:mm:ss"; fields the text does not reach keep their values. False only for
    // an empty text.
    bool Parse(std::wstring_view text);
    // Moves this time by the sum of the parts (any sign) and answers the new time.
    CDateTime Add(int32_t days, int32_t hours, int32_t minutes, int32_t seconds);
    // this - other, every component truncated towards zero.
    CDateTimeSpan Difference(const CDateTime& other) const;

    bool operator==(const CDateTime& o) const {
        return year == o.year && month == o.month && day == o.day && hour == o.hour && minute == o.minute &&
               second == o.second;
    }

    int32_t year = 1970;
    int32_t month = 1;
    int32_t day = 1;
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;

private:
    int64_t ToSeconds() const;
    void FromSeconds(int64_t t);
};
