#include "reminder/LunarCalendar.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct Ymd {
    int y, m, d;
};

// Lunar new year's days as published, kept apart from the calendar's own table.
constexpr Ymd kNewYears[] = {
    {1902, 2, 8},  {1903, 1, 29}, {1904, 2, 16}, {1905, 2, 4},  {1906, 1, 25}, {1907, 2, 13}, {1908, 2, 2},
    {1909, 1, 22}, {1910, 2, 10}, {1911, 1, 30}, {1912, 2, 18}, {1913, 2, 6},  {1914, 1, 26}, {1915, 2, 14},
    {1916, 2, 3},  {1917, 1, 23}, {1918, 2, 11}, {1919, 2, 1},  {1920, 2, 20}, {1921, 2, 8},  {1922, 1, 28},
    {1923, 2, 16}, {1924, 2, 5},  {1925, 1, 24}, {1926, 2, 13}, {1927, 2, 2},  {1928, 1, 23}, {1929, 2, 10},
    {1930, 1, 30}, {1931, 2, 17}, {1932, 2, 6},  {1933, 1, 26}, {1934, 2, 14}, {1935, 2, 4},  {1936, 1, 24},
    {1937, 2, 11}, {1938, 1, 31}, {1939, 2, 19}, {1940, 2, 8},  {1941, 1, 27}, {1942, 2, 15}, {1943, 2, 5},
    {1944, 1, 25}, {1945, 2, 13}, {1946, 2, 2},  {1947, 1, 22}, {1948, 2, 10}, {1949, 1, 29}, {1950, 2, 17},
    {1951, 2, 6},  {1952, 1, 27}, {1953, 2, 14}, {1954, 2, 3},  {1955, 1, 24}, {1956, 2, 12}, {1957, 1, 31},
    {1958, 2, 18}, {1959, 2, 8},  {1960, 1, 28}, {1961, 2, 15}, {1962, 2, 5},  {1963, 1, 25}, {1964, 2, 13},
    {1965, 2, 2},  {1966, 1, 21}, {1967, 2, 9},  {1968, 1, 30}, {1969, 2, 17}, {1970, 2, 6},  {1971, 1, 27},
    {1972, 2, 15}, {1973, 2, 3},  {1974, 1, 23}, {1975, 2, 11}, {1976, 1, 31}, {1977, 2, 18}, {1978, 2, 7},
    {1979, 1, 28}, {1980, 2, 16}, {1981, 2, 5},  {1982, 1, 25}, {1983, 2, 13}, {1984, 2, 2},  {1985, 2, 20},
    {1986, 2, 9},  {1987, 1, 29}, {1988, 2, 17}, {1989, 2, 6},  {1990, 1, 27}, {1991, 2, 15}, {1992, 2, 4},
    {1993, 1, 23}, {1994, 2, 10}, {1995, 1, 31}, {1996, 2, 19}, {1997, 2, 7},  {1998, 1, 28}, {1999, 2, 16},
    {2000, 2, 5},  {2001, 1, 24}, {2002, 2, 12}, {2003, 2, 1},  {2004, 1, 22}, {2005, 2, 9},  {2006, 1, 29},
    {2007, 2, 18}, {2008, 2, 7},  {2009, 1, 26}, {2010, 2, 14}, {2011, 2, 3},  {2012, 1, 23}, {2013, 2, 10},
    {2014, 1, 31}, {2015, 2, 19}, {2016, 2, 8},  {2017, 1, 28}, {2018, 2, 16}, {2019, 2, 5},  {2020, 1, 25},
    {2021, 2, 12}, {2022, 2, 1},  {2023, 1, 22}, {2024, 2, 10}, {2025, 1, 29}, {2026, 2, 17}, {2027, 2, 6},
    {2028, 1, 26}, {2029, 2, 13}, {2030, 2, 3},  {2031, 1, 23}, {2032, 2, 11}, {2033, 1, 31}, {2034, 2, 19},
    {2035, 2, 8},  {2036, 1, 28}, {2037, 2, 15}, {2038, 2, 4},  {2039, 1, 24}, {2040, 2, 12}, {2041, 2, 1},
    {2042, 1, 22}, {2043, 2, 10}, {2044, 1, 30}, {2045, 2, 17}, {2046, 2, 6},  {2047, 1, 26}, {2048, 2, 14},
    {2049, 2, 2},  {2050, 1, 23},
};

constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int MonthLength(int y, int m) {
    return m == 2 && IsLeap(y) ? 29 : kDaysInMonth[m - 1];
}

Ymd NextDay(Ymd d) {
    if (++d.d > MonthLength(d.y, d.m)) {
        d.d = 1;
        if (++d.m > 12) {
            d.m = 1;
            ++d.y;
        }
    }
    return d;
}

