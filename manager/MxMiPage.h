#pragma once
// What the notes and templates pages of the manager share: the group list on the left, the column
// tab and the card list of the shown group, the tool row along the bottom with its buttons placed
// per kind of group, the group commands with their menus, name dialogs and questions, and the
// selected group and column modes remembered in "sysconfig.xml". A page names its keys, tables and
// store; the store's events for the page arrive here.
#include "manager/MxMiGroupList.h"
#include "manager/MxMiNList.h"
#include "manager/MxMiTab.h"
#include "manager/WindowStoreEvents.h"
#include "store/GroupList.h"
#include "store/NoteStore.h"
#include "toolkit/MerlaBt.h"
#include "toolkit/MerlaLabel.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class LWndMenu;

class MxMiPage : public LWnd, public WindowStoreEvents {
public:
    static constexpr int kGroupListId = 20038;
    static constexpr int kGroupListWidth = 160, kTabHeight = 36;
    static constexpr int kToolRowHeight = 36;
    static constexpr int kToolTop = 28, kToolHeight = 24; // buttons stand at H - 28
    static constexpr int kMenuOffset = 7;
    static constexpr uint32_t kToolBand = 0xFFF2F1F1, kToolLine = 0xFFE5E5E4;
    static constexpr uint32_t kHintColor = 0xFF9A9A9A;
    static constexpr wchar_t kByDay[] = L"创建时间分栏", kNoColumns[] = L"无分栏",
                             kByGroup[] = L"分组分栏显示";

    // Where a tool button (or the hint) stands for one kind of group: x from the left edge, or from
    // the right edge (W - x); width 0 hides it.
    struct ToolPlace {
        bool from_right;
        int x;
        int width;
    };
    struct ToolEntry {
        const wchar_t* text;
        int command;
        const wchar_t* picture;
        ToolPlace system, user, bin;
    };
    // Told instead of running the command when no card is chosen.
    struct Refusal {
        int command;
        const wchar_t* text;
    };
    struct Control {
        int id;
        const wchar_t* text;
    };
    struct PageTable {
        const wchar_t* last_sel_key; // under "manager"
        const wchar_t* group_tab_key;
        Control column_tab;
        int column_tab_width; // 0: to the right edge
        Control cards;
        const ToolEntry* tools;
        size_t tool_count;
        ToolEntry hint; // its command is the label's id
        const Refusal* refusals;
        size_t refusal_count;
        int delete_command; // the page's command that deletes the chosen cards
        const wchar_t* delete_question;
        int move_base; // command of the default group in the move menus
    };

    // groups_dir: where the page's user groups are folders.
    MxMiPage(const PageTable& table, std::wstring groups_dir);
    ~MxMiPage() override;

    // --- LWnd
    std::wstring SettingsPath() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    bool OnSize(UINT type, int width, int height) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    LSurface RenderContent() override;
    bool OnCreate() override;
    void OnDestroy() override;

    // The page's two keys under "manager" in "sysconfig.xml".
    void SaveState();
    void LoadState();

    // --- StoreEvents: the page's share.
    void PostShowGroup(int group_row) override;
    void ShowMessage(const std::wstring& text) override;
    void ForgetColumnMode(const std::wstring& group) override;
    void RenameColumnMode(const std::wstring& from, const std::wstring& to) override;
    void ClearNoteList() override;

    // The group of row i shown in the card list (MSG_MGR_SHOW_GROUP).
    void ShowGroup(int row);
    // A tool or menu command, as the buttons and menus run it.
    void RunCommand(int command);
    // Test seam: answers the pages' questions and tells instead of the message box.
    using AskFn = int (*)(HWND parent, const std::wstring& text, int flags);
    static void SetMessageBoxHook(AskFn fn);

    GroupList& Groups() { return rows_; }
    MxMiGroupList& GroupListCtl() { return group_list_; }
    MxMiTab& ColumnTab() { return column_tab_; }
    MerlaLabel& Hint() { return hint_; }
    MerlaBt* ToolButton(int command);
    std::wstring CurrentGroup() const { return rows_.SelectedName(); }
    int Pending() const { return pending_; }
    const std::vector<std::pair<std::wstring, std::wstring>>& ColumnModes() const { return modes_; }

protected:
    enum class GroupKind { kSystem, kUser, kRecycleBin };
    static GroupKind KindOf(const std::wstring& group);

    virtual NoteStore& PageStore() = 0;
    virtual MxMiNList& PageCards() = 0;
    // The cards read again from the card list's folder.
    virtual void ReloadCards() = 0;
    // Controls of the page's own, made after the column tab and before the card list.
    virtual void CreateExtras(int width, int height);
    // Called at the end of opening, before the remembered group is shown.
    virtual void OnOpened();
    // Commands the shared part does not know.
    virtual void RunPageCommand(int command);
    virtual void OnTabChanged(int strip_id);

    int Ask(const std::wstring& text, int flags);
    void Tell(const std::wstring& text);
    std::vector<std::wstring> SelectedVector();
    void PopupAtButton(LWndMenu* menu, int command);

    GroupList rows_;
    MxMiGroupList group_list_;
    MxMiTab column_tab_;

private:
    void LayoutToolButtons();
    void Confirm();
    void MoveTo(int command);
    void OpenGroupMenu(int x, int y);
    void NewGroup();
    void RenameCurrentGroup();
    std::wstring RememberedMode(const std::wstring& group) const;
    void RememberMode(const std::wstring& group, const std::wstring& text);

    const PageTable& table_;
    std::vector<std::unique_ptr<MerlaBt>> tools_;
    MerlaLabel hint_;
    int pending_ = 0;
    std::wstring last_sel_;
    std::vector<std::pair<std::wstring, std::wstring>> modes_; // group -> column mode text, in file order
};
