// The rich edit and the platform clipboard: copy and cut publish the selection as RTF and as text,
// paste takes RTF, the rich XML of a popular instant-messaging client, text or a picture. Files in
// the program folder bridge clipboard memory and the RTF and XML readers.
#include "richtext/LRichEdit.h"

#include "app/base/AppPaths.h"
#include "richtext/CRtfReader.h"
#include "richtext/ClipboardFormats.h"
#include "richtext/LGlyphEditRow.h"
#include "richtext/LGlyphImage.h"
#include "richtext/LGlyphTChar.h"
#include "richtext/LRichEditOp.h"
#include "richtext/PictureFit.h"
#include "richtext/RtfFileWriter.h"
#include "store/xml/CXmlDoc.h"
#include "store/xml/Encoding.h"
#include "store/xml/FileBytes.h"

#include <cstring>

namespace {

constexpr int kKeyInsert = LRichEditOpGlyph::kKeyDelete;
// Pictures of the rich XML come as files of any size; they enter no larger than this.
constexpr int kQqPictureMaxSide = 100;
constexpr wchar_t kMaskChar = L'*';
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// The clipboard, open for as long as the object lives.
class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~ClipboardSession() {
        if (open_)
            CloseClipboard();
    }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    explicit operator bool() const { return open_; }

private:
    bool open_;
};

// Movable global memory holding a copy of some bytes, freed unless the clipboard took it.
class GlobalBlock {
public:
    explicit GlobalBlock(std::string_view bytes)
        : handle_(bytes.empty() ? nullptr : GlobalAlloc(GMEM_MOVEABLE, bytes.size())) {
        void* p = handle_ ? GlobalLock(handle_) : nullptr;
        if (!p) {
            Free();
            return;
        }
        std::memcpy(p, bytes.data(), bytes.size());
        GlobalUnlock(handle_);
    }
    ~GlobalBlock() { Free(); }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    explicit operator bool() const { return handle_ != nullptr; }

    // The clipboard owns the block from here on.
    void Publish(UINT format) {
        if (handle_ && SetClipboardData(format, handle_))
            handle_ = nullptr;
    }

private:
    void Free() {
        if (handle_)
            GlobalFree(handle_);
        handle_ = nullptr;
    }
    HGLOBAL handle_;
};

// A locked global memory block, unlocked again when the object goes.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HANDLE block) : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
    ~GlobalLockGuard() {
        if (data_)
            GlobalUnlock(block_);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    const char* data() const { return static_cast<const char*>(data_); }

private:
    HANDLE block_;
    void* data_;
};

// The whole block of a format on the open clipboard; its size is all that may be read.
std::string ClipboardBytes(UINT format) {
    HANDLE block = GetClipboardData(format);
    if (!block)
        return {};
    const SIZE_T size = GlobalSize(block);
    GlobalLockGuard lock(block);
    if (!lock.data() || size == 0)
        return {};
    return std::string(lock.data(), size);
}

// Text in wide and in the system code page, each with its terminating zero.
std::string WideBlockBytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

std::string AnsiBlockBytes(const std::wstring& text) {
    std::string bytes = WideToCodePage(0, text);
    bytes.push_back('\0');
    return bytes;
}

// A picture path from the clipboard is followed only to an existing ordinary file: never to a
// folder or a device.
bool IsRegularFile(const std::wstring& path) {
    if (path.empty() || path.rfind(L"\\\\.\\", 0) == 0 || path.rfind(L"//./", 0) == 0)
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

// CF_DIB, or CF_DIBV5 when the owner put only that: the system makes each from the other, and the
// CF_DIB it makes from a CF_DIBV5 has lost the alpha. Owner formats come first in the clipboard's
// order, made ones after them. 0 for neither.
UINT PictureFormat() {
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        if (format == CF_DIB || format == CF_DIBV5)
            return format;
    }
    return 0;
}

} // namespace

