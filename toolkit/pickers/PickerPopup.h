#pragma once
// What the picker popups share: they open below a control without taking the activation from the
// window they serve, keep the toolkit focus without activating, and close as soon as the focus goes
// to a window outside them. Windows inside a popup report their focus losses to it.
#include "toolkit/LWnd.h"

// Sent to the popup by a window inside it: lParam is the handle of the window that got the focus.
inline constexpr UINT kPopupFocusLost = 50040;
// Posted to the popup: decide once the focus has settled (the window that got it is not known).
inline constexpr UINT kPopupFocusCheck = 50041;

// The toolkit focus without activating the native window: a click inside a popup must not
// deactivate the note or bar it serves.
void TakeQuietFocus(LWnd& window);
// A press announced to receiver by WM_PARENTNOTIFY (point in receiver's client coordinates), on a
// window inside it that would activate the popup when taking the focus (the lists' scroll bars):
// the focus moves there quietly first, so the press finds it already in place.
void QuietFocusOnPress(LWnd& receiver, LPARAM point);
// Tells the popup above window that window lost the focus to new_focus (null: to nothing known).
void ReportFocusLoss(LWnd& window, LWnd* new_focus);
// Asks the popup above window to look at the focus once it has moved.
void ScheduleFocusCheck(LWnd& window);

class PickerPopup {
public:
    // What a popup answers to WM_MOUSEACTIVATE: a click inside leaves the activation with the
    // window the popup serves (hiding an active layered popup leaves Wine's screen stale for a while).
    static constexpr LRESULT kMouseActivateAnswer = MA_NOACTIVATE;

    explicit PickerPopup(LWnd& window) : window_(window) {}

    // At (x, y) on the screen with that size, top-most, shown without activation and presented; the
    // popup holds the toolkit focus from then on.
    void Open(int x, int y, int width, int height);
    void Close();
    bool IsOpen() const { return open_; }
    // Closes the popup unless new_focus is the popup or lies inside it; true when it closed.
    bool CloseUnlessInside(LWnd* new_focus);
    // The two report messages and the application's deactivation; true when the message was one of
    // them, closed and new_focus then tell what happened.
    bool Handle(UINT message, WPARAM wp, LPARAM lp, bool& closed, LWnd*& new_focus);

private:
    LWnd& window_;
    bool open_ = false;
};
