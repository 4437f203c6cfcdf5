#include "reminder/LunarCalendar.h"
#include "reminder/ReminderMatch.h"
#include "reminder/CDateTime.h"
#include "store/xml/CXmlDoc.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// 1901-01-01 was a Tuesday.
int Weekday(int y, int m, int d) {
    return (DayIndex(y, m, d) + 2) % 7;
}

MatchTime At(int y, int mo, int d, int h, int mi) {
    return {y, mo, d, Weekday(y, mo, d), h, mi};
}

std::wstring Items(const wchar_t* list, std::initializer_list<const wchar_t*> values) {
    std::wstring s = std::wstring(L"<") + list + L">\r\n";
    for (const wchar_t* v : values)
        s += std::wstring(L"<item value=\"") + v + L"\">" + v + L"</item>\r\n";
    return s + L"</" + list + L">\r\n";
}

std::wstring Group(const std::wstring& body) {
    return L"<TimeGroup Identify=\"20260101000000000_101\" DateTime=\"2026-01-01 00:00:00\">\r\n" + body +
           L"</TimeGroup>\r\n";
}

std::wstring Prompt(const std::wstring& body) {
    return L"<MerlaPrompt>\r\n<ID>100</ID>\r\n" + body + L"</MerlaPrompt>\r\n";
}

struct Prepared {
    CXmlDoc doc;
    explicit Prepared(const std::wstring& text) { doc.SetDoc(text); }
    PromptEvaluation Eval(const MatchTime& t) { return EvaluatePrompt(doc, t); }
    bool Fires(const MatchTime& t) { return Eval(t).matched; }
};

bool Fires(const std::wstring& text, const MatchTime& t) {
    return Prepared(text).Fires(t);
}

} // namespace

TEST(Match, MinuteThirtyAloneFiresAtHalfPastEveryHour) {
    Prepared p(Prompt(Group(Items(L"Minute", {L"30"}))));
    for (int h = 0; h < 24; ++h) {
        EXPECT_TRUE(p.Fires(At(2026, 3, 4, h, 30))) << h;
        EXPECT_FALSE(p.Fires(At(2026, 3, 4, h, 29))) << h;
        EXPECT_FALSE(p.Fires(At(2026, 3, 4, h, 31))) << h;
    }
}

TEST(Match, HourMonthAndYearListsNarrowOnlyWhenTheyHoldItems) {
    const std::wstring body = Items(L"Minute", {L"0"}) + Items(L"Hour", {L"9", L"18"}) +
                              Items(L"Month", {L"3"}) + Items(L"Year", {L"2026"});
    Prepared p(Prompt(Group(body)));
    EXPECT_TRUE(p.Fires(At(2026, 3, 4, 9, 0)));
    EXPECT_TRUE(p.Fires(At(2026, 3, 31, 18, 0)));
    EXPECT_FALSE(p.Fires(At(2026, 3, 4, 10, 0)));
    EXPECT_FALSE(p.Fires(At(2026, 4, 4, 9, 0)));
    EXPECT_FALSE(p.Fires(At(2027, 3, 4, 9, 0)));
    // Empty lists put no condition.
    EXPECT_TRUE(
        Fires(Prompt(Group(Items(L"Minute", {L"5"}) + L"<Hour/>\r\n<Month>\r\n</Month>\r\n<Year/>\r\n")),
              At(2030, 7, 8, 23, 5)));
}

TEST(Match, DayAndWeekdayAreAlternatives) {
    // 2026-03-15 is a Sunday, 2026-04-15 a Wednesday, 2026-03-16 a Monday, 2026-03-17 a Tuesday.
    ASSERT_EQ(Weekday(2026, 3, 16), 1);
    Prepared p(Prompt(Group(Items(L"Minute", {L"0"}) + Items(L"Day", {L"15"}) + Items(L"Week", {L"1"}))));
    EXPECT_TRUE(p.Fires(At(2026, 3, 15, 8, 0)));
    EXPECT_TRUE(p.Fires(At(2026, 4, 15, 8, 0)));
    EXPECT_TRUE(p.Fires(At(2026, 3, 16, 8, 0)));
    EXPECT_TRUE(p.Fires(At(2026, 3, 23, 8, 0)));
    EXPECT_FALSE(p.Fires(At(2026, 3, 17, 8, 0)));
    EXPECT_FALSE(p.Fires(At(2026, 3, 14, 8, 0)));
    // Days alone.
    Prepared days(Prompt(Group(Items(L"Minute", {L"0"}) + Items(L"Day", {L"15"}))));
    EXPECT_TRUE(days.Fires(At(2026, 4, 15, 8, 0)));
    EXPECT_FALSE(days.Fires(At(2026, 3, 16, 8, 0)));
}

