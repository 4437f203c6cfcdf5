#pragma once
// The card list of the notes page: notes as their pictures, hidden ones marked, filtered by the view
// tab; a double click opens the note for changing, modal over the manager.
#include "manager/MxMiNList.h"

class MxMiListNote : public MxMiNList {
public:
    static constexpr wchar_t kFilterShownText[] = L"仅显示的";
    static constexpr wchar_t kFilterHiddenText[] = L"仅隐藏的";
    static constexpr wchar_t kFilterAllText[] = L"全部";
    static constexpr wchar_t kAlreadyOpen[] = L"这个便签已经打开了！";
    static constexpr int kNoticeWidth = 300;
    static constexpr wchar_t kHiddenMark[] = L"invisible.png";

    MxMiListNote();

    void OnLButtonDblClk(WPARAM keys, int x, int y) override;
    // The note's look: its open window, its snapshot, or a drawing from its folder; never a window.
    LSurface GetCardSurface(Card& card) override;
    // "仅显示的", "仅隐藏的", "全部"; other texts keep the filter.
    void SetFilter(const std::wstring& text) override;
    bool ExportPictures(const std::set<std::wstring>& names, const std::wstring& folder) override;

    // Opens the card's note modal over the manager and shows its new look when it closes; false
    // (after telling the user) when the note is open on the desktop.
    bool EditNote(size_t card);
};
