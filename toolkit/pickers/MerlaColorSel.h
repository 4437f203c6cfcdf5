#pragma once
// The colour grid of the colour popup: a row of the recently chosen colours, the theme colours with
// their tints and shades, and the standard colours. Hovering a swatch makes its colour the current
// one; clicking it adds the colour to the recent row and tells the subscribers.
#include "toolkit/LWnd.h"

#include <cstdint>
#include <vector>

class MerlaColorSel : public LWnd {
public:
    static constexpr UINT kColorChosen = 50033; // to the subscribers, (0, 0)
    static constexpr int kMaxRecent = 10;
    static constexpr int kSwatchSide = 15;
    static constexpr int kColumns = 10;
    static constexpr int kColumnLeft = 7, kColumnStep = 22;
    static constexpr int kRecentTop = 7;
    static constexpr uint32_t kStartColor = 0xFF000000;
    static constexpr uint32_t kRecentOutline = 0xFFE2E4E7;

    struct Swatch {
        uint32_t color;
        RECT rect; // client coordinates
    };

    MerlaColorSel();

    std::wstring SettingsPath() override;
    bool OnCreate() override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnMouseLeave() override;
    void OnClick(WPARAM keys, int x, int y) override;
    LSurface RenderContent() override;
    void SetFocusWnd() override;
    bool OnKillFocus(LWnd* new_focus) override;

    virtual void SaveRecentColors();
    virtual void LoadRecentColors();

    // An equal colour leaves its old place; the colour goes first and the row keeps ten.
    void AddRecentColor(uint32_t argb, bool present);

    const std::vector<Swatch>& RecentColors() const { return recent_; }
    // The theme, tint, shade and standard swatches, row by row.
    const std::vector<Swatch>& TableSwatches() const { return table_; }
    uint32_t GetCurrentColor() const { return current_; }
    // The swatch under a client point, recent row included; null on a gap.
    const Swatch* SwatchAt(int x, int y) const;
    // Forgets the hovered swatch (the popup is opened afresh).
    void ClearHover();

private:
    void BuildTable();
    void Refresh();

    std::vector<Swatch> recent_;
    std::vector<Swatch> table_;
    uint32_t current_ = kStartColor;
    RECT hovered_{};
    bool loading_ = false;
};