TEST(Match, WeekendOnlyAndSundayAsSevenOrZero) {
    Prepared p(Prompt(Group(Items(L"Minute", {L"0"}) + Items(L"Week", {L"6", L"7"}))));
    int fired = 0;
    for (int d = 1; d <= 28; ++d) {
        const bool weekend = Weekday(2026, 2, d) == 0 || Weekday(2026, 2, d) == 6;
        EXPECT_EQ(p.Fires(At(2026, 2, d, 7, 0)), weekend) << d;
        fired += weekend;
    }
    EXPECT_EQ(fired, 8);
    EXPECT_TRUE(
        Fires(Prompt(Group(Items(L"Minute", {L"0"}) + Items(L"Week", {L"0"}))), At(2026, 2, 1, 7, 0)));
    EXPECT_FALSE(
        Fires(Prompt(Group(Items(L"Minute", {L"0"}) + Items(L"Week", {L"0"}))), At(2026, 2, 2, 7, 0)));
}

TEST(Match, LunarEighthMonthFifteenthDay) {
    const std::wstring lunar =
        Prompt(Group(L"<Calendar value=\"Lunar\">农历</Calendar>\r\n" + Items(L"Minute", {L"0"}) +
                     Items(L"Month", {L"8"}) + Items(L"Day", {L"15"})));
    Prepared p(lunar);
    EXPECT_TRUE(p.Fires(At(1949, 10, 6, 20, 0)));
    EXPECT_FALSE(p.Fires(At(1949, 10, 5, 20, 0)));
    EXPECT_FALSE(p.Fires(At(1949, 8, 15, 20, 0)));
    // The Mid-Autumn Festival of the current year, and only that day of the year.
    struct Ymd {
        int y, m, d;
    } festivals[] = {{2024, 9, 17}, {2025, 10, 6}, {2026, 9, 25}, {2027, 9, 15}, {2028, 10, 3}, {2029, 9, 22},
                     {2030, 9, 12}, {2031, 10, 1}, {2032, 9, 19}, {2033, 9, 8},  {2034, 9, 27}, {2035, 9, 16},
                     {2036, 10, 4}, {2037, 9, 24}, {2038, 9, 13}, {2039, 10, 2}, {2040, 9, 20}};
    const int year = CDateTime::Now().year;
    const Ymd* festival = nullptr;
    for (const Ymd& f : festivals)
        festival = f.y == year ? &f : festival;
    ASSERT_NE(festival, nullptr) << year;
    int hits = 0;
    for (CDateTime d(year, 1, 1, 12); d.year == year; d.Add(1, 0, 0, 0)) {
        if (p.Fires(At(d.year, d.month, d.day, 20, 0))) {
            ++hits;
            EXPECT_EQ(d.month, festival->m);
            EXPECT_EQ(d.day, festival->d);
        }
    }
    EXPECT_EQ(hits, 1);
    // The same lists in the solar calendar: 15 August. Any other calendar value means solar.
    std::wstring solar = lunar;
    solar.replace(solar.find(L"Lunar"), 5, L"lunar");
    EXPECT_TRUE(Fires(solar, At(2026, 8, 15, 20, 0)));
    EXPECT_FALSE(Fires(solar, At(2026, 9, 25, 20, 0)));
}

TEST(Match, LunarLeapMonthCountsAsTheMonthItFollows) {
    // 2020-05-23 is the first day of the leap fourth month; the fourth month's first was 2020-04-23.
    Prepared p(Prompt(Group(L"<Calendar value=\"Lunar\">农历</Calendar>\r\n" + Items(L"Minute", {L"0"}) +
                            Items(L"Month", {L"4"}) + Items(L"Day", {L"1"}) + Items(L"Year", {L"2020"}))));
    EXPECT_TRUE(p.Fires(At(2020, 4, 23, 9, 0)));
    EXPECT_TRUE(p.Fires(At(2020, 5, 23, 9, 0)));
    EXPECT_FALSE(p.Fires(At(2020, 6, 21, 9, 0)));
}

