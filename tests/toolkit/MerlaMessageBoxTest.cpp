// The message box: button order, results, the "不再提示" memory and placement; driven through the
// messages its buttons send, from a timer running inside the modal loop.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "app/base/AppPaths.h"
#include "store/xml/CXmlDoc.h"
#include "toolkit/MerlaMessageBox.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int kNoticeId = 20060;

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

// Runs action with the box once it is up, from a thread timer that the dialog's loop dispatches.
std::function<void(MerlaMessageBox&)> g_action;
MerlaMessageBox* g_box = nullptr;

void CALLBACK RunAction(HWND, UINT, UINT_PTR timer, DWORD) {
    if (!g_box || !g_box->GetHandle() || !IsWindowVisible(g_box->GetHandle()))
        return;
    KillTimer(nullptr, timer);
    auto action = std::move(g_action);
    g_action = nullptr;
    if (action)
        action(*g_box);
}

INT_PTR RunModal(MerlaMessageBox& box, int id, HWND parent, std::function<void(MerlaMessageBox&)> action) {
    g_box = &box;
    g_action = std::move(action);
    SetTimer(nullptr, 0, 20, RunAction);
    const INT_PTR result = box.DoModal(id, parent);
    g_box = nullptr;
    return result;
}

// A real click: press and release on the button's own window.
void Click(LWnd& button) {
    SendMessageW(button.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    SendMessageW(button.GetHandle(), WM_LBUTTONUP, 0, Point(6, 5));
}

RECT RectIn(LWnd& parent, LWnd& child) {
    RECT rc = child.WindowRect();
    MapWindowPoints(nullptr, parent.GetHandle(), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

std::wstring SettingsText() {
    CXmlDoc doc;
    doc.Load(NormalSetDir() + L"MerlaMessageBox.xml");
    return doc.GetDoc();
}

} // namespace

TEST(MerlaMessageBox, OkWithCheckPutsOkRightAndTheCheckBoxLeftOfIt) {
    MerlaMessageBox box(kMbOk | kMbNoMoreShow, L"Velin", L"笔记已隐藏。", 120);
    RECT ok{}, check{}, client{};
    std::wstring check_text;
    const INT_PTR result = RunModal(box, kNoticeId, nullptr, [&](MerlaMessageBox& b) {
        client = b.ClientRect();
        ok = RectIn(b, *b.ButtonOf(kMbOk));
        check = RectIn(b, b.CheckButton());
        wchar_t buf[64] = {};
        GetWindowTextW(b.CheckButton().GetHandle(), buf, 64);
        check_text = buf;
        Click(*b.ButtonOf(kMbOk));
    });
    EXPECT_EQ(result, kMbOk);
    EXPECT_EQ(client.right, 300 + 2 * MerlaCaption::kMargin);
    EXPECT_EQ(client.bottom, 120 + 2 * MerlaCaption::kMargin);
    EXPECT_EQ(ok.right, client.right - 20);
    EXPECT_EQ(ok.right - ok.left, 48);
    EXPECT_EQ(ok.bottom - ok.top, 23);
    EXPECT_EQ(ok.top, client.bottom - 23 - 10);
    EXPECT_EQ(check.right, ok.left);
    EXPECT_EQ(check.right - check.left, 80);
    EXPECT_EQ(check.top, ok.top);
    EXPECT_EQ(check_text, L"不再提示");
}

TEST(MerlaMessageBox, EveryButtonInOrderFromTheRight) {
    MerlaMessageBox box(0x7F, L"Velin", L"全部按钮", 120, 420);
    std::vector<RECT> rects;
    RunModal(box, 0, nullptr, [&](MerlaMessageBox& b) {
        for (int flag : {int{kMbCancel}, int{kMbNo}, int{kMbOk}, int{kMbYes}, int{kMbSkip}, int{kMbReplace},
                         kMbNoMoreShow})
            rects.push_back(RectIn(b, *b.ButtonOf(flag)));
        b.Close();
    });
    ASSERT_EQ(rects.size(), 7u);
    EXPECT_EQ(rects[0].right, box.WindowWidth() - 20);
    for (size_t i = 1; i < rects.size(); ++i)
        EXPECT_EQ(rects[i].right, rects[i - 1].left) << i;
}

TEST(MerlaMessageBox, OnlyTheFlaggedButtonsExist) {
    MerlaMessageBox box(kMbYes | kMbNo, L"Velin", L"?", 100);
    bool yes = false, no = false, ok = true, check = true;
    RunModal(box, 0, nullptr, [&](MerlaMessageBox& b) {
        yes = IsWindow(b.ButtonOf(kMbYes)->GetHandle());
        no = IsWindow(b.ButtonOf(kMbNo)->GetHandle());
        ok = b.ButtonOf(kMbOk)->GetHandle() != nullptr;
        check = b.CheckButton().GetHandle() != nullptr;
        b.Close();
    });
    EXPECT_TRUE(yes);
    EXPECT_TRUE(no);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(check);
}

TEST(MerlaMessageBox, YesNoAnswerTheirBitsAndTheCloseButtonTwo) {
    for (int flag : {kMbYes, kMbNo, kMbReplace, kMbSkip, kMbCancel}) {
        MerlaMessageBox box(kMbYes | kMbNo | kMbReplace | kMbSkip | kMbCancel, L"Velin", L"?", 100, 400);
        EXPECT_EQ(RunModal(box, 0, nullptr, [flag](MerlaMessageBox& b) { Click(*b.ButtonOf(flag)); }), flag);
    }
    MerlaMessageBox box(kMbYes | kMbNo, L"Velin", L"?", 100);
    EXPECT_EQ(RunModal(box, 0, nullptr, [](MerlaMessageBox& b) { Click(b.CloseButton()); }), kMbCancel);
    MerlaMessageBox by_key(kMbOk, L"Velin", L"?", 100);
    EXPECT_EQ(RunModal(by_key, 0, nullptr,
                       [](MerlaMessageBox& b) { PostMessageW(b.GetHandle(), WM_COMMAND, IDCANCEL, 0); }),
              kMbCancel);
}

TEST(MerlaMessageBox, TickingRemembersAtOnceAndUntickingForgets) {
    EXPECT_FALSE(IsNoMoreShow(kNoticeId));
    MerlaMessageBox box(kMbOk | kMbNoMoreShow, L"Velin", L"笔记已隐藏。", 120);
    std::wstring after_tick, after_untick;
    bool remembered = false;
    RunModal(box, kNoticeId, nullptr, [&](MerlaMessageBox& b) {
        Click(b.CheckButton());
        after_tick = SettingsText();
        remembered = IsNoMoreShow(kNoticeId);
        Click(b.CheckButton());
        after_untick = SettingsText();
        Click(b.CheckButton());
        Click(*b.ButtonOf(kMbOk));
    });
    EXPECT_NE(after_tick.find(L"<nomoreshowitem>20060</nomoreshowitem>"), std::wstring::npos) << after_tick;
    EXPECT_NE(after_tick.find(L"<MerlaMessageBox>"), std::wstring::npos);
    EXPECT_TRUE(remembered);
    EXPECT_EQ(after_untick.find(L"nomoreshowitem"), std::wstring::npos) << after_untick;
    EXPECT_TRUE(IsNoMoreShow(kNoticeId));
    EXPECT_FALSE(IsNoMoreShow(kNoticeId + 1));
    // The next call with that id shows nothing.
    const DWORD start = GetTickCount();
    EXPECT_EQ(ShowMessageBox(nullptr, L"笔记已隐藏。", kMbOk | kMbNoMoreShow, kNoticeId), 0);
    EXPECT_LT(GetTickCount() - start, 2000u);
}

TEST(MerlaMessageBox, TwoIdsAreKeptSideBySide) {
    MerlaMessageBox first(kMbOk | kMbNoMoreShow, L"Velin", L"a", 100);
    RunModal(first, 20059, nullptr, [](MerlaMessageBox& b) {
        Click(b.CheckButton());
        Click(*b.ButtonOf(kMbOk));
    });
    MerlaMessageBox second(kMbOk | kMbNoMoreShow, L"Velin", L"b", 100);
    RunModal(second, 20063, nullptr, [](MerlaMessageBox& b) {
        Click(b.CheckButton());
        Click(*b.ButtonOf(kMbOk));
    });
    EXPECT_TRUE(IsNoMoreShow(20059));
    EXPECT_TRUE(IsNoMoreShow(20063));
}

TEST(IsNoMoreShow, FalseForMissingDamagedOrForeignFiles) {
    const std::wstring path = NormalSetDir() + L"MerlaMessageBox.xml";
    EXPECT_FALSE(IsNoMoreShow(20060));
    CXmlDoc other;
    other.SetDoc(L"<Other>\r\n<nomoreshowitem>20060</nomoreshowitem>\r\n</Other>\r\n");
    ASSERT_TRUE(other.Save(path));
    EXPECT_FALSE(IsNoMoreShow(20060));
    FILE* f = _wfopen(path.c_str(), L"wb");
    fputs("<MerlaMessageBox><nomoreshowitem>200", f);
    fclose(f);
    EXPECT_FALSE(IsNoMoreShow(20060));
}

TEST(MerlaMessageBoxPlacement, CentredOnTheParent) {
    ColorWnd parent(0xFF808080);
    ASSERT_TRUE(parent.CreateTop(100, 200, 600, 400, true));
    MerlaMessageBox box(kMbOk, L"Velin", L"居中", 120);
    RECT wr{};
    RunModal(box, 0, parent.GetHandle(), [&](MerlaMessageBox& b) {
        wr = b.WindowRect();
        b.Close();
    });
    const int w = box.WindowWidth(), h = box.WindowHeight();
    EXPECT_EQ(wr.right - wr.left, w);
    EXPECT_EQ(wr.bottom - wr.top, h);
    EXPECT_EQ(wr.left, 100 + (600 - w) / 2);
    EXPECT_EQ(wr.top, 200 + (400 - h) / 2);
}
