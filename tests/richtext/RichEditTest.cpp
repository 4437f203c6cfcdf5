// The rich edit as a real window under Wine: typed into, clicked and keyed through its messages.
#include "richtext/FontRegistry.h"
#include "richtext/GlyphLiveSet.h"
#include "toolkit/LCaret.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LGlyphTChar.h"
#include "richtext/LRichEdit.h"
#include "richtext/LRichEditOp.h"
#include "richtext/LWndPicReszie.h"
#include "store/xml/FileBytes.h"
#include "toolkit/Toolkit.h"

#include <gtest/gtest.h>

#include <memory>
#include <regex>

namespace {

class Paper : public LWnd {
public:
    LSurface RenderContent() override {
        const RECT rc = ClientRect();
        return CreateSurface(GetHandle(), rc.right, rc.bottom, 0xFFFFFFFF);
    }
};

// Counts a notification sent to a plain window.
UINT g_counted_code = 0;
int g_count = 0;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == g_counted_code) {
        ++g_count;
        return 1;
    }
    return DefWindowProcW(hwnd, message, wp, lp);
}

class RichEditTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(paper_.Create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, 100, 100,
                                  420, 320, nullptr));
        edit_ = std::make_unique<LRichEdit>();
        ASSERT_TRUE(edit_->CreateEdit(0, paper_.GetHandle(), 10, 10, 300, 200));
        paper_.ShowAndRefresh();
        Pump();
    }
    void TearDown() override { edit_.reset(); }

    HWND Edit() const { return edit_->GetHandle(); }
    // Twelve mixed Chinese and Latin paragraphs, wrapped at the edit's fixed width.
    void InsertWrappedLines() {
        edit_->SetWrap(true);
        edit_->SetFixedWidth(true);
        std::wstring text;
        for (int i = 0; i < 12; ++i)
            text += L"中文混排 mixed text line " + std::to_wstring(i) + L" 继续写下去直到换行为止\r";
        edit_->InsertText(text, 0, 0, false);
    }
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
    void Mouse(UINT message, int x, int y, WPARAM keys = 0) {
        SendMessageW(Edit(), message, keys, MAKELPARAM(x, y));
        Pump();
    }
    // Client point in the middle of the glyph at (row, index).
    POINT GlyphPoint(int row, int index, bool right_part = false) {
        const LGlyph* g = edit_->Document().Row(row)->At(index);
        const Gdiplus::Rect hb = g->GetHitBox();
        const int x = right_part ? hb.X + hb.Width * 3 / 4 : hb.X + hb.Width / 4;
        return POINT{x - edit_->ScrollX(),
                     static_cast<int>(g->Box().Y + g->Box().Height / 2) - edit_->ScrollY()};
    }
    // The document surface holds no character pixels in password mode.
    int InkedPixelsOfDocument() {
        const LSurface& s = edit_->Document().Surface();
        int inked = 0;
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x)
                inked += (s.Pixel(x, y) >> 24) != 0;
        return inked;
    }
    const LRichEditOpGlyph* GlyphOp(int i) {
        return dynamic_cast<const LRichEditOpGlyph*>(edit_->UndoRecord(i));
    }

    Paper paper_;
    std::unique_ptr<LRichEdit> edit_;
};

TEST_F(RichEditTest, TypingIntoAnEmptyEditCreatesTheFirstRow) {
    edit_->Clear();
    ASSERT_EQ(0, edit_->Document().RowCount());
    Type(L"ab");
    EXPECT_EQ(L"ab", edit_->GetText());
    ASSERT_GE(edit_->Document().RowCount(), 1);
    EXPECT_EQ(2, edit_->CaretOffset());
    EXPECT_FALSE(edit_->HasSelection());
    // Enter is translated into the character 13; line feed and Esc are refused.
    Key(VK_RETURN);
    Type(L"\n\x1b"
         L"c");
    EXPECT_EQ(L"ab\rc", edit_->GetText());
    EXPECT_EQ(2, edit_->Document().RowCount());
    EXPECT_EQ(1, edit_->CaretRowIndex());
    EXPECT_EQ(1, edit_->CaretGlyphIndex());
    // Typing painted the characters into the document surface and showed the caret.
    const LGlyph* a = edit_->Document().Row(0)->At(0);
    const Gdiplus::RectF ink = a->InkBox();
    int inked = 0;
    for (int y = static_cast<int>(ink.Y); y < static_cast<int>(ink.Y + ink.Height); ++y)
        for (int x = static_cast<int>(ink.X); x < static_cast<int>(ink.X + ink.Width); ++x)
            inked += (edit_->Document().Surface().Pixel(x, y) >> 24) != 0;
    EXPECT_GT(inked, 3);
    EXPECT_TRUE(edit_->Caret()->IsVisible());
}

