#pragma once
// The rich text box on a note: the rich edit control as a child of the note window, with its own
// small record ("%d.xml"), its content file ("%d_rtf"), two thin scroll bars, its menus and an
// optional protected display that paints every character as "*". It is editable only while it has
// the focus; left empty it asks the note to remove it.
#include "note/NoteChildItem.h"
#include "richtext/LRichEdit.h"
#include "toolkit/MerlaScrollBar.h"

#include <cstdint>
#include <memory>
#include <string>

class MerlaItem;
class LRichEditNIMenu;
class NoteRecordReader;

// Messages and commands the box understands besides the rich edit's.
namespace RichItemMsg {
inline constexpr UINT kSetAlpha = 50005;   // lParam: alpha 0..255
inline constexpr UINT kSetRowIcon = 50024; // lParam: const wchar_t* picture path
inline constexpr UINT kBarFont = 50032;    // wParam: Gdiplus::Font* (interned), lParam: ApplyFont flags
inline constexpr UINT kBarColor = 50033;   // wParam: ARGB, lParam: 1 text / 2 highlight
inline constexpr UINT kTellNoteColor = 50006;
inline constexpr UINT kRemoveMe = 50018; // to the note, wParam: the box's id
} // namespace RichItemMsg

namespace RichItemCmd {
inline constexpr int kCut = 30401, kCopy = 30402, kPaste = 30403, kDelete = 30404;
inline constexpr int kFontDialog = 30405, kColorDialog = 30406, kSetAlpha = 30407;
inline constexpr int kRowIconSub = 30408, kRowIconSubId = 30409;
inline constexpr int kRowIconNone = 30503, kRowIconManage = 30504, kInsertPicture = 30505;
inline constexpr int kHighlightDialog = 30506, kLineHeightSub = 30507;
inline constexpr int kLineHeightFirst = 30508, kLineHeightLast = 30516;
inline constexpr int kHighlightDialogToo = 30518, kClearHighlight = 30519;
inline constexpr int kWrap = 30520, kProtect = 30521;
} // namespace RichItemCmd

// The rich text options read once at start ("EditIsDoubleClick", "EditIsAutoChangeLine",
// "EditIsShowFloatWnd"); the settings page changes them in place.
struct RichItemOptions {
    int double_click = 0;
    int auto_change_line = 1;
    int show_float_wnd = 1;
};
RichItemOptions& RichOptions();

class LRichEditNI : public LRichEdit, public NoteChildItem {
public:
    static constexpr int kMenuId = 30300;
    static constexpr int kPictureMaxSideDefault = 32;
    static constexpr int kBarThickness = 4;
    static constexpr UINT_PTR kMenuTimer = 60007;
    static constexpr UINT kMenuDelayMs = 30;
    static constexpr int kMenuOffsetX = 7, kMenuOffsetY = 80;
    static constexpr int kNewBoxWidth = 160, kNewBoxHeight = 28, kMinBoxWidth = 40;
    static constexpr int kWheelStep = 24;
    static constexpr int kLineGapUnit = 7; // one line-height step
    static constexpr int kNoIconIndent = 7, kIconIndentPadding = 4, kMinIconIndent = 6;
    static constexpr int kPictureNoticeId = 20062;
    static constexpr wchar_t kPictureNotice[] = L"\t你可以通过右键便签或者托盘图标，选择管理，\n系统设置，设"
                                                L"置图片宽高最大像素来设置质量像素的大小！\n"
                                                L"选择图片，调整图片边框大小直接调整显示大小！\n";
    static constexpr wchar_t kDeleteQuestion[] = L"确定要删除吗？";

    // note_folder ends with "\"; the box's files live there.
    LRichEditNI(std::wstring note_folder, std::wstring note_name);
    ~LRichEditNI() override;

    // A stored box of the note (its record "%d.xml" in the note folder); null when it cannot be made.
    static std::unique_ptr<LWnd> MakeStored(MerlaItem& note, int child_id);
    // Teaches the notes to make stored boxes.
    static void RegisterKind();

    // The window inside the note; a stored box then reads its record and content.
    bool CreateBox(int id, HWND note, const RECT& rect, NoteRecordReader* stored = nullptr);

