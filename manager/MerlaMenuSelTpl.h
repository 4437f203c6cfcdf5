#pragma once
// The template chooser of the note menus: every template, group by group, as small cards; a click
// on one applies it to the note and closes the menus.
#include "manager/MxMiListTpl.h"
#include "toolkit/MerlaMenu.h"

class MerlaMenuSelTpl : public MerlaMenu {
public:
    static constexpr int kId = 30209;
    static constexpr wchar_t kCaption[] = L"选择模板子窗口";
    static constexpr int kListWidth = 540, kListHeight = 360;
    static constexpr double kCardScale = 0.4;
    // Besides the list's 50022: wParam the template's name, lParam its group.
    static constexpr UINT kApplyTemplate = 50004;

    MerlaMenuSelTpl();
    ~MerlaMenuSelTpl() override;

    // A new hidden chooser sending its choice to the note; null when its window could not be made.
    static MerlaMenu* Make(HWND note);

    bool OnCreate() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    int GetMenuHeight() override;
    int GetMenuWidth() override;

    MxMiListTpl& List();

private:
    class ChooserList;
    std::unique_ptr<ChooserList> list_;
};
