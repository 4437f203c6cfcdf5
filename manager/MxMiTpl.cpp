#include "manager/MxMiTpl.h"

#include "app/base/AppPaths.h"
#include "manager/MxMiItemMenu.h"
#include "note/MerlaItem.h"
#include "note/PictureChoice.h"

namespace {

constexpr MxMiPage::ToolPlace kHidden{false, 0, 0};

const MxMiPage::ToolEntry kTools[] = {
    {L"新建分组", MxMiCmd::kNewGroup, L"add.png", {false, 7, 90}, {false, 7, 90}, {false, 7, 90}},
    {L"重命名", MxMiCmd::kRename, L"rename.png", kHidden, {false, 97, 90}, kHidden},
    {L"删除分组", MxMiCmd::kDeleteGroup, L"delete.png", kHidden, {false, 187, 90}, kHidden},
    {L"清空回收站", MxMiCmd::kEmptyBin, L"recycle.png", kHidden, kHidden, {true, 497, 100}},
    {L"恢复模板", MxMiCmd::kRestore, L"recovery.png", kHidden, kHidden, {true, 397, 90}},
    {L"全选", MxMiCmd::kSelectAll, L"selectall.png", {true, 397, 60}, {true, 397, 60}, {true, 307, 60}},
    {L"反选", MxMiCmd::kInvert, L"reversesel.png", {true, 337, 60}, {true, 337, 60}, {true, 247, 60}},
    {L"移动至-->", MxMiCmd::kMoveTo, L"moveto.png", {true, 277, 90}, {true, 277, 90}, {true, 187, 90}},
    {L"添加模板", MxMiTplCmd::kAddTemplate, L"add.png", {true, 187, 90}, {true, 187, 90}, kHidden},
    {L"删除模板",
     MxMiTplCmd::kDeleteTemplates,
     L"delete.png",
     {true, 97, 90},
     {true, 97, 90},
     {true, 97, 90}},
};

constexpr MxMiPage::ToolPlace kHintPlace{true, 557, 160};

constexpr MxMiPage::Refusal kRefusals[] = {
    {MxMiTplCmd::kDeleteTemplates, L"请选择要删除的模板！"},
    {MxMiCmd::kMoveTo, L"请选择要移动的模板！"},
    {MxMiCmd::kRestore, L"请选择要恢复的模板！"},
};

const MxMiPage::PageTable kTemplatesPage = {
    L"tpllastsel",
    L"tpltab",
    {MxMiTpl::kColumnTabId, L"tab标签"},
    0,
    {MxMiTpl::kCardListId, L"模板管理列表"},
    kTools,
    std::size(kTools),
    {L"双击模板，修改图片和大小", MxMiTpl::kHintId, nullptr, kHintPlace, kHintPlace, kHidden},
    kRefusals,
    std::size(kRefusals),
    MxMiTplCmd::kDeleteTemplates,
    L"确定要删选择的模板吗？",
    NoteCmd::kTemplateToDefaultGroup,
};

} // namespace

MxMiTpl::MxMiTpl() : MxMiPage(kTemplatesPage, GroupTplsDir()) {
    SetObjectName(L"MxMiTpl");
}

MxMiTpl::~MxMiTpl() = default;

void MxMiTpl::RunPageCommand(int command) {
    if (command == MxMiTplCmd::kAddTemplate)
        AddTemplate();
}

void MxMiTpl::AddTemplate() {
    std::wstring path;
    if (AskPictureFile(GetAncestor(handle_, GA_ROOT), path))
        AddTemplateFrom(path);
}

bool MxMiTpl::AddTemplateFrom(const std::wstring& picture_path) {
    // The recycle bin takes no new templates.
    if (CurrentGroup() == RecycleBinName)
        return false;
    std::wstring name;
    if (!store_.AddTemplate(CurrentGroup(), picture_path, name)) {
        Tell(kCopyFailed);
        return false;
    }
    cards_.Clear();
    cards_.Reload();
    cards_.LayoutCards();
    return true;
}
