// The rich edit and the clipboard under Wine: what copy and cut publish, what paste takes from each
// format, and RTF that another X program put on the clipboard.
#include "app/base/AppPaths.h"
#include "richtext/FontRegistry.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LGlyphImage.h"
#include "richtext/LRichEdit.h"
#include "store/xml/Encoding.h"
#include "store/xml/FileBytes.h"
#include "toolkit/Toolkit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace {

class Paper : public LWnd {
public:
    LSurface RenderContent() override {
        const RECT rc = ClientRect();
        return CreateSurface(GetHandle(), rc.right, rc.bottom, 0xFFFFFFFF);
    }
};

UINT RtfFormat() {
    return RegisterClipboardFormatW(L"Rich Text Format");
}

UINT QqFormat() {
    return RegisterClipboardFormatW(L"QQ_Unicode_RichEdit_Format");
}

std::string WideBytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

// Empties the clipboard and puts the blocks on it.
void PutOnClipboard(HWND owner, const std::vector<std::pair<UINT, std::string>>& blocks) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    for (const auto& [format, bytes] : blocks) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        ASSERT_NE(nullptr, block);
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        if (!SetClipboardData(format, block))
            GlobalFree(block);
    }
    CloseClipboard();
}

std::optional<std::string> FromClipboard(UINT format) {
    if (!OpenClipboard(nullptr))
        return std::nullopt;
    std::optional<std::string> bytes;
    if (HANDLE block = GetClipboardData(format)) {
        const char* p = static_cast<const char*>(GlobalLock(block));
        bytes.emplace(p, GlobalSize(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return bytes;
}

std::wstring ClipboardText() {
    const std::optional<std::string> bytes = FromClipboard(CF_UNICODETEXT);
    if (!bytes)
        return L"<none>";
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes->data())); // up to its zero
}

bool Bold(const LGlyph* g) {
    return (DescribeFont(g->GetFont()).style & Gdiplus::FontStyleBold) != 0;
}

// Little-endian fields of bitmap blocks.
void Put16(std::string& s, uint16_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>(v >> 8));
}
void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A packed DIB of 32-bit pixels: header of header_size bytes, masks (in the header from 52 bytes on,
// else after it), then the rows as given.
std::string Dib32(uint32_t header_size, int width, int height, uint32_t compression,
                  std::vector<uint32_t> masks, const std::vector<uint32_t>& rows) {
    std::string s;
    Put32(s, header_size);
    Put32(s, static_cast<uint32_t>(width));
    Put32(s, static_cast<uint32_t>(height));
    Put16(s, 1);
    Put16(s, 32);
    Put32(s, compression);
    for (int i = 0; i < 5; ++i)
        Put32(s, 0); // image size, resolution, colours used and important
    for (uint32_t m : masks)
        Put32(s, m);
    s.resize(std::max<size_t>(s.size(), header_size), '\0');
    for (uint32_t p : rows)
        Put32(s, p);
    return s;
}

// A 24-bit BMP file of one colour.
std::string BmpFile(int width, int height, uint32_t rgb) {
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
    std::string s = "BM";
    Put32(s, 14 + 40 + stride * static_cast<uint32_t>(height));
    Put32(s, 0);
    Put32(s, 14 + 40);
    Put32(s, 40);
    Put32(s, static_cast<uint32_t>(width));
    Put32(s, static_cast<uint32_t>(height));
    Put16(s, 1);
    Put16(s, 24);
    for (int i = 0; i < 6; ++i)
        Put32(s, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            s.push_back(static_cast<char>(rgb & 0xFF));
            s.push_back(static_cast<char>((rgb >> 8) & 0xFF));
            s.push_back(static_cast<char>((rgb >> 16) & 0xFF));
        }
        s.resize(s.size() + stride - static_cast<uint32_t>(width) * 3, '\0');
    }
    return s;
}

std::wstring FullPath(const std::wstring& name) {
    wchar_t full[MAX_PATH];
    GetFullPathNameW(name.c_str(), MAX_PATH, full, nullptr);
    return full;
}

class ClipboardTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(paper_.Create(0, L"", WS_EX_LAYERED | WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, 100, 100,
                                  420, 320, nullptr));
        edit_ = MakeEdit(10);
        paper_.ShowAndRefresh();
    }
    void TearDown() override { edit_.reset(); }

    std::unique_ptr<LRichEdit> MakeEdit(int y) {
        auto edit = std::make_unique<LRichEdit>();
        EXPECT_TRUE(edit->CreateEdit(0, paper_.GetHandle(), 10, y, 300, 100));
        return edit;
    }
    void Fill(const std::wstring& text) { edit_->InsertText(text, 0, 0, true); }
    void Send(UINT message, LRichEdit* edit = nullptr) {
        SendMessageW((edit ? edit : edit_.get())->GetHandle(), message, 0, 0);
    }
    HWND Owner() const { return paper_.GetHandle(); }
    const LGlyph* GlyphAt(int offset) const { return edit_->Document().GlyphAt(offset); }
    // The raw 32-bit ARGB pixels a pasted picture keeps (Wine has no metafile conversion, so the
    // pixels themselves are kept).
    std::vector<uint32_t> PicturePixels(const LGlyph* g) {
        const auto* picture = dynamic_cast<const LGlyphImage*>(g);
        std::vector<uint32_t> pixels;
        if (!picture || picture->GetBlipType() == L"wmetafile8")
            return pixels;
        std::string bytes;
        EXPECT_TRUE(ReadFileBytes(picture->DataPath(), bytes));
        pixels.resize(bytes.size() / 4);
        std::memcpy(pixels.data(), bytes.data(), pixels.size() * 4);
        return pixels;
    }

    Paper paper_;
    std::unique_ptr<LRichEdit> edit_;
};

} // namespace

TEST_F(ClipboardTest, CopyPublishesRtfAndTextThatPasteBack) {
    Fill(L"ab\rc");
    edit_->SelectAll();
    Send(WM_COPY);
    const std::optional<std::string> rtf = FromClipboard(RtfFormat());
    ASSERT_TRUE(rtf);
    EXPECT_EQ(0u, rtf->rfind("{\\rtf1", 0));
    EXPECT_TRUE(FileExists(ExeDir() + L"tempfile"));
    EXPECT_EQ(L"ab\r\nc", ClipboardText());
    const std::optional<std::string> ansi = FromClipboard(CF_TEXT);
    ASSERT_TRUE(ansi);
    EXPECT_STREQ("ab\r\nc", ansi->c_str());

    std::unique_ptr<LRichEdit> other = MakeEdit(150);
    Send(WM_PASTE, other.get());
    EXPECT_EQ(L"ab\rc", other->GetText());

    // No selection: the clipboard keeps what it has.
    PutOnClipboard(Owner(), {{CF_UNICODETEXT, WideBytes(L"kept")}});
    edit_->SetCaretOffset(1);
    Send(WM_COPY);
    EXPECT_EQ(L"kept", ClipboardText());
}

TEST_F(ClipboardTest, AFailedBridgeFilePublishesNothingAndCutsNothing) {
    Fill(L"abc");
    PutOnClipboard(Owner(), {{CF_UNICODETEXT, WideBytes(L"kept")}});
    const std::wstring bridge = ExeDir() + L"tempfile";
    DeleteFileW(bridge.c_str());
    ASSERT_TRUE(CreateDirectoryW(bridge.c_str(), nullptr)); // no file can take its place
    edit_->SelectAll();
    Send(WM_CUT);
    RemoveDirectoryW(bridge.c_str());
    EXPECT_EQ(L"kept", ClipboardText());
    EXPECT_FALSE(IsClipboardFormatAvailable(RtfFormat()));
    EXPECT_EQ(L"abc", edit_->GetText());
}

