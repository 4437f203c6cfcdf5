// One scheduler pass over 1,000 note folders, each with its record and a reminder file of three
// groups. Prints the time of a pass when nothing is due and when every note fires, against a floor
// measured in the same run: listing the same folders and reading every reminder file once (the
// least a pass must do to see every note's reminder), and where a pass's time goes.
#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "reminder/CPromptFile.h"
#include "reminder/NoteRecordKeys.h"
#include "reminder/ReminderScheduler.h"
#include "store/xml/CXmlDoc.h"
#include "store/xml/Encoding.h"
#include "store/xml/FileBytes.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kNotes = 1000;
constexpr int kFirstId = 100000;
constexpr int kRounds = 7;
constexpr wchar_t kPrefix[] = L"bench_reminder_";

std::wstring NoteName(int i) {
    return kPrefix + std::to_wstring(i);
}

std::wstring PromptText(int i) {
    // Three groups: minutes on weekdays, a lunar date, and a once-only group with a count of 2.
    return L"<MerlaPrompt>\r\n<ID>" + std::to_wstring(kFirstId + i) +
           L"</ID>\r\n"
           L"<TimeGroup Identify=\"20260101000000000_101\" DateTime=\"2026-01-01 00:00:00\">\r\n"
           L"<Minute>\r\n<item value=\"0\">0分</item>\r\n<item value=\"30\">30分</item>\r\n</Minute>\r\n"
           L"<Hour>\r\n<item value=\"9\">9时</item>\r\n<item value=\"14\">14时</item>\r\n</Hour>\r\n"
           L"<Week>\r\n<item value=\"1\">周一</item>\r\n<item value=\"3\">周三</item>\r\n<item "
           L"value=\"5\">周五</item>\r\n"
           L"</Week>\r\n</TimeGroup>\r\n"
           L"<TimeGroup Identify=\"20260101000000001_101\" DateTime=\"2026-01-01 00:00:01\">\r\n"
           L"<Minute>\r\n<item value=\"15\">15分</item>\r\n</Minute>\r\n"
           L"<Day>\r\n<item value=\"15\">15日</item>\r\n</Day>\r\n<Month>\r\n<item "
           L"value=\"8\">8月</item>\r\n</Month>\r\n"
           L"<Calendar value=\"Lunar\">农历</Calendar>\r\n</TimeGroup>\r\n"
           L"<TimeGroup Identify=\"20260101000000002_101\" DateTime=\"2026-01-01 00:00:02\">\r\n"
           L"<Minute>\r\n<item value=\"45\">45分</item>\r\n</Minute>\r\n"
           L"<Year>\r\n<item "
           L"value=\"2026\">2026年</item>\r\n</Year>\r\n<PromptCount>2</PromptCount>\r\n</TimeGroup>\r\n"
           L"<Style>\r\n<item value=\"1\">置顶</item>\r\n</Style>\r\n"
           L"</MerlaPrompt>\r\n";
}

bool WriteXml(const std::wstring& path, const std::wstring& text) {
    CXmlDoc doc;
    doc.SetDoc(text);
    return doc.Save(path);
}

double Now() {
    LARGE_INTEGER freq, c;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(freq.QuadPart);
}

