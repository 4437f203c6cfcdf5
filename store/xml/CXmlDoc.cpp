#include "store/xml/CXmlDoc.h"

#include "store/xml/Encoding.h"
#include "store/xml/FileBytes.h"

#include <algorithm>
#include <cwchar>
#include <unordered_map>

namespace {

constexpr size_t kResultLimit = 999;
constexpr size_t kCharsPerElement = 16;
constexpr size_t kSpareElements = 8;
constexpr std::wstring_view kCrLf = L"\r\n";

bool IsSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

bool IsNameChar(wchar_t c) {
    return !IsSpace(c) && c != L'>' && c != L'/' && c != L'=' && c != L'<' && c != L'"' && c != L'\'' &&
           c != L'\0';
}

bool StartsWith(std::wstring_view text, size_t pos, std::wstring_view what) {
    return text.size() >= pos + what.size() && text.compare(pos, what.size(), what) == 0;
}

std::wstring Num(int64_t v) {
    return std::to_wstring(v);
}

const std::unordered_map<std::wstring_view, wchar_t>& NamedEntities() {
    static const std::unordered_map<std::wstring_view, wchar_t> table = {
        {L"lt", L'<'},       {L"gt", L'>'},       {L"amp", L'&'},      {L"quot", L'"'},
        {L"apos", L'\''},    {L"nbsp", 0xA0},     {L"iexcl", 0xA1},    {L"cent", 0xA2},
        {L"pound", 0xA3},    {L"curren", 0xA4},   {L"yen", 0xA5},      {L"brvbar", 0xA6},
        {L"sect", 0xA7},     {L"uml", 0xA8},      {L"copy", 0xA9},     {L"ordf", 0xAA},
        {L"laquo", 0xAB},    {L"not", 0xAC},      {L"shy", 0xAD},      {L"reg", 0xAE},
        {L"macr", 0xAF},     {L"deg", 0xB0},      {L"plusmn", 0xB1},   {L"sup2", 0xB2},
        {L"sup3", 0xB3},     {L"acute", 0xB4},    {L"micro", 0xB5},    {L"para", 0xB6},
        {L"middot", 0xB7},   {L"cedil", 0xB8},    {L"sup1", 0xB9},     {L"ordm", 0xBA},
        {L"raquo", 0xBB},    {L"frac14", 0xBC},   {L"frac12", 0xBD},   {L"frac34", 0xBE},
        {L"iquest", 0xBF},   {L"agrave", 0xE0},   {L"aacute", 0xE1},   {L"acirc", 0xE2},
        {L"atilde", 0xE3},   {L"auml", 0xE4},     {L"aring", 0xE5},    {L"aelig", 0xE6},
        {L"ccedil", 0xE7},   {L"egrave", 0xE8},   {L"eacute", 0xE9},   {L"ecirc", 0xEA},
        {L"euml", 0xEB},     {L"igrave", 0xEC},   {L"iacute", 0xED},   {L"icirc", 0xEE},
        {L"iuml", 0xEF},     {L"eth", 0xF0},      {L"ntilde", 0xF1},   {L"ograve", 0xF2},
        {L"oacute", 0xF3},   {L"ocirc", 0xF4},    {L"otilde", 0xF5},   {L"ouml", 0xF6},
        {L"divide", 0xF7},   {L"oslash", 0xF8},   {L"ugrave", 0xF9},   {L"uacute", 0xFA},
        {L"ucirc", 0xFB},    {L"uuml", 0xFC},     {L"yacute", 0xFD},   {L"thorn", 0xFE},
        {L"yuml", 0xFF},     {L"times", 0xD7},    {L"szlig", 0xDF},    {L"oelig", 0x153},
        {L"scaron", 0x161},  {L"fnof", 0x192},    {L"circ", 0x2C6},    {L"tilde", 0x2DC},
        {L"alpha", 0x3B1},   {L"beta", 0x3B2},    {L"gamma", 0x3B3},   {L"delta", 0x3B4},
        {L"epsilon", 0x3B5}, {L"lambda", 0x3BB},  {L"mu", 0x3BC},      {L"pi", 0x3C0},
        {L"sigma", 0x3C3},   {L"omega", 0x3C9},   {L"ensp", 0x2002},   {L"emsp", 0x2003},
        {L"thinsp", 0x2009}, {L"zwnj", 0x200C},   {L"zwj", 0x200D},    {L"ndash", 0x2013},
        {L"mdash", 0x2014},  {L"lsquo", 0x2018},  {L"rsquo", 0x2019},  {L"sbquo", 0x201A},
        {L"ldquo", 0x201C},  {L"rdquo", 0x201D},  {L"bdquo", 0x201E},  {L"dagger", 0x2020},
        {L"bull", 0x2022},   {L"hellip", 0x2026}, {L"permil", 0x2030}, {L"prime", 0x2032},
        {L"lsaquo", 0x2039}, {L"rsaquo", 0x203A}, {L"euro", 0x20AC},   {L"trade", 0x2122},
        {L"larr", 0x2190},   {L"uarr", 0x2191},   {L"rarr", 0x2192},   {L"darr", 0x2193},
        {L"harr", 0x2194},   {L"infin", 0x221E},  {L"ne", 0x2260},     {L"le", 0x2264},
        {L"ge", 0x2265},     {L"loz", 0x25CA},    {L"spades", 0x2660}, {L"clubs", 0x2663},
        {L"hearts", 0x2665}, {L"diams", 0x2666},
    };
    return table;
}

// ASCII letters match in either case; what must be lower case.
bool ContainsNoCase(std::string_view text, std::string_view what) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (size_t i = 0; i + what.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < what.size() && lower(text[i + k]) == what[k])
            ++k;
        if (k == what.size())
            return true;
    }
    return false;
}