TEST_F(RichEditTest, BackspaceAtTheVeryStartDoesNothingAndRecordsNothing) {
    Type(L"\b");
    EXPECT_EQ(0, edit_->UndoCount());
    EXPECT_EQ(0, edit_->ChangeCounter());
    Type(L"xy\rz");
    Key(VK_HOME);
    Key(VK_UP);
    Key(VK_HOME);
    ASSERT_EQ(0, edit_->CaretOffset());
    const int records = edit_->UndoCount();
    Type(L"\b");
    EXPECT_EQ(records, edit_->UndoCount());
    EXPECT_EQ(L"xy\rz", edit_->GetText());
    // At the start of the second row Backspace joins the rows: one removal record, key 8.
    Key(VK_DOWN);
    Key(VK_HOME);
    Type(L"\b");
    EXPECT_EQ(L"xyz", edit_->GetText());
    ASSERT_EQ(records + 1, edit_->UndoCount());
    EXPECT_EQ(LRichEditOpGlyph::kRemove, GlyphOp(records)->GetKind());
    EXPECT_EQ(LRichEditOpGlyph::kKeyBack, GlyphOp(records)->Key());
    Key('Z', true);
    EXPECT_EQ(L"xy\rz", edit_->GetText());
    EXPECT_EQ(3, edit_->CaretOffset()); // behind the restored paragraph end
}

TEST_F(RichEditTest, EachTypedCharacterIsItsOwnUndoGroup) {
    Type(L"ab");
    ASSERT_EQ(2, edit_->UndoCount());
    EXPECT_NE(edit_->UndoRecord(0)->Group(), edit_->UndoRecord(1)->Group());
    Key('Z', true);
    EXPECT_EQ(L"a", edit_->GetText());
    Key('Z', true);
    EXPECT_EQ(L"", edit_->GetText());
    Key('Z', true); // nothing left: no harm
    Key('Y', true);
    EXPECT_EQ(L"a", edit_->GetText());
    // A new edit drops what could still be redone; the dropped glyph dies with its record.
    const size_t live = GlyphLiveSet::Instance().Size();
    Type(L"c");
    EXPECT_EQ(L"ac", edit_->GetText());
    EXPECT_EQ(2, edit_->UndoCount());
    EXPECT_EQ(live, GlyphLiveSet::Instance().Size()); // one glyph made, one ("b") deleted
    Key('Y', true);
    EXPECT_EQ(L"ac", edit_->GetText());
    // Text put in without a record leaves no history that would point at the wrong glyphs.
    edit_->InsertText(L"Z", 0, 0, false);
    EXPECT_EQ(0, edit_->UndoCount());
    Key('Z', true);
    EXPECT_EQ(L"Zac", edit_->GetText());
}

