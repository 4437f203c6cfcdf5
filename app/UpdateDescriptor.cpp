#include "app/UpdateDescriptor.h"

#include "store/xml/CXmlDoc.h"

#include <cwchar>

namespace {

bool ReadNumber(std::wstring_view text, size_t& pos, int& out) {
    constexpr int kMaxPart = 1000000;
    const size_t start = pos;
    long value = 0;
    while (pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9') {
        value = value * 10 + (text[pos] - L'0');
        if (value > kMaxPart)
            return false;
        ++pos;
    }
    out = static_cast<int>(value);
    return pos > start;
}

bool Read(CXmlDoc& doc, UpdateDescriptor& out) {
    if (!doc.IsWellFormed() || !doc.FindNext(L"update") || !doc.Into())
        return false;
    out = UpdateDescriptor{};
    if (doc.FindNext(L"version") && doc.Into()) {
        // A missing number counts as 0.
        int* parts[] = {&out.version.major, &out.version.minor, &out.version.patch};
        const wchar_t* names[] = {L"v1", L"v2", L"v3"};
        for (int i = 0; i < 3; ++i) {
            doc.Rewind();
            doc.GetChildInt(names[i], *parts[i]);
        }
        doc.OutOf();
    }
    doc.Rewind();
    if (doc.FindNext(L"description") && doc.Into()) {
        while (doc.FindNext(L"item")) {
            out.notes += doc.GetText();
            out.has_notes = true;
        }
        doc.OutOf();
    }
    doc.Rewind();
    doc.GetChildText(L"exe", out.exe_url);
    return true;
}

} // namespace

bool UpdateVersion::Parse(std::wstring_view text, UpdateVersion& out) {
    UpdateVersion v;
    size_t pos = 0;
    if (!ReadNumber(text, pos, v.major) || pos >= text.size() || text[pos++] != L'.' ||
        !ReadNumber(text, pos, v.minor) || pos >= text.size() || text[pos++] != L'.' ||
        !ReadNumber(text, pos, v.patch) || pos != text.size())
        return false;
    out = v;
    return true;
}

std::wstring UpdateVersion::Format() const {
    wchar_t text[48] = {};
    std::swprintf(text, 48, L"%d.%d.%d", major, minor, patch);
    return text;
}

bool UpdateDescriptor::FromText(std::wstring_view xml, UpdateDescriptor& out) {
    CXmlDoc doc;
    return doc.SetDoc(xml) && Read(doc, out);
}

bool UpdateDescriptor::FromFile(const std::wstring& path, UpdateDescriptor& out) {
    CXmlDoc doc;
    return doc.Load(path) && Read(doc, out);
}
