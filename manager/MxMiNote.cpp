#include "manager/MxMiNote.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "app/base/SysConfig.h"
#include "manager/ExportRequest.h"
#include "manager/MerlaNewNameGroup.h"
#include "manager/MxMiItemMenu.h"
#include "manager/MxMiMenuExport.h"
#include "note/MerlaItem.h"
#include "store/xml/CXmlDoc.h"
#include "toolkit/MerlaMessageBox.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr wchar_t kSysConfigRoot[] = L"sysconfig";
constexpr wchar_t kManagerKey[] = L"manager";
constexpr wchar_t kLastSelKey[] = L"lastsel";
constexpr wchar_t kGroupTabKey[] = L"grouptab";
constexpr wchar_t kItemKey[] = L"item";
constexpr wchar_t kTabAttr[] = L"tab";
constexpr wchar_t kHint[] = L"双击修改便签";

// Where a tool button stands for one kind of group: x from the left edge, or from the right edge
// (W - x); width 0 hides it.
struct ToolPlace {
    bool from_right;
    int x;
    int width;
};
constexpr ToolPlace kHidden{false, 0, 0};

struct ToolSpec {
    const wchar_t* text;
    int command;
    const wchar_t* picture;
    ToolPlace system, user, bin;
};

const ToolSpec kTools[] = {
    {L"新建分组", MxMiCmd::kNewGroup, L"add.png", {false, 7, 90}, {false, 7, 90}, {false, 7, 90}},
    {L"重命名", MxMiCmd::kRename, L"rename.png", kHidden, {false, 97, 90}, kHidden},
    {L"删除分组", MxMiCmd::kDeleteGroup, L"delete.png", kHidden, {false, 187, 90}, kHidden},
    {L"导出便签", MxMiCmd::kExport, L"export.png", {true, 577, 90}, {true, 577, 90}, {true, 587, 90}},
    {L"恢复便签", MxMiCmd::kRestore, L"recovery.png", kHidden, kHidden, {true, 497, 90}},
    {L"清空回收站", MxMiCmd::kEmptyBin, L"recycle.png", kHidden, kHidden, {true, 407, 100}},
    {L"全选", MxMiCmd::kSelectAll, L"selectall.png", {true, 487, 60}, {true, 487, 60}, {true, 307, 60}},
    {L"反选", MxMiCmd::kInvert, L"reversesel.png", {true, 427, 60}, {true, 427, 60}, {true, 247, 60}},
    {L"显示便签", MxMiCmd::kShow, L"visible.png", {true, 367, 90}, {true, 367, 90}, kHidden},
    {L"隐藏便签", MxMiCmd::kHide, L"invisible.png", {true, 277, 90}, {true, 277, 90}, kHidden},
    {L"移动至-->", MxMiCmd::kMoveTo, L"moveto.png", {true, 187, 90}, {true, 187, 90}, {true, 187, 90}},
    {L"删除便签", MxMiCmd::kDeleteNotes, L"delete.png", {true, 97, 90}, {true, 97, 90}, {true, 97, 90}},
};

// Refusals when no card is chosen.
struct Refusal {
    int command;
    const wchar_t* text;
};
constexpr Refusal kRefusals[] = {
    {MxMiCmd::kDeleteNotes, L"请选择要删除的便签！"}, {MxMiCmd::kRestore, L"请选择要恢复的便签！"},
    {MxMiCmd::kMoveTo, L"请选择要移动的便签！"},      {MxMiCmd::kShow, L"请选择要显示的便签！"},
    {MxMiCmd::kHide, L"请选择要隐藏的便签！"},        {MxMiCmd::kExport, L"请选择要导出的便签！"},
};

constexpr wchar_t kEmptyBinQuestion[] = L"确定要清空回收站吗？";
constexpr wchar_t kDeleteNotesQuestion[] = L"确定要删选择的便签吗？";
constexpr wchar_t kDeleteGroupQuestion[] = L"确定要删选择的分组吗？";

MxMiNote::AskFn g_ask_hook = nullptr;

bool SameNoCase(const std::wstring& a, const std::wstring& b) {
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

} // namespace

void MxMiNote::SetMessageBoxHook(AskFn fn) {
    g_ask_hook = fn;
}

