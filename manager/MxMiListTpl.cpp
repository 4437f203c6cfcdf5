#include "manager/MxMiListTpl.h"

#include "app/base/DirUtils.h"
#include "manager/MerlaModifyTpl.h"
#include "store/GroupList.h"
#include "store/NoteTemplate.h"
#include "store/TemplateStore.h"
#include "toolkit/MerlaDraw.h"

MxMiListTpl::MxMiListTpl() {
    SetObjectName(L"MxMiListTpl");
}

void MxMiListTpl::Reload() {
    // A folder that vanished leaves the list as it is, as for notes.
    const size_t end = folder_.find_last_not_of(L'\\');
    if (end != std::wstring::npos && FolderExists(folder_.substr(0, end + 1)))
        SetNotes(LoadTemplateList(folder_));
}

LSurface MxMiListTpl::GetCardSurface(Card& card) {
    const std::wstring folder = card.note.folder + card.note.name + L"\\";
    std::wstring bkimage;
    const NoteRecord record(folder + card.note.name + L".xml", kTemplateRoot);
    if (!record.ReadText(NoteKey::kBkImage, bkimage) || !IsPlainFileName(bkimage))
        return {};
    LSurface picture = CreateSurface(handle_, card.width, card.height, 0);
    if (!picture || !DrawPictureFile(folder + bkimage, picture, 0, 0, card.width, card.height))
        return {};
    return picture;
}

bool MxMiListTpl::EditTemplate(size_t index) {
    if (index >= cards_.size() || group_ == RecycleBinName)
        return false;
    const NoteSummary row = cards_[index].note;
    selection_.insert(KeyOf(row.name));
    Refresh();
    HWND owner = GetTopLevel() ? GetTopLevel()->GetHandle() : handle_;
    bool changed = false;
    {
        MerlaModifyTpl dialog(row.folder + row.name + L"\\", row.name);
        dialog.DoModal(MerlaModifyTpl::kId, owner);
        changed = dialog.Changed();
    }
    if (changed) {
        Clear();
        Reload();
        LayoutCards();
    }
    return true;
}

void MxMiListTpl::OnLButtonDblClk(WPARAM keys, int x, int y) {
    MxMiNList::OnLButtonDblClk(keys, x, y);
    const int card = CardAt(x, y);
    if (card >= 0)
        EditTemplate(static_cast<size_t>(card));
}
