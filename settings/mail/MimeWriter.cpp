#include "settings/mail/MimeWriter.h"

#include "settings/mail/MailCodec.h"

#include <cstdio>

namespace {

constexpr char kFallbackType[] = "application/octet-stream";
constexpr long long kSecondsPerDay = 86400;
constexpr int kUnixEpochWeekday = 4; // 1970-01-01 was a Thursday

bool IsTokenChar(wchar_t c) {
    if (c <= 0x20 || c >= 0x7F) {
        return false;
    }
    return std::wstring_view(L"()<>@,;:\\\"/[]?=").find(c) == std::wstring_view::npos;
}

// Days since 1970-01-01 to year, month (1-12), day: the proleptic Gregorian calendar computed in
// 400-year eras of 146097 days, the year taken to start in March.
void CivilFromDays(long long z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

} // namespace

MimeWriter::MimeWriter(std::string boundary) : boundary_(std::move(boundary)) {}

std::string MimeWriter::HeaderBlock(const Header& header) const {
    std::string to;
    for (const std::wstring& address : header.to) {
        to += (to.empty() ? "" : ",\r\n ") + MailCodec::ToUtf8(address);
    }
    std::string out;
    out += "From: " + MailCodec::ToUtf8(header.from) + "\r\n";
    out += "To: " + to + "\r\n";
    out += "Subject: " + MailCodec::EncodeHeaderText(header.subject) + "\r\n";
    out += "Date: " + header.date + "\r\n";
    out += "Message-ID: <" + header.messageId + ">\r\n";
    out += "MIME-Version: 1.0\r\n";
    if (!header.mailer.empty()) {
        out += "X-Mailer: " + MailCodec::EncodeHeaderText(header.mailer) + "\r\n";
    }
    out += "Content-Type: multipart/mixed; boundary=\"" + boundary_ + "\"\r\n";
    out += "\r\nThis is a multi-part message in MIME format.\r\n";
    return out;
}

std::string MimeWriter::TextPart(std::wstring_view text) const {
    std::string out = "\r\n--" + boundary_ + "\r\n";
    out += "Content-Type: text/plain; charset=UTF-8\r\n";
    out += "Content-Transfer-Encoding: base64\r\n\r\n";
    out += MailCodec::Base64Lines(MailCodec::ToUtf8(text));
    return out;
}

std::string MimeWriter::AttachmentHead(std::wstring_view type, std::wstring_view name) const {
    const std::string encodedName = Quoted(MailCodec::EncodeHeaderText(name));
    std::string out = "\r\n--" + boundary_ + "\r\n";
    // Readers that know RFC 2231 take filename*, older ones the encoded-word in name and filename.
    out += "Content-Type: " + SafeType(type) + ";\r\n name=" + encodedName + "\r\n";
    out += "Content-Transfer-Encoding: base64\r\n";
    out += "Content-Disposition: attachment;\r\n filename*=" + MailCodec::EncodeExtendedValue(name) +
           ";\r\n filename=" + encodedName + "\r\n\r\n";
    return out;
}

std::string MimeWriter::Closing() const {
    return "\r\n--" + boundary_ + "--\r\n";
}

std::string MimeWriter::FormatDate(long long unixSeconds) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    long long days = unixSeconds / kSecondsPerDay;
    long long rest = unixSeconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    int y = 0;
    unsigned m = 1, d = 1;
    CivilFromDays(days, y, m, d);
    const int weekday = static_cast<int>(((days % 7) + 7 + kUnixEpochWeekday) % 7);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02u %s %04d %02lld:%02lld:%02lld +0000", kDays[weekday], d,
                  kMonths[m - 1], y, rest / 3600, rest / 60 % 60, rest % 60);
    return text;
}

std::string MimeWriter::SafeType(std::wstring_view type) {
    const size_t slash = type.find(L'/');
    if (slash == std::wstring_view::npos || slash == 0 || slash + 1 == type.size()) {
        return kFallbackType;
    }
    for (size_t i = 0; i < type.size(); ++i) {
        if (i != slash && !IsTokenChar(type[i])) {
            return kFallbackType;
        }
    }
    return std::string(type.begin(), type.end());
}
