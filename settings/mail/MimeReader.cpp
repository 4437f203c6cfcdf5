#include "settings/mail/MimeReader.h"

#include "settings/mail/MailCodec.h"

#include <algorithm>
#include <map>

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return out;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) {
        s.remove_suffix(1);
    }
    return s;
}

// One line from pos: the text without its end, and pos moved past the end.
std::string_view NextLine(std::string_view text, size_t& pos) {
    const size_t start = pos;
    const size_t nl = text.find('\n', start);
    size_t end = nl == std::string_view::npos ? text.size() : nl;
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
    if (end > start && text[end - 1] == '\r') {
        --end;
    }
    return text.substr(start, end - start);
}

// A structured value "main; key=value; key="quoted"" with RFC 2231 extended and continued keys.
struct Structured {
    std::string main; // lower case
    std::map<std::string, std::wstring> params;
};

Structured ParseStructured(std::string_view value) {
    Structured out;
    size_t pos = value.find(';');
    out.main = Lower(Trim(value.substr(0, pos)));
    std::map<std::string, std::string> plain;
    std::map<std::string, std::map<int, std::pair<bool, std::string>>> pieces; // key -> n -> (extended, text)
    while (pos != std::string_view::npos && pos < value.size()) {
        ++pos; // past ';'
        const size_t eq = value.find('=', pos);
        if (eq == std::string_view::npos) {
            break;
        }
        std::string key = Lower(Trim(value.substr(pos, eq - pos)));
        size_t i = eq + 1;
        while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) {
            ++i;
        }
        std::string text;
        if (i < value.size() && value[i] == '"') {
            ++i;
            while (i < value.size() && value[i] != '"') {
                if (value[i] == '\\' && i + 1 < value.size()) {
                    ++i;
                }
                text += value[i];
                ++i;
            }
            pos = value.find(';', i);
        } else {
            pos = value.find(';', i);
            text = std::string(Trim(value.substr(i, pos == std::string_view::npos ? pos : pos - i)));
        }
        bool extended = false;
        if (!key.empty() && key.back() == '*') {
            extended = true;
            key.pop_back();
        }
        const size_t star = key.find('*');
        if (star != std::string::npos) {
            const std::string number = key.substr(star + 1);
            key.resize(star);
            if (!number.empty() && number.size() < 5 &&
                std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
                pieces[key][std::stoi(number)] = {extended, text};
            }
        } else if (extended) {
            out.params[key] = MailCodec::DecodeExtendedValue(text);
        } else {
            plain[key] = text;
        }
    }
    for (auto& [key, parts] : pieces) {
        // The first piece names the charset; the rest are percent-encoded bytes when extended.
        std::string charset, bytes;
        bool first = true;
        for (auto& [n, piece] : parts) {
            std::string text = piece.second;
            if (first && piece.first) {
                const size_t q1 = text.find('\'');
                const size_t q2 = q1 == std::string::npos ? q1 : text.find('\'', q1 + 1);
                if (q2 != std::string::npos) {
                    charset = text.substr(0, q1);
                    text = text.substr(q2 + 1);
                }
            }
            first = false;
            bytes += text;
        }
        out.params[key] = MailCodec::DecodeExtendedValue(charset + "''" + bytes);
    }
    for (auto& [key, text] : plain) {
        if (out.params.find(key) == out.params.end()) {
            out.params[key] = MailCodec::DecodeHeaderText(text);
        }
    }
    return out;
}

std::wstring Param(const Structured& s, const std::string& key) {
    const auto it = s.params.find(key);
    return it == s.params.end() ? std::wstring() : it->second;
}

} // namespace

MimeReader::MimeReader(std::string message) : message_(std::move(message)) {
    fields_ = ParseFields(Split(message_).headers);
}

MimeReader::Part MimeReader::Split(std::string_view entity) {
    size_t pos = 0;
    while (pos < entity.size()) {
        const size_t lineStart = pos;
        if (NextLine(entity, pos).empty()) {
            return {entity.substr(0, lineStart), entity.substr(pos)};
        }
    }
    return {entity, std::string_view()};
}