std::vector<LGlyph*> LRichEdit::SelectedGlyphs(bool with_rows) const {
    std::vector<LGlyph*> glyphs;
    const auto [a, b] = SelectionRange();
    int offset = 0;
    for (int r = 0; r < doc_.RowCount() && offset < b; ++r) {
        LGlyphEditRow* row = doc_.Row(r);
        const int n = row->Count();
        const int from = std::max(a - offset, 0), to = std::min(b - offset, n);
        if (from < to) {
            if (with_rows)
                glyphs.push_back(row);
            for (int i = from; i < to; ++i)
                glyphs.push_back(row->At(i));
        }
        offset += n;
    }
    return glyphs;
}

void LRichEdit::Copy(UINT message) {
    const bool cut = message == WM_CUT;
    if (!HasSelection() || (cut && read_only_))
        return;
    const std::vector<LGlyph*> glyphs = SelectedGlyphs(false);
    // Masked text never leaves as itself: not as text, not as RTF, not in a bridge file.
    bool masked = password_;
    for (const LGlyph* g : glyphs)
        masked = masked || g->Masked();
    std::wstring text;
    for (const LGlyph* g : glyphs) {
        const std::wstring piece = g->GetText();
        if (masked) {
            text.append(piece.size(), kMaskChar);
            continue;
        }
        for (wchar_t c : piece) {
            if (c == kParagraphEnd)
                text += L"\r\n";
            else
                text.push_back(c);
        }
    }
    std::string rtf;
    if (!masked) {
        const std::wstring bridge = ExeDir() + kRtfBridgeFile;
        // The clipboard keeps what it had when the bridge fails: half a copy would mislead.
        if (!WriteRtfFile(bridge, SelectedGlyphs(true), false, {}) || !ReadFileBytes(bridge, rtf) ||
            rtf.empty())
            return;
    }
    if (rtf.empty() && text.empty())
        return;
    GlobalBlock rtf_block(rtf);
    GlobalBlock unicode_block(WideBlockBytes(text));
    GlobalBlock ansi_block(AnsiBlockBytes(text));
    if ((!rtf.empty() && !rtf_block) || (!text.empty() && (!unicode_block || !ansi_block)))
        return;
    {
        ClipboardSession clipboard(handle_);
        if (!clipboard)
            return;
        EmptyClipboard();
        if (!rtf.empty())
            rtf_block.Publish(RegisterClipboardFormatW(kRtfClipboardFormat));
        if (!text.empty()) {
            unicode_block.Publish(CF_UNICODETEXT);
            ansi_block.Publish(CF_TEXT);
        }
    }
    if (!cut)
        return;
    TruncateHistory();
    ClosePictureFrame();
    RemoveSelection(true, kKeyInsert);
    ++change_counter_;
    AfterEdit();
    OnChanged();
}

void LRichEdit::Paste() {
    if (read_only_)
        return;
    enum class Source { kNone, kRtf, kQqXml, kText, kPicture };
    Source source = Source::kNone;
    std::string bytes;
    std::wstring wide;
    // Numeric, password and one-line fields hold plain text only.
    const bool rich = !password_ && !numeric_ && !single_line_;
    {
        ClipboardSession clipboard(handle_);
        if (!clipboard)
            return;
        const UINT rtf = RegisterClipboardFormatW(kRtfClipboardFormat);
        const UINT qq = RegisterClipboardFormatW(kQqClipboardFormat);
        if (rich && IsClipboardFormatAvailable(rtf)) {
            bytes = RtfFromBlock(ClipboardBytes(rtf));
            if (!bytes.empty())
                source = Source::kRtf;
        }
        if (source == Source::kNone && rich && IsClipboardFormatAvailable(qq)) {
            wide = WideTextFromBlock(ClipboardBytes(qq));
            if (!wide.empty())
                source = Source::kQqXml;
        }
        if (source == Source::kNone &&
            (IsClipboardFormatAvailable(CF_UNICODETEXT) || IsClipboardFormatAvailable(CF_TEXT))) {
            wide = WideTextFromBlock(ClipboardBytes(CF_UNICODETEXT));
            source = Source::kText;
        }
        if (source == Source::kNone && rich) {
            const UINT format = PictureFormat();
            if (format) {
                bytes = ClipboardBytes(format);
                source = Source::kPicture;
            }
        }
    }
    bool inserted = false;
    switch (source) {
    case Source::kRtf:
        inserted = PasteRtf(bytes);
        break;
    case Source::kQqXml:
        inserted = PasteQqXml(wide);
        break;
    case Source::kText:
        inserted = ReplaceSelectionWith(MakeTextGlyphs(FilterPastedText(wide, numeric_, single_line_)));
        break;
    case Source::kPicture:
        inserted = PasteDib(bytes);
        break;
    case Source::kNone:
        break;
    }
    HideCaret();
    AfterEdit();
    if (inserted)
        OnChanged();
}

