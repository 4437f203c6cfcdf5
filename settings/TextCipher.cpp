#include "settings/TextCipher.h"

#include <cryptopp/aes.h>

#include <array>
#include <string_view>
#include <vector>

namespace {

using CryptoPP::AES;
using CryptoPP::byte;

constexpr size_t kBlockBytes = AES::BLOCKSIZE;
constexpr size_t kUnitBytes = 2; // UTF-16LE
constexpr size_t kUnitsPerBlock = kBlockBytes / kUnitBytes;
constexpr size_t kHexPerByte = 2;
constexpr unsigned kByteMask = 0xFF, kByteBits = 8;

// Fixed keys, the same in every installation: ASCII letters padded with zero bytes to the key
// length (the literal's own terminator is the last padding byte).
constexpr char kInnerKey[] = "riverstonelight";
constexpr char kOuterKey[] = "quietlake\0\0\0\0\0\0";
static_assert(sizeof(kInnerKey) == AES::DEFAULT_KEYLENGTH && sizeof(kOuterKey) == AES::DEFAULT_KEYLENGTH);

// The safe form: this marker, then every cipher block as 32 lowercase hex digits, e.g.
// "~aes~" + "3f0a...(32 digits)" for a text of up to 7 units. An old-form value would have to
// open with exactly these five units (AES output: about 1 in 2^80) and go on in hex digits only.
constexpr std::wstring_view kSafeMarker = L"~aes~";
constexpr char kHexDigits[] = "0123456789abcdef";

using Block = std::array<byte, kBlockBytes>;

// Code units as UTF-16LE bytes cut into blocks; the last block is filled with zero bytes.
std::vector<Block> ToBlocks(std::wstring_view units) {
    std::vector<Block> blocks((units.size() + kUnitsPerBlock - 1) / kUnitsPerBlock, Block{});
    for (size_t i = 0; i < units.size(); ++i) {
        byte* at = blocks[i / kUnitsPerBlock].data() + (i % kUnitsPerBlock) * kUnitBytes;
        at[0] = static_cast<byte>(units[i] & kByteMask);
        at[1] = static_cast<byte>((units[i] >> kByteBits) & kByteMask);
    }
    return blocks;
}

// Each block gives its code units up to, not including, its first zero unit.
std::wstring FromBlocks(const std::vector<Block>& blocks) {
    std::wstring out;
    for (const Block& b : blocks) {
        for (size_t i = 0; i < kUnitsPerBlock; ++i) {
            const auto unit = static_cast<wchar_t>(b[i * kUnitBytes] | b[i * kUnitBytes + 1] << kByteBits);
            if (unit == 0)
                break;
            out += unit;
        }
    }
    return out;
}

const byte* KeyBytes(const char* key) {
    return reinterpret_cast<const byte*>(key);
}

std::vector<Block> EncryptBlocks(const std::wstring& text) {
    std::wstring units = text;
    units += L'\0';
    std::vector<Block> blocks = ToBlocks(units);
    AES::Encryption inner, outer;
    inner.SetKey(KeyBytes(kInnerKey), sizeof(kInnerKey));
    outer.SetKey(KeyBytes(kOuterKey), sizeof(kOuterKey));
    for (Block& b : blocks) {
        inner.ProcessBlock(b.data());
        outer.ProcessBlock(b.data());
    }
    return blocks;
}

std::wstring DecryptBlocks(std::vector<Block> blocks) {
    AES::Decryption outer, inner;
    outer.SetKey(KeyBytes(kOuterKey), sizeof(kOuterKey));
    inner.SetKey(KeyBytes(kInnerKey), sizeof(kInnerKey));
    for (Block& b : blocks) {
        outer.ProcessBlock(b.data());
        inner.ProcessBlock(b.data());
    }
    return FromBlocks(blocks);
}

std::wstring SafeForm(const std::vector<Block>& blocks) {
    std::wstring out(kSafeMarker);
    for (const Block& b : blocks)
        for (byte v : b) {
            out += static_cast<wchar_t>(kHexDigits[v >> 4]);
            out += static_cast<wchar_t>(kHexDigits[v & 0xF]);
        }
    return out;
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// True (with the blocks) only for the marker followed by whole blocks of hex digits.
bool ParseSafeForm(std::wstring_view stored, std::vector<Block>& blocks) {
    constexpr size_t kHexPerBlock = kBlockBytes * kHexPerByte;
    if (!stored.starts_with(kSafeMarker))
        return false;
    const std::wstring_view hex = stored.substr(kSafeMarker.size());
    if (hex.empty() || hex.size() % kHexPerBlock != 0)
        return false;
    blocks.assign(hex.size() / kHexPerBlock, Block{});
    for (size_t i = 0; i < hex.size(); i += kHexPerByte) {
        const int high = HexValue(hex[i]), low = HexValue(hex[i + 1]);
        if (high < 0 || low < 0)
            return false;
        blocks[i / kHexPerBlock][(i % kHexPerBlock) / kHexPerByte] = static_cast<byte>(high << 4 | low);
    }
    return true;
}

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// True when every surrogate is half of a pair, so the text survives a UTF-8 file.
bool IsWellFormedUtf16(std::wstring_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
            ++i;
        else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i]))
            return false;
    }
    return true;
}

} // namespace

std::wstring EncryptTextOldForm(const std::wstring& text) {
    return text.empty() ? std::wstring() : FromBlocks(EncryptBlocks(text));
}

std::wstring EncryptText(const std::wstring& text) {
    if (text.empty())
        return {};
    const std::vector<Block> blocks = EncryptBlocks(text);
    std::wstring old_form = FromBlocks(blocks);
    if (IsWellFormedUtf16(old_form) && DecryptText(old_form) == text)
        return old_form;
    return SafeForm(blocks);
}

std::wstring DecryptText(const std::wstring& stored) {
    std::vector<Block> blocks;
    if (!ParseSafeForm(stored, blocks))
        blocks = ToBlocks(stored);
    return DecryptBlocks(std::move(blocks));
}