TEST_F(ClipboardTest, PicturesOnlyGiveRtfAndNoText) {
    Gdiplus::Bitmap bitmap(6, 4, PixelFormat32bppARGB);
    ASSERT_EQ(LRichEdit::kResultOk, edit_->InsertPicture(&bitmap, L"pngblip", 0, 0));
    edit_->SetSelection(0, 1);
    Send(WM_COPY);
    EXPECT_TRUE(IsClipboardFormatAvailable(RtfFormat()));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}

TEST_F(ClipboardTest, MaskedTextLeavesAsStarsWithoutRtfOrBridgeFile) {
    const std::wstring bridge = ExeDir() + L"tempfile";
    // A masked glyph in an ordinary edit masks the whole copy.
    Fill(L"secret");
    edit_->Document().GlyphAt(2)->SetMasked(true);
    edit_->SetSelection(1, 4);
    DeleteFileW(bridge.c_str());
    Send(WM_COPY);
    EXPECT_EQ(L"***", ClipboardText());
    const std::optional<std::string> ansi = FromClipboard(CF_TEXT);
    ASSERT_TRUE(ansi);
    EXPECT_STREQ("***", ansi->c_str());
    EXPECT_FALSE(IsClipboardFormatAvailable(RtfFormat()));
    EXPECT_FALSE(FileExists(bridge));

    // A password field: cut too gives stars and takes the text away.
    std::unique_ptr<LRichEdit> password = MakeEdit(150);
    password->SetPasswordMode(true);
    password->InsertText(L"pw12", 0, 0, true);
    password->SelectAll();
    Send(WM_CUT, password.get());
    EXPECT_EQ(L"****", ClipboardText());
    EXPECT_FALSE(IsClipboardFormatAvailable(RtfFormat()));
    EXPECT_FALSE(FileExists(bridge));
    EXPECT_EQ(L"", password->GetText());
}

TEST_F(ClipboardTest, CutIsOneUndoStep) {
    Fill(L"hello");
    edit_->SetSelection(1, 4);
    Send(WM_CUT);
    EXPECT_EQ(L"ho", edit_->GetText());
    EXPECT_EQ(L"ell", ClipboardText());
    edit_->Undo();
    EXPECT_EQ(L"hello", edit_->GetText());
}

TEST_F(ClipboardTest, PasteReplacingASelectionIsOneUndoStep) {
    Fill(L"hello");
    PutOnClipboard(Owner(), {{CF_UNICODETEXT, WideBytes(L"EL\r\nL")}});
    edit_->SetSelection(1, 4);
    Send(WM_PASTE);
    EXPECT_EQ(L"hEL\rLo", edit_->GetText());
    edit_->Undo();
    EXPECT_EQ(L"hello", edit_->GetText());
    edit_->Redo();
    EXPECT_EQ(L"hEL\rLo", edit_->GetText());
}

TEST_F(ClipboardTest, RtfIsPreferredAndItsGroupsScopeFormatting) {
    PutOnClipboard(Owner(), {{CF_UNICODETEXT, WideBytes(L"text")},
                             {RtfFormat(), std::string("{\\rtf1\\ansi{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs20 "
                                                       "{\\b x}y\\par z}") +
                                               '\0'}});
    Fill(L"12");
    edit_->SetCaretOffset(1);
    Send(WM_PASTE);
    EXPECT_EQ(L"1xy\rz2", edit_->GetText());
    EXPECT_TRUE(Bold(GlyphAt(1)));
    EXPECT_FALSE(Bold(GlyphAt(2)));
    edit_->Undo();
    EXPECT_EQ(L"12", edit_->GetText());
}

