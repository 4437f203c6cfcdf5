// Typing into the middle of a 10,000-character document with wrapping on, in a 300-pixel-wide edit:
// one character message each, timed until the window has been presented. The platform's RichEdit
// control (riched20, EM_REPLACESEL then a synchronous paint) does the same work as a yardstick.
#include "app/base/AppPaths.h"
#include "bench/BenchSupport.h"
#include "app/base/DirUtils.h"
#include "note/LRichEditNI.h"
#include "note/MerlaItem.h"
#include "richtext/LGlyphTChar.h"
#include "richtext/LRichEdit.h"
#include "toolkit/Toolkit.h"

#include <windows.h>

#include <gdiplus.h>
#include <richedit.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using bench::Clock;
using bench::Ms;
using bench::Pump;

constexpr int kDocumentChars = 10000;
constexpr int kKeystrokes = 200;
constexpr int kEditWidth = 300;
constexpr int kEditHeight = 400;
constexpr int kNoteSide = 300;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Notes as people write them: Chinese and Latin mixed, a paragraph every line or two.
std::wstring MakeText() {
    const wchar_t* pieces[] = {L"便签提醒今天下午三点开会，", L"Meeting notes for the quarterly review. ",
                               L"记得带上项目资料和笔记本电脑。", L"Call back at 15:30 about the offer. ",
                               L"春眠不觉晓，处处闻啼鸟。"};
    std::wstring text;
    for (int i = 0; static_cast<int>(text.size()) < kDocumentChars; ++i) {
        text += pieces[i % 5];
        if (i % 3 == 2)
            text += L"\r";
    }
    text.resize(kDocumentChars);
    return text;
}

class Paper : public LWnd {
public:
    LSurface RenderContent() override {
        const RECT rc = ClientRect();
        return CreateSurface(GetHandle(), rc.right, rc.bottom, 0xFFFFFFFF);
    }
};

struct VelinFigures {
    double typing = 0, reflow = 0, present = 0, make_glyph = 0, draw_glyph = 0, render = 0;
    int rows = 0, repainted = 0;
};

// Where one keystroke's time goes, medians over the keystrokes: the edit's own sections timed with
// QueryPerformanceCounter inside it, the rest (message, glyph, undo record, change notice) by
// difference.
struct Breakdown {
    double total = 0, reflow = 0, compose = 0, present = 0, caret = 0, rest = 0;
    int band = 0;
};

class BreakdownCollector {
public:
    void Add(double total, const LRichEdit::EditTimes& t) {
        total_.push_back(total);
        reflow_.push_back(t.reflow);
        compose_.push_back(t.compose);
        present_.push_back(t.present);
        caret_.push_back(t.caret);
        rest_.push_back(total - t.reflow - t.compose - t.present - t.caret);
        band_.push_back(t.band_height);
    }
    Breakdown Result() const {
        Breakdown b;
        b.total = Median(total_);
        b.reflow = Median(reflow_);
        b.compose = Median(compose_);
        b.present = Median(present_);
        b.caret = Median(caret_);
        b.rest = Median(rest_);
        std::vector<double> bands(band_.begin(), band_.end());
        b.band = static_cast<int>(Median(bands));
        return b;
    }

private:
    std::vector<double> total_, reflow_, compose_, present_, caret_, rest_;
    std::vector<int> band_;
};

void PrintBreakdown(const char* label, const Breakdown& b) {
    std::printf("  %-10s profile: reflow %.2f, compose %.2f, present %.2f, caret %.2f, rest %.2f ms "
                "(band of %d pixel rows)\n",
                label, b.reflow, b.compose, b.present, b.caret, b.rest, b.band);
}

