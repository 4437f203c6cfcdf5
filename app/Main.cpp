// Process entry: GDI+, configuration, the main window, the pre-translate hook and the message loop.
#include <windows.h>
#include <gdiplus.h>

#include <memory>

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "app/MerlaMain.h"
#include "app/base/SysConfig.h"
#include "toolkit/Toolkit.h"

namespace {

constexpr double kMainWindowHeightRatio = 0.382;

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    ULONG_PTR gdiplus_token = 0;
    Gdiplus::GdiplusStartupInput gdiplus_input;
    Gdiplus::GdiplusStartup(&gdiplus_token, &gdiplus_input, nullptr);
    SetToolkitInstance(instance);
    CustomColors::Load();

    const int screen_w = GetSystemMetrics(SM_CXSCREEN);
    const int screen_h = GetSystemMetrics(SM_CYSCREEN);
    auto main = std::make_unique<MerlaMain>(true);
    main->Create(MerlaMain::kId, L"", MerlaMain::kExStyle, MerlaMain::kStyle, screen_w / 2,
                 static_cast<int>(screen_h * kMainWindowHeightRatio), 0, 0, nullptr);

    InstallToolkitHook();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    ReleaseToolkitRegistry();
    // The folder holds the running instance's picture data; a second start that only said so and
    // left must not take it away.
    if (main->OwnsInstance())
        DeleteTree(TempImageDir());
    Gdiplus::GdiplusShutdown(gdiplus_token);
    RemoveToolkitHook();
    main.reset();
    return 0;
}
