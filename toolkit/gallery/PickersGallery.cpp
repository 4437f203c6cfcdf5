// Development gallery of the font bar (not shipped): the bar on a white window with one of its
// popups open, so the pickers' look can be checked on a screenshot.
// Arguments: [font | size | text | highlight | none] [seconds before it ends].
#include "toolkit/MerlaBtLB.h"
#include "toolkit/MerlaDraw.h"
#include "toolkit/Toolkit.h"
#include "toolkit/UiLook.h"
#include "toolkit/pickers/MerlaFCBT.h"

#include <gdiplus.h>

#include <cwchar>
#include <string>

namespace {

constexpr int kFrameX = 40, kFrameY = 40, kFrameW = 300, kFrameH = 110;
constexpr int kBarX = 10, kBarY = 10;
constexpr UINT_PTR kQuitTimer = 1;
constexpr int kStatusX = 100, kStatusHeight = 24;

// Shows the last message the bar sent it, so a screenshot tells what a click did.
class Frame : public LWnd {
public:
    LSurface RenderContent() override {
        const RECT rc = ClientRect();
        LSurface s = CreateSurface(GetHandle(), rc.right, rc.bottom, 0xFFFFFFFF);
        s.FillRect(0, 0, rc.right, 1, kThemeColor);
        if (!status_.empty()) {
            auto format = MakeStringFormat(kAlignNear, kAlignCenter);
            LSurface text = DrawTextSurface(GetHandle(), *format, status_, kDefaultTextColor,
                                            rc.right - kStatusX, kStatusHeight);
            BlendWithAlpha(s, text, kStatusX, rc.bottom - kStatusHeight, 255);
        }
        return s;
    }
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override {
        if (message == MerlaFCBT::kFontChanged || message == MerlaFCBT::kColorChanged ||
            message == LNotify::kCommand || message == LNotify::kScrollLostFocus) {
            wchar_t text[64] = {};
            swprintf(text, 64, L"%u (0x%llX, 0x%llX)", message, static_cast<unsigned long long>(wp),
                     static_cast<unsigned long long>(lp));
            status_ = text;
            if (Redraw())
                Present();
        }
        return LWnd::WindowProc(message, wp, lp);
    }
    void OnTimer(UINT_PTR id) override {
        if (id == kQuitTimer)
            PostQuitMessage(0);
    }

private:
    std::wstring status_;
};

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR args, int) {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    SetToolkitInstance(instance);
    {
        Frame frame;
        frame.Create(0, L"Velin pickers", WS_EX_LAYERED, WS_POPUP, kFrameX, kFrameY, kFrameW, kFrameH,
                     nullptr);
        MerlaFCBT bar;
        bar.CreateBar(frame.GetHandle(), kBarX, kBarY);
        MerlaBtLB value(L"10分");
        value.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, kBarX, kBarY + MerlaFCBT::kHeight + 10, 70, 24,
                     frame.GetHandle());
        frame.Show(SW_SHOW);
        if (frame.Redraw())
            frame.Present();

        wchar_t which[32] = {};
        int seconds = 0;
        if (args)
            swscanf(args, L"%31ls %d", which, &seconds);
        const std::wstring popup = which;
        LWnd* arrow = nullptr;
        if (popup == L"font")
            arrow = &bar.FontArrow();
        else if (popup == L"size")
            arrow = &bar.SizeArrow();
        else if (popup == L"text")
            arrow = &bar.TextColorArrow();
        else if (popup == L"highlight")
            arrow = &bar.HighlightArrow();
        if (arrow)
            PostMessageW(bar.GetHandle(), MerlaBtLB::kArrowClicked, static_cast<WPARAM>(arrow->GetId()), 0);
        if (seconds > 0)
            SetTimer(frame.GetHandle(), kQuitTimer, static_cast<UINT>(seconds) * 1000, nullptr);

        InstallToolkitHook();
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        RemoveToolkitHook();
        ReleaseToolkitRegistry();
    }
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
