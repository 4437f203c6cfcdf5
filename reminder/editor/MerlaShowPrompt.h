#pragma once
// The left side of the reminder editor, also shown in the note menu's reminder submenu: the note's
// time groups as cards of label chips, the note-wide labels below them, and the GIF preview.
// "prompt.xml" is the only state: every change is written at once and the list read back.
#include "reminder/CPromptFile.h"
#include "toolkit/MerlaGif.h"
#include "toolkit/MerlaList.h"

#include <string>
#include <vector>

// Posted to the dialog (or the submenu's panel): "prompt.xml" changed, reload the groups.
inline constexpr UINT kPromptChanged = 50014;
// Posted to the dialog: a GIF was chosen, reload the preview.
inline constexpr UINT kPromptGifChosen = 50015;

enum class ChipKind {
    kMinute,
    kHour,
    kDay,
    kWeek,
    kMonth,
    kYear,
    kOnce,
    kCalendar,
    kStyle,
    kExecFile,
    kMusic
};

struct PromptChip {
    ChipKind kind;
    std::wstring text;
    std::wstring value;
    RECT rect{}; // content coordinates
};

struct PromptCard {
    std::wstring identity;
    std::wstring created;
    bool lunar = false;
    bool has_minute = false;
    std::vector<PromptChip> chips;
    RECT rect{}; // content coordinates
};

class MerlaListMPL : public MerlaList {
public:
    static constexpr int kStripWidth = 29; // right of the cards: their buttons and the scroll bar
    static constexpr int kChipMinHeight = 22;
    static constexpr int kChipLeft = 7, kChipTop = 6, kLineStep = 32, kChipGap = 6;
    static constexpr int kCardMinHeight = 24, kCardGap = 6;
    static constexpr int kCardButtonSide = 22, kCardButtonInset = 2;
    static constexpr uint32_t kCardColor = 0xACACACAC;
    static constexpr uint32_t kLunarCardColor = 0xFFA976B9;
    static constexpr int kMaxChipFillAlpha = 25;
    static constexpr int kGroupStampNumber = 101;
    static constexpr int kDeleteGroupBoxWidth = 300, kDeleteGroupBoxHeight = 120;

    MerlaListMPL();

    std::wstring SettingsPath() override;
    LSurface RenderContent() override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnMouseLeave() override;
    void OnClick(WPARAM keys, int x, int y) override;
    bool OnSize(UINT type, int width, int height) override;

    // folder ends with a backslash.
    void SetNoteFolder(const std::wstring& folder) { folder_ = folder; }
    // Reads the file afresh and lays the cards out; the selection stays when its group does.
    void Reload();
    // The group new labels go to; an empty list gets its first group (written to the file) first.
    std::wstring GetSelectedGroup();
    // False when there is no group or a group has no minute label.
    bool AllGroupsHaveMinute() const;

    const std::vector<PromptCard>& Cards() const { return cards_; }
    const std::vector<PromptChip>& RootChips() const { return root_chips_; }
    const std::wstring& SelectedIdentity() const { return selected_; }
    void SelectGroup(const std::wstring& identity) { selected_ = identity; }
    int ContentHeight() const { return content_height_; }
    // Client rectangles of a card's two buttons and of a chip's delete square.
    RECT CardAddButton(const PromptCard& card) const;
    RECT CardDeleteButton(const PromptCard& card) const;
    RECT ChipDeleteBox(const PromptChip& chip) const;
    RECT ToClient(const RECT& content) const;

private:
    void Layout();
    bool RemoveChip(const PromptCard* card, const PromptChip& chip);
    void AddGroup();
    void DeleteGroup(const std::wstring& identity);
    void TellChanged();
    // Which card (extended over its buttons) and which chip lie under a client point.
    void HitAt(int x, int y, int& card, const PromptChip*& chip) const;

    std::wstring folder_;
    std::vector<PromptCard> cards_;
    std::vector<PromptChip> root_chips_;
    std::wstring selected_;
    int hover_card_ = -1;
    const PromptChip* hover_chip_ = nullptr;
    int content_height_ = 0;
};

class MerlaShowPrompt : public LWnd {
public:
    static constexpr int kListHeight = 256;
    static constexpr int kGifWidth = 236, kGifHeight = 212;
    static constexpr int kGifRoom = 219; // the preview and its gap
    static constexpr int kBottomRoom = 5;

    MerlaShowPrompt();

    std::wstring SettingsPath() override;
    bool OnCreate() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;

    void SetNoteFolder(const std::wstring& folder);
    void ReloadGroups();
    void ReloadGifPreview();
    // Stops the preview and deletes the GIF copy and "prompt.xml".
    void ClearReminder();

    MerlaListMPL& List() { return list_; }
    MerlaGif& Preview() { return gif_; }
    bool PreviewShown() const { return gif_shown_; }

private:
    void LayoutPanel();

    MerlaListMPL list_;
    MerlaGif gif_;
    std::wstring folder_;
    bool gif_shown_ = false;
};
