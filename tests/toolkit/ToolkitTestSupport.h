#pragma once
// Shared pieces of the toolkit tests: GDI+ for the whole run, a message pump, and windows of one
// flat colour whose pixels are easy to recognise in a back buffer.
#include "toolkit/LWnd.h"

#include <cstdint>
#include <string>
#include <vector>

// Dispatches every waiting message of the thread.
void PumpMessages();
// Pumps for about ms milliseconds.
void PumpFor(int ms);
// Pumps until the condition holds or ms milliseconds passed; answers the condition.
template <class Condition> bool PumpUntil(Condition done, int ms) {
    for (int waited = 0; !done() && waited < ms; waited += 20)
        PumpFor(20);
    return done();
}

// A 40 x 30 PNG file of one straight ARGB colour.
bool WriteSolidPng(const std::wstring& path, uint32_t argb);

// Premultiplied pixel of an opaque colour.
constexpr uint32_t Opaque(uint32_t rgb) {
    return 0xFF000000u | rgb;
}

class ColorWnd : public LWnd {
public:
    explicit ColorWnd(uint32_t argb = 0) : argb_(argb) {}
    LSurface RenderContent() override;
    void OnClick(WPARAM, int x, int y) override { clicks.push_back(POINT{x, y}); }
    void OnLButtonUp(WPARAM keys, int x, int y) override {
        ++releases;
        LWnd::OnLButtonUp(keys, x, y);
    }
    bool OnKillFocus(LWnd* new_focus) override {
        kill_focus_to.push_back(new_focus);
        return LWnd::OnKillFocus(new_focus);
    }

    // A top-level layered popup of the given screen rectangle.
    bool CreateTop(int x, int y, int w, int h, bool visible = false);
    bool CreateChild(LWnd& parent, int x, int y, int w, int h, bool visible = true, DWORD ex_style = 0);

    uint32_t argb_;
    std::vector<POINT> clicks;
    int releases = 0;
    std::vector<LWnd*> kill_focus_to;
};
