#include "note/LRichEditNIMenu.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "note/LRichEditNI.h"
#include "note/MerlaFcbtFF.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr DWORD kMenuExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW;
constexpr DWORD kItemStyle = WS_CHILD | WS_VISIBLE;
constexpr wchar_t kRowIconSet[] = L"default";
constexpr wchar_t kCheckPicture[] = L"check.png";

struct LineHeightItem {
    int command;
    const wchar_t* text;
};
constexpr LineHeightItem kLineHeightItems[] = {
    {30509, L"1.0"}, {30510, L"1.15"}, {30511, L"1.5"}, {30512, L"2.0"},
    {30513, L"2.5"}, {30514, L"3.0"},  {30515, L"3.5"}, {30516, L"4.0"},
};

struct BoxItem {
    int command;
    const wchar_t* text;
    const wchar_t* picture;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// MerlaMenuLineHeight

MerlaMenuLineHeight::MerlaMenuLineHeight() {
    SetObjectName(L"MerlaMenuLineHeight");
}

int MerlaMenuLineHeight::GetMenuHeight() {
    return static_cast<int>(std::size(kLineHeightItems)) * item_height_ + 2 * shadow_width_;
}

int MerlaMenuLineHeight::GetMenuWidth() {
    return kWidth + 2 * shadow_width_;
}

bool MerlaMenuLineHeight::OnCreate() {
    const bool ok = MerlaMenu::OnCreate();
    int y = shadow_width_;
    for (const LineHeightItem& entry : kLineHeightItems) {
        auto item = std::make_unique<MerlaMenuItem>();
        if (item->Create(entry.command, entry.text, 0, kItemStyle, shadow_width_, y, kWidth, item_height_,
                         handle_))
            items_.push_back(std::move(item));
        y += item_height_;
    }
    return ok;
}

// ---------------------------------------------------------------------------------------------
// LRichEditNIMenuMark

LRichEditNIMenuMark::LRichEditNIMenuMark() {
    SetObjectName(L"LRichEditNIMenuMark");
}

int LRichEditNIMenuMark::CellCount() const {
    int count = 0;
    for (const std::wstring& name : ListEntries(RowIconDir(kRowIconSet)))
        count += name.empty() ? 0 : 1;
    return count;
}

int LRichEditNIMenuMark::GridHeight() const {
    const int step = MerlaListImage::kCellSide + MerlaListImage::kCellGap;
    const int rows = std::clamp((CellCount() + kColumns - 1) / kColumns, 1, kMaxGridRows);
    return rows * step + MerlaListImage::kCellGap;
}

int LRichEditNIMenuMark::GetMenuWidth() {
    return kColumns * (MerlaListImage::kCellSide + MerlaListImage::kCellGap) + MerlaListImage::kCellGap +
           MerlaList::kBarWidth + 2 * shadow_width_;
}

int LRichEditNIMenuMark::GetMenuHeight() {
    return GridHeight() + 2 * item_height_ + 2 * shadow_width_;
}

bool LRichEditNIMenuMark::OnCreate() {
    const bool ok = MerlaMenu::OnCreate();
    const int s = shadow_width_, w = GetMenuWidth() - 2 * s, grid = GridHeight();
    grid_.Create(0, L"", 0, kItemStyle, s, s, w, grid, handle_);
    grid_.LoadFolder(RowIconDir(kRowIconSet), true);
    grid_.Subscribe(MerlaListImage::kCellClicked, handle_);
    none_.Create(RichItemCmd::kRowIconNone, L"无", 0, kItemStyle, s, s + grid, w, item_height_, handle_);
    manage_.Create(RichItemCmd::kRowIconManage, L"管理", 0, kItemStyle, s, s + grid + item_height_, w,
                   item_height_, handle_);
    return ok;
}

LRESULT LRichEditNIMenuMark::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    if (message == MerlaListImage::kCellClicked) {
        if (!lp)
            return 0;
        // The cell goes with the grid when the menu closes: the path travels as a copy.
        const std::wstring path = reinterpret_cast<const MerlaImageCell*>(lp)->path;
        HWND owner = owner_;
        OnKillFocus(nullptr);
        if (owner)
            SendMessageW(owner, RichItemMsg::kSetRowIcon, 0, reinterpret_cast<LPARAM>(path.c_str()));
        return 0;
    }
    return MerlaMenu::WindowProc(message, wp, lp);
}

// ---------------------------------------------------------------------------------------------
// LRichEditNIMenu

LRichEditNIMenu::LRichEditNIMenu(LRichEditNI& box)
    : box_(box.GetHandle()), wrap_(box.IsWrap()), protected_(box.IsProtected()), alpha_(box.GetAlpha()),
      font_(box.CurrentFont()) {
    SetObjectName(L"LRichEditNIMenu");
}

LRichEditNIMenu::~LRichEditNIMenu() = default;

