#pragma once
// The floating font window: a top-most popup holding the font bar, shown next to the rich text
// box being written in and forwarding the bar's font, colour and command notifications to it. The
// main controller owns the one instance.
#include "toolkit/LWnd.h"
#include "toolkit/pickers/MerlaFCBT.h"

class LRichEditNI;

class MerlaFcbtFF : public LWnd {
public:
    static constexpr int kBorder = 3;
    static constexpr int kWidth = MerlaFCBT::kWidth + 2 * kBorder;
    static constexpr int kHeight = MerlaFCBT::kHeight + 2 * kBorder;
    static constexpr uint32_t kFrameColor = 0xFFFFFFFF;
    static constexpr uint32_t kEdgeColor = 0xFFD0D0D0;

    MerlaFcbtFF();
    ~MerlaFcbtFF() override;

    // The one window, hidden, owned by owner.
    bool CreateFloating(HWND owner);
    // The instance the main controller made; null before and after.
    static MerlaFcbtFF* Instance();

    // Placed below the box (above it when it would leave the screen), top-most, shown without
    // activation, initialised from the box's font and colours.
    void ShowAt(LRichEditNI* box);
    // Hidden, serving no box.
    void Detach();
    LRichEditNI* ServedBox() const;
    // True for the bar's own popups (font, size, colour lists).
    bool OwnsPopup(const LWnd* window) const;
    // Where ShowAt puts the window for a box's screen rectangle on a virtual screen.
    static POINT PlaceFor(const RECT& box, const RECT& screen);

    bool OnCreate() override;
    LSurface RenderContent() override;
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp) override;
    bool OnKillFocus(LWnd* new_focus) override;

    MerlaFCBT& Bar() { return bar_; }

private:
    HWND BoxHandle() const;

    MerlaFCBT bar_;
    int served_id_ = 0;
};
