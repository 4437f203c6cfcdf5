#include "reminder/LunarCalendar.h"

namespace {

// One word per lunar year from 1901: its months in order, the leap month in its place right after
// the month it follows, from bit 15 down; a set bit is a month of 30 days, a clear bit 29. Example:
// 1903 (leap fifth month) is 0x5268 = 0101 0010 0110 1000: months 1..5 = 29,30,29,30,29, leap 5 = 29,
// 6 = 30, 7 = 29, 8 = 29, 9 = 30, 10 = 30, 11 = 29, 12 = 30; the three low bits are unused.
// Derived from the true new moons and principal solar terms at Beijing (UTC+8); 1914-1916 and 1920
// follow the calendar as published then, reckoned on Beijing mean time.
constexpr uint16_t kMonthWords[kLunarLastYear - kLunarFirstYear + 1] = {
    0x4AE0, 0xA570, 0x5268, 0xD260, 0xD950, 0x6AA8, 0x56A0, 0x9AD0, 0x4AE8, 0x4AE0, // 1901-1910
    0xA4D8, 0xA4D0, 0xD250, 0xD528, 0xB540, 0xD6A0, 0x96D0, 0x95B0, 0x49B8, 0x4970, // 1911-1920
    0xA4B0, 0xB258, 0x6A50, 0x6D40, 0xADA8, 0x2B60, 0x9570, 0x4978, 0x4970, 0x64B0, // 1921-1930
    0xD4A0, 0xEA50, 0x6D48, 0x5AD0, 0x2B60, 0x9370, 0x92E0, 0xC968, 0xC950, 0xD4A0, // 1931-1940
    0xDA50, 0xB550, 0x56A0, 0xAAD8, 0x25D0, 0x92D0, 0xC958, 0xA950, 0xB4A8, 0x6CA0, // 1941-1950
    0xB550, 0x55A8, 0x4DA0, 0xA5B0, 0x52B8, 0x52B0, 0xA950, 0xE950, 0x6AA0, 0xAD50, // 1951-1960
    0xAB50, 0x4B60, 0xA570, 0xA570, 0x5260, 0xE930, 0xD950, 0x5AA8, 0x56A0, 0x96D0, // 1961-1970
    0x4AE8, 0x4AD0, 0xA4D0, 0xD268, 0xD250, 0xD528, 0xB540, 0xB6A0, 0x96D0, 0x95B0, // 1971-1980
    0x49B0, 0xA4B8, 0xA4B0, 0xB258, 0x6A50, 0x6D40, 0xADA0, 0xAB60, 0x9570, 0x4978, // 1981-1990
    0x4970, 0x64B0, 0x6A50, 0xEA50, 0x6B28, 0x5AC0, 0xAB60, 0x9368, 0x92E0, 0xC960, // 1991-2000
    0xD4A8, 0xD4A0, 0xDA50, 0x5AA8, 0x56A0, 0xAAD8, 0x25D0, 0x92D0, 0xC958, 0xA950, // 2001-2010
    0xB4A0, 0xB550, 0xAD50, 0x55A8, 0x4BA0, 0xA5B0, 0x52B8, 0x52B0, 0xA930, 0x74A8, // 2011-2020
    0x6AA0, 0xAD50, 0x4DA8, 0x4B60, 0xA570, 0xA4E0, 0xD260, 0xE930, 0xD530, 0x5AA0, // 2021-2030
    0x6B50, 0x96D0, 0x4AE8, 0x4AD0, 0xA4D0, 0xD258, 0xD250, 0xD520, 0xDAA0, 0xB5A0, // 2031-2040
    0x56D0, 0x4AD8, 0x49B0, 0xA4B8, 0xA4B0, 0xAA50, 0xB528, 0x6D20, 0xADA0, 0x55B0, // 2041-2050
};

// Leap months, two years a byte: the high nibble for the year with even (year - 1901), the low
// nibble for the year after it; 0 = none. Example: byte 1 = 0x50 holds 1903 (leap 5) and 1904 (none).
constexpr uint8_t kLeapNibbles[(kLunarLastYear - kLunarFirstYear + 2) / 2] = {
    0x00, 0x50, 0x04, 0x00, 0x20, 0x60, 0x05, 0x00, 0x20, 0x70, 0x05, 0x00, 0x40, 0x02, 0x06,
    0x00, 0x50, 0x03, 0x07, 0x00, 0x60, 0x04, 0x00, 0x20, 0x70, 0x05, 0x00, 0x30, 0x80, 0x06,
    0x00, 0x40, 0x03, 0x07, 0x00, 0x50, 0x04, 0x08, 0x00, 0x60, 0x04, 0x0A, 0x00, 0x60, 0x05,
    0x00, 0x30, 0x80, 0x05, 0x00, 0x40, 0x02, 0x07, 0x00, 0x50, 0x04, 0x09, 0x00, 0x60, 0x04,
    0x00, 0x20, 0x60, 0x05, 0x00, 0x30, 0xB0, 0x06, 0x00, 0x50, 0x02, 0x07, 0x00, 0x50, 0x03,
};

constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
// Year x 365 plus the leap days counts from year 0; this removes the days before 1901-01-01.
constexpr int kDayIndexOrigin = 694326;
// 1901-02-19, the first day of lunar 1901, and the last day of lunar 1900's eleventh month.
constexpr int kFirstNewYearIndex = 49;
constexpr int kLastDayOfMonth11Of1900 = 18;
constexpr int kFirstDayIn1900Month11 = 11;
constexpr int kShortMonth = 29, kLongMonth = 30;
constexpr int kMonthsPerYear = 12;

bool InTable(int y) {
    return y >= kLunarFirstYear && y <= kLunarLastYear;
}

bool IsGregorianLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

} // namespace

