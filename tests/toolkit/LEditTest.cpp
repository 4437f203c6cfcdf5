// The plain text edit as a real window under Wine: keys and characters through its messages, the
// history, the real clipboard and a long text that scrolls.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "toolkit/LCaret.h"
#include "toolkit/LEdit.h"
#include "toolkit/Toolkit.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

class LEditTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(paper_.CreateTop(100, 100, 320, 240, true));
        edit_ = std::make_unique<LEdit>();
        ASSERT_TRUE(edit_->CreateEdit(0, paper_.GetHandle(), RECT{10, 10, 210, 130}));
        edit_->SetFocusWnd();
        Pump();
    }
    void TearDown() override { edit_.reset(); }

    HWND Edit() const { return edit_->GetHandle(); }
    static void Pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (ToolkitPreTranslate(&msg))
                continue; // as the application's message hook does
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    void Type(const std::wstring& text) {
        for (wchar_t c : text)
            PostMessageW(Edit(), WM_CHAR, c, 1);
        Pump();
    }
    void Key(UINT key, bool ctrl = false) {
        SetCtrl(ctrl);
        PostMessageW(Edit(), WM_KEYDOWN, key, 1);
        Pump();
        SetCtrl(false);
    }
    static void SetCtrl(bool down) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }

    ColorWnd paper_{0xFFFFFFFF};
    std::unique_ptr<LEdit> edit_;
};

void PutText(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    auto* p = static_cast<wchar_t*>(GlobalLock(block));
    std::copy(text.begin(), text.end(), p);
    p[text.size()] = 0;
    GlobalUnlock(block);
    EXPECT_NE(nullptr, SetClipboardData(CF_UNICODETEXT, block));
    CloseClipboard();
}

std::optional<std::wstring> ClipboardText() {
    if (!OpenClipboard(nullptr))
        return std::nullopt;
    std::optional<std::wstring> text;
    if (HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
}

} // namespace

TEST_F(LEditTest, StartsWithTheDefaultFontAndMargins) {
    EXPECT_EQ(L"宋体", edit_->FontFamily());
    EXPECT_EQ(13.0f, edit_->FontEmSize());
    EXPECT_EQ(2, edit_->FontUnit()); // pixel
    EXPECT_EQ(0xFF000000u, edit_->Color());
    const RECT c = edit_->CaretRect(0);
    EXPECT_EQ(7, c.left);
    EXPECT_EQ(7, c.top);
}

TEST_F(LEditTest, EnterStoresALineFeedAndTheCharactersAreRefusedOrTaken) {
    Type(L"ab");
    Key(VK_RETURN);
    Type(L"c");
    EXPECT_EQ(std::wstring(L"ab") + wchar_t(10) + L"c", edit_->Text());
    EXPECT_EQ(2, edit_->LineCount());

    // A line feed and Esc typed as characters are refused.
    Type(std::wstring(1, wchar_t(10)) + wchar_t(27));
    EXPECT_EQ(4u, edit_->Text().size());
    // Ctrl held: no character.
    SetCtrl(true);
    PostMessageW(Edit(), WM_CHAR, L'q', 1);
    Pump();
    SetCtrl(false);
    EXPECT_EQ(4u, edit_->Text().size());

    // Backspace at 0 does nothing; Delete takes the character after the caret.
    edit_->SetSelection(0, 0);
    Type(L"\b");
    EXPECT_EQ(4u, edit_->Text().size());
    Key(VK_DELETE);
    EXPECT_EQ(std::wstring(L"b") + wchar_t(10) + L"c", edit_->Text());
    Key(VK_END);
    Type(L"\b");
    EXPECT_EQ(std::wstring(1, wchar_t(10)) + L"c", edit_->Text());

    // A selection is replaced by a typed character.
    edit_->SetSelection(0, 2);
    Type(L"Z");
    EXPECT_EQ(L"Z", edit_->Text());
    EXPECT_EQ(1, edit_->CaretPos());
}

