#pragma once
// The colour popup of the font bar: the colour grid above the buttons "其它颜色..." and "透明无颜色",
// on a white panel with a shadow. It passes the grid's choice on to its subscribers and closes when
// the focus goes elsewhere.
#include "toolkit/LWndWithShadow.h"
#include "toolkit/MerlaBt.h"
#include "toolkit/pickers/MerlaColorSel.h"
#include "toolkit/pickers/PickerPopup.h"

// A button inside the popup: it takes the focus without activating and reports losing it.
class MerlaBKCColorBt : public MerlaBt {
public:
    explicit MerlaBKCColorBt(std::wstring text);
    void SetFocusWnd() override;
    bool OnKillFocus(LWnd* new_focus) override;
};

class MerlaBKCColor : public LWndWithShadow {
public:
    static constexpr int kWidth = 235;
    static constexpr int kHeight = 265;              // with "透明无颜色"
    static constexpr int kHeightNoColorHidden = 241; // the text colour has no "no colour"
    static constexpr int kGridBottom = 214;
    static constexpr int kOtherTop = 214, kNoColorTop = 238, kButtonHeight = 24;
    static constexpr UINT kColorChosen = 50033; // to the subscribers: wParam the colour
    static constexpr UINT kOtherColor = 50034;  // posted to the subscribers: the system colour dialog
    static constexpr UINT kClosed = 10011;      // posted to the subscribers after a focus loss
    static constexpr uint32_t kNoColor = 0;     // fully transparent
    static constexpr wchar_t kOtherText[] = L"其它颜色...";
    static constexpr wchar_t kNoColorText[] = L"透明无颜色";

    MerlaBKCColor();

    bool OnCreate() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    bool OnKillFocus(LWnd* new_focus) override;
    void SetFocusWnd() override;

    // Opens at (x, y) on the screen: 265 high with "透明无颜色", 241 high without it.
    void OpenAt(int x, int y, bool with_no_color);
    void ClosePopup() { popup_.Close(); }
    bool IsOpen() const { return popup_.IsOpen(); }

    MerlaColorSel& Grid() { return grid_; }
    MerlaBt& OtherButton() { return other_; }
    MerlaBt& NoColorButton() { return none_; }

private:
    // After a focus loss: the subscribers hear of it when the focus went to none of their windows.
    void TellClosed(LWnd* new_focus);

    MerlaColorSel grid_;
    MerlaBKCColorBt other_{kOtherText};
    MerlaBKCColorBt none_{kNoColorText};
    PickerPopup popup_{*this};
};
