#pragma once
// The dialog asking for a name: an edit box with OK and Cancel. An empty name is refused; subclasses
// decide in ValidateName whether a name may be taken and apply it in ApplyName.
#include "toolkit/MerlaCaption.h"
#include "toolkit/controls/MerlaEdit.h"

#include <string>

class MerlaNewName : public MerlaCaption {
public:
    static constexpr int kEditId = 20012;
    static constexpr int kOkId = 20005, kCancelId = 20006;
    static constexpr int kEmptyNameId = 30703;
    static constexpr int kDefaultWidth = 300;

    MerlaNewName(std::wstring title, int height, int width = kDefaultWidth);

    bool OnCreate() override;
    void OnOk() override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;

    // True when the entered name may be taken; the base takes none.
    virtual bool ValidateName();
    virtual void ApplyName();

    const std::wstring& GetEnteredName() const { return entered_; }
    MerlaEdit& Edit() { return edit_; }
    MerlaBt& OkButton() { return ok_; }
    MerlaBt& CancelButton() { return cancel_; }

protected:
    void Finish(int result);

    std::wstring entered_;
    MerlaEdit edit_;
    MerlaBt ok_{L"", L"确定"}, cancel_{L"", L"取消"};
};
