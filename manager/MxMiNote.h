#pragma once
// The notes page of the manager: the shared page frame with the notes' card list, its view tab and
// search box, and the note commands (show, hide, export). It is also the note store's window side:
// the store's events reach the page, the main window and the open notes through it.
#include "manager/MxMiListNote.h"
#include "manager/MxMiPage.h"
#include "manager/NoteSearch.h"

// Enter in the search box, or a click on its picture.
inline constexpr UINT MSG_MGR_SEARCH = MerlaEdit::kEditCommand;

class MxMiNote : public MxMiPage {
public:
    static constexpr int kCardListId = 20037;
    static constexpr int kColumnTabId = 20035, kViewTabId = 20036, kHintId = 20034;
    static constexpr int kExportMenuId = 20074;
    static constexpr int kColumnTabWidth = 290;
    static constexpr uint32_t kHiddenViewColor = 0xFFA976B9;
    static constexpr wchar_t kOnlyShown[] = L"仅显示的", kOnlyHidden[] = L"仅隐藏的", kAll[] = L"全部";

    MxMiNote();
    ~MxMiNote() override;

    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    bool OnSize(UINT type, int width, int height) override;

    // The search box's text (or the text given) searched from the last hit on.
    void Search(const std::wstring& text);

    NoteStore& Store() { return store_; }
    MxMiTabNote& ViewTab() { return view_tab_; }
    MxMiListNote& Cards() { return cards_; }
    const NoteSearch& Searcher() const { return search_; }

protected:
    NoteStore& PageStore() override { return store_; }
    MxMiNList& PageCards() override { return cards_; }
    void ReloadCards() override { cards_.Reload(); }
    void CreateExtras(int width, int height) override;
    void OnOpened() override;
    void RunPageCommand(int command) override;
    void OnTabChanged(int strip_id) override;

private:
    NoteStore store_{*this, rows_};
    NoteSearch search_;
    MxMiTabNote view_tab_;
    MxMiListNote cards_;
};
