#include "manager/MxMiPage.h"

#include "app/base/AppPaths.h"
#include "app/base/SysConfig.h"
#include "manager/MerlaNewNameGroup.h"
#include "manager/MxMiItemMenu.h"
#include "note/MerlaItem.h"
#include "store/xml/CXmlDoc.h"
#include "toolkit/MerlaMessageBox.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr wchar_t kSysConfigRoot[] = L"sysconfig";
constexpr wchar_t kManagerKey[] = L"manager";
constexpr wchar_t kItemKey[] = L"item";
constexpr wchar_t kTabAttr[] = L"tab";

constexpr wchar_t kEmptyBinQuestion[] = L"确定要清空回收站吗？";
constexpr wchar_t kDeleteGroupQuestion[] = L"确定要删选择的分组吗？";

MxMiPage::AskFn g_ask_hook = nullptr;

bool SameNoCase(const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

} // namespace

void MxMiPage::SetMessageBoxHook(AskFn fn) {
    g_ask_hook = fn;
}

MxMiPage::MxMiPage(const PageTable& table, std::wstring groups_dir)
    : rows_(std::move(groups_dir)), table_(table) {}

MxMiPage::~MxMiPage() = default;

std::wstring MxMiPage::SettingsPath() {
    return SysConfigPath();
}

int MxMiPage::Ask(const std::wstring& text, int flags) {
    HWND top = GetAncestor(handle_, GA_ROOT);
    if (g_ask_hook)
        return g_ask_hook(top, text, flags);
    return ShowMessageBox(top, text, flags);
}

void MxMiPage::Tell(const std::wstring& text) {
    Ask(text, kMbOk);
}

void MxMiPage::CreateExtras(int, int) {}

void MxMiPage::OnOpened() {}

void MxMiPage::RunPageCommand(int) {}

// ---------------------------------------------------------------------------------------------
// Opening and state

bool MxMiPage::OnCreate() {
    const bool ok = LWnd::OnCreate();
    LWndBatch batch(*this);
    const RECT rc = ClientRect();
    const int W = rc.right, H = rc.bottom;
    group_list_.SetRows(&rows_);
    group_list_.Create(kGroupListId, L"分组显示列表", 0, WS_CHILD | WS_VISIBLE, 0, 0, kGroupListWidth,
                       H - kToolRowHeight, handle_);
    PageStore().RebuildGroupList();
    const int tab_width = table_.column_tab_width > 0 ? table_.column_tab_width : W - kGroupListWidth;
    column_tab_.Create(table_.column_tab.id, table_.column_tab.text, 0, WS_CHILD | WS_VISIBLE,
                       kGroupListWidth, 0, std::max(1, tab_width), kTabHeight, handle_);
    column_tab_.AddItem(kByDay);
    column_tab_.AddItem(kNoColumns);
    CreateExtras(W, H);
    PageCards().Create(table_.cards.id, table_.cards.text, 0, WS_CHILD | WS_VISIBLE, kGroupListWidth,
                       kTabHeight, std::max(1, W - kGroupListWidth),
                       std::max(1, H - kToolRowHeight - kTabHeight), handle_);
    LoadState();
    column_tab_.Subscribe(MxMiTab::kTabChanged, handle_);
    group_list_.Subscribe(MSG_MGR_SHOW_GROUP, handle_);
    group_list_.Subscribe(MxMiGroupList::kContextMenu, handle_);
    for (size_t i = 0; i < table_.tool_count; ++i) {
        const ToolEntry& t = table_.tools[i];
        auto bt = std::make_unique<MerlaBt>(t.picture, t.text);
        if (bt->Create(t.command, t.text, 0, WS_CHILD, 0, H - kToolTop, t.system.width, kToolHeight, handle_))
            tools_.push_back(std::move(bt));
    }
    hint_.SetColor(kHintColor);
    hint_.Create(table_.hint.command, table_.hint.text, 0, WS_CHILD, 0, H - kToolTop,
                 table_.hint.system.width, kToolHeight, handle_);
    OnOpened();
    if (!rows_.SelectName(last_sel_))
        rows_.Select(0);
    group_list_.RowsChanged();
    PostShowGroup(rows_.Selected());
    return ok;
}

void MxMiPage::LoadState() {
    last_sel_.clear();
    modes_.clear();
    CXmlDoc doc;
    if (!doc.Load(SysConfigPath()) || !doc.FindNext(kSysConfigRoot) || !doc.Into() ||
        !doc.FindNext(kManagerKey) || !doc.Into())
        return;
    doc.GetChildText(table_.last_sel_key, last_sel_);
    doc.Rewind();
    if (!doc.FindNext(table_.group_tab_key) || !doc.Into())
        return;
    while (doc.FindNext(kItemKey))
        modes_.emplace_back(doc.GetText(), doc.GetAttr(kTabAttr));
}