TEST_F(ClipboardTest, QqXmlGivesTextAndFittedPicturesFromExistingFilesOnly) {
    WriteFileAtomic(L"pic.png", BmpFile(200, 50, 0x3366CC));
    CreateDirectoryW(L"folder.png", nullptr);
    const std::wstring xml = L"<QQRichEditFormat><Info version=\"1001\"></Info>"
                             L"<EditElement type=\"0\"><![CDATA[ab]]></EditElement>"
                             L"<EditElement type=\"1\" filepath=\"" +
                             FullPath(L"pic.png") +
                             L"\"></EditElement>"
                             L"<EditElement type=\"0\">c&lt;d</EditElement>"
                             L"<EditElement type=\"7\">ignored</EditElement>"
                             L"<EditElement type=\"1\" filepath=\"" +
                             FullPath(L"folder.png") + L"\"/><EditElement type=\"1\" filepath=\"" +
                             FullPath(L"missing.png") + L"\"/></QQRichEditFormat>";
    PutOnClipboard(Owner(), {{QqFormat(), WideBytes(xml)}, {CF_UNICODETEXT, WideBytes(L"text")}});
    Send(WM_PASTE);
    EXPECT_EQ(L"abc<d", edit_->GetText());
    ASSERT_EQ(6, edit_->Document().GlyphCount());
    const LGlyph* picture = GlyphAt(2);
    ASSERT_TRUE(picture->IsImage());
    EXPECT_EQ(100, static_cast<int>(picture->Box().Width)); // longer side at most 100
    EXPECT_EQ(25, static_cast<int>(picture->Box().Height));
    EXPECT_EQ(L"pngblip", picture->GetBlipType());
    EXPECT_FALSE(FileExists(ExeDir() + L"kivpad_qq_rich_edit.xml"));
    edit_->Undo();
    EXPECT_EQ(0, edit_->Document().GlyphCount()); // one insertion
}

TEST_F(ClipboardTest, PlainFieldsTakeFilteredTextOnly) {
    const std::string rtf = "{\\rtf1 rich}";
    PutOnClipboard(Owner(), {{RtfFormat(), rtf}, {CF_UNICODETEXT, WideBytes(L"a1\r\nb2c3")}});
    edit_->SetNumericMode(true);
    Send(WM_PASTE);
    EXPECT_EQ(L"123", edit_->GetText());

    std::unique_ptr<LRichEdit> line = MakeEdit(150);
    line->SetSingleLine(true);
    Send(WM_PASTE, line.get());
    EXPECT_EQ(L"a1b2c3", line->GetText());

    // Nothing a numeric field can take: the selection stays, nothing is recorded.
    PutOnClipboard(Owner(), {{CF_UNICODETEXT, WideBytes(L"abc")}});
    edit_->SetSelection(0, 2);
    const int records = edit_->UndoCount();
    Send(WM_PASTE);
    EXPECT_EQ(L"123", edit_->GetText());
    EXPECT_EQ(std::make_pair(0, 2), edit_->SelectionRange());
    EXPECT_EQ(records, edit_->UndoCount());

    // Pictures neither.
    PutOnClipboard(Owner(), {{CF_DIB, Dib32(40, 1, 1, 0, {}, {0xFFFF0000})}});
    Send(WM_PASTE);
    EXPECT_EQ(3, edit_->Document().GlyphCount());
}

TEST_F(ClipboardTest, BitfieldsDibPixelsStartAfterTheMasks) {
    // 40-byte header, three masks, rows bottom up: the top row is blue, white.
    const std::string dib = Dib32(40, 2, 2, 3, {0x00FF0000, 0x0000FF00, 0x000000FF},
                                  {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF});
    PutOnClipboard(Owner(), {{CF_DIB, dib}});
    Send(WM_PASTE);
    ASSERT_EQ(1, edit_->Document().GlyphCount());
    const LGlyph* picture = GlyphAt(0);
    ASSERT_TRUE(picture->IsImage());
    EXPECT_EQ(2, static_cast<int>(picture->Box().Width));
    EXPECT_EQ((std::vector<uint32_t>{0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00}),
              PicturePixels(picture));
}

