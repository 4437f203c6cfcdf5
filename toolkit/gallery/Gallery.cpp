// Development gallery (not shipped): one layered window with nested translucent children, a
// shadowed panel, buttons, a link, a scroll bar, a slider and a menu with an open submenu, so the
// toolkit's look can be checked on a screenshot. An optional argument ends it after that many seconds.
#include "toolkit/LWndBt.h"
#include "toolkit/LWndMenu.h"
#include "toolkit/LWndMoveResize.h"
#include "toolkit/LWndScrollBar.h"
#include "toolkit/LWndSlider.h"
#include "toolkit/LWndWithShadow.h"
#include "toolkit/Toolkit.h"
#include "toolkit/UiLook.h"

#include <gdiplus.h>

#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kFrameW = 720, kFrameH = 480, kCaptionH = 32;
constexpr int kCmdNew = 30001, kCmdGroup = 30002, kCmdExit = 30003, kCmdGroupSystem = 31000,
              kCmdGroupWork = 31001;
constexpr int kBtOk = 20005, kBtCancel = 20006, kBtMenu = 20010;
constexpr UINT_PTR kQuitTimer = 1;

void DrawText(LSurface& s, const std::wstring& text, const RECT& box, uint32_t argb, bool centre = false) {
    auto bitmap = s.MakeBitmap();
    if (!bitmap)
        return;
    Gdiplus::Graphics g(bitmap.get());
    g.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    auto font = CreateUiFont();
    Gdiplus::SolidBrush brush{Gdiplus::Color(argb)};
    Gdiplus::StringFormat format(Gdiplus::StringFormat::GenericTypographic());
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    if (centre)
        format.SetAlignment(Gdiplus::StringAlignmentCenter);
    const Gdiplus::RectF r(static_cast<float>(box.left), static_cast<float>(box.top),
                           static_cast<float>(box.right - box.left),
                           static_cast<float>(box.bottom - box.top));
    g.DrawString(text.c_str(), static_cast<INT>(text.size()), font.get(), r, &format, &brush);
}

// A box with a 1-pixel outline, as the highlight of hovered items and buttons.
void FramedBox(LSurface& s, int x, int y, int w, int h, uint32_t fill, uint32_t line) {
    s.FillRect(x, y, w, h, fill);
    s.FillRect(x, y, w, 1, line);
    s.FillRect(x, y + h - 1, w, 1, line);
    s.FillRect(x, y, 1, h, line);
    s.FillRect(x + w - 1, y, 1, h, line);
}

class Panel : public LWnd {
public:
    Panel(uint32_t argb, std::wstring text) : argb_(argb), text_(std::move(text)) {}
    LSurface RenderContent() override {
        const RECT rc = ClientRect();
        LSurface s = CreateSurface(GetHandle(), rc.right, rc.bottom, argb_);
        if (!text_.empty())
            DrawText(s, text_, RECT{6, 0, rc.right, 22}, kDefaultTextColor);
        return s;
    }

private:
    uint32_t argb_;
    std::wstring text_;
};

class Button : public LWndBt {
public:
    explicit Button(std::wstring text) : text_(std::move(text)) {}
    LSurface RenderContent() override {
        const RECT rc = ClientRect();
        LSurface s = CreateSurface(GetHandle(), rc.right, rc.bottom, 0xFFF4F4F4);
        if (mouse_flags_ & (kMouseHover | kMouseLeftDown))
            FramedBox(s, 0, 0, rc.right, rc.bottom, (mouse_flags_ & kMouseLeftDown) ? 0x50FB5A45 : 0x19FB5A45,
                      kThemeColor);
        else
            FramedBox(s, 0, 0, rc.right, rc.bottom, 0, 0xFFC8C8C8);
        DrawText(s, text_, rc, kDefaultTextColor, true);
        return s;
    }

private:
    std::wstring text_;
};

