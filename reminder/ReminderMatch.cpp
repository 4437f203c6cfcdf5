#include "reminder/ReminderMatch.h"

#include "reminder/LunarCalendar.h"
#include "store/xml/CXmlDoc.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr wchar_t kRoot[] = L"MerlaPrompt";
constexpr wchar_t kTimeGroup[] = L"TimeGroup";
constexpr wchar_t kItem[] = L"item";
constexpr wchar_t kValue[] = L"value";
constexpr wchar_t kPromptCount[] = L"PromptCount";
constexpr wchar_t kCalendar[] = L"Calendar";
constexpr wchar_t kLunarValue[] = L"Lunar";
constexpr wchar_t kExecFile[] = L"ExecFile";
constexpr wchar_t kFilePath[] = L"FilePath";
constexpr int kDaysPerWeek = 7;

struct ListResult {
    bool has_items = false;
    bool hit = false;
};

// Looks the list up from the first child of the current parent, wherever it stands.
template <typename Pred> ListResult TestList(CXmlDoc& doc, std::wstring_view name, Pred pred) {
    ListResult r;
    doc.Rewind();
    if (!doc.FindNext(name) || !doc.Into())
        return r;
    while (!r.hit && doc.FindNext(kItem)) {
        r.has_items = true;
        r.hit = pred(ReadLeadingInt(doc.GetAttr(kValue)));
    }
    doc.OutOf();
    return r;
}

ListResult TestEquals(CXmlDoc& doc, std::wstring_view name, int wanted) {
    return TestList(doc, name, [wanted](int v) { return v == wanted; });
}

// A count below 1 switches the group off; the count is read only when present.
bool GroupSwitchedOff(CXmlDoc& doc) {
    doc.Rewind();
    int count = 0;
    return doc.GetChildInt(kPromptCount, count) && count < 1;
}

bool SpendCount(CXmlDoc& doc) {
    doc.Rewind();
    int count = 0;
    if (!doc.GetChildInt(kPromptCount, count) || count > 1)
        return false;
    return doc.SetText(L"0");
}

} // namespace

std::wstring MinuteStamp(const MatchTime& t) {
    wchar_t buf[48];
    swprintf(buf, 48, L"%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
    return buf;
}

long long MinuteNumber(const MatchTime& t) {
    constexpr long long kMinutesPerDay = 1440, kMinutesPerHour = 60;
    return DayIndex(t.year, t.month, t.day) * kMinutesPerDay + t.hour * kMinutesPerHour + t.minute;
}

int ReadLeadingInt(std::wstring_view text) {
    size_t p = 0;
    while (p < text.size() && (text[p] == L' ' || text[p] == L'\t' || text[p] == L'\r' || text[p] == L'\n'))
        ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == L'-' || text[p] == L'+'))
        negative = text[p++] == L'-';
    uint64_t v = 0;
    for (; p < text.size() && text[p] >= L'0' && text[p] <= L'9'; ++p)
        v = v * 10 + static_cast<uint64_t>(text[p] - L'0');
    // Wraps like the 32-bit reader of the XML document, so both read a number alike.
    const uint32_t low = static_cast<uint32_t>(negative ? 0 - v : v);
    return static_cast<int>(low);
}

bool MatchGroup(CXmlDoc& doc, const MatchTime& t) {
    int year = t.year, month = t.month, day = t.day;
    doc.Rewind();
    if (doc.FindNext(kCalendar) && doc.GetAttr(kValue) == kLunarValue) {
        const LunarDate lunar = SolarToLunar(t.year, t.month, t.day);
        year = lunar.year;
        month = lunar.month;
        day = lunar.day;
    }
    // Minutes are the one list that must be there: a group without one never fires.
    if (!TestEquals(doc, L"Minute", t.minute).hit)
        return false;
    const ListResult hours = TestEquals(doc, L"Hour", t.hour);
    if (hours.has_items && !hours.hit)
        return false;
    // Days of the month and weekdays are alternatives: either list may let the group through.
    const ListResult days = TestEquals(doc, L"Day", day);
    if (!days.hit) {
        const int weekday = t.weekday;
        const ListResult weeks =
            TestList(doc, L"Week", [weekday](int v) { return v % kDaysPerWeek == weekday; });
        if (weeks.has_items ? !weeks.hit : days.has_items)
            return false;
    }
    const ListResult months = TestEquals(doc, L"Month", month);
    if (months.has_items && !months.hit)
        return false;
    const ListResult years = TestEquals(doc, L"Year", year);
    return !years.has_items || years.hit;
}

PromptEvaluation EvaluatePrompt(CXmlDoc& doc, const MatchTime& t) {
    PromptEvaluation result;
    while (doc.OutOf()) {
    }
    doc.Rewind();
    if (!doc.FindNext() || doc.GetTagName() != kRoot || !doc.Into())
        return result;
    // Files from before time groups keep one group's conditions directly under the root.
    if (!GroupSwitchedOff(doc) && MatchGroup(doc, t)) {
        result.matched = true;
        result.count_spent = SpendCount(doc);
        doc.Rewind();
        return result;
    }
    doc.Rewind();
    while (doc.FindNext(kTimeGroup)) {
        if (!doc.Into())
            continue;
        if (!GroupSwitchedOff(doc) && MatchGroup(doc, t)) {
            result.matched = true;
            result.count_spent = SpendCount(doc);
        }
        doc.OutOf();
        if (result.matched)
            break;
    }
    doc.Rewind();
    return result;
}

std::vector<std::wstring> ReadExecPaths(CXmlDoc& doc) {
    std::vector<std::wstring> paths;
    doc.Rewind();
    if (!doc.FindNext(kExecFile) || !doc.Into())
        return paths;
    while (doc.FindNext(kItem)) {
        std::wstring path = doc.GetAttr(kFilePath);
        if (!path.empty())
            paths.push_back(std::move(path));
    }
    doc.OutOf();
    doc.Rewind();
    return paths;
}

FireDecision DecideFiring(std::wstring_view fired_stamp, std::wstring_view stop_stamp,
                          std::wstring_view now) {
    if (fired_stamp.empty())
        return stop_stamp == now ? FireDecision::kNothing : FireDecision::kFire;
    if (stop_stamp.empty())
        return FireDecision::kNothing; // already fired in this run
    if (stop_stamp == now)
        return FireDecision::kForget;
    // The user stopped the reminder during this run, in an earlier minute: a later matching minute
    // reminds again. A stop from before the run (stamps compare as text) is stale and changes nothing.
    return stop_stamp >= fired_stamp ? FireDecision::kFire : FireDecision::kNothing;
}
