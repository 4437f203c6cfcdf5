#include "toolkit/MerlaMessageBox.h"

#include "app/base/AppPaths.h"
#include "store/xml/CXmlDoc.h"

namespace {

constexpr wchar_t kSettingsFile[] = L"MerlaMessageBox.xml";
constexpr wchar_t kRoot[] = L"MerlaMessageBox";
constexpr wchar_t kItem[] = L"nomoreshowitem";
constexpr wchar_t kCaptionText[] = L"Velin";
constexpr wchar_t kCaptionPicture[] = L"Merla.png";
constexpr wchar_t kNoMoreShowText[] = L"不再提示";
constexpr int kButtonsBottom = 10; // gap below the buttons
constexpr int kButtonsRight = 20;  // gap right of the rightmost button
constexpr int kMessageIndent = 37;
constexpr int kMessageTop = 9;     // below the caption strip
constexpr int kMessageBottom = 32; // kept free for the buttons
constexpr int kDefaultContentHeight = 120;

int LeadingInt(const std::wstring& text) {
    return static_cast<int>(wcstol(text.c_str(), nullptr, 10));
}

} // namespace

MerlaMessageBox::MerlaMessageBox(int flags, std::wstring title, std::wstring message, int height, int width)
    : MerlaCaption(width, height), flags_(flags), message_(std::move(message)) {
    SetObjectName(kRoot);
    SetTitle(std::move(title));
}

std::wstring MerlaMessageBox::SettingsPath() {
    return NormalSetDir() + kSettingsFile;
}

MerlaBt* MerlaMessageBox::ButtonOf(int flag) {
    switch (flag) {
    case kMbOk:
        return &ok_;
    case kMbCancel:
        return &cancel_;
    case kMbYes:
        return &yes_;
    case kMbNo:
        return &no_;
    case kMbReplace:
        return &replace_;
    case kMbSkip:
        return &skip_;
    case kMbNoMoreShow:
        return &check_;
    default:
        return nullptr;
    }
}

bool MerlaMessageBox::OnCreate() {
    const bool ok = MerlaCaption::OnCreate();
    PlaceOverParent(2);
    const RECT rc = ClientRect();
    const int y = rc.bottom - kButtonHeight - kButtonsBottom;
    // From right to left, each directly left of the previous one.
    struct Slot {
        int flag;
        int id;
    };
    static constexpr Slot kOrder[] = {{kMbCancel, kCancelId}, {kMbNo, kNoId},     {kMbOk, kOkId},
                                      {kMbYes, kYesId},       {kMbSkip, kSkipId}, {kMbReplace, kReplaceId}};
    int right = rc.right - kButtonsRight;
    for (const Slot& slot : kOrder) {
        if (!(flags_ & slot.flag))
            continue;
        right -= kButtonWidth;
        ButtonOf(slot.flag)->Create(slot.id, L"", 0, WS_CHILD | WS_VISIBLE, right, y, kButtonWidth,
                                    kButtonHeight, handle_);
    }
    if (flags_ & kMbNoMoreShow) {
        right -= kCheckWidth;
        check_.Create(0, kNoMoreShowText, 0, WS_CHILD | WS_VISIBLE, right, y, kCheckWidth, kButtonHeight,
                      handle_);
    }
    message_text_ = CreateWindowExW(0, L"STATIC", message_.c_str(), WS_CHILD, 0, 0, 0, 0, handle_,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMessageTextId)),
                                    GetModuleHandleW(nullptr), nullptr);
    if (Redraw())
        Present();
    return ok;
}

LSurface MerlaMessageBox::RenderContent() {
    LSurface s = MerlaCaption::RenderContent();
    if (!s || message_.empty())
        return s;
    const int y0 = caption_height_ + margin_ + kMessageTop;
    const int w = s.width() - 2 * y0, h = s.height() - y0 - kMessageBottom;
    auto format = MakeTabbedFormat(message_, kAlignNear, kAlignNear);
    LSurface text = DrawTextSurface(handle_, *format, message_, kDefaultTextColor, w, h);
    BlendWithAlpha(s, text, margin_ + kMessageIndent, y0, static_cast<int>(kDefaultTextColor >> 24));
    return s;
}

void MerlaMessageBox::Finish(int result) {
    if (IsModal()) {
        if (result == kMbOk)
            OnOk();
        else
            EndDialog(handle_, result);
    } else {
        // Closing destroys the window; a posted WM_DESTROY alone would leave it on the screen.
        PostMessageW(handle_, WM_CLOSE, 0, 0);
    }
}

LRESULT MerlaMessageBox::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    const LRESULT result = MerlaCaption::OnNotify(message, wp, lp);
    if (message != LNotify::kButtonClicked)
        return result;
    const int id = static_cast<int>(wp);
    if (check_.GetHandle() && id == check_.GetId()) {
        check_.SetChecked(!check_.IsChecked());
        SetNoMoreShow(GetId(), check_.IsChecked());
        if (check_.Redraw())
            check_.Present();
        return result;
    }
    switch (id) {
    case kOkId:
        Finish(kMbOk);
        break;
    case kCancelId:
        Finish(kMbCancel);
        break;
    case kYesId:
        Finish(kMbYes);
        break;
    case kNoId:
        Finish(kMbNo);
        break;
    case kReplaceId:
        Finish(kMbReplace);
        break;
    case kSkipId:
        Finish(kMbSkip);
        break;
    default:
        break;
    }
    return result;
}

void MerlaMessageBox::SetNoMoreShow(int id, bool on) {
    CXmlDoc doc;
    if (!OpenSettings(doc) || !doc.Into())
        return;
    bool found = false;
    while (doc.FindNext(kItem)) {
        if (LeadingInt(doc.GetText()) == id) {
            found = true;
            break;
        }
    }
    if (on == found)
        return;
    if (on) {
        while (doc.FindNext()) {
        }
        doc.AddNextInt(kItem, id);
    } else {
        doc.RemoveCurrent();
    }
    doc.Save(SettingsPath());
}

bool IsNoMoreShow(int id) {
    CXmlDoc doc;
    if (!doc.Load(NormalSetDir() + kSettingsFile) || !doc.FindNext(kRoot) || !doc.Into())
        return false;
    while (doc.FindNext(kItem)) {
        if (LeadingInt(doc.GetText()) == id)
            return true;
    }
    return false;
}

int ShowMessageBox(HWND parent, const std::wstring& message, int flags, int id, int width, int height) {
    if ((flags & kMbNoMoreShow) && id != 0 && IsNoMoreShow(id))
        return 0;
    MerlaMessageBox box(flags, kCaptionText, message, height > 0 ? height : kDefaultContentHeight, width);
    box.SetTitleIcon(kCaptionPicture);
    return static_cast<int>(box.DoModal(id, parent));
}