TEST_F(RichEditTest, BoldToggleOnExactlyHalfSetsBoldOnAll) {
    auto bold = [&](int i) {
        return (DescribeFont(edit_->Document().GlyphAt(i)->GetFont()).style & Gdiplus::FontStyleBold) != 0;
    };
    edit_->ApplyStyle(Gdiplus::FontStyleBold); // nothing selected: the next character is bold
    Type(L"a");
    edit_->ApplyStyle(Gdiplus::FontStyleBold);
    Type(L"b");
    ASSERT_TRUE(bold(0));
    ASSERT_FALSE(bold(1));
    edit_->SetSelection(0, 2);
    const int records = edit_->UndoCount();
    Key('B', true);
    EXPECT_TRUE(bold(0));
    EXPECT_TRUE(bold(1));
    // One group: a removal and an insertion record.
    ASSERT_EQ(records + 2, edit_->UndoCount());
    EXPECT_EQ(edit_->UndoRecord(records)->Group(), edit_->UndoRecord(records + 1)->Group());
    EXPECT_EQ(std::make_pair(0, 2), edit_->SelectionRange());
    // All bold: more than half, so the bit is cleared on all.
    Key('B', true);
    EXPECT_FALSE(bold(0));
    EXPECT_FALSE(bold(1));
    Key('Z', true);
    EXPECT_TRUE(bold(0));
    EXPECT_TRUE(bold(1));
    Key('Z', true);
    EXPECT_TRUE(bold(0));
    EXPECT_FALSE(bold(1));
    EXPECT_EQ(L"ab", edit_->GetText());
}

TEST_F(RichEditTest, NumericModeClampsOnFocusLossAndRaises10015) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"CountingWindow";
    RegisterClassW(&wc);
    HWND listener =
        CreateWindowW(L"CountingWindow", L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
    g_counted_code = LRichEdit::kNumericRewritten;
    g_count = 0;
    edit_->SetNumericMode(true);
    edit_->Subscribe(LRichEdit::kNumericRewritten, listener);

    Type(L"9a");
    EXPECT_EQ(L"9", edit_->GetText()); // only digits pass
    edit_->OnKillFocus(nullptr);
    EXPECT_EQ(L"16", edit_->GetText());
    EXPECT_EQ(1, g_count);

    Type(L"9");
    EXPECT_EQ(L"169", edit_->GetText());
    Type(L"\b\b\b999");
    edit_->OnKillFocus(nullptr);
    EXPECT_EQ(L"512", edit_->GetText());
    EXPECT_EQ(2, g_count);
    EXPECT_EQ(0, edit_->UndoCount()); // the rewritten content has no history to undo into

    edit_->SetNumericRange(L"1", L"100");
    Type(L"\b\b\b99999999999999999999999"); // beyond any integer: still the maximum, no overflow
    edit_->OnKillFocus(nullptr);
    EXPECT_EQ(L"100", edit_->GetText());
    DestroyWindow(listener);
}

TEST_F(RichEditTest, PasswordBoxesAreNineBySixteen) {
    edit_->SetPasswordMode(true);
    edit_->SetCurrentFontParams(kDefaultFontFamily, 40, 0);
    Type(L"aW中");
    ASSERT_EQ(L"aW中", edit_->GetText());
    for (int i = 0; i < 3; ++i) {
        const Gdiplus::RectF b = edit_->Document().GlyphAt(i)->Box();
        EXPECT_EQ(9.f, b.Width);
        EXPECT_EQ(16.f, b.Height);
    }
    EXPECT_EQ(9.f, edit_->Document().GlyphAt(1)->Box().X - edit_->Document().GlyphAt(0)->Box().X);
    // Each box shows the password picture, never the character.
    LSurface picture = edit_->RenderContent();
    for (int i = 0; i < 3; ++i) {
        const Gdiplus::RectF b = edit_->Document().GlyphAt(i)->Box();
        int inked = 0;
        for (int y = static_cast<int>(b.Y); y < static_cast<int>(b.Y + b.Height); ++y)
            for (int x = static_cast<int>(b.X); x < static_cast<int>(b.X + b.Width); ++x)
                inked += (picture.Pixel(x, y) >> 24) > 0x80;
        EXPECT_GT(inked, 4) << i;
    }
    EXPECT_EQ(0, InkedPixelsOfDocument());
}