class MenuItem : public LWndMenuItem {
public:
    MenuItem(std::wstring text, bool arrow) : text_(std::move(text)), arrow_(arrow) {}
    LSurface RenderContent() override {
        const RECT rc = ClientRect();
        LSurface s = CreateSurface(GetHandle(), rc.right, rc.bottom, 0);
        if (mouse_flags_ & kMouseHover)
            FramedBox(s, 2, 0, rc.right - 4, rc.bottom, 0x19FB5A45, kThemeColor);
        DrawText(s, text_, RECT{32, 0, rc.right, rc.bottom}, kDefaultTextColor);
        if (arrow_)
            DrawText(s, L"▶", RECT{rc.right - 20, 0, rc.right, rc.bottom}, 0xFF606060);
        return s;
    }
    // Shows the hover look without a pointer, for the screenshot.
    void Highlight() { mouse_flags_ |= kMouseHover; }

private:
    std::wstring text_;
    bool arrow_;
};

class Menu : public LWndMenuWithShadow {
public:
    static constexpr int kWidth = 150;
    bool Build(const std::vector<std::pair<int, std::wstring>>& entries, const std::vector<int>& arrows) {
        const int s = GetShadowWidth();
        const int h = 2 * s + 2 * kVerticalShadowOffset + static_cast<int>(entries.size()) * kItemHeight;
        if (!Create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP, 0, 0, kWidth, h, nullptr))
            return false;
        int y = s + kVerticalShadowOffset;
        for (const auto& [id, text] : entries) {
            bool arrow = false;
            for (int a : arrows)
                arrow = arrow || a == id;
            auto item = std::make_unique<MenuItem>(text, arrow);
            item->Create(id, L"", 0, WS_CHILD | WS_VISIBLE, s, y, kWidth - 2 * s, kItemHeight, GetHandle());
            items.push_back(std::move(item));
            y += kItemHeight;
        }
        return true;
    }
    std::vector<std::unique_ptr<MenuItem>> items;
};

class Slider : public LWndSlider {
public:
    std::wstring* status = nullptr;
    LWnd* to_refresh = nullptr;
    void OnValueChanged() override {
        if (status)
            *status = L"滑块：" + std::to_wstring(GetValue());
        if (to_refresh && to_refresh->Redraw())
            to_refresh->Present();
    }
};

class Frame : public LWndMoveResize {
public:
    std::wstring status = L"滑块：40";
    Menu* menu = nullptr;

