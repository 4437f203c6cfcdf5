#include "richtext/ClipboardFormats.h"

#include "store/xml/CXmlDoc.h"

#include <algorithm>
#include <climits>
#include <cwchar>

namespace {

// Header sizes: BITMAPINFOHEADER, its V2 and V3 extensions (colour masks, then alpha mask in the
// header), BITMAPV4HEADER, BITMAPV5HEADER.
constexpr uint32_t kInfoHeader = 40;
constexpr uint32_t kHeaderWithColorMasks = 52;
constexpr uint32_t kHeaderWithAlphaMask = 56;
constexpr uint32_t kMaxHeader = 124;
// Field offsets of the header.
constexpr size_t kWidthAt = 4, kHeightAt = 8, kBitCountAt = 14, kCompressionAt = 16, kClrUsedAt = 32;
constexpr size_t kRedMaskAt = 40, kGreenMaskAt = 44, kBlueMaskAt = 48, kAlphaMaskAt = 52;
// Compressions.
constexpr uint32_t kBiRgb = 0, kBiBitfields = 3, kBiAlphaBitfields = 6;
// 5-5-5 of an uncompressed 16-bit picture.
constexpr uint32_t kRed555 = 0x7C00, kGreen555 = 0x03E0, kBlue555 = 0x001F;
constexpr size_t kMaskBytes = 4;
constexpr size_t kPaletteEntryBytes = 4;
constexpr int kMaxPaletteBits = 8;
// Larger pictures are refused rather than allocated.
constexpr int64_t kMaxSide = 32767;
constexpr int64_t kMaxPixels = int64_t{1} << 26;
constexpr uint32_t kOpaque = 0xFF000000;
constexpr wchar_t kByteOrderMark = 0xFEFF;

constexpr std::wstring_view kCDataOpen = L"<![CDATA[";
constexpr std::wstring_view kCDataClose = L"]]>";

class Bytes {
public:
    explicit Bytes(std::string_view block) : b_(block) {}
    size_t size() const { return b_.size(); }
    bool Has(uint64_t at, uint64_t n) const { return at <= b_.size() && n <= b_.size() - at; }
    uint8_t U8(size_t at) const { return static_cast<uint8_t>(b_[at]); }
    uint16_t U16(size_t at) const { return static_cast<uint16_t>(U8(at) | U8(at + 1) << 8); }
    uint32_t U32(size_t at) const {
        return static_cast<uint32_t>(U8(at)) | static_cast<uint32_t>(U8(at + 1)) << 8 |
               static_cast<uint32_t>(U8(at + 2)) << 16 | static_cast<uint32_t>(U8(at + 3)) << 24;
    }

private:
    std::string_view b_;
};

// One colour channel of a masked pixel, scaled to 8 bits.
class Channel {
public:
    explicit Channel(uint32_t mask) : mask_(mask) {
        if (!mask_)
            return;
        while (!(mask_ >> shift_ & 1))
            ++shift_;
        max_ = mask_ >> shift_;
    }
    bool Present() const { return mask_ != 0; }
    uint32_t Get(uint32_t pixel) const {
        if (!mask_)
            return 0;
        return static_cast<uint32_t>(static_cast<uint64_t>((pixel & mask_) >> shift_) * 255 / max_);
    }

private:
    uint32_t mask_;
    int shift_ = 0;
    uint32_t max_ = 1;
};

struct Masks {
    uint32_t red = 0, green = 0, blue = 0, alpha = 0;
};

} // namespace