MxMiNote::MxMiNote() {
    SetObjectName(L"MxMiNote");
}

MxMiNote::~MxMiNote() = default;

std::wstring MxMiNote::SettingsPath() {
    return SysConfigPath();
}

int MxMiNote::Ask(const std::wstring& text, int flags) {
    HWND top = GetAncestor(handle_, GA_ROOT);
    if (g_ask_hook)
        return g_ask_hook(top, text, flags);
    return ShowMessageBox(top, text, flags);
}

void MxMiNote::Tell(const std::wstring& text) {
    Ask(text, kMbOk);
}

// ---------------------------------------------------------------------------------------------
// Opening and state

bool MxMiNote::OnCreate() {
    const bool ok = LWnd::OnCreate();
    LWndBatch batch(*this);
    const RECT rc = ClientRect();
    const int W = rc.right, H = rc.bottom;
    group_list_.SetRows(&rows_);
    group_list_.Create(kGroupListId, L"分组显示列表", 0, WS_CHILD | WS_VISIBLE, 0, 0, kGroupListWidth,
                       H - kToolRowHeight, handle_);
    store_.RebuildGroupList();
    column_tab_.Create(kColumnTabId, L"排序的", 0, WS_CHILD | WS_VISIBLE, kGroupListWidth, 0, kColumnTabWidth,
                       kTabHeight, handle_);
    column_tab_.AddItem(kByDay);
    column_tab_.AddItem(kNoColumns);
    const int view_x = kGroupListWidth + kColumnTabWidth;
    view_tab_.Create(kViewTabId, L"显示或者隐藏", 0, WS_CHILD | WS_VISIBLE, view_x, 0,
                     std::max(1, W - view_x), kTabHeight, handle_);
    view_tab_.AddItem(kOnlyShown);
    view_tab_.AddItem(kOnlyHidden);
    view_tab_.AddItem(kAll);
    cards_.Create(kCardListId, L"组便签显示列表", 0, WS_CHILD | WS_VISIBLE, kGroupListWidth, kTabHeight,
                  std::max(1, W - kGroupListWidth), std::max(1, H - kToolRowHeight - kTabHeight), handle_);
    LoadState();
    column_tab_.Subscribe(MxMiTab::kTabChanged, handle_);
    view_tab_.Subscribe(MxMiTab::kTabChanged, handle_);
    group_list_.Subscribe(MSG_MGR_SHOW_GROUP, handle_);
    group_list_.Subscribe(MxMiGroupList::kContextMenu, handle_);
    for (const ToolSpec& t : kTools) {
        auto bt = std::make_unique<MerlaBt>(t.picture, t.text);
        if (bt->Create(t.command, t.text, 0, WS_CHILD, 0, H - kToolTop, t.system.width, kToolHeight, handle_))
            tools_.push_back(std::move(bt));
    }
    hint_.SetColor(kHintColor);
    hint_.Create(kHintId, kHint, 0, WS_CHILD | WS_VISIBLE, W - kHintRight, H - kToolTop, kHintWidth,
                 kToolHeight, handle_);
    view_tab_.SelectText(kAll);
    if (!rows_.SelectName(last_sel_))
        rows_.Select(0);
    group_list_.RowsChanged();
    PostShowGroup(rows_.Selected());
    return ok;
}

void MxMiNote::LoadState() {
    last_sel_.clear();
    modes_.clear();
    CXmlDoc doc;
    if (!doc.Load(SysConfigPath()) || !doc.FindNext(kSysConfigRoot) || !doc.Into() ||
        !doc.FindNext(kManagerKey) || !doc.Into())
        return;
    doc.GetChildText(kLastSelKey, last_sel_);
    doc.Rewind();
    if (!doc.FindNext(kGroupTabKey) || !doc.Into())
        return;
    while (doc.FindNext(kItemKey))
        modes_.emplace_back(doc.GetText(), doc.GetAttr(kTabAttr));
}