int DayIndex(int year, int month, int day) {
    const int m = month >= 1 && month <= kMonthsPerYear ? month : 1;
    int n = year * 365 + (year - 1) / 4 - (year - 1) / 100 + (year - 1) / 400 + kDaysBeforeMonth[m - 1];
    if (IsGregorianLeap(year) && m > 2)
        ++n;
    return n + day - kDayIndexOrigin;
}

int LunarLeapMonth(int lunar_year) {
    if (!InTable(lunar_year))
        return 0;
    const int i = lunar_year - kLunarFirstYear;
    const uint8_t b = kLeapNibbles[i / 2];
    return i % 2 == 0 ? b >> 4 : b & 0x0F;
}

LunarMonthSizes LunarMonthDays(int lunar_year, int month) {
    if (!InTable(lunar_year) || month < 1 || month > kMonthsPerYear)
        return {kLongMonth, 0};
    const int leap = LunarLeapMonth(lunar_year);
    const uint16_t word = kMonthWords[lunar_year - kLunarFirstYear];
    const int bit = (leap > 0 && leap < month) ? 15 - month : 16 - month;
    LunarMonthSizes sizes;
    sizes.month = (word >> bit) & 1 ? kLongMonth : kShortMonth;
    if (month == leap)
        sizes.leap = (word >> (bit - 1)) & 1 ? kLongMonth : kShortMonth;
    return sizes;
}

int LunarYearDays(int lunar_year) {
    int total = 0;
    for (int m = 1; m <= kMonthsPerYear; ++m) {
        const LunarMonthSizes s = LunarMonthDays(lunar_year, m);
        total += s.month + s.leap;
    }
    return total;
}

LunarDate SolarToLunar(int year, int month, int day) {
    int n = DayIndex(year, month, day);
    if (n < kFirstNewYearIndex) {
        // Before the table. Days before 1901-01-01 are pinned to its first day rather than given
        // month days that do not exist.
        if (n < 0)
            n = 0;
        if (n <= kLastDayOfMonth11Of1900)
            return {1900, 11, static_cast<uint16_t>(n + kFirstDayIn1900Month11)};
        return {1900, 12, static_cast<uint16_t>(n - kLastDayOfMonth11Of1900)};
    }
    n -= kFirstNewYearIndex;
    int y = kLunarFirstYear;
    for (int days = LunarYearDays(y); n >= days; days = LunarYearDays(y)) {
        n -= days;
        ++y;
    }
    for (int m = 1; m <= kMonthsPerYear; ++m) {
        const LunarMonthSizes s = LunarMonthDays(y, m);
        if (n < s.month)
            return {static_cast<uint16_t>(y), static_cast<uint16_t>(m), static_cast<uint16_t>(n + 1)};
        n -= s.month;
        if (n < s.leap)
            return {static_cast<uint16_t>(y), static_cast<uint16_t>(m), static_cast<uint16_t>(n + 1)};
        n -= s.leap;
    }
    return {static_cast<uint16_t>(y), kMonthsPerYear, kLongMonth}; // not reached: n < the year's days
}