// Appends code point cp as UTF-16.
void AppendCodePoint(std::wstring& out, uint32_t cp) {
    if (cp > 0xFFFF) {
        cp -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (cp >> 10));
        out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<wchar_t>(cp);
    }
}

} // namespace

// ---- escaping ----

namespace {

std::wstring Escape(std::wstring_view text, bool quotes) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        switch (c) {
        case L'&':
            out += L"&amp;";
            break;
        case L'<':
            out += L"&lt;";
            break;
        case L'>':
            out += L"&gt;";
            break;
        case L'"':
            quotes ? out += L"&quot;" : out += c;
            break;
        case L'\'':
            quotes ? out += L"&apos;" : out += c;
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

std::wstring CXmlDoc::EscapeText(std::wstring_view text) {
    return Escape(text, false);
}
std::wstring CXmlDoc::EscapeAttr(std::wstring_view text) {
    return Escape(text, true);
}

std::wstring CXmlDoc::Decode(std::wstring_view text) {
    constexpr size_t kMaxRefName = 9;
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c != L'&') {
            out += c;
            continue;
        }
        size_t semi = text.find(L';', i + 1);
        if (semi == std::wstring_view::npos || semi == i + 1 || semi - i - 1 > kMaxRefName) {
            out += c;
            continue;
        }
        std::wstring_view ref = text.substr(i + 1, semi - i - 1);
        bool ok = false;
        if (ref[0] == L'#') {
            uint32_t cp = 0;
            bool hex = ref.size() > 1 && (ref[1] == L'x' || ref[1] == L'X');
            size_t p = hex ? 2 : 1;
            ok = p < ref.size();
            for (; ok && p < ref.size(); ++p) {
                wchar_t d = ref[p];
                int v = -1;
                if (d >= L'0' && d <= L'9')
                    v = d - L'0';
                else if (hex && d >= L'a' && d <= L'f')
                    v = d - L'a' + 10;
                else if (hex && d >= L'A' && d <= L'F')
                    v = d - L'A' + 10;
                if (v < 0 || cp > 0x10FFFF) {
                    ok = false;
                    break;
                }
                cp = cp * (hex ? 16 : 10) + v;
            }
            ok = ok && cp != 0 && cp <= 0x10FFFF;
            if (ok)
                AppendCodePoint(out, cp);
        } else {
            std::wstring lower = AsciiLower(ref);
            auto it = NamedEntities().find(lower);
            if (it != NamedEntities().end()) {
                out += it->second;
                ok = true;
            }
        }
        if (ok)
            i = semi;
        else
            out += c;
    }
    return out;
}

// ---- result text ----

void CXmlDoc::Note(std::wstring_view word, std::wstring_view attrs) {
    if (result_.size() > kResultLimit)
        return;
    result_ += L'<';
    result_ += word;
    if (!attrs.empty()) {
        result_ += L' ';
        result_ += attrs;
    }
    result_ += L"/>";
}

void CXmlDoc::NoteError(std::wstring_view word, std::wstring_view kind, size_t offset) {
    flags_ |= kNotWellFormed;
    std::wstring attrs;
    if (!kind.empty())
        attrs = L"type=\"" + std::wstring(kind) + L"\" ";
    attrs += L"offset=\"" + Num(static_cast<int64_t>(offset)) + L"\"";
    Note(word, attrs);
}

// ---- element records ----

int CXmlDoc::NewElement() {
    int e;
    if (!free_.empty()) {
        e = free_.back();
        free_.pop_back();
        elems_[e] = Element{};
    } else {
        if (elems_.size() == elems_.capacity())
            elems_.reserve(elems_.size() + elems_.size() / 2 + 8);
        e = static_cast<int>(elems_.size());
        elems_.emplace_back();
    }
    elems_[e].live = true;
    return e;
}

void CXmlDoc::FreeSubtree(int e) {
    for (int c = elems_[e].first_child; c;) {
        int next = elems_[c].next;
        FreeSubtree(c);
        c = next;
    }
    elems_[e].live = false;
    elems_[e].first_child = elems_[e].last_child = 0;
    free_.push_back(e);
}

