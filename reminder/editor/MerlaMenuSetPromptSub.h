#pragma once
// The reminder submenu of the note menu: the note's reminder labels and GIF, with "清除" to remove
// the whole reminder and "设置" to open the reminder dialog.
#include "reminder/editor/MerlaShowPrompt.h"
#include "toolkit/MerlaBt.h"
#include "toolkit/MerlaMenu.h"

#include <string>

class MerlaMenuSetPromptSub : public MerlaMenu {
public:
    static constexpr int kId = 30215;
    static constexpr wchar_t kCaption[] = L"设置提醒子菜单";
    static constexpr int kOpenDialogCommand = 30214;
    static constexpr int kPanelInset = 7;
    static constexpr int kPanelWidth = 236, kPanelHeight = 460;
    static constexpr int kButtonWidth = 44, kButtonHeight = 22;
    static constexpr int kClearId = 20130, kSetId = 20131;

    // folder is the note folder (ending with a backslash).
    MerlaMenuSetPromptSub(std::wstring folder, std::wstring name);

    // A new hidden menu owned by the note; it frees itself once shown and closed.
    static MerlaMenuSetPromptSub* Make(HWND note, const std::wstring& folder, const std::wstring& name);

    bool OnCreate() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    int GetMenuHeight() override;
    int GetMenuWidth() override;

    MerlaShowPrompt& Panel() { return show_; }
    MerlaBt& ClearButton() { return clear_; }
    MerlaBt& SetButton() { return set_; }

private:
    // Reloads the panel in the largest menu, then fits the menu and its buttons to it.
    void Refit();

    std::wstring folder_;
    std::wstring name_;
    MerlaShowPrompt show_;
    MerlaBt clear_{L"", L"清除"};
    MerlaBt set_{L"", L"设置"};
};
