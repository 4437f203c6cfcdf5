#pragma once
// The note's context menus: the note menu with its submenus (new note in a group, minimise, mouse
// pass-through, reminder, template groups) and the shorter menu of a note opened from the manager
// for modification. Items send their command to the note.
#include "toolkit/MerlaMenu.h"

#include <memory>
#include <string>
#include <vector>

class MxMiMenuMoveToSub;
class MerlaMenuSetPromptSub;

// One item of a note menu: its command, text and picture (empty: none).
struct NoteMenuEntry {
    int command;
    const wchar_t* text;
    const wchar_t* picture;
};

// What the note menus share: their item column, the opacity item, the reminder and template group
// submenus, and the two group lists read when the window is made.
class MerlaMenuNoteBase : public MerlaMenu {
public:
    static constexpr int kWidth = 150;
    static constexpr int kOpacityCommand = 30213;
    static constexpr int kTemplateGroupBase = 31200;
    static constexpr int kNoteGroupBase = 31000;
    // The template chooser is made a moment after the menu, so that the menu shows at once.
    static constexpr UINT_PTR kChooserTimer = 60002;
    static constexpr UINT kChooserDelayMs = 300;

    // Makes the template chooser, hidden and sending its choice to the note; the manager provides it.
    using ChooserMaker = MerlaMenu* (*)(HWND note);
    static void SetTemplateChooserMaker(ChooserMaker maker);

    // alpha is the note's (0..255); folder is the note folder (ending with a backslash).
    MerlaMenuNoteBase(std::vector<NoteMenuEntry> entries, int alpha, std::wstring name, std::wstring folder);
    ~MerlaMenuNoteBase() override;

    // Creates the hidden menu and its submenus, owned by the note.
    virtual bool Build(int id, const std::wstring& caption, HWND note);

    bool OnCreate() override;
    void OnTimer(UINT_PTR timer_id) override;
    void HideMenu() override;
    int GetMenuHeight() override;
    int GetMenuWidth() override;

    MerlaMenuItem* ItemOf(int command);
    MerlaMenuItemSetAlpha* OpacityItem() { return opacity_; }
    const std::vector<NoteMenuEntry>& Entries() const { return entries_; }
    // The template groups listed when the window was made ("保存为模板..." submenu).
    const std::vector<std::wstring>& TemplateGroups() const;
    MerlaMenuSetPromptSub* ReminderSubmenu() { return prompt_sub_.get(); }
    // Null until the chooser's moment came.
    MerlaMenu* TemplateChooser() { return chooser_.get(); }

protected:
    std::vector<NoteMenuEntry> entries_;
    int alpha_;
    std::wstring name_;
    std::wstring folder_;
    std::vector<std::unique_ptr<MerlaMenuItem>> items_;
    MerlaMenuItemSetAlpha* opacity_ = nullptr;
    std::unique_ptr<MxMiMenuMoveToSub> tpl_sub_;
    std::unique_ptr<MerlaMenuSetPromptSub> prompt_sub_;
    std::unique_ptr<MerlaMenu> chooser_;
};

class MerlaMenuNote : public MerlaMenuNoteBase {
public:
    static constexpr int kId = 30200;
    static constexpr wchar_t kCaption[] = L"子标签窗口菜单";

    MerlaMenuNote(int alpha, std::wstring name, std::wstring folder);
    ~MerlaMenuNote() override;

    // A new hidden menu for the note; it frees itself once shown and closed.
    static MerlaMenuNote* Make(HWND note, int alpha, const std::wstring& name, const std::wstring& folder);

    bool Build(int id, const std::wstring& caption, HWND note) override;

    // "取消嵌入桌面" / "取消置顶" with a tick while the note is so.
    void SetDeskTied(bool on);
    void SetTopMost(bool on);
    // The note groups listed when the window was made ("新建" submenu).
    const std::vector<std::wstring>& NoteGroups() const;

private:
    std::unique_ptr<MxMiMenuMoveToSub> group_sub_;
    std::unique_ptr<MerlaItemMenu> mini_sub_;
    std::unique_ptr<MerlaItemMenu> trans_sub_;
};

// The menu of a note the manager opened for modification.
class MerlaMenuModifying : public MerlaMenuNoteBase {
public:
    static constexpr int kId = 30200;
    static constexpr wchar_t kCaption[] = L"子标签窗口菜单";

    MerlaMenuModifying(int alpha, std::wstring name, std::wstring folder);

    static MerlaMenuModifying* Make(HWND note, int alpha, const std::wstring& name,
                                    const std::wstring& folder);
};