void MxMiNote::SaveState() {
    CXmlDoc doc;
    if (!OpenSettingsFile(doc, SysConfigPath(), kSysConfigRoot, 0) || !doc.Into() ||
        !doc.EnsureChild(kManagerKey) || !doc.Into())
        return;
    doc.SetChildText(kLastSelKey, CurrentGroup());
    doc.Rewind();
    if (!doc.EnsureChild(kGroupTabKey) || !doc.Into())
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

void MxMiNote::OnDestroy() {
    SaveState();
    LWnd::OnDestroy();
}

std::wstring MxMiNote::RememberedMode(const std::wstring& group) const {
    for (const auto& m : modes_) {
        if (m.first == group)
            return m.second;
    }
    return {};
}

void MxMiNote::RememberMode(const std::wstring& group, const std::wstring& text) {
    for (auto& m : modes_) {
        if (m.first == group) {
            m.second = text;
            return;
        }
    }
    modes_.emplace_back(group, text);
}

void MxMiNote::ForgetColumnMode(const std::wstring& group) {
    modes_.erase(std::remove_if(modes_.begin(), modes_.end(),
                                [&](const auto& m) { return SameNoCase(m.first, group); }),
                 modes_.end());
    // A deleted or renamed group's mode leaves the file at once.
    SaveState();
}

void MxMiNote::RenameColumnMode(const std::wstring& from, const std::wstring& to) {
    const std::wstring mode = cards_.ColumnModeText();
    ForgetColumnMode(from);
    RememberMode(to, mode.empty() ? std::wstring(kNoColumns) : mode);
}

// ---------------------------------------------------------------------------------------------
// Store events

void MxMiNote::PostShowGroup(int group_row) {
    PostMessageW(handle_, MSG_MGR_SHOW_GROUP, 0, group_row);
}

void MxMiNote::ShowMessage(const std::wstring& text) {
    Tell(text);
}

void MxMiNote::ClearNoteList() {
    cards_.Clear();
    cards_.LayoutCards();
}

// ---------------------------------------------------------------------------------------------
// Groups, tabs and cards

MxMiNote::GroupKind MxMiNote::KindOf(const std::wstring& group) const {
    if (group == RecycleBinName)
        return GroupKind::kRecycleBin;
    if (group.empty() || group == SystemGroupName)
        return GroupKind::kSystem;
    return GroupKind::kUser;
}

void MxMiNote::ShowGroup(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.Rows().size()))
        return;
    LWndBatch batch(*this);
    rows_.Select(row);
    group_list_.RowsChanged();
    const std::wstring name = rows_.Rows()[row];
    const GroupKind kind = KindOf(name);
    // A group folder that vanished while shown gives an empty list.
    cards_.Clear();
    cards_.SetGroupName(name);
    cards_.SetFolder(GroupFolderFor(name));
    cards_.Reload();
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

void MxMiNote::OnTabChanged(int strip_id) {
    LWndBatch batch(*this);
    if (strip_id == kColumnTabId) {
        const std::wstring text = column_tab_.SelectedText();
        RememberMode(CurrentGroup(), text);
        cards_.SetColumnMode(text);
        cards_.LayoutCards();
    } else if (strip_id == kViewTabId) {
        const std::wstring text = view_tab_.SelectedText();
        cards_.SetFilter(text);
        view_tab_.SetSelectedColor(text == kOnlyHidden ? kHiddenViewColor : kThemeColor);
        cards_.Reload();
        cards_.LayoutCards();
    }
}

void MxMiNote::LayoutToolButtons() {
    const RECT rc = ClientRect();
    const int W = rc.right, H = rc.bottom;
    const GroupKind kind = KindOf(CurrentGroup());
    for (size_t i = 0; i < tools_.size() && i < std::size(kTools); ++i) {
        const ToolSpec& t = kTools[i];
        const ToolPlace& p =
            kind == GroupKind::kRecycleBin ? t.bin : (kind == GroupKind::kUser ? t.user : t.system);
        MerlaBt& bt = *tools_[i];
        if (p.width == 0) {
            bt.Show(SW_HIDE);
            continue;
        }
        const int x = p.from_right ? W - p.x : p.x;
        MoveWindow(bt.GetHandle(), x, H - kToolTop, p.width, kToolHeight, FALSE);
        bt.Show(SW_SHOWNA);
    }
    if (hint_.GetHandle())
        MoveWindow(hint_.GetHandle(), W - kHintRight, H - kToolTop, kHintWidth, kToolHeight, FALSE);
}

MerlaBt* MxMiNote::ToolButton(int command) {
    for (auto& bt : tools_) {
        if (bt->GetId() == command)
            return bt.get();
    }
    return nullptr;
}

