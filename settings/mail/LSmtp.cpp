#include "settings/mail/LSmtp.h"

#include "settings/mail/MailCodec.h"
#include "settings/mail/MimeWriter.h"
#include "settings/mail/TlsStream.h"

#include <windows.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>

namespace {

constexpr int kDefaultPort = 465;
// Attachment bytes read per round: whole base64 lines.
constexpr size_t kFileChunk = MailCodec::kBase64LineInput * 1024;
constexpr int kReplyReady = 220;
constexpr int kReplyOk = 250;
constexpr int kReplyForwarded = 251;
constexpr int kReplyAuthOk = 235;
constexpr int kReplyAuthMore = 334;
constexpr int kReplyStartData = 354;

class ReadFileHandle {
public:
    explicit ReadFileHandle(const std::wstring& path)
        : h_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}
    ~ReadFileHandle() {
        if (h_ != INVALID_HANDLE_VALUE) {
            CloseHandle(h_);
        }
    }
    ReadFileHandle(const ReadFileHandle&) = delete;
    ReadFileHandle& operator=(const ReadFileHandle&) = delete;
    bool Ok() const { return h_ != INVALID_HANDLE_VALUE; }
    // Fills buffer as far as the file goes; false on a read error.
    bool Read(std::string& buffer, size_t size) {
        buffer.resize(size);
        size_t got = 0;
        while (got < size) {
            DWORD n = 0;
            if (!ReadFile(h_, buffer.data() + got, static_cast<DWORD>(size - got), &n, nullptr)) {
                return false;
            }
            if (n == 0) {
                break;
            }
            got += n;
        }
        buffer.resize(got);
        return true;
    }

private:
    HANDLE h_;
};

// One SMTP exchange at a time over the stream; the last reply is kept for error texts.
class SmtpDialog {
public:
    explicit SmtpDialog(TlsStream& stream) : stream_(stream) {}

    // Reads a whole (possibly multi-line) reply; its code, or 0 when the connection failed.
    int Reply() {
        text_.clear();
        lines_.clear();
        std::string line;
        for (;;) {
            if (!stream_.ReadLine(line)) {
                return 0;
            }
            lines_.push_back(line);
            text_ = line;
            if (line.size() < 4 || line[3] != '-') {
                break;
            }
        }
        if (text_.size() < 3 || !isdigit(static_cast<unsigned char>(text_[0])) ||
            !isdigit(static_cast<unsigned char>(text_[1])) ||
            !isdigit(static_cast<unsigned char>(text_[2]))) {
            return 0;
        }
        return std::stoi(text_.substr(0, 3));
    }
    int Command(const std::string& command) {
        if (!stream_.Send(command + "\r\n")) {
            return 0;
        }
        return Reply();
    }
    const std::vector<std::string>& Lines() const { return lines_; }
    // The server's last reply, or the connection's failure when there was none.
    std::wstring Why() const { return text_.empty() ? stream_.Error() : MailCodec::FromUtf8(text_); }

private:
    TlsStream& stream_;
    std::string text_;
    std::vector<std::string> lines_;
};

std::string Upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return s;
}

std::string RandomHex() {
    std::random_device device;
    std::mt19937_64 engine(
        (static_cast<uint64_t>(device()) << 32) ^ device() ^
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    char text[40];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(engine()),
                  static_cast<unsigned long long>(engine()));
    return text;
}

// Doubles a dot at the start of each line, carrying the line state over chunk borders.
std::string DotStuff(std::string_view data, bool& atLineStart) {
    std::string out;
    out.reserve(data.size() + data.size() / 64);
    for (char c : data) {
        if (atLineStart && c == '.') {
            out += '.';
        }
        out += c;
        atLineStart = c == '\n';
    }
    return out;
}

} // namespace

LSmtp::LSmtp() = default;
LSmtp::~LSmtp() = default;

void LSmtp::SetFromSubject(const wchar_t* from, const wchar_t* subject) {
    from_ = from ? from : L"";
    subject_ = subject ? subject : L"";
}

void LSmtp::AddTo(const wchar_t* to) {
    if (to && *to) {
        to_.emplace_back(to);
    }
}

void LSmtp::AddAttachment(const wchar_t* path, const wchar_t* type, const wchar_t* name) {
    attachments_.push_back({path ? path : L"", type ? type : L"", name ? name : L""});
}

void LSmtp::SetX_Mailer(const wchar_t* mailer) {
    mailer_ = mailer ? mailer : L"";
}

void LSmtp::SetServerPort(const wchar_t* server, int port) {
    server_ = server ? server : L"";
    port_ = port;
}

void LSmtp::SetAuthData(const wchar_t* user, const wchar_t* password) {
    user_ = user ? user : L"";
    password_ = password ? password : L"";
}

