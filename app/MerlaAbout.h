#pragma once
// The About box: the product's name, a few lines about it and its version in a read-only rich edit,
// and a link to the maker's web site.
#include "richtext/LRichEdit.h"
#include "toolkit/LWndBt.h"
#include "toolkit/MerlaMessageBox.h"

class MerlaAbout : public MerlaMessageBox {
public:
    static constexpr int kId = 20018;
    static constexpr int kWidth = 400, kHeight = 150;
    // The text area: this far in from the client's left edge, below the caption strip, and clear of
    // the button row at the bottom.
    static constexpr int kTextLeft = 14, kTextTop = 3, kTextBottomGap = 36;
    static constexpr int kLinkHeight = 20;

    MerlaAbout();

    bool OnCreate() override;

    // The fixed text shown in the box.
    static std::wstring AboutText();

    LRichEdit& Text() { return text_; }
    LWndBtLink& Link() { return link_; }

private:
    LRichEdit text_;
    LWndBtLink link_;
};
