#include "toolkit/pickers/MerlaFontSel.h"

#include "toolkit/pickers/PickerLook.h"

namespace {

constexpr wchar_t kRecentCaption[] = L"最近使用的字体";
constexpr wchar_t kFullCaption[] = L"所有字体";

} // namespace

MerlaFontList::MerlaFontList() : MerlaPickList(L"MerlaFontList", L"RecentUseFont", L"fontname") {}

std::unique_ptr<Gdiplus::Font> MerlaFontList::RowFont(int index) {
    if (index < 0 || index >= GetItemCount())
        return CreateUiFont();
    return MakeFamilyFont(Rows()[static_cast<size_t>(index)].text, kRowFontSize, Gdiplus::FontStyleRegular,
                          Gdiplus::UnitPixel);
}

bool MerlaFontList::AcceptsStored(const std::wstring& text) {
    return !text.empty() && text.size() < LF_FACESIZE;
}

MerlaFontSel::MerlaFontSel() : MerlaListSel(recent_list_, full_list_, kRecentCaption, kFullCaption) {
    SetObjectName(L"MerlaFontSel");
}

void MerlaFontSel::FillFullList() {
    for (const std::wstring& family : InstalledFamilies())
        full_list_.AddItem(family);
}
