#pragma once
// A picture on a note: stretched over its rectangle, moved and sized like any item, with a menu to
// change or delete it. Its record "<id>.xml" in the note folder keeps the rectangle and the file.
#include "note/NoteChildItem.h"
#include "toolkit/LWndMoveResize.h"
#include "toolkit/MerlaMenu.h"

#include <gdiplus.h>

#include <memory>
#include <string>

class MerlaItem;

class MerlaItemImageMenu : public MerlaItemMenu {
public:
    static constexpr int kId = 30300;
    static constexpr int kChangeCommand = 30301, kDeleteCommand = 30302;
    static constexpr wchar_t kCaption[] = L"子标签图像控件窗口菜单";

    MerlaItemImageMenu();

    // A new hidden menu owned by the item; it frees itself once shown and closed.
    static MerlaItemImageMenu* Make(HWND item);
};

class MerlaItemImage : public LWndMoveResize, public NoteChildItem {
public:
    static constexpr int kNewSide = 64;
    static constexpr int kFrameInset = 2;
    static constexpr int kHandleSide = 5;
    static constexpr UINT kRemoveMe = 50003; // to the note, wParam the item's id
    static constexpr wchar_t kPicturePrefix[] = L"bkimage_";

    // folder is the note folder (ending with a backslash).
    MerlaItemImage(std::wstring folder, std::wstring note_name);

    static std::unique_ptr<LWnd> MakeStored(MerlaItem& note, int child_id);

    // Creates the item on the note at the rectangle (note client coordinates) showing the picture,
    // a plain file name in the note folder.
    bool CreateItem(int id, HWND note, const RECT& rect, const std::wstring& image);

    LSurface RenderContent() override;
    void OnContextMenu(HWND window, int x, int y) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    void SaveRect() override;
    void SetBaseFolder(const std::wstring& base_folder) override;
    bool LayoutForNoteSize() override;

    // Copies the file into the note folder under a new "bkimage_" name and shows it; false (the old
    // picture kept) when the user declines to replace a file of that name or the copy fails.
    bool UsePictureFile(const std::wstring& path);
    bool SetImage(const std::wstring& image);
    const std::wstring& Image() const { return image_; }
    std::wstring RecordPath();

private:
    void ChangePicture();
    void RemoveMe();
    void LoadPicture();

    std::wstring folder_;
    std::wstring note_name_;
    std::wstring image_;
    std::unique_ptr<Gdiplus::Bitmap> picture_;
};