Ymd PreviousDay(Ymd d) {
    if (--d.d < 1) {
        if (--d.m < 1) {
            d.m = 12;
            --d.y;
        }
        d.d = MonthLength(d.y, d.m);
    }
    return d;
}

LunarDate Lunar(int y, int m, int d) {
    return SolarToLunar(y, m, d);
}

LunarDate L(int y, int m, int d) {
    return {static_cast<uint16_t>(y), static_cast<uint16_t>(m), static_cast<uint16_t>(d)};
}

// The month-size word of a year rebuilt from the month sizes, the leap month in its place.
unsigned RebuiltWord(int year) {
    unsigned word = 0;
    int bit = 15;
    for (int m = 1; m <= 12; ++m) {
        const LunarMonthSizes s = LunarMonthDays(year, m);
        word |= (s.month == 30 ? 1u : 0u) << bit--;
        if (s.leap)
            word |= (s.leap == 30 ? 1u : 0u) << bit--;
    }
    return word;
}

} // namespace

void PrintTo(const LunarDate& d, std::ostream* os) {
    *os << d.year << "-" << d.month << "-" << d.day;
}

TEST(Lunar, DayIndexCountsGregorianLeapDays) {
    EXPECT_EQ(DayIndex(1901, 1, 1), 0);
    EXPECT_EQ(DayIndex(1901, 2, 19), 49);
    EXPECT_EQ(DayIndex(1901, 3, 1), 59);
    // 2000 is a leap year (divisible by 400), 1900 is not (divisible by 100).
    EXPECT_EQ(DayIndex(2000, 3, 1) - DayIndex(2000, 2, 28), 2);
    EXPECT_EQ(DayIndex(1900, 3, 1) - DayIndex(1900, 2, 28), 1);
    EXPECT_EQ(DayIndex(1900, 3, 1), -306);
    EXPECT_EQ(DayIndex(2000, 3, 1), 36219);
}

TEST(Lunar, ExamplesOfTheCalendar) {
    EXPECT_EQ(Lunar(1901, 1, 1), L(1900, 11, 11));
    EXPECT_EQ(Lunar(1901, 1, 19), L(1900, 11, 29));
    EXPECT_EQ(Lunar(1901, 1, 20), L(1900, 12, 1));
    EXPECT_EQ(Lunar(1901, 2, 18), L(1900, 12, 30));
    EXPECT_EQ(Lunar(1901, 2, 19), L(1901, 1, 1));
    EXPECT_EQ(Lunar(1949, 10, 1), L(1949, 8, 10));
    EXPECT_EQ(Lunar(1949, 10, 6), L(1949, 8, 15));
    EXPECT_EQ(Lunar(2017, 1, 28), L(2017, 1, 1));
    EXPECT_EQ(Lunar(2020, 5, 23), L(2020, 4, 1));   // first day of the leap fourth month
    EXPECT_EQ(Lunar(2033, 12, 22), L(2033, 11, 1)); // leap eleventh month
    EXPECT_EQ(Lunar(2024, 2, 10), L(2024, 1, 1));
    EXPECT_EQ(Lunar(2025, 1, 29), L(2025, 1, 1));
    EXPECT_EQ(Lunar(2026, 2, 17), L(2026, 1, 1));
    EXPECT_EQ(Lunar(2051, 2, 10), L(2050, 12, LunarMonthDays(2050, 12).month));
}

TEST(Lunar, TellingRowsOfTheYearTable) {
    struct Row {
        int year;
        unsigned word;
        int leap;
        int days;
    } rows[] = {{1901, 0x4AE0, 0, 354},  {1902, 0xA570, 0, 355}, {1903, 0x5268, 5, 383},
                {2016, 0xA5B0, 0, 355},  {2017, 0x52B8, 6, 384}, {2023, 0x4DA8, 2, 384},
                {2033, 0x4AE8, 11, 384}, {2020, 0x74A8, 4, 384}, {2025, 0xA570, 6, 384}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.year);
        EXPECT_EQ(RebuiltWord(r.year), r.word);
        EXPECT_EQ(LunarLeapMonth(r.year), r.leap);
        EXPECT_EQ(LunarYearDays(r.year), r.days);
    }
    // Before the table a month has 30 days and no leap month follows.
    EXPECT_EQ(LunarMonthDays(1900, 5).month, 30);
    EXPECT_EQ(LunarMonthDays(1900, 5).leap, 0);
}

