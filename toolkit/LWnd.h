#pragma once
// The toolkit window. Every toolkit window owns one native window of the class "LWnd"; all windows
// below one top-level window are composed with per-pixel alpha into the top-level window's back
// buffer and pushed to the screen with UpdateLayeredWindow (or copied, for an opaque window).
#include "toolkit/LObject.h"
#include "toolkit/surface/LSurface.h"

#include <map>
#include <set>
#include <vector>

class LWnd;
using LWndSet = std::set<const LWnd*>;

// Toolkit notifications; wParam is the sender's id.
namespace LNotify {
inline constexpr UINT kItemLostFocus = 10001; // lParam: handle of the window that got the focus
inline constexpr UINT kCommand = 10002;
inline constexpr UINT kItemHover = 10003; // lParam: the item's handle
inline constexpr UINT kTray = 10006;
inline constexpr UINT kButtonClicked = 10009;
inline constexpr UINT kScrollPos = 10010; // lParam: the new position
inline constexpr UINT kScrollLostFocus = 10011;
// Ranges that reach OnNotify.
inline constexpr bool ReachesOnNotify(UINT m) {
    return (m >= 10002 && m <= 10005) || (m >= 10007 && m <= 10012);
}
} // namespace LNotify

// Cursor types of SetCursorType.
enum LCursorType : int {
    kCursorNormal = 0,
    kCursorMove = 1,
    kCursorSizeWE = 2,
    kCursorSizeNS = 3,
    kCursorSizeNWSE = 4,
    kCursorSizeNESW = 5,
    kCursorHand = 6,
    kCursorText = 7,
};

// Every monitor together, left of and above the primary one too, in screen coordinates.
RECT VirtualScreenRect();

class LWnd : public LObjectSub {
public:
    static constexpr int kClickTolerance = 50;
    static constexpr UINT kHoverTimeMs = 10;
    enum MouseFlags : int { kMouseHover = 0x1, kMouseLeftDown = 0x2 };

    LWnd();
    ~LWnd() override;

    // --- overrides of LObjectSub
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override;
    void RestoreFocus() override;
    bool Attach(int id, HWND handle) override;
    void ShowAndRefresh() override;

    // --- virtual operations, in slot order
    virtual void RefreshIfOpaque();
    virtual void OnMouseMove(WPARAM keys, int x, int y);
    virtual void OnMove(int x, int y);
    virtual void OnRButtonUp(WPARAM keys, int x, int y);
    virtual void OnRButtonDown(WPARAM keys, int x, int y);
    virtual void OnLButtonDown(WPARAM keys, int x, int y);
    virtual void OnLButtonUp(WPARAM keys, int x, int y);
    virtual void OnMouseHover(WPARAM keys, int x, int y);
    virtual void OnLButtonDblClk(WPARAM keys, int x, int y);
    virtual void OnClick(WPARAM keys, int x, int y);
    virtual void OnMouseLeave();
    virtual void OnSetFocus(LWnd* previous);
    virtual void OnTimer(UINT_PTR timer_id);
    virtual void OnTrayNotify(WPARAM wp, LPARAM lp);
    virtual void OnKeyUp(UINT key, int repeat, int flags);
    virtual bool OnSize(UINT type, int width, int height);
    virtual void OnDestroy();
    virtual void SetCursorType(int type);
    virtual void OnContextMenu(HWND window, int x, int y);
    virtual void OnMouseActivate(HWND top, int hit_code, int message);
    virtual void OnMouseWheel(int keys, int delta, int x, int y);
    virtual void OnEscape();
    virtual LWnd* HitTest(int x, int y);
    virtual LRESULT OnNotify(UINT message, WPARAM wp, LPARAM lp);
    virtual bool Compose(HWND source, HWND target, LSurface& surface, int left, int top, int right,
                         int bottom, const LWndSet& excluded);
    virtual LSurface RenderContent();
    virtual bool PreTranslateMessage(MSG* msg);
    virtual bool OnCreate();
    virtual void CreateBackBuffer();
    virtual bool IsResizing();
    virtual bool IsMoving();
    virtual bool Show(int command);
    virtual void ClearLayered();
    virtual void Enable(bool enable);
    virtual void CopyBackBuffer(LSurface& surface);
    virtual bool RedrawWithout(LWnd* child);
    virtual bool RedrawRect(HWND source, const LWndSet& excluded, int left, int top, int right, int bottom);
    virtual bool RedrawScreenRect(int left, int top, int right, int bottom);
    virtual bool Redraw();
    virtual void SetFocusWnd();
    // A menu opened from another menu: windows inside it never take the activation.
    virtual bool IsSubmenu() const;
    virtual bool OnKillFocus(LWnd* new_focus);
    virtual void SaveRect();
    virtual void Subscribe(UINT code, HWND handle);
    // The part `cut` (client coordinates) of the window's picture; `origin` receives the client
    // point that the answer's 0,0 stands for. Windows that can draw a part cheaply override it; the
    // rest answer their whole RenderContent.
    virtual LSurface RenderContentRect(const RECT& cut, POINT& origin);
    // True when CopyBackBuffer adds to the back buffer (the presented picture differs from it).
    virtual bool DecoratesPresent() const;