MimeReader::Fields MimeReader::ParseFields(std::string_view headers) {
    Fields fields;
    size_t pos = 0;
    while (pos < headers.size()) {
        const std::string_view line = NextLine(headers, pos);
        if (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            if (!fields.empty()) {
                fields.back().second += line; // unfolding keeps the white space, drops the line end
            }
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0) {
            continue;
        }
        fields.emplace_back(Lower(Trim(line.substr(0, colon))), std::string(line.substr(colon + 1)));
    }
    for (auto& field : fields) {
        field.second = std::string(Trim(field.second));
    }
    return fields;
}

std::string MimeReader::RawField(const Fields& fields, std::string_view name) {
    const std::string key = Lower(name);
    for (const auto& field : fields) {
        if (field.first == key) {
            return field.second;
        }
    }
    return std::string();
}

std::wstring MimeReader::Field(std::string_view name) const {
    return MailCodec::DecodeHeaderText(RawField(fields_, name));
}

void MimeReader::CollectLeaves(std::string_view entity, int depth, std::vector<Part>& leaves) const {
    const Part part = Split(entity);
    const Fields fields = ParseFields(part.headers);
    const Structured type = ParseStructured(RawField(fields, "content-type"));
    if (type.main.rfind("multipart/", 0) != 0) {
        leaves.push_back(part);
        return;
    }
    const std::string boundary = MailCodec::ToUtf8(Param(type, "boundary"));
    if (boundary.empty() || depth >= kMaxDepth) {
        return;
    }
    const std::string delimiter = "--" + boundary;
    std::string_view body = part.body;
    size_t pos = 0;
    size_t partStart = std::string_view::npos;
    while (pos < body.size()) {
        const size_t lineStart = pos;
        const std::string_view line = NextLine(body, pos);
        if (line.rfind(delimiter, 0) != 0) {
            continue;
        }
        if (partStart != std::string_view::npos) {
            // The line end before a delimiter belongs to the delimiter.
            size_t end = lineStart;
            if (end > partStart && body[end - 1] == '\n') {
                --end;
            }
            if (end > partStart && body[end - 1] == '\r') {
                --end;
            }
            CollectLeaves(body.substr(partStart, end - partStart), depth + 1, leaves);
        }
        if (Trim(line.substr(delimiter.size())).rfind("--", 0) == 0) {
            return;
        }
        partStart = pos;
    }
}

bool MimeReader::GetAttachment(int index, Attachment& attachment) const {
    if (index < 0) {
        return false;
    }
    std::vector<Part> leaves;
    CollectLeaves(message_, 0, leaves);
    int found = 0;
    for (const Part& leaf : leaves) {
        const Fields fields = ParseFields(leaf.headers);
        const Structured disposition = ParseStructured(RawField(fields, "content-disposition"));
        const Structured type = ParseStructured(RawField(fields, "content-type"));
        std::wstring name = Param(disposition, "filename");
        if (name.empty()) {
            name = Param(type, "name");
        }
        if (disposition.main != "attachment" && name.empty()) {
            continue;
        }
        if (found++ != index) {
            continue;
        }
        const std::string encoding = Lower(Trim(RawField(fields, "content-transfer-encoding")));
        attachment.name = name;
        if (encoding == "base64") {
            return MailCodec::Base64Decode(leaf.body, attachment.data);
        }
        if (encoding == "quoted-printable") {
            attachment.data = MailCodec::QuotedPrintableDecode(leaf.body, false);
            return true;
        }
        attachment.data = std::string(leaf.body);
        return true;
    }
    return false;
}

std::wstring MimeReader::BareAddress(std::wstring_view mailbox) {
    const size_t open = mailbox.rfind(L'<');
    const size_t close = open == std::wstring_view::npos ? open : mailbox.find(L'>', open);
    if (close != std::wstring_view::npos) {
        return std::wstring(mailbox.substr(open + 1, close - open - 1));
    }
    size_t b = 0, e = mailbox.size();
    while (b < e && (mailbox[b] == L' ' || mailbox[b] == L'\t')) {
        ++b;
    }
    while (e > b && (mailbox[e - 1] == L' ' || mailbox[e - 1] == L'\t')) {
        --e;
    }
    return std::wstring(mailbox.substr(b, e - b));
}
