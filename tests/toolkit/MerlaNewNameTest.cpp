// The name dialog and its one-line edit box.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "toolkit/MerlaMessageBox.h"
#include "toolkit/controls/MerlaNewName.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

void Click(LWnd& w, int x = 5, int y = 5) {
    SendMessageW(w.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
    SendMessageW(w.GetHandle(), WM_LBUTTONUP, 0, Point(x, y));
}

// Takes names that are not "已有"; remembers what it applied.
class GroupName : public MerlaNewName {
public:
    GroupName() : MerlaNewName(L"新建分组", 100) {}
    bool ValidateName() override {
        ++validated;
        return GetEnteredName() != L"已有";
    }
    void ApplyName() override { applied = GetEnteredName(); }
    int validated = 0;
    std::wstring applied;
};

std::vector<std::function<void()>> g_steps;

// Runs the next step each time the timer fires while a modal loop runs.
void CALLBACK NextStep(HWND, UINT, UINT_PTR timer, DWORD) {
    if (g_steps.empty()) {
        KillTimer(nullptr, timer);
        return;
    }
    auto step = std::move(g_steps.front());
    g_steps.erase(g_steps.begin());
    step();
}

// True when a visible message box with the id is up; clicks its OK.
bool AnswerEmptyNameBox(std::wstring& message) {
    auto* box = dynamic_cast<MerlaMessageBox*>(LWnd::FromId(MerlaNewName::kEmptyNameId));
    if (!box || !IsWindowVisible(box->GetHandle()))
        return false;
    message = box->GetMessage();
    Click(*box->ButtonOf(kMbOk));
    return true;
}

int Covered(const LSurface& s, int x0, int y0, int x1, int y1, uint32_t max_alpha = 255) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint32_t a = s.Pixel(x, y) >> 24;
            n += a != 0 && a <= max_alpha;
        }
    return n;
}

} // namespace

TEST(MerlaNewName, EmptyNameIsRefusedAndTheDialogStaysOpen) {
    GroupName dialog;
    std::wstring refusal;
    bool open_after_refusal = false;
    RECT edit{}, ok{}, cancel{}, client{};
    g_steps = {
        [&] {
            client = dialog.ClientRect();
            edit = dialog.Edit().WindowRect();
            ok = dialog.OkButton().WindowRect();
            cancel = dialog.CancelButton().WindowRect();
            for (RECT* r : {&edit, &ok, &cancel})
                MapWindowPoints(nullptr, dialog.GetHandle(), reinterpret_cast<POINT*>(r), 2);
            // The refusal box runs its own loop: the next step answers it from there.
            Click(dialog.OkButton());
            open_after_refusal = IsWindowVisible(dialog.GetHandle()) != FALSE;
        },
        [&] {
            if (!AnswerEmptyNameBox(refusal))
                g_steps.insert(g_steps.begin(), [&] { AnswerEmptyNameBox(refusal); });
        },
        [&] {
            dialog.Edit().InsertText(L"已有", 0, 0, false);
            Click(dialog.OkButton()); // refused by the subclass: still open
        },
        [&] {
            dialog.Edit().Clear();
            dialog.Edit().InsertText(L"工作", 0, 0, false);
            Click(dialog.OkButton());
        },
    };
    SetTimer(nullptr, 0, 100, NextStep);
    EXPECT_EQ(dialog.DoModal(0, nullptr), IDOK);
    EXPECT_TRUE(open_after_refusal);
    EXPECT_EQ(refusal, L"名字不能为空！");
    EXPECT_EQ(dialog.validated, 2);
    EXPECT_EQ(dialog.applied, L"工作");
    EXPECT_EQ(dialog.GetEnteredName(), L"工作");
    // Layout: the edit box below the caption, Cancel at the right and OK left of it.
    const int m = MerlaCaption::kMargin;
    EXPECT_EQ(edit.left, m + 32);
    EXPECT_EQ(edit.top, dialog.CaptionHeight() + m + 14);
    EXPECT_EQ(edit.right - edit.left, 232);
    EXPECT_EQ(edit.bottom - edit.top, 27);
    EXPECT_EQ(cancel.right, client.right - 20);
    EXPECT_EQ(cancel.top, client.bottom - 23 - 10);
    EXPECT_EQ(ok.right, cancel.left);
}

TEST(MerlaNewName, CancelAndTheBaseDialogTakeNoName) {
    GroupName dialog;
    g_steps = {[&] { Click(dialog.CancelButton()); }};
    SetTimer(nullptr, 0, 50, NextStep);
    EXPECT_EQ(dialog.DoModal(0, nullptr), IDCANCEL);
    EXPECT_EQ(dialog.validated, 0);

    // The base validates nothing: OK with a name leaves it open, the close button ends it.
    MerlaNewName base(L"名字", 100);
    bool still_open = false;
    g_steps = {[&] {
                   base.Edit().InsertText(L"x", 0, 0, false);
                   Click(base.OkButton());
                   still_open = IsWindowVisible(base.GetHandle()) != FALSE;
               },
               [&] { Click(base.CloseButton()); }};
    SetTimer(nullptr, 0, 50, NextStep);
    EXPECT_EQ(base.DoModal(0, nullptr), IDCANCEL);
    EXPECT_TRUE(still_open);
    EXPECT_EQ(base.GetEnteredName(), L"x");
}

TEST(MerlaEdit, CueTextWhileEmptyPictureClickAndEnterReport50027) {
    class Listener : public ColorWnd {
    public:
        LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override {
            if (message == MerlaEdit::kEditCommand)
                reports.push_back(static_cast<int>(lp));
            return ColorWnd::WindowProc(message, wp, lp);
        }
        std::vector<int> reports;
    } top;
    ASSERT_TRUE(top.CreateTop(0, 0, 300, 60));
    MerlaEdit edit;
    edit.SetCueText(L"搜索便签");
    ASSERT_TRUE(edit.Create(0, L"", 0, WS_CHILD | WS_VISIBLE, 10, 10, 200, 27, top.GetHandle()));
    edit.Subscribe(MerlaEdit::kEditCommand, top.GetHandle());
    EXPECT_EQ(edit.RightStrip(), 12);
    LSurface empty = edit.RenderContent();
    EXPECT_EQ(empty.Pixel(0, 10), kThemeColor);
    EXPECT_EQ(empty.Pixel(199, 26), kThemeColor);
    const int cue = Covered(empty, 3, 2, 100, 25, 60);
    EXPECT_GT(cue, 20);
    EXPECT_EQ(Covered(empty, 3, 2, 100, 25) - Covered(empty, 3, 2, 100, 25, 60), 0); // only faint ink
    edit.InsertText(L"abc", 0, 0, false);
    EXPECT_LT(Covered(edit.RenderContent(), 3, 2, 100, 25, 60), cue);

    edit.SetEditIcon(L"close.png");
    EXPECT_EQ(edit.RightStrip(), 28);
    LSurface with_icon = edit.RenderContent();
    EXPECT_GT(Covered(with_icon, 200 - 28, 5, 199, 22), 10);
    Click(edit, 200 - 10, 13);
    ASSERT_EQ(top.reports.size(), 1u);
    EXPECT_EQ(top.reports[0], edit.GetId());
    Click(edit, 50, 13); // in the text: no report
    EXPECT_EQ(top.reports.size(), 1u);
    edit.OnEnter();
    EXPECT_EQ(top.reports.size(), 2u);
}
