#pragma once
// The tray menu with its submenus: the group for a new note, the minimised notes to show again,
// the pass-through notes to make solid again, and help.
#include "toolkit/MerlaList.h"
#include "toolkit/MerlaMenu.h"

#include <memory>
#include <string>
#include <vector>

class MxMiMenuMoveToSub;

// Commands of the tray menu (toolkit command 10002, wParam).
namespace TrayCmd {
inline constexpr int kNewNote = 30102;
inline constexpr int kExit = 30103;
inline constexpr int kManager = 30104;
inline constexpr int kAbout = 30105;
inline constexpr int kAboutFromHelp = 30107;
inline constexpr int kHelp = 30108;
inline constexpr int kShowAll = 30109;
inline constexpr int kClearPassThrough = 30111;
inline constexpr int kFeedback = 30113;
inline constexpr int kDonate = 30114;
inline constexpr int kNewInDefaultGroup = 31000;
} // namespace TrayCmd

// A note offered by a list submenu: its name and the picture of its window (may be empty).
struct MerlaMTNote {
    std::wstring name;
    const LSurface* picture = nullptr;
};

// One entry of a submenu's note list. The chosen entry is sent to the owner by pointer, valid only
// during the call.
struct MerlaMTEntry {
    std::wstring name;
    LSurface picture; // the note's window made small
    RECT rect{};      // content coordinates
};

// The notes of a list submenu as small pictures of their windows, two to a row, with a hint over
// them. Choosing one closes the menu and sends the pick message to the menu's owner.
class MerlaMTView : public MerlaList {
public:
    static constexpr int kCellSide = 60, kCellGap = 4, kColumns = 2, kMaxRows = 3;
    static constexpr int kHintHeight = 20;
    // At least the width the hint needs.
    static constexpr int kWidth = 146;
    static constexpr wchar_t kHint[] = L"点击恢复选择的便签";

    explicit MerlaMTView(UINT pick_message);

    static int HeightFor(size_t count);
    void SetNotes(const std::vector<MerlaMTNote>& notes);

    LSurface RenderContent() override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnMouseLeave() override;
    void OnClick(WPARAM keys, int x, int y) override;

    const std::vector<MerlaMTEntry>& Entries() const { return entries_; }
    // Chooses entry i as a click would.
    void Pick(size_t index);

private:
    int EntryAt(int x, int y) const;

    UINT pick_message_;
    std::vector<MerlaMTEntry> entries_;
    int hover_ = -1;
};

// A submenu with one "全部还原" item above a list of notes.
class MerlaMenuNoteList : public MerlaMenu {
public:
    static constexpr wchar_t kAllText[] = L"全部还原";

    MerlaMenuNoteList(int all_command, std::wstring all_picture, UINT pick_message,
                      std::vector<MerlaMTNote> notes);

    bool OnCreate() override;
    int GetMenuHeight() override;
    int GetMenuWidth() override;

    MerlaMTView& View() { return view_; }
    MerlaMenuItem& AllItem() { return all_; }

private:
    int all_command_;
    std::wstring all_picture_;
    std::vector<MerlaMTNote> notes_;
    MerlaMenuItem all_;
    MerlaMTView view_;
};

class MerlaMenuShowSub : public MerlaMenuNoteList {
public:
    static constexpr int kId = 30222;
    static constexpr UINT kPickMessage = 50030;
    // The minimised notes: open notes whose windows are not visible.
    explicit MerlaMenuShowSub(std::vector<MerlaMTNote> notes);
};

class MerlaMenuReTransSub : public MerlaMenuNoteList {
public:
    static constexpr int kId = 30112;
    static constexpr UINT kPickMessage = 50031;
    // The notes that let the mouse through.
    explicit MerlaMenuReTransSub(std::vector<MerlaMTNote> notes);
};

class MerlaMenuHelp : public MerlaMenu {
public:
    static constexpr int kId = 30106;
    static constexpr int kWidth = 130;

    MerlaMenuHelp();

    bool OnCreate() override;
    int GetMenuHeight() override;
    int GetMenuWidth() override;

private:
    MerlaMenuItem help_, about_;
};

class MerlaMenuTray : public MerlaMenu {
public:
    static constexpr int kId = 30100;
    static constexpr wchar_t kCaption[] = L"系统托盘菜单";
    static constexpr int kGroupSubId = 30215;
    static constexpr int kWidth = 150;
    // The gradient line: this far below the content's top and in from its left edge, in a gap
    // between the third and the fourth item.
    static constexpr int kLineTop = 75, kLineInset = 10, kLineGap = 6;
    static constexpr uint32_t kLineFrom = 0xFF0000FF, kLineTo = 0xFFFF0000;

    // hidden: the minimised notes; pass_through: the notes that let the mouse through.
    MerlaMenuTray(std::vector<MerlaMTNote> hidden, std::vector<MerlaMTNote> pass_through);
    ~MerlaMenuTray() override;

    // Creates the hidden menu window and its submenus, owned by owner.
    bool Build(HWND owner);

    bool OnCreate() override;
    LSurface RenderContent() override;
    int GetMenuHeight() override;
    int GetMenuWidth() override;

    // The group names of the group submenu, in the order of their commands.
    const std::vector<std::wstring>& GroupNames() const;
    MerlaMenuItem* ItemOf(int command);
    MxMiMenuMoveToSub& GroupSub() { return *group_sub_; }
    MerlaMenuShowSub& ShowSub() { return *show_sub_; }
    MerlaMenuReTransSub& ReTransSub() { return *retrans_sub_; }

private:
    std::vector<std::unique_ptr<MerlaMenuItem>> items_;
    std::unique_ptr<MxMiMenuMoveToSub> group_sub_;
    std::unique_ptr<MerlaMenuShowSub> show_sub_;
    std::unique_ptr<MerlaMenuReTransSub> retrans_sub_;
    std::unique_ptr<MerlaMenuHelp> help_sub_;
};
