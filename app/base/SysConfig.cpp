#include "app/base/SysConfig.h"

#include "app/base/AppPaths.h"
#include "store/xml/CXmlDoc.h"

#include <algorithm>

namespace {

const wchar_t kRoot[] = L"sysconfig";

// Loads "sysconfig.xml" and steps into its root; false leaves the caller with its defaults.
bool OpenForRead(CXmlDoc& doc) {
    return doc.Load(SysConfigPath()) && doc.FindNext(kRoot) && doc.Into();
}

// Loads (or starts) "sysconfig.xml" with the root current and stepped into, and container when given.
bool OpenForWrite(CXmlDoc& doc, const std::wstring& container) {
    if (!OpenSettingsFile(doc, SysConfigPath(), kRoot, 0) || !doc.Into())
        return false;
    if (!container.empty())
        return doc.EnsureChild(container) && doc.Into();
    return true;
}

} // namespace

bool OpenSettingsFile(CXmlDoc& doc, const std::wstring& path, const std::wstring& root_name, int id) {
    if (path.empty())
        return false;
    if (!doc.LoadForEdit(path))
        return false;
    doc.Rewind();
    if (!doc.FindNext(root_name)) {
        doc.AddNext(root_name);
        if (id != 0) {
            doc.Into();
            doc.SetChildInt(L"ID", id);
            doc.OutOf();
        }
        doc.Save(path);
    }
    return true;
}

namespace SysConfig {

bool ReadInt(const std::wstring& key, int& out) {
    CXmlDoc doc;
    return OpenForRead(doc) && doc.GetChildInt(key, out);
}

bool ReadText(const std::wstring& key, std::wstring& out) {
    CXmlDoc doc;
    return OpenForRead(doc) && doc.GetChildText(key, out);
}

bool ReadContainerText(const std::wstring& container, const std::wstring& key, std::wstring& out) {
    CXmlDoc doc;
    return OpenForRead(doc) && doc.FindNext(container) && doc.Into() && doc.GetChildText(key, out);
}

bool WriteInt(const std::wstring& key, int value, const std::wstring& container) {
    CXmlDoc doc;
    return OpenForWrite(doc, container) && doc.SetChildInt(key, value) && doc.Save(SysConfigPath());
}

bool WriteText(const std::wstring& key, const std::wstring& value, const std::wstring& container) {
    CXmlDoc doc;
    return OpenForWrite(doc, container) && doc.SetChildText(key, value) && doc.Save(SysConfigPath());
}

EditOptions ReadEditOptions() {
    EditOptions opt;
    CXmlDoc doc;
    if (!OpenForRead(doc))
        return opt;
    // In the order the settings page writes them; each lookup starts from the first child.
    doc.GetChildInt(L"EditIsDoubleClick", opt.double_click);
    doc.Rewind();
    doc.GetChildInt(L"EditIsAutoChangeLine", opt.auto_change_line);
    doc.Rewind();
    doc.GetChildInt(L"EditIsShowFloatWnd", opt.show_float_wnd);
    return opt;
}

int ClampImageMaxPixel(int value) {
    return std::clamp(value, kImageMaxPixelMin, kImageMaxPixelMax);
}
int ClampRowIconMaxPixel(int value) {
    return std::clamp(value, kRowIconMaxPixelMin, kRowIconMaxPixelMax);
}

int ReadImageMaxPixel(int fallback) {
    int v = fallback;
    ReadInt(L"richedit_image_max_pixel", v);
    return v;
}

int ReadRowIconMaxPixel() {
    int v = kRowIconMaxPixelDefault;
    ReadInt(L"richedit_rowicon_max_pixel", v);
    return v;
}

bool WriteImageMaxPixel(int value) {
    return WriteInt(L"richedit_image_max_pixel", ClampImageMaxPixel(value));
}
bool WriteRowIconMaxPixel(int value) {
    return WriteInt(L"richedit_rowicon_max_pixel", ClampRowIconMaxPixel(value));
}

int ReadScaleColorValue() {
    int v = kScaleColorMax;
    if (!ReadInt(L"dscalecolorvalue", v)) {
        WriteInt(L"dscalecolorvalue", kScaleColorMax);
        return kScaleColorMax;
    }
    return std::clamp(v, 0, kScaleColorMax);
}

} // namespace SysConfig

std::array<uint32_t, CustomColors::kCount>& CustomColors::Table() {
    static std::array<uint32_t, kCount> table{};
    return table;
}

void CustomColors::Load() {
    CXmlDoc doc;
    doc.Load(CustomColorPath());
    if (!doc.FindNext(L"customcolor") || !doc.Into())
        return;
    int slot = 0;
    int value = 0;
    while (slot < kCount && doc.GetChildInt(L"coloritem", value))
        Table()[slot++] = static_cast<uint32_t>(value);
}

bool CustomColors::Save() {
    const std::wstring path = CustomColorPath();
    CXmlDoc doc;
    if (!doc.LoadForEdit(path))
        return false;
    doc.Rewind();
    if (doc.FindNext(L"customcolor"))
        doc.RemoveCurrent();
    doc.Rewind();
    doc.AddNext(L"customcolor");
    doc.Into();
    for (uint32_t c : Table())
        doc.AddNextInt(L"coloritem", static_cast<int>(c));
    return doc.Save(path);
}