// Text there before the mode, loading, pasting and restyling hand over glyphs measured in their own
// fonts: they get the box too.
TEST_F(RichEditTest, PasswordBoxesWhateverWayTheTextEnters) {
    edit_->SetCurrentFontParams(kDefaultFontFamily, 40, 0);
    edit_->InsertText(L"x", 0, 0, false);
    edit_->SetPasswordMode(true);
    const std::string rtf = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0 SimSun;}}\\f0\\fs60 aW\\'d6\\'d0}";
    const std::wstring path = L"password.rtf";
    ASSERT_TRUE(WriteFileAtomic(path, rtf));
    ASSERT_EQ(0, edit_->LoadRtf(path, true));
    ASSERT_EQ(0, LoadRtfBytes(*edit_, rtf, true)); // what a paste of rich text does
    ASSERT_EQ(L"xaW中aW中", edit_->GetText());
    const GlyphDocument& doc = edit_->Document();
    auto expect_boxes = [&doc](const char* when) {
        for (int i = 0; i < doc.GlyphCount(); ++i) {
            const Gdiplus::RectF b = doc.GlyphAt(i)->Box();
            EXPECT_EQ(9.f, b.Width) << when << " " << i;
            EXPECT_EQ(16.f, b.Height) << when << " " << i;
        }
    };
    expect_boxes("loaded");
    edit_->SelectAll();
    edit_->ApplyStyle(Gdiplus::FontStyleBold);
    expect_boxes("restyled");
}

TEST_F(RichEditTest, F5InsertsTheTimeStampWithUndo) {
    Type(L"x");
    Key(VK_F5);
    const std::wstring text = edit_->GetText();
    std::wsmatch m;
    ASSERT_TRUE(
        std::regex_match(text, m, std::wregex(L"x([0-9]{1,2}):([0-9]{2}) ([0-9]{4})-([0-9]{2})-([0-9]{2})")))
        << text.c_str();
    SYSTEMTIME t;
    GetLocalTime(&t);
    EXPECT_EQ(std::to_wstring(t.wYear), m[3].str());
    EXPECT_FALSE(m[1].str().size() == 2 && m[1].str()[0] == L'0'); // hour without a leading zero
    EXPECT_EQ(static_cast<int>(text.size()), edit_->CaretOffset());
    Key('Z', true);
    EXPECT_EQ(L"x", edit_->GetText());
}

TEST_F(RichEditTest, UpAndDownMoveBetweenRowsNearThePreferredX) {
    edit_->InsertText(L"abcdef\rab\rabcdefgh", 0, 0, false);
    ASSERT_EQ(3, edit_->Document().RowCount());
    // Click before "d" of the last row.
    const POINT p = GlyphPoint(2, 3);
    Mouse(WM_LBUTTONDOWN, p.x, p.y);
    Mouse(WM_LBUTTONUP, p.x, p.y);
    ASSERT_EQ(2, edit_->CaretRowIndex());
    ASSERT_EQ(3, edit_->CaretGlyphIndex());
    Key(VK_UP);
    EXPECT_EQ(1, edit_->CaretRowIndex());
    EXPECT_EQ(2, edit_->CaretGlyphIndex()); // "ab" is shorter: the end, before its paragraph end
    Key(VK_UP);
    EXPECT_EQ(0, edit_->CaretRowIndex());
    EXPECT_EQ(3, edit_->CaretGlyphIndex());
    Key(VK_UP); // already on top: stays on the first row
    EXPECT_EQ(0, edit_->CaretRowIndex());
    Key(VK_DOWN);
    Key(VK_DOWN);
    EXPECT_EQ(2, edit_->CaretRowIndex());
    EXPECT_EQ(3, edit_->CaretGlyphIndex());
    Key(VK_DOWN);
    EXPECT_EQ(2, edit_->CaretRowIndex());
    // Left from a row start goes to the end of the row above; Right comes back.
    Key(VK_HOME);
    Key(VK_LEFT);
    EXPECT_EQ(1, edit_->CaretRowIndex());
    EXPECT_EQ(2, edit_->CaretGlyphIndex());
    Key(VK_RIGHT);
    EXPECT_EQ(2, edit_->CaretRowIndex());
    EXPECT_EQ(0, edit_->CaretGlyphIndex());
}