void CXmlDoc::Link(int e, int parent, int after) {
    Element& el = elems_[e];
    Element& p = elems_[parent];
    el.parent = parent;
    el.level = parent ? p.level + 1 : 1;
    if (after) {
        el.prev = after;
        el.next = elems_[after].next;
        elems_[after].next = e;
        if (el.next)
            elems_[el.next].prev = e;
        else
            p.last_child = e;
    } else { // at the end
        el.prev = p.last_child;
        el.next = 0;
        if (p.last_child)
            elems_[p.last_child].next = e;
        else
            p.first_child = e;
        p.last_child = e;
    }
}

void CXmlDoc::Unlink(int e) {
    Element& el = elems_[e];
    Element& p = elems_[el.parent];
    if (el.prev)
        elems_[el.prev].next = el.next;
    else
        p.first_child = el.next;
    if (el.next)
        elems_[el.next].prev = el.prev;
    else
        p.last_child = el.prev;
    el.prev = el.next = 0;
}

void CXmlDoc::Splice(size_t pos, size_t old_len, std::wstring_view with, int owner) {
    text_.replace(pos, old_len, with);
    const int64_t delta = static_cast<int64_t>(with.size()) - static_cast<int64_t>(old_len);
    if (delta == 0)
        return;
    // Every element starting behind the edit moves; the owner and its ancestors grow or shrink.
    for (size_t i = 1; i < elems_.size(); ++i) {
        Element& el = elems_[i];
        if (el.live && el.start >= pos + old_len && static_cast<int>(i) != owner)
            el.start = static_cast<uint32_t>(el.start + delta);
    }
    for (int a = owner; a; a = elems_[a].parent)
        elems_[a].length = static_cast<uint32_t>(elems_[a].length + delta);
    elems_[0].length = static_cast<uint32_t>(text_.size());
}

std::wstring_view CXmlDoc::NameOf(int e) const {
    if (!e)
        return {};
    const Element& el = elems_[e];
    size_t p = el.start + 1, end = el.start + el.start_tag;
    size_t q = p;
    while (q < end && IsNameChar(text_[q]))
        ++q;
    return std::wstring_view(text_).substr(p, q - p);
}

bool CXmlDoc::NameMatches(int e, std::wstring_view name) const {
    if (name.empty())
        return true;
    // Path expressions: a leading "/" or "//" is accepted and ignored, as is a trailing "[...]".
    while (!name.empty() && name.front() == L'/')
        name.remove_prefix(1);
    if (size_t b = name.find(L'['); b != std::wstring_view::npos)
        name = name.substr(0, b);
    return name.empty() || NameOf(e) == name;
}

bool CXmlDoc::ContentRange(int e, size_t& begin, size_t& end) const {
    const Element& el = elems_[e];
    if (el.end_tag == 0)
        return false;
    begin = el.start + el.start_tag;
    end = el.start + el.length - el.end_tag;
    return true;
}

// ---- parsing ----

