#pragma once
// The font popup of the font bar: the recently used fonts above every installed font family, each
// row drawn in its own family.
#include "toolkit/pickers/MerlaListSel.h"

class MerlaFontList : public MerlaPickList {
public:
    static constexpr float kRowFontSize = 13.0f;

    MerlaFontList();

    std::unique_ptr<Gdiplus::Font> RowFont(int index) override;
    bool AcceptsStored(const std::wstring& text) override;
};

class MerlaFontSel : public MerlaListSel {
public:
    static constexpr int kWidth = 240, kHeight = 360;

    MerlaFontSel();

    void AddRecentFont(const std::wstring& name) { AddRecent(name); }

protected:
    void FillFullList() override;

private:
    MerlaFontList recent_list_;
    MerlaFontList full_list_;
};
