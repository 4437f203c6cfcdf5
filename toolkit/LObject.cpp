#include "toolkit/LObject.h"

#include "app/base/SysConfig.h"
#include "store/xml/CXmlDoc.h"
#include "toolkit/Toolkit.h"
#include "toolkit/ToolkitRegistry.h"

#include <vector>

namespace {

// Signed decimal value of a text the way the document's integer readers take it: optional blanks
// and sign, then the leading digits.
int LeadingInt(const std::wstring& text) {
    size_t p = 0;
    while (p < text.size() && (text[p] == L' ' || text[p] == L'\t' || text[p] == L'\r' || text[p] == L'\n'))
        ++p;
    bool neg = false;
    if (p < text.size() && (text[p] == L'-' || text[p] == L'+'))
        neg = text[p++] == L'-';
    uint64_t v = 0;
    for (; p < text.size() && text[p] >= L'0' && text[p] <= L'9'; ++p)
        v = v * 10 + static_cast<uint64_t>(text[p] - L'0');
    const int64_t s = neg ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
    return static_cast<int>(static_cast<uint32_t>(s));
}

// The empty layered dialog every modal toolkit dialog runs on.
constexpr DWORD kDialogExStyle = WS_EX_LAYERED;
constexpr DWORD kDialogStyle = WS_POPUP | WS_SYSMENU | DS_SETFONT | DS_FIXEDSYS;
constexpr short kDialogWidthDlu = 316, kDialogHeightDlu = 182;
constexpr WORD kDialogFontPoints = 8, kDialogFontWeight = 400;
constexpr BYTE kDialogCharset = 1;
constexpr const wchar_t* kDialogFont = L"MS Shell Dlg";

// DLGTEMPLATEEX laid out word by word: header, no menu, default class, empty title, then the font.
std::vector<WORD> BuildDialogTemplate() {
    std::vector<WORD> t;
    auto dword = [&t](DWORD v) {
        t.push_back(LOWORD(v));
        t.push_back(HIWORD(v));
    };
    t.push_back(1);      // dlgVer
    t.push_back(0xFFFF); // signature: extended template
    dword(0);            // helpID
    dword(kDialogExStyle);
    dword(kDialogStyle);
    t.push_back(0); // no controls
    t.push_back(0); // x
    t.push_back(0); // y
    t.push_back(static_cast<WORD>(kDialogWidthDlu));
    t.push_back(static_cast<WORD>(kDialogHeightDlu));
    t.push_back(0); // menu
    t.push_back(0); // class
    t.push_back(0); // title
    t.push_back(kDialogFontPoints);
    t.push_back(kDialogFontWeight);
    t.push_back(static_cast<WORD>(0 | (kDialogCharset << 8))); // italic, charset
    for (const wchar_t* p = kDialogFont; *p; ++p)
        t.push_back(static_cast<WORD>(*p));
    t.push_back(0);
    return t;
}

} // namespace

ToolkitRegistry& Registry() {
    static ToolkitRegistry registry;
    return registry;
}

void SetToolkitInstance(HINSTANCE instance) {
    Registry().instance = instance;
}

HINSTANCE ToolkitInstance() {
    ToolkitRegistry& r = Registry();
    if (!r.instance)
        r.instance = GetModuleHandleW(nullptr);
    return r.instance;
}

// ---------------------------------------------------------------------------------------------
// LObject

LObject::LObject() : object_name_(L"LObject") {}

LObject::~LObject() = default;

int LObject::AllocateId() {
    auto& ids = Registry().ids;
    while (ids.count(id_seed_))
        ++id_seed_;
    ids.insert(id_seed_);
    return id_seed_;
}

void LObject::ReserveId(int id) {
    if (id != 0)
        Registry().ids.insert(id);
}

int LObject::GetId() {
    if (id_ == 0)
        id_ = AllocateId();
    return id_;
}

std::wstring LObject::SettingsPath() {
    return {};
}

bool LObject::OpenSettings(CXmlDoc& doc) {
    return OpenSettingsFile(doc, SettingsPath(), object_name_, GetId());
}

void LObject::DeleteFiles() {}

bool LObject::FindElemByAttr(CXmlDoc& doc, std::wstring_view element, std::wstring_view attr,
                             std::wstring_view value) {
    while (doc.FindNext(element)) {
        if (doc.GetAttr(attr) == value)
            return true;
    }
    return false;
}

bool LObject::FindElemByAttrInt(CXmlDoc& doc, std::wstring_view element, std::wstring_view attr, int value) {
    while (doc.FindNext(element)) {
        if (LeadingInt(doc.GetAttr(attr)) == value)
            return true;
    }
    return false;
}

