#include "tests/toolkit/ToolkitTestSupport.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

namespace {

class GdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token_); }

private:
    ULONG_PTR token_ = 0;
};

[[maybe_unused]] ::testing::Environment* const g_gdiplus =
    ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

} // namespace

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void PumpFor(int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        PumpMessages();
        Sleep(5);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

LSurface ColorWnd::RenderContent() {
    const RECT rc = ClientRect();
    return CreateSurface(GetHandle(), rc.right, rc.bottom, argb_);
}

bool ColorWnd::CreateTop(int x, int y, int w, int h, bool visible) {
    return Create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP | (visible ? WS_VISIBLE : 0), x, y, w, h,
                  nullptr);
}

bool ColorWnd::CreateChild(LWnd& parent, int x, int y, int w, int h, bool visible, DWORD ex_style) {
    return Create(0, L"", ex_style, WS_CHILD | (visible ? WS_VISIBLE : 0), x, y, w, h, parent.GetHandle());
}

bool WriteSolidPng(const std::wstring& path, uint32_t argb) {
    Gdiplus::Bitmap bitmap(40, 30, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&bitmap);
        Gdiplus::SolidBrush brush{Gdiplus::Color(argb)};
        g.FillRectangle(&brush, 0, 0, 40, 30);
    }
    CLSID png{0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    return bitmap.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
}