bool MxMiNote::OnSize(UINT type, int width, int height) {
    LWndBatch batch(*this);
    if (group_list_.GetHandle()) {
        MoveWindow(group_list_.GetHandle(), 0, 0, kGroupListWidth, std::max(1, height - kToolRowHeight),
                   FALSE);
        const int view_x = kGroupListWidth + kColumnTabWidth;
        MoveWindow(view_tab_.GetHandle(), view_x, 0, std::max(1, width - view_x), kTabHeight, FALSE);
        MoveWindow(cards_.GetHandle(), kGroupListWidth, kTabHeight, std::max(1, width - kGroupListWidth),
                   std::max(1, height - kToolRowHeight - kTabHeight), FALSE);
        LayoutToolButtons();
    }
    return LWnd::OnSize(type, width, height);
}

LSurface MxMiNote::RenderContent() {
    LSurface s = LWnd::RenderContent();
    if (!s)
        return s;
    const int W = s.width(), H = s.height();
    s.FillRect(0, H - kToolRowHeight, W, kToolRowHeight, kToolBand);
    s.FillRect(0, H - kToolRowHeight, W, 1, kToolLine);
    return s;
}

std::vector<std::wstring> MxMiNote::SelectedVector() const {
    const std::set<std::wstring> names = cards_.SelectedNames();
    return {names.begin(), names.end()};
}

// ---------------------------------------------------------------------------------------------
// Commands

void MxMiNote::PopupAtButton(LWndMenu* menu, int command) {
    RECT r{};
    if (MerlaBt* bt = ToolButton(command))
        GetWindowRect(bt->GetHandle(), &r);
    menu->PopupAt(r.left, r.bottom);
}

void MxMiNote::NewGroup() {
    MerlaNewNameGroup dialog(store_);
    if (dialog.DoModal(MerlaNewNameGroup::kId, GetAncestor(handle_, GA_ROOT)) != IDOK)
        return;
    // The list selects the group selected before again.
    store_.RebuildGroupList();
    group_list_.RowsChanged();
}

void MxMiNote::RenameCurrentGroup() {
    const std::wstring old_name = CurrentGroup();
    if (KindOf(old_name) != GroupKind::kUser)
        return;
    MerlaRenameGroup dialog(store_);
    if (dialog.DoModal(MerlaNewNameGroup::kId, GetAncestor(handle_, GA_ROOT)) != IDOK)
        return;
    store_.RenameGroup(old_name, dialog.AcceptedName());
    group_list_.RowsChanged();
}

void MxMiNote::RunCommand(int command) {
    const bool none = cards_.SelectedNames().empty();
    for (const Refusal& r : kRefusals) {
        if (r.command == command && none) {
            Tell(r.text);
            return;
        }
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
        if (!menu->Build(MxMiMenuDel::kId, L"删除菜单", handle_, true, CurrentGroup())) {
            delete menu;
            break;
        }
        PopupAtButton(menu, command);
        break;
    }
    case MxMiCmd::kEmptyBin:
        if (Ask(kEmptyBinQuestion, kMbOk | kMbCancel) == kMbOk)
            store_.EmptyRecycleBin();
        break;
    case MxMiCmd::kDeleteNotes:
        pending_ = MxMiCmd::kDeleteNotes;
        PostMessageW(handle_, LNotify::kCommand, MxMiCmd::kConfirm, 0);
        break;
    case MxMiCmd::kRestore: {
        const std::vector<std::wstring> names = SelectedVector();
        cards_.RemoveCards(names);
        store_.RestoreNotes(names);
        group_list_.RowsChanged();
        break;
    }
    case MxMiCmd::kSelectAll:
        cards_.SelectAll();
        break;
    case MxMiCmd::kInvert:
        cards_.InvertSelection();
        break;
    case MxMiCmd::kMoveTo: {
        pending_ = MxMiCmd::kDeleteNotes;
        if (MxMiMenuMoveToSub* menu = NewMoveMenu(handle_, CurrentGroup()))
            PopupAtButton(menu, command);
        break;
    }
    case MxMiCmd::kShow:
        store_.ShowNotes(CurrentGroup(), SelectedVector());
        break;
    case MxMiCmd::kHide:
        store_.HideNotes(CurrentGroup(), SelectedVector());
        break;
    case MxMiCmd::kExport: {
        if (MxMiMenuExport* menu = MxMiMenuExport::Make(kExportMenuId, handle_))
            PopupAtButton(menu, command);
        break;
    }
    default:
        break;
    }
}