TEST_F(RichEditTest, MouseDragSelectsAndTypingReplacesTheSelection) {
    edit_->InsertText(L"hello world", 0, 0, false);
    const POINT from = GlyphPoint(0, 1), to = GlyphPoint(0, 4, true);
    Mouse(WM_LBUTTONDOWN, from.x, from.y, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, (from.x + to.x) / 2, to.y, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, to.x, to.y, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, to.x, to.y);
    ASSERT_TRUE(edit_->HasSelection());
    EXPECT_EQ(std::make_pair(1, 5), edit_->SelectionRange());
    EXPECT_FALSE(edit_->Caret()->IsVisible());
    // The selection is painted over the selected glyphs in the window's picture.
    LSurface picture = edit_->RenderContent();
    const uint32_t selected = picture.Pixel(GlyphPoint(0, 2).x, GlyphPoint(0, 2).y + 2);
    const uint32_t plain = picture.Pixel(GlyphPoint(0, 7).x, GlyphPoint(0, 7).y + 2);
    EXPECT_NE(selected >> 24, plain >> 24);
    Type(L"X");
    EXPECT_EQ(L"hX world", edit_->GetText());
    EXPECT_FALSE(edit_->HasSelection());
    // Removal and insertion are one group.
    Key('Z', true);
    EXPECT_EQ(L"hello world", edit_->GetText());
    // A click without a drag selects nothing and shows the caret.
    Mouse(WM_LBUTTONDOWN, to.x, to.y, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, to.x, to.y);
    EXPECT_FALSE(edit_->HasSelection());
    EXPECT_EQ(5, edit_->CaretOffset());
    EXPECT_TRUE(edit_->Caret()->IsVisible());
}

TEST_F(RichEditTest, PictureResizeIsOneUndoGroup) {
    Gdiplus::Bitmap bitmap(40, 30, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&bitmap);
        Gdiplus::SolidBrush brush(Gdiplus::Color(255, 200, 30, 30));
        g.FillRectangle(&brush, 0, 0, 40, 30);
    }
    Type(L"ab");
    ASSERT_EQ(LRichEdit::kResultOk, edit_->InsertPicture(&bitmap, L"pngblip", 0, 1));
    LGlyph* original = edit_->Document().GlyphAt(1);
    ASSERT_TRUE(original->IsImage());
    const int records = edit_->UndoCount();

    // A click on the picture selects it and lays the frame over it.
    const POINT p = GlyphPoint(0, 1);
    Mouse(WM_LBUTTONDOWN, p.x, p.y, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, p.x, p.y);
    ASSERT_TRUE(edit_->PictureFrameShown());
    HWND frame = edit_->PictureFrame()->GetHandle();
    RECT fr;
    GetClientRect(frame, &fr);
    EXPECT_EQ(40, fr.right);
    EXPECT_EQ(30, fr.bottom);

    // Drag the bottom-right corner by (20, 10).
    SendMessageW(frame, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(38, 28));
    SendMessageW(frame, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(48, 33));
    SendMessageW(frame, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(58, 38));
    SendMessageW(frame, WM_LBUTTONUP, 0, MAKELPARAM(58, 38));
    Pump();
    LGlyph* resized = edit_->Document().GlyphAt(1);
    ASSERT_NE(original, resized);
    EXPECT_EQ(60.f, resized->Box().Width);
    EXPECT_EQ(40.f, resized->Box().Height);
    EXPECT_TRUE(edit_->PictureFrameShown()); // the clone is selected again
    ASSERT_EQ(records + 2, edit_->UndoCount());
    EXPECT_EQ(edit_->UndoRecord(records)->Group(), edit_->UndoRecord(records + 1)->Group());
    EXPECT_EQ(L"ab", edit_->GetText());

    Key('Z', true);
    EXPECT_EQ(original, edit_->Document().GlyphAt(1));
    EXPECT_EQ(40.f, edit_->Document().GlyphAt(1)->Box().Width);
    EXPECT_FALSE(edit_->PictureFrameShown());
    Key('Y', true);
    EXPECT_EQ(resized, edit_->Document().GlyphAt(1));
}