// The least the platform does for the same result: a bare layered window of the same size whose
// pixels change in a band as tall as the keystroke's, pushed with UpdateLayeredWindowIndirect and
// that band as its dirty rectangle. Pushed right after each keystroke, so both see the same load.
class FloorWindow {
public:
    FloorWindow(int width, int height) : width_(width), height_(height) {
        window_ = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE,
                                  kFloorX, kFloorY, width, height, nullptr, nullptr, nullptr, nullptr);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, bitmap_);
        pixels_ = static_cast<uint32_t*>(bits);
        if (pixels_)
            std::fill(pixels_, pixels_ + static_cast<size_t>(width) * height, 0xFFFFFFFFu);
        Push(height); // the whole window once, as any window starts
        // The caret is a layered popup of its own, two pixels wide, owned by the window.
        caret_ = CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                 L"STATIC", L"", WS_POPUP, kFloorX + 20, kFloorY + 20, kCaretWidth,
                                 kCaretHeight, window_, nullptr, nullptr, nullptr);
        if (caret_) {
            SetLayeredWindowAttributes(caret_, 0, 255, LWA_ALPHA);
            ShowWindow(caret_, SW_SHOWNOACTIVATE);
        }
    }
    ~FloorWindow() {
        if (caret_)
            DestroyWindow(caret_);
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
        DestroyWindow(window_);
    }

    // Moves the caret's popup one character along its row, as typing does; answers ms.
    double MoveCaret() {
        if (!caret_)
            return -1;
        const int x = kFloorX + 20 + (pushes_ % (width_ - 40));
        const auto start = Clock::now();
        SetWindowPos(caret_, nullptr, x, kFloorY + 20, 0, 0,
                     SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOZORDER | SWP_NOSIZE);
        return Ms(start);
    }
    FloorWindow(const FloorWindow&) = delete;
    FloorWindow& operator=(const FloorWindow&) = delete;

    // Changes a pixel in each row of a band of that height and pushes the band; answers ms.
    double Push(int band) {
        if (!window_ || !pixels_)
            return -1;
        band = std::clamp(band, 1, height_);
        const RECT dirty{0, (height_ - band) / 2, width_, (height_ - band) / 2 + band};
        const auto start = Clock::now();
        for (int y = dirty.top; y < dirty.bottom; ++y)
            pixels_[static_cast<size_t>(y) * width_ + (pushes_ % width_)] ^= 0x00FFFFFFu;
        POINT pos{kFloorX, kFloorY}, origin{0, 0};
        SIZE size{width_, height_};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        UPDATELAYEREDWINDOWINFO ulw{};
        ulw.cbSize = sizeof(ulw);
        ulw.pptDst = &pos;
        ulw.psize = &size;
        ulw.hdcSrc = dc_;
        ulw.pptSrc = &origin;
        ulw.pblend = &blend;
        ulw.dwFlags = ULW_ALPHA;
        ulw.prcDirty = band < height_ ? &dirty : nullptr;
        UpdateLayeredWindowIndirect(window_, &ulw);
        ++pushes_;
        return Ms(start);
    }

private:
    static constexpr int kFloorX = 700, kFloorY = 40;
    static constexpr int kCaretWidth = 2, kCaretHeight = 19;
    int width_, height_;
    HWND window_ = nullptr;
    HWND caret_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* pixels_ = nullptr;
    int pushes_ = 0;
};

Breakdown g_edit_breakdown, g_box_breakdown;
double g_edit_floor = -1, g_box_floor = -1;
double g_edit_caret_floor = -1, g_box_caret_floor = -1; // the band push plus the caret's move