    // --- non-virtual operations
    // Many changes at once (a page building its children, a list refilled): between the first
    // BeginBatch and the last EndBatch the top-level window neither composes nor presents; the
    // last EndBatch does both once when anything asked for it.
    void BeginBatch();
    void EndBatch();
    bool InBatch() const { return batch_ > 0; }
    // Pushes the whole top-level window.
    void Present();
    // Pushes only the rectangle (the source's client coordinates) where the screen already shows the
    // rest of the back buffer; the whole window otherwise.
    void PresentRect(HWND source, const RECT& rect);
    LWnd* GetTopLevel();
    bool IsLayered() const;
    bool IsShown() const;
    LWnd* GetParentWnd() const;
    // Leaves the focus as if the parent had been clicked: the parent holds it afterwards.
    void GiveFocusToParent();
    bool Contains(const LWnd* window) const;
    void AddCompanion(LWnd* window, bool with_descendants);
    bool SendToSubscribers(UINT code, WPARAM wp, LPARAM lp);
    void PostToSubscribers(UINT code, WPARAM wp, LPARAM lp);
    void CenterOnCursorMonitor();

    static LWnd* FromHandle(HWND handle);
    static LWnd* FromId(int id);
    // Thread-safe: the native handle of the first window with the id, or null.
    static HWND HandleFromId(int id);
    static LWnd* Focused();

    const std::vector<LWnd*>& Children() const { return children_; }
    int GetMouseFlags() const { return mouse_flags_; }
    int GetCursorType() const { return cursor_type_; }
    int GetShowState() const { return show_state_; }
    bool IsPressed() const { return pressed_ != 0; }
    int GetAlpha() const { return alpha_; }
    void SetAlpha(int alpha) { alpha_ = alpha; }
    const LSurface& BackBuffer() const { return back_buffer_; }
    RECT ClientRect() const;
    RECT WindowRect() const;

protected:
    // Press on this window: moves the toolkit focus to what the press hits; answers that window.
    LWnd* FocusOnPress(int x, int y);
    void RefreshStoredRects();

    std::vector<LWnd*> children_; // not owned; later entries lie above earlier ones
    LSurface back_buffer_;
    int mouse_flags_ = 0;
    int cursor_type_ = kCursorNormal;
    int show_state_ = 0;
    HCURSOR cursor_ = nullptr;
    int pressed_ = 0;
    RECT stored_rect_{};
    POINT rpress_{};
    POINT lpress_{};
    int click_tolerance_ = kClickTolerance;
    int hover_tracking_ = 0;
    std::set<LWnd*> companions_;
    int alpha_ = 255;
    std::multimap<UINT, HWND> subscriptions_;
    HWND parent_handle_ = nullptr; // the parent at creation, to leave its children list
    int batch_ = 0;                // on the top-level window only
    bool batch_dirty_ = false;
    // On the top-level window: the screen may differ from the back buffer outside any rectangle
    // presented next (nothing pushed yet, a push skipped, a new back buffer, a cleared window).
    bool screen_stale_ = true;

private:
    void PresentArea(HWND source, const RECT& rect, bool dirty_only);
};

// A batch for the lifetime of the guard, on the top-level window of the window given.
class LWndBatch {
public:
    explicit LWndBatch(LWnd& window) : top_(window.GetTopLevel()) {
        if (top_)
            top_->BeginBatch();
    }
    ~LWndBatch() {
        if (top_)
            top_->EndBatch();
    }
    LWndBatch(const LWndBatch&) = delete;
    LWndBatch& operator=(const LWndBatch&) = delete;

private:
    LWnd* top_;
};