bool DecodeDib(std::string_view block, DibPixels& out) {
    out = {};
    const Bytes in(block);
    if (!in.Has(0, kInfoHeader))
        return false;
    const uint32_t header = in.U32(0);
    if (header < kInfoHeader || header > kMaxHeader || !in.Has(0, header))
        return false;
    const auto width = static_cast<int32_t>(in.U32(kWidthAt));
    const auto raw_height = static_cast<int32_t>(in.U32(kHeightAt));
    const int bits = in.U16(kBitCountAt);
    const uint32_t compression = in.U32(kCompressionAt);
    const uint32_t clr_used = in.U32(kClrUsedAt);
    if (width <= 0 || raw_height == 0 || raw_height == INT32_MIN)
        return false;
    const bool top_down = raw_height < 0;
    const int64_t height = top_down ? -static_cast<int64_t>(raw_height) : raw_height;
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    const bool masked = compression == kBiBitfields || compression == kBiAlphaBitfields;
    if (!(compression == kBiRgb || (masked && (bits == 16 || bits == 32))))
        return false;

    uint64_t offset = header;
    Masks masks;
    bool alpha_in_data = false; // an alpha channel the pixels carry
    if (masked) {
        if (header >= kHeaderWithColorMasks) {
            masks = {in.U32(kRedMaskAt), in.U32(kGreenMaskAt), in.U32(kBlueMaskAt), 0};
            if (header >= kHeaderWithAlphaMask)
                masks.alpha = in.U32(kAlphaMaskAt);
        } else {
            // A 40-byte header is followed by the masks: three, or four with the alpha mask.
            const size_t count = compression == kBiAlphaBitfields ? 4 : 3;
            if (!in.Has(offset, count * kMaskBytes))
                return false;
            const auto at = static_cast<size_t>(offset);
            masks = {in.U32(at), in.U32(at + kMaskBytes), in.U32(at + 2 * kMaskBytes),
                     count == 4 ? in.U32(at + 3 * kMaskBytes) : 0};
            offset += count * kMaskBytes;
        }
        alpha_in_data = masks.alpha != 0;
    } else if (bits == 16) {
        masks = {kRed555, kGreen555, kBlue555, 0};
    } else if (bits == 32) {
        alpha_in_data = true; // the fourth byte, when anyone filled it in
    }

    // The colour table: clr_used entries, or all 2^bits of a palette picture when it says 0.
    uint64_t entries = clr_used;
    if (bits <= kMaxPaletteBits && entries == 0)
        entries = uint64_t{1} << bits;
    if (!in.Has(offset, entries * kPaletteEntryBytes))
        return false;
    std::vector<uint32_t> palette;
    if (bits <= kMaxPaletteBits) {
        const uint64_t usable = std::min<uint64_t>(entries, uint64_t{1} << bits);
        palette.reserve(static_cast<size_t>(usable));
        for (uint64_t i = 0; i < usable; ++i) {
            const auto at = static_cast<size_t>(offset + i * kPaletteEntryBytes);
            palette.push_back(kOpaque | (in.U32(at) & 0xFFFFFF));
        }
    }
    offset += entries * kPaletteEntryBytes;

    const uint64_t stride = (static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 31) / 32 * 4;
    if (!in.Has(offset, stride * static_cast<uint64_t>(height)))
        return false;

    const Channel red(masks.red), green(masks.green), blue(masks.blue), alpha(masks.alpha);
    out.width = width;
    out.height = static_cast<int>(height);
    out.argb.resize(static_cast<size_t>(width * height));
    bool any_alpha = false;
    for (int64_t y = 0; y < height; ++y) {
        const int64_t source_row = top_down ? y : height - 1 - y;
        const auto row = static_cast<size_t>(offset + static_cast<uint64_t>(source_row) * stride);
        uint32_t* dest = out.argb.data() + static_cast<size_t>(y * width);
        for (int32_t x = 0; x < width; ++x) {
            uint32_t argb = kOpaque;
            if (bits <= kMaxPaletteBits) {
                const size_t bit = static_cast<size_t>(x) * static_cast<size_t>(bits);
                const uint8_t byte = in.U8(row + bit / 8);
                const int shift = 8 - bits - static_cast<int>(bit % 8);
                const uint32_t index = static_cast<uint32_t>(byte >> shift) & ((1u << bits) - 1);
                argb = index < palette.size() ? palette[index] : kOpaque;
            } else if (bits == 24) {
                const size_t at = row + static_cast<size_t>(x) * 3;
                argb = kOpaque | static_cast<uint32_t>(in.U8(at + 2)) << 16 |
                       static_cast<uint32_t>(in.U8(at + 1)) << 8 | in.U8(at);
            } else {
                const uint32_t pixel = bits == 16 ? in.U16(row + static_cast<size_t>(x) * 2)
                                                  : in.U32(row + static_cast<size_t>(x) * 4);
                uint32_t a = 0xFF;
                if (!masked && bits == 32) {
                    argb = pixel;
                    a = pixel >> 24;
                } else {
                    argb = red.Get(pixel) << 16 | green.Get(pixel) << 8 | blue.Get(pixel);
                    if (alpha.Present())
                        a = alpha.Get(pixel);
                }
                if (alpha_in_data)
                    any_alpha = any_alpha || a != 0;
                argb = (argb & 0xFFFFFF) | a << 24;
            }
            dest[x] = argb;
        }
    }
    // Screenshots and most programs leave the fourth byte 0: such a picture is meant to be seen.
    if (alpha_in_data && !any_alpha) {
        for (uint32_t& p : out.argb)
            p |= kOpaque;
    }
    return true;
}

std::wstring WideTextFromBlock(std::string_view block) {
    std::wstring text;
    text.reserve(block.size() / 2);
    for (size_t i = 0; i + 1 < block.size(); i += 2) {
        const auto unit =
            static_cast<wchar_t>(static_cast<uint8_t>(block[i]) | static_cast<uint8_t>(block[i + 1]) << 8);
        if (unit == 0)
            break;
        if (i == 0 && unit == kByteOrderMark)
            continue;
        text.push_back(unit);
    }
    return text;
}

std::string RtfFromBlock(std::string_view block) {
    const size_t end = block.find_last_not_of('\0');
    return std::string(block.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

std::wstring FilterPastedText(std::wstring_view text, bool numeric, bool single_line) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (numeric && (c < L'0' || c > L'9'))
            continue;
        if (single_line && (c == L'\r' || c == L'\n'))
            continue;
        out.push_back(c);
    }
    return out;
}

std::wstring StripCDataWrapper(std::wstring_view text) {
    const bool wrapped = text.size() >= kCDataOpen.size() + kCDataClose.size() &&
                         text.substr(0, kCDataOpen.size()) == kCDataOpen &&
                         text.substr(text.size() - kCDataClose.size()) == kCDataClose;
    if (wrapped)
        text = text.substr(kCDataOpen.size(), text.size() - kCDataOpen.size() - kCDataClose.size());
    return std::wstring(text);
}

std::vector<QqElement> ReadQqRichEdit(CXmlDoc& doc) {
    constexpr int kTextType = 0, kPictureType = 1;
    std::vector<QqElement> elements;
    doc.Rewind();
    if (!doc.FindNext(L"QQRichEditFormat") || !doc.Into())
        return elements;
    while (doc.FindNext(L"EditElement")) {
        const std::wstring type = doc.GetAttr(L"type");
        wchar_t* end = nullptr;
        const long value = std::wcstol(type.c_str(), &end, 10);
        if (type.empty() || !end || *end != L'\0')
            continue;
        if (value == kTextType)
            elements.push_back({QqElement::kText, StripCDataWrapper(doc.GetText()), {}});
        else if (value == kPictureType)
            elements.push_back({QqElement::kPicture, {}, doc.GetAttr(L"filepath")});
    }
    doc.OutOf();
    return elements;
}
