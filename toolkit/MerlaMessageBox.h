#pragma once
// The program's one message box: a caption frame with the message, up to six buttons along the
// bottom and the check box "不再提示" remembered per message id in "MerlaMessageBox.xml".
#include "app/base/MessageBoxBits.h"
#include "toolkit/MerlaCaption.h"

#include <string>

// The check box of a message box; not a result.
inline constexpr int kMbNoMoreShow = 0x40;

class MerlaMessageBox : public MerlaCaption {
public:
    static constexpr int kOkId = 20005, kCancelId = 20006, kYesId = 20007, kNoId = 20008;
    static constexpr int kReplaceId = 20056, kSkipId = 20057;
    static constexpr int kDefaultWidth = 300;
    static constexpr int kCheckWidth = 80;
    // The message text is also kept in a hidden static control of this id, as in the platform's
    // box, for screen readers and automation.
    static constexpr int kMessageTextId = 0xFFFF;

    MerlaMessageBox(int flags, std::wstring title, std::wstring message, int height,
                    int width = kDefaultWidth);

    std::wstring SettingsPath() override;
    bool OnCreate() override;
    LSurface RenderContent() override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;

    // Remembers (on) or forgets the message id among the notices not to show again.
    virtual void SetNoMoreShow(int id, bool on);

    bool IsNoMoreShowChecked() const { return check_.IsChecked(); }
    const std::wstring& GetMessage() const { return message_; }
    MerlaBt* ButtonOf(int flag);
    MerlaBtCheck& CheckButton() { return check_; }

private:
    // Ends the box with the result: EndDialog when modal, else the window closes.
    void Finish(int result);

    int flags_;
    std::wstring message_;
    MerlaBt ok_{L"", L"确定"}, cancel_{L"", L"取消"}, yes_{L"", L"是"}, no_{L"", L"否"};
    MerlaBt replace_{L"", L"替换"}, skip_{L"", L"跳过"};
    MerlaBtCheck check_{L"check.png"};
    HWND message_text_ = nullptr;
};

// True when the check box "不再提示" was ticked for the message id; false when the settings file is
// missing, unreadable or holds no such entry.
bool IsNoMoreShow(int id);

// The common call: a modal box with the caption "Velin" and the picture "Merla.png". With the check
// box among the flags, a notice already ticked is not shown and answers 0.
int ShowMessageBox(HWND parent, const std::wstring& message, int flags, int id = 0,
                   int width = MerlaMessageBox::kDefaultWidth, int height = 0);
