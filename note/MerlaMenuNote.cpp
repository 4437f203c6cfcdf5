#include "note/MerlaMenuNote.h"

#include "app/base/AppPaths.h"
#include "note/MerlaItem.h"
#include "reminder/editor/MerlaMenuSetPromptSub.h"
#include "toolkit/MxMiMenuMoveToSub.h"

namespace {

constexpr wchar_t kTick[] = L"check.png";
constexpr wchar_t kGroupSubCaption[] = L"添加便签选择分组子菜单";
constexpr wchar_t kTemplateSubCaption[] = L"添加模板选择分组子菜单";
constexpr wchar_t kMiniSubCaption[] = L"最小化子菜单";
constexpr wchar_t kTransSubCaption[] = L"鼠标穿透子菜单";
constexpr int kMiniSubId = 30221, kTransSubId = 30224;
constexpr int kTemplateSubId = 31199;
constexpr int kReminderSubId = 30215;

const std::vector<NoteMenuEntry> kNoteEntries = {
    {NoteCmd::kNewNote, L"新建", L"addnote.png"},
    {NoteCmd::kHide, L"隐藏", L"invisible.png"},
    {NoteCmd::kDelete, L"删除", L"delete.png"},
    {NoteCmd::kMinimise, L"最小化", L"minisize.png"},
    {NoteCmd::kPassThrough, L"鼠标穿透", L"trans.png"},
    {NoteCmd::kReminder, L"设置提醒...", L"prompt.png"},
    {NoteCmd::kChooseBackground, L"设置背景...", L"images.png"},
    {NoteCmd::kAddImage, L"添加图像...", L""},
    {NoteCmd::kAddRichItem, L"添加文字", L""},
    {MerlaMenuNoteBase::kOpacityCommand, L"", L""},
    {NoteCmd::kToDesk, L"嵌入桌面", L""},
    {NoteCmd::kTopMost, L"置顶显示", L""},
    {NoteCmd::kChooseTemplate, L"选择模板...", L""},
    {NoteCmd::kSaveTemplate, L"保存为模板...", L""},
    {NoteCmd::kManager, L"管理", L"manager.png"},
    {NoteCmd::kExit, L"退出", L""},
};

const std::vector<NoteMenuEntry> kModifyingEntries = {
    {NoteCmd::kSnapshotAndClose, L"退出修改", L""},
    {NoteCmd::kReminder, L"设置提醒...", L""},
    {NoteCmd::kChooseBackground, L"设置背景...", L"images.png"},
    {NoteCmd::kAddImage, L"添加图像...", L""},
    {NoteCmd::kAddRichItem, L"添加文字", L""},
    {MerlaMenuNoteBase::kOpacityCommand, L"", L""},
    {NoteCmd::kChooseTemplate, L"选择模板...", L""},
    {NoteCmd::kSaveTemplate, L"保存为模板...", L""},
};

MerlaMenuNoteBase::ChooserMaker g_chooser_maker = nullptr;

template <class Menu> Menu* MakeMenu(std::unique_ptr<Menu> menu, int id, const wchar_t* caption, HWND note) {
    if (!menu->Build(id, caption, note))
        return nullptr;
    return menu.release();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// MerlaMenuNoteBase

MerlaMenuNoteBase::MerlaMenuNoteBase(std::vector<NoteMenuEntry> entries, int alpha, std::wstring name,
                                     std::wstring folder)
    : entries_(std::move(entries)), alpha_(alpha), name_(std::move(name)), folder_(std::move(folder)),
      tpl_sub_(std::make_unique<MxMiMenuMoveToSub>(GroupTplsDir(), kTemplateGroupBase)) {}

MerlaMenuNoteBase::~MerlaMenuNoteBase() = default;

bool MerlaMenuNoteBase::Build(int id, const std::wstring& caption, HWND note) {
    if (!MerlaMenu::Build(id, caption, note))
        return false;
    SetOwner(note);
    tpl_sub_->Build(kTemplateSubId, kTemplateSubCaption, note);
    SetSubmenu(NoteCmd::kSaveTemplate, tpl_sub_.get());
    prompt_sub_.reset(MerlaMenuSetPromptSub::Make(note, folder_, name_));
    if (prompt_sub_)
        SetSubmenu(NoteCmd::kReminder, prompt_sub_.get());
    return true;
}

void MerlaMenuNoteBase::SetTemplateChooserMaker(ChooserMaker maker) {
    g_chooser_maker = maker;
}

bool MerlaMenuNoteBase::OnCreate() {
    const bool ok = MerlaMenu::OnCreate();
    SetTimer(handle_, kChooserTimer, kChooserDelayMs, nullptr);
    const int s = shadow_width_;
    int y = s;
    for (const NoteMenuEntry& e : entries_) {
        std::unique_ptr<MerlaMenuItem> item;
        if (e.command == kOpacityCommand) {
            auto alpha_item = std::make_unique<MerlaMenuItemSetAlpha>();
            opacity_ = alpha_item.get();
            item = std::move(alpha_item);
        } else {
            item = std::make_unique<MerlaMenuItem>();
            item->SetIcon(e.picture);
        }
        if (item->Create(e.command, e.text, 0, WS_CHILD | WS_VISIBLE, s, y, kWidth, item_height_, handle_))
            items_.push_back(std::move(item));
        y += item_height_;
    }
    if (opacity_) {
        // The slider shows the transparency; moving it tells the note the new alpha.
        opacity_->Slider().SetReceiver(owner_ ? owner_ : GetWindow(handle_, GW_OWNER));
        opacity_->Slider().SetValue(MerlaMenuItemSetAlpha::kMaxAlpha - alpha_);
    }
    return ok;
}

void MerlaMenuNoteBase::OnTimer(UINT_PTR timer_id) {
    if (timer_id != kChooserTimer) {
        MerlaMenu::OnTimer(timer_id);
        return;
    }
    KillTimer(handle_, kChooserTimer);
    if (!g_chooser_maker || chooser_)
        return;
    chooser_.reset(g_chooser_maker(owner_ ? owner_ : GetWindow(handle_, GW_OWNER)));
    if (chooser_)
        SetSubmenu(NoteCmd::kChooseTemplate, chooser_.get());
}

void MerlaMenuNoteBase::HideMenu() {
    // A menu closed before its chooser's moment never builds it.
    KillTimer(handle_, kChooserTimer);
    MerlaMenu::HideMenu();
    // The reminder panel plays its GIF preview: its window goes with the menu.
    if (prompt_sub_ && prompt_sub_->GetHandle())
        DestroyWindow(prompt_sub_->GetHandle());
}

int MerlaMenuNoteBase::GetMenuHeight() {
    return static_cast<int>(entries_.size()) * item_height_ + 2 * shadow_width_;
}

int MerlaMenuNoteBase::GetMenuWidth() {
    return kWidth + 2 * shadow_width_;
}

MerlaMenuItem* MerlaMenuNoteBase::ItemOf(int command) {
    for (auto& item : items_)
        if (item->GetId() == command)
            return item.get();
    return nullptr;
}

const std::vector<std::wstring>& MerlaMenuNoteBase::TemplateGroups() const {
    return tpl_sub_->GroupNames();
}

// ---------------------------------------------------------------------------------------------
// MerlaMenuNote

MerlaMenuNote::MerlaMenuNote(int alpha, std::wstring name, std::wstring folder)
    : MerlaMenuNoteBase(kNoteEntries, alpha, std::move(name), std::move(folder)),
      group_sub_(std::make_unique<MxMiMenuMoveToSub>(GroupItemsDir(), kNoteGroupBase)),
      mini_sub_(std::make_unique<MerlaItemMenu>(
          std::vector<MerlaMenuEntry>{{NoteCmd::kMinimise, L"最小化", L"minisize.png"},
                                      {NoteCmd::kMinimiseAll, L"最小化所有", L"minisizeall.png"}})),
      trans_sub_(std::make_unique<MerlaItemMenu>(
          std::vector<MerlaMenuEntry>{{NoteCmd::kPassThrough, L"鼠标穿透", L"trans.png"},
                                      {NoteCmd::kPassThroughAll, L"鼠标穿透所有", L""}})) {
    SetObjectName(L"MerlaMenuNote");
}

MerlaMenuNote::~MerlaMenuNote() = default;

MerlaMenuNote* MerlaMenuNote::Make(HWND note, int alpha, const std::wstring& name,
                                   const std::wstring& folder) {
    return MakeMenu(std::make_unique<MerlaMenuNote>(alpha, name, folder), kId, kCaption, note);
}

bool MerlaMenuNote::Build(int id, const std::wstring& caption, HWND note) {
    if (!MerlaMenuNoteBase::Build(id, caption, note))
        return false;
    group_sub_->Build(kNoteGroupBase - 1, kGroupSubCaption, note);
    mini_sub_->Build(kMiniSubId, kMiniSubCaption, note);
    trans_sub_->Build(kTransSubId, kTransSubCaption, note);
    SetSubmenu(NoteCmd::kNewNote, group_sub_.get());
    SetSubmenu(NoteCmd::kMinimise, mini_sub_.get());
    SetSubmenu(NoteCmd::kPassThrough, trans_sub_.get());
    return true;
}

void MerlaMenuNote::SetDeskTied(bool on) {
    if (MerlaMenuItem* item = ItemOf(NoteCmd::kToDesk)) {
        item->SetIcon(on ? kTick : L"");
        item->SetItemText(on ? L"取消嵌入桌面" : L"嵌入桌面");
    }
}

void MerlaMenuNote::SetTopMost(bool on) {
    if (MerlaMenuItem* item = ItemOf(NoteCmd::kTopMost)) {
        item->SetIcon(on ? kTick : L"");
        item->SetItemText(on ? L"取消置顶" : L"置顶显示");
    }
}

const std::vector<std::wstring>& MerlaMenuNote::NoteGroups() const {
    return group_sub_->GroupNames();
}

// ---------------------------------------------------------------------------------------------
// MerlaMenuModifying

MerlaMenuModifying::MerlaMenuModifying(int alpha, std::wstring name, std::wstring folder)
    : MerlaMenuNoteBase(kModifyingEntries, alpha, std::move(name), std::move(folder)) {
    SetObjectName(L"MerlaMenuModifying");
}

MerlaMenuModifying* MerlaMenuModifying::Make(HWND note, int alpha, const std::wstring& name,
                                             const std::wstring& folder) {
    return MakeMenu(std::make_unique<MerlaMenuModifying>(alpha, name, folder), kId, kCaption, note);
}