double PassMs(ReminderScheduler& s) {
    const double a = Now();
    s.RunPass();
    return Now() - a;
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double MedianPassMs(ReminderScheduler& s) {
    std::vector<double> times;
    for (int r = 0; r < kRounds; ++r)
        times.push_back(PassMs(s));
    return Median(times);
}

// The floor: the note folders listed and each reminder file read once, nothing parsed.
double FloorMs(const std::wstring& base) {
    const double a = Now();
    size_t bytes = 0;
    for (const std::wstring& name : ListEntries(base)) {
        std::string content;
        ReadFileBytes(base + name + L"\\" + kPromptFileName, content);
        bytes += content.size();
    }
    return bytes ? Now() - a : 0;
}

// The steps of an idle pass one after another, each over every note: where the time goes.
struct Steps {
    double list = 0, stat = 0, read = 0, parse = 0, match = 0;
};

Steps ProfileMs(const std::wstring& base, const MatchTime& t) {
    Steps s;
    double a = Now();
    const std::vector<std::wstring> names = ListEntries(base);
    s.list = Now() - a;
    a = Now();
    for (const std::wstring& name : names) {
        WIN32_FILE_ATTRIBUTE_DATA attr;
        GetFileAttributesExW((base + name + L"\\" + name + L".xml").c_str(), GetFileExInfoStandard, &attr);
    }
    s.stat = Now() - a;
    std::vector<std::string> files(names.size());
    a = Now();
    for (size_t i = 0; i < names.size(); ++i)
        ReadFileBytes(base + names[i] + L"\\" + kPromptFileName, files[i]);
    s.read = Now() - a;
    std::vector<CXmlDoc> docs(names.size());
    a = Now();
    for (size_t i = 0; i < names.size(); ++i) {
        std::wstring text;
        DecodeUtf8(files[i], text);
        docs[i].SetDoc(text);
    }
    s.parse = Now() - a;
    a = Now();
    for (CXmlDoc& doc : docs)
        EvaluatePrompt(doc, t);
    s.match = Now() - a;
    return s;
}

} // namespace

int wmain() {
    const std::wstring base = NoteItemsDir();
    for (int i = 0; i < kNotes; ++i) {
        const std::wstring name = NoteName(i), folder = base + name + L"\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        if (!WriteXml(folder + name + L".xml",
                      L"<MerlaItem>\r\n<ID>" + std::to_wstring(kFirstId + i) + L"</ID>\r\n<unique>" + name +
                          L"</unique>\r\n<ishide>0</ishide>\r\n"
                          L"<left>10</left>\r\n<top>10</top>\r\n<right>190</right>\r\n"
                          L"<bottom>190</bottom>\r\n</MerlaItem>\r\n") ||
            !WriteXml(folder + L"prompt.xml", PromptText(i))) {
            fwprintf(stderr, L"cannot write %ls\n", folder.c_str());
            return 1;
        }
    }
    // Every note has a window; posting to one window that nobody reads costs the same as to many.
    HWND target = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ReminderScheduler scheduler([target](int) { return target; });
    scheduler.SetRunner([](const std::wstring&) {});
    MatchTime quiet{2026, 3, 10, 2, 11, 7}; // a Tuesday, 11:07: no group is due
    scheduler.SetClock([&quiet] { return quiet; });
    const double first = PassMs(scheduler); // every note record is read
    const double idle = MedianPassMs(scheduler);
    MatchTime due{2026, 3, 9, 1, 9, 30}; // a Monday, 09:30: the first group of every note is due
    scheduler.SetClock([&due] { return due; });
    const double firing = MedianPassMs(scheduler);
    // The floor and idle passes taken in turns, so the machine's other work falls on both alike.
    scheduler.SetClock([&quiet] { return quiet; });
    std::vector<double> floors, passes, ratios;
    for (int r = 0; r < kRounds; ++r) {
        floors.push_back(FloorMs(base));
        passes.push_back(PassMs(scheduler));
        ratios.push_back(passes.back() / floors.back());
    }
    const double floor = Median(floors);
    const Steps steps = ProfileMs(base, quiet);
    wprintf(L"scheduler first pass over %d notes:          %.1f ms\n", kNotes, first);
    wprintf(L"scheduler pass over %d notes, nothing due:   %.1f ms\n", kNotes, idle);
    wprintf(L"scheduler pass over %d notes, all matching: %.1f ms\n", kNotes, firing);
    wprintf(L"floor: list the folders and read every reminder file once: %.1f ms\n", floor);
    wprintf(L"idle pass taken in turns with the floor: %.1f ms; ratio pass / floor %.2f (median of %d; "
            L"target 1.5)\n",
            Median(passes), Median(ratios), kRounds);
    wprintf(L"profile of an idle pass, step by step: list %.1f, record stamps %.1f, read reminder files "
            L"%.1f, decode+parse %.1f, match %.1f ms\n",
            steps.list, steps.stat, steps.read, steps.parse, steps.match);
    DestroyWindow(target);
    for (int i = 0; i < kNotes; ++i)
        DeleteTree(base + NoteName(i) + L"\\");
    return 0;
}
