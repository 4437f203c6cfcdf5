#include "manager/MerlaMenuSelTpl.h"

#include "app/base/AppPaths.h"
#include "app/base/DirUtils.h"
#include "store/GroupList.h"
#include "store/TemplateStore.h"

namespace {

// Every template: the default group's, then each user group's in listing order.
std::vector<NoteSummary> AllTemplates() {
    std::vector<NoteSummary> rows = LoadTemplateList(TplsDir());
    for (NoteSummary& row : rows)
        row.group = SystemGroupName;
    const std::wstring groups = GroupTplsDir();
    for (const std::wstring& group : ListEntries(groups)) {
        if (!FolderExists(groups + group))
            continue;
        for (NoteSummary& row : LoadTemplateList(groups + group + L"\\")) {
            // Applying finds the template by the folder it lies in, whatever its record says.
            row.group = group;
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

} // namespace

// Choosing is all the chooser does: a double click edits nothing.
class MerlaMenuSelTpl::ChooserList : public MxMiListTpl {
public:
    void OnLButtonDblClk(WPARAM, int, int) override {}
};

MerlaMenuSelTpl::MerlaMenuSelTpl() : list_(std::make_unique<ChooserList>()) {
    SetObjectName(L"MerlaMenuSelTpl");
}

MerlaMenuSelTpl::~MerlaMenuSelTpl() = default;

MerlaMenu* MerlaMenuSelTpl::Make(HWND note) {
    return BuildOwned(new MerlaMenuSelTpl(), kId, kCaption, note);
}

bool MerlaMenuSelTpl::OnCreate() {
    const bool ok = MerlaMenu::OnCreate();
    const int s = shadow_width_;
    list_->SetScale(kCardScale);
    list_->Create(0, L"选择模板列表", 0, WS_CHILD | WS_VISIBLE, s, s, kListWidth, kListHeight, handle_);
    list_->SetColumnMode(MxMiNList::kModeByGroup);
    list_->SetNotes(AllTemplates());
    list_->LayoutCards();
    list_->Subscribe(MxMiNList::kCardSelected, handle_);
    return ok;
}

LRESULT MerlaMenuSelTpl::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
    if (message == MxMiNList::kCardSelected || message == kApplyTemplate) {
        // The list's strings live only during this call: the note applies the template at once.
        if (owner_)
            SendMessageW(owner_, message, wp, lp);
        OnKillFocus(nullptr);
        return 0;
    }
    return MerlaMenu::WindowProc(message, wp, lp);
}

int MerlaMenuSelTpl::GetMenuHeight() {
    return kListHeight + 2 * shadow_width_;
}

int MerlaMenuSelTpl::GetMenuWidth() {
    return kListWidth + 2 * shadow_width_;
}

MxMiListTpl& MerlaMenuSelTpl::List() {
    return *list_;
}