bool LObject::FindElemByData(CXmlDoc& doc, std::wstring_view element, std::wstring_view text) {
    while (doc.FindNext(element)) {
        if (doc.GetText() == text)
            return true;
    }
    return false;
}

bool LObject::FindElemByDataInt(CXmlDoc& doc, std::wstring_view element, int value) {
    while (doc.FindNext(element)) {
        if (LeadingInt(doc.GetText()) == value)
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// LObjectSub

LObjectSub::LObjectSub() {
    SetObjectName(L"LObjectSub");
}

LObjectSub::~LObjectSub() {
    auto& objects = Registry().objects;
    auto it = objects.find(handle_);
    if (handle_ && it != objects.end() && it->second == this)
        objects.erase(it);
}

void LObjectSub::OnOk() {
    EndDialog(handle_, IDOK);
}

void LObjectSub::OnCancel() {
    EndDialog(handle_, IDCANCEL);
}

LRESULT LObjectSub::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    if (previous_proc_)
        return CallWindowProcW(previous_proc_, handle_, message, wp, lp);
    return DefWindowProcW(handle_, message, wp, lp);
}

void LObjectSub::RestoreFocus() {}

bool LObjectSub::Attach(int id, HWND handle) {
    if (!handle)
        return false;
    // An id already read (and so allocated) before the window existed stays the object's id.
    if (id == 0)
        id = id_ != 0 ? id_ : AllocateId();
    Registry().ids.insert(id);
    id_ = id;
    handle_ = handle;
    previous_proc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LObjectSub::SharedProc)));
    Registry().objects[handle] = this;
    return true;
}

void LObjectSub::Detach() {
    if (!handle_)
        return;
    if (previous_proc_ && IsWindow(handle_))
        SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_proc_));
    auto& objects = Registry().objects;
    auto it = objects.find(handle_);
    if (it != objects.end() && it->second == this)
        objects.erase(it);
}

void LObjectSub::ShowAndRefresh() {}

bool LObjectSub::Create(int id, const std::wstring& title, DWORD ex_style, DWORD style, int x, int y,
                        int width, int height, HWND parent) {
    HINSTANCE instance = ToolkitInstance();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(instance, kClassName, &wc)) {
        wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcW; // the real handling starts at Attach
        wc.hInstance = instance;
        wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW)); // never used
        wc.lpszClassName = kClassName;
        if (!RegisterClassExW(&wc))
            return false;
    }
    HWND hwnd = CreateWindowExW(ex_style, kClassName, title.c_str(), style, x, y, width, height, parent,
                                nullptr, instance, nullptr);
    if (!hwnd)
        return false;
    Attach(id, hwnd);
    return handle_ == hwnd;
}

INT_PTR LObjectSub::DoModal(int id, HWND parent) {
    ToolkitRegistry& r = Registry();
    r.pending_dialog = this;
    r.pending_dialog_id = id;
    modal_ = 1;
    static const std::vector<WORD> kTemplate = BuildDialogTemplate();
    INT_PTR result =
        DialogBoxIndirectParamW(ToolkitInstance(), reinterpret_cast<LPCDLGTEMPLATEW>(kTemplate.data()),
                                parent, &LObjectSub::DialogProc, 0);
    modal_ = 0;
    if (r.pending_dialog == this)
        r.pending_dialog = nullptr;
    return result;
}

LRESULT CALLBACK LObjectSub::SharedProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    auto& objects = Registry().objects;
    auto it = objects.find(hwnd);
    if (it == objects.end())
        return DefWindowProcW(hwnd, message, wp, lp);
    return it->second->WindowProc(message, wp, lp);
}

INT_PTR CALLBACK LObjectSub::DialogProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    ToolkitRegistry& r = Registry();
    switch (message) {
    case WM_INITDIALOG: {
        LObjectSub* object = r.pending_dialog;
        r.pending_dialog = nullptr;
        if (!object)
            return TRUE;
        r.objects[hwnd] = object;
        object->Attach(r.pending_dialog_id, hwnd);
        object->ShowAndRefresh();
        return TRUE;
    }
    case WM_COMMAND: {
        auto it = r.objects.find(hwnd);
        if (it == r.objects.end())
            return FALSE;
        if (LOWORD(wp) == IDOK) {
            it->second->OnOk();
            return TRUE;
        }
        if (LOWORD(wp) == IDCANCEL) {
            it->second->OnCancel();
            return TRUE;
        }
        return FALSE;
    }
    case WM_USER: {
        auto it = r.objects.find(hwnd);
        if (it != r.objects.end() && IsWindow(hwnd) && IsWindowVisible(hwnd))
            it->second->RestoreFocus();
        return FALSE;
    }
    default:
        return FALSE;
    }
}
