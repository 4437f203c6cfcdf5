#pragma once
// The output stream of this system's RTF dialect. The bytes are gathered in memory and replace the
// file in one step on Close, so a crash never leaves half a document behind.
//
// Text is written in code page 936, as the header declares, whatever the system's code page:
//   WriteText(L"a{中}\t😀") gives  a\{\'d6\'d0\}\tab \u-10179?\u-8704?
// A character 936 lacks becomes "\uN?" (N the signed UTF-16 unit, "?" the fallback for readers
// that skip it); both bytes of a double-byte character are escaped, as is every control byte.
#include <cstdint>
#include <string>
#include <string_view>

class CRtfWriter {
public:
    static constexpr unsigned kCodePage = 936;

    CRtfWriter() = default;
    ~CRtfWriter() { Close(); }
    CRtfWriter(const CRtfWriter&) = delete;
    CRtfWriter& operator=(const CRtfWriter&) = delete;

    // Names the target file; nothing is written to it before Close.
    void Open(const std::wstring& path) { path_ = path; }
    // Writes the bytes to the file; false when it could not be written (the old file then stays).
    bool Close();

    void OpenGroup();
    void CloseGroup();
    // "par" and "pard" start a new line; the word is written with no delimiter after it.
    void WriteControl(std::string_view word);
    void WriteControl(std::string_view word, int value);
    void WriteText(std::wstring_view text);
    void WriteRaw(std::string_view bytes);
    void WriteHexByte(uint8_t byte);

    int Depth() const { return depth_; }
    int Column() const { return column_; }
    const std::string& Bytes() const { return out_; }
    std::string TakeBytes() { return std::move(out_); }

private:
    void Put(std::string_view bytes);
    void PutEscapedByte(uint8_t byte);

    std::wstring path_;
    std::string out_;
    int depth_ = 0;
    int column_ = 0;
    bool trail_ = false; // the next byte is the second of an escaped pair
};
