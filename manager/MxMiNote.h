#pragma once
// The notes page of the manager: the group list, the card list of the shown group with its column
// and view tabs and search box, and the tool buttons that run the note store's operations on the
// chosen cards. It is also the store's window side: the store's events reach the page, the main
// window and the open notes through it.
#include "manager/MxMiGroupList.h"
#include "manager/MxMiListNote.h"
#include "manager/MxMiTab.h"
#include "manager/NoteSearch.h"
#include "manager/WindowStoreEvents.h"
#include "store/GroupList.h"
#include "store/NoteStore.h"
#include "toolkit/MerlaBt.h"
#include "toolkit/MerlaLabel.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Enter in the search box, or a click on its picture.
inline constexpr UINT MSG_MGR_SEARCH = MerlaEdit::kEditCommand;

class MxMiNote : public LWnd, public WindowStoreEvents {
public:
    static constexpr int kGroupListId = 20038, kCardListId = 20037;
    static constexpr int kColumnTabId = 20035, kViewTabId = 20036, kHintId = 20034;
    static constexpr int kExportMenuId = 20074;
    static constexpr int kGroupListWidth = 160, kTabHeight = 36, kColumnTabWidth = 290;
    static constexpr int kToolRowHeight = 36;
    static constexpr int kToolTop = 28, kToolHeight = 24; // buttons stand at H - 28
    static constexpr int kHintRight = 670, kHintWidth = 89;
    static constexpr int kGroupRowHeight = 36;
    static constexpr int kMenuOffset = 7;
    static constexpr uint32_t kToolBand = 0xFFF2F1F1, kToolLine = 0xFFE5E5E4;
    static constexpr uint32_t kHiddenViewColor = 0xFFA976B9;
    static constexpr uint32_t kHintColor = 0xFF9A9A9A;
    static constexpr wchar_t kByDay[] = L"创建时间分栏", kNoColumns[] = L"无分栏",
                             kByGroup[] = L"分组分栏显示";
    static constexpr wchar_t kOnlyShown[] = L"仅显示的", kOnlyHidden[] = L"仅隐藏的", kAll[] = L"全部";

    MxMiNote();
    ~MxMiNote() override;

    // --- LWnd
    std::wstring SettingsPath() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    bool OnSize(UINT type, int width, int height) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    LSurface RenderContent() override;
    bool OnCreate() override;
    void OnDestroy() override;

    // "lastsel" and "grouptab" under "manager" in "sysconfig.xml".
    void SaveState();
    void LoadState();

    // --- StoreEvents: the main window and the open notes as the window side has them; the group
    // to show, the messages and the column modes are the page's.
    void PostShowGroup(int group_row) override;
    void ShowMessage(const std::wstring& text) override;
    void ForgetColumnMode(const std::wstring& group) override;
    void RenameColumnMode(const std::wstring& from, const std::wstring& to) override;
    void ClearNoteList() override;

    // The group of row i shown in the card list (MSG_MGR_SHOW_GROUP).
    void ShowGroup(int row);
    // A tool or menu command, as the buttons and menus run it.
    void RunCommand(int command);
    // The search box's text (or the text given) searched from the last hit on.
    void Search(const std::wstring& text);
    // Test seam: answers the page's questions and tells instead of the message box.
    using AskFn = int (*)(HWND parent, const std::wstring& text, int flags);
    static void SetMessageBoxHook(AskFn fn);

    GroupList& Groups() { return rows_; }
    NoteStore& Store() { return store_; }
    MxMiGroupList& GroupListCtl() { return group_list_; }
    MxMiTab& ColumnTab() { return column_tab_; }
    MxMiTabNote& ViewTab() { return view_tab_; }
    MxMiListNote& Cards() { return cards_; }
    MerlaBt* ToolButton(int command);
    std::wstring CurrentGroup() const { return rows_.SelectedName(); }
    int Pending() const { return pending_; }
    const std::vector<std::pair<std::wstring, std::wstring>>& ColumnModes() const { return modes_; }
    const NoteSearch& Searcher() const { return search_; }

private:
    enum class GroupKind { kSystem, kUser, kRecycleBin };
    GroupKind KindOf(const std::wstring& group) const;
    void LayoutToolButtons();
    void OnTabChanged(int strip_id);
    void Confirm();
    void MoveTo(int command);
    void OpenGroupMenu(int x, int y);
    void PopupAtButton(class LWndMenu* menu, int command);
    void NewGroup();
    void RenameCurrentGroup();
    int Ask(const std::wstring& text, int flags);
    void Tell(const std::wstring& text);
    std::wstring RememberedMode(const std::wstring& group) const;
    void RememberMode(const std::wstring& group, const std::wstring& text);
    std::vector<std::wstring> SelectedVector() const;

    GroupList rows_;
    NoteStore store_{*this, rows_};
    NoteSearch search_;
    MxMiGroupList group_list_;
    MxMiTab column_tab_;
    MxMiTabNote view_tab_;
    MxMiListNote cards_;
    std::vector<std::unique_ptr<MerlaBt>> tools_;
    MerlaLabel hint_;
    int pending_ = 0;
    std::wstring last_sel_;
    std::vector<std::pair<std::wstring, std::wstring>> modes_; // group -> column mode text, in file order
};
