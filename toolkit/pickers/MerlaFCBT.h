#pragma once
// The font bar (187 x 55) of the rich text boxes: font name and size boxes with their drop-down
// popups, grow and shrink, the four style toggles, and the text and highlight colour buttons with
// their colour popup. The bar never changes text: it reports every action to its parent, which
// builds the font with GetBarFont:
//   50032 (0, ApplyFont flags)        a font control was used (posted)
//   50033 (colour, 1 text / 2 highlight) a colour button was clicked (sent) or a colour chosen (posted)
//   10002 (30406 text / 30506 highlight, 0) "其它颜色...": the parent runs the system colour dialog
//                                      and hands an accepted colour back with ApplyDialogColor
//   10011                              a popup closed, passed on from the popups
#include "toolkit/LWnd.h"
#include "toolkit/MerlaBt.h"
#include "toolkit/MerlaBtLB.h"
#include "toolkit/controls/MerlaEdit.h"
#include "toolkit/pickers/MerlaBKCColor.h"
#include "toolkit/pickers/MerlaBtBKC.h"
#include "toolkit/pickers/MerlaFontSel.h"
#include "toolkit/pickers/MerlaSizeSel.h"

#include <cstdint>
#include <string>

namespace Gdiplus {
class Font;
}

// The bar's name and size boxes: one line in a box exactly one line high. The line is kept at the
// bottom of the box whatever the font's line spacing, so a tall line shows its glyphs, not its leading.
class MerlaFCBTEdit : public MerlaEdit {
public:
    MerlaFCBTEdit();
    bool Reflow() override;

private:
    void FitLine();
};

class MerlaFCBT : public LWnd {
public:
    static constexpr int kWidth = 187, kHeight = 55;
    static constexpr UINT kFontChanged = 50032;
    static constexpr UINT kColorChanged = 50033;
    static constexpr int kModeText = 1, kModeHighlight = 2;
    static constexpr int kCmdOtherTextColor = 30406, kCmdOtherBkColor = 30506;
    static constexpr int kFontArrowId = 20201, kHighlightArrowId = 20203;
    static constexpr int kFontPopupId = 20201, kSizePopupId = 20202, kColorPopupId = 20203;
    // Sizes the boxes hand out; grow and shrink stay within 5 .. 1024 (5 .. 7 only by shrinking).
    static constexpr double kMinBoxSize = 8, kMaxBoxSize = 1024, kMinFontSize = 5;
    static constexpr double kSizeStep = 2;
    static constexpr double kShrinkFloor = 7; // below it shrinking gives the least size
    static constexpr uint32_t kStartColor = 0xFF000000;

    MerlaFCBT();

    // The bar as a child of the parent at (x, y), 187 x 55.
    bool CreateBar(HWND parent, int x, int y, int id = 0);

    std::wstring SettingsPath() override;
    bool OnCreate() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    LSurface RenderContent() override;

    virtual void LoadBarColors();
    virtual void SaveTextColor();
    virtual void SaveBkColor();

    // The boxes and toggles from the font; without one: "宋体", "13", no style.
    void SetFromFont(const Gdiplus::Font* font);
    // The font the bar shows, in whole pixels, as the glyph engine's font registry interns it: the
    // caller does not own it and may keep it (it lives as long as the process). A family that is not
    // installed, or a size box that does not hold a number within 8 .. 1024, gives the last valid
    // value instead.
    Gdiplus::Font* GetBarFont();
    // A colour the parent's colour dialog accepted after "其它颜色..." (mode 1 text, 2 highlight):
    // the bar shows it, remembers it and puts it first among the recent colours.
    void ApplyDialogColor(uint32_t argb, int mode);
    void HidePopups();
    // One of the bar's popups or a window inside one (a focus going there stays with the bar).
    bool OwnsPopup(const LWnd* window) const;
    // The bar, its children, its popups and everything inside them.
    bool HoldsWindow(const LWnd* window) const;

    uint32_t GetTextColor() const { return text_color_; }
    uint32_t GetBkColor() const { return bk_color_; }
    int GetColorMode() const { return color_mode_; }
    // 20201, 20202 or 20203 while that popup is open, else 0.
    int GetOpenPopup() const;
    std::wstring GetNameText() const { return name_box_.GetText(); }
    std::wstring GetSizeText() const { return size_box_.GetText(); }

    MerlaFCBTEdit& NameBox() { return name_box_; }
    MerlaFCBTEdit& SizeBox() { return size_box_; }
    MerlaBtLB& FontArrow() { return font_arrow_; }
    MerlaBtLB& SizeArrow() { return size_arrow_; }
    MerlaBtLB& HighlightArrow() { return highlight_arrow_; }
    MerlaBtLB& TextColorArrow() { return text_arrow_; }
    MerlaBt& GrowButton() { return grow_; }
    MerlaBt& ShrinkButton() { return shrink_; }
    MerlaBt& BoldButton() { return bold_; }
    MerlaBt& ItalicButton() { return italic_; }
    MerlaBt& UnderlineButton() { return underline_; }
    MerlaBt& StrikeoutButton() { return strikeout_; }
    MerlaBtBKC& HighlightButton() { return highlight_; }
    MerlaBtBKC& TextColorButton() { return text_color_bt_; }
    MerlaFontSel& FontPopup() { return font_popup_; }
    MerlaSizeSel& SizePopup() { return size_popup_; }
    MerlaBKCColor& ColorPopup() { return color_popup_; }

private:
    void OpenPopupFor(int arrow_id);
    int PopupIdOf(int arrow_id);
    void OnToggle(MerlaBt& toggle, int set_bit, int clear_bit);
    void OnGrowShrink(bool grow);
    void OnNameEnter();
    void OnSizeEnter();
    void OnPopupChoice(int popup_id);
    void OnPopupColor(uint32_t argb);
    void OnOtherColor();
    void SetColorOf(int mode, uint32_t argb);
    // Writes back the last valid family or size when a box holds something else.
    void NormaliseBoxes();
    // The size box's number when it is one within 8 .. 1024, else the last valid size.
    double EffectiveSize();
    void SetSizeBox(double size);
    void PostFontChange(int flags);
    HWND ParentHandle() const;

    MerlaFCBTEdit name_box_;
    MerlaBtLB font_arrow_;
    MerlaFCBTEdit size_box_;
    MerlaBtLB size_arrow_;
    MerlaBt grow_;
    MerlaBt shrink_;
    MerlaBt bold_;
    MerlaBt italic_;
    MerlaBt underline_;
    MerlaBt strikeout_;
    MerlaBtBKC highlight_;
    MerlaBtLB highlight_arrow_;
    MerlaBtBKC text_color_bt_;
    MerlaBtLB text_arrow_;
    MerlaFontSel font_popup_;
    MerlaSizeSel size_popup_;
    MerlaBKCColor color_popup_;

    uint32_t text_color_ = kStartColor;
    uint32_t bk_color_ = kStartColor;
    int color_mode_ = kModeText;
    std::wstring last_family_;
    double last_size_;
    // The popup that was open when a press reached the bar: its arrow then closes it.
    int open_at_press_ = 0;
};