    // --- NoteChildItem
    void SetBaseFolder(const std::wstring& base_folder) override;
    bool LayoutForNoteSize() override;

    // --- LWnd / LRichEdit
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    bool OnKillFocus(LWnd* new_focus) override;
    void OnEscape() override;
    void SetFocusWnd() override;
    bool OnSize(UINT type, int width, int height) override;
    void OnTimer(UINT_PTR timer_id) override;
    void OnContextMenu(HWND window, int x, int y) override;
    void OnMouseWheel(int keys, int delta, int x, int y) override;
    void SaveRect() override;
    int GetPictureMaxSide() override;
    int GetMenuId() override { return kMenuId; }
    void OnChanged() override;
    bool Reflow() override;
    void LoadFinished() override;

    // The note's click on the box: editable, in front, then the picture under the point is
    // selected or the caret goes there (client point of the box).
    void StartEditing(int x, int y);
    // No rows, or one row without glyphs, and no row icon.
    bool IsEmptyBox() const;
    bool IsProtected() const { return protected_; }
    bool IsEditing() const { return editing_; }
    bool IsModified() const { return modified_; }
    void ClearModified() { modified_ = false; }
    POINT MenuPoint() const { return menu_point_; }
    // False while the content file exists but did not load: the box then never writes over it.
    bool ContentIntact() const { return !content_damaged_; }
    std::wstring RecordPath();
    std::wstring ContentPath();

    // Writes "IsFixed", "AutoChangeLine" and the content (RTF, then "rtftext").
    bool SaveAll();
    bool SaveContent();
    // A picture file scaled to the longest side "richedit_image_max_pixel" inserted at the caret.
    bool InsertPictureFile(const std::wstring& path);
    // Command 30508..30516: the line gap of the rows from the caret's to the selection's other end.
    bool SetLineHeightCommand(int command);
    // The caret row's icon from a picture file; empty removes it.
    bool SetRowIconFile(const std::wstring& path);
    bool RemoveRowIcon();
    void SetWrapAndSave(bool on);
    // "加密显示": needs a token (the box's own, or the display password's); asks for a display
    // password when none is set. False when nothing changed.
    bool Protect(HWND dialog_parent);
    // Masks cleared, "EncryptShow" 0 and the content saved; with ask, the display password first.
    bool Unprotect(HWND dialog_parent, bool ask);
    // 30404: clears the content (after the question when there is some) and gives up the focus.
    void DeleteContentCommand();
    // 50032 and 50033 as the font bar sends them.
    void ApplyBarFont(Gdiplus::Font* font, int flags);
    void ApplyBarColor(uint32_t argb, int mode);
    // 30405 / 30406 / 30506: the platform's font and colour dialogs.
    bool ChooseFontDialog();
    bool ChooseColorDialog(bool highlight);
    void RunCommand(int command);

    // The protection token the box would write ("" when none).
    const std::string& ProtectionToken() const { return token_; }

    // Test seams: the question of 30404 and the picture notice are answered without a window.
    using AskFn = int (*)(HWND parent, const std::wstring& text, int flags, int id);
    static void SetMessageBoxHook(AskFn fn);

private:
    void LoadStored(NoteRecordReader& stored);
    // The box, its menus and the font bar with its popups: a focus going there keeps the writing.
    bool IsPartOfEditing(const LWnd* window) const;
    void CheckFocus();
    // The note or one of the box's own windows is in front.
    bool FrontIsOurs() const;
    void ApplyOlderRowStates(bool& changed);
    void SetMasks(bool on);
    void UpdateScrollBars();
    void FitToContent();
    void GiveUpFocus();
    int RowIconSide() const;
    void RecomputeIndent();
    int Ask(const std::wstring& text, int flags, int id);

    std::wstring folder_, note_name_;
    MerlaScrollBar vbar_{LWndScrollBar::kVertical};
    MerlaScrollBar hbar_{0};
    bool protected_ = false;
    bool modified_ = false;
    bool content_damaged_ = false;
    bool older_elements_pending_ = false; // "lineheight"/"rowstates" still in the record
    bool editing_ = false;
    bool fitting_ = false;
    bool loading_stored_ = false;
    bool taking_focus_ = false;
    bool leaving_ = false; // Escape or the box giving up: the next focus loss ends the writing
    POINT menu_point_{};
};