TEST_F(LEditTest, EveryTypedCharacterIsOneUndoGroupAndRedoWalksThemForward) {
    Type(L"xy");
    ASSERT_EQ(L"xy", edit_->Text());
    ASSERT_EQ(2, edit_->UndoCount());
    EXPECT_EQ(1, edit_->UndoAt(0).kind);
    EXPECT_NE(edit_->UndoAt(0).group, edit_->UndoAt(1).group);
    Key('Z', true);
    EXPECT_EQ(L"x", edit_->Text());
    Key('Z', true);
    EXPECT_EQ(L"", edit_->Text());
    Key('Y', true);
    EXPECT_EQ(L"x", edit_->Text());
    EXPECT_EQ(1, edit_->CaretPos());

    // A character over a selection: one group of a removal and an insertion.
    Key('Y', true);
    Key('A', true);
    Type(L"q");
    ASSERT_EQ(L"q", edit_->Text());
    ASSERT_EQ(4, edit_->UndoCount());
    EXPECT_EQ(2, edit_->UndoAt(2).kind);
    EXPECT_EQ(L"xy", edit_->UndoAt(2).text);
    EXPECT_EQ(edit_->UndoAt(2).group, edit_->UndoAt(3).group);
    Key('Z', true);
    EXPECT_EQ(L"xy", edit_->Text());
}

TEST_F(LEditTest, ClipboardCarriesPlainUnicodeTextBothWays) {
    Type(L"便签");
    Key(VK_RETURN);
    Type(L"文字");
    Key('A', true);
    Key('C', true);
    EXPECT_EQ(std::optional<std::wstring>(L"便签\r\n文字"), ClipboardText());
    Key('X', true);
    EXPECT_EQ(L"", edit_->Text());
    EXPECT_EQ(std::optional<std::wstring>(L"便签\r\n文字"), ClipboardText());

    PutText(L"一\r\n二\r三");
    Key('V', true);
    EXPECT_EQ(std::wstring(L"一") + wchar_t(10) + L"二" + wchar_t(10) + L"三", edit_->Text());
    EXPECT_EQ(3, edit_->LineCount());
}

TEST_F(LEditTest, HitTestingSplitsACharacterInItsMiddle) {
    Type(L"WWW");
    const RECT one = edit_->CaretRect(1), two = edit_->CaretRect(2);
    ASSERT_GT(two.left, one.left);
    const int y = (one.top + one.bottom) / 2;
    EXPECT_EQ(1, edit_->PositionFromPoint(one.left + 1, y));
    EXPECT_EQ(2, edit_->PositionFromPoint(two.left - 1, y));
    EXPECT_EQ(3, edit_->PositionFromPoint(190, y));
}

TEST_F(LEditTest, AFiveHundredLineTextScrollsToEveryLine) {
    std::wstring text;
    for (int i = 0; i < 500; ++i)
        text += L"line " + std::to_wstring(i) + (i < 499 ? L"\n" : L"");
    edit_->SetText(text);
    ASSERT_EQ(500, edit_->LineCount());
    const int pitch = edit_->LineHeight();
    ASSERT_GT(pitch, 0);
    EXPECT_GE(edit_->ContentHeight(), 500 * pitch + 7 + 5);
    EXPECT_TRUE(edit_->VerticalBar().IsShown());
    EXPECT_FALSE(edit_->HorizontalBar().IsShown());

    // Ctrl+End is no key of the edit: the caret goes down line by line.
    edit_->SetSelection(0, 0);
    for (int i = 0; i < 499; ++i)
        edit_->HandleKey(VK_DOWN);
    Pump();
    EXPECT_EQ(static_cast<int>(text.rfind(L'\n')) + 1, edit_->CaretPos());
    const RECT c = edit_->CaretRect(edit_->CaretPos());
    EXPECT_GE(c.top, 0);
    EXPECT_LE(c.bottom, 120);
    EXPECT_GT(edit_->ScrollY(), 400 * pitch);
    EXPECT_EQ(edit_->ScrollY(), edit_->VerticalBar().GetPos());
    ASSERT_NE(nullptr, edit_->CaretWindow());
    EXPECT_TRUE(edit_->CaretWindow()->IsVisible());

    // The wheel brings the first line back.
    for (int i = 0; i < 500; ++i)
        edit_->OnMouseWheel(0, WHEEL_DELTA, 0, 0);
    EXPECT_EQ(0, edit_->ScrollY());
}
