#pragma once
// One sticky note on the screen: a borderless per-pixel-alpha window showing its paper (a picture or
// grey) with adjustable opacity and hosting child items. Every change is written to the note's
// record at once.
#include "note/NoteNotices.h"
#include "note/ReminderSound.h"
#include "note/ShakeTable.h"
#include "store/NoteRecord.h"
#include "toolkit/LGif.h"
#include "toolkit/MerlaLabelAnimate.h"
#include "toolkit/LWndMoveResize.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Gdiplus {
class Bitmap;
}
class NoteRecord;
class LRichEditNI;
class MerlaItemImage;

// Messages a note understands besides the toolkit's.
namespace NoteMsg {
inline constexpr UINT kRepaint = 10016;
inline constexpr UINT kRemoveEditItem = 50002;
inline constexpr UINT kRemoveImageItem = 50003;
inline constexpr UINT kRemoveRichItem = 50018;
inline constexpr UINT kApplyTemplate = 50004; // wParam: const wchar_t* name, lParam: const wchar_t* group
inline constexpr UINT kApplyTemplateToo = 50022;
inline constexpr UINT kSetAlpha = 50005; // lParam: 0..255
inline constexpr UINT kSetColor = 50006; // wParam: ARGB
inline constexpr UINT kReminderFires = 50017;
inline constexpr UINT kAddRichItemAt = 50023; // lParam: client point
// To the main window.
inline constexpr UINT kMainRecycleNote = 50001; // wParam: note id
inline constexpr UINT kMainCheckDesktop = 50028;
inline constexpr UINT kManagerNoteDeleted = 50010;
inline constexpr int kManagerWindowId = 20001;
} // namespace NoteMsg

// Commands of the note menus (toolkit command 10002, wParam).
namespace NoteCmd {
inline constexpr int kNewInDefaultGroup = 31000;
inline constexpr int kNewInGroupFirst = 31001;
inline constexpr int kGroupRange = 198;
inline constexpr int kTemplateToDefaultGroup = 31200;
inline constexpr int kTemplateToGroupFirst = 31201;
inline constexpr int kChooseBackground = 30201;
inline constexpr int kDelete = 30202;
inline constexpr int kTopMost = 30203;
inline constexpr int kExit = 30204;
inline constexpr int kToDesk = 30205;
inline constexpr int kAddImage = 30206;
inline constexpr int kSaveTemplate = 30207;
inline constexpr int kChooseTemplate = 30208;
inline constexpr int kNewNote = 30210;
inline constexpr int kManager = 30211;
inline constexpr int kAddRichItem = 30212;
inline constexpr int kReminder = 30214;
inline constexpr int kStopReminder = 30217;
inline constexpr int kHide = 30218;
inline constexpr int kSnapshotAndClose = 30219;
inline constexpr int kMinimise = 30220;
inline constexpr int kMinimiseAll = 30222;
inline constexpr int kPassThrough = 30223;
inline constexpr int kPassThroughAll = 30225;
inline constexpr int kClearPassThrough = 30111;
// Main window commands the note posts on.
inline constexpr int kMainNewNote = 30102;
inline constexpr int kMainExit = 30103;
inline constexpr int kMainManager = 30104;
} // namespace NoteCmd

// Group commands: base names the default group, base + 1 + i entry i of a group list.
inline bool IsGroupListCommand(int command, int base) {
    return command > base && command <= base + NoteCmd::kGroupRange;
}
// The entry a group list command names, clamped to the last entry; -1 when the list is empty.
int GroupListEntry(int command, int base, size_t count);

class MerlaItem : public LWndMoveResize {
public:
    static constexpr int kGripSize = 10;
    static constexpr int kGripDot = 2;
    static constexpr uint32_t kGripColor = 0x01000000;
    static constexpr uint32_t kGripDotColor = 0xFF808080;
    static constexpr uint32_t kGreyPaper = 0xFFADADAC;
    static constexpr UINT_PTR kDesktopRetryTimer = 60006;
    static constexpr UINT kDesktopRetryMs = 1000;
    static constexpr UINT kDoubleClickMs = 250;
    // A note wholly off the screen comes back this far into it.
    static constexpr int kReachableMargin = 7;
    // A note lying wholly off the screen (the virtual screen: every monitor, left of and above the
    // primary too) is brought back to a strip of kReachableMargin pixels; one partly on it stays.
    static RECT KeepReachable(RECT rc, const RECT& screen);
    static constexpr DWORD kExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW;
    static constexpr DWORD kStyle = WS_POPUP | WS_VISIBLE | WS_MINIMIZEBOX;