bool LRichEdit::ReplaceSelectionWith(const std::vector<LGlyph*>& glyphs) {
    if (glyphs.empty())
        return false;
    TruncateHistory();
    ClosePictureFrame();
    RemoveSelection(true, kKeyInsert);
    const bool inserted = InsertAtCaret(glyphs, true);
    ++change_counter_;
    return inserted;
}

bool LRichEdit::PasteRtf(const std::string& bytes) {
    const std::wstring bridge = ExeDir() + kRtfBridgeFile;
    if (!WriteFileAtomic(bridge, bytes))
        return false;
    // Read once beforehand: the selection goes only for a block that yields something.
    {
        CRtfReader probe;
        if (probe.Read(bridge) != kRtfOk || probe.Runs().empty())
            return false;
    }
    TruncateHistory();
    ClosePictureFrame();
    RemoveSelection(true, kKeyInsert);
    // Pasted content does not change how the edit's own content is protected.
    const std::string token = token_;
    const bool loaded = LoadRtf(bridge, true) == kRtfOk;
    token_ = token;
    if (!loaded)
        ++change_counter_; // the removal's group ends here all the same
    return loaded;
}

bool LRichEdit::PasteQqXml(const std::wstring& xml) {
    const std::wstring bridge = ExeDir() + kQqBridgeFile;
    CXmlDoc doc;
    const bool written = WriteFileAtomic(bridge, kUtf8Bom + WideToUtf8(xml));
    if (written)
        doc.Load(bridge);
    DeleteFileW(bridge.c_str());
    return written && ReplaceSelectionWith(QqGlyphs(ReadQqRichEdit(doc)));
}

std::vector<LGlyph*> LRichEdit::QqGlyphs(const std::vector<QqElement>& elements) {
    std::vector<LGlyph*> glyphs;
    for (const QqElement& e : elements) {
        if (e.kind == QqElement::kText) {
            const std::vector<LGlyph*> text = MakeTextGlyphs(e.text);
            glyphs.insert(glyphs.end(), text.begin(), text.end());
            continue;
        }
        if (!IsRegularFile(e.path))
            continue;
        Gdiplus::Image source(e.path.c_str());
        int width = 0, height = 0;
        if (source.GetLastStatus() != Gdiplus::Ok ||
            !FitPictureSize(static_cast<int>(source.GetWidth()), static_cast<int>(source.GetHeight()),
                            kQqPictureMaxSide, &width, &height))
            continue;
        const std::unique_ptr<Gdiplus::Bitmap> scaled = DrawPictureScaled(source, width, height);
        LGlyph* picture =
            scaled ? LGlyphImage::FromImage(scaled.get(), BlipTypeForFileName(e.path)) : nullptr;
        if (!picture)
            continue;
        picture->SetBackColor(highlight_);
        glyphs.push_back(picture);
    }
    return glyphs;
}

bool LRichEdit::PasteDib(const std::string& block) {
    DibPixels pixels;
    if (!DecodeDib(block, pixels))
        return false;
    Gdiplus::Bitmap bitmap(pixels.width, pixels.height, pixels.width * 4, PixelFormat32bppARGB,
                           reinterpret_cast<BYTE*>(pixels.argb.data()));
    if (bitmap.GetLastStatus() != Gdiplus::Ok)
        return false;
    LGlyph* picture = LGlyphImage::FromImage(&bitmap, kBlipMetafile);
    if (!picture)
        return false;
    picture->SetBackColor(highlight_);
    return ReplaceSelectionWith({picture});
}