TEST_F(RichEditTest, IncrementalRepaintMatchesAFullRepaint) {
    InsertWrappedLines();
    ASSERT_GT(edit_->Document().RowCount(), 20); // wrapped
    edit_->SetCaretOffset(40);
    Type(L"插入abc\r");
    Type(L"\b\b");
    Key(VK_DELETE);
    edit_->SetRowLineGap(3, 21);
    EXPECT_LT(edit_->RowsRepainted(), edit_->Document().RowCount() / 2);
    const LSurface& s = edit_->Document().Surface();
    std::vector<uint32_t> incremental(s.bits(), s.bits() + static_cast<size_t>(s.width()) * s.height());
    edit_->SetPasswordMode(false); // forgets what was painted: every row drawn again
    std::vector<uint32_t> full(s.bits(), s.bits() + static_cast<size_t>(s.width()) * s.height());
    size_t differing = 0;
    for (size_t i = 0; i < full.size(); ++i)
        differing += incremental[i] != full[i];
    EXPECT_EQ(0u, differing);
}

// Typing composes and pushes only the band of rows it changed; what the note shows must be what a
// composition of the whole window gives: in the back buffer and on the screen.
TEST_F(RichEditTest, TypingPresentsOnlyItsBandAndTheScreenMatchesAWholeRecomposition) {
    SetWindowPos(paper_.GetHandle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    InsertWrappedLines();
    edit_->SetCaretOffset(40);
    edit_->Refresh();
    Pump();
    const RECT wr = paper_.WindowRect();
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    auto screen = [&] {
        LSurface shot(w, h);
        HDC dc = GetDC(nullptr);
        BitBlt(shot.dc(), 0, 0, w, h, dc, wr.left, wr.top, SRCCOPY);
        ReleaseDC(nullptr, dc);
        GdiFlush();
        return std::vector<uint32_t>(shot.bits(), shot.bits() + static_cast<size_t>(w) * h);
    };
    auto differing = [](const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, uint32_t mask) {
        size_t n = 0;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i)
            n += (a[i] & mask) != (b[i] & mask);
        return n;
    };
    // A letter inside a row, a paragraph end that moves every row below, and one taken back again.
    for (const wchar_t* typed : {L"x", L"\r", L"\b"}) {
        SCOPED_TRACE(testing::Message() << "typed " << static_cast<int>(typed[0]));
        Type(typed);
        if (typed[0] == L'x') {
            EXPECT_LT(edit_->LastEditTimes().band_height, 60); // a row or two, not the 200 of the edit
        }
        edit_->Caret()->Hide(); // a window of its own over the note
        for (int i = 0; i < 5; ++i) {
            Pump();
            Sleep(10);
        }
        const LSurface& b = paper_.BackBuffer();
        const std::vector<uint32_t> banded(b.bits(), b.bits() + static_cast<size_t>(w) * h);
        const std::vector<uint32_t> shown = screen();
        ASSERT_TRUE(paper_.Redraw());
        const std::vector<uint32_t> whole(b.bits(), b.bits() + static_cast<size_t>(w) * h);
        EXPECT_EQ(0u, differing(banded, whole, 0xFFFFFFFFu));
        EXPECT_EQ(0u, differing(shown, whole, 0x00FFFFFFu)); // the paper is opaque
        edit_->SetFocusWnd();
    }
}

TEST_F(RichEditTest, TextGivenBeforeTheWindowExistsIsPainted) {
    LRichEdit early;
    early.InsertText(L"早 early", 0, 0, false);
    ASSERT_TRUE(early.CreateEdit(0, paper_.GetHandle(), 10, 220, 300, 80));
    EXPECT_EQ(L"早 early", early.GetText());
    const LGlyph* last = early.Document().GlyphAt(6);
    const Gdiplus::RectF ink = last->InkBox();
    int inked = 0;
    for (int y = static_cast<int>(ink.Y); y < static_cast<int>(ink.Y + ink.Height); ++y)
        for (int x = static_cast<int>(ink.X); x < static_cast<int>(ink.X + ink.Width); ++x)
            inked += (early.Document().Surface().Pixel(x, y) >> 24) != 0;
    EXPECT_GT(inked, 3);
}