void MxMiNote::Confirm() {
    if (pending_ == MxMiCmd::kDeleteGroup) {
        if (Ask(kDeleteGroupQuestion, kMbOk | kMbCancel) != kMbOk)
            return;
        store_.DeleteGroup(CurrentGroup());
        group_list_.RowsChanged();
    } else if (pending_ == MxMiCmd::kDeleteNotes) {
        if (Ask(kDeleteNotesQuestion, kMbOk | kMbCancel) != kMbOk)
            return;
        const std::vector<std::wstring> names = SelectedVector();
        cards_.RemoveCards(names);
        store_.DeleteNotes(CurrentGroup(), names);
    }
}

void MxMiNote::MoveTo(int command) {
    const std::wstring current = CurrentGroup();
    // The entries of the move menu as it was built: groups other than the current one.
    std::wstring target;
    if (command != MxMiCmd::kMoveToDefault) {
        const std::vector<std::wstring> entries = MxMiMenuMoveToSub::ListGroups(GroupItemsDir(), current);
        const int entry = GroupListEntry(command, MxMiCmd::kMoveToDefault, entries.size());
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
        // Every note folder of the group moves, not only the cards the filter shows.
        store_.DeleteGroupAndMove(current, target);
        group_list_.RowsChanged();
        return;
    }
    const std::vector<std::wstring> names = SelectedVector();
    cards_.RemoveCards(names);
    store_.MoveNotesToGroup(current, names, target);
    PostShowGroup(rows_.Selected());
}

void MxMiNote::OpenGroupMenu(int x, int y) {
    pending_ = MxMiCmd::kDeleteGroup;
    const bool user = KindOf(CurrentGroup()) == GroupKind::kUser;
    auto* menu = new MerlaMenuGroupOp(user);
    if (!menu->Build(MerlaMenuGroupOp::kId, L"分组编辑菜单", handle_, user, CurrentGroup())) {
        delete menu;
        return;
    }
    menu->PopupAt(x + kMenuOffset, y + kMenuOffset);
}

void MxMiNote::Search(const std::wstring& text) {
    const SearchResult r = search_.Next(text, cards_.Filter(), rows_.Rows(), rows_.Selected());
    if (r.status == SearchResult::kEmptyText) {
        Tell(kMsgSearchEmpty);
        return;
    }
    if (r.status == SearchResult::kNotFound) {
        cards_.ClearSearchHit();
        Tell(kMsgSearchNotFound);
        view_tab_.SearchBox().SetFocusWnd();
        return;
    }
    if (r.row != rows_.Selected())
        SendMessageW(handle_, MSG_MGR_SHOW_GROUP, 0, r.row);
    cards_.MarkSearchHit(r.name);
}

// ---------------------------------------------------------------------------------------------
// Messages

LRESULT MxMiNote::OnNotify(UINT message, WPARAM wp, LPARAM lp) {
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
        } else if (command >= MxMiCmd::kMoveToDefault &&
                   command <= MxMiCmd::kMoveToDefault + NoteCmd::kGroupRange) {
            MoveTo(command);
        } else if (command >= ExportCmd::kRichText && command <= ExportCmd::kPictures) {
            RunExport(GetAncestor(handle_, GA_ROOT), command, CurrentGroup(), cards_.SelectedNames());
        }
        return 0;
    }
    return LWnd::OnNotify(message, wp, lp);
}

LRESULT MxMiNote::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case MxMiTab::kTabChanged:
        OnTabChanged(static_cast<int>(wp));
        return 0;
    case MSG_MGR_SHOW_GROUP:
        ShowGroup(static_cast<int>(lp));
        return 0;
    case MSG_MGR_SEARCH:
        Search(view_tab_.SearchBox().GetText());
        return 0;
    case MxMiGroupList::kContextMenu:
        OpenGroupMenu(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        return 0;
    default:
        break;
    }
    return LWnd::WindowProc(message, wp, lp);
}
