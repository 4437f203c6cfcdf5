#include "settings/mail/LPop.h"

#include "settings/mail/MailCodec.h"
#include "settings/mail/MimeReader.h"
#include "settings/mail/TlsStream.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

constexpr int kDefaultPort = 995;
constexpr wchar_t kTempSuffix[] = L".part";
constexpr DWORD kWriteChunk = 1024 * 1024;

bool IsOk(const std::string& reply) {
    return reply.rfind("+OK", 0) == 0;
}

class WriteFileHandle {
public:
    explicit WriteFileHandle(const std::wstring& path)
        : h_(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr)) {}
    ~WriteFileHandle() { Close(); }
    WriteFileHandle(const WriteFileHandle&) = delete;
    WriteFileHandle& operator=(const WriteFileHandle&) = delete;
    bool Ok() const { return h_ != INVALID_HANDLE_VALUE; }
    bool Write(const std::string& data) {
        size_t done = 0;
        while (done < data.size()) {
            DWORD n = 0;
            const DWORD want = static_cast<DWORD>(std::min<size_t>(kWriteChunk, data.size() - done));
            if (!WriteFile(h_, data.data() + done, want, &n, nullptr) || n == 0) {
                return false;
            }
            done += n;
        }
        return FlushFileBuffers(h_) != 0;
    }
    bool Close() {
        bool ok = true;
        if (h_ != INVALID_HANDLE_VALUE) {
            ok = CloseHandle(h_) != 0;
            h_ = INVALID_HANDLE_VALUE;
        }
        return ok;
    }

private:
    HANDLE h_;
};

} // namespace

struct LPop::Session {
    TlsStream stream;
    int count = -1;
    std::vector<uint64_t> sizes; // by POP3 number - 1
    std::map<int, std::unique_ptr<MimeReader>> headers;
    std::string reply;

    bool Command(const std::string& command) {
        return stream.Send(command + "\r\n") && stream.ReadLine(reply) && IsOk(reply);
    }
    // The lines of a multi-line answer, dot-unstuffed, joined with CR LF; false past limit bytes.
    bool ReadBlock(std::string& block, uint64_t limit, bool& tooLarge) {
        block.clear();
        tooLarge = false;
        std::string line;
        for (;;) {
            if (!stream.ReadLine(line)) {
                return false;
            }
            if (line == ".") {
                return true;
            }
            if (!line.empty() && line[0] == '.') {
                line.erase(0, 1);
            }
            if (block.size() + line.size() + 2 > limit) {
                tooLarge = true;
                return false;
            }
            block += line;
            block += "\r\n";
        }
    }
    std::wstring Why() const { return reply.empty() ? stream.Error() : MailCodec::FromUtf8(reply); }
};

LPop::LPop() = default;

LPop::~LPop() {
    if (session_ && session_->stream.IsOpen()) {
        session_->Command("QUIT");
    }
}

void LPop::SetServerPort(const wchar_t* server, int port) {
    server_ = server ? server : L"";
    port_ = port;
}

void LPop::SetAuthData(const wchar_t* user, const wchar_t* password) {
    user_ = user ? user : L"";
    password_ = password ? password : L"";
}

std::wstring LPop::GetLastErrorMsg() const {
    return error_;
}

bool LPop::Login() {
    error_.clear();
    session_.reset();
    if (server_.empty()) {
        error_ = L"no POP3 server name";
        return false;
    }
    auto s = std::make_unique<Session>();
    if (!s->stream.Connect(server_, port_ == 0 ? kDefaultPort : port_)) {
        error_ = L"POP3: " + s->stream.Error();
        return false;
    }
    if (!s->stream.ReadLine(s->reply) || !IsOk(s->reply)) {
        error_ = L"POP3 greeting: " + s->Why();
        return false;
    }
    if (!s->Command("USER " + MailCodec::ToUtf8(user_))) {
        error_ = L"POP3 login: " + s->Why();
        return false;
    }
    // The reply to PASS never echoes the password; the command itself is never reported.
    if (!s->stream.Send("PASS " + MailCodec::ToUtf8(password_) + "\r\n") || !s->stream.ReadLine(s->reply) ||
        !IsOk(s->reply)) {
        error_ = L"POP3 login: " + s->Why();
        return false;
    }
    if (!s->Command("LIST")) {
        error_ = L"POP3 LIST: " + s->Why();
        return false;
    }
    std::string block;
    bool tooLarge = false;
    if (!s->ReadBlock(block, kMaxMailBytes, tooLarge)) {
        error_ = L"POP3 LIST: " + s->stream.Error();
        return false;
    }
    // "n size" lines, in order of n.
    size_t pos = 0;
    while (pos < block.size()) {
        const size_t end = block.find("\r\n", pos);
        const std::string line = block.substr(pos, end - pos);
        pos = end + 2;
        unsigned long long number = 0, size = 0;
        if (std::sscanf(line.c_str(), "%llu %llu", &number, &size) != 2 || number != s->sizes.size() + 1) {
            error_ = L"POP3 LIST: unexpected answer";
            return false;
        }
        s->sizes.push_back(size);
    }
    s->count = static_cast<int>(s->sizes.size());
    session_ = std::move(s);
    return true;
}

