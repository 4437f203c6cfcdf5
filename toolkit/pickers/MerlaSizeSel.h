#pragma once
// The size popup of the font bar: the recently used sizes above the table of usual sizes.
#include "toolkit/pickers/MerlaListSel.h"

class MerlaFontSizeList : public MerlaPickList {
public:
    MerlaFontSizeList();

    bool AcceptsStored(const std::wstring& text) override;
};

class MerlaSizeSel : public MerlaListSel {
public:
    static constexpr int kWidth = 108, kHeight = 360;

    MerlaSizeSel();

    void AddRecentSize(const std::wstring& text) { AddRecent(text); }

protected:
    void FillFullList() override;

private:
    MerlaFontSizeList recent_list_;
    MerlaFontSizeList full_list_;
};
