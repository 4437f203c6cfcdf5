#pragma once
// A plain text box on a note: one font and one colour for its whole text, editable while it holds
// the focus. Its record "<id>.xml" in the note folder keeps the rectangle, the text, the font and the
// colour; left empty it asks the note to remove it.
#include "note/NoteChildItem.h"
#include "toolkit/LEdit.h"
#include "toolkit/MerlaMenu.h"

#include <memory>
#include <string>

class MerlaItem;
class NoteRecordReader;

class MerlaItemEditMenu : public MerlaItemMenu {
public:
    static constexpr int kId = 30300;
    static constexpr int kCutCommand = 30401, kCopyCommand = 30402, kPasteCommand = 30403;
    static constexpr int kDeleteCommand = 30404, kFontCommand = 30405, kColorCommand = 30406;
    static constexpr int kAlphaCommand = 30407;
    static constexpr wchar_t kCaption[] = L"子标签编辑控件窗口菜单";
    static constexpr wchar_t kAlphaText[] = L"设置透明度";

    // alpha: the item's opacity, which the slider shows as 255 - alpha.
    explicit MerlaItemEditMenu(int alpha = MerlaMenuItemSetAlpha::kMaxAlpha);

    // A new hidden menu owned by the item whose slider posts the opacity (50005) to it; it frees
    // itself once shown and closed.
    static MerlaItemEditMenu* Make(HWND item, int alpha);

    bool OnCreate() override;
    int GetMenuHeight() override;

    MerlaMenuItemSetAlpha* AlphaItem() { return alpha_item_.get(); }

private:
    int alpha_;
    HWND receiver_ = nullptr;
    std::unique_ptr<MerlaMenuItemSetAlpha> alpha_item_;
};

class MerlaItemEdit : public LEdit, public NoteChildItem {
public:
    static constexpr UINT kRemoveMe = 50002;      // to the note, wParam the item's id
    static constexpr UINT kSetAlpha = 50005;      // lParam: alpha 0..255
    static constexpr UINT kTellNoteColor = 50006; // to the note, wParam the colour
    static constexpr int kNewWidth = 160, kNewHeight = 28;
    static constexpr float kMinEmSize = 1.0f, kMaxEmSize = 500.0f;

    // folder is the note folder (ending with a backslash).
    MerlaItemEdit(std::wstring folder, std::wstring note_name);
    ~MerlaItemEdit() override;

    static std::unique_ptr<LWnd> MakeStored(MerlaItem& note, int child_id);

    // The window on the note at the rectangle (note client coordinates); a stored item then reads
    // its record. It stays disabled until the note gives it the focus.
    bool CreateItem(int id, HWND note, const RECT& rect, NoteRecordReader* stored = nullptr);

    // --- NoteChildItem
    void SetBaseFolder(const std::wstring& base_folder) override;
    bool LayoutForNoteSize() override;

    // --- LWnd
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    bool OnKillFocus(LWnd* new_focus) override;
    void SetFocusWnd() override;
    void OnContextMenu(HWND window, int x, int y) override;
    void OnDestroy() override;
    void SaveRect() override;

    // Writes the whole record; false when the item has no window or the write failed.
    bool Save();
    // 30401..30406 as the menu sends them.
    void RunCommand(int command);
    // 50005: the colour's top byte becomes the alpha; saved and told to the note.
    void SetItemAlpha(int alpha);
    // The platform's font and colour dialogs; false when cancelled.
    bool ChooseFontDialog();
    bool ChooseColorDialog();
    // 30404: all text removed, then the focus given up.
    void DeleteAllText();
    bool IsEditing() const { return editing_; }
    bool IsDialogOpen() const { return dialog_open_ != 0; }
    std::wstring RecordPath();

private:
    void LoadStored(NoteRecordReader& stored);
    // Its menu with its items and slider, its scroll bars and its caret keep the editing going.
    bool IsPartOfEditing(const LWnd* window) const;
    bool FrontIsOurs() const;
    void GiveUpFocus();
    // The end of the window (destroyed, or the session ending): a text is kept, an empty item is
    // left to the note.
    void SaveAtEnd();

    std::wstring folder_, note_name_;
    int dialog_open_ = 0;
    bool editing_ = false;
    bool taking_focus_ = false;
    bool leaving_ = false;
    bool ended_ = false;
};