void CXmlDoc::Parse() {
    elems_.assign(1, Element{});
    elems_[0].live = true;
    // Growing the index while parsing copied it several times over; room for one element in every
    // kCharsPerElement characters covers the program's files (records run about 25), and pages
    // reserved but never used cost nothing.
    elems_.reserve(text_.size() / kCharsPerElement + kSpareElements);
    free_.clear();
    parent_ = current_ = child_ = 0;
    flags_ &= ~kNotWellFormed;
    root_count_ = 0;
    elems_[0].length = static_cast<uint32_t>(text_.size());

    const std::wstring_view t(text_);
    const size_t n = t.size();
    std::vector<int> open; // stack of open elements
    auto top = [&] { return open.empty() ? 0 : open.back(); };
    size_t i = 0;
    while (i < n) {
        size_t lt = t.find(L'<', i);
        if (lt == std::wstring_view::npos)
            break;
        i = lt;
        const wchar_t kind = i + 1 < n ? t[i + 1] : L'\0';
        if (kind == L'!' && StartsWith(t, i, L"<!--")) {
            size_t end = t.find(L"-->", i + 4);
            if (end == std::wstring_view::npos) {
                NoteError(L"comment_tag_syntax", L"comment", i);
                break;
            }
            i = end + 3;
        } else if (kind == L'!' && StartsWith(t, i, L"<![CDATA[")) {
            size_t end = t.find(L"]]>", i + 9);
            if (end == std::wstring_view::npos) {
                NoteError(L"cdata_section_syntax", L"cdata_section", i);
                break;
            }
            i = end + 3;
        } else if (kind == L'!' && (StartsWith(t, i, L"<!DOCTYPE") || StartsWith(t, i, L"<!doctype"))) {
            // An internal subset in brackets may hold ">" of its own.
            size_t p = i + 9;
            int depth = 0;
            wchar_t quote = 0;
            for (; p < n; ++p) {
                wchar_t c = t[p];
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == L'"' || c == L'\'') {
                    quote = c;
                } else if (c == L'[') {
                    ++depth;
                } else if (c == L']') {
                    --depth;
                } else if (c == L'>' && depth <= 0) {
                    break;
                }
            }
            if (p >= n || depth < 0) {
                NoteError(L"doctype_tag_syntax", L"document_type", i);
                if (p >= n)
                    break;
            }
            i = p + 1;
        } else if (kind == L'!') {
            NoteError(L"exclamation_tag_syntax", L"tag", i);
            i += 2;
        } else if (kind == L'?') {
            size_t end = t.find(L"?>", i + 2);
            if (end == std::wstring_view::npos) {
                NoteError(L"unterminated_tag_syntax", L"processing_instruction", i);
                break;
            }
            i = end + 2;
        } else if (kind == L'/') {
            size_t p = i + 2, q = p;
            while (q < n && IsNameChar(t[q]))
                ++q;
            std::wstring_view name = t.substr(p, q - p);
            while (q < n && IsSpace(t[q]))
                ++q;
            if (q >= n || t[q] != L'>') {
                NoteError(q >= n ? L"unterminated_tag_syntax" : L"first_tag_syntax", L"end_tag", i);
                if (q >= n)
                    break;
                i += 2;
                continue;
            }
            size_t tag_end = q + 1;
            // Close the nearest open element of that name; those opened inside it stay unended.
            auto match = open.rbegin();
            while (match != open.rend() && NameOf(*match) != name)
                ++match;
            if (match == open.rend() || name.empty()) {
                NoteError(L"lone_end_tag", L"end_tag", i);
            } else {
                while (top() != *match) {
                    int e = top();
                    NoteError(L"unended_start_tag", L"start_tag", elems_[e].start);
                    elems_[e].length = static_cast<uint32_t>(i - elems_[e].start);
                    open.pop_back();
                }
                int e = top();
                elems_[e].end_tag = static_cast<uint32_t>(tag_end - i);
                elems_[e].length = static_cast<uint32_t>(tag_end - elems_[e].start);
                open.pop_back();
            }
            i = tag_end;
        } else {
            size_t p = i + 1, q = p;
            while (q < n && IsNameChar(t[q]))
                ++q;
            if (q == p) {
                NoteError(L"first_tag_syntax", L"tag", i);
                i += 1;
                continue;
            }
            // attributes, quotes may hold ">"
            wchar_t quote = 0;
            for (; q < n; ++q) {
                wchar_t c = t[q];
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == L'"' || c == L'\'') {
                    quote = c;
                } else if (c == L'>' || c == L'<') {
                    break;
                }
            }
            if (q >= n || t[q] == L'<') {
                NoteError(L"unterminated_tag_syntax", L"start_tag", i);
                if (q >= n)
                    break;
                i = q;
                continue;
            }
            bool empty = t[q - 1] == L'/';
            int e = NewElement();
            int parent = top();
            elems_[e].start = static_cast<uint32_t>(i);
            elems_[e].start_tag = static_cast<uint32_t>(q + 1 - i);
            elems_[e].length = elems_[e].start_tag;
            Link(e, parent, 0);
            if (!parent && ++root_count_ == 2)
                NoteError(L"root_has_sibling", L"start_tag", i);
            if (!empty)
                open.push_back(e);
            i = q + 1;
        }
    }
    while (!open.empty()) {
        int e = open.back();
        open.pop_back();
        NoteError(L"unended_start_tag", L"start_tag", elems_[e].start);
        elems_[e].length = static_cast<uint32_t>(n - elems_[e].start);
    }
    if (root_count_ == 0)
        NoteError(L"no_root_element", {}, 0);
}

bool CXmlDoc::SetDoc(std::wstring_view text) {
    text_.assign(text);
    result_.clear();
    Parse();
    return IsWellFormed();
}

// ---- files ----

