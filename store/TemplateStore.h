#pragma once
// The template store: the note store's group, recycle bin and move operations over the template
// folders, plus making a template from a picture. Templates are never open windows: of the events
// only the page's share (show a group, messages, column modes, clearing the list) is passed on, so
// nothing here reaches the main controller or an open note.
#include "store/NoteStore.h"

#include <string>
#include <vector>

inline constexpr wchar_t kTemplatePicturePrefix[] = L"bkimage_";
// Side of a new template's square.
inline constexpr int kNewTemplateSide = 240;

// TplsDir, GroupTplsDir, TplRecycleDir and the root "TplItem".
StoreLayout TemplateLayout();
// Summaries of the templates in a group folder, without hidden state or snapshot. Deletes template
// folders without their template file; fills an empty "datetime" as LoadNoteList does.
std::vector<NoteSummary> LoadTemplateList(const std::wstring& folder);

// The page's share of the store events; the rest is dropped.
class PageStoreEvents : public StoreEvents {
public:
    explicit PageStoreEvents(StoreEvents& page) : page_(page) {}

    void PostShowGroup(int group_row) override { page_.PostShowGroup(group_row); }
    void PostReloadNotes() override {}
    void SendNotesDeleted(const NoteNameSet&) override {}
    void PostHideNote(int) override {}
    int FindOpenNote(const std::wstring&) override { return 0; }
    void SetBaseFolder(const std::wstring&, const std::wstring&) override {}
    void ShowMessage(const std::wstring& text) override { page_.ShowMessage(text); }
    void ForgetColumnMode(const std::wstring& group) override { page_.ForgetColumnMode(group); }
    void RenameColumnMode(const std::wstring& from, const std::wstring& to) override {
        page_.RenameColumnMode(from, to);
    }
    void ClearNoteList() override { page_.ClearNoteList(); }

private:
    StoreEvents& page_;
};

// DeleteNotes, RestoreNotes, MoveNotesToGroup and the group operations act on templates here.
class TemplateStore : private PageStoreEvents, public NoteStore {
public:
    // page and groups must outlive the store; groups should list GroupTplsDir.
    TemplateStore(StoreEvents& page, GroupList& groups);

    // A new template of the group (empty or "系统分组": the default group) named MakeUniqueStamp(1),
    // 240 x 240, with a copy of the picture file as its background. False, with nothing written,
    // when the folder could not be made or the picture not copied.
    bool AddTemplate(const std::wstring& group, const std::wstring& picture_path, std::wstring& name);
};
