#pragma once
// A window the user drags and resizes with a rubber-band outline: during the drag only the
// process-wide move frame follows the pointer; the window jumps to the outline on release.
#include "toolkit/LWnd.h"

#include <cstdint>

class LWndMoveResize : public LWnd {
public:
    static constexpr int kEdgeWidth = 5;
    enum Edges : int { kEdgeLeft = 1, kEdgeRight = 2, kEdgeTop = 4, kEdgeBottom = 8 };
    static constexpr const wchar_t* kMoveFrameClass = L"MoveResizeWnd";
    // The main window owns the move frame.
    static constexpr int kMainWindowId = 20000;

    LWndMoveResize();

    bool OnCreate() override;
    void OnMouseHover(WPARAM keys, int x, int y) override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnMouseLeave() override;

    // Screen coordinates: picks the sizing edges and the cursor for a point of the window.
    virtual void MoveResizeHitTest(int x, int y, const RECT& window_rect);
    // Where the pointer may go during a drag; an empty rectangle means anywhere.
    virtual RECT GetDragBounds();
    virtual void ResizeStep(int x, int y, int edges, bool& changed, RECT& rect);
    // The limits of the dragged edges: left, top, right and bottom limit.
    virtual RECT GetMinSizeRect();
    virtual LSurface DrawMoveFrame(int left, int top, int right, int bottom);
    virtual uint32_t GetFrameColor();
    virtual int LoadRect();

    void ShowMoveFrame(LWnd* owner, const RECT& rect);

    static HWND MoveFrame();
    static bool MoveFrameVisible();
    static RECT MoveFrameRect();
    static LWnd* MoveFrameOwner();
    static void HideMoveFrame();

    int GetSizingEdges() const { return sizing_edges_; }
    void SetDraggingEnabled(bool on) { dragging_enabled_ = on ? 1 : 0; }
    void SetEdgesEnabled(bool on) { edges_enabled_ = on ? 1 : 0; }
    void SetMovable(bool on) { movable_ = on ? 1 : 0; }

protected:
    // The outline's current rectangle: the frame's while this window owns it shown, else the window's.
    RECT CurrentOutline() const;

    int movable_ = 1;
    int dragging_enabled_ = 1;
    int edges_enabled_ = 1;
    POINT drag_point_{};
    int sizing_edges_ = 0;
    int edge_width_ = kEdgeWidth;
    // Set from the press until the release: the edges and cursor stay as the press found them.
    bool drag_active_ = false;
};
