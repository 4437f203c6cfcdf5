#pragma once
// Pieces of the picker tests: a parent window recording what it is told, clicks and typing.
#include "tests/toolkit/ToolkitTestSupport.h"

#include "toolkit/controls/MerlaEdit.h"
#include "toolkit/pickers/PickerLook.h"

#include <string>
#include <vector>

struct RecordedMsg {
    UINT message;
    WPARAM wp;
    LPARAM lp;
};

// A visible top-level window that records every toolkit and application message it receives.
class RecordingParent : public ColorWnd {
public:
    RecordingParent() : ColorWnd(0xFFFFFFFF) {}
    LRESULT WindowProc(UINT message, WPARAM wp, LPARAM lp) override {
        if (message >= kFirstRecorded && message < kLastRecorded)
            got.push_back({message, wp, lp});
        return ColorWnd::WindowProc(message, wp, lp);
    }
    std::vector<RecordedMsg> Of(UINT message) const {
        std::vector<RecordedMsg> out;
        for (const RecordedMsg& m : got)
            if (m.message == message)
                out.push_back(m);
        return out;
    }

    std::vector<RecordedMsg> got;

private:
    static constexpr UINT kFirstRecorded = 10000, kLastRecorded = 60000;
};

inline void ClickAt(LWnd& w, int x, int y) {
    const LPARAM at = MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
    SendMessageW(w.GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(w.GetHandle(), WM_LBUTTONUP, 0, at);
}

// Replaces the box's text by typing it, as the keyboard would.
inline void TypeInto(MerlaEdit& box, const std::wstring& text) {
    box.SelectAll();
    box.RemoveSelection(true, 0);
    for (wchar_t ch : text)
        box.TypeChar(ch);
}
