#include "reminder/CDateTime.h"

#include <gtest/gtest.h>

TEST(DateTime, FormatPadsEveryFieldAndKeepsOtherText) {
    const CDateTime t(2016, 6, 30, 8, 5, 9);
    EXPECT_EQ(t.Format(L"%Y-%m-%d %H:%M:%S"), L"2016-06-30 08:05:09");
    EXPECT_EQ(t.Format(), L"2016-06-30 08:05:09");
    // Only the first occurrence of each code is replaced; unknown codes stay.
    EXPECT_EQ(t.Format(L"%d/%m/%Y %Y %q"), L"30/06/2016 %Y %q");
    EXPECT_EQ(CDateTime(5, 1, 1).Format(L"%Y"), L"0005");
}

TEST(DateTime, ParseReadsTheTextFormAndKeepsFieldsItDoesNotReach) {
    CDateTime t(2000, 1, 2, 3, 4, 5);
    EXPECT_FALSE(t.Parse(L""));
    EXPECT_EQ(t, CDateTime(2000, 1, 2, 3, 4, 5));
    EXPECT_TRUE(t.Parse(L"2016-06-30 08:05:09"));
    EXPECT_EQ(t, CDateTime(2016, 6, 30, 8, 5, 9));
    EXPECT_TRUE(t.Parse(L"2020-12"));
    EXPECT_EQ(t, CDateTime(2020, 12, 30, 8, 5, 9));
    EXPECT_TRUE(t.Parse(L"garbage"));
    EXPECT_EQ(t, CDateTime(2020, 12, 30, 8, 5, 9));
    // A formatted time reads back to itself.
    CDateTime u(1999, 1, 1);
    EXPECT_TRUE(u.Parse(CDateTime(2031, 11, 9, 23, 59, 1).Format()));
    EXPECT_EQ(u, CDateTime(2031, 11, 9, 23, 59, 1));
}

TEST(DateTime, AddCrossesTheYearEndAndReturnsTheNewValue) {
    CDateTime t(2016, 12, 31, 23, 55, 0);
    const CDateTime r = t.Add(0, 0, 10, 0);
    EXPECT_EQ(t, CDateTime(2017, 1, 1, 0, 5, 0));
    EXPECT_EQ(r, t);
    t.Add(-1, 0, 0, 0);
    EXPECT_EQ(t, CDateTime(2016, 12, 31, 0, 5, 0));
    t.Add(59, 1, 1, 1); // 2017 is a common year
    EXPECT_EQ(t, CDateTime(2017, 2, 28, 1, 6, 1));
    CDateTime leap(2020, 2, 28, 12, 0, 0);
    leap.Add(1, 0, 0, 0);
    EXPECT_EQ(leap, CDateTime(2020, 2, 29, 12, 0, 0));
}

TEST(DateTime, DifferenceTruncatesTowardsZeroInBothDirections) {
    const CDateTime a(2016, 6, 30, 8, 5, 9), b(2016, 7, 7, 8, 5, 10);
    const CDateTimeSpan forward = b.Difference(a);
    EXPECT_EQ(forward.days, 7);
    EXPECT_EQ(forward.hours, 0);
    EXPECT_EQ(forward.minutes, 0);
    EXPECT_EQ(forward.seconds, 1);
    const CDateTimeSpan back = a.Difference(b);
    EXPECT_EQ(back.days, -7);
    EXPECT_EQ(back.hours, 0);
    EXPECT_EQ(back.minutes, 0);
    EXPECT_EQ(back.seconds, -1);
    const CDateTimeSpan mixed = CDateTime(2016, 1, 1, 0, 0, 0).Difference(CDateTime(2016, 1, 2, 1, 2, 3));
    EXPECT_EQ(mixed.days, -1);
    EXPECT_EQ(mixed.hours, -1);
    EXPECT_EQ(mixed.minutes, -2);
    EXPECT_EQ(mixed.seconds, -3);
}

TEST(DateTime, NowIsAPlausibleLocalTime) {
    const CDateTime now = CDateTime::Now();
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
    CDateTime copy = now;
    EXPECT_LE(copy.Difference(CDateTime()).days, 0);
}
