// The password dialogs: their layout, the rules OK applies to the entries, and the modal runs that
// store and check the display password, driven through the edit boxes and buttons.
#include "tests/settings/TellCapture.h"
#include "tests/toolkit/ToolkitTestSupport.h"

#include "settings/DisplayPassword.h"
#include "settings/MerlaAddPwd.h"
#include "settings/MerlaCheckEncrypt.h"
#include "settings/TextCipher.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int kMargin = MerlaCaption::kMargin;

std::vector<std::function<void()>> g_steps;

// Runs the next step each time the timer fires inside the modal loop.
void CALLBACK NextStep(HWND, UINT, UINT_PTR timer, DWORD) {
    if (g_steps.empty()) {
        KillTimer(nullptr, timer);
        return;
    }
    auto step = std::move(g_steps.front());
    g_steps.erase(g_steps.begin());
    step();
}

void RunSteps(std::vector<std::function<void()>> steps) {
    g_steps = std::move(steps);
    SetTimer(nullptr, 0, 50, NextStep);
}

void Click(LWnd& button) {
    SendMessageW(button.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(button.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

void Type(MerlaEdit& edit, const std::wstring& text) {
    edit.Clear();
    edit.InsertText(text, 0, 0, false);
}

// The visible dialog of the kind D that the thread shows, if any.
template <class D> D* OpenDialog() {
    D* found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM out) {
            auto* d = dynamic_cast<D*>(LWnd::FromHandle(hwnd));
            if (d && IsWindowVisible(hwnd))
                *reinterpret_cast<D**>(out) = d;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

struct Box {
    bool exists = false;
    RECT rect{};
    std::wstring cue;
    bool masked = false;
};

Box Describe(MerlaCaption& dialog, MerlaEdit& edit) {
    Box box;
    box.exists = edit.GetHandle() != nullptr;
    if (!box.exists)
        return box;
    box.rect = edit.WindowRect();
    MapWindowPoints(nullptr, dialog.GetHandle(), reinterpret_cast<POINT*>(&box.rect), 2);
    box.cue = edit.GetCueText();
    box.masked = edit.IsPasswordMode();
    return box;
}

void ExpectBox(const Box& box, int top, const std::wstring& cue) {
    EXPECT_TRUE(box.exists);
    EXPECT_EQ(box.rect.left, 28);
    EXPECT_EQ(box.rect.top, top);
    EXPECT_EQ(box.rect.right - box.rect.left, 172);
    EXPECT_EQ(box.rect.bottom - box.rect.top, 26);
    EXPECT_EQ(box.cue, cue);
    EXPECT_TRUE(box.masked);
}

} // namespace

TEST(MerlaAddPwd, TwoBoxesAnd132HighWithoutAPasswordThreeAnd162WithOne) {
    for (const std::wstring& stored : {std::wstring(), EncryptText(L"secret")}) {
        MerlaAddPwd dialog(stored);
        RECT client{};
        Box old_box, new_box, confirm_box;
        RunSteps({[&] {
            client = dialog.ClientRect();
            old_box = Describe(dialog, dialog.OldEdit());
            new_box = Describe(dialog, dialog.NewEdit());
            confirm_box = Describe(dialog, dialog.ConfirmEdit());
            Click(*dialog.ButtonOf(kMbCancel));
        }});
        EXPECT_EQ(dialog.DoModal(0, nullptr), IDCANCEL);
        EXPECT_EQ(dialog.GetTitle(), L"设置加密显示的密码...");
        EXPECT_EQ(client.right, 240 + 2 * kMargin);
        if (stored.empty()) {
            EXPECT_EQ(client.bottom, 132 + 2 * kMargin);
            EXPECT_FALSE(old_box.exists);
            ExpectBox(new_box, 40, L"输入密码...");
            ExpectBox(confirm_box, 70, L"确认密码...");
        } else {
            EXPECT_EQ(client.bottom, 162 + 2 * kMargin);
            ExpectBox(old_box, 40, L"输入原密码...");
            ExpectBox(new_box, 70, L"输入密码...");
            ExpectBox(confirm_box, 100, L"确认密码...");
        }
    }
}

TEST(MerlaAddPwd, EntriesAreTrimmedAndLoweredAndRefusedWithTheirReasons) {
    TellCapture tells;
    MerlaAddPwd first(L"");
    EXPECT_FALSE(first.AcceptEntries(L"", L"   ", L"   "));
    EXPECT_EQ(tells.Take(), L"密码不能为空！");
    EXPECT_FALSE(first.AcceptEntries(L"", L"abc", L"abd"));
    EXPECT_EQ(tells.Take(), L"两次输入密码不一致！");
    EXPECT_EQ(first.GetNewPassword(), L"");
    EXPECT_TRUE(first.AcceptEntries(L"", L" Secret ", L"secrET"));
    EXPECT_EQ(tells.Take(), L"");
    EXPECT_EQ(first.GetNewPassword(), L"secret");

    MerlaAddPwd change(EncryptText(L"secret"));
    EXPECT_FALSE(change.AcceptEntries(L"secrets", L"new", L"new"));
    EXPECT_EQ(tells.Take(), L"输入原密码错误！");
    EXPECT_TRUE(change.AcceptEntries(L"  SECRET", L"new", L"new"));
    EXPECT_EQ(change.GetNewPassword(), L"new");
}

TEST(MerlaAddPwd, PasswordsEarlierVersionsCouldNotKeepCanStillBeChanged) {
    // "p12019" has a zero unit in its cipher block; the old form of "abcdefgh" holds half a
    // surrogate pair, which the UTF-8 file turns into U+FFFD.
    TellCapture tells;
    for (const std::wstring& text : {std::wstring(L"p12019"), std::wstring(L"abcdefgh")}) {
        ASSERT_TRUE(SetEncryptPwd(EncryptTextOldForm(text)));
        MerlaAddPwd dialog(GetEncryptPwd());
        EXPECT_TRUE(dialog.AcceptEntries(text, L"fresh", L"fresh")) << tells.Take();
    }
}

TEST(MerlaCheckEncrypt, LayoutAndTheEntryHashedTrimmedAndLowered) {
    MerlaCheckEncrypt dialog("5ebe2294ecd0e0f08eab7690d2a6ee69"); // MD5 of "secret"
    RECT client{};
    Box box;
    RunSteps({[&] {
        client = dialog.ClientRect();
        box = Describe(dialog, dialog.PasswordEdit());
        Click(dialog.CloseButton());
    }});
    EXPECT_EQ(dialog.DoModal(0, nullptr), IDCANCEL);
    EXPECT_EQ(dialog.GetTitle(), L"解密显示");
    EXPECT_EQ(client.right, 240 + 2 * kMargin);
    EXPECT_EQ(client.bottom, 110 + 2 * kMargin);
    ExpectBox(box, 40, L"输入密码...");

    TellCapture tells;
    EXPECT_FALSE(dialog.AcceptEntry(L""));
    EXPECT_EQ(tells.Take(), L"输入密码为空！");
    EXPECT_FALSE(dialog.AcceptEntry(L"  "));
    EXPECT_EQ(tells.Take(), L"输入密码为空！");
    EXPECT_FALSE(dialog.AcceptEntry(L"secre"));
    EXPECT_EQ(tells.Take(), L"输入密码错误！");
    EXPECT_FALSE(dialog.IsMatched());
    EXPECT_TRUE(dialog.AcceptEntry(L" Secret"));
    EXPECT_TRUE(dialog.IsMatched());
}

TEST(DisplayPasswordDialogs, SetThroughTheDialogThenOpenedThroughTheCheck) {
    TellCapture tells;
    std::wstring refusal;
    RunSteps({[&] {
        auto* d = OpenDialog<MerlaAddPwd>();
        ASSERT_NE(d, nullptr);
        Type(d->NewEdit(), L"Secret");
        Type(d->ConfirmEdit(), L"secret ");
        Click(*d->ButtonOf(kMbOk));
    }});
    EXPECT_TRUE(SetDisplayPasswordFromDialog(nullptr));
    EXPECT_EQ(DecryptText(GetEncryptPwd()), L"secret");
    const std::string hash = DisplayPasswordHash();
    EXPECT_EQ(hash, "5ebe2294ecd0e0f08eab7690d2a6ee69");

    bool open_after_wrong = false;
    RunSteps({[&] {
        auto* d = OpenDialog<MerlaCheckEncrypt>();
        ASSERT_NE(d, nullptr);
        Type(d->PasswordEdit(), L"wrong");
        Click(*d->ButtonOf(kMbOk));
        refusal = tells.Take();
        open_after_wrong = IsWindowVisible(d->GetHandle()) != FALSE;
        Type(d->PasswordEdit(), L"Secret");
        Click(*d->ButtonOf(kMbOk));
    }});
    EXPECT_TRUE(CheckDisplayPassword(nullptr, hash));
    EXPECT_EQ(refusal, L"输入密码错误！");
    EXPECT_TRUE(open_after_wrong);

    // Cancel changes nothing and opens nothing.
    const std::wstring stored = GetEncryptPwd();
    RunSteps({[&] { Click(*OpenDialog<MerlaAddPwd>()->ButtonOf(kMbCancel)); }});
    EXPECT_FALSE(SetDisplayPasswordFromDialog(nullptr));
    EXPECT_EQ(GetEncryptPwd(), stored);
    RunSteps({[&] { Click(*OpenDialog<MerlaCheckEncrypt>()->ButtonOf(kMbCancel)); }});
    EXPECT_FALSE(CheckDisplayPassword(nullptr, hash));
}