VelinFigures VelinTyping(const std::wstring& text) {
    VelinFigures f;
    BreakdownCollector collector;
    Paper paper;
    paper.Create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, 40, 40, kEditWidth + 20,
                 kEditHeight + 20, nullptr);
    LRichEdit edit;
    edit.CreateEdit(0, paper.GetHandle(), 10, 10, kEditWidth, kEditHeight);
    edit.SetFixedWidth(true);
    edit.SetWrap(true);
    edit.InsertText(text, 0, 0, false);
    paper.ShowAndRefresh();
    edit.SetCaretOffset(kDocumentChars / 2);
    edit.SetScroll(0, 0);
    Pump();
    std::vector<double> times, floor, with_caret;
    FloorWindow bare(kEditWidth + 20, kEditHeight + 20);
    Pump();
    int repaints = 0;
    for (int i = 0; i < kKeystrokes; ++i) {
        const auto start = Clock::now();
        SendMessageW(edit.GetHandle(), WM_CHAR, L'a' + i % 26, 1); // returns once presented
        times.push_back(Ms(start));
        collector.Add(times.back(), edit.LastEditTimes());
        repaints += edit.RowsRepainted();
        Pump();
        floor.push_back(bare.Push(edit.LastEditTimes().band_height));
        with_caret.push_back(floor.back() + bare.MoveCaret());
        Pump();
    }
    f.typing = Median(times);
    g_edit_breakdown = collector.Result();
    g_edit_floor = Median(floor);
    g_edit_caret_floor = Median(with_caret);
    f.rows = edit.Document().RowCount();
    f.repainted = repaints / kKeystrokes;
    // The two halves of a keystroke: laying the document out, and composing and presenting.
    std::vector<double> reflows, presents, renders;
    for (int i = 0; i < kKeystrokes / 4; ++i) {
        auto start = Clock::now();
        edit.Reflow();
        reflows.push_back(Ms(start));
        start = Clock::now();
        edit.Refresh();
        presents.push_back(Ms(start));
        start = Clock::now();
        LSurface picture = edit.RenderContent();
        renders.push_back(Ms(start));
    }
    f.reflow = Median(reflows);
    f.present = Median(presents);
    f.render = Median(renders);
    std::vector<double> makes, draws;
    HDC dc = edit.Document().Surface().dc();
    for (int i = 0; i < kKeystrokes / 4; ++i) {
        auto start = Clock::now();
        LGlyph* g = LGlyphTChar::Create(L'中', edit.CurrentFont(), dc, 0xFF000000, 255);
        makes.push_back(Ms(start));
        start = Clock::now();
        g->DrawSelf(dc, edit.Document().Surface().bits());
        draws.push_back(Ms(start));
        delete g;
    }
    f.make_glyph = Median(makes);
    f.draw_glyph = Median(draws);
    return f;
}

void PrintCaretFloor(double ours, double floor) {
    if (floor <= 0)
        return;
    std::printf("  + caret    %.2f ms: that push and a 2-pixel layered popup moved one character along\n",
                floor);
    std::printf("  ratio      %.2f x floor with the caret's move\n", ours / floor);
}

// The box as a user has it: on a 300 x 300 note, filling it, scrolled to the caret in the middle.
double NoteBoxTyping(const std::wstring& text) {
    std::wstring folder;
    std::vector<double> times, floor, with_caret;
    BreakdownCollector collector;
    {
        MerlaItem note;
        if (!note.Create(0, L"", MerlaItem::kExStyle, MerlaItem::kStyle, 40, 40, kNoteSide, kNoteSide,
                         nullptr))
            return -1;
        folder = note.Folder();
        LRichEditNI* box = note.AddRichItem(POINT{0, 0});
        if (!box)
            return -1;
        box->InsertText(text, 0, 0, false);
        box->OnChanged();
        box->SetCaretOffset(kDocumentChars / 2);
        box->HandleKey(VK_RIGHT); // scrolls the caret into view
        box->HandleKey(VK_LEFT);
        FloorWindow bare(kNoteSide, kNoteSide);
        Pump();
        for (int i = 0; i < kKeystrokes; ++i) {
            const auto start = Clock::now();
            SendMessageW(box->GetHandle(), WM_CHAR, L'a' + i % 26, 1);
            times.push_back(Ms(start));
            collector.Add(times.back(), box->LastEditTimes());
            Pump();
            floor.push_back(bare.Push(box->LastEditTimes().band_height));
            with_caret.push_back(floor.back() + bare.MoveCaret());
            Pump();
        }
    }
    DeleteTree(folder);
    g_box_breakdown = collector.Result();
    g_box_floor = floor.empty() ? -1 : Median(floor);
    g_box_caret_floor = with_caret.empty() ? -1 : Median(with_caret);
    return Median(times);
}

