// The notes page's search over one group of 1,000 notes, each with a rich text box of about 2 KB of
// RTF (Chinese and Latin text, two fonts, two colours): a search that finds nothing, and one whose
// only hit is the last note examined. The floor reads the same record and content files once
// without parsing them. The notes live in a group "bench_search" beside the program.
//   bench_search.exe          generate, measure, remove the group
//   bench_search.exe --keep   leave the group for a look afterwards
#include "app/base/AppPaths.h"
#include "bench/BenchSupport.h"
#include "app/base/DirUtils.h"
#include "manager/NoteSearch.h"
#include "richtext/CRtfReader.h"
#include "richtext/CRtfWriter.h"
#include "store/NoteRecord.h"
#include "store/NoteStore.h"
#include "store/xml/CXmlDoc.h"
#include "store/xml/FileBytes.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using bench::Clock;
using bench::Ms;

constexpr int kNotes = 1000;
constexpr size_t kRtfBytes = 2048;
constexpr int kRuns = 5;
constexpr int kFirstId = 100000;
constexpr int kBoxId = 200001;
constexpr wchar_t kGroup[] = L"bench_search";
constexpr wchar_t kMissText[] = L"Quarterly Zebra";
constexpr wchar_t kHitText[] = L"找到我 Needle";
constexpr wchar_t kHitSearch[] = L"找到我 NEEDLE"; // found whatever the case
constexpr double kTargetMs = 500;
constexpr int kFonts = 2;
constexpr const wchar_t* kFontNames[kFonts] = {L"宋体", L"微软雅黑"};
constexpr int kColorReds[] = {0, 192}; // black and a dark red

// As the rich text box writes it: header, font and colour tables, then runs with their words.
std::string Rtf(int n, const std::wstring& extra) {
    const wchar_t* pieces[] = {L"便签提醒今天下午三点开会，", L"Meeting notes for the review. ",
                               L"记得带上项目资料和笔记本电脑。", L"Call back at 15:30 {urgent} ok\t",
                               L"春眠不觉晓，处处闻啼鸟。"};
    CRtfWriter w;
    w.OpenGroup();
    w.WriteControl("rtf1");
    w.WriteControl("ansi");
    w.WriteControl("ansicpg936");
    w.OpenGroup();
    w.WriteControl("fonttbl");
    for (int f = 0; f < kFonts; ++f) {
        w.OpenGroup();
        w.WriteControl("f", f);
        w.WriteRaw(" ");
        w.WriteText(kFontNames[f]);
        w.WriteRaw(";");
        w.CloseGroup();
    }
    w.CloseGroup();
    w.OpenGroup();
    w.WriteControl("colortbl");
    w.WriteRaw(";");
    for (const int red : kColorReds) {
        w.WriteControl("red", red);
        w.WriteControl("green", 0);
        w.WriteControl("blue", 0);
        w.WriteRaw(";");
    }
    w.CloseGroup();
    for (int i = n; w.Bytes().size() < kRtfBytes; ++i) {
        w.WriteControl("f", i % kFonts);
        w.WriteControl("cf", 1 + i % static_cast<int>(std::size(kColorReds)));
        w.WriteControl("fs", 24 + 4 * (i % 3));
        w.WriteRaw(" ");
        w.WriteText(pieces[i % 5]);
        if (i % 3 == 2) {
            w.WriteControl("par");
            w.WriteRaw(" ");
        }
    }
    if (!extra.empty())
        w.WriteText(extra);
    w.CloseGroup();
    return w.TakeBytes();
}

void Generate(const std::wstring& group_dir) {
    DeleteTree(group_dir);
    EnsureFolder(group_dir);
    for (int i = 0; i < kNotes; ++i) {
        const std::wstring name = L"20260101000000000_" + std::to_wstring(kFirstId + i);
        const std::wstring folder = NoteFolder(name, group_dir);
        const NoteRecord rec = NoteRecord::ForNote(folder, name, kFirstId + i);
        rec.WriteText(NoteKey::kGroup, kGroup);
        rec.WriteRect({100, 120, 280, 300});
        rec.WriteText(NoteKey::kDateTime, L"2026年01月02日 03时04分05秒");
        rec.WriteInt(NoteKey::kIsHide, i % 7 == 0);
        rec.AddChildItem(kBoxId, NoteKey::kRichEdit);
        WriteFileAtomic(folder + std::to_wstring(kBoxId) + L"_rtf", Rtf(i, {}));
    }
}

