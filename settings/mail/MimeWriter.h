#pragma once
// Writes a multipart/mixed mail: header block, a text part and base64 attachment parts, in pieces so
// that an attachment can be streamed. Platform-free.
#include <string>
#include <string_view>
#include <vector>

class MimeWriter {
public:
    struct Header {
        std::wstring from, subject, mailer;
        std::vector<std::wstring> to;
        std::string date;      // RFC 5322 form, see FormatDate
        std::string messageId; // without angle brackets
    };

    // The boundary must not occur in any part; base64 and the header texts never hold "=_".
    explicit MimeWriter(std::string boundary);

    std::string HeaderBlock(const Header& header) const;
    std::string TextPart(std::wstring_view text) const;
    // Headers of an attachment part; its body follows as MailCodec::Base64Lines.
    std::string AttachmentHead(std::wstring_view type, std::wstring_view name) const;
    std::string Closing() const;

    // "Thu, 10 Dec 2026 11:41:03 +0000" from seconds since 1970 (UTC).
    static std::string FormatDate(long long unixSeconds);
    // A MIME type "type/subtype" of token characters, else application/octet-stream.
    static std::string SafeType(std::wstring_view type);

private:
    std::string boundary_;
};