void MxMiPage::SaveState() {
    CXmlDoc doc;
    if (!OpenSettingsFile(doc, SysConfigPath(), kSysConfigRoot, 0) || !doc.Into() ||
        !doc.EnsureChild(kManagerKey) || !doc.Into())
        return;
    doc.SetChildText(table_.last_sel_key, CurrentGroup());
    doc.Rewind();
    if (!doc.EnsureChild(table_.group_tab_key) || !doc.Into())
        return;
    // Over the existing items in order, then new ones; surplus items go.
    size_t i = 0;
    while (doc.FindNext(kItemKey)) {
        if (i < modes_.size()) {
            doc.SetText(modes_[i].first);
            doc.SetAttr(kTabAttr, modes_[i].second);
            ++i;
        } else {
            doc.RemoveCurrent();
        }
    }
    for (; i < modes_.size(); ++i) {
        doc.AddNext(kItemKey, modes_[i].first);
        doc.SetAttr(kTabAttr, modes_[i].second);
    }
    doc.Save(SysConfigPath());
}

void MxMiPage::OnDestroy() {
    SaveState();
    LWnd::OnDestroy();
}

std::wstring MxMiPage::RememberedMode(const std::wstring& group) const {
    for (const auto& m : modes_) {
        if (m.first == group)
            return m.second;
    }
    return {};
}

void MxMiPage::RememberMode(const std::wstring& group, const std::wstring& text) {
    for (auto& m : modes_) {
        if (m.first == group) {
            m.second = text;
            return;
        }
    }
    modes_.emplace_back(group, text);
}

void MxMiPage::ForgetColumnMode(const std::wstring& group) {
    modes_.erase(std::remove_if(modes_.begin(), modes_.end(),
                                [&](const auto& m) { return SameNoCase(m.first, group); }),
                 modes_.end());
    // A deleted or renamed group's mode leaves the file at once.
    SaveState();
}

void MxMiPage::RenameColumnMode(const std::wstring& from, const std::wstring& to) {
    const std::wstring mode = PageCards().ColumnModeText();
    ForgetColumnMode(from);
    RememberMode(to, mode.empty() ? std::wstring(kNoColumns) : mode);
}

// ---------------------------------------------------------------------------------------------
// Store events

void MxMiPage::PostShowGroup(int group_row) {
    PostMessageW(handle_, MSG_MGR_SHOW_GROUP, 0, group_row);
}

void MxMiPage::ShowMessage(const std::wstring& text) {
    Tell(text);
}

void MxMiPage::ClearNoteList() {
    PageCards().Clear();
    PageCards().LayoutCards();
}

// ---------------------------------------------------------------------------------------------
// Groups, tabs and cards

MxMiPage::GroupKind MxMiPage::KindOf(const std::wstring& group) {
    if (group == RecycleBinName)
        return GroupKind::kRecycleBin;
    if (group.empty() || group == SystemGroupName)
        return GroupKind::kSystem;
    return GroupKind::kUser;
}

void MxMiPage::ShowGroup(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.Rows().size()))
        return;
    LWndBatch batch(*this);
    rows_.Select(row);
    group_list_.RowsChanged();
    const std::wstring name = rows_.Rows()[row];
    const GroupKind kind = KindOf(name);
    MxMiNList& cards = PageCards();
    // A group folder that vanished while shown gives an empty list.
    cards.Clear();
    cards.SetGroupName(name);
    cards.SetFolder(PageStore().FolderOf(name));
    ReloadCards();
    if (kind == GroupKind::kRecycleBin) {
        if (std::find(column_tab_.Items().begin(), column_tab_.Items().end(), kByGroup) ==
            column_tab_.Items().end())
            column_tab_.AddItem(kByGroup);
    } else {
        column_tab_.RemoveItem(kByGroup);
    }
    LayoutToolButtons();
    std::wstring mode = RememberedMode(name);
    if (mode.empty() || (mode == kByGroup && kind != GroupKind::kRecycleBin))
        mode = kNoColumns;
    if (!column_tab_.SelectText(mode))
        column_tab_.SelectText(kNoColumns);
    Redraw();
}

void MxMiPage::OnTabChanged(int strip_id) {
    if (strip_id != table_.column_tab.id)
        return;
    LWndBatch batch(*this);
    const std::wstring text = column_tab_.SelectedText();
    RememberMode(CurrentGroup(), text);
    PageCards().SetColumnMode(text);
    PageCards().LayoutCards();
}

