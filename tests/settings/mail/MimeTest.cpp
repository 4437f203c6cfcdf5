// The mail's text codings and MIME tree, without a server: what is written reads back, foreign
// forms decode, and damaged mails never crash the reader nor yield a partial attachment.
#include "settings/mail/MailCodec.h"
#include "settings/mail/MimeReader.h"
#include "settings/mail/MimeWriter.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string AllByteValues(size_t repeat, size_t tail) {
    std::string bytes;
    for (size_t r = 0; r < repeat; ++r) {
        for (int b = 0; b < 256; ++b) {
            bytes += static_cast<char>(b);
        }
    }
    bytes.append(tail, '\x7F');
    return bytes;
}

std::string BuildMail(const std::string& attachment, const std::wstring& name) {
    MimeWriter writer("=_test_boundary");
    MimeWriter::Header header;
    header.from = L"alice@velin.test";
    header.to = {L"alice@velin.test", L"bob@velin.test"};
    header.subject = L"邮箱备份 backup";
    header.mailer = L"kivpad";
    header.date = MimeWriter::FormatDate(0);
    header.messageId = "1@velin.test";
    return writer.HeaderBlock(header) + writer.TextPart(L".line starting with a dot") +
           writer.AttachmentHead(L"kivpad/backupdata", name) + MailCodec::Base64Lines(attachment) +
           writer.Closing();
}

} // namespace

TEST(MimeCoding, HeaderTextsUseUtf8EncodedWordsAndReadForeignForms) {
    EXPECT_EQ(MailCodec::EncodeHeaderText(L"邮箱备份"), "=?UTF-8?B?6YKu566x5aSH5Lu9?=");
    EXPECT_EQ(MailCodec::EncodeHeaderText(L"kivpad"), "kivpad");
    EXPECT_EQ(MailCodec::EncodeExtendedValue(L"便签备份.zip"),
              "UTF-8''%E4%BE%BF%E7%AD%BE%E5%A4%87%E4%BB%BD.zip");
    EXPECT_EQ(MailCodec::DecodeHeaderText("=?utf-8?b?6YKu566x5aSH5Lu9?= =?UTF-8?Q?_ok?="), L"邮箱备份 ok");
    EXPECT_EQ(MailCodec::DecodeHeaderText("=?ISO-8859-1?Q?Andr=E9?= Smith"), L"André Smith");
    EXPECT_EQ(MailCodec::DecodeHeaderText("=?UTF-8?B?not base64!?="), L"=?UTF-8?B?not base64!?=");
    // A long subject folds into several words, each decoding on its own.
    const std::wstring longSubject(100, L'备');
    const std::string encoded = MailCodec::EncodeHeaderText(longSubject);
    EXPECT_NE(encoded.find("\r\n "), std::string::npos);
    for (size_t start = 0, end; start < encoded.size(); start = end + 3) {
        end = std::min(encoded.find("\r\n ", start), encoded.size());
        EXPECT_LE(end - start, 75u);
    }
    EXPECT_EQ(MimeReader("Subject: " + encoded + "\r\n\r\n").Field("subject"), longSubject);
}

TEST(MimeCoding, AttachmentOfEveryByteValueReadsBackWithItsChineseName) {
    const std::string bytes = AllByteValues(3, 2);
    const std::string mail = BuildMail(bytes, L"便签备份.zip");
    // Base64 lines of 76 characters and no line longer than the SMTP limit.
    EXPECT_NE(mail.find("\r\n" + MailCodec::Base64Encode(bytes.substr(0, 57)) + "\r\n"), std::string::npos);
    size_t lineStart = 0;
    for (size_t nl; (nl = mail.find("\r\n", lineStart)) != std::string::npos; lineStart = nl + 2) {
        EXPECT_LE(nl - lineStart, 76u);
    }

    MimeReader reader(mail);
    EXPECT_EQ(reader.Field("X-Mailer"), L"kivpad");
    EXPECT_EQ(reader.Field("subject"), L"邮箱备份 backup");
    EXPECT_EQ(reader.Field("Date"), L"Thu, 01 Jan 1970 00:00:00 +0000");
    EXPECT_EQ(MimeReader::BareAddress(L"\"Alice\" <alice@velin.test>"), L"alice@velin.test");
    MimeReader::Attachment attachment;
    ASSERT_TRUE(reader.GetAttachment(0, attachment));
    EXPECT_EQ(attachment.name, L"便签备份.zip");
    EXPECT_EQ(attachment.data, bytes);
    EXPECT_FALSE(reader.GetAttachment(1, attachment));

    // Other mailers: RFC 2231 continuations, quoted-printable, LF line ends.
    const std::string foreign =
        "Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/plain\n\nhi\n"
        "--b\nContent-Disposition: attachment; filename*0*=UTF-8''%E4%BE%BF;\n"
        " filename*1*=%E7%AD%BE.zip\nContent-Transfer-Encoding: quoted-printable\n\n"
        "a=3Db=\nc\n--b--\n";
    ASSERT_TRUE(MimeReader(foreign).GetAttachment(0, attachment));
    EXPECT_EQ(attachment.name, L"便签.zip");
    EXPECT_EQ(attachment.data, "a=bc");
}

TEST(MimeCoding, DamagedMailsNeverCrashNorYieldPartialAttachments) {
    const std::string bytes = AllByteValues(2, 1);
    const std::string mail = BuildMail(bytes, L"a.zip");
    MimeReader::Attachment attachment;
    // Every truncation: either no attachment or the whole of it.
    for (size_t cut = 0; cut < mail.size(); ++cut) {
        MimeReader reader(mail.substr(0, cut));
        reader.Field("Subject");
        if (reader.GetAttachment(0, attachment)) {
            ASSERT_EQ(attachment.data, bytes) << "cut at " << cut;
        }
    }
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> byte(0, 255);
    const char alphabet[] = "=?\"';*%-\r\n: \tBQbq";
    for (int round = 0; round < 2000; ++round) {
        std::string damaged = mail;
        const int edits = 1 + round % 16;
        for (int e = 0; e < edits; ++e) {
            const size_t at = random() % damaged.size();
            damaged[at] =
                (round % 2) ? static_cast<char>(byte(random)) : alphabet[random() % (sizeof alphabet - 1)];
        }
        MimeReader reader(damaged);
        reader.Field("Subject");
        reader.Field("X-Mailer");
        reader.GetAttachment(0, attachment);
        std::string noise(static_cast<size_t>(random() % 600), '\0');
        for (char& c : noise) {
            c = (round % 3) ? alphabet[random() % (sizeof alphabet - 1)] : static_cast<char>(byte(random));
        }
        MimeReader garbage(noise);
        garbage.Field("Subject");
        garbage.GetAttachment(0, attachment);
        MailCodec::DecodeHeaderText(noise);
        MailCodec::DecodeExtendedValue(noise);
        MailCodec::FromUtf8(noise);
    }
    // Multipart nesting beyond any sense ends without exhausting the stack.
    std::string nested;
    for (int i = 0; i < 5000; ++i) {
        nested += "Content-Type: multipart/mixed; boundary=x\r\n\r\n--x\r\n";
    }
    EXPECT_FALSE(MimeReader(nested).GetAttachment(0, attachment));
}
