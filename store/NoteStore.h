#pragma once
// The note store: groups are folders, notes are folders inside them, the recycle bin holds note
// folders directly. The manager calls these operations on its thread; open note windows are
// reached through StoreEvents. Nothing is kept between calls: folders are derived from names.
//
// A note is only ever moved by copying its folder and then deleting the source, and the source is
// deleted only when every file was copied, so a failing disk never loses a note.
//
// The manager removes the rows of the notes it passes to DeleteNotes, RestoreNotes and
// MoveNotesToGroup from its list before calling, and posts MSG_MGR_SHOW_GROUP after
// MoveNotesToGroup itself. Whole-group operations (DeleteGroup, DeleteGroupAndMove, RenameGroup)
// take every note folder of the group, not only the rows the list shows, so that a note whose
// record lacks its rectangle is not erased with its group folder.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/GroupList.h"
#include "store/NoteRecord.h"
#include "store/StoreEvents.h"

inline constexpr wchar_t kMsgGroupExists[] = L"存在相同的分组或者文件！";
inline constexpr wchar_t kMsgGroupReserved[] = L"不能为系统分组或者回收站，请重新命名！";
inline constexpr wchar_t kMsgGroupInvalid[] = L"分组命名不合法！";

inline constexpr int kNoteStateShown = 1;
inline constexpr int kNoteStateHidden = 2;

// One row of the manager's note list.
struct NoteSummary {
    std::wstring name;    // note folder name
    std::wstring folder;  // group folder it was read from, with trailing "\"
    int id = 0;           // "ID", 0 when absent
    int width = 0;        // "right" - "left"
    int height = 0;       // "bottom" - "top"
    std::wstring created; // "datetime"
    int hidden = 0;       // "ishide"
    std::wstring preview; // "pngview"
    std::wstring group;   // "group", "系统分组" when empty
    int state = kNoteStateShown;
};

// Where a store keeps its records: the default group's folder, the folder holding one folder per
// user group, the recycle bin, and the root element of a record. Notes and templates differ only here.
struct StoreLayout {
    std::wstring (*default_dir)();
    std::wstring (*groups_dir)();
    std::wstring (*recycle_dir)();
    const wchar_t* root;
};
StoreLayout NoteLayout();

// A note the main controller should open at start or reload.
struct StoredNote {
    std::wstring name;
    std::wstring base_folder; // with trailing "\"
    int id = 0;
    bool has_rect = false; // the record's four edges, read while it was listed
    NoteRect rect;
    std::shared_ptr<CXmlDoc> record; // as loaded while listed, handed on so that it is loaded once
};

// Folder of a group's notes: "系统分组" and "" -> NoteItemsDir, "回收站" -> RecycleDir, else
// GroupItemsDir + group + "\".
std::wstring GroupFolderFor(const std::wstring& group);
// Names of the sub-folders (not files), in the order the file system gives them.
std::vector<std::wstring> ListSubFolders(const std::wstring& folder);
// Summaries of the notes in a group folder. Deletes note folders without their record; gives a
// record with an empty "datetime" the creation time of its file (saved once).
std::vector<NoteSummary> LoadNoteList(const std::wstring& folder);
// LoadNoteList for records of another root element.
std::vector<NoteSummary> LoadSummaryList(const std::wstring& folder, const wchar_t* root);
// The notes to open: every group's notes, then the default group's. Folders without their record
// are deleted; hidden notes and those is_open names are left out. `stored_ids`, when given, gets the
// stored id of every note read, hidden ones too.
std::vector<StoredNote> ListNotesToOpen(const std::function<bool(const std::wstring&)>& is_open,
                                        std::vector<int>* stored_ids = nullptr);
// Copies a note folder (from, to: with trailing "\") and deletes the source only when every file
// arrived. The main controller recycles an open note with it.
bool MoveNoteFolder(const std::wstring& from, const std::wstring& to);

class NoteStore {
public:
    // events and groups must outlive the store.
    NoteStore(StoreEvents& events, GroupList& groups, StoreLayout layout = NoteLayout())
        : events_(events), groups_(groups), layout_(layout) {}

    // "ishide" := 0 in each note of the current group.
    void ShowNotes(const std::wstring& current, const std::vector<std::wstring>& names);
    // Asks each open note among names to hide itself.
    void HideNotes(const std::wstring& current, const std::vector<std::wstring>& names);
    // Into the recycle bin; notes already in the recycle bin are erased.
    void DeleteNotes(const std::wstring& current, const std::vector<std::wstring>& names);
    // From the recycle bin back into the group each note names, re-creating a vanished group.
    void RestoreNotes(const std::vector<std::wstring>& names);
    // True when every note arrived in the target group (or nothing had to move).
    bool MoveNotesToGroup(const std::wstring& current, const std::vector<std::wstring>& names,
                          const std::wstring& target);
    // Trims spaces from name; on acceptance creates the group folder under base (the layout's groups
    // folder when empty). Refusals are shown with ShowMessage.
    bool ValidateGroupName(std::wstring& name, const std::wstring& base = {});
    // Every note of the group into the recycle bin, then the group folder removed.
    void DeleteGroup(const std::wstring& group);
    // The group's notes moved to target, then the (now empty) group deleted.
    void DeleteGroupAndMove(const std::wstring& group, const std::wstring& target);
    // After ValidateGroupName accepted to: every note moved, the old folder removed.
    bool RenameGroup(const std::wstring& from, const std::wstring& to);
    void EmptyRecycleBin();
    void RebuildGroupList();

    // The folder of a group's records in this store, with trailing "\".
    std::wstring FolderOf(const std::wstring& group) const;
    const StoreLayout& Layout() const { return layout_; }

private:
    int RowOf(const std::wstring& group) const;

    StoreEvents& events_;
    GroupList& groups_;
    StoreLayout layout_;
};
