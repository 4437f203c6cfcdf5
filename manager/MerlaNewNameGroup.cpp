#include "manager/MerlaNewNameGroup.h"

#include "store/NoteStore.h"

MerlaNewNameGroup::MerlaNewNameGroup(NoteStore& store, std::wstring title)
    : MerlaNewName(std::move(title), kHeight), store_(store) {
    SetObjectName(L"MerlaNewNameGroup");
    SetTitleIcon(L"Merla.png");
}

bool MerlaNewNameGroup::OnCreate() {
    edit_.SetCueText(kCue);
    return MerlaNewName::OnCreate();
}

bool MerlaNewNameGroup::ValidateName() {
    return store_.ValidateGroupName(entered_);
}

MerlaRenameGroup::MerlaRenameGroup(NoteStore& store) : MerlaNewNameGroup(store, L"重命名...") {
    SetObjectName(L"MerlaRenameGroup");
}