    // Where opening notes spent its time: ms summed over every note opened in this process.
    struct OpenTimes {
        double window = 0;  // the native window and the toolkit's binding of it
        double records = 0; // reading (and writing back) the note's record
        double picture = 0; // loading the background picture
        double items = 0;   // the note's items, rich text boxes loaded
        double paint = 0;   // painting the paper and composing the back buffer
        double show = 0;    // showing the window
        double present = 0; // pushing the picture to the screen
        int notes = 0;
    };
    static OpenTimes& OpenTimesSoFar();

    // name empty: a new note, named at creation. base_folder empty: the default group.
    explicit MerlaItem(std::wstring name = {}, std::wstring base_folder = {},
                       bool opened_from_manager = false);
    ~MerlaItem() override;

    std::wstring SettingsPath() override;
    void DeleteFiles() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    bool Create(int id, const std::wstring& title, DWORD ex_style, DWORD style, int x, int y, int width,
                int height, HWND parent) override;
    void OnRButtonDown(WPARAM keys, int x, int y) override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnLButtonDblClk(WPARAM keys, int x, int y) override;
    void OnClick(WPARAM keys, int x, int y) override;
    void OnTimer(UINT_PTR timer_id) override;
    bool OnSize(UINT type, int width, int height) override;
    void OnDestroy() override;
    void SetCursorType(int type) override;
    void OnContextMenu(HWND window, int x, int y) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    LSurface RenderContent() override;
    LSurface RenderContentRect(const RECT& cut, POINT& origin) override;
    bool DecoratesPresent() const override { return true; } // the grip
    bool OnCreate() override;
    bool IsMoving() override;
    void CopyBackBuffer(LSurface& surface) override;
    void SaveRect() override;
    void MoveResizeHitTest(int x, int y, const RECT& window_rect) override;
    RECT GetDragBounds() override;
    int LoadRect() override;
    virtual void PresentAll();
    virtual void PaintBackground();

    // Makes file (a name in the note folder) the background; false when it is missing or unreadable.
    bool SetBackground(const std::wstring& file, bool delete_old);
    // The open-file dialog, the copy into the note folder and the replace question.
    bool ChooseBackground();
    // Copies a picture file into the note folder as its background (the dialog's second half).
    bool UseBackgroundFile(const std::wstring& path, const std::wstring& file_name);
    void SetDesktopEmbed(bool on);
    void SetPassThrough(bool on);
    // SetPassThrough and "istrans" written.
    void WritePassThrough(bool on);
    void SetTopMost(bool on);
    void SetBaseFolder(const std::wstring& base_folder);
    // Saves the back buffer as a PNG in the note folder and writes "pngview".
    bool TakeSnapshot();
    // What hiding writes before the window goes: "ishide" 1 and a snapshot.
    bool WriteHidden();
    void SetNoteAlpha(int alpha);
    // The text colour a new note made from this one starts with; written as "curcolor".
    void SetCurColor(uint32_t argb);
    // Gives the note the template's size (top-left corner kept) and picture.
    bool UseTemplate(const std::wstring& tpl_name, const std::wstring& tpl_group);

    // Makes one stored child item with its window inside the note; null when it cannot.
    using ChildItemMaker = std::unique_ptr<LWnd> (*)(MerlaItem& note, int child_id);
    // Item kinds register how their stored items are made; unknown kinds are skipped at load.
    static void RegisterChildItemKind(const std::wstring& cls, ChildItemMaker maker);
    // Takes a child item into the note's lists (its kind's and all items).
    void AdoptItem(std::unique_ptr<LWnd> item, std::wstring_view cls);
    const std::vector<LWnd*>& AllItems() const { return all_items_; }