TEST(Match, OnceOnlyGroupIsUsedUpAndCountsOfTwoStay) {
    Prepared once(Prompt(Group(Items(L"Minute", {L"30"}) + L"<PromptCount>1</PromptCount>\r\n")));
    const PromptEvaluation first = once.Eval(At(2026, 3, 4, 10, 30));
    EXPECT_TRUE(first.matched);
    EXPECT_TRUE(first.count_spent);
    EXPECT_NE(once.doc.GetDoc().find(L"<PromptCount>0</PromptCount>"), std::wstring::npos);
    EXPECT_FALSE(once.Fires(At(2026, 3, 4, 11, 30)));
    EXPECT_FALSE(once.Eval(At(2026, 3, 4, 11, 30)).count_spent);

    Prepared twice(Prompt(Group(Items(L"Minute", {L"30"}) + L"<PromptCount>2</PromptCount>\r\n")));
    const std::wstring before = twice.doc.GetDoc();
    for (int h = 0; h < 3; ++h) {
        const PromptEvaluation e = twice.Eval(At(2026, 3, 4, h, 30));
        EXPECT_TRUE(e.matched);
        EXPECT_FALSE(e.count_spent);
    }
    EXPECT_EQ(twice.doc.GetDoc(), before);
    // A count below 1, or one that is not a number, switches the group off; a later group may fire.
    EXPECT_FALSE(Fires(Prompt(Group(Items(L"Minute", {L"30"}) + L"<PromptCount>-3</PromptCount>\r\n")),
                       At(2026, 3, 4, 10, 30)));
    EXPECT_FALSE(Fires(Prompt(Group(Items(L"Minute", {L"30"}) + L"<PromptCount>once</PromptCount>\r\n")),
                       At(2026, 3, 4, 10, 30)));
    Prepared later(Prompt(Group(Items(L"Minute", {L"30"}) + L"<PromptCount>0</PromptCount>\r\n") +
                          Group(Items(L"Minute", {L"30"}) + L"<PromptCount>1</PromptCount>\r\n")));
    EXPECT_TRUE(later.Eval(At(2026, 3, 4, 10, 30)).count_spent);
    EXPECT_EQ(later.doc.GetDoc().find(L"<PromptCount>1</PromptCount>"), std::wstring::npos);
}

TEST(Match, OldSingleGroupLayoutFiresLikeOneTimeGroup) {
    const std::wstring body =
        Items(L"Minute", {L"15"}) + Items(L"Week", {L"3"}) + L"<PromptCount>1</PromptCount>\r\n";
    Prepared legacy(Prompt(body)), grouped(Prompt(Group(body)));
    for (int d = 1; d <= 14; ++d) {
        for (int mi : {14, 15}) {
            const MatchTime t = At(2026, 1, d, 6, mi);
            Prepared l(Prompt(body)), g(Prompt(Group(body)));
            EXPECT_EQ(l.Fires(t), g.Fires(t)) << d << " " << mi;
        }
    }
    // Both use up their count.
    EXPECT_TRUE(legacy.Eval(At(2026, 1, 7, 6, 15)).count_spent);
    EXPECT_FALSE(legacy.Fires(At(2026, 1, 14, 6, 15)));
    // Old conditions under the root and a time group in one file: either can fire.
    Prepared both(Prompt(Items(L"Minute", {L"1"}) + Group(Items(L"Minute", {L"2"}))));
    EXPECT_TRUE(both.Fires(At(2026, 1, 1, 0, 1)));
    EXPECT_TRUE(both.Fires(At(2026, 1, 1, 0, 2)));
    EXPECT_FALSE(both.Fires(At(2026, 1, 1, 0, 3)));
}

TEST(Match, GroupsWithoutMinutesNeverFire) {
    const MatchTime t = At(2026, 1, 1, 0, 0);
    EXPECT_FALSE(Fires(Prompt(Group(Items(L"Hour", {L"0"}))), t));
    EXPECT_FALSE(Fires(Prompt(Group(L"<Minute/>\r\n")), t));
    EXPECT_FALSE(Fires(Prompt(Group(L"<Minute>\r\n</Minute>\r\n")), t));
    EXPECT_FALSE(Fires(Prompt(L""), t));
    EXPECT_FALSE(Fires(Prompt(Group(L"")), t));
}

TEST(Match, ValuesThatAreNotNumbersCountAsZero) {
    Prepared minute(Prompt(Group(L"<Minute>\r\n<item value=\"abc\">x</item>\r\n</Minute>\r\n")));
    EXPECT_TRUE(minute.Fires(At(2026, 1, 1, 5, 0)));
    EXPECT_FALSE(minute.Fires(At(2026, 1, 1, 5, 1)));
    Prepared missing(Prompt(Group(L"<Minute>\r\n<item>30分</item>\r\n</Minute>\r\n")));
    EXPECT_TRUE(missing.Fires(At(2026, 1, 1, 5, 0)));
    // Week "x" is 0: Sundays. 2026-01-04 is a Sunday.
    Prepared week(
        Prompt(Group(Items(L"Minute", {L"0"}) + L"<Week>\r\n<item value=\"x\">周日</item>\r\n</Week>\r\n")));
    EXPECT_TRUE(week.Fires(At(2026, 1, 4, 5, 0)));
    EXPECT_FALSE(week.Fires(At(2026, 1, 5, 5, 0)));
    // Leading digits count, as the document reads numbers.
    EXPECT_EQ(ReadLeadingInt(L" 30分"), 30);
    EXPECT_EQ(ReadLeadingInt(L"-7x"), -7);
    EXPECT_EQ(ReadLeadingInt(L"+5"), 5);
    EXPECT_EQ(ReadLeadingInt(L""), 0);
}

