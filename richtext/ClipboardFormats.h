#pragma once
// Readers of what the clipboard hands over, kept apart from the clipboard itself so that they can
// be fed any bytes: a device-independent bitmap block (CF_DIB, CF_DIBV5), the rich XML of a popular
// instant-messaging client, and text blocks. Every reader takes the whole block and never reads
// beyond it; what it cannot make sense of it refuses.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CXmlDoc;

inline constexpr wchar_t kRtfClipboardFormat[] = L"Rich Text Format";
inline constexpr wchar_t kQqClipboardFormat[] = L"QQ_Unicode_RichEdit_Format";
// Bridge files in the program folder.
inline constexpr wchar_t kRtfBridgeFile[] = L"tempfile";
inline constexpr wchar_t kQqBridgeFile[] = L"kivpad_qq_rich_edit.xml";

// A picture as 32-bit ARGB pixels (0xAARRGGBB), rows top down.
struct DibPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;
};

// Decodes a packed DIB: a BITMAPINFOHEADER, V4 or V5 header, then the colour masks (BI_BITFIELDS
// after a 40-byte header), the colour table, and the pixel rows (bottom up, or top down for a
// negative height; each row padded to 4 bytes). Uncompressed 1, 4, 8, 16, 24 and 32 bits per pixel
// are read; a picture whose alpha is 0 everywhere is taken as opaque. False for anything else.
bool DecodeDib(std::string_view block, DibPixels& out);

// UTF-16 (little endian, an optional byte-order mark skipped) up to the first zero unit.
std::wstring WideTextFromBlock(std::string_view block);
// RTF bytes of a block without the zero bytes that pad its end (a binary picture inside may hold
// zeros of its own).
std::string RtfFromBlock(std::string_view block);

// Plain text as a field takes it: a numeric field keeps the digits 0-9 only, a single-line field
// loses carriage returns and line feeds.
std::wstring FilterPastedText(std::wstring_view text, bool numeric, bool single_line);

// Text without its CDATA wrapper when it has one: it starts with "<![CDATA[" and ends with "]]>".
std::wstring StripCDataWrapper(std::wstring_view text);

// One "EditElement" of "QQRichEditFormat", in document order.
struct QqElement {
    enum Kind { kText, kPicture };
    Kind kind = kText;
    std::wstring text; // kText: the text, CDATA wrapper stripped
    std::wstring path; // kPicture: the "filepath" attribute, not checked
};

// The text (type 0) and picture (type 1) elements of the document; other types are left out.
std::vector<QqElement> ReadQqRichEdit(CXmlDoc& doc);