TEST(Lunar, EveryPublishedNewYearsDayFrom1902To2050) {
    int next_year = 1902;
    for (const Ymd& ny : kNewYears) {
        ASSERT_EQ(ny.y, next_year++);
        SCOPED_TRACE(ny.y);
        EXPECT_EQ(Lunar(ny.y, ny.m, ny.d), L(ny.y, 1, 1));
        const Ymd eve = PreviousDay(ny);
        const LunarDate last = Lunar(eve.y, eve.m, eve.d);
        EXPECT_EQ(last.year, ny.y - 1);
        EXPECT_EQ(last.month, 12);
        EXPECT_GE(last.day, 29);
    }
    EXPECT_EQ(next_year, 2051);
}

TEST(Lunar, EveryDayOfTheTableFollowsOnFromTheDayBefore) {
    // Walks 1901-02-19 to 2051-02-10: days count up within a month of 29 or 30 days, a month number
    // repeats exactly for the year's leap month, and the years' lengths add up.
    Ymd d{1901, 2, 19};
    LunarDate prev = Lunar(d.y, d.m, d.d);
    ASSERT_EQ(prev, L(1901, 1, 1));
    int run = 1, repeats = 0;
    for (d = NextDay(d); !(d.y == 2051 && d.m == 2 && d.d == 11); d = NextDay(d)) {
        const LunarDate cur = Lunar(d.y, d.m, d.d);
        if (cur.day == prev.day + 1) {
            ASSERT_EQ(cur.month, prev.month) << d.y << "-" << d.m << "-" << d.d;
            ASSERT_EQ(cur.year, prev.year);
            ++run;
        } else {
            ASSERT_EQ(cur.day, 1) << d.y << "-" << d.m << "-" << d.d;
            ASSERT_TRUE(run == 29 || run == 30) << d.y << "-" << d.m << "-" << d.d;
            if (cur.month == prev.month) {
                ASSERT_EQ(LunarLeapMonth(cur.year), cur.month) << cur.year;
                ++repeats;
            } else if (cur.month == 1) {
                ASSERT_EQ(prev.month, 12);
                ASSERT_EQ(cur.year, prev.year + 1);
            } else {
                ASSERT_EQ(cur.month, prev.month + 1);
            }
            run = 1;
        }
        prev = cur;
    }
    int leap_years = 0;
    for (int y = 1901; y <= 2050; ++y)
        leap_years += LunarLeapMonth(y) != 0;
    EXPECT_EQ(repeats, leap_years);
    EXPECT_EQ(leap_years, 55);
}

TEST(Lunar, EveryDayOfALeapMonthReportsTheMonthItFollows) {
    // Leap 4th month of 2020: 2020-05-23 to 2020-06-20.
    for (Ymd d{2020, 5, 23}, i{0, 0, 1}; i.d <= 29; d = NextDay(d), ++i.d)
        EXPECT_EQ(Lunar(d.y, d.m, d.d), L(2020, 4, i.d));
    EXPECT_EQ(Lunar(2020, 6, 21), L(2020, 5, 1));
    // Leap 2nd month of 2023: 2023-03-22 to 2023-04-19.
    for (Ymd d{2023, 3, 22}, i{0, 0, 1}; i.d <= 29; d = NextDay(d), ++i.d)
        EXPECT_EQ(Lunar(d.y, d.m, d.d), L(2023, 2, i.d));
    EXPECT_EQ(Lunar(2023, 4, 20), L(2023, 3, 1));
    // Leap 6th month of 2017 starts 2017-07-23, leap 11th of 2033 runs into 2034.
    EXPECT_EQ(Lunar(2017, 7, 22), L(2017, 6, 29));
    EXPECT_EQ(Lunar(2017, 7, 23), L(2017, 6, 1));
    EXPECT_EQ(Lunar(2017, 8, 21), L(2017, 6, 30));
    EXPECT_EQ(Lunar(2017, 8, 22), L(2017, 7, 1));
    EXPECT_EQ(Lunar(2034, 1, 19), L(2033, 11, 29));
    EXPECT_EQ(Lunar(2034, 1, 20), L(2033, 12, 1));
}

TEST(Lunar, DatesOutsideTheTableStayWellFormed) {
    for (const Ymd d : {Ymd{1, 1, 1}, Ymd{1850, 6, 1}, Ymd{1900, 12, 31}, Ymd{2051, 2, 11}, Ymd{2100, 1, 1},
                        Ymd{9999, 12, 31}}) {
        const LunarDate l = Lunar(d.y, d.m, d.d);
        EXPECT_GE(l.month, 1);
        EXPECT_LE(l.month, 12);
        EXPECT_GE(l.day, 1);
        EXPECT_LE(l.day, 30);
    }
    EXPECT_EQ(Lunar(2051, 2, 11), L(2051, 1, 1));
}