void MxMiPage::LayoutToolButtons() {
    const RECT rc = ClientRect();
    const int W = rc.right, H = rc.bottom;
    const GroupKind kind = KindOf(CurrentGroup());
    auto place = [&](LWnd& window, const ToolEntry& t) {
        const ToolPlace& p =
            kind == GroupKind::kRecycleBin ? t.bin : (kind == GroupKind::kUser ? t.user : t.system);
        if (!window.GetHandle())
            return;
        if (p.width == 0) {
            window.Show(SW_HIDE);
            return;
        }
        const int x = p.from_right ? W - p.x : p.x;
        MoveWindow(window.GetHandle(), x, H - kToolTop, p.width, kToolHeight, FALSE);
        window.Show(SW_SHOWNA);
    };
    for (size_t i = 0; i < tools_.size() && i < table_.tool_count; ++i)
        place(*tools_[i], table_.tools[i]);
    place(hint_, table_.hint);
}

MerlaBt* MxMiPage::ToolButton(int command) {
    for (auto& bt : tools_) {
        if (bt->GetId() == command)
            return bt.get();
    }
    return nullptr;
}

bool MxMiPage::OnSize(UINT type, int width, int height) {
    LWndBatch batch(*this);
    if (group_list_.GetHandle()) {
        MoveWindow(group_list_.GetHandle(), 0, 0, kGroupListWidth, std::max(1, height - kToolRowHeight),
                   FALSE);
        if (table_.column_tab_width == 0)
            MoveWindow(column_tab_.GetHandle(), kGroupListWidth, 0, std::max(1, width - kGroupListWidth),
                       kTabHeight, FALSE);
        MoveWindow(PageCards().GetHandle(), kGroupListWidth, kTabHeight, std::max(1, width - kGroupListWidth),
                   std::max(1, height - kToolRowHeight - kTabHeight), FALSE);
        LayoutToolButtons();
    }
    return LWnd::OnSize(type, width, height);
}

LSurface MxMiPage::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (!s)
        return s;
    const int W = s.width(), H = s.height();
    s.FillRect(0, H - kToolRowHeight, W, kToolRowHeight, kToolBand);
    s.FillRect(0, H - kToolRowHeight, W, 1, kToolLine);
    return s;
}

std::vector<std::wstring> MxMiPage::SelectedVector() {
    const std::set<std::wstring> names = PageCards().SelectedNames();
    return {names.begin(), names.end()};
}

// ---------------------------------------------------------------------------------------------
// Commands

void MxMiPage::PopupAtButton(LWndMenu* menu, int command) {
    RECT r{};
    if (MerlaBt* bt = ToolButton(command))
        GetWindowRect(bt->GetHandle(), &r);
    menu->PopupAt(r.left, r.bottom);
}

void MxMiPage::NewGroup() {
    MerlaNewNameGroup dialog(PageStore());
    if (dialog.DoModal(MerlaNewNameGroup::kId, GetAncestor(handle_, GA_ROOT)) != IDOK)
        return;
    // The list selects the group selected before again.
    PageStore().RebuildGroupList();
    group_list_.RowsChanged();
}

void MxMiPage::RenameCurrentGroup() {
    const std::wstring old_name = CurrentGroup();
    if (KindOf(old_name) != GroupKind::kUser)
        return;
    MerlaRenameGroup dialog(PageStore());
    if (dialog.DoModal(MerlaNewNameGroup::kId, GetAncestor(handle_, GA_ROOT)) != IDOK)
        return;
    PageStore().RenameGroup(old_name, dialog.AcceptedName());
    group_list_.RowsChanged();
}

void MxMiPage::RunCommand(int command) {
    const bool none = PageCards().SelectedNames().empty();
    for (size_t i = 0; i < table_.refusal_count; ++i) {
        if (table_.refusals[i].command == command && none) {
            Tell(table_.refusals[i].text);
            return;
        }
    }
    if (command == table_.delete_command) {
        pending_ = table_.delete_command;
        PostMessageW(handle_, LNotify::kCommand, MxMiCmd::kConfirm, 0);
        return;
    }
    switch (command) {
    case MxMiCmd::kNewGroup:
        NewGroup();
        break;
    case MxMiCmd::kRename:
        RenameCurrentGroup();
        break;
    case MxMiCmd::kDeleteGroup: {
        if (KindOf(CurrentGroup()) != GroupKind::kUser)
            break;
        pending_ = MxMiCmd::kDeleteGroup;
        auto* menu = new MxMiMenuDel();
        if (!menu->Build(MxMiMenuDel::kId, L"删除菜单", handle_, true, CurrentGroup(),
                         PageStore().Layout().groups_dir(), table_.move_base)) {
            delete menu;
            break;
        }
        PopupAtButton(menu, command);
        break;
    }
    case MxMiCmd::kEmptyBin:
        if (Ask(kEmptyBinQuestion, kMbOk | kMbCancel) == kMbOk)
            PageStore().EmptyRecycleBin();
        break;
    case MxMiCmd::kRestore: {
        const std::vector<std::wstring> names = SelectedVector();
        PageCards().RemoveCards(names);
        PageStore().RestoreNotes(names);
        group_list_.RowsChanged();
        break;
    }
    case MxMiCmd::kSelectAll:
        PageCards().SelectAll();
        break;
    case MxMiCmd::kInvert:
        PageCards().InvertSelection();
        break;
    case MxMiCmd::kMoveTo: {
        pending_ = table_.delete_command;
        if (MxMiMenuMoveToSub* menu =
                NewMoveMenu(handle_, CurrentGroup(), PageStore().Layout().groups_dir(), table_.move_base))
            PopupAtButton(menu, command);
        break;
    }
    default:
        RunPageCommand(command);
        break;
    }
}

