#pragma once
// Gregorian to Chinese lunar dates, from a table of the published calendar for the lunar years
// 1901 to 2050 (Gregorian 1901-01-01 to 2051-02-10). Only this direction exists.
#include <cstdint>

struct LunarDate {
    uint16_t year = 0;
    uint16_t month = 0; // 1..12; a day of a leap month carries the month it follows
    uint16_t day = 0;   // 1..30
    bool operator==(const LunarDate&) const = default;
};

struct LunarMonthSizes {
    int month = 0; // days of the month
    int leap = 0;  // days of the leap month that follows it, 0 when it has none
};

inline constexpr int kLunarFirstYear = 1901;
inline constexpr int kLunarLastYear = 2050;

// Days since 1901-01-01 (0 for that day), proleptic Gregorian.
int DayIndex(int year, int month, int day);
// Outside the table a month has 30 days and no leap month follows.
LunarMonthSizes LunarMonthDays(int lunar_year, int month);
int LunarYearDays(int lunar_year);
// 0 when the year has no leap month or lies outside the table.
int LunarLeapMonth(int lunar_year);
LunarDate SolarToLunar(int year, int month, int day);
