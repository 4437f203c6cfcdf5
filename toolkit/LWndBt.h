#pragma once
// A button (hover and press looks through the mouse flags, a click tells the parent) and a link
// button that opens its target.
#include "toolkit/LWnd.h"

#include <string>

class LWndBt : public LWnd {
public:
    LWndBt();

    void OnMouseHover(WPARAM keys, int x, int y) override;
    void OnMouseLeave() override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnClick(WPARAM keys, int x, int y) override;

protected:
    void Refresh();
};

class LWndBtLink : public LWndBt {
public:
    LWndBtLink();

    void OnClick(WPARAM keys, int x, int y) override;
    LSurface RenderContent() override;

    void SetLink(std::wstring target) { link_ = std::move(target); }
    void SetText(std::wstring text) { text_ = std::move(text); }
    const std::wstring& GetLink() const { return link_; }
    const std::wstring& GetText() const { return text_; }

private:
    std::wstring link_;
    std::wstring text_;
};