void MxMiPage::Confirm() {
    if (pending_ == MxMiCmd::kDeleteGroup) {
        if (Ask(kDeleteGroupQuestion, kMbOk | kMbCancel) != kMbOk)
            return;
        PageStore().DeleteGroup(CurrentGroup());
        group_list_.RowsChanged();
    } else if (pending_ == table_.delete_command) {
        if (Ask(table_.delete_question, kMbOk | kMbCancel) != kMbOk)
            return;
        const std::vector<std::wstring> names = SelectedVector();
        PageCards().RemoveCards(names);
        PageStore().DeleteNotes(CurrentGroup(), names);
    }
}

void MxMiPage::MoveTo(int command) {
    const std::wstring current = CurrentGroup();
    // The entries of the move menu as it was built: groups other than the current one.
    std::wstring target;
    if (command != table_.move_base) {
        const std::vector<std::wstring> entries =
            MxMiMenuMoveToSub::ListGroups(PageStore().Layout().groups_dir(), current);
        const int entry = GroupListEntry(command, table_.move_base, entries.size());
        if (entry < 0)
            return;
        target = entries[static_cast<size_t>(entry)];
    }
    const std::wstring current_name = current == SystemGroupName ? std::wstring() : current;
    if (target == current_name)
        return;
    if (pending_ == MxMiCmd::kDeleteGroup) {
        if (KindOf(current) != GroupKind::kUser)
            return;
        // Every folder of the group moves, not only the cards the list shows.
        PageStore().DeleteGroupAndMove(current, target);
        group_list_.RowsChanged();
        return;
    }
    const std::vector<std::wstring> names = SelectedVector();
    PageCards().RemoveCards(names);
    PageStore().MoveNotesToGroup(current, names, target);
    PostShowGroup(rows_.Selected());
}

void MxMiPage::OpenGroupMenu(int x, int y) {
    pending_ = MxMiCmd::kDeleteGroup;
    const bool user = KindOf(CurrentGroup()) == GroupKind::kUser;
    auto* menu = new MerlaMenuGroupOp(user);
    if (!menu->Build(MerlaMenuGroupOp::kId, L"分组编辑菜单", handle_, user, CurrentGroup(),
                     PageStore().Layout().groups_dir(), table_.move_base)) {
        delete menu;
        return;
    }
    menu->PopupAt(x + kMenuOffset, y + kMenuOffset);
}

// ---------------------------------------------------------------------------------------------
// Messages

LRESULT MxMiPage::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
    if (message == LNotify::kButtonClicked) {
        RunCommand(static_cast<int>(wp));
        return 0;
    }
    if (message == LNotify::kCommand) {
        const int command = static_cast<int>(wp);
        if (command == MxMiCmd::kConfirm) {
            Confirm();
        } else if (command == MxMiCmd::kDeleteGroup) {
            pending_ = MxMiCmd::kDeleteGroup;
            Confirm();
        } else if (command == MxMiCmd::kNewGroup || command == MxMiCmd::kRename) {
            RunCommand(command);
        } else if (command >= table_.move_base && command <= table_.move_base + NoteCmd::kGroupRange) {
            MoveTo(command);
        } else {
            RunPageCommand(command);
        }
        return 0;
    }
    return LWnd::OnNotify(message, wp, lp);
}

LRESULT MxMiPage::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case MxMiTab::kTabChanged:
        OnTabChanged(static_cast<int>(wp));
        return 0;
    case MSG_MGR_SHOW_GROUP:
        ShowGroup(static_cast<int>(lp));
        return 0;
    case MxMiGroupList::kContextMenu:
        OpenGroupMenu(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        return 0;
    default:
        break;
    }
    return LWnd::WindowProc(message, wp, lp);
}