int LPop::GetMailCount() {
    return session_ ? session_->count : -1;
}

const wchar_t* LPop::GetX_Mailer(int mail) {
    field_.clear();
    if (const MimeReader* headers = Headers(mail)) {
        field_ = headers->Field("X-Mailer");
    }
    return field_.c_str();
}

const wchar_t* LPop::GetFrom(int mail) {
    field_.clear();
    if (const MimeReader* headers = Headers(mail)) {
        field_ = MimeReader::BareAddress(headers->Field("From"));
    }
    return field_.c_str();
}

const wchar_t* LPop::GetSubject(int mail) {
    field_.clear();
    if (const MimeReader* headers = Headers(mail)) {
        field_ = headers->Field("Subject");
    }
    return field_.c_str();
}

const wchar_t* LPop::GetDate(int mail) {
    field_.clear();
    if (const MimeReader* headers = Headers(mail)) {
        field_ = headers->Field("Date");
    }
    return field_.c_str();
}

const MimeReader* LPop::Headers(int mail) {
    if (!session_ || mail < 0 || mail >= session_->count) {
        error_ = L"no mail number " + std::to_wstring(mail);
        return nullptr;
    }
    auto& cached = session_->headers[mail];
    if (cached) {
        return cached.get();
    }
    Session& s = *session_;
    std::string block;
    bool tooLarge = false;
    if (!s.Command("TOP " + std::to_string(mail + 1) + " 0") ||
        !s.ReadBlock(block, kMaxMailBytes, tooLarge)) {
        error_ = L"POP3 TOP: " + (tooLarge ? std::wstring(L"header too large") : s.Why());
        return nullptr;
    }
    cached = std::make_unique<MimeReader>(std::move(block));
    return cached.get();
}

bool LPop::GetMailAttachment(int mail, int attachment, const wchar_t* path) {
    error_.clear();
    if (!session_ || mail < 0 || mail >= session_->count) {
        error_ = L"no mail number " + std::to_wstring(mail);
        return false;
    }
    if (!path || !*path) {
        error_ = L"no target file";
        return false;
    }
    Session& s = *session_;
    if (s.sizes[mail] > kMaxMailBytes) {
        error_ = L"the mail is too large to fetch (" + std::to_wstring(s.sizes[mail]) + L" bytes)";
        return false;
    }
    std::string message;
    bool tooLarge = false;
    if (!s.Command("RETR " + std::to_string(mail + 1)) || !s.ReadBlock(message, kMaxMailBytes, tooLarge)) {
        error_ = L"POP3 RETR: " + (tooLarge ? std::wstring(L"the mail is too large") : s.Why());
        if (tooLarge) {
            s.stream.Close(); // the rest of the answer would be read as replies
        }
        return false;
    }
    MimeReader reader(std::move(message));
    MimeReader::Attachment found;
    if (!reader.GetAttachment(attachment, found)) {
        error_ = L"the mail has no attachment number " + std::to_wstring(attachment);
        return false;
    }
    // Written beside the target and moved into place whole, so a failure leaves no partial file.
    const std::wstring target = path;
    const std::wstring temp = target + kTempSuffix;
    WriteFileHandle file(temp);
    if (!file.Ok()) {
        error_ = L"cannot create " + temp + L" (" + std::to_wstring(GetLastError()) + L")";
        return false;
    }
    const bool written = file.Write(found.data);
    const bool closed = file.Close();
    if (!written || !closed ||
        !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error_ = L"cannot write " + target + L" (" + std::to_wstring(GetLastError()) + L")";
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}