// What one stored box adds to a note's start: notes made with and without a box of 200 characters.
void BoxLoading() {
    constexpr int kNotes = 20;
    const std::wstring text = MakeText().substr(0, 200);
    std::vector<std::wstring> names;
    for (int i = 0; i < kNotes; ++i) {
        MerlaItem note;
        note.Create(0, L"", MerlaItem::kExStyle, MerlaItem::kStyle & ~WS_VISIBLE, 40, 40, 180, 180, nullptr);
        if (LRichEditNI* box = note.AddRichItem(POINT{8, 8})) {
            box->InsertText(text, 0, 0, false);
            box->SaveAll();
            SetWindowPos(box->GetHandle(), nullptr, 0, 0, 162, 162, SWP_NOMOVE | SWP_NOZORDER);
            box->SaveRect();
        }
        names.push_back(note.Name());
    }
    Pump();
    auto open_all = [&](bool boxes) {
        LARGE_INTEGER f, a, b;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&a);
        for (const std::wstring& name : names) {
            MerlaItem note(boxes ? name : std::wstring());
            note.Create(0, L"", MerlaItem::kExStyle, MerlaItem::kStyle, 40, 40, 180, 180, nullptr);
        }
        QueryPerformanceCounter(&b);
        return static_cast<double>(b.QuadPart - a.QuadPart) * 1000.0 / f.QuadPart / kNotes;
    };
    const double with_box = open_all(true), without = open_all(false);
    std::printf("  note start with a 200-character box %.2f ms, without %.2f ms (the box adds %.2f ms)\n",
                with_box, without, with_box - without);
    for (const std::wstring& name : names)
        DeleteTree(NoteFolder(name));
}

double RichEditTyping(const std::wstring& text, int height = kEditHeight) {
    LoadLibraryW(L"riched20.dll");
    HWND top = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 400, 40, kEditWidth + 20,
                               height + 20, nullptr, nullptr, nullptr, nullptr);
    HWND edit = CreateWindowExW(0, RICHEDIT_CLASSW, L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | WS_VSCROLL,
                                10, 10, kEditWidth, height, top, nullptr, nullptr, nullptr);
    if (!edit)
        return -1;
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(edit, EM_SETSEL, kDocumentChars / 2, kDocumentChars / 2);
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
    UpdateWindow(edit);
    Pump();
    std::vector<double> times;
    for (int i = 0; i < kKeystrokes; ++i) {
        const wchar_t one[2] = {static_cast<wchar_t>(L'a' + i % 26), 0};
        const auto start = Clock::now();
        SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(one));
        UpdateWindow(edit); // paints now: the character is on the screen
        times.push_back(Ms(start));
        Pump();
    }
    DestroyWindow(top);
    return Median(times);
}

void TypeInto(HWND edit, const std::wstring& text) {
    for (wchar_t ch : text)
        SendMessageW(edit, WM_CHAR, ch, 1);
    Pump();
}