TEST_F(RichEditTest, DeleteRemovesForwardAndSavesAndLoadsRtf) {
    edit_->InsertText(L"ab\r\rcd", 0, 0, false);
    edit_->SetCaretOffset(2);
    Key(VK_DELETE);
    EXPECT_EQ(L"ab\rcd", edit_->GetText());
    Key(VK_DELETE);
    EXPECT_EQ(L"abcd", edit_->GetText());
    Key('Z', true);
    Key('Z', true);
    EXPECT_EQ(L"ab\r\rcd", edit_->GetText());
    // Read-only: typing, Delete, undo and redo are ignored, and nothing is recorded.
    edit_->SetReadOnly(true);
    const int records = edit_->UndoCount();
    Type(L"x\b");
    Key(VK_DELETE);
    Key('Y', true);
    EXPECT_EQ(L"ab\r\rcd", edit_->GetText());
    EXPECT_EQ(records, edit_->UndoCount());
    edit_->SetReadOnly(false);
    const std::wstring path = L"edit.rtf";
    ASSERT_TRUE(edit_->SaveRtf(path, ""));
    LRichEdit other;
    ASSERT_TRUE(other.CreateEdit(0, paper_.GetHandle(), 10, 220, 300, 80));
    EXPECT_EQ(0, other.LoadRtf(path, true));
    EXPECT_EQ(L"ab\r\rcd", other.GetText());
    other.SelectAll();
    EXPECT_TRUE(other.RemoveSelection(true, LRichEditOpGlyph::kKeyDelete));
    EXPECT_EQ(L"", other.GetText());
    other.Undo();
    EXPECT_EQ(L"ab\r\rcd", other.GetText());
    other.Undo(); // the load itself
    EXPECT_EQ(L"", other.GetText());
}

TEST_F(RichEditTest, LineGapsOfSelectedRowsAreOneUndoGroup) {
    edit_->InsertText(L"a\rb\rc", 0, 0, false);
    const int third_top = static_cast<int>(edit_->Document().Row(2)->SlotTop());
    edit_->SetSelection(0, 3); // rows 0 and 1
    ASSERT_TRUE(edit_->SetLineGapWithUndo(14));
    EXPECT_EQ(14, edit_->Document().Row(0)->LineGap());
    EXPECT_EQ(14, edit_->Document().Row(1)->LineGap());
    EXPECT_EQ(7, edit_->Document().Row(2)->LineGap());
    EXPECT_EQ(third_top + 14, static_cast<int>(edit_->Document().Row(2)->SlotTop()));
    ASSERT_EQ(2, edit_->UndoCount());
    EXPECT_EQ(edit_->UndoRecord(0)->Group(), edit_->UndoRecord(1)->Group());
    EXPECT_FALSE(edit_->SetLineGapWithUndo(14)); // nothing changes, nothing recorded
    Key('Z', true);
    EXPECT_EQ(7, edit_->Document().Row(0)->LineGap());
    EXPECT_EQ(7, edit_->Document().Row(1)->LineGap());
    EXPECT_EQ(third_top, static_cast<int>(edit_->Document().Row(2)->SlotTop()));
    Key('Y', true);
    EXPECT_EQ(14, edit_->Document().Row(1)->LineGap());
    EXPECT_EQ(L"a\rb\rc", edit_->GetText());
}

