// Loading and saving a 1 MB rich text document (mixed Chinese and Latin text, several fonts and
// colours), with the platform's RichEdit control (riched20, EM_STREAMIN / EM_STREAMOUT) doing the
// same work as a yardstick.
#include "richtext/FontRegistry.h"
#include "richtext/GlyphDocument.h"
#include "richtext/RtfFileWriter.h"
#include "store/xml/FileBytes.h"

#include <windows.h>

#include <gdiplus.h>
#include <richedit.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kTargetBytes = 1 << 20;
constexpr int kRuns = 5;

double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Paragraphs of Chinese and Latin text in turns of fonts, sizes, styles and colours.
std::string MakeDocument() {
    const wchar_t* families[] = {L"宋体", L"微软雅黑", L"DejaVu Sans", L"黑体"};
    const uint32_t colors[] = {0xFF000000, 0xFFC00000, 0xFF0070C0, 0xFF00A050, 0xFF7030A0};
    const wchar_t* pieces[] = {L"便签提醒今天下午三点开会，", L"Meeting notes for the quarterly review. ",
                               L"记得带上项目资料和笔记本电脑。", L"Call back at 15:30 {urgent} \\ ok\t",
                               L"春眠不觉晓，处处闻啼鸟。"};
    GlyphDocument doc(600, 400);
    std::string rtf;
    for (int i = 0; rtf.size() < kTargetBytes; ++i) {
        doc.SetCurrentFont(
            FontRegistry::Instance().Get(families[i % 4], 12 + (i % 5) * 2, i % 3 == 0 ? 1 : 0));
        doc.SetCurrentColor(colors[i % 5]);
        doc.SetCurrentHighlight(i % 7 == 0 ? 0xFFFFFF00 : 0);
        doc.InsertText(pieces[i % 5], false);
        if (i % 6 == 5)
            doc.InsertText(L"\r", false);
        if (i % 200 == 199)
            rtf = RtfBytes(doc.Glyphs(), false, {});
    }
    return rtf;
}

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* done) {
    auto* source = reinterpret_cast<std::pair<const std::string*, size_t>*>(cookie);
    const size_t left = source->first->size() - source->second;
    const size_t n = std::min(left, static_cast<size_t>(size));
    std::copy_n(source->first->data() + source->second, n, reinterpret_cast<char*>(buffer));
    source->second += n;
    *done = static_cast<LONG>(n);
    return 0;
}

DWORD CALLBACK WriteStream(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* done) {
    reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<char*>(buffer),
                                                   static_cast<size_t>(size));
    *done = size;
    return 0;
}

} // namespace

int main() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);

    const std::string rtf = MakeDocument();
    WriteFileAtomic(L"bench_rtf.rtf", rtf);
    std::printf("document: %zu bytes of RTF\n", rtf.size());

    std::vector<double> load, save;
    size_t glyphs = 0;
    for (int run = 0; run < kRuns; ++run) {
        GlyphDocument doc(600, 400);
        auto t = Clock::now();
        doc.Load(L"bench_rtf.rtf");
        load.push_back(Ms(t));
        glyphs = doc.Glyphs().size();
        t = Clock::now();
        doc.Save(L"bench_rtf_out.rtf");
        save.push_back(Ms(t));
    }

    LoadLibraryW(L"riched20.dll");
    HWND edit = CreateWindowExW(0, RICHEDIT_CLASSW, L"", WS_POPUP | ES_MULTILINE, 0, 0, 600, 400, nullptr,
                                nullptr, nullptr, nullptr);
    SendMessageW(edit, EM_EXLIMITTEXT, 0, 64 << 20);
    std::vector<double> re_load, re_save;
    for (int run = 0; run < kRuns; ++run) {
        std::pair<const std::string*, size_t> source{&rtf, 0};
        EDITSTREAM in = {reinterpret_cast<DWORD_PTR>(&source), 0, ReadStream};
        auto t = Clock::now();
        SendMessageW(edit, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&in));
        re_load.push_back(Ms(t));
        std::string out;
        EDITSTREAM stream = {reinterpret_cast<DWORD_PTR>(&out), 0, WriteStream};
        t = Clock::now();
        SendMessageW(edit, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
        re_save.push_back(Ms(t));
    }
    DestroyWindow(edit);

    DeleteFileW(L"bench_rtf.rtf");
    DeleteFileW(L"bench_rtf_out.rtf");

    const double l = Median(load), s = Median(save), rl = Median(re_load), rs = Median(re_save);
    std::printf("load 1 MB RTF:  %8.1f ms (target < 500), RichEdit %8.1f ms, ratio %.2f  [%zu glyphs]\n", l,
                rl, l / rl, glyphs);
    std::printf("save 1 MB RTF:  %8.1f ms (target < 200), RichEdit %8.1f ms, ratio %.2f\n", s, rs, s / rs);
    return 0;
}
