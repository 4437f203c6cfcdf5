#pragma once
// The two list popups of the font bar (fonts and sizes) share this: a list of recent choices above
// the list of everything, each under a caption, on a white panel with a shadow. A row chosen in
// either list becomes the chosen value, goes first in the recent list (kept in a settings file) and
// is told to the subscribers.
#include "toolkit/LWndWithShadow.h"
#include "toolkit/MerlaList.h"
#include "toolkit/pickers/PickerPopup.h"

#include <memory>
#include <string>

namespace Gdiplus {
class Font;
}

// A list of a popup: rows drawn with the hover and selection fill, a click tells the subscribers,
// and the recent list keeps its rows in "<object name>.xml" as <container><item>text</item>...
class MerlaPickList : public MerlaListBox {
public:
    static constexpr UINT kRowChosen = 50013; // to the subscribers: wParam the row, lParam the list's id
    static constexpr int kTextIndent = 4;

    MerlaPickList(std::wstring object_name, std::wstring container, std::wstring item);

    std::wstring SettingsPath() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    void OnClick(WPARAM keys, int x, int y) override;
    void DrawItem(LSurface& surface, int index) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    void SetFocusWnd() override;
    bool OnKillFocus(LWnd* new_focus) override;

    // The font a row is drawn in.
    virtual std::unique_ptr<Gdiplus::Font> RowFont(int index);
    // Whether a text read from the settings file may be a row.
    virtual bool AcceptsStored(const std::wstring& text);

    // Rows from the settings file, in file order, up to max_rows; unusable and repeated ones skipped.
    void LoadRows(int max_rows);
    void SaveRows();
    void RemoveAll();
    // The index of the row whose text equals the text, ignoring case; -1 when none.
    int FindRow(const std::wstring& text) const;

private:
    std::wstring container_;
    std::wstring item_;
};

class MerlaListSel : public LWndWithShadow {
public:
    static constexpr UINT kChosen = 50013; // posted to the subscribers: (0, the popup's id)
    static constexpr UINT kClosed = 10011; // posted to the subscribers after a focus loss
    static constexpr int kMaxRecent = 5;
    static constexpr int kCaptionHeight = 24;
    static constexpr int kEmptyRecentHeight = 7;

    MerlaListSel(MerlaPickList& recent, MerlaPickList& full, std::wstring recent_caption,
                 std::wstring full_caption);

    bool OnCreate() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    LSurface RenderContent() override;
    bool OnKillFocus(LWnd* new_focus) override;
    void SetFocusWnd() override;

    // Opens at (x, y) on the screen with the row of the value selected in the full list.
    void OpenAt(int x, int y, const std::wstring& value);
    void ClosePopup() { popup_.Close(); }
    bool IsOpen() const { return popup_.IsOpen(); }
    const std::wstring& GetChosen() const { return chosen_; }
    MerlaPickList& RecentList() { return recent_; }
    MerlaPickList& FullList() { return full_; }

protected:
    // Fills the full list.
    virtual void FillFullList() = 0;
    // Nothing when the text is the most recent entry; otherwise equal rows (ignoring case) leave,
    // the text goes first, the list keeps five and is saved.
    void AddRecent(const std::wstring& text);
    void LayoutLists();

private:
    void OnRowChosen(int list_id, int row);
    void TellClosed();

    MerlaPickList& recent_;
    MerlaPickList& full_;
    std::wstring recent_caption_;
    std::wstring full_caption_;
    std::wstring chosen_;
    PickerPopup popup_{*this};
};
