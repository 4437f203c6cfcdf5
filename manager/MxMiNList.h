#pragma once
// The card list of the manager: notes (or templates) shown as pictures at their own size, flowing
// in rows, optionally cut into titled sections, with a selection built by clicking cards or the
// marks of whole sections. Selection keys and section marks carry the group and column mode they
// were made under, so they come back when the user returns to that group and mode.
#include "manager/CardLayout.h"
#include "store/NoteStore.h"
#include "toolkit/MerlaList.h"

#include <map>
#include <set>
#include <string>
#include <vector>

class MxMiNList : public MerlaList {
public:
    static constexpr UINT kCardSelected = 50022; // wParam: const wchar_t* name, lParam: const wchar_t* group
    static constexpr uint32_t kThumbColor = 0xFFB1B1B1;
    static constexpr wchar_t kModeByDay[] = L"创建时间分栏";
    static constexpr wchar_t kModeNone[] = L"无分栏";
    static constexpr wchar_t kModeByGroup[] = L"分组分栏显示";
    // Filters of the notes list.
    enum Filter : int { kFilterAll = 0, kFilterShown = 1, kFilterHidden = 2 };

    struct Card {
        NoteSummary note;
        bool Hidden() const { return note.state == kNoteStateHidden; }
        bool search_hit = false;
        int width = 1, height = 1; // scaled
        RECT rect{};               // list coordinates, after layout
        LSurface picture;
        bool picture_made = false;
    };
    struct Band {
        std::wstring key;
        std::wstring title;
        RECT rect{}; // list coordinates
        std::vector<size_t> cards;
    };
    struct FrameLook {
        uint32_t color = 0;
        float pen = 0;
    };

    MxMiNList();

    void OnMouseHover(WPARAM keys, int x, int y) override;
    void OnClick(WPARAM keys, int x, int y) override;
    void OnMouseLeave() override;
    bool OnSize(UINT type, int width, int height) override;
    LSurface RenderContent() override;
    bool OnCreate() override;
    int GetItemCount() override;

    // The card's picture at its scaled size; none here.
    virtual LSurface GetCardSurface(Card& card);
    // "创建时间分栏" by day, "无分栏" one block, "分组分栏显示" by group; other texts keep the mode.
    virtual void SetColumnMode(const std::wstring& text);
    // Remembered; the notes list maps it to a filter.
    virtual void SetFilter(const std::wstring& text);
    // One PNG file per named card in the folder; false when one could not be written.
    virtual bool ExportPictures(const std::set<std::wstring>& names, const std::wstring& folder);

    void SetGroupName(const std::wstring& group) { group_ = group; }
    const std::wstring& GroupName() const { return group_; }
    int ColumnMode() const { return mode_; }
    const std::wstring& ColumnModeText() const { return mode_text_; }
    int Filter() const { return filter_; }
    const std::wstring& FilterText() const { return filter_text_; }
    void SetFolder(const std::wstring& folder) { folder_ = folder; }
    const std::wstring& Folder() const { return folder_; }
    // When the folder exists: the cards read again from it, only those passing the filter.
    void Reload();
    // The rows become the cards, only those passing the filter (what Reload does after reading).
    void SetNotes(const std::vector<NoteSummary>& rows);
    // No cards; selection and section marks stay.
    void Clear();
    // Places the cards and sections, sets the scroll ranges and repaints.
    void LayoutCards();
    void SelectAll();
    // Each card's selection toggled.
    void InvertSelection();
    std::set<std::wstring> SelectedNames() const;
    bool IsSelected(size_t card) const;
    // Takes the cards of these names out of the list (the selection keys stay).
    void RemoveCards(const std::vector<std::wstring>& names);
    // Marks the card of exactly that name as the search hit (and no other) and scrolls to it.
    void MarkSearchHit(const std::wstring& name);
    void ClearSearchHit();
    // Scrolls the least that shows the card whole (its top when it is taller than the view).
    void ScrollIntoView(size_t card);
    void SetScale(double scale);
    double Scale() const { return scale_; }

    const std::vector<Card>& Cards() const { return cards_; }
    // The sections of the last layout, in the order shown.
    const std::vector<Band>& Bands() const { return bands_; }
    bool IsBandMarked(size_t band) const;
    int HoverCard() const { return hover_card_; }
    int HoverBand() const { return hover_band_; }
    int ContentWidth() const { return content_width_; }
    int ContentHeight() const { return content_height_; }
    // How the card's frame is drawn now.
    FrameLook CardFrame(size_t card) const;
    // The colour of the section's mark box now.
    uint32_t BandFrameColor(size_t band) const;
    // The card or section under a client point, or -1.
    int CardAt(int x, int y) const;
    int BandAt(int x, int y) const;
    // The card's rectangle in client coordinates (after scrolling).
    RECT CardClientRect(size_t card) const;

protected:
    std::wstring KeyOf(const std::wstring& name) const;
    // The card takes its note's size, picture and hidden state from the record again.
    void RefreshCard(size_t card);
    // The card's size from its note's at the scale; its picture is made again.
    void Resize(Card& card) const;
    bool Passes(const NoteSummary& row) const;
    // LayoutCards without the repaint.
    void Arrange();
    void DrawBand(LSurface& s, size_t band, int dx, int dy);
    void DrawCard(LSurface& s, Card& card, int dx, int dy);

    std::vector<Card> cards_;
    std::set<std::wstring> selection_;
    int hover_card_ = -1;
    int hover_band_ = -1;
    int mode_ = kColumnsNone;
    int filter_ = kFilterAll;
    std::wstring group_, mode_text_, filter_text_;
    std::wstring folder_;
    // Marks of the sections by key; they outlive the cards.
    std::map<std::wstring, bool> marks_;
    std::vector<Band> bands_;
    double scale_ = 1.0;
    int content_width_ = 0, content_height_ = 0;
};