bool CXmlDoc::Load(const std::wstring& path) {
    result_.clear();
    flags_ = 0;
    encoding_.clear();
    std::string bytes;
    bool missing = false;
    const bool read = ReadFileBytes(path, bytes, &missing);
    file_unreadable_ = !read && !missing;
    if (!read) {
        Note(L"file_error", L"msg=\"cannot open\"");
        text_.clear();
        Parse();
        return false;
    }
    size_t skip = 0;
    auto has = [&](std::string_view bom) { return bytes.compare(0, bom.size(), bom) == 0; };
    if (has("\xEF\xBB\xBF")) {
        flags_ |= kBomUtf8, skip = 3, encoding_ = L"UTF-8";
    } else if (has("\xFF\xFE")) {
        flags_ |= kBomUtf16LE, skip = 2, encoding_ = L"UTF-16LE";
    } else if (has("\xFE\xFF")) {
        flags_ |= kBomUtf16BE, skip = 2, encoding_ = L"UTF-16BE";
    }
    if (skip)
        Note(L"bom", L"encoding=\"" + encoding_ + L"\"");

    if (flags_ & (kBomUtf16LE | kBomUtf16BE)) {
        const bool swap = flags_ & kBomUtf16BE;
        if (swap)
            Note(L"endian_swap", {});
        text_.clear();
        text_.reserve((bytes.size() - skip) / 2);
        size_t nulls = 0;
        for (size_t i = skip; i + 1 < bytes.size(); i += 2) {
            auto lo = static_cast<unsigned char>(bytes[i + (swap ? 1 : 0)]);
            auto hi = static_cast<unsigned char>(bytes[i + (swap ? 0 : 1)]);
            wchar_t c = static_cast<wchar_t>(lo | (hi << 8));
            if (c == 0)
                ++nulls;
            else
                text_ += c;
        }
        if (nulls)
            Note(L"nulls_removed", L"count=\"" + Num(static_cast<int64_t>(nulls)) + L"\"");
    } else {
        std::string_view body = std::string_view(bytes).substr(skip);
        constexpr size_t kSample = 1024;
        const std::string_view head = body.substr(0, kSample);
        // Most files declare nothing; those skip decoding the sample.
        if (encoding_.empty() &&
            (head.find("<?xml") != std::string_view::npos || ContainsNoCase(head, "http-equiv"))) {
            std::wstring sample = Utf8ToWide(head);
            // A declared encoding: <?xml encoding="..."?> or an HTML meta charset.
            size_t decl = sample.find(L"<?xml");
            if (decl != std::wstring::npos) {
                size_t end = sample.find(L"?>", decl);
                size_t enc = sample.find(L"encoding", decl);
                if (enc != std::wstring::npos && (end == std::wstring::npos || enc < end)) {
                    size_t q = sample.find_first_of(L"\"'", enc);
                    if (q != std::wstring::npos) {
                        size_t q2 = sample.find(sample[q], q + 1);
                        if (q2 != std::wstring::npos)
                            encoding_ = sample.substr(q + 1, q2 - q - 1);
                    }
                }
            }
            if (encoding_.empty()) {
                std::wstring lower = AsciiLower(sample);
                size_t meta = lower.find(L"http-equiv");
                size_t cs = meta == std::wstring::npos ? meta : lower.find(L"charset=", meta);
                if (cs != std::wstring::npos) {
                    size_t b = cs + 8, e = b;
                    while (e < lower.size() && (iswalnum(lower[e]) || lower[e] == L'-' || lower[e] == L'_'))
                        ++e;
                    encoding_ = sample.substr(b, e - b);
                }
            }
            // Without a declaration the bytes decide: a record saved in the ANSI code page by an
            // older program is not UTF-8, and reading it as such would lose every such character.
            if (!encoding_.empty())
                Note(L"encoding", L"encoding=\"" + EscapeAttr(encoding_) + L"\"");
        }
        // Undeclared bytes are decoded as UTF-8 once, which also tells whether they are UTF-8.
        bool decoded = false;
        if (encoding_.empty()) {
            decoded = DecodeUtf8(body, text_);
            encoding_ = decoded ? L"UTF-8" : L"ANSI";
            Note(L"utf8_detection", L"encoding=\"" + encoding_ + L"\"");
        }
        unsigned cp = CodePageOfName(encoding_);
        if (cp == 65001) {
            if (!decoded)
                DecodeUtf8(body, text_);
            // A sequence cut off at the end of the file.
            size_t k = body.size(), back = 0;
            while (k > 0 && back < 4 && (static_cast<unsigned char>(body[k - 1]) & 0xC0) == 0x80)
                --k, ++back;
            if (k > 0) {
                auto lead = static_cast<unsigned char>(body[k - 1]);
                size_t need = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
                if (need > back)
                    Note(L"truncation_error", L"offset=\"" + Num(static_cast<int64_t>(k - 1)) + L"\"");
            }
        } else {
            text_ = CodePageToWide(cp, body);
        }
        Note(L"converted_to", L"encoding=\"UTF-16\"");
    }
    Note(L"read", L"encoding=\"" + EscapeAttr(encoding_) + L"\" length=\"" +
                      Num(static_cast<int64_t>(bytes.size())) + L"\"");
    Parse();
    return IsWellFormed();
}

bool CXmlDoc::LoadForEdit(const std::wstring& path) {
    return Load(path) || !file_unreadable_;
}

