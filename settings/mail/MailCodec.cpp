#include "settings/mail/MailCodec.h"

#include <algorithm>
#include <array>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kBase64LineChars = 76;
constexpr wchar_t kReplacement = 0xFFFD;
// UTF-8 bytes per encoded-word: 60 base64 characters, well inside the 75 allowed with the framing.
constexpr size_t kWordInputBytes = 45;
constexpr int kInvalid = -1;
constexpr int kSkip = -2;

std::array<int, 256> DecodeTable() {
    std::array<int, 256> t{};
    t.fill(kInvalid);
    for (int i = 0; i < 64; ++i) {
        t[static_cast<unsigned char>(kAlphabet[i])] = i;
    }
    for (unsigned char c : {' ', '\t', '\r', '\n'}) {
        t[c] = kSkip;
    }
    return t;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return kInvalid;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return out;
}

bool IsPlainAscii(std::wstring_view text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= 0x20 && c < 0x7F; });
}

// Length of the UTF-8 sequence that starts with lead, 0 for a continuation byte.
size_t Utf8Length(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        return 3;
    }
    if ((lead & 0xF8) == 0xF0) {
        return 4;
    }
    return 0;
}

} // namespace

std::string MailCodec::Base64Encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        uint32_t v = (static_cast<unsigned char>(bytes[i]) << 16) |
                     (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                     static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    const size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) {
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string MailCodec::Base64Lines(std::string_view bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += kBase64LineInput) {
        out += Base64Encode(bytes.substr(i, kBase64LineInput));
        out += "\r\n";
    }
    static_assert(kBase64LineInput / 3 * 4 == kBase64LineChars);
    return out;
}

bool MailCodec::Base64Decode(std::string_view text, std::string& bytes) {
    static const std::array<int, 256> table = DecodeTable();
    bytes.clear();
    uint32_t acc = 0;
    int bits = 0;
    size_t symbols = 0, padding = 0;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '=') {
            ++padding;
            continue;
        }
        const int v = table[c];
        if (v == kSkip) {
            continue;
        }
        if (v == kInvalid || padding > 0) {
            return false;
        }
        ++symbols;
        acc = (acc << 6) | static_cast<uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    return symbols % 4 != 1 && padding <= 2;
}

std::string MailCodec::QuotedPrintableDecode(std::string_view text, bool underscoreIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '=') {
            if (i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
                out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
                i += 2;
                continue;
            }
            // A soft line break: "=" at the end of a line.
            size_t j = i + 1;
            while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) {
                ++j;
            }
            if (j < text.size() && text[j] == '\r') {
                ++j;
            }
            if (j < text.size() && text[j] == '\n') {
                i = j;
                continue;
            }
            if (j == text.size()) {
                break;
            }
            out += c;
        } else if (c == '_' && underscoreIsSpace) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::string MailCodec::ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = static_cast<uint16_t>(text[i]);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<uint16_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::wstring MailCodec::FromUtf8(std::string_view bytes) {
    static constexpr uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    std::wstring out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        const size_t len = Utf8Length(lead);
        if (len == 0 || i + len > bytes.size()) {
            out += kReplacement;
            ++i;
            continue;
        }
        uint32_t cp = len == 1 ? lead : (lead & (0x7F >> len));
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            const unsigned char c = static_cast<unsigned char>(bytes[i + k]);
            if ((c & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok || cp < kMinimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += kReplacement;
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<wchar_t>(cp);
        }
        i += len;
    }
    return out;
}

std::string MailCodec::EncodeHeaderText(std::wstring_view text) {
    if (IsPlainAscii(text)) {
        return std::string(text.begin(), text.end());
    }
    const std::string utf8 = ToUtf8(text);
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        // Whole characters only: an encoded-word must decode on its own.
        size_t end = i;
        while (end < utf8.size()) {
            const size_t len = std::max<size_t>(1, Utf8Length(static_cast<unsigned char>(utf8[end])));
            if (end + len - i > kWordInputBytes && end > i) {
                break;
            }
            end += len;
        }
        end = std::min(end, utf8.size());
        if (!out.empty()) {
            out += "\r\n ";
        }
        out += "=?UTF-8?B?" + Base64Encode(std::string_view(utf8).substr(i, end - i)) + "?=";
        i = end;
    }
    return out;
}

std::wstring MailCodec::DecodeCharset(std::string_view charset, std::string_view bytes) {
    const std::string cs = Lower(charset);
    if (cs == "utf-8" || cs == "utf8" || cs == "us-ascii" || cs.empty()) {
        return FromUtf8(bytes);
    }
    std::wstring out;
    for (char c : bytes) {
        out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return out;
}

std::wstring MailCodec::DecodeHeaderText(std::string_view value) {
    std::wstring out;
    std::string plain; // undecoded text waiting to be read as UTF-8
    std::string gap;   // white space after an encoded-word, dropped when another one follows
    bool afterWord = false;
    size_t i = 0;
    while (i < value.size()) {
        if (value.compare(i, 2, "=?") == 0) {
            // =?charset?enc?text?=
            const size_t q1 = value.find('?', i + 2);
            const size_t q2 = q1 == std::string_view::npos ? q1 : value.find('?', q1 + 1);
            const size_t end = q2 == std::string_view::npos ? q2 : value.find("?=", q2 + 1);
            if (end != std::string_view::npos && q2 == q1 + 2) {
                std::string_view charset = value.substr(i + 2, q1 - i - 2);
                charset = charset.substr(0, charset.find('*')); // RFC 2231 language suffix
                const char enc = value[q1 + 1];
                const std::string_view text = value.substr(q2 + 1, end - q2 - 1);
                std::string bytes;
                bool ok = false;
                if (enc == 'B' || enc == 'b') {
                    ok = Base64Decode(text, bytes);
                } else if (enc == 'Q' || enc == 'q') {
                    bytes = QuotedPrintableDecode(text, true);
                    ok = true;
                }
                if (ok) {
                    if (!afterWord) {
                        plain += gap;
                    }
                    out += FromUtf8(plain);
                    plain.clear();
                    gap.clear();
                    out += DecodeCharset(charset, bytes);
                    afterWord = true;
                    i = end + 2;
                    continue;
                }
            }
        }
        const char c = value[i];
        if (c == ' ' || c == '\t') {
            gap += c;
        } else {
            plain += gap;
            gap.clear();
            plain += c;
            afterWord = false;
        }
        ++i;
    }
    plain += gap;
    out += FromUtf8(plain);
    return out;
}

std::string MailCodec::EncodeExtendedValue(std::wstring_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "UTF-8''";
    for (unsigned char c : ToUtf8(text)) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '-' || c == '_';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::wstring MailCodec::DecodeExtendedValue(std::string_view value) {
    std::string_view charset;
    const size_t q1 = value.find('\'');
    const size_t q2 = q1 == std::string_view::npos ? q1 : value.find('\'', q1 + 1);
    if (q2 != std::string_view::npos) {
        charset = value.substr(0, q1);
        value = value.substr(q2 + 1);
    }
    std::string bytes;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size() && HexValue(value[i + 1]) >= 0 &&
            HexValue(value[i + 2]) >= 0) {
            bytes += static_cast<char>(HexValue(value[i + 1]) * 16 + HexValue(value[i + 2]));
            i += 2;
        } else {
            bytes += value[i];
        }
    }
    return DecodeCharset(charset, bytes);
}
