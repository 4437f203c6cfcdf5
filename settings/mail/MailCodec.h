#pragma once
// Text codings of mail: base64, UTF-8, header encoded-words (RFC 2047) and extended parameter values
// (RFC 2231). Platform-free.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class MailCodec {
public:
    // Input bytes that make one base64 line of 76 characters.
    static constexpr size_t kBase64LineInput = 57;

    static std::string Base64Encode(std::string_view bytes);
    // Lines of at most 76 characters, each ending in CR LF.
    static std::string Base64Lines(std::string_view bytes);
    // Skips white space; false on any other character outside the alphabet or a bad length.
    static bool Base64Decode(std::string_view text, std::string& bytes);
    static std::string QuotedPrintableDecode(std::string_view text, bool underscoreIsSpace);

    static std::string ToUtf8(std::wstring_view text);
    // Invalid sequences become U+FFFD.
    static std::wstring FromUtf8(std::string_view bytes);

    // A header value: printable ASCII stays as it is, anything else becomes UTF-8 "B" encoded-words,
    // folded so that no header line grows past the limit.
    static std::string EncodeHeaderText(std::wstring_view text);
    // Decodes the encoded-words of a header value; the rest is read as UTF-8.
    static std::wstring DecodeHeaderText(std::string_view value);
    // charset''percent-encoded value of an extended parameter; charsets other than UTF-8 and ASCII
    // are read as Latin-1.
    static std::string EncodeExtendedValue(std::wstring_view text);
    static std::wstring DecodeExtendedValue(std::string_view value);

private:
    static std::wstring DecodeCharset(std::string_view charset, std::string_view bytes);
};