bool CXmlDoc::Save(const std::wstring& path) {
    result_.clear();
    std::string bytes;
    bool lossy = false;
    std::wstring encoding;
    if (flags_ & kBomUtf16LE || flags_ & kBomUtf16BE) {
        const bool be = flags_ & kBomUtf16BE;
        encoding = be ? L"UTF-16BE" : L"UTF-16LE";
        bytes = be ? "\xFE\xFF" : "\xFF\xFE";
        bytes.reserve(2 + text_.size() * 2);
        for (wchar_t c : text_) {
            char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>((c >> 8) & 0xFF);
            bytes += be ? hi : lo;
            bytes += be ? lo : hi;
        }
    } else {
        if (flags_ & kBomUtf8) {
            encoding = L"UTF-8";
        } else {
            // A declaration in the text decides; the program's own files have none.
            encoding = L"UTF-8";
            size_t decl = text_.find(L"<?xml");
            if (decl != std::wstring::npos && decl < 64) {
                size_t end = text_.find(L"?>", decl);
                size_t enc = text_.find(L"encoding", decl);
                if (enc != std::wstring::npos && enc < end) {
                    size_t q = text_.find_first_of(L"\"'", enc);
                    size_t q2 = q == std::wstring::npos ? q : text_.find(text_[q], q + 1);
                    if (q2 != std::wstring::npos && q2 < end)
                        encoding = text_.substr(q + 1, q2 - q - 1);
                }
            }
        }
        unsigned cp = CodePageOfName(encoding);
        if (cp == 0)
            cp = 65001, encoding = L"UTF-8";
        if (flags_ & kBomUtf8)
            bytes = "\xEF\xBB\xBF";
        bytes += cp == 65001 ? WideToUtf8(text_) : WideToCodePage(cp, text_, &lossy);
    }
    Note(L"converted_from", L"encoding=\"UTF-16\"");
    if (lossy)
        Note(L"conversion_loss", {});
    if (!WriteFileAtomic(path, bytes)) {
        Note(L"file_error", L"msg=\"cannot write\"");
        return false;
    }
    Note(L"write", L"encoding=\"" + EscapeAttr(encoding) + L"\" length=\"" +
                       Num(static_cast<int64_t>(bytes.size())) + L"\"");
    return true;
}

// ---- navigation ----

bool CXmlDoc::FindNext(std::wstring_view name) {
    int e = current_ ? elems_[current_].next : elems_[parent_].first_child;
    for (; e; e = elems_[e].next) {
        if (NameMatches(e, name)) {
            current_ = e;
            child_ = 0;
            return true;
        }
    }
    return false;
}

void CXmlDoc::Rewind() {
    current_ = 0;
    child_ = 0;
}

bool CXmlDoc::Into() {
    if (!current_)
        return false;
    parent_ = current_;
    current_ = child_;
    child_ = 0;
    return true;
}

bool CXmlDoc::OutOf() {
    if (!parent_)
        return false;
    child_ = current_;
    current_ = parent_;
    parent_ = elems_[parent_].parent;
    return true;
}

std::wstring CXmlDoc::GetTagName() const {
    return std::wstring(NameOf(current_));
}

// ---- content ----

std::wstring CXmlDoc::GetText() const {
    if (!current_ || elems_[current_].first_child)
        return {};
    size_t b, e;
    if (!ContentRange(current_, b, e))
        return {};
    std::wstring_view content = std::wstring_view(text_).substr(b, e - b);
    std::wstring out;
    size_t i = 0;
    while (i < content.size()) {
        size_t lt = content.find(L'<', i);
        if (lt == std::wstring_view::npos) {
            out += Decode(content.substr(i));
            break;
        }
        out += Decode(content.substr(i, lt - i));
        if (StartsWith(content, lt, L"<![CDATA[")) {
            size_t end = content.find(L"]]>", lt + 9);
            if (end == std::wstring_view::npos)
                break;
            out += content.substr(lt + 9, end - lt - 9);
            i = end + 3;
        } else if (StartsWith(content, lt, L"<!--")) {
            size_t end = content.find(L"-->", lt + 4);
            if (end == std::wstring_view::npos)
                break;
            i = end + 3;
        } else {
            size_t end = content.find(L'>', lt);
            if (end == std::wstring_view::npos)
                break;
            i = end + 1;
        }
    }
    return out;
}

static std::wstring CDataOf(std::wstring_view text) {
    std::wstring out = L"<![CDATA[";
    size_t i = 0;
    for (size_t hit; (hit = text.find(L"]]>", i)) != std::wstring_view::npos; i = hit + 3) {
        out += text.substr(i, hit - i);
        out += L"]]]]><![CDATA[>";
    }
    out += text.substr(i);
    out += L"]]>";
    return out;
}