LRichEditNIMenu* LRichEditNIMenu::Open(LRichEditNI& box, POINT request) {
    // One menu at a time: a menu still open from an earlier request closes first.
    if (LWnd* old = LWnd::FromId(kId))
        old->Show(SW_HIDE);
    box.ClearModified();
    auto* menu = new LRichEditNIMenu(box);
    if (!menu->Build()) {
        delete menu;
        return nullptr;
    }
    if (request.x == -1 && request.y == -1) {
        // From the keyboard: at the caret.
        RECT rc = box.WindowRect();
        request = POINT{rc.left, rc.top};
    }
    const POINT at = PopupPoint(request);
    menu->PopupAt(at.x, at.y);
    return menu;
}

POINT LRichEditNIMenu::PopupPoint(POINT request) {
    return POINT{request.x + LRichEditNI::kMenuOffsetX, std::max(0L, request.y - LRichEditNI::kMenuOffsetY)};
}

bool LRichEditNIMenu::Build() {
    if (!Create(kId, kCaption, kMenuExStyle, WS_POPUP, 0, 0, GetMenuWidth(), GetMenuHeight(), box_))
        return false;
    mark_sub_ = std::make_unique<LRichEditNIMenuMark>();
    height_sub_ = std::make_unique<MerlaMenuLineHeight>();
    mark_sub_->Create(LRichEditNIMenuMark::kId, LRichEditNIMenuMark::kCaption, kMenuExStyle, WS_POPUP, 0, 0,
                      mark_sub_->GetMenuWidth(), mark_sub_->GetMenuHeight(), box_);
    height_sub_->Create(MerlaMenuLineHeight::kId, MerlaMenuLineHeight::kCaption, kMenuExStyle, WS_POPUP, 0, 0,
                        height_sub_->GetMenuWidth(), height_sub_->GetMenuHeight(), box_);
    SetSubmenu(RichItemCmd::kRowIconSub, mark_sub_.get());
    SetSubmenu(RichItemCmd::kLineHeightSub, height_sub_.get());
    SetOwner(box_);
    return true;
}

int LRichEditNIMenu::GetMenuHeight() {
    constexpr int kItems = 10;
    return std::max(kItems * item_height_, MerlaFCBT::kHeight + 2 * kBarGap) + 2 * shadow_width_;
}

int LRichEditNIMenu::GetMenuWidth() {
    return kItemWidth + MerlaFCBT::kWidth + 2 * kBarGap + 2 * shadow_width_;
}

bool LRichEditNIMenu::OnCreate() {
    const bool ok = MerlaMenu::OnCreate();
    const BoxItem items[] = {
        {RichItemCmd::kCut, L"剪切", L"cut.png"},
        {RichItemCmd::kCopy, L"复制", L"copy.png"},
        {RichItemCmd::kPaste, L"粘贴", L"paste.png"},
        {RichItemCmd::kDelete, L"删除", L"delete.png"},
        {RichItemCmd::kRowIconSub, L"设置图标", L""},
        {RichItemCmd::kInsertPicture, L"插入图片", L"images.png"},
        {RichItemCmd::kWrap, L"自动换行", wrap_ ? kCheckPicture : L""},
        {RichItemCmd::kLineHeightSub, L"行高", L""},
        {RichItemCmd::kProtect, protected_ ? L"解密显示" : L"加密显示", L"encrypt.png"},
    };
    const int s = shadow_width_;
    int y = s;
    for (const BoxItem& entry : items) {
        auto item = std::make_unique<MerlaMenuItem>();
        item->SetIcon(entry.picture);
        if (item->Create(entry.command, entry.text, 0, kItemStyle, s, y, kItemWidth, item_height_, handle_))
            items_.push_back(std::move(item));
        y += item_height_;
    }
    alpha_item_ = std::make_unique<MerlaMenuItemSetAlpha>();
    if (alpha_item_->Create(RichItemCmd::kSetAlpha, L"设置透明度", 0, kItemStyle, s, y, kItemWidth,
                            item_height_, handle_)) {
        alpha_item_->Slider().SetReceiver(box_);
        alpha_item_->Slider().SetValue(MerlaMenuItemSetAlpha::kMaxAlpha - alpha_);
    }
    bar_.CreateBar(handle_, s + kItemWidth + kBarGap, s + kBarGap);
    bar_.SetFromFont(font_);
    return ok;
}

MerlaMenuItem* LRichEditNIMenu::ItemOf(int command) {
    for (auto& item : items_) {
        if (item->GetId() == command)
            return item.get();
    }
    return nullptr;
}

LRESULT LRichEditNIMenu::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case RichItemMsg::kBarFont:
        // The bar names no font: the box gets the one the bar now shows.
        if (IsWindow(box_))
            SendMessageW(box_, RichItemMsg::kBarFont, reinterpret_cast<WPARAM>(bar_.GetBarFont()), lp);
        return 0;
    case RichItemMsg::kBarColor:
        if (IsWindow(box_))
            SendMessageW(box_, RichItemMsg::kBarColor, wp, lp);
        return 0;
    default:
        break;
    }
    return MerlaMenu::WindowProc(message, wp, lp);
}
