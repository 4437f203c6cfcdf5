#pragma once
// Table-driven reader of RTF: this system's own dialect (see CRtfWriter) and the useful subset of
// RTF from other programs. It turns a file into flat lists (font names, colours, one run per
// character or picture, line spacing per paragraph, row icons, the protection token); the loader
// turns those into glyphs. No window code: the reader is fed untrusted bytes and is tested alone.
//
// Groups scope the character formatting: "{\b x}y" gives a plain "y", as in RTF from other programs.
// The writer never sets character formatting inside a group, so its files read the same either way.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum RtfError : int {
    kRtfOk = 0,
    kRtfStackUnderflow = 1, // more "}" than "{"
    kRtfStackOverflow = 2,  // no room for the group stack
    kRtfEndOfFile = 3,      // groups still open at the end
    kRtfInvalidHex = 4,     // not a hex digit after "\'"
    kRtfBadTable = 5,       // a bad table entry, or a keyword or parameter too long
    kRtfInvalidState = 6,
    kRtfEndInWord = 7, // the input ended inside a control word
    kRtfOpenFailed = 8,
};

constexpr int kRtfDefaultPixelFormat = 0x26200A; // PixelFormat32bppARGB
constexpr int kRtfSingleSpacing = 240;           // "sl" of one line, twips

struct RtfRun {
    int paragraph = 0;
    int font = -1;
    int color = -1;
    int highlight = -1;
    int size = 0; // half points
    bool bold = false, italic = false, underline = false, strike = false;
    std::string text;                          // bytes of one character as read, or a picture's hex text
    std::wstring wide;                         // the character(s) of a text run, decoded; empty for pictures
    std::string blip;                          // "pngblip", "gifblip", "wmetafile8"; empty for text
    int goal_width = 0, goal_height = 0;       // twips
    int natural_width = 0, natural_height = 0; // source pixels
    int pixel_format = kRtfDefaultPixelFormat;

    bool IsPicture() const { return !blip.empty(); }
};

struct RtfColor {
    uint8_t red = 0, green = 0, blue = 0;
};

struct RtfFont {
    int number = 0;    // as numbered by "f"
    std::string name;  // bytes as read
    std::wstring wide; // decoded with the font's character set or the document's code page
    int charset = -1;  // "fcharset"; -1 when absent
};

struct RtfParagraph {
    bool has_icon = false;
    RtfRun icon; // a picture run
};

class CRtfReader {
public:
    // Keywords of more letters or parameters of more digits are refused (kRtfBadTable).
    static constexpr int kMaxKeyword = 32;
    static constexpr int kMaxParamDigits = 10;
    static constexpr int kMaxDepth = 4096; // deeper nesting is kRtfStackOverflow

    CRtfReader() = default;
    CRtfReader(const CRtfReader&) = delete;
    CRtfReader& operator=(const CRtfReader&) = delete;

    // Reads the whole file and parses it; answers an RtfError code.
    int Read(const std::wstring& path);
    // The same over bytes in memory (clipboard data).
    int ReadBytes(std::string_view bytes);

    const std::vector<RtfFont>& Fonts() const { return fonts_; }
    // Index into Fonts() for a run's font number: the entry with that number, else the last entry
    // when the number is beyond the table; -1 for no font.
    int FontIndex(int number) const;
    // With one extra first entry (0, 0, 0), the automatic colour, so that "cf" numbers index it.
    std::vector<RtfColor> Colors() const;
    const std::vector<RtfRun>& Runs() const { return runs_; }
    const std::vector<int>& LineSpacings() const { return spacings_; }
    const std::vector<RtfParagraph>& Paragraphs() const { return paragraphs_; }
    const std::string& Token() const { return token_; }
    // "\ansicpgN" of the header; 0 (the system's code page) when absent.
    unsigned CodePage() const { return code_page_; }

private:
    enum Destination : int {
        kDestNormal = 0,
        kDestSkip = 1,
        kDestFontTable = 2,
        kDestPicture = 3,
        kDestToken = 4
    };
    enum InputState : int { kInputNormal = 0, kInputBinary = 1, kInputHex = 2 };

    // Properties of the standard reader: kept and scoped by groups, read by nothing.
    struct StandardProps {
        int values[32] = {};
    };
    // Character formatting a group's end gives back.
    struct RunAttributes {
        int font, color, highlight, size;
        bool bold, italic, underline, strike;
    };
    struct GroupState {
        StandardProps props;
        int destination;
        int input;
        int unicode_skip; // "\ucN"
        RunAttributes run;
    };

    int Parse();
    int PushGroup();
    int PopGroup();
    int ReadControlWord();
    int Dispatch(const std::string& word, bool has_param, int param);
    int OnChar(unsigned char ch);
    int OnUnicode(int value);
    void EmitText();
    void EmitRun(std::string bytes, std::wstring wide);
    void EndParagraph();
    void CloseParagraph();
    void FinishFontName();
    RunAttributes SaveRunAttributes() const;
    void RestoreRunAttributes(const RunAttributes& saved);
    unsigned RunCodePage(int font_number) const;

    std::string_view input_;
    size_t pos_ = 0;

    int depth_ = 0;
    std::vector<GroupState> stack_;
    StandardProps props_;
    int destination_ = kDestNormal;
    int input_state_ = kInputNormal;
    bool skip_unknown_ = false;
    int64_t binary_count_ = 0;
    bool lead_pending_ = false; // text_acc_ ends with a lead byte waiting for its trail byte
    int hex_value_ = 0;
    int hex_digits_ = 0;
    std::string dest_name_;
    int dest_depth_ = -1;
    int unicode_skip_ = 1; // fallback characters after "\uN"
    int skip_pending_ = 0; // fallback characters still to drop

    std::string text_acc_;
    std::string font_acc_;
    std::wstring font_wide_acc_;
    int font_number_ = 0;
    int font_charset_ = -1;
    bool font_open_ = false;

    RtfRun current_;
    int red_ = 0, green_ = 0, blue_ = 0;
    int spacing_ = kRtfSingleSpacing;
    bool paragraph_has_spacing_ = false;
    bool row_icon_ = false;
    bool icon_pending_ = false;
    RtfRun pending_icon_;
    unsigned code_page_ = 0;

    std::vector<RtfRun> runs_;
    std::vector<RtfFont> fonts_;
    std::unordered_map<int, int> font_by_number_; // first entry of each "f" number
    std::vector<RtfColor> colors_;
    std::vector<int> spacings_;
    std::vector<RtfParagraph> paragraphs_;
    std::string token_;
};