bool CXmlDoc::SetText(std::wstring_view text, int flags) {
    if (!current_)
        return false;
    const std::wstring content = (flags & kCData) ? CDataOf(text) : EscapeText(text);
    Element& el = elems_[current_];
    for (int c = el.first_child; c;) {
        int next = elems_[c].next;
        FreeSubtree(c);
        c = next;
    }
    elems_[current_].first_child = elems_[current_].last_child = 0;
    child_ = 0;
    if (el.end_tag == 0) {
        // "<a/>" or "<a />" (or an element never closed): rewrite the start tag as a start tag,
        // the text and an end tag; an unclosed element's old content stays behind as plain text.
        std::wstring name(NameOf(current_));
        size_t tag_end = el.start + el.start_tag;
        size_t slash = tag_end - 1;
        if (slash > el.start && text_[slash - 1] == L'/')
            --slash;
        while (slash > el.start + 1 + name.size() && IsSpace(text_[slash - 1]))
            --slash;
        size_t old_len = el.start_tag;
        std::wstring attrs = text_.substr(el.start + 1 + name.size(), slash - el.start - 1 - name.size());
        std::wstring whole = L"<" + name + attrs + L">" + content + L"</" + name + L">";
        const uint32_t start_tag = static_cast<uint32_t>(name.size() + attrs.size() + 2);
        Splice(el.start, old_len, whole, current_);
        elems_[current_].length = static_cast<uint32_t>(whole.size());
        elems_[current_].start_tag = start_tag;
        elems_[current_].end_tag = static_cast<uint32_t>(name.size() + 3);
        return true;
    }
    size_t b = 0, e = 0;
    ContentRange(current_, b, e);
    Splice(b, e - b, content, current_);
    return true;
}

bool CXmlDoc::FindAttr(int e, std::wstring_view name, size_t& value_begin, size_t& value_end) const {
    const Element& el = elems_[e];
    std::wstring_view tag = std::wstring_view(text_).substr(el.start, el.start_tag);
    size_t p = 1;
    while (p < tag.size() && IsNameChar(tag[p]))
        ++p;
    while (p < tag.size()) {
        while (p < tag.size() && IsSpace(tag[p]))
            ++p;
        size_t ns = p;
        while (p < tag.size() && IsNameChar(tag[p]))
            ++p;
        if (p == ns)
            return false;
        std::wstring_view an = tag.substr(ns, p - ns);
        while (p < tag.size() && IsSpace(tag[p]))
            ++p;
        if (p >= tag.size() || tag[p] != L'=')
            continue; // attribute without a value
        ++p;
        while (p < tag.size() && IsSpace(tag[p]))
            ++p;
        if (p >= tag.size())
            return false;
        size_t vb, ve;
        if (tag[p] == L'"' || tag[p] == L'\'') {
            size_t close = tag.find(tag[p], p + 1);
            if (close == std::wstring_view::npos)
                return false;
            vb = p + 1, ve = close, p = close + 1;
        } else {
            vb = p;
            while (p < tag.size() && !IsSpace(tag[p]) && tag[p] != L'>' && tag[p] != L'/')
                ++p;
            ve = p;
        }
        if (an == name) {
            value_begin = el.start + vb;
            value_end = el.start + ve;
            return true;
        }
    }
    return false;
}

std::wstring CXmlDoc::GetAttr(std::wstring_view name) const {
    size_t b, e;
    if (!current_ || !FindAttr(current_, name, b, e))
        return {};
    return Decode(std::wstring_view(text_).substr(b, e - b));
}

bool CXmlDoc::SetAttr(std::wstring_view name, std::wstring_view value) {
    if (!current_ || name.empty())
        return false;
    const std::wstring escaped = EscapeAttr(value);
    size_t b, e;
    Element& el = elems_[current_];
    size_t old_tag = el.start_tag;
    size_t new_tag;
    if (FindAttr(current_, name, b, e)) {
        if (b > 0 && text_[b - 1] != L'"' && text_[b - 1] != L'\'') {
            // unquoted value: rewrite it quoted
            Splice(b, e - b, L"\"" + escaped + L"\"", current_);
            new_tag = old_tag - (e - b) + escaped.size() + 2;
        } else {
            Splice(b, e - b, escaped, current_);
            new_tag = old_tag - (e - b) + escaped.size();
        }
    } else {
        size_t at = el.start + el.start_tag - 1; // the ">"
        if (text_[at - 1] == L'/')
            --at;
        while (at > el.start + 1 && IsSpace(text_[at - 1]) && text_[at] == L'/')
            --at;
        std::wstring add = L" " + std::wstring(name) + L"=\"" + escaped + L"\"";
        Splice(at, 0, add, current_);
        new_tag = old_tag + add.size();
    }
    elems_[current_].start_tag = static_cast<uint32_t>(new_tag);
    return true;
}

// ---- structure edits ----