    const std::wstring& Name() const { return name_; }
    const std::wstring& BaseFolder() const { return base_folder_; }
    std::wstring Folder() const;
    const std::wstring& Group() const { return group_; }
    void SetGroup(std::wstring group) { group_ = std::move(group); }
    bool IsTopMost() const { return top_most_; }
    bool IsToDesk() const { return to_desk_; }
    bool IsPassThrough() const { return pass_through_; }
    bool IsOpenedFromManager() const { return from_manager_; }
    // The record as the caller loaded it just before; read at creation instead of loading it again.
    void UseLoadedRecord(CXmlDoc doc) { loaded_record_ = std::move(doc); }
    uint32_t CurColor() const { return cur_color_; }
    const std::wstring& BackgroundFile() const { return bkimage_; }
    const LSurface& BackgroundSurface() const { return background_; }
    // Filled when the note menu opens; they resolve the group commands.
    void SetNoteGroupList(std::vector<std::wstring> groups) { note_groups_ = std::move(groups); }
    void SetTemplateGroupList(std::vector<std::wstring> groups) { tpl_groups_ = std::move(groups); }

    // A click on the paper: a new rich text box where nothing lies, else the item there is
    // written in (a protected box asks for the display password first).
    void ClickAction(POINT client);
    // A new rich text box with its top-left corner at the client point, being written in.
    LRichEditNI* AddRichItem(POINT client);
    // An image item showing a copy of the file (asking before replacing a copy of that name);
    // null when declined or the copy failed.
    MerlaItemImage* AddImageItemFrom(const std::wstring& path, POINT client);
    // The child item under a client point, the one added last first; null on empty paper.
    LWnd* ItemAt(POINT client) const;
    // The boxes being written in save their content (end of the session).
    void SaveEditing();

    // The template group of the last group command (empty: the default group); 30207 saves there.
    static std::wstring& LastTemplateGroup();

    // --- the reminder on screen
    static constexpr int kReminderLabelHeight = 24;
    static constexpr int kStopMenuId = 30216;
    // Message 50017: the music, label, picture and styles of the note's "prompt.xml".
    void StartReminder();
    // Command 30217: the note as it was, with the minute of the stop remembered.
    void StopReminder();
    void StopReminderSound();
    void BuildShakeTable(const RECT& client, double angle_degrees);
    bool IsReminding() const { return reminding_; }
    int ShakeStep() const { return shake_step_; }
    const std::vector<ShakeEntry>& ShakeEntries() const { return shake_; }
    const ReminderSound& Sound() const { return sound_; }
    MerlaLabelAnimate& ReminderLabel() { return reminder_label_; }
    // The GIF the paper shows while reminding (or a GIF paper); empty for none.
    const std::wstring& GifName() const { return gif_name_; }

protected:
    NoteRecord Record();
    void RunNewNoteCommand();
    void RemoveChildItem(int child_id);
    void LoadChildItems(const std::vector<ChildItemRef>& refs);
    // Moves the window to a stored rectangle, kept within reach of the screens.
    int PlaceAt(const NoteRect& rect);
    // The scrolling label of a reminder's music is made the first time one plays.
    bool EnsureReminderLabel();

    std::wstring name_, base_folder_, group_;
    bool from_manager_ = false;
    std::optional<CXmlDoc> loaded_record_;
    bool top_most_ = false, to_desk_ = false, pass_through_ = false;
    uint32_t cur_color_ = 0xFF000000;
    std::wstring bkimage_, pngview_;
    std::unique_ptr<Gdiplus::Bitmap> picture_;
    LSurface background_;
    // Child items by kind: plain text, image, rich text; all_items_ in creation order.
    std::vector<std::unique_ptr<LWnd>> text_items_, image_items_, rich_items_;
    std::vector<LWnd*> all_items_;
    std::vector<std::wstring> note_groups_, tpl_groups_;
    RECT saved_rect_{};
    bool defer_paint_ = false;

    void OpenStopMenu(int screen_x, int screen_y);
    // The note menu, or the modification menu of a note opened from the manager.
    void OpenNoteMenu(int screen_x, int screen_y);
    // Command 30206: an image item at the point from a picture the user chooses.
    bool AddImageItem(POINT at);
    void OnShakeTimer();
    void PlaceReminderLabel();
    bool reminding_ = false;
    int shake_step_ = 0;
    std::vector<ShakeEntry> shake_;
    ReminderSound sound_;
    MerlaLabelAnimate reminder_label_;
    LGif gif_;
    std::wstring gif_name_;
};

// The shell's view of the desktop icons, or null where no shell keeps it under "Progman".
HWND FindDesktopView();
