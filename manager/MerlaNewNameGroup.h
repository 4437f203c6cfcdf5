#pragma once
// The name dialogs of the group commands: a new group, or a new name for the current one. A name
// is taken only when the store accepts it, which creates the group's folder.
#include "toolkit/controls/MerlaNewName.h"

class NoteStore;

class MerlaNewNameGroup : public MerlaNewName {
public:
    static constexpr int kId = 20073;
    static constexpr int kHeight = 110;
    static constexpr wchar_t kCue[] = L"请输入新的组名";

    // store must outlive the dialog.
    MerlaNewNameGroup(NoteStore& store, std::wstring title = L"新建分组...");

    bool OnCreate() override;
    bool ValidateName() override;

    // The name as accepted: spaces at both ends removed.
    const std::wstring& AcceptedName() const { return entered_; }

private:
    NoteStore& store_;
};

class MerlaRenameGroup : public MerlaNewNameGroup {
public:
    explicit MerlaRenameGroup(NoteStore& store);
};