bool CXmlDoc::AddNext(std::wstring_view name, std::wstring_view data, int flags) {
    if (name.empty())
        return false;
    std::wstring element = L"<" + std::wstring(name);
    uint32_t start_tag, end_tag;
    if (data.empty()) {
        element += (flags & kSpaceBeforeSlash) ? L" />" : L"/>";
        start_tag = static_cast<uint32_t>(element.size());
        end_tag = 0;
    } else {
        element += L">";
        start_tag = static_cast<uint32_t>(element.size());
        element += (flags & kCData) ? CDataOf(data) : EscapeText(data);
        element += L"</" + std::wstring(name) + L">";
        end_tag = static_cast<uint32_t>(name.size() + 3);
    }

    size_t insert_at = 0;
    std::wstring before, after;
    int after_sibling = current_;
    if (current_) {
        // After the current element, on a line of its own.
        const Element& cur = elems_[current_];
        size_t end = cur.start + cur.length;
        if (StartsWith(text_, end, kCrLf)) {
            insert_at = end + 2;
            after = kCrLf;
        } else {
            insert_at = end;
            before = kCrLf;
            if (!parent_)
                after = kCrLf;
        }
    } else if (!parent_) {
        // At the end of the document.
        insert_at = text_.size();
        if (!text_.empty() && text_.back() != L'\n')
            before = kCrLf;
        after = kCrLf;
        after_sibling = elems_[0].last_child;
    } else {
        after_sibling = elems_[parent_].last_child;
        Element& par = elems_[parent_];
        const bool self_closing = par.end_tag == 0 && text_[par.start + par.start_tag - 2] == L'/';
        if (par.end_tag == 0 && !self_closing) {
            // Never closed (a damaged file): the child goes at the end of what it holds.
            insert_at = par.start + par.length;
            if (insert_at == 0 || text_[insert_at - 1] != L'\n')
                before = kCrLf;
            after = kCrLf;
        } else if (self_closing) {
            // "<p/>" becomes "<p>" CR LF child CR LF "</p>".
            std::wstring pname(NameOf(parent_));
            size_t tag_end = par.start + par.start_tag;
            size_t cut = tag_end - 1;
            if (text_[cut - 1] == L'/')
                --cut;
            while (cut > par.start + 1 + pname.size() && IsSpace(text_[cut - 1]))
                --cut;
            std::wstring open_tag = text_.substr(par.start, cut - par.start) + L">";
            std::wstring rebuilt = open_tag + L"</" + pname + L">";
            Splice(par.start, par.start_tag, rebuilt, parent_);
            elems_[parent_].start_tag = static_cast<uint32_t>(open_tag.size());
            elems_[parent_].end_tag = static_cast<uint32_t>(pname.size() + 3);
        }
        if (elems_[parent_].end_tag != 0) {
            Element& p = elems_[parent_];
            insert_at = p.start + p.length - p.end_tag;
            if (insert_at == 0 || text_[insert_at - 1] != L'\n')
                before = kCrLf;
            after = kCrLf;
        }
    }
    const int owner_parent = parent_;
    Splice(insert_at, 0, before + element + after, owner_parent);
    int e = NewElement();
    Element& el = elems_[e];
    el.start = static_cast<uint32_t>(insert_at + before.size());
    el.length = static_cast<uint32_t>(element.size());
    el.start_tag = start_tag;
    el.end_tag = end_tag;
    Link(e, owner_parent, after_sibling);
    if (!owner_parent)
        ++root_count_;
    current_ = e;
    child_ = 0;
    elems_[0].length = static_cast<uint32_t>(text_.size());
    return true;
}

bool CXmlDoc::RemoveCurrent() {
    if (!current_)
        return false;
    const Element el = elems_[current_];
    size_t end = el.start + el.length;
    while (end < text_.size() && IsSpace(text_[end]))
        ++end;
    int prev = el.prev;
    Unlink(current_);
    FreeSubtree(current_);
    if (!parent_)
        --root_count_;
    Splice(el.start, end - el.start, {}, parent_);
    current_ = prev;
    child_ = 0;
    return true;
}

// ---- keyed helpers ----

bool CXmlDoc::AddNextInt(std::wstring_view name, int value) {
    return AddNext(name, std::to_wstring(value));
}

bool CXmlDoc::SetChildInt(std::wstring_view name, int value) {
    if (FindNext(name))
        return SetText(std::to_wstring(value));
    return AddNextInt(name, value);
}

bool CXmlDoc::SetChildText(std::wstring_view name, std::wstring_view text) {
    if (FindNext(name))
        return SetText(text);
    return AddNext(name, text);
}

bool CXmlDoc::EnsureChild(std::wstring_view name) {
    if (FindNext(name))
        return true;
    return AddNext(name);
}

bool CXmlDoc::GetChildInt64(std::wstring_view name, int64_t& out) {
    if (!FindNext(name))
        return false;
    std::wstring text = GetText();
    size_t p = 0;
    while (p < text.size() && IsSpace(text[p]))
        ++p;
    bool neg = false;
    if (p < text.size() && (text[p] == L'-' || text[p] == L'+'))
        neg = text[p++] == L'-';
    uint64_t v = 0;
    for (; p < text.size() && text[p] >= L'0' && text[p] <= L'9'; ++p)
        v = v * 10 + static_cast<uint64_t>(text[p] - L'0');
    out = neg ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
    return true;
}

bool CXmlDoc::GetChildInt(std::wstring_view name, int& out) {
    int64_t v = 0;
    if (!GetChildInt64(name, v))
        return false;
    out = static_cast<int>(static_cast<uint32_t>(v));
    return true;
}

bool CXmlDoc::GetChildText(std::wstring_view name, std::wstring& out) {
    if (!FindNext(name))
        return false;
    out = GetText();
    return true;
}
