#include "richtext/CRtfReader.h"

#include "store/xml/Encoding.h"
#include "store/xml/FileBytes.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <unordered_map>

namespace {

enum Kind : uint8_t { kChar, kDest, kProp, kSpecial, kColor, kOwn };

enum Special : int { kSpecialBin, kSpecialHex, kSpecialSkipDest };

enum Own : int {
    kOwnBold,
    kOwnItalic,
    kOwnUnderline,
    kOwnStrike,
    kOwnUnderlineNone,
    kOwnUnicode,
    kOwnFont,
    kOwnColor,
    kOwnHighlight,
    kOwnSize,
    kOwnSpacing,
    kOwnSpacingMultiple,
    kOwnPictureSize,
    kOwnGoalWidth,
    kOwnGoalHeight,
    kOwnNaturalWidth,
    kOwnNaturalHeight,
    kOwnPixelFormat,
    kOwnMetafile,
    kOwnPng,
    kOwnGif,
    kOwnRowIcon,
    kOwnParagraph,
};

// Standard property slots (values kept per group, read by nobody).
enum Prop : int {
    kPropLeftIndent,
    kPropRightIndent,
    kPropFirstIndent,
    kPropColumns,
    kPropBreak,
    kPropPageNumberX,
    kPropPageNumberY,
    kPropPageNumberFormat,
    kPropJustify,
    kPropPaperWidth,
    kPropPaperHeight,
    kPropMarginLeft,
    kPropMarginRight,
    kPropMarginTop,
    kPropMarginBottom,
    kPropPageStart,
    kPropFacing,
    kPropLandscape,
};

enum Dest : int { kDestSkipWord = 1, kDestFontWord = 2, kDestPictWord = 3, kDestTokenWord = 4 };

struct ControlWord {
    const char* keyword;
    int default_param;
    bool use_default; // the parameter is replaced by the default
    Kind kind;
    int index;
};

// The reader's vocabulary: 102 entries.
const ControlWord kWords[] = {
    {"b", 1, false, kOwn, kOwnBold},
    {"ul", 1, false, kOwn, kOwnUnderline},
    {"i", 1, false, kOwn, kOwnItalic},
    {"li", 0, false, kProp, kPropLeftIndent},
    {"ri", 0, false, kProp, kPropRightIndent},
    {"fi", 0, false, kProp, kPropFirstIndent},
    {"cols", 1, false, kProp, kPropColumns},
    {"sbknone", 0, true, kProp, kPropBreak},
    {"sbkcol", 1, true, kProp, kPropBreak},
    {"sbkeven", 2, true, kProp, kPropBreak},
    {"sbkodd", 3, true, kProp, kPropBreak},
    {"sbkpage", 4, true, kProp, kPropBreak},
    {"pgnx", 0, false, kProp, kPropPageNumberX},
    {"pgny", 0, false, kProp, kPropPageNumberY},
    {"pgndec", 0, true, kProp, kPropPageNumberFormat},
    {"pgnucrm", 1, true, kProp, kPropPageNumberFormat},
    {"pgnlcrm", 2, true, kProp, kPropPageNumberFormat},
    {"pgnucltr", 3, true, kProp, kPropPageNumberFormat},
    {"pgnlcltr", 4, true, kProp, kPropPageNumberFormat},
    {"qc", 1, true, kProp, kPropJustify},
    {"ql", 0, true, kProp, kPropJustify},
    {"qr", 2, true, kProp, kPropJustify},
    {"qj", 3, true, kProp, kPropJustify},
    {"paperw", 12240, false, kProp, kPropPaperWidth},
    {"paperh", 15480, false, kProp, kPropPaperHeight},
    {"margl", 1800, false, kProp, kPropMarginLeft},
    {"margr", 1800, false, kProp, kPropMarginRight},
    {"margt", 1440, false, kProp, kPropMarginTop},
    {"margb", 1440, false, kProp, kPropMarginBottom},
    {"pgnstart", 1, true, kProp, kPropPageStart},
    {"facingp", 1, true, kProp, kPropFacing},
    {"landscape", 1, true, kProp, kPropLandscape},
    {"red", 0, false, kColor, 0},
    {"green", 0, false, kColor, 1},
    {"blue", 0, false, kColor, 2},
    {"par", 0, false, kOwn, kOwnParagraph},
    {"", 0, false, kChar, 0},
    {"", 0, false, kChar, 0},
    {"tab", 0, false, kChar, '\t'},
    {"ldblquote", 0, false, kChar, '"'},
    {"rdblquote", 0, false, kChar, '"'},
    {"bin", 0, false, kSpecial, kSpecialBin},
    {"*", 0, false, kSpecial, kSpecialSkipDest},
    {"'", 0, false, kSpecial, kSpecialHex},
    {"author", 0, false, kDest, kDestSkipWord},
    {"buptim", 0, false, kDest, kDestSkipWord},
    {"colortbl", 0, false, kDest, kDestSkipWord},
    {"comment", 0, false, kDest, kDestSkipWord},
    {"creatim", 0, false, kDest, kDestSkipWord},
    {"doccomm", 0, false, kDest, kDestSkipWord},
    {"fonttbl", 0, false, kDest, kDestFontWord},
    {"footer", 0, false, kDest, kDestSkipWord},
    {"footerf", 0, false, kDest, kDestSkipWord},
    {"footerl", 0, false, kDest, kDestSkipWord},
    {"footerr", 0, false, kDest, kDestSkipWord},
    {"footnote", 0, false, kDest, kDestSkipWord},
    {"ftncn", 0, false, kDest, kDestSkipWord},
    {"ftnsep", 0, false, kDest, kDestSkipWord},
    {"ftnsepc", 0, false, kDest, kDestSkipWord},
    {"header", 0, false, kDest, kDestSkipWord},
    {"headerf", 0, false, kDest, kDestSkipWord},
    {"headerl", 0, false, kDest, kDestSkipWord},
    {"headerr", 0, false, kDest, kDestSkipWord},
    {"info", 0, false, kDest, kDestSkipWord},
    {"keywords", 0, false, kDest, kDestSkipWord},
    {"operator", 0, false, kDest, kDestSkipWord},
    {"pict", 0, false, kDest, kDestPictWord},
    {"printim", 0, false, kDest, kDestSkipWord},
    {"private1", 0, false, kDest, kDestSkipWord},
    {"revtim", 0, false, kDest, kDestSkipWord},
    {"rxe", 0, false, kDest, kDestSkipWord},
    {"stylesheet", 0, false, kDest, kDestSkipWord},
    {"subject", 0, false, kDest, kDestSkipWord},
    {"tc", 0, false, kDest, kDestSkipWord},
    {"title", 0, false, kDest, kDestSkipWord},
    {"txe", 0, false, kDest, kDestSkipWord},
    {"xe", 0, false, kDest, kDestSkipWord},
    {"{", 0, false, kChar, '{'},
    {"}", 0, false, kChar, '}'},
    {"\\", 0, false, kChar, '\\'},
    {"f", 0, false, kOwn, kOwnFont},
    {"cf", 0, false, kOwn, kOwnColor},
    {"highlight", 0, false, kOwn, kOwnHighlight},
    {"fs", 0, false, kOwn, kOwnSize},
    {"ulnone", 0, false, kOwn, kOwnUnderlineNone},
    {"strike", 1, false, kOwn, kOwnStrike},
    {"u", 0, false, kOwn, kOwnUnicode},
    {"sl", 0, false, kOwn, kOwnSpacing},
    {"slmult", 0, false, kOwn, kOwnSpacingMultiple},
    {"picw", 0, false, kOwn, kOwnPictureSize},
    {"pich", 0, false, kOwn, kOwnPictureSize},
    {"picwgoal", 0, false, kOwn, kOwnGoalWidth},
    {"pichgoal", 0, false, kOwn, kOwnGoalHeight},
    {"initcx", 0, false, kOwn, kOwnNaturalWidth},
    {"initcy", 0, false, kOwn, kOwnNaturalHeight},
    {"pixelformat", 0, false, kOwn, kOwnPixelFormat},
    {"wmetafile", 8, true, kOwn, kOwnMetafile},
    {"pngblip", 0, false, kOwn, kOwnPng},
    {"gifblip", 0, false, kOwn, kOwnGif},
    {"rowpic", 0, false, kOwn, kOwnRowIcon},
    {"rowpic", 0, false, kOwn, kOwnRowIcon},
    {"eecnpts", 0, false, kDest, kDestTokenWord},
};
static_assert(std::size(kWords) == 102);

// Exact keyword to its first entry; the empty keywords can never be read, so they never match.
const ControlWord* FindWord(std::string_view word) {
    static const std::unordered_map<std::string_view, const ControlWord*> index = [] {
        std::unordered_map<std::string_view, const ControlWord*> m;
        for (const ControlWord& w : kWords)
            m.emplace(w.keyword, &w);
        return m;
    }();
    if (word.empty())
        return nullptr;
    auto it = index.find(word);
    return it == index.end() ? nullptr : it->second;
}

// Largest picture side accepted from a file; the data file must hold width x height x 4 bytes.
constexpr int kMaxPictureSide = 32767;
// "sl" beyond this many twips (20 lines) is taken as this.
constexpr int kMaxLineSpacing = kRtfSingleSpacing * 20;
constexpr int kMaxFontHalfPoints = 2 * 1638;

int HexDigit(unsigned char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

int Clamp(int v, int lo, int hi) {
    return std::min(std::max(v, lo), hi);
}

// Code page of an RTF character set ("\fcharsetN"); 0 when the document's code page applies.
unsigned CharsetCodePage(int charset) {
    switch (charset) {
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    default:
        return 0;
    }
}

std::wstring Decode(unsigned code_page, std::string_view bytes) {
    if (bytes.empty())
        return {};
    std::wstring wide;
    if (code_page)
        wide = CodePageToWide(code_page, bytes);
    if (wide.empty())
        wide = CodePageToWide(0, bytes); // an unknown code page: the system's
    return wide;
}

} // namespace

int CRtfReader::Read(const std::wstring& path) {
    std::string bytes;
    if (!ReadFileBytes(path, bytes))
        return kRtfOpenFailed;
    return ReadBytes(bytes);
}

int CRtfReader::ReadBytes(std::string_view bytes) {
    input_ = bytes;
    pos_ = 0;
    const int code = Parse();
    input_ = {};
    return code;
}

int CRtfReader::FontIndex(int number) const {
    if (fonts_.empty() || number < 0)
        return -1;
    auto it = font_by_number_.find(number);
    if (it != font_by_number_.end())
        return it->second;
    return std::min(static_cast<int>(fonts_.size()) - 1, number);
}

std::vector<RtfColor> CRtfReader::Colors() const {
    std::vector<RtfColor> all;
    all.reserve(colors_.size() + 1);
    all.push_back({});
    all.insert(all.end(), colors_.begin(), colors_.end());
    return all;
}

int CRtfReader::Parse() {
    while (pos_ < input_.size()) {
        if (depth_ < 0)
            return kRtfStackUnderflow;
        const unsigned char ch = static_cast<unsigned char>(input_[pos_++]);
        int code = kRtfOk;
        if (input_state_ == kInputBinary) {
            code = OnChar(ch);
        } else if (ch == '\r' || ch == '\n') {
            continue;
        } else if (ch == '\\') {
            code = ReadControlWord();
        } else if (ch == '{') {
            code = PushGroup();
        } else if (ch == '}') {
            code = PopGroup();
        } else if (input_state_ == kInputNormal) {
            code = OnChar(ch);
        } else if (input_state_ == kInputHex) {
            const int digit = HexDigit(ch);
            if (digit < 0)
                return kRtfInvalidHex;
            hex_value_ = hex_value_ * 16 + digit;
            if (++hex_digits_ == 2) {
                input_state_ = kInputNormal;
                code = OnChar(static_cast<unsigned char>(hex_value_));
            }
        } else {
            return kRtfInvalidState;
        }
        if (code != kRtfOk)
            return code;
    }
    if (depth_ < 0)
        return kRtfStackUnderflow;
    if (depth_ > 0)
        return kRtfEndOfFile;
    EmitText(); // a lead byte whose trail byte never came
    CloseParagraph();
    // The last paragraph has its value like every other (the only one: a single line).
    if (!paragraph_has_spacing_)
        spacings_.push_back(spacing_);
    return kRtfOk;
}

int CRtfReader::PushGroup() {
    if (depth_ >= kMaxDepth)
        return kRtfStackOverflow;
    stack_.push_back({props_, destination_, input_state_, unicode_skip_, SaveRunAttributes()});
    input_state_ = kInputNormal;
    ++depth_;
    return kRtfOk;
}

int CRtfReader::PopGroup() {
    if (stack_.empty())
        return kRtfStackUnderflow;
    if (destination_ == kDestNormal)
        EmitText();
    lead_pending_ = false;
    skip_pending_ = 0;
    const GroupState& saved = stack_.back();
    props_ = saved.props;
    destination_ = saved.destination;
    input_state_ = saved.input;
    unicode_skip_ = saved.unicode_skip;
    const RunAttributes outer = saved.run;
    stack_.pop_back();
    --depth_;

    const bool closes_destination = depth_ <= dest_depth_;
    if (dest_name_ == "fonttbl") {
        FinishFontName();
    } else if (dest_name_ == "pict" && closes_destination) {
        current_.wide.clear();
        if (!row_icon_) {
            runs_.push_back(current_);
        } else {
            pending_icon_ = current_;
            icon_pending_ = true;
            row_icon_ = false;
        }
        current_.text.clear();
        current_.blip.clear();
    }
    if (closes_destination) {
        dest_name_.clear();
        dest_depth_ = -1;
    }
    font_acc_.clear();
    font_wide_acc_.clear();
    // After the picture run: a picture takes the formatting in force inside its group.
    RestoreRunAttributes(outer);
    return kRtfOk;
}

CRtfReader::RunAttributes CRtfReader::SaveRunAttributes() const {
    return {current_.font, current_.color,  current_.highlight, current_.size,
            current_.bold, current_.italic, current_.underline, current_.strike};
}

void CRtfReader::RestoreRunAttributes(const RunAttributes& saved) {
    current_.font = saved.font;
    current_.color = saved.color;
    current_.highlight = saved.highlight;
    current_.size = saved.size;
    current_.bold = saved.bold;
    current_.italic = saved.italic;
    current_.underline = saved.underline;
    current_.strike = saved.strike;
}

int CRtfReader::ReadControlWord() {
    if (pos_ >= input_.size())
        return kRtfEndInWord;
    unsigned char ch = static_cast<unsigned char>(input_[pos_++]);
    std::string word;
    if (!IsLetter(ch)) {
        word.assign(1, static_cast<char>(ch));
        return Dispatch(word, false, 0);
    }
    while (IsLetter(ch)) {
        if (static_cast<int>(word.size()) >= kMaxKeyword)
            return kRtfBadTable;
        word.push_back(static_cast<char>(ch));
        if (pos_ >= input_.size())
            return kRtfEndInWord;
        ch = static_cast<unsigned char>(input_[pos_++]);
    }
    bool negative = false;
    if (ch == '-' && pos_ < input_.size() && IsDigit(static_cast<unsigned char>(input_[pos_]))) {
        negative = true;
        ch = static_cast<unsigned char>(input_[pos_++]);
    }
    bool has_param = false;
    int64_t value = 0;
    int digits = 0;
    while (IsDigit(ch)) {
        if (++digits > kMaxParamDigits)
            return kRtfBadTable;
        value = value * 10 + (ch - '0');
        has_param = true;
        if (pos_ >= input_.size())
            return kRtfEndInWord;
        ch = static_cast<unsigned char>(input_[pos_++]);
    }
    if (ch != ' ')
        --pos_; // not the delimiter: read it again
    if (negative)
        value = -value;
    const int param = static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
    return Dispatch(word, has_param, has_param ? param : -1);
}

int CRtfReader::Dispatch(const std::string& word, bool has_param, int param) {
    // Words beyond the table that keep text from other programs readable: the header's code page,
    // the font's character set, and the fallback count after "\uN".
    if (word == "ansicpg") {
        if (has_param && param > 0 && param < 65536)
            code_page_ = static_cast<unsigned>(param);
        return kRtfOk;
    }
    if (word == "fcharset") {
        if (destination_ == kDestFontTable && has_param)
            font_charset_ = param;
        return kRtfOk;
    }
    if (word == "uc") {
        unicode_skip_ = has_param ? Clamp(param, 0, 16) : 1;
        return kRtfOk;
    }

    if (destination_ != kDestSkip) {
        if (word == "fonttbl" || word == "colortbl" || word == "pict") {
            dest_name_ = word;
            dest_depth_ = depth_ - 1;
            if (word == "pict")
                current_.text.clear();
        }
    }

    const ControlWord* found = FindWord(word);
    const bool skip_unknown = skip_unknown_;
    skip_unknown_ = false;
    if (!found) {
        if (skip_unknown)
            destination_ = kDestSkip;
        return kRtfOk;
    }
    if (found->use_default)
        param = found->default_param;

    switch (found->kind) {
    case kChar:
        return OnChar(static_cast<unsigned char>(found->index));
    case kDest:
        if (destination_ == kDestSkip)
            return kRtfOk;
        switch (found->index) {
        case kDestSkipWord:
            destination_ = kDestSkip;
            break;
        case kDestFontWord:
            destination_ = kDestFontTable;
            break;
        case kDestPictWord:
            destination_ = kDestPicture;
            break;
        case kDestTokenWord:
            destination_ = kDestToken;
            break;
        default:
            return kRtfBadTable;
        }
        return kRtfOk;
    case kProp:
        if (destination_ == kDestSkip)
            return kRtfOk;
        if (found->index < 0 || found->index >= static_cast<int>(std::size(props_.values)))
            return kRtfBadTable;
        props_.values[found->index] = has_param || found->use_default ? param : found->default_param;
        return kRtfOk;
    case kSpecial:
        switch (found->index) {
        case kSpecialBin:
            if (has_param && param > 0) {
                binary_count_ = param;
                input_state_ = kInputBinary;
            }
            return kRtfOk;
        case kSpecialHex:
            if (destination_ == kDestSkip)
                return kRtfOk;
            input_state_ = kInputHex;
            hex_value_ = 0;
            hex_digits_ = 0;
            return kRtfOk;
        case kSpecialSkipDest:
            if (destination_ != kDestSkip)
                skip_unknown_ = true;
            return kRtfOk;
        default:
            return kRtfBadTable;
        }
    case kColor: {
        const int component = has_param ? Clamp(param, 0, 255) : 0;
        if (found->index == 0) {
            red_ = component;
        } else if (found->index == 1) {
            green_ = component;
        } else {
            blue_ = component;
            colors_.push_back(
                {static_cast<uint8_t>(red_), static_cast<uint8_t>(green_), static_cast<uint8_t>(blue_)});
        }
        return kRtfOk;
    }
    case kOwn:
        break;
    default:
        return kRtfBadTable;
    }

    const int value = std::max(param, 0); // nothing derived from a parameter goes negative
    switch (found->index) {
    case kOwnBold:
        current_.bold = !has_param || param != 0;
        break;
    case kOwnItalic:
        current_.italic = !has_param || param != 0;
        break;
    case kOwnUnderline:
        current_.underline = !has_param || param != 0;
        break;
    case kOwnStrike:
        current_.strike = !has_param || param != 0;
        break;
    case kOwnUnderlineNone:
        current_.underline = false;
        break;
    case kOwnUnicode:
        if (has_param)
            return OnUnicode(param);
        break;
    case kOwnFont:
        if (destination_ == kDestFontTable) {
            font_number_ = value;
            font_charset_ = -1;
            font_open_ = true;
        } else if (has_param && param >= 0) {
            current_.font = param;
        }
        break;
    case kOwnColor:
        if (has_param && param >= 0)
            current_.color = param;
        break;
    case kOwnHighlight:
        if (has_param && param >= 0)
            current_.highlight = param;
        break;
    case kOwnSize:
        current_.size = std::min(value, kMaxFontHalfPoints);
        break;
    case kOwnSpacing:
        // A negative "sl" from other programs means "exactly": its size is what counts here.
        spacing_ = has_param ? std::min(param == INT_MIN ? INT_MAX : std::abs(param), kMaxLineSpacing)
                             : kRtfSingleSpacing;
        // One value per paragraph, or the values and the rows they belong to would drift apart.
        if (paragraph_has_spacing_ && !spacings_.empty())
            spacings_.back() = spacing_;
        else
            spacings_.push_back(spacing_);
        paragraph_has_spacing_ = true;
        break;
    case kOwnSpacingMultiple:
        break;
    case kOwnPictureSize:
        break;
    case kOwnGoalWidth:
        current_.goal_width = value;
        break;
    case kOwnGoalHeight:
        current_.goal_height = value;
        break;
    case kOwnNaturalWidth:
        current_.natural_width = std::min(value, kMaxPictureSide);
        break;
    case kOwnNaturalHeight:
        current_.natural_height = std::min(value, kMaxPictureSide);
        break;
    case kOwnPixelFormat:
        current_.pixel_format = value;
        break;
    case kOwnMetafile:
        current_.blip = "wmetafile8";
        break;
    case kOwnPng:
        current_.blip = "pngblip";
        break;
    case kOwnGif:
        current_.blip = "gifblip";
        break;
    case kOwnRowIcon:
        row_icon_ = true;
        break;
    case kOwnParagraph:
        // A paragraph mark inside a skipped group (headers, footnotes) is not the document's.
        if (destination_ == kDestNormal)
            EndParagraph();
        break;
    default:
        return kRtfBadTable;
    }
    return kRtfOk;
}

int CRtfReader::OnChar(unsigned char ch) {
    if (input_state_ == kInputBinary) {
        if (--binary_count_ <= 0)
            input_state_ = kInputNormal;
        if (destination_ == kDestPicture) {
            // Binary picture data joins the hex text as hex.
            static const char kHex[] = "0123456789abcdef";
            current_.text.push_back(kHex[ch >> 4]);
            current_.text.push_back(kHex[ch & 15]);
            return kRtfOk;
        }
    }
    if (skip_pending_ > 0 && destination_ != kDestPicture && destination_ != kDestSkip) {
        --skip_pending_; // a fallback character after "\uN"
        return kRtfOk;
    }
    switch (destination_) {
    case kDestNormal:
        if (depth_ <= 0)
            return kRtfOk; // outside all groups
        text_acc_.push_back(static_cast<char>(ch));
        // Only a lead byte waits for a partner: "€" (0x80 in 936) and control bytes are escaped like
        // the halves of double-byte characters but stand alone.
        if (!lead_pending_ && IsLeadByte(RunCodePage(current_.font), ch))
            lead_pending_ = true;
        else
            EmitText();
        return kRtfOk;
    case kDestFontTable:
        if (ch == ';') {
            FinishFontName(); // a table without inner groups ends each name with ";"
            return kRtfOk;
        }
        font_open_ = true;
        font_acc_.push_back(static_cast<char>(ch));
        return kRtfOk;
    case kDestPicture:
        current_.text.push_back(static_cast<char>(ch));
        return kRtfOk;
    case kDestToken:
        token_.push_back(static_cast<char>(ch));
        return kRtfOk;
    case kDestSkip:
        return kRtfOk;
    default:
        return kRtfInvalidState;
    }
}

int CRtfReader::OnUnicode(int value) {
    // A UTF-16 unit, negative above 32767 as the standard has it.
    const wchar_t unit = static_cast<wchar_t>(static_cast<uint32_t>(value) & 0xFFFF);
    switch (destination_) {
    case kDestNormal:
        if (depth_ > 0) {
            EmitText();
            EmitRun({}, std::wstring(1, unit));
        }
        break;
    case kDestFontTable:
        font_wide_acc_ += Decode(RunCodePage(-1), font_acc_);
        font_acc_.clear();
        font_wide_acc_.push_back(unit);
        font_open_ = true;
        break;
    default:
        break;
    }
    skip_pending_ = unicode_skip_;
    return kRtfOk;
}

unsigned CRtfReader::RunCodePage(int font_number) const {
    if (font_number >= 0) {
        const int index = FontIndex(font_number);
        if (index >= 0) {
            const unsigned cp = CharsetCodePage(fonts_[static_cast<size_t>(index)].charset);
            if (cp)
                return cp;
        }
    }
    return code_page_;
}

void CRtfReader::EmitText() {
    lead_pending_ = false;
    if (text_acc_.empty())
        return;
    std::wstring wide = Decode(RunCodePage(current_.font), text_acc_);
    EmitRun(std::move(text_acc_), std::move(wide));
    text_acc_.clear();
}

void CRtfReader::EmitRun(std::string bytes, std::wstring wide) {
    RtfRun run = current_;
    run.text = std::move(bytes);
    run.wide = std::move(wide);
    run.blip.clear();
    runs_.push_back(std::move(run));
}

void CRtfReader::EndParagraph() {
    EmitText();
    if (!paragraph_has_spacing_)
        spacings_.push_back(spacing_);
    paragraph_has_spacing_ = false;
    EmitRun("\r", L"\r");
    CloseParagraph();
    ++current_.paragraph;
    row_icon_ = false;
    spacing_ = kRtfSingleSpacing;
}

void CRtfReader::CloseParagraph() {
    RtfParagraph paragraph;
    if (icon_pending_) {
        paragraph.has_icon = true;
        paragraph.icon = std::move(pending_icon_);
        pending_icon_ = {};
        icon_pending_ = false;
    }
    paragraphs_.push_back(std::move(paragraph));
}

void CRtfReader::FinishFontName() {
    if (!font_open_ && font_acc_.empty() && font_wide_acc_.empty())
        return;
    if (!font_acc_.empty() || !font_wide_acc_.empty()) {
        RtfFont font;
        font.number = font_number_;
        font.charset = font_charset_;
        font.name = font_acc_;
        const unsigned cp = CharsetCodePage(font_charset_) ? CharsetCodePage(font_charset_) : code_page_;
        font.wide = font_wide_acc_ + Decode(cp, font_acc_);
        // Names are trimmed: "{\f0\fswiss Tahoma;}" leaves nothing else around them, other writers do.
        while (!font.wide.empty() && font.wide.back() == L' ')
            font.wide.pop_back();
        font_by_number_.emplace(font.number, static_cast<int>(fonts_.size()));
        fonts_.push_back(std::move(font));
        ++font_number_; // the next name without its own "f" takes the next number
    }
    font_acc_.clear();
    font_wide_acc_.clear();
    font_open_ = false;
}
