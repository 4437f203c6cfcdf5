#include "richtext/CRtfWriter.h"

#include "store/xml/Encoding.h"
#include "store/xml/FileBytes.h"

#include <cstdio>
#include <vector>

namespace {

const char kHexDigits[] = "0123456789abcdef";

// Encoding of one UTF-16 unit in code page 936: bytes in the low 16 bits (first byte high when
// there are two), the length in bits 16-17; kNoByte when 936 cannot hold the unit.
constexpr uint32_t kNotKnown = 0;
constexpr uint32_t kNoByte = 0xFFFFFFFF;

uint32_t EncodeUnit(wchar_t unit) {
    // Filled on demand: each unit is converted (and checked by converting back) once per process.
    static std::vector<uint32_t> cache(0x10000, kNotKnown);
    uint32_t& slot = cache[static_cast<uint16_t>(unit)];
    if (slot != kNotKnown)
        return slot;
    slot = kNoByte;
    if (unit >= 0xD800 && unit <= 0xDFFF)
        return slot;
    bool lossy = false;
    const std::string bytes = WideToCodePage(CRtfWriter::kCodePage, std::wstring_view(&unit, 1), &lossy);
    if (lossy || bytes.empty() || bytes.size() > 2)
        return slot;
    // Best-fit mappings ("é" to "e") are losses too: only an exact round trip counts.
    if (CodePageToWide(CRtfWriter::kCodePage, bytes) != std::wstring(1, unit))
        return slot;
    uint32_t value = static_cast<uint8_t>(bytes[0]);
    if (bytes.size() == 2)
        value = (value << 8) | static_cast<uint8_t>(bytes[1]);
    slot = (static_cast<uint32_t>(bytes.size()) << 16) | value;
    return slot;
}

} // namespace

bool CRtfWriter::Close() {
    if (path_.empty())
        return false;
    const bool ok = WriteFileAtomic(path_, out_);
    path_.clear();
    return ok;
}

void CRtfWriter::Put(std::string_view bytes) {
    out_.append(bytes);
    column_ += static_cast<int>(bytes.size());
}

void CRtfWriter::OpenGroup() {
    Put("{");
    ++depth_;
}

void CRtfWriter::CloseGroup() {
    --depth_;
    Put("}");
}

void CRtfWriter::WriteControl(std::string_view word) {
    if (word == "par" || word == "pard") {
        out_.append("\r\n");
        column_ = 0;
    }
    Put("\\");
    Put(word);
}

void CRtfWriter::WriteControl(std::string_view word, int value) {
    char digits[16];
    const int n = std::snprintf(digits, sizeof digits, "%d", value);
    WriteControl(word);
    Put(std::string_view(digits, static_cast<size_t>(n)));
}

void CRtfWriter::WriteRaw(std::string_view bytes) {
    Put(bytes);
}

void CRtfWriter::WriteHexByte(uint8_t byte) {
    const char pair[2] = {kHexDigits[byte >> 4], kHexDigits[byte & 15]};
    Put(std::string_view(pair, 2));
}

void CRtfWriter::PutEscapedByte(uint8_t byte) {
    if (byte == '\t') {
        WriteControl("tab");
        Put(" ");
    } else if (byte < 0x20 || byte >= 0x80 || trail_) {
        Put("\\'");
        WriteHexByte(byte);
        trail_ = !trail_;
    } else if (byte == '\\' || byte == '{' || byte == '}') {
        const char pair[2] = {'\\', static_cast<char>(byte)};
        Put(std::string_view(pair, 2));
    } else {
        const char c = static_cast<char>(byte);
        Put(std::string_view(&c, 1));
    }
}

void CRtfWriter::WriteText(std::wstring_view text) {
    trail_ = false;
    for (wchar_t unit : text) {
        if (unit < 0x80) {
            PutEscapedByte(static_cast<uint8_t>(unit));
            continue;
        }
        const uint32_t code = EncodeUnit(unit);
        if (code == kNoByte) {
            char word[24];
            const int n =
                std::snprintf(word, sizeof word, "\\u%d?", static_cast<int>(static_cast<int16_t>(unit)));
            Put(std::string_view(word, static_cast<size_t>(n)));
            continue;
        }
        if ((code >> 16) == 2)
            PutEscapedByte(static_cast<uint8_t>((code >> 8) & 0xFF));
        PutEscapedByte(static_cast<uint8_t>(code & 0xFF));
    }
}