TEST_F(ClipboardTest, TopDownDibWithoutAlphaIsOpaque) {
    const std::string dib = Dib32(40, 2, -2, 0, {}, {0x00112233, 0x00445566, 0x00778899, 0x00AABBCC});
    PutOnClipboard(Owner(), {{CF_DIB, dib}});
    Send(WM_PASTE);
    ASSERT_EQ(1, edit_->Document().GlyphCount());
    EXPECT_EQ((std::vector<uint32_t>{0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC}),
              PicturePixels(GlyphAt(0)));
}

TEST_F(ClipboardTest, DibV5KeepsItsAlpha) {
    const std::string dib =
        Dib32(124, 2, 1, 3, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, {0x80FF0000, 0xFF00FF00});
    PutOnClipboard(Owner(), {{CF_DIBV5, dib}});
    Send(WM_PASTE);
    ASSERT_EQ(1, edit_->Document().GlyphCount());
    EXPECT_EQ((std::vector<uint32_t>{0x80FF0000, 0xFF00FF00}), PicturePixels(GlyphAt(0)));
}

// Another program's RTF on the X clipboard, as Wine's X11 driver bridges it. Wine's CreateProcess
// runs a Unix binary by forking and executing it (no process handle comes back), handing it this
// process's standard streams; xclip then stays in the background owning the selection, and with
// ctest's output pipe still open ctest would wait for it. So the shell starts it with its streams on
// /dev/null. The test takes the clipboard first and waits for RTF to appear: only xclip can offer it.
TEST_F(ClipboardTest, RtfFromAnotherXProgramPastesWithScopedBold) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    using ToDos = WCHAR*(CDECL*)(LPCSTR);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto to_unix =
        reinterpret_cast<ToUnix>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
    auto to_dos =
        reinterpret_cast<ToDos>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    if (!to_unix || !to_dos)
        GTEST_SKIP() << "not running under Wine";
    auto dos_path = [&](const char* unix_path) {
        std::wstring path;
        if (WCHAR* dos = to_dos(unix_path)) {
            path = dos;
            HeapFree(GetProcessHeap(), 0, dos);
        }
        return path;
    };
    const std::wstring shell = dos_path("/bin/sh");
    ASSERT_TRUE(FileExists(shell));
    ASSERT_TRUE(FileExists(dos_path("/usr/bin/xclip"))) << "xclip is missing (scripts/setup.sh installs it)";
    ASSERT_TRUE(
        WriteFileAtomic(L"other.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Tahoma;}}\\f0\\fs20 {\\b bold} plain}"));
    std::string rtf_path;
    if (char* unix_path = to_unix(FullPath(L"other.rtf").c_str())) {
        rtf_path = unix_path;
        HeapFree(GetProcessHeap(), 0, unix_path);
    }
    ASSERT_FALSE(rtf_path.empty());
    ASSERT_EQ(std::string::npos, rtf_path.find('\'')); // quoted for the shell below

    PutOnClipboard(Owner(), {{CF_UNICODETEXT, WideBytes(L"before")}});
    ASSERT_FALSE(IsClipboardFormatAvailable(RtfFormat()));
    std::wstring command = L"sh -c \"exec /usr/bin/xclip -selection clipboard -t text/rtf -i '" +
                           Utf8ToWide(rtf_path) + L"' </dev/null >/dev/null 2>&1\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(shell.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    if (process.hThread)
        CloseHandle(process.hThread);
    if (process.hProcess)
        CloseHandle(process.hProcess);
    constexpr int kPolls = 200;
    constexpr DWORD kPollMs = 50;
    for (int i = 0; i < kPolls && !IsClipboardFormatAvailable(RtfFormat()); ++i)
        Sleep(kPollMs);
    ASSERT_TRUE(IsClipboardFormatAvailable(RtfFormat()));

    Send(WM_PASTE);
    EXPECT_EQ(L"bold plain", edit_->GetText());
    EXPECT_TRUE(Bold(GlyphAt(0)));
    EXPECT_FALSE(Bold(GlyphAt(5))); // "p": the group's bold ended with it
    // Taking the clipboard back ends xclip.
    PutOnClipboard(Owner(), {{CF_UNICODETEXT, WideBytes(L"after")}});
}
