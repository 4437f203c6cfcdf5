#include "manager/MxMiNote.h"

#include "app/base/AppPaths.h"
#include "manager/ExportRequest.h"
#include "manager/MxMiItemMenu.h"
#include "manager/MxMiMenuExport.h"

#include <algorithm>

namespace {

constexpr MxMiPage::ToolPlace kHidden{false, 0, 0};

const MxMiPage::ToolEntry kTools[] = {
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

constexpr MxMiPage::ToolPlace kHintPlace{true, 670, 89};

constexpr MxMiPage::Refusal kRefusals[] = {
    {MxMiCmd::kDeleteNotes, L"请选择要删除的便签！"}, {MxMiCmd::kRestore, L"请选择要恢复的便签！"},
    {MxMiCmd::kMoveTo, L"请选择要移动的便签！"},      {MxMiCmd::kShow, L"请选择要显示的便签！"},
    {MxMiCmd::kHide, L"请选择要隐藏的便签！"},        {MxMiCmd::kExport, L"请选择要导出的便签！"},
};

const MxMiPage::PageTable kNotesPage = {
    L"lastsel",
    L"grouptab",
    {MxMiNote::kColumnTabId, L"排序的"},
    MxMiNote::kColumnTabWidth,
    {MxMiNote::kCardListId, L"组便签显示列表"},
    kTools,
    std::size(kTools),
    {L"双击修改便签", MxMiNote::kHintId, nullptr, kHintPlace, kHintPlace, kHintPlace},
    kRefusals,
    std::size(kRefusals),
    MxMiCmd::kDeleteNotes,
    L"确定要删选择的便签吗？",
    MxMiCmd::kMoveToDefault,
};

} // namespace

MxMiNote::MxMiNote() : MxMiPage(kNotesPage, GroupItemsDir()) {
    SetObjectName(L"MxMiNote");
}

MxMiNote::~MxMiNote() = default;

void MxMiNote::CreateExtras(int width, int) {
    const int view_x = kGroupListWidth + kColumnTabWidth;
    view_tab_.Create(kViewTabId, L"显示或者隐藏", 0, WS_CHILD | WS_VISIBLE, view_x, 0,
                     std::max(1, width - view_x), kTabHeight, handle_);
    view_tab_.AddItem(kOnlyShown);
    view_tab_.AddItem(kOnlyHidden);
    view_tab_.AddItem(kAll);
    view_tab_.Subscribe(MxMiTab::kTabChanged, handle_);
}

void MxMiNote::OnOpened() {
    view_tab_.SelectText(kAll);
}

bool MxMiNote::OnSize(UINT type, int width, int height) {
    if (view_tab_.GetHandle()) {
        const int view_x = kGroupListWidth + kColumnTabWidth;
        MoveWindow(view_tab_.GetHandle(), view_x, 0, std::max(1, width - view_x), kTabHeight, FALSE);
    }
    return MxMiPage::OnSize(type, width, height);
}

void MxMiNote::OnTabChanged(int strip_id) {
    if (strip_id != kViewTabId) {
        MxMiPage::OnTabChanged(strip_id);
        return;
    }
    LWndBatch batch(*this);
    const std::wstring text = view_tab_.SelectedText();
    cards_.SetFilter(text);
    view_tab_.SetSelectedColor(text == kOnlyHidden ? kHiddenViewColor : kThemeColor);
    cards_.Reload();
    cards_.LayoutCards();
}

void MxMiNote::RunPageCommand(int command) {
    switch (command) {
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
        if (command >= ExportCmd::kRichText && command <= ExportCmd::kPictures)
            RunExport(GetAncestor(handle_, GA_ROOT), command, CurrentGroup(), cards_.SelectedNames());
        break;
    }
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

LRESULT MxMiNote::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    if (message == MSG_MGR_SEARCH) {
        Search(view_tab_.SearchBox().GetText());
        return 0;
    }
    return MxMiPage::WindowProc(message, wp, lp);
}
