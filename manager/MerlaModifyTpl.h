#pragma once
// The template edit dialog: the area below the caption, inside the border, is the template. Dragging
// the border gives the template its size, written at once; the picture button, the context menu or
// a double click choose another background picture.
#include "toolkit/MerlaCaption.h"
#include "toolkit/MerlaMenu.h"

#include <string>

// "修改模板菜单": the one item "修改图片...".
class MerlaTplModifyMenu : public MerlaItemMenu {
public:
    static constexpr int kId = 30600;
    static constexpr int kChangePicture = 30601;
    MerlaTplModifyMenu();
};

class MerlaModifyTpl : public MerlaCaption {
public:
    static constexpr int kId = 30709;
    static constexpr int kWidth = 360;
    static constexpr int kPictureButtonId = 20036, kPictureButtonSide = 24;
    // The picture and close buttons stay on the caption.
    static constexpr int kMinContentWidth = 2 * kPictureButtonSide, kMinContentHeight = 1;
    static constexpr float kSizeTextPixels = 13.0f;

    // folder: the template's folder with trailing "\"; name: its file's name without ".xml".
    MerlaModifyTpl(std::wstring folder, std::wstring name);

    bool OnCreate() override;
    bool OnSize(UINT type, int width, int height) override;
    LSurface RenderContent() override;
    RECT GetMinSizeRect() override;
    void OnLButtonDblClk(WPARAM keys, int x, int y) override;
    void OnContextMenu(HWND window, int x, int y) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;

    // The open dialog, then ChangePictureFrom.
    void ChangePicture();
    // Copies the picture into the template folder under a new name and makes it the background;
    // false when the user declined to replace a file, the copy failed or it is that very file.
    bool ChangePictureFrom(const std::wstring& path);
    // The template area in client coordinates.
    RECT ContentRect() const;
    // Size or picture written since the dialog opened.
    bool Changed() const { return changed_; }

private:
    void PlacePictureButton();

    std::wstring folder_, name_;
    std::wstring bkimage_;
    int tpl_width_ = 0, tpl_height_ = 0;
    bool changed_ = false;
    bool opened_ = false; // sizes before the dialog took the template's are not the user's
    MerlaBt picture_bt_{L"images.png"};
};