TEST_F(RichEditTest, CaretBlinksAndTypingKeepsItInView) {
    Type(L"a");
    ASSERT_TRUE(edit_->Caret()->IsVisible());
    EXPECT_EQ(1, edit_->Caret()->BlinkCounter());
    // The caret's picture is its line, in the current colour, at the right edge.
    const LSurface& line = edit_->Caret()->BackBuffer();
    ASSERT_TRUE(line);
    EXPECT_EQ(0xFF000000u, line.Pixel(line.width() - 1, line.height() / 2));
    EXPECT_TRUE(IsWindowVisible(edit_->Caret()->GetHandle()));
    const DWORD until = GetTickCount() + 1500;
    while (edit_->Caret()->BlinkCounter() < 3 && static_cast<int>(until - GetTickCount()) > 0) {
        Pump();
        Sleep(20);
    }
    EXPECT_GE(edit_->Caret()->BlinkCounter(), 2); // ticks every 600 ms: visible on odd counts
    // Many lines scroll the view so that the caret stays inside it.
    for (int i = 0; i < 30; ++i)
        Type(L"line\r");
    EXPECT_GT(edit_->ScrollY(), 0);
    RECT caret{}, edit{};
    GetWindowRect(edit_->Caret()->GetHandle(), &caret);
    GetWindowRect(Edit(), &edit);
    EXPECT_GE(caret.top, edit.top);
    EXPECT_LE(caret.bottom, edit.bottom);
    Key(VK_HOME);
    Key(VK_UP);
    EXPECT_EQ(edit_->Document().RowCount() - 2, edit_->CaretRowIndex());
    // Esc gives the focus up: the caret hides.
    Key(VK_ESCAPE);
    EXPECT_FALSE(edit_->Caret()->IsVisible());
}

TEST_F(RichEditTest, RandomEditingKeepsTheDocumentAndHistorySound) {
    const size_t live_before = GlyphLiveSet::Instance().Size(); // the blank first row
    edit_->SetWrap(true);
    edit_->SetFixedWidth(true);
    unsigned seed = 12345;
    auto next = [&](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    const wchar_t typed[] = {L'a', L'中', L'\r',     L'\t',
                             L'W', L' ',  L'\xD83D', L'\xDE00'}; // an emoji comes as two halves
    for (int step = 0; step < 1500; ++step) {
        const int count = edit_->Document().GlyphCount();
        switch (next(12)) {
        case 0:
        case 1:
        case 2:
            PostMessageW(Edit(), WM_CHAR, typed[next(8)], 1);
            break;
        case 3:
            PostMessageW(Edit(), WM_CHAR, L'\b', 1);
            break;
        case 4:
            PostMessageW(Edit(), WM_KEYDOWN, VK_DELETE, 1);
            break;
        case 5: {
            const UINT keys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END};
            PostMessageW(Edit(), WM_KEYDOWN, keys[next(6)], 1);
            break;
        }
        case 6:
            Key('Z', true);
            break;
        case 7:
            Key('Y', true);
            break;
        case 8:
            edit_->SetSelection(static_cast<int>(next(count + 1)), static_cast<int>(next(count + 1)));
            break;
        case 9:
            if (next(2))
                edit_->ApplyStyle(1 << next(4));
            else
                edit_->ApplyColor(0xFF000000 | next(0xFFFFFF));
            break;
        case 10:
            edit_->SetLineGapWithUndo(7 * static_cast<int>(1 + next(4)));
            break;
        default:
            if (next(20) == 0)
                edit_->InsertText(L"xy\r", 0, 0, false);
            break;
        }
        Pump();
        const std::wstring text = edit_->GetText();
        ASSERT_EQ(static_cast<int>(text.size()), edit_->Document().GlyphCount()) << step;
        ASSERT_LE(edit_->CaretOffset(), edit_->Document().GlyphCount()) << step;
        ASSERT_LE(edit_->UndoCursor(), edit_->UndoCount()) << step;
        if (step % 100 == 99) { // the history walks back to where it began and forth again
            const int cursor = edit_->UndoCursor();
            while (edit_->UndoCursor() > 0)
                edit_->Undo();
            while (edit_->UndoCursor() < cursor)
                edit_->Redo();
            ASSERT_EQ(text, edit_->GetText()) << step;
        }
    }
    // The whole history walks back and forth to the same text.
    const std::wstring final_text = edit_->GetText();
    const int cursor = edit_->UndoCursor();
    while (edit_->UndoCursor() > 0)
        edit_->Undo();
    while (edit_->UndoCursor() < cursor)
        edit_->Redo();
    EXPECT_EQ(final_text, edit_->GetText());
    // Every glyph, row and record goes with Clear: nothing leaks, nothing is deleted twice.
    edit_->Clear();
    EXPECT_EQ(live_before - 1, GlyphLiveSet::Instance().Size());
}

} // namespace
