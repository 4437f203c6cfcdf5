#pragma once
// Reads a mail as it comes from the server: header fields (unfolded, encoded-words decoded) and the
// attachments of its MIME tree. Survives any input; what it cannot make sense of is simply absent.
// Platform-free.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class MimeReader {
public:
    // Multipart parts nest no deeper than this; deeper parts are ignored.
    static constexpr int kMaxDepth = 16;

    struct Attachment {
        std::wstring name;
        std::string data;
    };

    // Takes the whole mail, or only its header block.
    explicit MimeReader(std::string message);

    // The first field of that name (case-insensitive), decoded; empty when missing.
    std::wstring Field(std::string_view name) const;
    // Attachment number index (0 first) in the order of the mail; false when there is none or its
    // body does not decode.
    bool GetAttachment(int index, Attachment& attachment) const;

    // "Name <a@b>" -> "a@b"; a bare address stays as it is.
    static std::wstring BareAddress(std::wstring_view mailbox);

private:
    using Fields = std::vector<std::pair<std::string, std::string>>; // lower-case name, raw value
    struct Part {
        std::string_view headers, body;
    };

    static Part Split(std::string_view entity);
    static Fields ParseFields(std::string_view headers);
    static std::string RawField(const Fields& fields, std::string_view name);
    void CollectLeaves(std::string_view entity, int depth, std::vector<Part>& leaves) const;

    std::string message_;
    Fields fields_;
};