    bool OnSize(UINT type, int width, int height) override {
        panel_ = BuildPanelWithShadow(GetHandle(), LWndWithShadow::kShadowWidth);
        return LWndMoveResize::OnSize(type, width, height);
    }
    LSurface RenderContent() override {
        const RECT rc = ClientRect();
        LSurface s = CreateSurface(GetHandle(), rc.right, rc.bottom, 0);
        if (!panel_)
            panel_ = BuildPanelWithShadow(GetHandle(), LWndWithShadow::kShadowWidth);
        s.BlendFrom(panel_, 0, 0);
        const int m = LWndWithShadow::kShadowWidth;
        s.FillRect(m, m, rc.right - 2 * m, 1, kThemeColor);
        DrawText(s, L"Velin 工具包样例", RECT{m + 10, m, rc.right - m, m + kCaptionH}, kDefaultTextColor);
        DrawText(s, status, RECT{340, 400, 600, 430}, kDefaultTextColor);
        return s;
    }
    // The caption strip moves the window; the borders resize it.
    void MoveResizeHitTest(int x, int y, const RECT& wr) override {
        LWndMoveResize::MoveResizeHitTest(x, y, wr);
        if (!drag_active_ && sizing_edges_ == 0 && y < wr.top + kCaptionH && PtInRect(&wr, POINT{x, y}))
            SetCursorType(kCursorMove);
    }
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override {
        if (message == LNotify::kButtonClicked && static_cast<int>(wp) == kBtMenu && menu) {
            RECT rc{};
            GetWindowRect(FromId(kBtMenu)->GetHandle(), &rc);
            menu->PopupAt(rc.left, rc.bottom);
        } else if (message == LNotify::kCommand && static_cast<int>(wp) == kCmdExit) {
            PostQuitMessage(0);
        } else if (message == LNotify::kCommand) {
            status = L"命令：" + std::to_wstring(wp);
            if (Redraw())
                Present();
        }
        return 0;
    }
    void OnTimer(UINT_PTR id) override {
        if (id == kQuitTimer)
            PostQuitMessage(0);
    }
    void OnDestroy() override {
        LWndMoveResize::OnDestroy();
        PostQuitMessage(0);
    }

private:
    LSurface panel_;
};

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR args, int) {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    SetToolkitInstance(instance);
    {
        Frame frame;
        frame.Create(0, L"Velin gallery", WS_EX_LAYERED, WS_POPUP, 160, 120, kFrameW, kFrameH, nullptr);
        const HWND f = frame.GetHandle();
        constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

        // Nested translucent children.
        Panel outer(0x40FB5A45, L"外层面板"), middle(0x8000A0FF, L"中层"), inner(0xC0FFFFFF, L"内层");
        outer.Create(0, L"", 0, kChild, 20, 50, 220, 190, f);
        middle.Create(0, L"", 0, kChild, 20, 30, 170, 140, outer.GetHandle());
        inner.Create(0, L"", 0, kChild, 30, 40, 110, 80, middle.GetHandle());

        // A shadowed panel with a link inside.
        LWndWithShadow shadowed;
        shadowed.Create(0, L"", 0, kChild, 270, 50, 230, 150, f);
        Panel note(0, L"带阴影的面板");
        note.Create(0, L"", 0, kChild, 10, 10, 200, 24, shadowed.GetHandle());
        LWndBtLink link;
        link.SetText(L"网址：example.invalid");
        link.SetLink(L"https://example.invalid/");
        link.Create(0, L"", 0, kChild, 10, 60, 200, 24, shadowed.GetHandle());

        // Buttons.
        Button ok(L"确定"), cancel(L"取消"), menu_bt(L"菜单");
        ok.Create(kBtOk, L"", 0, kChild, 20, 270, 48, 23, f);
        cancel.Create(kBtCancel, L"", 0, kChild, 80, 270, 48, 23, f);
        menu_bt.Create(kBtMenu, L"", 0, kChild, 140, 270, 48, 23, f);

        // A scroll bar and a slider.
        LWndScrollBar bar(LWndScrollBar::kVertical);
        bar.Create(0, L"", 0, kChild, kFrameW - 3 - 12 - 9, 40, 9, 380, f);
        bar.SetThumbColor(kThemeColor);
        bar.SetRange(0, 1000);
        bar.SetScrollPos(300);
        Slider slider;
        slider.Create(0, L"", 0, kChild, 20, 400, 300, 30, f);
        slider.SetValue(40);
        slider.status = &frame.status;
        slider.to_refresh = &frame;

        // A menu with a submenu, opened at once for the screenshot.
        Menu menu, groups;
        menu.Build({{kCmdNew, L"新建便签"}, {kCmdGroup, L"移动到分组"}, {kCmdExit, L"退出"}}, {kCmdGroup});
        groups.Build({{kCmdGroupSystem, L"系统分组"}, {kCmdGroupWork, L"工作"}}, {});
        menu.SetSubmenu(kCmdGroup, &groups);
        menu.SetOwner(f);
        frame.menu = &menu;

        frame.Show(SW_SHOW);
        frame.Redraw();
        frame.Present();
        RECT mb{};
        GetWindowRect(menu_bt.GetHandle(), &mb);
        menu.PopupAt(mb.left, mb.bottom);
        menu.items[1]->Highlight();
        SendMessageW(menu.GetHandle(), LNotify::kItemHover, kCmdGroup,
                     reinterpret_cast<LPARAM>(menu.items[1]->GetHandle()));
        if (menu.Redraw())
            menu.Present();

        const int seconds = args ? _wtoi(args) : 0;
        if (seconds > 0)
            SetTimer(f, kQuitTimer, static_cast<UINT>(seconds) * 1000, nullptr);

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