// The search must read at least every record and content file; this is that much and no more.
double FloorMs(const std::wstring& group_dir, size_t& bytes_read) {
    const auto t = Clock::now();
    std::string bytes;
    bytes_read = 0;
    for (const std::wstring& name : ListSubFolders(group_dir)) {
        const std::wstring folder = group_dir + name + L"\\";
        if (ReadFileBytes(folder + name + L".xml", bytes))
            bytes_read += bytes.size();
        if (ReadFileBytes(folder + std::to_wstring(kBoxId) + L"_rtf", bytes))
            bytes_read += bytes.size();
    }
    return Ms(t);
}

// Where the time above the floor goes: parsing the same bytes already in memory.
void ParseOnlyMs(const std::wstring& group_dir, double& records_ms, double& rtf_ms) {
    std::vector<std::wstring> records;
    std::vector<std::string> contents;
    for (const std::wstring& name : ListSubFolders(group_dir)) {
        const std::wstring folder = group_dir + name + L"\\";
        records.push_back(folder + name + L".xml");
        contents.emplace_back();
        ReadFileBytes(folder + std::to_wstring(kBoxId) + L"_rtf", contents.back());
    }
    auto t = Clock::now();
    for (const std::wstring& path : records) {
        CXmlDoc doc;
        doc.Load(path);
    }
    records_ms = Ms(t);
    t = Clock::now();
    for (const std::string& bytes : contents) {
        CRtfReader reader;
        reader.ReadBytes(bytes);
    }
    rtf_ms = Ms(t);
}

} // namespace

int main(int argc, char** argv) {
    const bool keep = argc > 1 && std::strcmp(argv[1], "--keep") == 0;
    const std::wstring group_dir = GroupItemsDir() + kGroup + L"\\";
    auto t = Clock::now();
    Generate(group_dir);
    // The hit goes into the note examined last: the last one the folder listing gives.
    const std::wstring last = ListSubFolders(group_dir).back();
    WriteFileAtomic(group_dir + last + L"\\" + std::to_wstring(kBoxId) + L"_rtf", Rtf(kNotes, kHitText));
    std::printf("generated %d notes of %zu+ bytes of RTF in %.0f ms\n", kNotes, kRtfBytes, Ms(t));

    const std::vector<std::wstring> rows{kGroup};
    double miss_ms = 1e9, hit_ms = 1e9, floor_ms = 1e9;
    bool miss_ok = true, hit_ok = true;
    size_t bytes_read = 0;
    // Best of a few runs: the machine's other work only ever adds time.
    for (int run = 0; run < kRuns; ++run) {
        NoteSearch miss;
        t = Clock::now();
        miss_ok = miss.Next(kMissText, NoteSearch::kFilterAll, rows, 0).status == SearchResult::kNotFound &&
                  miss_ok;
        miss_ms = std::min(miss_ms, Ms(t));

        NoteSearch hit;
        t = Clock::now();
        const SearchResult r = hit.Next(kHitSearch, NoteSearch::kFilterAll, rows, 0);
        hit_ms = std::min(hit_ms, Ms(t));
        hit_ok = r.status == SearchResult::kFound && r.name == last && hit_ok;

        floor_ms = std::min(floor_ms, FloorMs(group_dir, bytes_read));
    }
    double records_ms = 0, rtf_ms = 0;
    ParseOnlyMs(group_dir, records_ms, rtf_ms);

    std::printf("search, no match: %.1f ms best of %d (%s; target under %.0f ms)\n", miss_ms, kRuns,
                miss_ok ? "ok" : "FAILED", kTargetMs);
    std::printf("search, hit in the last note: %.1f ms best of %d (%s)\n", hit_ms, kRuns,
                hit_ok ? "ok" : "FAILED");
    std::printf("floor: reading the same %zu KB once, no parsing: %.1f ms best of %d\n", bytes_read / 1024,
                floor_ms, kRuns);
    std::printf("ratio no match / floor: %.1f\n", miss_ms / floor_ms);
    std::printf("of which parsing in memory: records %.1f ms, RTF %.1f ms\n", records_ms, rtf_ms);
    std::printf("figures miss_ms=%.1f hit_ms=%.1f floor_ms=%.1f\n", miss_ms, hit_ms, floor_ms);

    if (!keep)
        DeleteTree(group_dir);
    return miss_ok && hit_ok ? 0 : 1;
}