TEST(Match, FilesOtherThanRemindersNeverFire) {
    const MatchTime t = At(2026, 1, 1, 0, 30);
    const std::wstring group = Group(Items(L"Minute", {L"30"}));
    EXPECT_TRUE(Fires(Prompt(group), t));
    EXPECT_FALSE(Fires(L"<MerlaItem>\r\n" + group + L"</MerlaItem>\r\n", t));
    EXPECT_FALSE(Fires(L"", t));
    EXPECT_FALSE(Fires(L"not xml at all", t));
}

TEST(Match, ExecFilesAreListedInFileOrder) {
    CXmlDoc doc;
    doc.SetDoc(Prompt(L"<ExecFile>\r\n<item FilePath=\"C:\\a.bat\">a.bat</item>\r\n<item>none</item>\r\n"
                      L"<item FilePath=\"D:\\b &amp; c.txt\">b</item>\r\n</ExecFile>\r\n" +
                      Group(Items(L"Minute", {L"30"}))));
    ASSERT_TRUE(EvaluatePrompt(doc, At(2026, 1, 1, 0, 30)).matched);
    const std::vector<std::wstring> paths = ReadExecPaths(doc);
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0], L"C:\\a.bat");
    EXPECT_EQ(paths[1], L"D:\\b & c.txt");
}

TEST(FireDecision, TableOfFiredSetAndStopStamps) {
    const std::wstring s = L"2026-03-04 10:30", earlier = L"2026-03-04 10:29";
    // Not in the fired set.
    EXPECT_EQ(DecideFiring(L"", L"", s), FireDecision::kFire);
    EXPECT_EQ(DecideFiring(L"", earlier, s), FireDecision::kFire);
    EXPECT_EQ(DecideFiring(L"", s, s), FireDecision::kNothing);
    // In the fired set.
    EXPECT_EQ(DecideFiring(s, L"", s), FireDecision::kNothing);
    EXPECT_EQ(DecideFiring(earlier, L"", s), FireDecision::kNothing);
    EXPECT_EQ(DecideFiring(earlier, earlier, s), FireDecision::kFire); // stopped during the run
    EXPECT_EQ(DecideFiring(s, s, s), FireDecision::kForget);
    // A stop from before the run started changes nothing: no refiring every pass.
    EXPECT_EQ(DecideFiring(s, L"2026-03-04 09:00", s), FireDecision::kNothing);
}

TEST(Match, SurvivesCorruptedAndRandomFiles) {
    const std::wstring good = Prompt(
        Items(L"Minute", {L"1"}) +
        Group(L"<Calendar value=\"Lunar\">农历</Calendar>\r\n" + Items(L"Minute", {L"30"}) +
              Items(L"Week", {L"1", L"7"}) + Items(L"Day", {L"15"}) + L"<PromptCount>1</PromptCount>\r\n") +
        L"<ExecFile>\r\n<item FilePath=\"C:\\a.bat\">a</item>\r\n</ExecFile>\r\n");
    std::mt19937 rng(20260309);
    const wchar_t alphabet[] = L"<>/\"=&; \r\nMinuteitmvalu0123TimeGroup!-[]?";
    for (int round = 0; round < 3000; ++round) {
        std::wstring text = good;
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const size_t at = rng() % text.size();
            switch (rng() % 3) {
            case 0:
                text[at] = alphabet[rng() % (std::size(alphabet) - 1)];
                break;
            case 1:
                text.erase(at, 1 + rng() % 20);
                break;
            default:
                text.insert(at, 1, alphabet[rng() % (std::size(alphabet) - 1)]);
            }
        }
        if (round % 10 == 0) {
            text.resize(rng() % 200);
            for (wchar_t& c : text)
                c = static_cast<wchar_t>(1 + rng() % 0x2FFF);
        }
        CXmlDoc doc;
        doc.SetDoc(text);
        const MatchTime t =
            At(1900 + static_cast<int>(rng() % 200), 1 + rng() % 12, 1 + rng() % 28, rng() % 24, rng() % 60);
        EvaluatePrompt(doc, t);
        ReadExecPaths(doc);
    }
    SUCCEED();
}
