// Composition cost of a note-sized layered window holding 100 children (panels and 24 x 24
// buttons): a full Redraw + Present, and the redraw of one button. Prints median times.
#include "toolkit/LWndBt.h"
#include "toolkit/LWndWithShadow.h"

#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kWidth = 1024, kHeight = 732;
constexpr int kChildren = 100;
constexpr int kButtonSide = 24;
constexpr int kRuns = 41;

class Paper : public LWnd {
public:
    LSurface RenderContent() override {
        const RECT rc = ClientRect();
        return CreateSurface(GetHandle(), rc.right, rc.bottom, 0xF0FFF7B0);
    }
};

class Panel : public LWnd {
public:
    explicit Panel(uint32_t argb) : argb_(argb) {}
    LSurface RenderContent() override {
        const RECT rc = ClientRect();
        LSurface s = CreateSurface(GetHandle(), rc.right, rc.bottom, argb_);
        s.FillRect(0, 0, rc.right, 1, 0xFF808080);
        return s;
    }

private:
    uint32_t argb_;
};

class Button : public LWndBt {
public:
    LSurface RenderContent() override {
        const RECT rc = ClientRect();
        LSurface s = CreateSurface(GetHandle(), rc.right, rc.bottom, 0);
        const uint32_t fill = (mouse_flags_ & kMouseHover) ? 0x40FB5A45 : 0x20000000;
        s.FillRect(2, 2, rc.right - 4, rc.bottom - 4, fill);
        return s;
    }
};

double Now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

double MedianMs(const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        const double start = Now();
        work();
        times.push_back(Now() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

} // namespace

int main() {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    {
        Paper paper;
        if (!paper.Create(0, L"bench", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, kWidth, kHeight,
                          nullptr)) {
            std::printf("cannot create the window\n");
            return 1;
        }
        std::vector<std::unique_ptr<LWnd>> children;
        Button* probe = nullptr;
        for (int i = 0; i < kChildren; ++i) {
            const int col = i % 10, row = i / 10;
            const int x = 8 + col * 100, y = 8 + row * 72;
            if (i % 2 == 0) {
                auto panel = std::make_unique<Panel>(0xC0FFFFFF - static_cast<uint32_t>(i) * 0x010203);
                panel->Create(0, L"", 0, WS_CHILD | WS_VISIBLE, x, y, 90, 64, paper.GetHandle());
                children.push_back(std::move(panel));
            } else {
                auto button = std::make_unique<Button>();
                button->Create(0, L"", 0, WS_CHILD | WS_VISIBLE, x + 30, y + 20, kButtonSide, kButtonSide,
                               paper.GetHandle());
                probe = button.get();
                children.push_back(std::move(button));
            }
        }
        paper.Show(SW_SHOWNA);
        Pump();

        const double full_redraw = MedianMs([&] { paper.Redraw(); });
        const double present = MedianMs([&] { paper.Present(); });
        const double full = MedianMs([&] {
            paper.Redraw();
            paper.Present();
        });
        const double button = MedianMs([&] {
            probe->Redraw();
            probe->Present();
        });
        const double button_redraw = MedianMs([&] { probe->Redraw(); });
        std::printf("window %d x %d, %d children, median of %d runs\n", kWidth, kHeight, kChildren, kRuns);
        std::printf("full Redraw + Present      %8.3f ms\n", full);
        std::printf("  of which Redraw          %8.3f ms\n", full_redraw);
        std::printf("  of which Present         %8.3f ms\n", present);
        std::printf("button Redraw + Present    %8.3f ms\n", button);
        std::printf("  of which Redraw          %8.3f ms\n", button_redraw);
    }
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