const wchar_t* LSmtp::GetLastErrorMsg() const {
    return error_.c_str();
}

bool LSmtp::SendMail() {
    error_.clear();
    if (server_.empty()) {
        error_ = L"no SMTP server name";
        return false;
    }
    if (from_.empty() || to_.empty()) {
        error_ = L"the mail has no sender or no recipient";
        return false;
    }
    // Open every attachment before talking to the server, so a missing file sends nothing.
    std::vector<std::unique_ptr<ReadFileHandle>> files;
    for (const Attachment& a : attachments_) {
        files.push_back(std::make_unique<ReadFileHandle>(a.path));
        if (!files.back()->Ok()) {
            error_ = L"cannot open the attachment " + a.path + L" (" + std::to_wstring(GetLastError()) + L")";
            return false;
        }
    }

    TlsStream stream;
    const int port = port_ == 0 ? kDefaultPort : port_;
    if (!stream.Connect(server_, port)) {
        error_ = L"SMTP: " + stream.Error();
        return false;
    }
    SmtpDialog smtp(stream);
    auto fail = [&](const wchar_t* step) {
        error_ = std::wstring(L"SMTP ") + step + L": " + smtp.Why();
        return false;
    };
    if (smtp.Reply() != kReplyReady) {
        return fail(L"greeting");
    }
    if (smtp.Command("EHLO " + stream.LocalAddressLiteral()) != kReplyOk) {
        return fail(L"EHLO");
    }
    bool plain = false, login = false;
    for (const std::string& line : smtp.Lines()) {
        const std::string upper = Upper(line.size() > 4 ? line.substr(4) : std::string());
        if (upper.rfind("AUTH", 0) == 0) {
            plain = plain || upper.find(" PLAIN") != std::string::npos;
            login = login || upper.find(" LOGIN") != std::string::npos;
        }
    }
    const std::string user = MailCodec::ToUtf8(user_);
    const std::string password = MailCodec::ToUtf8(password_);
    if (plain) {
        const std::string credentials = std::string(1, '\0') + user + std::string(1, '\0') + password;
        if (smtp.Command("AUTH PLAIN " + MailCodec::Base64Encode(credentials)) != kReplyAuthOk) {
            return fail(L"authentication");
        }
    } else if (login) {
        if (smtp.Command("AUTH LOGIN") != kReplyAuthMore ||
            smtp.Command(MailCodec::Base64Encode(user)) != kReplyAuthMore ||
            smtp.Command(MailCodec::Base64Encode(password)) != kReplyAuthOk) {
            return fail(L"authentication");
        }
    } else {
        error_ = L"SMTP: the server offers no password authentication";
        return false;
    }
    if (smtp.Command("MAIL FROM:<" + MailCodec::ToUtf8(from_) + ">") != kReplyOk) {
        return fail(L"MAIL FROM");
    }
    for (const std::wstring& to : to_) {
        const int code = smtp.Command("RCPT TO:<" + MailCodec::ToUtf8(to) + ">");
        if (code != kReplyOk && code != kReplyForwarded) {
            return fail(L"RCPT TO");
        }
    }
    if (smtp.Command("DATA") != kReplyStartData) {
        return fail(L"DATA");
    }

    const std::string id = RandomHex();
    MimeWriter writer("=_velin_" + id);
    MimeWriter::Header header;
    header.from = from_;
    header.to = to_;
    header.subject = subject_;
    header.mailer = mailer_;
    const auto now = std::chrono::system_clock::now();
    header.date = MimeWriter::FormatDate(
        std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count());
    const size_t at = from_.find(L'@');
    header.messageId =
        id + "@" +
        (at == std::wstring::npos ? std::string("localhost") : MailCodec::ToUtf8(from_.substr(at + 1)));

    bool atLineStart = true;
    auto put = [&](std::string_view text) { return stream.Send(DotStuff(text, atLineStart)); };
    bool ok = put(writer.HeaderBlock(header)) && put(writer.TextPart(subject_));
    for (size_t i = 0; ok && i < attachments_.size(); ++i) {
        ok = put(writer.AttachmentHead(attachments_[i].type, attachments_[i].name));
        std::string chunk;
        while (ok) {
            if (!files[i]->Read(chunk, kFileChunk)) {
                error_ = L"cannot read the attachment " + attachments_[i].path;
                return false; // the server drops a mail whose DATA never ended
            }
            if (chunk.empty()) {
                break;
            }
            ok = put(MailCodec::Base64Lines(chunk));
        }
    }
    ok = ok && put(writer.Closing());
    if (!ok) {
        error_ = L"SMTP: " + stream.Error();
        return false;
    }
    if (smtp.Command(".") != kReplyOk) {
        return fail(L"end of data");
    }
    smtp.Command("QUIT");
    return true;
}
