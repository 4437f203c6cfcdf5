// Opening the manager on a group of 1,000 notes (each 180 x 180 with about 2 KB of rich text, no
// snapshot, so every picture is drawn from its folder) until the first screen of cards is shown; the
// cards further down are drawn only when scrolled to. The floor in the same run is reading the
// group's records into their summaries, which any list of the group must do. The notes live in a
// group "bench_manager" beside the program; "sysconfig.xml" is put back as it was afterwards.
//   bench_manager_open.exe          generate, measure, remove the group
#include "app/base/AppPaths.h"
#include "bench/BenchSupport.h"
#include "app/base/DirUtils.h"
#include "app/base/SysConfig.h"
#include "manager/MxMiManager.h"
#include "store/NoteRecord.h"
#include "store/NoteStore.h"
#include "store/xml/FileBytes.h"
#include "toolkit/Toolkit.h"

#include <windows.h>

#include <gdiplus.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using bench::Pump;

using bench::Clock;
using bench::Ms;
constexpr int kNotes = 1000;
constexpr size_t kRtfBytes = 2048;
constexpr int kNoteSide = 180;
constexpr int kBoxId = 200001;
constexpr int kRuns = 3;
constexpr int kWaitMs = 30000;
constexpr double kTargetMs = 1000;
constexpr wchar_t kGroup[] = L"bench_manager";

// As the rich text box writes it, GBK bytes escaped: "便签提醒今天下午三点开会，" and Latin text.
std::string Rtf(int n) {
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\'cb\\'ce\\'cc\\'e5;}}{\\colortbl;\\red0\\green0"
        "\\blue0;}\\sl240\\slmult1 \\cf1\\highlight0\\f0\\fs20 Note " +
        std::to_string(n) + " ";
    while (rtf.size() < kRtfBytes)
        rtf += "\\'b1\\'e3\\'c7\\'a9\\'cc\\'e1\\'d0\\'d1 meeting at 15:30, bring the papers.\\par ";
    return rtf + "}";
}

void Generate(const std::wstring& group_dir) {
    DeleteTree(group_dir);
    EnsureFolder(group_dir);
    for (int i = 0; i < kNotes; ++i) {
        const std::wstring name = L"20260101000000000_" + std::to_wstring(100000 + i);
        const std::wstring folder = NoteFolder(name, group_dir);
        const NoteRecord rec = NoteRecord::ForNote(folder, name, 100000 + i);
        rec.WriteText(NoteKey::kGroup, kGroup);
        rec.WriteRect({100, 120, 100 + kNoteSide, 120 + kNoteSide});
        rec.WriteText(NoteKey::kDateTime, L"2026年01月02日 03时04分05秒");
        rec.AddChildItem(kBoxId, NoteKey::kRichEdit);
        const NoteRecord box = NoteRecord::ForChild(folder, kBoxId, NoteKey::kRichEdit);
        box.WriteRect({10, 12, kNoteSide - 10, kNoteSide - 12});
        box.WriteText(L"rtftext", std::to_wstring(kBoxId) + L"_rtf");
        WriteFileAtomic(folder + std::to_wstring(kBoxId) + L"_rtf", Rtf(i));
    }
}

size_t PicturesMade(MxMiManager& m) {
    const auto& cards = m.NotesPage().Cards().Cards();
    return static_cast<size_t>(
        std::count_if(cards.begin(), cards.end(), [](const auto& c) { return c.picture_made; }));
}

} // namespace

int main() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    {
        const std::wstring group_dir = GroupItemsDir() + kGroup + L"\\";
        std::string config;
        const bool had_config = ReadFileBytes(SysConfigPath(), config);
        auto t = Clock::now();
        Generate(group_dir);
        std::printf("generated %d notes in %.0f ms\n", kNotes, Ms(t));

        double open_ms = 1e9, floor_ms = 1e9;
        size_t cards = 0, pictures = 0;
        for (int run = 0; run < kRuns; ++run) {
            t = Clock::now();
            const size_t rows = LoadNoteList(group_dir).size();
            floor_ms = std::min(floor_ms, Ms(t));
            (void)rows;

            // The manager opens on the group selected when it last closed.
            SysConfig::WriteText(L"lastsel", kGroup, L"manager");
            MxMiManager manager;
            t = Clock::now();
            manager.Create(MxMiManager::kId, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, 0,
                           0, MxMiManager::kWidth, MxMiManager::kHeight, nullptr);
            const double created_ms = Ms(t);
            double loaded_ms = 0;
            for (int waited = 0; waited < kWaitMs; ++waited) {
                Pump();
                if (loaded_ms == 0 &&
                    manager.NotesPage().Cards().Cards().size() == static_cast<size_t>(kNotes))
                    loaded_ms = Ms(t);
                if (manager.NotesPage().Cards().Cards().size() == static_cast<size_t>(kNotes) &&
                    PicturesMade(manager) > 0)
                    break;
                Sleep(1);
            }
            const double shown_ms = Ms(t);
            std::printf("run %d: window made %.0f ms, cards listed %.0f ms, first screen drawn %.0f ms\n",
                        run + 1, created_ms, loaded_ms, shown_ms);
            open_ms = std::min(open_ms, shown_ms);
            cards = manager.NotesPage().Cards().Cards().size();
            pictures = PicturesMade(manager);
        }
        std::printf(
            "manager open until the first cards show: %.0f ms best of %d (%zu cards, %zu pictures drawn; "
            "target under %.0f ms)\n",
            open_ms, kRuns, cards, pictures, kTargetMs);
        std::printf("floor: reading the group's %d summaries: %.0f ms best of %d\n", kNotes, floor_ms, kRuns);
        std::printf("ratio open / floor: %.1f\n", open_ms / floor_ms);
        DeleteTree(group_dir);
        if (had_config)
            WriteFileAtomic(SysConfigPath(), config);
        else
            DeleteFileW(SysConfigPath().c_str());
    }
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