// With the argument "hold": an edit typed into with a few attributes, left on the screen for a
// screenshot.
void Showcase(int hold_ms) {
    Paper paper;
    paper.Create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, 60, 60, 360, 260, nullptr);
    LRichEdit edit;
    edit.CreateEdit(0, paper.GetHandle(), 10, 10, 340, 240);
    edit.SetFixedWidth(true);
    edit.SetWrap(true);
    paper.ShowAndRefresh();
    SetFocus(edit.GetHandle());
    HWND h = edit.GetHandle();
    edit.SetCurrentFontParams(L"宋体", 20, Gdiplus::FontStyleBold);
    TypeInto(h, L"便签 Velin\r");
    edit.SetCurrentFontParams(L"宋体", 14, 0);
    TypeInto(h, L"今天下午三点开会，记得带上项目资料。Meeting notes for the quarterly review.\r");
    edit.SetCurrentColor(0xFFC00000);
    TypeInto(h, L"红色的提醒");
    edit.SetCurrentColor(0xFF000000);
    edit.SetCurrentHighlight(0xFFFFE066);
    TypeInto(h, L" highlighted ");
    edit.SetCurrentHighlight(0);
    edit.SetCurrentFontParams(L"宋体", 14, Gdiplus::FontStyleItalic | Gdiplus::FontStyleUnderline);
    TypeInto(h, L"italic underline");
    edit.SetCurrentFontParams(L"宋体", 14, 0);
    TypeInto(h, L"\r\t制表符之后 after a tab\r");
    SendMessageW(h, WM_KEYDOWN, VK_F5, 1);
    TypeInto(h, L" 时间戳");
    const int end = edit.CaretOffset();
    edit.SetSelection(end - 3, end);
    edit.Refresh();
    SendMessageW(h, WM_KEYDOWN, VK_END, 1);
    edit.SetSelection(4, 10);
    edit.Refresh();
    auto hold = [](int ms) {
        const DWORD until = GetTickCount() + static_cast<DWORD>(ms);
        while (static_cast<int>(until - GetTickCount()) > 0) {
            Pump();
            Sleep(20);
        }
    };
    hold(hold_ms / 2);
    // Then a click behind the text: the selection goes, the caret blinks there.
    const RECT rc = edit.ClientRect();
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(rc.right / 2, rc.bottom - 60));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(rc.right / 2, rc.bottom - 60));
    hold(hold_ms / 2);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    if (argc > 1 && std::wstring(argv[1]) == L"hold") {
        Showcase(argc > 2 ? _wtoi(argv[2]) : 8000);
        ReleaseToolkitRegistry();
        return 0;
    }
    if (argc > 1 && std::wstring(argv[1]) == L"boxes") {
        BoxLoading();
        ReleaseToolkitRegistry();
        return 0;
    }
    const std::wstring text = MakeText();
    const VelinFigures f = VelinTyping(text);
    const double velin = f.typing;
    const double riched = RichEditTyping(text);
    const double note_box = NoteBoxTyping(text);
    const double riched_note = RichEditTyping(text, kNoteSide);
    const double floor_edit = g_edit_floor, floor_box = g_box_floor;
    std::printf("typing: %d characters, %d rows at %d px, median of %d keystrokes\n", kDocumentChars, f.rows,
                kEditWidth, kKeystrokes);
    std::printf("  LRichEdit  %.2f ms per character until presented (%d rows drawn again per keystroke)\n",
                velin, f.repainted);
    PrintBreakdown("", g_edit_breakdown);
    std::printf(
        "  floor      %.2f ms: a bare %d x %d layered window pushing a %d-row band after each keystroke\n",
        floor_edit, kEditWidth + 20, kEditHeight + 20, g_edit_breakdown.band);
    if (floor_edit > 0)
        std::printf("  ratio      %.2f x floor (target 2)\n", velin / floor_edit);
    PrintCaretFloor(velin, g_edit_caret_floor);
    std::printf("             whole document: reflow %.2f ms, compose and present all of it %.2f ms\n",
                f.reflow, f.present);
    std::printf("             (the edit's own picture %.2f ms of the compose)\n", f.render);
    std::printf("             one glyph: measuring %.3f ms, drawing %.3f ms\n", f.make_glyph, f.draw_glyph);
    std::printf("  RichEdit   %.2f ms per character (EM_REPLACESEL + paint)\n", riched);
    if (riched > 0)
        std::printf("  ratio      %.2f x RichEdit\n", velin / riched);
    std::printf("  note box   %.2f ms per character in a box filling a %d x %d note, scrolled to the caret\n",
                note_box, kNoteSide, kNoteSide);
    PrintBreakdown("", g_box_breakdown);
    std::printf(
        "  floor      %.2f ms: a bare %d x %d layered window pushing a %d-row band after each keystroke\n",
        floor_box, kNoteSide, kNoteSide, g_box_breakdown.band);
    if (floor_box > 0)
        std::printf("  ratio      %.2f x floor (target 2)\n", note_box / floor_box);
    PrintCaretFloor(note_box, g_box_caret_floor);
    std::printf("  RichEdit   %.2f ms per character at %d x %d\n", riched_note, kEditWidth, kNoteSide);
    if (riched_note > 0)
        std::printf("  ratio      %.2f x RichEdit; target under 16 ms\n", note_box / riched_note);
    std::fflush(stdout);
    ReleaseToolkitRegistry();
    return 0;
}
